#include "tests/support/ToolProcess.h"
#include "tests/unit/SyncTestTree.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct SResult
{
    int status = -1;
    std::string out;
    std::string err;
};

class CtlSyncTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog(); }

    // Runs the real zezodictl with this test's Windows directory; stdout is caught in a file.
    // Waits at most 30 seconds, then kills it.
    SResult Run(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
    {
        std::vector<std::string> argv{ZEZODICTL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        CToolProcess tool;
        SResult result;
        if (!tool.Start(argv, env, tree.Path("ctl.out"), tree.Path("ctl.err"))) {
            return result;
        }
        const std::optional<int> status = tool.Wait(std::chrono::seconds{30});
        if (!status) {
            ADD_FAILURE() << "zezodictl did not end";
            return result;
        }
        result.status = *status;
        result.out = tree.Get("ctl.out");
        result.err = tree.Get("ctl.err");
        return result;
    }

    CSyncTestTree tree;
};

TEST_F(CtlSyncTest, Sync_PrintsItsRowsAndIsSkippedOnceApplied)
{
    const std::string crc = tree.Publish("Db1", "a.dbf", "A");
    tree.Catalogue("[Setup]\nLastSync=65A0B1C2\n[Db1]\nFile1=a.dbf\nCrc1=" + crc + "\n");

    const SResult first = Run({"sync"});
    EXPECT_EQ(first.status, 0);
    EXPECT_NE(first.out.find("file\ta.dbf\t.dbf\t" + tree.Path("drive/db1") + "\t\t0 KB\t\t" + crc +
                             "\tUpdated\n"),
              std::string::npos)
        << first.out;
    EXPECT_NE(first.out.find("Synchronization started manually. Please wait ..."),
              std::string::npos);
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "A");

    EXPECT_EQ(Run({"sync"}).status, 3);
    const SResult forced = Run({"sync", "--force"});
    EXPECT_EQ(forced.status, 0);
    EXPECT_NE(forced.out.find("\tIdentical\n"), std::string::npos);
}

