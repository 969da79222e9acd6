#include "tests/support/ChildProcess.h"

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds kPoll{10};
constexpr std::chrono::seconds kDefaultStop{5};
constexpr int kPassedFd = 3;
constexpr int kExecFailed = 127;

} // namespace

CChildProcess::~CChildProcess()
{
    Stop(SIGTERM, kDefaultStop);
}

bool CChildProcess::Start(const std::vector<std::string>& argv, int passFd)
{
    if (m_pid != 0 || argv.empty())
        return false;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        // Only async-signal-safe calls from here on. A test that dies without cleaning up
        // takes its servers with it.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            _exit(kExecFailed);
        const int null = open("/dev/null", O_RDWR);
        if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 ||
            dup2(null, STDERR_FILENO) < 0)
            _exit(kExecFailed);
        if (passFd >= 0 && dup2(passFd, kPassedFd) < 0)
            _exit(kExecFailed);
        execv(args[0], args.data());
        _exit(kExecFailed);
    }
    m_pid = pid;
    return true;
}

bool CChildProcess::IsRunning()
{
    if (m_pid == 0)
        return false;
    int status = 0;
    const pid_t done = waitpid(m_pid, &status, WNOHANG);
    if (done == 0)
        return true;
    m_pid = 0;
    return false;
}

void CChildProcess::Stop(int signal, std::chrono::milliseconds longest)
{
    if (m_pid == 0)
        return;
    kill(m_pid, signal);
    const auto deadline = std::chrono::steady_clock::now() + longest;
    while (IsRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kPoll);
    if (m_pid == 0)
        return;
    kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = 0;
}
