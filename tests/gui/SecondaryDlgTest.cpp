#include "secondary/SecondaryDlg.h"

#include "BoxRecorder.h"
#include "MainWindowChecks.h"
#include "PrimaryWeb.h"
#include "TestFiles.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "app/LanguageLoader.h"
#include "app/SyncApp.h"
#include "core/CatalogueWriter.h"
#include "core/EventLog.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"
#include "secondary/FileChecksum.h"
#include "tests/support/NginxServer.h"
#include "widgets/FileLauncher.h"
#include "widgets/IconButton.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"
#include "widgets/SortListCtrl.h"

#include <ctime>
#include <fstream>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace WindowProbe;

namespace {
// 14.11.2023 22:13:20 UTC, 23:13:20 in Berlin.
std::time_t FixedClock()
{
    return 1700000000;
}

using TestFiles::ReadFile;
using TestFiles::WriteFile;

QStringList RowTexts(const QTreeWidgetItem& row)
{
    QStringList texts;
    for (int column = 0; column < row.columnCount(); ++column) {
        texts.append(row.text(column));
    }
    return texts;
}

bool ReportHas(CSortListCtrl& report, const QString& text)
{
    for (int row = 0; row < report.topLevelItemCount(); ++row) {
        if (report.topLevelItem(row)->text(1) == text) {
            return true;
        }
    }
    return false;
}
} // namespace

class SecondaryDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        QVERIFY(m_env->UseFreePorts());
        m_boxRecorder.Start();
    }

    void cleanup()
    {
        CBoxRecorder::Stop();
        CFileLauncher::SetTestHook({});
        CEventLog::SetClock(nullptr);
        CStringTable::SetTranslator({});
        m_env.reset();
    }

    void Controls_ShowTheirCaptions()
    {
        CSecondaryDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Orvenda Secondary Synchronization Tool"));
        const std::vector<std::pair<const char*, const char*>> buttons{
            {"syncNowButton", "Synchronize now"},
            {"compareIniButton", "Compare Ini-files"},
            {"showLogfileButton", "Show logfile"},
            {"settingsButton", "Settings"},
            {"exitButton", "Exit"},
            {"aboutButton", ""}};
        for (const auto& [name, caption] : buttons) {
            QCOMPARE(CMnemonics::Plain(Button(dlg, name)->text()), QString::fromUtf8(caption));
        }
        auto* group = dlg.findChild<QGroupBox*>(QStringLiteral("syncGroup"));
        QVERIFY(group);
        QCOMPARE(group->title(), QStringLiteral("Synchronized files"));
        QCOMPARE(LabelText(dlg, "lastSyncLabel"), QStringLiteral("Last synchronization:"));
        QCOMPARE(LabelText(dlg, "localFilesLabel"), QStringLiteral("Local files:"));
        QCOMPARE(LabelText(dlg, "reportLabel"), QStringLiteral("Synchronized files and errors:"));
        QVERIFY(group->isAncestorOf(List(dlg, "localFilesList")));
        QVERIFY(group->isAncestorOf(List(dlg, "reportList")));
        auto* lastSync = dlg.findChild<QLineEdit*>(QStringLiteral("lastSyncEdit"));
        QVERIFY(lastSync && lastSync->isReadOnly());
        QVERIFY(!dlg.windowIcon().isNull());
        QVERIFY(m_boxes.isEmpty());
    }

    void Buttons_CarryTheirImagesAndSynchronizeNowIsDefault()
    {
        CSecondaryDlg dlg;
        dlg.show();
        QCOMPARE(Button(dlg, "exitButton")->ImageRect().size(), QSize(20, 20));
        for (const char* name :
             {"syncNowButton", "compareIniButton", "showLogfileButton", "settingsButton"}) {
            QCOMPARE(Button(dlg, name)->ImageRect().size(), QSize(18, 18));
        }
        CIconButton* about{Button(dlg, "aboutButton")};
        QCOMPARE(about->ImageRect().size(), QSize(44, 22));
        QCOMPARE(about->ImageRect().center(), about->rect().center());
        QVERIFY(Button(dlg, "syncNowButton")->isDefault());
        QVERIFY(!Button(dlg, "exitButton")->isDefault());
    }

    void AboutBitmap_ShowsWhiteAsTheButtonFace()
    {
        CSecondaryDlg dlg;
        dlg.show();
        CIconButton* about{Button(dlg, "aboutButton")};
        const QImage face{about->grab().toImage()};
        const QRect logo{about->ImageRect()};
        const QImage source{QStringLiteral(":/icons/logo.png")};
        const QColor buttonFace{about->palette().color(QPalette::Button)};
        int whitePixels{0};
        for (int y = 0; y < source.height(); ++y) {
            for (int x = 0; x < source.width(); ++x) {
                if ((source.pixel(x, y) & RGB_MASK) == RGB_MASK) {
                    ++whitePixels;
                    QCOMPARE(QColor{face.pixel(logo.left() + x, logo.top() + y)}, buttonFace);
                }
            }
        }
        QVERIFY(whitePixels > 0);
    }

    void Lists_HaveTheirColumnsWidthsAndImages()
    {
        CSecondaryDlg dlg;
        CSortListCtrl* files{List(dlg, "localFilesList")};
        QCOMPARE(Headers(*files), (QStringList{"Filename", "Extension", "Path", "Last Modified",
                                               "Size", "CRC Secondary", "CRC Primary", "Status"}));
        QCOMPARE(Widths(*files), WidthsFitting(*files, {120, 60, 120, 120, 70, 70, 70, 70}));
        QCOMPARE(files->columnWidth(0), 120);
        QVERIFY(files->IsSortable());
        QCOMPARE(files->selectionBehavior(), QAbstractItemView::SelectRows);
        // Local files: 0 unchanged, 1 updated, 2 failed, three images that differ from each
        // other and from the notice image of the report list.
        const std::vector<const char*> fileImages{":/icons/success.png", ":/icons/updated.png",
                                                  ":/icons/error.png"};
        QList<QImage> shown;
        for (int image = 0; image < 3; ++image) {
            QTreeWidgetItem* row{files->InsertRow(0, image, {QStringLiteral("a.dbf")})};
            QCOMPARE(RowImage(row->icon(0)), ResourceImage(fileImages[image]));
            QVERIFY(RowImage(row->icon(0)) != ResourceImage(":/icons/notice.png"));
            QVERIFY(!shown.contains(RowImage(row->icon(0))));
            shown.append(RowImage(row->icon(0)));
        }

        CSortListCtrl* report{List(dlg, "reportList")};
        QCOMPARE(Headers(*report), (QStringList{"Last Modified", "Status"}));
        QCOMPARE(Widths(*report), WidthsFitting(*report, {130, 570}));
        QCOMPARE(report->columnWidth(1), 570);
        QVERIFY(!report->IsSortable());
        QCOMPARE(report->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void AddReportLine_PutsTheNewestRowOnTopWithTimeAndImage()
    {
        CEventLog::SetClock(&FixedClock);
        CSecondaryDlg dlg;
        dlg.show();
        dlg.AddReportLine("Synchronization started manually", 0);
        dlg.AddReportLine("Failed to download file a.dbf !", 1);
        dlg.AddReportLine("Local file größer.dbf is newer", 2);
        CSortListCtrl* report{List(dlg, "reportList")};
        QCOMPARE(report->topLevelItemCount(), 3);
        const std::vector<std::pair<QString, const char*>> expected{
            {QStringLiteral("Local file größer.dbf is newer"), ":/icons/notice.png"},
            {QStringLiteral("Failed to download file a.dbf !"), ":/icons/error.png"},
            {QStringLiteral("Synchronization started manually"), ":/icons/success.png"}};
        for (int row = 0; row < 3; ++row) {
            QTreeWidgetItem* item{report->topLevelItem(row)};
            QCOMPARE(item->text(0), QStringLiteral("14.11.2023, 23:13:20"));
            QCOMPARE(item->text(1), expected[row].first);
            QCOMPARE(item->toolTip(1), expected[row].first);
            QCOMPARE(RowImage(item->icon(0)), ResourceImage(expected[row].second));
        }
    }

    void LastSync_ShowsTheStoredStampInLocalTime()
    {
        m_env->WriteConfig("LastSync", "6553F100");
        CSecondaryDlg dlg;
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("lastSyncEdit"))->text(),
                 QStringLiteral("14.11.2023 23:13 "));
    }

    void LastSync_UnreadableShowsNothing()
    {
        m_env->WriteConfig("LastSync", "never");
        CSecondaryDlg dlg;
        QVERIFY(dlg.findChild<QLineEdit*>(QStringLiteral("lastSyncEdit"))->text().isEmpty());
    }

    void ShowLogfile_HandsTheLogPathToTheEditor()
    {
        MainWindowChecks::ShowLogfileHandsTheLogPathToTheEditor<CSecondaryDlg>(*m_env);
    }

    void About_OpensTheAboutBox() { MainWindowChecks::AboutOpensTheAboutBox<CSecondaryDlg>(); }

    void Exit_AnsweredNo_KeepsTheWindow()
    {
        MainWindowChecks::ExitAnsweredNoKeepsTheWindow<CSecondaryDlg>(m_boxRecorder);
    }

    void Exit_AnsweredYes_EndsTheWindow()
    {
        MainWindowChecks::ExitAnsweredYesEndsTheWindow<CSecondaryDlg>(m_boxRecorder);
    }

    void Escape_AsksTheExitQuestion()
    {
        MainWindowChecks::EscapeAsksTheExitQuestion<CSecondaryDlg>(m_boxRecorder);
    }

    void CloseBox_OnlyMinimises() { MainWindowChecks::CloseBoxOnlyMinimises<CSecondaryDlg>(); }

    void Reopened_ComesBackWithItsPlaceAndItsListsColumnsAndOrder()
    {
        MainWindowChecks::RemembersItsPlaceAndLists<CSecondaryDlg>(m_boxRecorder, *m_env,
                                                                   "localFilesList");
    }

    void SyncNow_Success_ShowsTheCountersAndEveryRowWithItsImage()
    {
        CPrimaryWeb web{*m_env};
        web.Serve(*m_env);
        const QString drive{QDir::cleanPath(m_env->InstallDir() + QStringLiteral("/.."))};
        web.Publish(QStringLiteral("Db1"), QStringLiteral("alarm.dbf"), "alarm table, new");
        web.Publish(QStringLiteral("Db1"), QStringLiteral("persons.dbf"), "persons table");
        web.Publish(QStringLiteral("Jxt"), QStringLiteral("plan.jxt"), "CALL 100\n");
        web.Commit();
        QVERIFY(WriteFile(drive + QStringLiteral("/db1/persons.dbf"), "persons table"));
        QVERIFY(WriteFile(m_env->InstallDir() + QStringLiteral("/plan.jxt"), "CALL 99\n"));

        CSecondaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));

        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Information);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Information"));
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("Successfully synchronized the alarmdata with the primary server. "
                                "\nFiles identical: 1   successfully synchronized: 2"));
        CSortListCtrl* files{List(dlg, "localFilesList")};
        QCOMPARE(files->topLevelItemCount(), 3);
        // Newest on top: the walk's last entry comes first.
        const QTreeWidgetItem* plan{files->topLevelItem(0)};
        QCOMPARE(RowTexts(*plan).mid(0, 3), (QStringList{"plan.jxt", ".jxt", m_env->InstallDir()}));
        QCOMPARE(plan->text(4), QStringLiteral("1 KB"));
        QCOMPARE(plan->text(7), QStringLiteral("Updated"));
        QCOMPARE(RowImage(plan->icon(0)), ResourceImage(":/icons/updated.png"));
        const QTreeWidgetItem* persons{files->topLevelItem(1)};
        QCOMPARE(persons->text(0), QStringLiteral("persons.dbf"));
        QCOMPARE(persons->text(5), persons->text(6));
        QCOMPARE(persons->text(7), QStringLiteral("Identical"));
        QCOMPARE(RowImage(persons->icon(0)), ResourceImage(":/icons/success.png"));
        const QTreeWidgetItem* alarm{files->topLevelItem(2)};
        QCOMPARE(alarm->text(0), QStringLiteral("alarm.dbf"));
        QCOMPARE(alarm->text(4), QStringLiteral("0 KB"));
        QVERIFY(alarm->text(3).isEmpty());
        QVERIFY(alarm->text(5).isEmpty());
        QCOMPARE(alarm->text(7), QStringLiteral("Updated"));
        QCOMPARE(RowImage(alarm->icon(0)), ResourceImage(":/icons/updated.png"));

        QCOMPARE(ReadFile(drive + QStringLiteral("/db1/alarm.dbf")),
                 QStringLiteral("alarm table, new"));
        QCOMPARE(ReadFile(m_env->InstallDir() + QStringLiteral("/plan.jxt")),
                 QStringLiteral("CALL 100\n"));
        QVERIFY(!dlg.findChild<QLineEdit*>(QStringLiteral("lastSyncEdit"))->text().isEmpty());
        QVERIFY(ReportHas(*List(dlg, "reportList"),
                          QStringLiteral("Synchronization started manually. Please wait ...")));
        QVERIFY(!QApplication::overrideCursor());
    }

    void SyncNow_AlreadyApplied_AsksAndRunsOnlyOnYes()
    {
        CPrimaryWeb web{*m_env};
        web.Serve(*m_env);
        web.Publish(QStringLiteral("Jxt"), QStringLiteral("plan.jxt"), "CALL 100\n");
        web.Commit();
        CSecondaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        QCOMPARE(m_boxes.size(), 1);
        const std::string lastSync{
            CProfileStore::ReadText("Config", "LastSync", "", 40, "zezodi.ini")};
        CSortListCtrl* report{List(dlg, "reportList")};
        const int reportRows{report->topLevelItemCount()};

        m_boxes.clear();
        m_answer = QMessageBox::No;
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Question);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Information"));
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("The data on the primary server was already successfully "
                                "synchronized with the local data.\nDo you still want to "
                                "synchronize ?"));
        QCOMPARE(m_boxes[0].defaultButton, QMessageBox::No);
        QCOMPARE(report->topLevelItemCount(), reportRows);
        QCOMPARE(CProfileStore::ReadText("Config", "LastSync", "", 40, "zezodi.ini"), lastSync);

        m_boxes.clear();
        m_answer = QMessageBox::Yes;
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        // The question only: the forced run shows no result box.
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Question);
        QVERIFY(report->topLevelItemCount() > reportRows);
        QCOMPARE(report->topLevelItem(0)->text(1),
                 QStringLiteral("Synchronization was successful   Files identical: 1   "
                                "successfully synchronized: 0"));
        CSortListCtrl* files{List(dlg, "localFilesList")};
        QCOMPARE(files->topLevelItemCount(), 1);
        QCOMPARE(files->topLevelItem(0)->text(7), QStringLiteral("Identical"));
    }

    void SyncNow_CatalogueMissing_ShowsTheErrorBoxWithZeroCounters()
    {
        CPrimaryWeb web{*m_env};
        web.Serve(*m_env);
        CSecondaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("Errors while synchronizing the alarmdata with the primary "
                                "server ! \nFiles identical: 0   successfully synchronized: 0   "
                                "failed: 0"));
        QCOMPARE(List(dlg, "localFilesList")->topLevelItemCount(), 0);
        QVERIFY(!QApplication::overrideCursor());
    }

    void SyncNow_FileMissingOnTheServer_ShowsTheFailedRowAndCounters()
    {
        CPrimaryWeb web{*m_env};
        web.Serve(*m_env);
        web.Publish(QStringLiteral("Jxt"), QStringLiteral("plan.jxt"), "CALL 100\n");
        web.Publish(QStringLiteral("Jxt"), QStringLiteral("gone.jxt"), "CALL 200\n", true);
        web.Commit();
        CSecondaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("Errors while synchronizing the alarmdata with the primary "
                                "server ! \nFiles identical: 0   successfully synchronized: 1   "
                                "failed: 1"));
        const QTreeWidgetItem* gone{List(dlg, "localFilesList")->topLevelItem(0)};
        QCOMPARE(gone->text(0), QStringLiteral("gone.jxt"));
        QCOMPARE(gone->text(7), QStringLiteral("Failed"));
        QCOMPARE(RowImage(gone->icon(0)), ResourceImage(":/icons/error.png"));
    }

    void Timer_RunsAnAutomaticSynchronization()
    {
        CPrimaryWeb web{*m_env};
        web.Serve(*m_env);
        web.Publish(QStringLiteral("Jxt"), QStringLiteral("plan.jxt"), "CALL 100\n");
        web.Commit();
        CSecondaryDlg dlg;
        dlg.show();
        auto* timer{dlg.findChild<QTimer*>(QStringLiteral("syncTimer"))};
        QVERIFY(timer && timer->isActive());
        timer->start(1);
        CSortListCtrl* report{List(dlg, "reportList")};
        QTRY_VERIFY(ReportHas(*report, QStringLiteral("Synchronization started automatically")));
        timer->stop();
        QVERIFY(RunEnded(dlg));
        QCOMPARE(ReadFile(m_env->InstallDir() + QStringLiteral("/plan.jxt")),
                 QStringLiteral("CALL 100\n"));
        QVERIFY(m_boxes.isEmpty());
    }

    void DownloadDirectoryNotCreatable_ShowsMessage119AndStartsNoTimer()
    {
        const QString blocker{QDir{m_env->Root()}.filePath(QStringLiteral("plain-file"))};
        QVERIFY(WriteFile(blocker, "not a directory"));
        const QString download{blocker + QStringLiteral("/download")};
        m_env->WriteConfig("DownLoadPath", download.toStdString());
        CSecondaryDlg dlg;
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("Failed to create download directory %1 !").arg(download));
        QVERIFY(!dlg.findChild<QTimer*>(QStringLiteral("syncTimer"))->isActive());
        // The initialisation stopped before the interval.
        QVERIFY(CProfileStore::ReadText("Config", "IntervalInMin", "", 40, "zezodi.ini").empty());
        QVERIFY(Button(dlg, "syncNowButton")->isEnabled());
    }

    void Interval_BelowOneBecomesThirtyMinutes_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::newRow("missing") << QString{};
        QTest::newRow("zero") << QStringLiteral("0");
        QTest::newRow("negative") << QStringLiteral("-5");
    }

    void Interval_BelowOneBecomesThirtyMinutes()
    {
        QFETCH(QString, configured);
        if (!configured.isEmpty()) {
            m_env->WriteConfig("IntervalInMin", configured.toStdString());
        }
        CSecondaryDlg dlg;
        auto* timer{dlg.findChild<QTimer*>(QStringLiteral("syncTimer"))};
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 1'800'000);
        QCOMPARE(CProfileStore::ReadText("Config", "IntervalInMin", "", 40, "zezodi.ini"),
                 std::string{"30"});
    }

    void Interval_TooLargeForTheTimerIsClamped()
    {
        m_env->WriteConfig("IntervalInMin", "100000");
        CSecondaryDlg dlg;
        auto* timer{dlg.findChild<QTimer*>(QStringLiteral("syncTimer"))};
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 35'791 * 60'000);
        QCOMPARE(CSecondaryDlg::TimerPeriod(45), 2'700'000);
        QCOMPARE(CSecondaryDlg::TimerPeriod(0), 60'000);
        QCOMPARE(CSecondaryDlg::TimerPeriod(35'791), 35'791 * 60'000);
        QCOMPARE(CSecondaryDlg::TimerPeriod(std::numeric_limits<int>::max()), 35'791 * 60'000);
    }

    void NoUnzipTool_ShowsMessage120AndGoesOn()
    {
        m_env->WriteConfig("UseGZip", "0");
        CSecondaryDlg dlg;
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QVERIFY(m_boxes[0].text.startsWith(
            QStringLiteral("No compression tool (winzip with command line support) installed !")));
        QVERIFY(dlg.findChild<QTimer*>(QStringLiteral("syncTimer"))->isActive());
    }

    void GermanLanguage_TranslatesTheRunsReportAndBoxes()
    {
        CPrimaryWeb web{*m_env};
        web.Serve(*m_env);
        m_env->WriteConfig("DefaultLanguage", "DT");
        qputenv("ZEZODI_TRANSLATIONS_DIR", ZEZODI_TEST_TRANSLATIONS_DIR);
        // The start-up object gives the Qt-free logic the loaded translation.
        const CSyncApp app{[](CSyncApp::Role) { return std::unique_ptr<CMainDlg>{}; }};
        CLanguageLoader language;
        QVERIFY(language.Load("DT"));
        CSecondaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        // The newest line says, translated too, what the failure's code means.
        const CSortListCtrl* reportList{List(dlg, "reportList")};
        const QString meaning{reportList->topLevelItem(0)->text(1)};
        QVERIFY2(meaning.startsWith(QStringLiteral("Der Webserver unter http://127.0.0.1:")),
                 qPrintable(meaning));
        const QString report{reportList->topLevelItem(1)->text(1)};
        QVERIFY2(report.startsWith(
                     QStringLiteral("Synchronisationsdatei konnte nicht von http://127.0.0.1:")),
                 qPrintable(report));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(
            m_boxes[0].text,
            QStringLiteral("Beim Synchronisieren der Alarmdaten mit dem Primärserver sind Fehler "
                           "aufgetreten! \nDateien identisch: 0   erfolgreich "
                           "synchronisiert: 0   fehlgeschlagen: 0"));
    }

    void Settings_Cancelled_RestartsTheTimerWithTheDialogsInterval()
    {
        m_env->WriteConfig("IntervalInMin", "45");
        CSecondaryDlg dlg;
        dlg.show();
        auto* timer{dlg.findChild<QTimer*>(QStringLiteral("syncTimer"))};
        QCOMPARE(timer->interval(), 45 * 60'000);
        // The dialog shows the file's value when it opens.
        m_env->WriteConfig("IntervalInMin", "50");
        bool seen{false};
        CWindowTestEnvironment::CloseNextModal("CSecondarySettingsDlg", seen);
        QTest::mouseClick(Button(dlg, "settingsButton"), Qt::LeftButton);
        QVERIFY(seen);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 50 * 60'000);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.RoleChangeMarker(), 0);
    }

    void GermanLanguage_TranslatesTitleAndCaptions()
    {
        m_env->WriteConfig("DefaultLanguage", "DT");
        qputenv("ZEZODI_TRANSLATIONS_DIR", ZEZODI_TEST_TRANSLATIONS_DIR);
        CLanguageLoader language;
        QVERIFY(language.Load(
            CProfileStore::ReadText("Config", "DefaultLanguage", "", 80, "zezodi.ini")));
        CSecondaryDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Orvenda Synchronisation – Sekundärserver"));
        QCOMPARE(CMnemonics::Plain(Button(dlg, "compareIniButton")->text()),
                 QStringLiteral("INI-Dateien vergleichen"));
        QCOMPARE(Headers(*List(dlg, "localFilesList")).at(5), QStringLiteral("CRC Sekundär"));
    }

private:
    std::unique_ptr<CWindowTestEnvironment> m_env;
    CBoxRecorder m_boxRecorder;
    QList<CMessageBoxes::Box>& m_boxes{m_boxRecorder.boxes};
    QMessageBox::StandardButton& m_answer{m_boxRecorder.answer};
};

QTEST_MAIN(SecondaryDlgTest)
#include "SecondaryDlgTest.moc"
