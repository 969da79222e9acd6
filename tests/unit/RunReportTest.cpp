#include "core/PrimaryListener.h"
#include "core/SyncResultSender.h"
#include "primary/FileListSink.h"
#include "primary/FleetStateFile.h"
#include "primary/PrimaryService.h"
#include "secondary/LastRunFile.h"
#include "secondary/SecondaryService.h"
#include "secondary/SyncEngine.h"
#include "tests/unit/ProtocolPeers.h"
#include "tests/unit/SyncTestTree.h"

#include <atomic>
#include <mutex>

#include <gtest/gtest.h>

using namespace ProtocolPeers;

namespace {

constexpr const char* kStamp = "65A0B1C2";

// The primary's side of the reports: the lines and the reports as they were recorded.
class CReportRecorder : public CSyncResultSink
{
public:
    void AddSyncResultLine(const std::string& text) override { lines.Add(text); }
    void RecordSyncResult(const SClientReport& report) override
    {
        const std::lock_guard lock{m_mutex};
        m_reports.push_back(report);
    }

    std::vector<SClientReport> Reports()
    {
        const std::lock_guard lock{m_mutex};
        return m_reports;
    }

    CTextQueue lines;

private:
    std::mutex m_mutex;
    std::vector<SClientReport> m_reports;
};

TEST(RunReportTest, EveryRunReportsItsDetails_TimedOnesUnlessSwitchedOff)
{
    CSyncTestTree tree;
    ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog();
    const std::string crc = tree.Publish("Db1", "alarm.dbf", "new alarm data");
    tree.Catalogue(std::string{"[Setup]\nLastSync="} + kStamp +
                   "\n[Db1]\nFile1=alarm.dbf\nCrc1=" + crc + "\n");
    const int port = FreePort();
    tree.WriteIni("Port2", std::to_string(port));
    CReportRecorder primary;
    CPrimaryListener listener{"PRIMARY", port, &primary};
    listener.SetAllowedClients([] { return std::string{"127.0.0.1"}; });
    ASSERT_TRUE(listener.Start());

    CRecordingSinks sinks;
    CSecondaryService service{sinks, sinks, sinks};
    service.Initialise();
    service.Engine().SetRowPause(std::chrono::milliseconds{0});
    // The web server's host is where the reports go.
    EXPECT_EQ(service.ResultAddress(), "127.0.0.1");
    // The listener reads its clients on a thread of its own and closes a peer it does not
    // know yet unread: once a first report has been recorded, it knows this one.
    const CSyncResultSender probe{"probe", port};
    ASSERT_EQ(UntilNotRefused(
                  [&] {
                      probe.SendSyncResult("127.0.0.1", 1);
                      return static_cast<int>(primary.Reports().size());
                  },
                  0),
              1);
    service.RunAndReport(CSyncEngine::kModeManual);
    EXPECT_EQ(service.LastOutcome().bytesFetched, std::string_view{"new alarm data"}.size());
    service.OnTimer();
    tree.WriteIni("ReportTimedRuns", "0");
    service.Initialise();
    service.OnTimer();
    service.RunAndReport(CSyncEngine::kModeForced);

    std::vector<SClientReport> reports = primary.Reports();
    ASSERT_EQ(reports.size(), 4U);
    reports.erase(reports.begin());
    EXPECT_EQ(reports[0].address, "127.0.0.1");
    EXPECT_EQ(reports[0].name, service.Settings().computerName);
    EXPECT_TRUE(reports[0].detailed);
    EXPECT_EQ(reports[0].outcome.code, 1);
    EXPECT_EQ(reports[0].outcome.stamp, kStamp);
    EXPECT_EQ(reports[0].outcome.synchronised, 1);
    // The timed run found the catalogue applied and did nothing: that is a success too.
    EXPECT_EQ(reports[1].outcome.code, 1);
    EXPECT_EQ(reports[1].outcome.stamp, kStamp);
    EXPECT_EQ(reports[1].outcome.synchronised, 0);
    EXPECT_EQ(reports[2].outcome.identical, 1);

    SRunOutcome saved;
    std::int64_t nextRun = -1;
    ASSERT_TRUE(CLastRunFile{CLastRunFile::PathIn(service.Settings().logDir)}.Load(saved, nextRun));
    EXPECT_EQ(saved.identical, 1);
    EXPECT_EQ(saved.stamp, kStamp);
    EXPECT_EQ(nextRun, 0);
    EXPECT_EQ(service.LastOutcome().identical, 1);
    EXPECT_EQ(service.LastOutcome().bytesFetched, 0U);
}

// The primary's window as far as the listener is concerned: nothing of it is shown.
class CNoFileList : public CFileListSink
{
public:
    void ClearFiles() override {}
    void AddFileRow(const CFileRow&) override {}
    void SetLastSync(const std::string&) override {}
    void SetBusy(bool) override {}
};

TEST(RunReportTest, PrimaryWithoutDialog_RecordsTheReportAndNamesTheClientAsListed)
{
    CSyncTestTree tree;
    tree.Put("windows/zezodi.ini",
             "[SecondaryServers]\nClientName1=alarm-north\nClientIP1=127.0.0.2\n");
    const int port = FreePort();
    CRecordingSinks sinks;
    CNoFileList files;
    CPrimaryService service{sinks, files, sinks};
    service.Settings().computerName = "PRIMARY";
    service.Settings().port2 = port;
    service.Settings().logDir = tree.Path("drive/jxt/log");
    std::atomic<int> observed{0};
    service.SetFleetObserver([&observed] { ++observed; });

    CSyncResultSender sender{"vm", port};
    sender.SetSourceAddress("127.0.0.2");
    const SRunOutcome outcome{.stamp = kStamp, .identical = 4, .synchronised = 2, .failed = 1};
    // Repeated until the primary has recorded it (see above); the number recorded.
    const auto report = [&](int code) {
        const int before = observed.load();
        return UntilNotRefused(
            [&] {
                sender.SendSyncResult("127.0.0.1", code, &outcome);
                return observed.load() - before;
            },
            0);
    };
    ASSERT_TRUE(service.StartListener(nullptr));
    ASSERT_EQ(report(-1), 1);
    const std::vector<SClientReport> records =
        CFleetStateFile{CFleetStateFile::PathIn(service.Settings().logDir)}.Load();
    ASSERT_EQ(records.size(), 1U);
    EXPECT_EQ(records[0].address, "127.0.0.2");
    EXPECT_EQ(records[0].name, "vm");
    EXPECT_EQ(records[0].outcome.code, -1);
    EXPECT_TRUE(records[0].detailed);
    EXPECT_EQ(records[0].outcome.stamp, kStamp);
    EXPECT_EQ(records[0].outcome.failed, 1);
    EXPECT_GT(records[0].outcome.finished, 0);
    EXPECT_EQ(observed.load(), 1);

    CReportRecorder dialog;
    ASSERT_TRUE(service.StartListener(&dialog));
    ASSERT_EQ(report(1), 1);
    EXPECT_EQ(dialog.lines.WaitFor(1),
              std::vector<std::string>{"Client alarm-north successfully synchronized"});
    EXPECT_EQ(CFleetStateFile{CFleetStateFile::PathIn(service.Settings().logDir)}
                  .Load()
                  .front()
                  .outcome.code,
              1);
    EXPECT_EQ(observed.load(), 2);
    service.StopListener();
}

} // namespace
