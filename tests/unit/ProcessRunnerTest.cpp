#include "core/ProcessRunner.h"

#include "core/CommandLine.h"
#include "core/RunAndWait.h"
#include "tests/unit/ProfileTempDir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Long enough for any child on a loaded machine, short enough that a fault fails the test.
constexpr auto kPatience = 20s;

class ProcessRunnerTest : public ::testing::Test
{
protected:
    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    std::string Write(const std::string& name, const std::string& text) const
    {
        std::ofstream{PathOf(name), std::ios::binary} << text;
        return PathOf(name);
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream in{path, std::ios::binary};
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // A script that writes each of its arguments after the first, one per line, into the file
    // named by the first.
    std::string ArgumentsScript() const
    {
        return Write("args.sh",
                     "out=$1\nshift\nfor a; do printf '[%s]\\n' \"$a\"; done > \"$out\"\n");
    }

    CProfileTempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
};

std::size_t OpenDescriptorCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator{"/proc/self/fd"}) {
        ++count;
    }
    return count;
}

bool HasNoChildren()
{
    int status = 0;
    return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

bool IsGoneAndReaped(pid_t pid)
{
    int status = 0;
    const bool reaped = waitpid(pid, &status, WNOHANG) == -1 && errno == ECHILD;
    const bool gone = kill(pid, 0) == -1 && errno == ESRCH;
    return reaped && gone;
}

// The fields after the command name in /proc/<pid>/stat: state, ppid, pgrp, session, ...
std::vector<long> StatFields(const std::string& stat)
{
    std::istringstream rest{stat.substr(stat.rfind(')') + 2)};
    std::string state;
    rest >> state;
    std::vector<long> fields;
    long value = 0;
    while (fields.size() < 3 && rest >> value) {
        fields.push_back(value);
    }
    return fields;
}

std::string StatusLine(const std::string& status, const std::string& key)
{
    std::istringstream lines{status};
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + ":", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

} // namespace

TEST_F(ProcessRunnerTest, MissingProgram_GivesMinusOne_AndLeavesNothingBehind)
{
    const std::size_t descriptors = OpenDescriptorCount();
    EXPECT_EQ(RunAndWait("zezodi-no-such-program --help"), -1);
    EXPECT_EQ(RunAndWait(PathOf("missing") + " x"), -1);

    CProcessRunner runner{"zezodi-no-such-program"};
    EXPECT_FALSE(runner.Start(true, false));
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_EQ(runner.GetProcessId(), 0);

    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_TRUE(HasNoChildren());
}

TEST_F(ProcessRunnerTest, EmptyBlankOrNulCommandLine_GivesMinusOne)
{
    EXPECT_EQ(RunAndWait(""), -1);
    EXPECT_EQ(RunAndWait(" \t "), -1);
    EXPECT_EQ(RunAndWait(std::string_view{"true\0x", 6}), -1);
}

TEST_F(ProcessRunnerTest, ExitCodes_ComeBackUnchanged)
{
    const std::size_t descriptors = OpenDescriptorCount();
    EXPECT_EQ(RunAndWait("true"), 0);
    EXPECT_EQ(RunAndWait("false"), 1);
    EXPECT_EQ(RunAndWait(R"(sh -c "exit 7")"), 7);
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_TRUE(HasNoChildren());
}

TEST_F(ProcessRunnerTest, ChildEndedBySignal_Gives128PlusTheSignal)
{
    EXPECT_EQ(RunAndWait(R"(sh -c "kill -TERM $$")"), 128 + SIGTERM);
}

TEST_F(ProcessRunnerTest, QuotedArgumentsWithBlanks_ArriveWhole)
{
    const std::string script = ArgumentsScript();
    const std::string out = PathOf("out dir.txt");
    const std::string line = "sh " + script + " " + CCommandLine::Quote(out) +
                             R"( "a b"  plain "say \"hi\"" "" "tab	in" c:\dir\ "end\\")";
    ASSERT_EQ(RunAndWait(line), 0);
    EXPECT_EQ(Read(out), "[a b]\n[plain]\n[say \"hi\"]\n[]\n[tab\tin]\n[c:\\dir\\]\n[end\\]\n");
}

