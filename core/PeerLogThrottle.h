#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// Holds a listener's lines about one peer address to one a window (a minute), so that a flood
// of connections cannot fill the disk with the log. The next line written for that address
// tells how many were held back since its last one.
class CPeerLogThrottle
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::seconds kWindow{60};
    // Addresses remembered at once; past that, those whose window has ended are forgotten, and
    // if none has, lines of new addresses are held back without a count.
    static constexpr std::size_t kMaxPeers = 4096;

    CPeerLogThrottle();

    // The line to write for peer now: text, followed by " (N more suppressed)" when lines were
    // held back since the last one; nullopt when this one is held back. Any thread.
    std::optional<std::string> Admit(const std::string& peer, const std::string& text);

    // For tests: a shorter window and another clock.
    void SetWindow(std::chrono::milliseconds window);
    void SetClock(Clock clock);

private:
    struct SPeer
    {
        std::chrono::steady_clock::time_point written;
        unsigned long long suppressed = 0;
    };

    void Forget(std::chrono::steady_clock::time_point now);

    std::mutex m_mutex;
    std::chrono::milliseconds m_window{kWindow};
    Clock m_clock;
    std::map<std::string, SPeer> m_peers;
};
