#include "primary/PrimaryDlg.h"

#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "app/LanguageLoader.h"
#include "core/EventLog.h"
#include "core/ProfileStore.h"
#include "widgets/FileLauncher.h"
#include "widgets/IconButton.h"
#include "widgets/MessageBoxes.h"
#include "widgets/SortListCtrl.h"

#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace WindowProbe;

namespace {
// 14.11.2023 22:13:20 UTC, 23:13:20 in Berlin.
std::time_t FixedClock()
{
    return 1700000000;
}

} // namespace

class PrimaryDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        m_boxes.clear();
        m_answer = QMessageBox::Ok;
        CMessageBoxes::SetTestHook([this](const CMessageBoxes::Box& box) {
            m_boxes.append(box);
            return m_answer;
        });
    }

    void cleanup()
    {
        CMessageBoxes::SetTestHook({});
        CFileLauncher::SetTestHook({});
        CEventLog::SetClock(nullptr);
        m_env.reset();
    }

    void Controls_ShowTheirCaptions()
    {
        CPrimaryDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Orvenda Primary Synchronization Tool"));
        const std::vector<std::pair<const char*, const char*>> buttons{
            {"syncNowButton", "Synchronize now"},
            {"clientSyncButton", "Client Synchronization"},
            {"showLogfileButton", "Show logfile"},
            {"settingsButton", "Settings"},
            {"exitButton", "Exit"},
            {"aboutButton", ""}};
        for (const auto& [name, caption] : buttons) {
            auto* button = dlg.findChild<CIconButton*>(QLatin1String{name});
            QVERIFY2(button, name);
            QCOMPARE(button->text(), QString::fromUtf8(caption));
        }
        QCOMPARE(LabelText(dlg, "lastSyncLabel"), QStringLiteral("Last synchronization:"));
        QCOMPARE(LabelText(dlg, "reportLabel"), QStringLiteral("Synchronized files and errors:"));
        auto* group = dlg.findChild<QGroupBox*>(QStringLiteral("filesGroup"));
        QVERIFY(group);
        QCOMPARE(group->title(), QStringLiteral("Files for synchronization"));
        QVERIFY(group->isAncestorOf(List(dlg, "fileList")));
        auto* lastSync = dlg.findChild<QLineEdit*>(QStringLiteral("lastSyncEdit"));
        QVERIFY(lastSync && lastSync->isReadOnly());
        QVERIFY(!dlg.windowIcon().isNull());
        QVERIFY(m_boxes.isEmpty());
    }

    void Buttons_CarryTheirImagesAndSynchronizeNowIsDefault()
    {
        CPrimaryDlg dlg;
        dlg.show();
        QCOMPARE(Button(dlg, "exitButton")->ImageRect().size(), QSize(20, 20));
        for (const char* name :
             {"syncNowButton", "clientSyncButton", "showLogfileButton", "settingsButton"}) {
            QCOMPARE(Button(dlg, name)->ImageRect().size(), QSize(18, 18));
        }
        CIconButton* about{Button(dlg, "aboutButton")};
        QCOMPARE(about->ImageRect().size(), QSize(44, 22));
        QCOMPARE(about->ImageRect().center(), about->rect().center());
        QVERIFY(Button(dlg, "syncNowButton")->isDefault());
        QVERIFY(!Button(dlg, "exitButton")->isDefault());
    }

    void Lists_HaveTheirColumnsAndWidths()
    {
        CPrimaryDlg dlg;
        CSortListCtrl* files{List(dlg, "fileList")};
        QCOMPARE(Headers(*files),
                 (QStringList{"Filename", "Extension", "Path", "Last Modified", "Size", "CRC"}));
        QCOMPARE(Widths(*files), WidthsFitting(*files, {160, 65, 140, 130, 70, 68}));
        QCOMPARE(files->columnWidth(0), 160);
        QVERIFY(files->IsSortable());
        QCOMPARE(files->selectionBehavior(), QAbstractItemView::SelectRows);
        CSortListCtrl* report{List(dlg, "reportList")};
        QCOMPARE(Headers(*report), (QStringList{"Last Modified", "Status"}));
        QCOMPARE(Widths(*report), WidthsFitting(*report, {130, 505}));
        QCOMPARE(report->columnWidth(1), 505);
        QVERIFY(!report->IsSortable());
    }

    void AddReportLine_PutsTheNewestRowOnTopWithTimeAndImage()
    {
        CEventLog::SetClock(&FixedClock);
        CPrimaryDlg dlg;
        dlg.show();
        dlg.AddReportLine("Preparation for synchronization started manually", 0);
        dlg.AddReportLine("Failed to copy file from /srv/db1/a.dbf to /web/db1/a.dbf – ü !", 1);
        CSortListCtrl* report{List(dlg, "reportList")};
        QCOMPARE(report->topLevelItemCount(), 2);
        QTreeWidgetItem* newest{report->topLevelItem(0)};
        QCOMPARE(newest->text(0), QStringLiteral("14.11.2023, 23:13:20"));
        QCOMPARE(newest->text(1),
                 QStringLiteral("Failed to copy file from /srv/db1/a.dbf to /web/db1/a.dbf – ü !"));
        QCOMPARE(RowImage(newest->icon(0)), ResourceImage(":/icons/error.png"));
        QTreeWidgetItem* older{report->topLevelItem(1)};
        QCOMPARE(older->text(1),
                 QStringLiteral("Preparation for synchronization started manually"));
        QCOMPARE(RowImage(older->icon(0)), ResourceImage(":/icons/success.png"));
    }

    void LastSync_ShowsTheStoredStampInLocalTime()
    {
        m_env->WriteConfig("LastSync", "6553F100");
        CPrimaryDlg dlg;
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("lastSyncEdit"))->text(),
                 QStringLiteral("14.11.2023 23:13 "));
    }

    void LastSync_AbsentShowsNothing()
    {
        CPrimaryDlg dlg;
        QVERIFY(dlg.findChild<QLineEdit*>(QStringLiteral("lastSyncEdit"))->text().isEmpty());
    }

    void ClientSynchronization_IsShownOnlyWithSocketsControlsOne()
    {
        {
            CPrimaryDlg dlg;
            QVERIFY(!Button(dlg, "clientSyncButton")->isHidden());
        }
        m_env->WriteConfig("UseSocketsControls", "2");
        CPrimaryDlg dlg;
        QVERIFY(Button(dlg, "clientSyncButton")->isHidden());
    }

    void Initialisation_SettlesTheConfiguration()
    {
        CPrimaryDlg dlg;
        QCOMPARE(CProfileStore::ReadText("Config", "PrimIntervalInHours", "", 10, "zezodi.ini"),
                 std::string{"12"});
        QVERIFY(
            QFileInfo{QDir{m_env->Root()}.filePath(QStringLiteral("srv/jxt/syncdata"))}.isDir());
    }

    void Initialisation_WithoutWebServer_SaysSoOnce()
    {
        QVERIFY(
            QDir{QDir{m_env->Root()}.filePath(QStringLiteral("srv/jx_web"))}.removeRecursively());
        CPrimaryDlg dlg;
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QVERIFY(m_boxes[0].text.startsWith(QStringLiteral("No apache webserver found")));
    }

    void ShowLogfile_HandsTheLogPathToTheEditor()
    {
        QStringList opened;
        CFileLauncher::SetTestHook([&](const QString& path) {
            opened.append(path);
            return true;
        });
        CPrimaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "showLogfileButton"), Qt::LeftButton);
        QCOMPARE(opened,
                 QStringList{QDir{m_env->InstallDir()}.filePath(QStringLiteral("log/zezodi.log"))});
    }

    void About_OpensTheAboutBox()
    {
        CPrimaryDlg dlg;
        dlg.show();
        bool seen{false};
        CWindowTestEnvironment::CloseNextModal("CAboutDlg", seen);
        QTest::mouseClick(Button(dlg, "aboutButton"), Qt::LeftButton);
        QVERIFY(seen);
        QVERIFY(dlg.isVisible());
    }

    void Exit_AnsweredNo_KeepsTheWindow()
    {
        CPrimaryDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        m_answer = QMessageBox::No;
        QTest::mouseClick(Button(dlg, "exitButton"), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Please confirm ..."));
        QCOMPARE(m_boxes[0].defaultButton, QMessageBox::No);
        QCOMPARE(finished.size(), 0);
        QVERIFY(dlg.isVisible());
    }

    void Exit_AnsweredYes_EndsTheWindow()
    {
        CPrimaryDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        m_answer = QMessageBox::Yes;
        QTest::mouseClick(Button(dlg, "exitButton"), Qt::LeftButton);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), int{QDialog::Accepted});
        QCOMPARE(dlg.RoleChangeMarker(), 0);
    }

    void CloseBox_OnlyMinimises()
    {
        CPrimaryDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        QVERIFY(!dlg.close());
        QVERIFY(dlg.windowState() & Qt::WindowMinimized);
        QCOMPARE(finished.size(), 0);
    }

    void GermanLanguage_TranslatesTitleAndCaptions()
    {
        m_env->WriteConfig("DefaultLanguage", "DT");
        qputenv("ZEZODI_TRANSLATIONS_DIR", ZEZODI_TEST_TRANSLATIONS_DIR);
        CLanguageLoader language;
        QVERIFY(language.Load(
            CProfileStore::ReadText("Config", "DefaultLanguage", "", 80, "zezodi.ini")));
        CPrimaryDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Orvenda Synchronisation – Primärserver"));
        QCOMPARE(Button(dlg, "syncNowButton")->text(), QStringLiteral("Jetzt synchronisieren"));
        QCOMPARE(Headers(*List(dlg, "fileList")).at(0), QStringLiteral("Dateiname"));
    }

private:
    std::unique_ptr<CWindowTestEnvironment> m_env;
    QList<CMessageBoxes::Box> m_boxes;
    QMessageBox::StandardButton m_answer{QMessageBox::Ok};
};

QTEST_MAIN(PrimaryDlgTest)
#include "PrimaryDlgTest.moc"