TEST_F(ProcessRunnerTest, ShellCharacters_ReachTheProgramLiterally)
{
    const std::string script = ArgumentsScript();
    const std::string out = PathOf("out.txt");
    const std::string line =
        "sh " + script + " " + out + " $HOME a;b x|y `id` $(id) * > \"<in\" &&";
    ASSERT_EQ(RunAndWait(line), 0);
    EXPECT_EQ(Read(out), "[$HOME]\n[a;b]\n[x|y]\n[`id`]\n[$(id)]\n[*]\n[>]\n[<in]\n[&&]\n");
    EXPECT_FALSE(fs::exists(m_dir / "in"));
}

TEST_F(ProcessRunnerTest, WorkingDirectory_AppliesToTheChildOnly)
{
    fs::create_directory(m_dir / "sub dir");
    const fs::path ownDirectory = fs::current_path();

    ASSERT_EQ(RunAndWait(R"(sh -c "pwd > here.txt")", PathOf("sub dir")), 0);

    EXPECT_EQ(Read(PathOf("sub dir/here.txt")), fs::canonical(m_dir / "sub dir").string() + "\n");
    EXPECT_EQ(fs::current_path(), ownDirectory);
    EXPECT_EQ(RunAndWait("true", PathOf("no such dir")), -1);
}

TEST_F(ProcessRunnerTest, ChildOutput_GoesNowhere)
{
    const std::string capture = PathOf("captured.txt");
    const int captureFd = open(capture.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(captureFd, 0);
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    dup2(captureFd, 1);
    dup2(captureFd, 2);

    const int printed = RunAndWait("printf visible");
    const int printedToErr = RunAndWait(R"(sh -c "printf visible >&2")");

    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    close(captureFd);
    EXPECT_EQ(printed, 0);
    EXPECT_EQ(printedToErr, 0);
    EXPECT_EQ(Read(capture), "");
}

TEST_F(ProcessRunnerTest, Child_HasStdioOnDevNull_AndNoneOfOurDescriptors)
{
    const std::string marker = Write("zezodi-marker.txt", "x");
    const int inherited = open(marker.c_str(), O_RDONLY);
    ASSERT_GE(inherited, 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const std::string out = PathOf("fds.txt");

    const int result =
        RunAndWait("find /proc/self/fd -mindepth 1 -fprintf " + out + R"( "%f -> %l\n")");

    close(inherited);
    close(pipeFds[0]);
    close(pipeFds[1]);
    ASSERT_EQ(result, 0);
    const std::string listing = Read(out);
    EXPECT_NE(listing.find("0 -> /dev/null\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("1 -> /dev/null\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("2 -> /dev/null\n"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("zezodi-marker"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("pipe:"), std::string::npos) << listing;
}

TEST_F(ProcessRunnerTest, Child_InheritsNoBlockedOrIgnoredSignals)
{
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR2);
    sigset_t previousMask;
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &blocked, &previousMask), 0);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previousAction = {};
    ASSERT_EQ(sigaction(SIGUSR1, &ignore, &previousAction), 0);

    const int result = RunAndWait("cp /proc/self/status " + PathOf("status"));

    sigaction(SIGUSR1, &previousAction, nullptr);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ASSERT_EQ(result, 0);
    const std::string status = Read(PathOf("status"));
    EXPECT_EQ(StatusLine(status, "SigBlk"), "\t0000000000000000");
    // glibc keeps its two internal signals (32, 33) ignored across the exec; the program's own
    // C library installs its handlers for them again.
    const unsigned long long ignored = std::stoull(StatusLine(status, "SigIgn"), nullptr, 16);
    EXPECT_EQ(ignored & 0x7fffffffULL, 0u) << StatusLine(status, "SigIgn");
}

TEST_F(ProcessRunnerTest, Child_LeadsAProcessGroupOfItsOwn_InOurSession)
{
    CProcessRunner runner{"cp /proc/self/stat " + PathOf("stat")};
    ASSERT_TRUE(runner.Start(true, false));
    const pid_t pid = runner.GetProcessId();
    ASSERT_TRUE(runner.WaitForExit(kPatience));
    ASSERT_EQ(runner.GetExitCode(), 0u);

    const std::vector<long> fields = StatFields(Read(PathOf("stat")));
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0], getpid());
    EXPECT_EQ(fields[1], pid);
    EXPECT_NE(fields[1], getpgrp());
    EXPECT_EQ(fields[2], getsid(0));
}

