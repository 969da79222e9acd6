#include "primary/FleetStatus.h"

#include "ProfileTempDir.h"
#include "primary/FleetStateFile.h"
#include "secondary/LastRunFile.h"

#include <gtest/gtest.h>

namespace {

using State = CFleetStatus::EState;
constexpr std::int64_t kNow = 1'800'000'000;
constexpr std::int64_t kSilent = 3600;

SClientReport Report(std::string address, std::string name, int code, std::int64_t age,
                     std::string stamp = "", bool detailed = true)
{
    SClientReport report{std::move(address), std::move(name), detailed, {}};
    report.outcome.finished = kNow - age;
    report.outcome.code = code;
    report.outcome.stamp = std::move(stamp);
    report.outcome.identical = 7;
    return report;
}

TEST(FleetStatusTest, JudgesEachClientByItsLastReport)
{
    const std::vector<CClientRegistry::CClient> clients{
        {"north", "127.0.0.2", "Hall A"}, {"south", "127.0.0.3", ""}, {"east", "127.0.0.4", ""},
        {"west", "127.0.0.5", ""},        {"old", "127.0.0.6", ""},   {"quiet", "127.0.0.7", ""},
        {"win", "127.0.0.8", ""},         {"moved", "127.0.0.9", ""}};
    const std::vector<SClientReport> reports{
        Report("127.0.0.2", "vm", 1, 10, "00AB"), Report("127.0.0.3", "south", -1, 10, "00AB"),
        Report("127.0.0.4", "east", 0, 10), Report("127.0.0.6", "old", 1, 10, "00AA"),
        Report("127.0.0.7", "quiet", 1, kSilent + 1, "00AB"),
        Report("127.0.0.8", "win", 1, 10, "", false),
        // Another address, but the name of a listed client without a report of its own.
        Report("127.0.0.99", "MOVED", 1, 10, "00AB"),
        Report("127.0.0.50", "stranger", 1, 10, "00AB")};
    const auto rows = CFleetStatus::Judge(clients, reports, "00AB", kNow, kSilent);
    ASSERT_EQ(rows.size(), 9U);
    const std::vector<State> expected{State::InSync,     State::Failed, State::Failed,
                                      State::NeverHeard, State::Behind, State::Silent,
                                      State::InSync,     State::InSync, State::InSync};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].state, expected[i]) << rows[i].name;
    }
    EXPECT_EQ(rows[0].name, "north"); // the list's name, not the host name it sent
    EXPECT_EQ(rows[0].location, "Hall A");
    EXPECT_EQ(rows[7].last.address, "127.0.0.99");
    EXPECT_EQ(rows[8].name, "stranger");
    EXPECT_EQ(rows[8].address, "127.0.0.50");
}

TEST(FleetStatusTest, StateFileKeepsTheLastReportPerAddressAndSkipsBrokenLines)
{
    CProfileTempDir dir;
    const CFleetStateFile file{CFleetStateFile::PathIn(dir.Path().string())};
    EXPECT_TRUE(file.Load().empty());
    ASSERT_TRUE(file.Record(Report("127.0.0.2", "north", -1, 50, "00AA")));
    ASSERT_TRUE(file.Record(Report("127.0.0.3", "tab\there", 1, 40, "00AB")));
    ASSERT_TRUE(file.Record(Report("127.0.0.2", "north", 1, 30, "00AB")));
    CProfileTempDir::Put(file.Path(), CProfileTempDir::Get(file.Path()) + "garbage\tline\n");

    const auto records = file.Load();
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[0].name, "tab\\x09here");
    EXPECT_EQ(records[1].address, "127.0.0.2");
    EXPECT_EQ(records[1].outcome.code, 1);
    EXPECT_EQ(records[1].outcome.finished, kNow - 30);
    EXPECT_EQ(records[1].outcome.stamp, "00AB");
    EXPECT_EQ(records[1].outcome.identical, 7);
    EXPECT_TRUE(records[1].detailed);
}

TEST(FleetStatusTest, StateFileForgetsTheOldestBeyondItsBound)
{
    CProfileTempDir dir;
    const CFleetStateFile file{dir.File("fleet.txt")};
    for (std::size_t i = 0; i <= CFleetStateFile::kMaxRecords; ++i) {
        ASSERT_TRUE(
            file.Record(Report("10.0." + std::to_string(i / 200) + "." + std::to_string(i % 200),
                               "c", 1, 1000 - static_cast<std::int64_t>(i))));
    }
    const auto records = file.Load();
    ASSERT_EQ(records.size(), CFleetStateFile::kMaxRecords);
    EXPECT_EQ(records.front().address, "10.0.0.1");
}

TEST(FleetStatusTest, LastRunFileReadsBackWhatItSaved)
{
    CProfileTempDir dir;
    const CLastRunFile file{CLastRunFile::PathIn(dir.Path().string())};
    SRunOutcome outcome;
    std::int64_t next = 0;
    EXPECT_FALSE(file.Load(outcome, next));
    const SRunOutcome saved{kNow, -1, "00AB", 3, 2, 1, 123456789012ULL, 4500};
    ASSERT_TRUE(file.Save(saved, kNow + 60));
    ASSERT_TRUE(file.Load(outcome, next));
    EXPECT_EQ(next, kNow + 60);
    EXPECT_EQ(outcome.finished, kNow);
    EXPECT_EQ(outcome.code, -1);
    EXPECT_EQ(outcome.stamp, "00AB");
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_EQ(outcome.bytesFetched, 123456789012ULL);
    EXPECT_EQ(outcome.durationMs, 4500);
}

} // namespace
