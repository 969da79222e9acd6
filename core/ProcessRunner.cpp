#include "core/ProcessRunner.h"

#include "core/CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Sleep step when the kernel gives no process descriptor to wait on.
constexpr std::chrono::milliseconds kFallbackStep{2};
constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";

// The file execve runs for argv[0]: a name with a '/' as given, any other the first
// executable regular file of that name along PATH. Found here, before the fork, because the
// child may only call what is safe between fork and exec. Empty when there is none.
std::string ResolveProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    const std::string_view dirs = path != nullptr ? path : kDefaultPath;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string_view dir = dirs.substr(start, end - start);
        const std::string candidate =
            (dir.empty() ? std::string(".") : std::string(dir)) + "/" + name;
        struct stat info
        {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

// What the child does between fork and exec; only async-signal-safe calls. Reports the
// errno of a failed step through `errorPipe` and ends.
[[noreturn]] void RunChild(const char* program, char* const argv[], const char* workingDirectory,
                           bool newSession, pid_t parent, int errorPipe, int highestDescriptor)
{
    // The child ends with the thread that started it, also when that thread is killed: an
    // outside program never outlives the run it belongs to. The check closes the gap of a
    // parent that died before the request was made.
    int error = 0;
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) {
        error = errno != 0 ? errno : ESRCH;
    }
    if (error == 0 && (newSession ? setsid() : setpgid(0, 0)) < 0) {
        error = errno;
    }
    if (error == 0 && workingDirectory != nullptr && chdir(workingDirectory) != 0) {
        error = errno;
    }
    if (error == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) {
            error = errno;
        } else if (null > 2) {
            close(null);
        }
    }
    if (error == 0) {
        // Whatever another part of the process opened without O_CLOEXEC ends at the exec.
        if (syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
            for (int fd = 3; fd <= highestDescriptor; ++fd) {
                if (fd != errorPipe) {
                    close(fd);
                }
            }
        }
        struct sigaction defaults
        {};
        defaults.sa_handler = SIG_DFL;
        for (int signal = 1; signal < NSIG; ++signal) {
            sigaction(signal, &defaults, nullptr);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execve(program, argv, environ);
        error = errno;
    }
    (void)!write(errorPipe, &error, sizeof error);
    _exit(127);
}

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
    const std::string program = ResolveProgram(args.front());
    if (program.empty()) {
        return false;
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    rlimit limit{};
    const int highestDescriptor =
        getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
            ? static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 65536))
            : 65536;

    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) {
        return false;
    }
    const char* workingDirectory =
        m_workingDirectory.empty() ? nullptr : m_workingDirectory.c_str();
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        close(errorPipe[0]);
        RunChild(program.c_str(), argv.data(), workingDirectory, newConsole, parent, errorPipe[1],
                 highestDescriptor);
    }
    close(errorPipe[1]);
    if (pid < 0) {
        close(errorPipe[0]);
        return false;
    }
    // The pipe closes at the exec; a number arriving is the errno of a step that failed.
    int childError = 0;
    ssize_t got = 0;
    do {
        got = read(errorPipe[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    close(errorPipe[0]);
    if (got > 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
        }
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
