#include "core/PeerLogThrottle.h"

#include <utility>

CPeerLogThrottle::CPeerLogThrottle() : m_clock{std::chrono::steady_clock::now} {}

std::optional<std::string> CPeerLogThrottle::Admit(const std::string& peer, const std::string& text)
{
    const std::lock_guard lock{m_mutex};
    const auto now = m_clock();
    const auto found = m_peers.find(peer);
    if (found == m_peers.end()) {
        if (m_peers.size() >= kMaxPeers) {
            Forget(now);
            if (m_peers.size() >= kMaxPeers) {
                return std::nullopt;
            }
        }
        m_peers.emplace(peer, SPeer{now, 0});
        return text;
    }
    SPeer& entry = found->second;
    if (now - entry.written < m_window) {
        ++entry.suppressed;
        return std::nullopt;
    }
    std::string line = text;
    if (entry.suppressed > 0) {
        line += " (" + std::to_string(entry.suppressed) + " more suppressed)";
    }
    entry = SPeer{now, 0};
    return line;
}

void CPeerLogThrottle::SetWindow(std::chrono::milliseconds window)
{
    const std::lock_guard lock{m_mutex};
    m_window = window;
}

void CPeerLogThrottle::SetClock(Clock clock)
{
    const std::lock_guard lock{m_mutex};
    m_clock = std::move(clock);
}

void CPeerLogThrottle::Forget(std::chrono::steady_clock::time_point now)
{
    std::erase_if(m_peers, [&](const auto& entry) {
        return now - entry.second.written >= m_window && entry.second.suppressed == 0;
    });
}
