#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CProcessRunner;

// Lets the packers of a preparation run side by side while the walk goes on, yet keeps
// everything the walk reports in the order it was reported: a step queued behind a running
// packer runs only once that packer and everything before it are done. Created, used and
// destroyed by one thread; no step runs on another.
class CPackingQueue
{
public:
    using Ticket = std::uint64_t;

    // At most `packers` packers at once; 0 means one for each CPU this process may use.
    explicit CPackingQueue(unsigned packers = 0);
    // Kills the packers still running; their steps and those behind them never run.
    ~CPackingQueue();
    CPackingQueue(const CPackingQueue&) = delete;
    CPackingQueue& operator=(const CPackingQueue&) = delete;

    // Runs step at once when nothing is queued, else after everything queued before it.
    void Then(std::function<void()> step);

    // Queues the packer, started as soon as fewer than the limit run, and done behind it; done
    // learns whether the packer started and exited with 0. The ticket is for WaitFor.
    Ticket Pack(const std::string& commandLine, std::function<void(bool exitedWithZero)> done);

    // Returns once the done of ticket and everything queued before it have run.
    void WaitFor(Ticket ticket);

    // Returns once everything queued has run.
    void Drain();

private:
    // A step, or a packer with what to do once it is done.
    struct SItem
    {
        std::function<void()> step;
        std::string commandLine;
        std::unique_ptr<CProcessRunner> packer;
        std::function<void(bool)> done;
        bool started = false;
    };

    static bool Done(SItem& item);
    // Starts waiting packers while places are free, then runs the items at the front that
    // are done, in order.
    void Advance();
    // Waits a little for the packer at the front, then advances.
    void WaitAtFront();

    unsigned m_packers;
    // Items never move: a deque keeps its elements in place when used only at its ends.
    std::deque<SItem> m_items;
    std::vector<SItem*> m_running;
    std::deque<SItem*> m_waiting;
    // Ticket of the front item; the items behind it follow in order.
    Ticket m_front = 0;
    bool m_inStep = false;
};
