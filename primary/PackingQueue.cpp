#include "primary/PackingQueue.h"

#include "core/ProcessRunner.h"

#include <algorithm>
#include <chrono>
#include <sched.h>
#include <utility>

namespace {

// How long one wait for the front packer lasts before the others are looked at again: a
// packer that ends behind the front frees its place within this time.
constexpr auto kPackPoll = std::chrono::milliseconds(5);

unsigned UsableCpus()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) {
        return 1;
    }
    return static_cast<unsigned>(std::max(CPU_COUNT(&cpus), 1));
}

} // namespace

CPackingQueue::CPackingQueue(unsigned packers) : m_packers{packers == 0 ? UsableCpus() : packers} {}

CPackingQueue::~CPackingQueue() = default;

void CPackingQueue::Then(std::function<void()> step)
{
    // What a step queues belongs to its own moment.
    if (m_items.empty() || m_inStep) {
        step();
        return;
    }
    m_items.push_back(SItem{std::move(step), {}, nullptr, {}});
    Advance();
}

CPackingQueue::Ticket CPackingQueue::Pack(const std::string& commandLine,
                                          std::function<void(bool)> done)
{
    m_items.push_back(SItem{{}, commandLine, nullptr, std::move(done)});
    m_waiting.push_back(&m_items.back());
    const Ticket ticket = m_front + m_items.size() - 1;
    Advance();
    return ticket;
}

void CPackingQueue::WaitFor(Ticket ticket)
{
    while (m_front <= ticket && !m_items.empty()) {
        WaitAtFront();
    }
}

void CPackingQueue::Drain()
{
    while (!m_items.empty()) {
        WaitAtFront();
    }
}

bool CPackingQueue::Done(SItem& item)
{
    if (!item.step && !item.started) {
        return false;
    }
    return !item.packer || !item.packer->IsRunning();
}

void CPackingQueue::Advance()
{
    std::erase_if(m_running, [this](SItem* item) { return Done(*item); });
    while (m_running.size() < m_packers && !m_waiting.empty()) {
        SItem& item = *m_waiting.front();
        m_waiting.pop_front();
        item.started = true;
        item.packer = std::make_unique<CProcessRunner>(item.commandLine);
        if (item.packer->Start(true, false)) {
            m_running.push_back(&item);
        } else {
            item.packer.reset();
        }
    }
    while (!m_items.empty() && Done(m_items.front())) {
        // Taken out first: the step may queue more.
        SItem item = std::move(m_items.front());
        std::erase(m_running, &m_items.front());
        m_items.pop_front();
        ++m_front;
        m_inStep = true;
        if (item.step) {
            item.step();
        } else {
            item.done(item.packer && item.packer->GetExitCode() == 0);
        }
        m_inStep = false;
    }
}

void CPackingQueue::WaitAtFront()
{
    Advance();
    if (!m_items.empty()) {
        // Everything before a waiting packer is done, so the front packer has started.
        if (m_items.front().packer) {
            m_items.front().packer->WaitForExit(kPackPoll);
        }
        Advance();
    }
}
