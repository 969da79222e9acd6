#include "PrimaryTree.h"
#include "core/CatalogueReader.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"
#include "primary/CatalogueBuilder.h"

#include <ctime>
#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// Where among the build's checks between files the operator stops it.
enum class EStopAt
{
    First,
    Middle,
    Last,
};

class PreparationStopTest : public ::testing::TestWithParam<EStopAt>
{
protected:
    void SetUp() override
    {
        m_settings.installDir = m_tree.Install().string();
        m_settings.logDir = (m_tree.Install() / "log").string();
        m_settings.webDir = Web().string();
        // Packers at work when the stop comes.
        m_settings.zipIfBigger = 0;
        fs::create_directories(Web());
    }

    fs::path Web() const { return m_tree.Install() / "syncdata"; }
    fs::path Generations() const { return Web().parent_path() / ".syncdata.generations"; }

    // Every source of the run: a file group, a directory tree and the INI files.
    void WriteSources(const std::string& content) const
    {
        for (const char* name : {"a.dbf", "b.dbf", "c.dbf"}) {
            CPrimaryTree::Put(m_tree.Root() / "db1" / name, content + name);
        }
        const fs::path htdocs = m_tree.Root() / "jx_web" / "htdocs";
        CPrimaryTree::Put(htdocs / "one" / "page.htm", content + "page");
        CPrimaryTree::Put(htdocs / "one" / "deep" / "more.htm", content + "more");
        CPrimaryTree::Put(m_tree.Windows() / "jxamsg1.ini", content + "[Msg]\n");
    }

    // The run's result; checks counts the stop request's questions, and the run stops at the
    // question numbered stopAt (0: never).
    int Build(int stopAt, int& checks)
    {
        CCatalogueBuilder builder{m_settings, m_sinks, m_sinks,
                                  [] { return std::time_t{0x5F5E1000}; }};
        checks = 0;
        builder.SetStopRequest([&checks, stopAt] { return ++checks >= stopAt && stopAt > 0; });
        return builder.BuildCatalogue();
    }

    // Every file the web directory serves, with its bytes, and the generations there are.
    std::map<std::string, std::string> Served() const
    {
        std::map<std::string, std::string> served;
        for (const auto& entry : fs::recursive_directory_iterator{fs::canonical(Web())}) {
            if (entry.is_regular_file()) {
                served[fs::relative(entry.path(), fs::canonical(Web())).string()] =
                    CPrimaryTree::Get(entry.path());
            }
        }
        for (const auto& entry : fs::directory_iterator{Generations()}) {
            served["generation " + entry.path().filename().string()];
        }
        return served;
    }

    static std::string LastSync()
    {
        return CProfileStore::ReadText("Config", "LastSync", "", 40, "zezodi.ini");
    }

    CPrimaryTree m_tree;
    CRecordingSinks m_sinks;
    SPrimarySettings m_settings;
};

} // namespace

TEST_P(PreparationStopTest, StoppedBuild_LeavesTheServedGenerationAsItWas)
{
    WriteSources("first ");
    int checks = 0;
    ASSERT_EQ(Build(0, checks), 1);
    const int all = checks;
    ASSERT_GE(all, 6);
    const std::map<std::string, std::string> before = Served();
    const std::string lastSync = LastSync();
    const std::string shownLastSync = m_sinks.lastSync;
    ASSERT_FALSE(lastSync.empty());
    m_sinks.reports.clear();
    m_sinks.lastSync.clear();

    WriteSources("second ");
    const int stopAt = GetParam() == EStopAt::First    ? 1
                       : GetParam() == EStopAt::Middle ? all / 2
                                                       : all;
    EXPECT_EQ(Build(stopAt, checks), -1);

    EXPECT_EQ(Served(), before);
    EXPECT_EQ(LastSync(), lastSync);
    EXPECT_TRUE(m_sinks.lastSync.empty());
    ASSERT_FALSE(m_sinks.reports.empty());
    EXPECT_EQ(m_sinks.reports.back().first, CStringTable::Text(StringId::PreparationStopped));
    for (const auto& [text, image] : m_sinks.reports) {
        EXPECT_NE(text, CStringTable::Text(StringId::PreparationFailed));
    }
    EXPECT_NE(CPrimaryTree::Get(m_tree.Install() / "log" / "zezodi.log")
                  .find("Preparation for synchronization stopped before its end"),
              std::string::npos);

    // The next build is not stopped and publishes what the sources hold now.
    EXPECT_EQ(Build(0, checks), 1);
    EXPECT_EQ(CCatalogueReader{(Web() / "zezodi.txt").string()}.Entries("Db1").size(), 3U);
    EXPECT_EQ(CPrimaryTree::Get(Web() / "IniFiles" / "jxamsg1.ini"), "second [Msg]\n");
    EXPECT_EQ(std::distance(fs::directory_iterator{Generations()}, fs::directory_iterator{}), 1);
}

INSTANTIATE_TEST_SUITE_P(StopPoints, PreparationStopTest,
                         ::testing::Values(EStopAt::First, EStopAt::Middle, EStopAt::Last));
