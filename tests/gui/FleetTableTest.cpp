#include "primary/FleetTable.h"

#include "WindowTestEnvironment.h"
#include "core/CatalogueSections.h"
#include "core/ConfigKeys.h"
#include "core/PeerAllowList.h"
#include "core/ProfileStore.h"
#include "core/ProtocolMessages.h"
#include "core/ReportSink.h"
#include "core/SecondaryListener.h"
#include "core/SyncResultSender.h"
#include "core/TimeStamp.h"
#include "primary/ClientRegistry.h"
#include "primary/FleetStateFile.h"
#include "primary/PrimaryDlg.h"
#include "tests/support/FreePort.h"
#include "widgets/MessageBoxes.h"
#include "widgets/RunProgress.h"
#include "widgets/RunWorker.h"
#include "widgets/SortListCtrl.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QDir>
#include <QHeaderView>
#include <QHostAddress>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

namespace {

constexpr std::time_t kPublished{1'760'000'000};
constexpr std::time_t kOlder{kPublished - 86'400};

using enum CFleetTable::EColumn;

// The window's report list: the lines arrive from the worker thread.
class CReportRecorder : public CReportSink
{
public:
    void AddReportLine(const std::string& text, int image) override
    {
        const std::lock_guard lock{m_mutex};
        m_rows.emplace_back(text, image);
    }

    // Each line with " [ok]" or " [error]" for its image.
    QStringList Lines()
    {
        QStringList lines;
        const std::lock_guard lock{m_mutex};
        for (const auto& [text, image] : m_rows) {
            lines.append(QString::fromStdString(text) + (image == ImageSuccess
                                                             ? QStringLiteral(" [ok]")
                                                             : QStringLiteral(" [error]")));
        }
        return lines;
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<std::string, int>> m_rows;
};

SClientReport Report(const std::string& address, const std::string& name, std::int64_t age,
                     int code, std::time_t stamp)
{
    SClientReport report;
    report.address = address;
    report.name = name;
    report.detailed = true;
    report.outcome.finished = std::time(nullptr) - age;
    report.outcome.code = code;
    report.outcome.stamp = CTimeStamp::Format(stamp);
    report.outcome.identical = 40;
    report.outcome.synchronised = 2;
    report.outcome.failed = code == CProtocolMessages::kSyncSucceeded ? 0 : 1;
    return report;
}

QTreeWidgetItem* RowNamed(CSortListCtrl& list, const QString& name)
{
    const QList<QTreeWidgetItem*> found{list.findItems(name, Qt::MatchExactly, kName)};
    return found.size() == 1 ? found.constFirst() : nullptr;
}

void ClickHeader(CSortListCtrl& list, int column)
{
    QHeaderView* header = list.header();
    const QPoint at{header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2};
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class FleetTableTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        m_settings = SPrimarySettings{};
        m_settings.computerName = "PRIMARY01";
        m_settings.primaryIp = "10.1.2.3";
        m_settings.port = FreePort();
        QVERIFY(m_settings.port > 0);
        const QDir root{m_env->Root()};
        QVERIFY(root.mkpath(QStringLiteral("log")));
        m_settings.logDir = root.filePath(QStringLiteral("log")).toStdString();
        m_settings.cataloguePath = root.filePath(QStringLiteral("zezodi.txt")).toStdString();
        QVERIFY(CProfileStore::WriteText(CatalogueSections::kSetup, ConfigKeys::kLastSync,
                                         CTimeStamp::Format(kPublished), m_settings.cataloguePath));
        m_boxes.clear();
        CMessageBoxes::SetTestHook([this](const CMessageBoxes::Box& box) {
            m_boxes.append(box.text);
            return QMessageBox::Ok;
        });
        // One client in every state; the silent one last reported three hours ago.
        QCOMPARE(CClientRegistry::Save(1, {"alpha", "127.0.0.1", "Hall A"}), 1);
        QCOMPARE(CClientRegistry::Save(2, {"bravo", "127.0.0.2", "Hall B"}), 2);
        QCOMPARE(CClientRegistry::Save(3, {"charlie", "127.0.0.3", "Gate"}), 3);
        QCOMPARE(CClientRegistry::Save(4, {"delta", "127.0.0.4", "Roof"}), 4);
        QCOMPARE(CClientRegistry::Save(5, {"echo", "127.0.0.5", "Cellar"}), 5);
        const CFleetStateFile file{CFleetStateFile::PathIn(m_settings.logDir)};
        QVERIFY(file.Record(Report("127.0.0.1", "alpha", 60, 1, kPublished)));
        QVERIFY(file.Record(Report("127.0.0.2", "bravo", 120, 1, kOlder)));
        QVERIFY(file.Record(Report("127.0.0.3", "charlie", 180, -1, kPublished)));
        QVERIFY(file.Record(Report("127.0.0.4", "delta", 3 * 3600, 1, kPublished)));
    }

    void cleanup()
    {
        CMessageBoxes::SetTestHook({});
        m_env.reset();
    }

    void Rows_ShowEveryClientWithItsState_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("texts");
        const QString published{QString::fromStdString(CTimeStamp::ListDate(kPublished))};
        const QString older{QString::fromStdString(CTimeStamp::ListDate(kOlder))};
        QTest::newRow("in sync") << "alpha" << int(CFleetStatus::EState::InSync)
                                 << QStringList{"In sync",   "alpha",   "Hall A",
                                                "127.0.0.1", published, "40 / 2 / 0"};
        QTest::newRow("behind") << "bravo" << int(CFleetStatus::EState::Behind)
                                << QStringList{"Behind",    "bravo", "Hall B",
                                               "127.0.0.2", older,   "40 / 2 / 0"};
        QTest::newRow("failed") << "charlie" << int(CFleetStatus::EState::Failed)
                                << QStringList{"Failed",    "charlie", "Gate",
                                               "127.0.0.3", published, "40 / 2 / 1"};
        QTest::newRow("silent") << "delta" << int(CFleetStatus::EState::Silent)
                                << QStringList{"Silent",    "delta",   "Roof",
                                               "127.0.0.4", published, "40 / 2 / 0"};
        QTest::newRow("never heard")
            << "echo" << int(CFleetStatus::EState::NeverHeard)
            << QStringList{"Never heard", "echo", "Cellar", "127.0.0.5", "", " /  / "};
    }

    void Rows_ShowEveryClientWithItsState()
    {
        QFETCH(QString, name);
        QFETCH(int, state);
        QFETCH(QStringList, texts);
        CFleetTable table{m_settings};
        table.Refresh();
        CSortListCtrl& list{List(table)};
        QCOMPARE(list.topLevelItemCount(), 5);
        QTreeWidgetItem* row{RowNamed(list, name)};
        QVERIFY(row != nullptr);
        QCOMPARE(int(CFleetTable::StateOf(*row)), state);
        QCOMPARE(row->text(kState), texts[0]);
        QCOMPARE(row->text(kName), texts[1]);
        QCOMPARE(row->text(kLocation), texts[2]);
        QCOMPARE(row->text(kAddress), texts[3]);
        QCOMPARE(row->text(kVersion), texts[4]);
        const QStringList counters{row->text(kIdentical), row->text(kUpdated), row->text(kFailed)};
        QCOMPARE(counters.join(u" / "), texts[5]);
        QCOMPARE(row->text(kLastReport).isEmpty(), texts[4].isEmpty());
        QVERIFY(!row->icon(kState).isNull());
    }

    void HeaderClicks_SortWholeRowsAndShowTheArrow()
    {
        CFleetTable table{m_settings};
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        CSortListCtrl& list{List(table)};
        const auto colours = [&list] {
            QMap<QString, QColor> byState;
            for (int index = 0; index < list.topLevelItemCount(); ++index) {
                const QTreeWidgetItem& row{*list.topLevelItem(index)};
                byState[row.text(kState)] = row.foreground(kState).color();
            }
            return byState;
        };
        const QMap<QString, QColor> before{colours()};
        QCOMPARE(before.size(), 5);
        QVERIFY(before["In sync"] != before["Failed"]);
        ClickHeader(list, kAddress);
        ClickHeader(list, kAddress);
        QCOMPARE(list.header()->sortIndicatorSection(), int(kAddress));
        QCOMPARE(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);
        const QStringList expected{"echo", "delta", "charlie", "bravo", "alpha"};
        for (int index = 0; index < 5; ++index) {
            const QTreeWidgetItem& row{*list.topLevelItem(index)};
            QCOMPARE(row.text(kName), expected[index]);
            QCOMPARE(row.text(kAddress), QStringLiteral("127.0.0.%1").arg(5 - index));
        }
        QCOMPARE(colours(), before);
        // A later reading keeps the order the operator chose.
        table.Refresh();
        QCOMPARE(list.topLevelItem(0)->text(kName), QStringLiteral("echo"));
        ClickHeader(list, kState);
        QCOMPARE(list.header()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(list.topLevelItem(0)->text(kState), QStringLiteral("Behind"));
        QCOMPARE(int(CFleetTable::StateOf(*list.topLevelItem(0))),
                 int(CFleetStatus::EState::Behind));
    }

    void StateColours_StandOutFromLightAndDarkLists_data()
    {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor{Qt::white} << QColor{Qt::black};
        QTest::newRow("dark") << QColor{0x2b, 0x2b, 0x2b} << QColor{0xe0, 0xe0, 0xe0};
    }

    void StateColours_StandOutFromLightAndDarkLists()
    {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        CFleetTable table{m_settings};
        table.Refresh();
        QPalette palette{table.palette()};
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, text);
        table.setPalette(palette);
        CSortListCtrl& list{List(table)};
        QSet<QRgb> colours;
        for (int index = 0; index < list.topLevelItemCount(); ++index) {
            const QColor shown{list.topLevelItem(index)->foreground(kState).color()};
            QVERIFY2(std::abs(shown.lightness() - base.lightness()) >= 100,
                     qPrintable(list.topLevelItem(index)->text(kState)));
            colours.insert(shown.rgb());
        }
        QCOMPARE(colours.size(), 5);
    }

    void ArrivingReport_ChangesTheRowAtTheNextReading()
    {
        CFleetTable table{m_settings};
        table.Refresh();
        CSortListCtrl& list{List(table)};
        RowNamed(list, "echo")->setSelected(true);
        const CFleetStateFile file{CFleetStateFile::PathIn(m_settings.logDir)};
        QVERIFY(file.Record(Report("127.0.0.5", "echo", 0, 1, kPublished)));
        QVERIFY(file.Record(Report("127.0.0.1", "alpha", 0, -1, kPublished)));
        table.Refresh();
        QCOMPARE(RowNamed(list, "echo")->text(kState), QStringLiteral("In sync"));
        QCOMPARE(RowNamed(list, "alpha")->text(kState), QStringLiteral("Failed"));
        QVERIFY(RowNamed(list, "echo")->isSelected());
        QVERIFY(!RowNamed(list, "alpha")->isSelected());
    }

    void SynchronizeSelected_SendsStartSyncAndReports_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("boxes");
        const QString started{"Synchronization of selected clients started. Please wait ..."};
        QTest::newRow("listening and down")
            << QStringList{"alpha", "bravo"}
            << QStringList{started + " [ok]",
                           "Successfully started synchronization on client alpha (127.0.0.1). "
                           "Please wait for result. [ok]",
                           "Failed to connect to client bravo (127.0.0.2) to start "
                           "synchronization [error]"}
            << QStringList{};
        QTest::newRow("nothing selected")
            << QStringList{} << QStringList{started + " [ok]"}
            << QStringList{"Please select at least one secondary client to synchronize first !"};
    }

    void SynchronizeSelected_SendsStartSyncAndReports()
    {
        QFETCH(QStringList, selected);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, boxes);
        // No set_time is sent: the clock setter is never called.
        CSecondaryListener secondary{"alpha", m_settings.port, nullptr,
                                     [](const std::tm&) { return 0; }};
        secondary.SetAllowedPrimaries(CPeerAllowList::Open());
        secondary.SetListenAddress("127.0.0.1");
        QVERIFY(secondary.Start());
        QVERIFY(WaitUntilListening(m_settings.port, std::chrono::seconds{10}));
        CRunWorker worker;
        CRunProgress progress;
        CReportRecorder report;
        CFleetTable table{m_settings};
        table.Attach(worker, progress, report);
        table.SetAckTimeout(50);
        table.Refresh();
        CSortListCtrl& list{List(table)};
        for (const QString& name : selected) {
            RowNamed(list, name)->setSelected(true);
        }
        auto* button = table.findChild<QPushButton*>(QStringLiteral("fleetSyncButton"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&worker] { return !worker.IsBusy(); }, 30'000));
        QVERIFY(button->isEnabled());
        secondary.Stop();
        QCOMPARE(report.Lines(), lines);
        QCOMPARE(m_boxes, boxes);
    }

    void Stop_EndsTheWaitForAnAcknowledgementAndStartsNoFurtherClient()
    {
        // Connections complete in the backlog; no acknowledgement ever comes.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, static_cast<quint16>(m_settings.port)));
        CRunWorker worker;
        CRunProgress progress;
        CReportRecorder report;
        CFleetTable table{m_settings};
        table.Attach(worker, progress, report);
        // Long beyond the wait below, short enough to end the test should Stop not work.
        table.SetAckTimeout(600);
        table.Refresh();
        CSortListCtrl& list{List(table)};
        RowNamed(list, "alpha")->setSelected(true);
        RowNamed(list, "bravo")->setSelected(true);
        auto* stop = progress.findChild<QPushButton*>(QStringLiteral("stopButton"));
        QTest::mouseClick(table.findChild<QPushButton*>(QStringLiteral("fleetSyncButton")),
                          Qt::LeftButton);
        // The exchange with the first client has begun.
        QVERIFY(
            QTest::qWaitFor([&progress] { return progress.Line().contains(u"alpha"); }, 10'000));
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&worker] { return !worker.IsBusy(); }, 30'000));
        QCOMPARE(report.Lines().size(), 2);
        QVERIFY(report.Lines().at(1).contains(u"client alpha (127.0.0.1)"));
    }

    void PrimaryWindow_StartsSelectedRowsIntoItsReportList()
    {
        QVERIFY(m_env->UseFreePorts());
        CSecondaryListener secondary{"alpha", m_env->Port(), nullptr,
                                     [](const std::tm&) { return 0; }};
        secondary.SetAllowedPrimaries(CPeerAllowList::Open());
        secondary.SetListenAddress("127.0.0.1");
        QVERIFY(secondary.Start());
        QVERIFY(WaitUntilListening(m_env->Port(), std::chrono::seconds{10}));
        CPrimaryDlg dlg;
        dlg.show();
        auto& table{*dlg.findChild<CFleetTable*>()};
        QVERIFY(table.isVisible());
        RowNamed(List(table), "alpha")->setSelected(true);
        auto* button = table.findChild<QPushButton*>(QStringLiteral("fleetSyncButton"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([button] { return button->isEnabled(); }, 30'000));
        secondary.Stop();
        const QTreeWidget& report{*dlg.findChild<QTreeWidget*>(QStringLiteral("reportList"))};
        QVERIFY(QTest::qWaitFor([&report] { return report.topLevelItemCount() == 2; }, 10'000));
        QCOMPARE(report.topLevelItem(0)->text(1),
                 QStringLiteral("Successfully started synchronization on client alpha "
                                "(127.0.0.1). Please wait for result."));
    }

    void PrimaryWindow_ShowsAReportOnceTheListenerHasRecordedIt()
    {
        QVERIFY(m_env->UseFreePorts());
        CPrimaryDlg dlg;
        dlg.show();
        CSortListCtrl& list{List(*dlg.findChild<CFleetTable*>())};
        QCOMPARE(RowNamed(list, "alpha")->text(kState), QStringLiteral("Never heard"));
        QVERIFY(WaitUntilListening(m_env->Port2(), std::chrono::seconds{10}));
        std::atomic<int> delivered{-1};
        std::thread secondary{[this, &delivered] {
            const CSyncResultSender sender{"alpha", m_env->Port2()};
            delivered = sender.SendSyncResult("127.0.0.1", CProtocolMessages::kSyncFailed);
        }};
        // Well within the table's own refresh period.
        QTRY_COMPARE_WITH_TIMEOUT(RowNamed(list, "alpha")->text(kState), QStringLiteral("Failed"),
                                  10'000);
        secondary.join();
        QCOMPARE(delivered.load(), CSyncResultSender::kDelivered);
    }

    void PrimaryWindow_WithoutControlFeatures_ShowsTheTableWithoutItsButton()
    {
        QVERIFY(m_env->UseFreePorts());
        m_env->WriteConfig("UseSocketsControls", "2");
        CPrimaryDlg dlg;
        const auto& table{*dlg.findChild<CFleetTable*>()};
        QVERIFY(!table.isHidden());
        QVERIFY(table.findChild<QPushButton*>(QStringLiteral("fleetSyncButton"))->isHidden());
    }

private:
    static CSortListCtrl& List(CFleetTable& table)
    {
        return *table.findChild<CSortListCtrl*>(QStringLiteral("fleetList"));
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    SPrimarySettings m_settings;
    QStringList m_boxes;
};

QTEST_MAIN(FleetTableTest)
#include "FleetTableTest.moc"