TEST_F(ProcessRunnerTest, NewConsole_GivesTheChildASessionOfItsOwn)
{
    CProcessRunner runner{"cp /proc/self/stat " + PathOf("stat")};
    ASSERT_TRUE(runner.Start(true, true));
    const pid_t pid = runner.GetProcessId();
    ASSERT_TRUE(runner.WaitForExit(kPatience));
    ASSERT_EQ(runner.GetExitCode(), 0u);

    const std::vector<long> fields = StatFields(Read(PathOf("stat")));
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[1], pid);
    EXPECT_EQ(fields[2], pid);
}

TEST_F(ProcessRunnerTest, NewRunner_HasNoChildAndExitCodeZero)
{
    CProcessRunner runner{"true"};
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_EQ(runner.GetExitCode(), 0u);
    EXPECT_TRUE(runner.WaitForExit(0ms));
    runner.Terminate();
    EXPECT_EQ(runner.GetExitCode(), 0u);
}

TEST_F(ProcessRunnerTest, RunningChild_ReportsStillActive_UntilTerminated)
{
    CProcessRunner runner{"sleep 30"};
    ASSERT_TRUE(runner.Start(true, false));
    const pid_t pid = runner.GetProcessId();
    ASSERT_GT(pid, 0);

    EXPECT_TRUE(runner.IsRunning());
    EXPECT_EQ(runner.GetExitCode(), CProcessRunner::kStillActive);
    EXPECT_FALSE(runner.WaitForExit(20ms));
    EXPECT_FALSE(runner.Start(true, false));
    EXPECT_EQ(runner.GetProcessId(), pid);

    runner.Terminate();
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_EQ(runner.GetExitCode(), 0u);
    EXPECT_TRUE(IsGoneAndReaped(pid));
}

TEST_F(ProcessRunnerTest, FinishedChild_IsReapedAndGivesItsCode)
{
    CProcessRunner runner{R"(sh -c "exit 3")"};
    ASSERT_TRUE(runner.Start(true, false));
    const pid_t pid = runner.GetProcessId();
    ASSERT_TRUE(runner.WaitForExit(kPatience));
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_EQ(runner.GetExitCode(), 3u);
    EXPECT_EQ(runner.GetProcessId(), 0);
    EXPECT_TRUE(IsGoneAndReaped(pid));
}

TEST_F(ProcessRunnerTest, DestroyingARunner_EndsAndReapsItsRunningChild)
{
    pid_t pid = 0;
    {
        CProcessRunner runner{"sleep 30"};
        ASSERT_TRUE(runner.Start(true, false));
        pid = runner.GetProcessId();
        ASSERT_TRUE(runner.IsRunning());
    }
    EXPECT_TRUE(IsGoneAndReaped(pid));
    EXPECT_TRUE(HasNoChildren());
}

TEST_F(ProcessRunnerTest, DestroyingARunner_AlsoEndsTheChildsOwnChildren)
{
    // Orphans come to this process instead of init, so the test can see how they end.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const std::string script =
        Write("fork.sh", "sleep 30 &\necho $! > \"$1.tmp\"\nmv \"$1.tmp\" \"$1\"\nwait\n");
    const std::string pidFile = PathOf("grandchild.pid");
    pid_t grandchild = 0;
    {
        CProcessRunner runner{"sh " + script + " " + pidFile};
        ASSERT_TRUE(runner.Start(true, false));
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!fs::exists(pidFile) && runner.IsRunning() &&
               std::chrono::steady_clock::now() < deadline) {
            runner.WaitForExit(10ms);
        }
        ASSERT_TRUE(fs::exists(pidFile));
        grandchild = std::stoi(Read(pidFile));
        ASSERT_TRUE(runner.IsRunning());
    }

    // Every orphan of the group (the sleep, perhaps a late mv) must end and come here.
    int grandchildStatus = 0;
    bool grandchildReaped = false;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
        int status = 0;
        const pid_t reaped = waitpid(-1, &status, WNOHANG);
        if (reaped == grandchild) {
            grandchildStatus = status;
            grandchildReaped = true;
        }
        if (reaped == -1 || std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        if (reaped == 0) {
            std::this_thread::sleep_for(5ms);
        }
    }
    if (!grandchildReaped) {
        kill(grandchild, SIGKILL);
        waitpid(grandchild, nullptr, 0);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    ASSERT_TRUE(grandchildReaped);
    EXPECT_TRUE(WIFSIGNALED(grandchildStatus));
    EXPECT_EQ(WTERMSIG(grandchildStatus), SIGKILL);
    EXPECT_TRUE(HasNoChildren());
}