TEST_F(CtlSyncTest, Sync_FailsWhenAFileOrTheCatalogueIsMissing)
{
    EXPECT_EQ(Run({"sync"}).status, 1);

    tree.Catalogue("[Setup]\nLastSync=65A0B1C2\n[Db1]\nFile1=gone.dbf\nCrc1=1\n");
    const SResult result = Run({"sync"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("\tFailed\n"), std::string::npos);
}

// One catalogue with a file of every kind: the dry run names what a run would do with each,
// and afterwards every local file, zezodi.ini, the log and the download directory are as they
// were.
TEST_F(CtlSyncTest, DryRun_ListsWhatARunWouldDoAndChangesNothing)
{
    const struct
    {
        const char* name;
        const char* local; // nullptr: missing here
        std::time_t localTime;
        const char* onlyNotExistent;
        const char* expected;
    } cases[] = {
        {"missing.dbf", nullptr, 0, "0", "download"},
        {"older.dbf", "old", 1'000'000'000, "0", "replace"},
        {"newer.dbf", "mine", 4'000'000'000, "0", "keep aside"},
        {"same.dbf", "P", 1'000'000'000, "0", "leave"},
        {"absent-only.dbf", "mine", 1'000'000'000, "1", "leave"},
    };
    std::string catalogue = "[Setup]\nLastSync=65A0B1C2\n[Db1]\n";
    int number = 0;
    for (const auto& c : cases) {
        const std::string crc = tree.Publish("Db1", c.name, "P");
        tree.SetTime(tree.WebFile("Db1", c.name), 2'000'000'000);
        const std::string n = std::to_string(++number);
        catalogue += "File" + n + "=" + c.name + "\nCrc" + n + "=" + crc + "\nOnlyNotExistent" + n +
                     "=" + c.onlyNotExistent + "\n";
        if (c.local != nullptr) {
            tree.Put(std::string{"drive/db1/"} + c.name, c.local);
            tree.SetTime(std::string{"drive/db1/"} + c.name, c.localTime);
        }
    }
    tree.Catalogue(catalogue);
    const std::string iniBefore = tree.Get("windows/zezodi.ini");

    const SResult result = Run({"sync", "--dry-run"});
    EXPECT_EQ(result.status, 0) << result.out;
    for (const auto& c : cases) {
        EXPECT_NE(result.out.find(std::string{c.expected} + "\t" + tree.Path("drive/db1") + "/" +
                                  c.name + "\n"),
                  std::string::npos)
            << c.name << "\n"
            << result.out;
        EXPECT_EQ(tree.Exists(std::string{"drive/db1/"} + c.name), c.local != nullptr) << c.name;
        if (c.local != nullptr) {
            EXPECT_EQ(tree.Get(std::string{"drive/db1/"} + c.name), c.local) << c.name;
            EXPECT_EQ(tree.Time(std::string{"drive/db1/"} + c.name), c.localTime) << c.name;
        }
    }
    EXPECT_NE(result.out.find("Dry run, nothing changed: 1 to download, 1 to replace, 1 newer "
                              "local files to keep aside and replace, 2 to leave, 0 failed\n"),
              std::string::npos)
        << result.out;
    // The progress line ends with every file and the bytes of the local copies.
    EXPECT_NE(result.err.find("files 5 of 5, 12 bytes\n"), std::string::npos) << result.err;
    EXPECT_EQ(tree.Get("windows/zezodi.ini"), iniBefore);
    EXPECT_FALSE(tree.Exists("drive/jxt/log/zezodi.log"));
    EXPECT_FALSE(tree.Exists("drive/jxt/download"));
    EXPECT_EQ(Run({"sync", "--dry-run"}).status, 0);
}

// A dry run killed before its clean-up leaves its temporary directory: the next dry run
// removes those whose process is gone, and only those.
TEST_F(CtlSyncTest, DryRun_RemovesWhatKilledDryRunsLeft)
{
    tree.Catalogue("[Setup]\nLastSync=65A0B1C2\n[Db1]\n");
    const pid_t gone = fork();
    if (gone == 0) {
        _exit(0);
    }
    ASSERT_GT(gone, 0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string abandoned = "tmp/zezodictl-dry-run-" + std::to_string(gone) + "-Ab12Cd";
    const std::string running = "tmp/zezodictl-dry-run-" + std::to_string(getpid()) + "-Ef34Gh";
    tree.Put(abandoned + "/windows/zezodi.ini", "[Config]\n");
    tree.Put(running + "/windows/zezodi.ini", "[Config]\n");
    tree.Put("tmp/zezodictl-dry-run-other/keep", "not a dry run's");

    EXPECT_EQ(Run({"sync", "--dry-run"}, {"TMPDIR=" + tree.Path("tmp")}).status, 0);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(tree.Path("tmp"))) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left,
              (std::vector<std::string>{"zezodictl-dry-run-" + std::to_string(getpid()) + "-Ef34Gh",
                                        "zezodictl-dry-run-other"}));
}

TEST_F(CtlSyncTest, Sync_RefusesOtherArguments)
{
    EXPECT_EQ(Run({"sync", "--now"}).status, 2);
    EXPECT_EQ(Run({"sync", "--dry-run", "--dry-run"}).status, 2);
}

// Processes whose command line holds `part`.
std::vector<pid_t> ProcessesWith(const std::string& part)
{
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        const std::string line{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        std::ifstream stat(entry.path() / "stat");
        std::string fields{std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>()};
        const bool zombie =
            fields.size() > fields.rfind(')') + 2 && fields[fields.rfind(')') + 2] == 'Z';
        if (!zombie && line.find(part) != std::string::npos) {
            found.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return found;
}

// Entries of dir whose names begin like the run's temporaries.
std::vector<std::string> Temporaries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".zezodi-", 0) == 0) {
            names.push_back(name);
        }
    }
    return names;
}

template <typename Condition> bool WaitFor(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{20};
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{20});
    }
    return true;
}

// A catalogue of one big file, sent slowly so that its download is still going when the
// test signals the run; the local copy is "local". Gives the catalogue.
std::string ServeOneBigFileSlowly(CSyncTestTree& tree)
{
    const std::string big(1 << 20, 'b');
    const std::string catalogue =
        "[Setup]\nLastSync=65A0B1C2\n[Db1]\nFile1=big.dbf\nCrc1=" + CSyncTestTree::CrcText(big) +
        "\n";
    tree.Put("web/slow/zezodi.txt", catalogue);
    tree.Put("web/slow/Db1/big.dbf", big);
    tree.WriteIni("WebDocPath", tree.Server().BaseUrl() + "/slow");
    tree.Put("drive/db1/big.dbf", "local");
    return catalogue;
}

TEST_F(CtlSyncTest, TerminatedSync_StopsItsDownloadAndLeavesTheLocalFile)
{
    ServeOneBigFileSlowly(tree);
    CToolProcess tool;
    ASSERT_TRUE(tool.Start({ZEZODICTL_PATH, "sync"}, {}, "/dev/null", "/dev/null"));
    const std::string url = tree.Server().BaseUrl() + "/slow/Db1/big.dbf";
    ASSERT_TRUE(WaitFor([&] { return !ProcessesWith(url).empty(); }));
    ASSERT_TRUE(tool.Signal(SIGTERM));
    // The download alone would take two minutes.
    EXPECT_EQ(tool.Wait(std::chrono::seconds{20}), std::optional<int>{1});
    EXPECT_TRUE(ProcessesWith(url).empty());
    EXPECT_EQ(tree.Get("drive/db1/big.dbf"), "local");
    EXPECT_TRUE(Temporaries(tree.Path("drive/jxt/download")).empty());
    EXPECT_EQ(tree.Get("windows/zezodi.ini").find("LastPrimSync=65A0B1C2"), std::string::npos);
}

TEST_F(CtlSyncTest, KilledSync_LeavesNoProgramRunningAndTheNextRunRemovesItsTemporaries)
{
    const std::string catalogue = ServeOneBigFileSlowly(tree);
    const std::string big(1 << 20, 'b');
    CToolProcess tool;
    ASSERT_TRUE(tool.Start({ZEZODICTL_PATH, "sync"}, {}, "/dev/null", "/dev/null"));
    const std::string url = tree.Server().BaseUrl() + "/slow/Db1/big.dbf";
    ASSERT_TRUE(WaitFor([&] { return !ProcessesWith(url).empty(); }));
    ASSERT_TRUE(tool.Signal(SIGKILL));
    EXPECT_EQ(tool.Wait(std::chrono::seconds{20}), std::optional<int>{-1});

    if (!WaitFor([&] { return ProcessesWith(url).empty(); })) {
        ADD_FAILURE() << "wget outlived the killed run";
        for (const pid_t survivor : ProcessesWith(url)) {
            kill(survivor, SIGKILL);
        }
    }
    const std::string download = tree.Path("drive/jxt/download");
    const std::vector<std::string> left = Temporaries(download);
    ASSERT_EQ(left.size(), 1u);
    // A copy the killed run had begun beside the local file, under its name scheme.
    const std::string killedPid = left[0].substr(8, left[0].find('-', 8) - 8);
    tree.Put("drive/db1/.zezodi-" + killedPid + "-Ab12Cd.tmp", "half a copy");
    EXPECT_EQ(tree.Get("drive/db1/big.dbf"), "local");

    tree.Put("web/syncdata/zezodi.txt", catalogue);
    tree.Put("web/syncdata/Db1/big.dbf", big);
    tree.WriteIni("WebDocPath", tree.WebPath());
    EXPECT_EQ(Run({"sync"}).status, 0);
    EXPECT_EQ(tree.Get("drive/db1/big.dbf"), big);
    EXPECT_TRUE(Temporaries(download).empty());
    EXPECT_TRUE(Temporaries(tree.Path("drive/db1")).empty());
}

} // namespace
