#include "tests/support/ToolProcess.h"
#include "tests/unit/SyncTestTree.h"

#include <chrono>
#include <optional>

#include <gtest/gtest.h>

namespace {

struct SResult
{
    int status = -1;
    std::string out;
};

class CtlSyncTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog(); }

    // Runs the real zezodictl with this test's Windows directory; stdout is caught in a file.
    // Waits at most 30 seconds, then kills it.
    SResult Run(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{ZEZODICTL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        CToolProcess tool;
        SResult result;
        if (!tool.Start(argv, {}, tree.Path("ctl.out"), "/dev/null")) {
            return result;
        }
        const std::optional<int> status = tool.Wait(std::chrono::seconds{30});
        if (!status) {
            ADD_FAILURE() << "zezodictl did not end";
            return result;
        }
        result.status = *status;
        result.out = tree.Get("ctl.out");
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

TEST_F(CtlSyncTest, Sync_RefusesOtherArguments)
{
    EXPECT_EQ(Run({"sync", "--now"}).status, 2);
}

} // namespace
