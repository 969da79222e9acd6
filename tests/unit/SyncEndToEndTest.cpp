#include "core/EventLog.h"
#include "primary/CatalogueBuilder.h"
#include "primary/FileListSink.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SyncEngine.h"
#include "tests/unit/SyncTestTree.h"

#include <gtest/gtest.h>

namespace {

class CBuilderSinks : public CReportSink, public CFileListSink
{
public:
    void AddReportLine(const std::string& text, int image) override
    {
        if (image == CReportSink::ImageError) {
            errors.push_back(text);
        }
    }
    void ClearFiles() override {}
    void AddFileRow(const CFileRow&) override {}
    void SetLastSync(const std::string&) override {}
    void SetBusy(bool) override {}

    std::vector<std::string> errors;
};

// The primary's source file and where the secondary must hold the same content.
struct SPlace
{
    std::string primary;
    std::string secondary;
};

TEST(SyncEndToEndTest, EmptySecondary_HoldsEveryPublishedFileAfterOneRun)
{
    CSyncTestTree tree;
    ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog();
    const std::vector<SPlace> places = {
        {"primary/drive/db1/alarm.dbf", "drive/db1/alarm.dbf"},
        {"primary/drive/db1/small.dbf", "drive/db1/small.dbf"},
        {"primary/drive/dbv1/v12_1.wav", "drive/dbv1/v12_1.wav"},
        {"primary/drive/jxt/setup.jxt", "drive/jxt/setup.jxt"},
        {"primary/drive/jxt/read me.txt", "drive/jxt/read me.txt"},
        {"primary/windows/jxaview.ini", "windows/jxaview.ini"},
        {"primary/drive/jx_web/htdocs/index.php", "drive/jx_web/htdocs/index.php"},
        {"primary/drive/jx_web/htdocs/images/logo.gif", "drive/jx_web/htdocs/images/logo.gif"},
        {"primary/drive/jx_web/htdocs/images/icons/bell.ico",
         "drive/jx_web/htdocs/images/icons/bell.ico"},
    };
    for (std::size_t i = 0; i < places.size(); ++i) {
        // Above the 1 KB threshold for some, so that packed copies travel too.
        tree.Put(places[i].primary, std::string(400 * i + 10, static_cast<char>('a' + i)));
    }
    std::filesystem::create_directories(tree.Path("primary/windows"));
    std::filesystem::create_directories(tree.Path("primary/drive/jxt/log"));
    std::filesystem::create_directories(tree.Path("drive/jx_web/htdocs"));

    setenv("ZEZODI_WINDIR", tree.Path("primary/windows").c_str(), 1);
    SPrimarySettings primary;
    primary.webDir = tree.Path("web/syncdata");
    primary.cataloguePath = primary.webDir + "/zezodi.txt";
    primary.workingCopyPath = primary.webDir + "/zezodi.tmp";
    primary.installDir = tree.Path("primary/drive/jxt");
    primary.logDir = tree.Path("primary/drive/jxt/log");
    primary.zipIfBigger = 1;
    CBuilderSinks builderSinks;
    CCatalogueBuilder builder{primary, builderSinks, builderSinks};
    ASSERT_EQ(builder.BuildCatalogue(), 1)
        << (builderSinks.errors.empty() ? "" : builderSinks.errors[0]);
    ASSERT_TRUE(tree.Exists("web/syncdata/htdocs/index.php.gz"));

    setenv("ZEZODI_WINDIR", tree.Path("windows").c_str(), 1);
    CRecordingSinks sinks;
    SSecondarySettings settings = CSecondaryConfig{sinks}.Normalise();
    CSyncEngine engine{settings, sinks, sinks};
    engine.SetRowPause(std::chrono::milliseconds{0});

    ASSERT_EQ(engine.SyncRun(CSyncEngine::kModeManual), CSyncEngine::kDone);

    EXPECT_EQ(engine.FilesFailed(), 0);
    EXPECT_FALSE(engine.FailureFlag());
    EXPECT_EQ(engine.FilesSynchronized(), static_cast<int>(places.size()));
    for (const SPlace& place : places) {
        EXPECT_EQ(tree.Get(place.secondary), tree.Get(place.primary)) << place.secondary;
        EXPECT_EQ(tree.Time(place.secondary), tree.Time(place.primary)) << place.secondary;
    }

    ASSERT_EQ(engine.SyncRun(CSyncEngine::kModeForced), CSyncEngine::kDone);
    EXPECT_EQ(engine.FilesIdentical(), static_cast<int>(places.size()));
    EXPECT_EQ(engine.FilesSynchronized(), 0);
}

} // namespace
