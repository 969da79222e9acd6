#include "tools/ProgressLine.h"

namespace {
constexpr auto kTerminalPeriod = std::chrono::milliseconds{200};
constexpr auto kLinePeriod = std::chrono::seconds{1};
// Carriage return and "erase to the end of the line".
constexpr const char* kRewind = "\r\033[K";
} // namespace

CProgressLine::CProgressLine(std::ostream& err, bool terminal) : m_err{err}, m_terminal{terminal} {}

void CProgressLine::Show(const std::string& text, bool last)
{
    const auto now = std::chrono::steady_clock::now();
    const auto period = m_terminal
                            ? std::chrono::duration_cast<std::chrono::milliseconds>(kTerminalPeriod)
                            : std::chrono::duration_cast<std::chrono::milliseconds>(kLinePeriod);
    if (!last && m_last != std::chrono::steady_clock::time_point{} && now - m_last < period) {
        return;
    }
    m_last = now;
    if (m_terminal) {
        m_err << kRewind << text << std::flush;
        m_shown = true;
    } else {
        m_err << text << std::endl;
    }
}

void CProgressLine::Clear()
{
    if (m_shown) {
        m_err << kRewind << std::flush;
        m_shown = false;
    }
}

std::string CProgressLine::SyncText(int done, int all, unsigned long long bytes)
{
    return "files " + std::to_string(done) + " of " + std::to_string(all) + ", " +
           std::to_string(bytes) + " bytes";
}
