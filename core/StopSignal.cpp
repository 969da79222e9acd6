#include "core/StopSignal.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

CStopSignal::CStopSignal() : m_fd{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)} {}

CStopSignal::~CStopSignal()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void CStopSignal::Request()
{
    const std::lock_guard lock{m_mutex};
    Raise();
}

void CStopSignal::End()
{
    const std::lock_guard lock{m_mutex};
    m_ended = true;
    Raise();
}

void CStopSignal::Raise()
{
    m_requested = true;
    if (m_fd >= 0) {
        // A few presses cannot overflow the counter: the write does not fail.
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
    }
}

void CStopSignal::Reset()
{
    const std::lock_guard lock{m_mutex};
    if (m_ended) {
        return;
    }
    m_requested = false;
    if (m_fd >= 0) {
        // One read empties the counter.
        std::uint64_t pending = 0;
        [[maybe_unused]] const ssize_t drained = ::read(m_fd, &pending, sizeof pending);
    }
}
