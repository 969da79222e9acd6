#include "ToolProcess.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

std::string_view NameOf(std::string_view entry)
{
    return entry.substr(0, entry.find('=') + 1);
}

} // namespace

CToolProcess::~CToolProcess()
{
    Kill();
}

bool CToolProcess::Start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& outPath,
                         const std::string& errPath)
{
    Kill();
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text{*entry};
        bool replaced = false;
        for (const std::string& own : environment) {
            replaced = replaced || NameOf(own) == NameOf(text);
        }
        if (!replaced) {
            env.emplace_back(text);
        }
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& text : env) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> argvText{argv};
    std::vector<char*> args;
    for (std::string& text : argvText) {
        args.push_back(text.data());
    }
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, m_input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return false;
    }
    m_pid = pid;
    return true;
}

std::optional<int> CToolProcess::Wait(std::chrono::milliseconds longest)
{
    const auto deadline = std::chrono::steady_clock::now() + longest;
    while (m_pid > 0) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            Kill();
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
    return std::nullopt;
}

bool CToolProcess::Signal(int signal) const
{
    return m_pid > 0 && kill(m_pid, signal) == 0;
}

void CToolProcess::Kill()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}
