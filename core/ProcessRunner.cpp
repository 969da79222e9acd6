#include "core/ProcessRunner.h"

#include "core/CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Sleep step when the kernel gives no process descriptor to wait on.
constexpr std::chrono::milliseconds kFallbackStep{2};

class CSpawnSetup
{
public:
    CSpawnSetup()
    {
        m_actionsReady = posix_spawn_file_actions_init(&m_actions) == 0;
        m_attrReady = posix_spawnattr_init(&m_attr) == 0;
    }
    ~CSpawnSetup()
    {
        if (m_actionsReady) {
            posix_spawn_file_actions_destroy(&m_actions);
        }
        if (m_attrReady) {
            posix_spawnattr_destroy(&m_attr);
        }
    }
    CSpawnSetup(const CSpawnSetup&) = delete;
    CSpawnSetup& operator=(const CSpawnSetup&) = delete;

    // 0, or the error number of the first step that failed.
    int Prepare(const std::string& workingDirectory, bool newSession)
    {
        if (!m_actionsReady || !m_attrReady) {
            return ENOMEM;
        }
        int rc = 0;
        if (!workingDirectory.empty()) {
            rc = posix_spawn_file_actions_addchdir_np(&m_actions, workingDirectory.c_str());
        }
        if (rc == 0) {
            rc = posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDONLY, 0);
        }
        if (rc == 0) {
            rc = posix_spawn_file_actions_addopen(&m_actions, 1, "/dev/null", O_WRONLY, 0);
        }
        if (rc == 0) {
            rc = posix_spawn_file_actions_addopen(&m_actions, 2, "/dev/null", O_WRONLY, 0);
        }
        // Closes whatever another part of the process opened without O_CLOEXEC.
        if (rc == 0) {
            rc = posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
        }
        sigset_t noSignals;
        sigemptyset(&noSignals);
        sigset_t allSignals;
        sigfillset(&allSignals);
        if (rc == 0) {
            rc = posix_spawnattr_setsigmask(&m_attr, &noSignals);
        }
        if (rc == 0) {
            rc = posix_spawnattr_setsigdefault(&m_attr, &allSignals);
        }
        // A new session also makes the child leader of a new process group (id = its pid).
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        flags |= newSession ? POSIX_SPAWN_SETSID : POSIX_SPAWN_SETPGROUP;
        if (rc == 0) {
            rc = posix_spawnattr_setpgroup(&m_attr, 0);
        }
        if (rc == 0) {
            rc = posix_spawnattr_setflags(&m_attr, flags);
        }
        return rc;
    }

    const posix_spawn_file_actions_t* Actions() const { return &m_actions; }
    const posix_spawnattr_t* Attributes() const { return &m_attr; }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attr;
    bool m_actionsReady = false;
    bool m_attrReady = false;
};

std::uint32_t DecodeStatus(int status)
{
    if (WIFEXITED(status)) {
        return static_cast<std::uint32_t>(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return CProcessRunner::kSignalBase + static_cast<std::uint32_t>(WTERMSIG(status));
    }
    return CProcessRunner::kStatusLost;
}

} // namespace

CProcessRunner::CProcessRunner(std::string_view commandLine) : m_commandLine{commandLine} {}

CProcessRunner::~CProcessRunner()
{
    Terminate();
}

void CProcessRunner::SetWorkingDirectory(std::string directory)
{
    m_workingDirectory = std::move(directory);
}

bool CProcessRunner::Start([[maybe_unused]] bool minimised, bool newConsole)
{
    if (m_pid != 0 || m_commandLine.find('\0') != std::string::npos) {
        return false;
    }
    std::vector<std::string> args = CCommandLine::Split(m_commandLine);
    if (args.empty()) {
        return false;
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    CSpawnSetup setup;
    if (setup.Prepare(m_workingDirectory, newConsole) != 0) {
        return false;
    }
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], setup.Actions(), setup.Attributes(), argv.data(), environ) !=
        0) {
        return false;
    }
    m_pid = pid;
    // Without a process descriptor (old kernel, no descriptors left) WaitForExit polls instead.
    // Called directly: glibc 2.36 declares pidfd_open without C linkage.
    m_pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    return true;
}

bool CProcessRunner::IsRunning()
{
    if (m_pid == 0) {
        return false;
    }
    int status = 0;
    pid_t reaped = 0;
    do {
        reaped = waitpid(m_pid, &status, WNOHANG);
    } while (reaped == -1 && errno == EINTR);
    if (reaped == 0) {
        m_exitCode = kStillActive;
        return true;
    }
    m_exitCode = reaped == m_pid ? DecodeStatus(status) : kStatusLost;
    Release();
    return false;
}

bool CProcessRunner::WaitForExit(std::chrono::milliseconds longest)
{
    const auto deadline = std::chrono::steady_clock::now() + longest;
    while (IsRunning()) {
        if (!PollUntil(deadline)) {
            return false;
        }
    }
    return true;
}

bool CProcessRunner::PollUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
        return false;
    }
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    if (m_pidFd >= 0) {
        pollfd watch{m_pidFd, POLLIN, 0};
        if (poll(&watch, 1, static_cast<int>(remaining.count())) >= 0 || errno == EINTR) {
            return true;
        }
        close(m_pidFd);
        m_pidFd = -1;
    }
    std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(remaining, kFallbackStep));
    return true;
}

void CProcessRunner::Terminate()
{
    if (!IsRunning()) {
        return;
    }
    // The child is not reaped yet, so its id still names its group and no other process.
    kill(-m_pid, SIGKILL);
    int status = 0;
    while (waitpid(m_pid, &status, 0) == -1 && errno == EINTR) {
    }
    Release();
    m_exitCode = 0;
}

void CProcessRunner::Release()
{
    if (m_pidFd >= 0) {
        close(m_pidFd);
        m_pidFd = -1;
    }
    m_pid = 0;
}
