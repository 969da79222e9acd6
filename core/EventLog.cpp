#include "core/EventLog.h"

#include "core/Platform.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::string_view kLogFileName = "zezodi.log";
constexpr int kOpenAttempts = 101;
constexpr auto kRetryPause = std::chrono::milliseconds(10);

std::atomic<CEventLog::Clock> g_clock{nullptr};

std::time_t Now()
{
    const CEventLog::Clock clock = g_clock.load();
    return clock != nullptr ? clock() : std::time(nullptr);
}

int OpenForAppend(const std::string& path)
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(kRetryPause);
        // O_NONBLOCK: a FIFO in place of the log must not hold the run.
        const int fd =
            open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
        if (fd >= 0)
            return fd;
    }
    return -1;
}

} // namespace

void CEventLog::WriteLog(std::string_view logDirectory, std::string_view text)
{
    // Without a log directory the file would land in whatever the current directory is.
    if (logDirectory.empty())
        return;
    std::string line = FormatTime(Now());
    line.append(", ");
    line.append(text);
    line.push_back('\n');

    const int fd = OpenForAppend(CPlatform::JoinPath(logDirectory, kLogFileName));
    // The log is the last resort for reporting: a line that cannot be written is dropped.
    if (fd < 0)
        return;
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    close(fd);
}

std::string CEventLog::LogDirectory(std::string_view installDir)
{
    return CPlatform::JoinPath(installDir, "log");
}

std::string CEventLog::ReportTime()
{
    return FormatTime(Now());
}

std::string CEventLog::FormatTime(std::time_t seconds)
{
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%d, %02d:%02d:%02d", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return buffer;
}

void CEventLog::SetClock(Clock clock)
{
    g_clock.store(clock);
}
