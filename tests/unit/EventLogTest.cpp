#include "core/EventLog.h"

#include "tests/unit/ProfileTempDir.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// 2024-03-05 07:08:09 UTC.
constexpr std::time_t kEventTime = 1709622489;

std::time_t FixedClock()
{
    return kEventTime;
}

class EventLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("TZ"))
            m_oldTz = old;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        CEventLog::SetClock(&FixedClock);
        fs::create_directories(m_dir / "log");
    }

    void TearDown() override
    {
        CEventLog::SetClock(nullptr);
        if (m_oldTz)
            setenv("TZ", m_oldTz->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    std::string LogText() const
    {
        std::ifstream in(m_dir / "log" / "zezodi.log", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string LogDirectory() const { return (m_dir / "log").string(); }

    CProfileTempDir m_temp;
    const fs::path m_dir{m_temp.Path()};
    std::optional<std::string> m_oldTz;
};

TEST_F(EventLogTest, WriteLog_WritesLocalTimeAndTextWithLineFeed)
{
    CEventLog::WriteLog(LogDirectory(), "Preparation for synchronization started manually");
    EXPECT_EQ(LogText(),
              "05.03.2024, 08:08:09, Preparation for synchronization started manually\n");
}

TEST_F(EventLogTest, WriteLog_AppendsLinesInCallOrderAndKeepsExistingContent)
{
    std::ofstream(m_dir / "log" / "zezodi.log", std::ios::binary) << "earlier line\n";
    CEventLog::WriteLog(LogDirectory() + "/", "first");
    CEventLog::WriteLog(LogDirectory(), "second");
    EXPECT_EQ(LogText(), "earlier line\n"
                         "05.03.2024, 08:08:09, first\n"
                         "05.03.2024, 08:08:09, second\n");
}

TEST_F(EventLogTest, WriteLog_WritesPercentSignsAndLineBreaksUnchanged)
{
    CEventLog::WriteLog(LogDirectory(), "100% done %s %d %n\nnext");
    EXPECT_EQ(LogText(), "05.03.2024, 08:08:09, 100% done %s %d %n\nnext\n");
}

TEST_F(EventLogTest, WriteLog_UsesTwoDigitFieldsAndSummerTime)
{
    // 2023-07-01 22:05:03 UTC is 00:05:03 on the next day in central European summer time.
    CEventLog::SetClock([] { return std::time_t{1688249103}; });
    CEventLog::WriteLog(LogDirectory(), "x");
    EXPECT_EQ(LogText(), "02.07.2023, 00:05:03, x\n");
}

TEST_F(EventLogTest, WriteLog_MissingDirectoryCreatesNothing)
{
    const fs::path missing = m_dir / "nolog";
    CEventLog::WriteLog(missing.string(), "lost line");
    EXPECT_FALSE(fs::exists(missing));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_dir))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST_F(EventLogTest, WriteLog_EmptyDirectoryWritesNothingIntoTheCurrentDirectory)
{
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    CEventLog::WriteLog("", "lost line");
    fs::current_path(before);
    EXPECT_FALSE(fs::exists(m_dir / "zezodi.log"));
}

TEST_F(EventLogTest, ReportTime_HasNoTextPart)
{
    EXPECT_EQ(CEventLog::ReportTime(), "05.03.2024, 08:08:09");
    EXPECT_EQ(CEventLog::FormatTime(0), "01.01.1970, 01:00:00");
}

TEST(EventLogPaths, LogDirectory_IsTheLogSubdirectory)
{
    EXPECT_EQ(CEventLog::LogDirectory("/srv/orvenda/jxt"), "/srv/orvenda/jxt/log");
    EXPECT_EQ(CEventLog::LogDirectory("/srv/orvenda/jxt/"), "/srv/orvenda/jxt/log");
}

TEST(EventLogClock, WithoutInjectedClock_LineCarriesCurrentTime)
{
    const fs::path dir =
        fs::temp_directory_path() / ("zezodi-eventlog-now-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::time_t before = std::time(nullptr);
    CEventLog::WriteLog(dir.string(), "now");
    const std::time_t after = std::time(nullptr);
    std::ifstream in(dir / "zezodi.log", std::ios::binary);
    const std::string line{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    fs::remove_all(dir);
    bool matched = false;
    for (std::time_t t = before; t <= after; ++t)
        matched = matched || line == CEventLog::FormatTime(t) + ", now\n";
    EXPECT_TRUE(matched) << line;
}

} // namespace
