#include "secondary/SecondaryDlg.h"

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
#include <QGroupBox>
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

class SecondaryDlgTest : public QObject
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
            QCOMPARE(Button(dlg, name)->text(), QString::fromUtf8(caption));
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
        // Local files: 0 unchanged, 1 updated (the notice image), 2 failed.
        const std::vector<const char*> fileImages{":/icons/success.png", ":/icons/notice.png",
                                                  ":/icons/error.png"};
        for (int image = 0; image < 3; ++image) {
            QTreeWidgetItem* row{files->InsertRow(0, image, {QStringLiteral("a.dbf")})};
            QCOMPARE(RowImage(row->icon(0)), ResourceImage(fileImages[image]));
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
        QStringList opened;
        CFileLauncher::SetTestHook([&](const QString& path) {
            opened.append(path);
            return true;
        });
        CSecondaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "showLogfileButton"), Qt::LeftButton);
        QCOMPARE(opened,
                 QStringList{QDir{m_env->InstallDir()}.filePath(QStringLiteral("log/zezodi.log"))});
    }

    void About_OpensTheAboutBox()
    {
        CSecondaryDlg dlg;
        dlg.show();
        bool seen{false};
        CWindowTestEnvironment::CloseNextModal("CAboutDlg", seen);
        QTest::mouseClick(Button(dlg, "aboutButton"), Qt::LeftButton);
        QVERIFY(seen);
        QVERIFY(dlg.isVisible());
    }

    void Exit_AnsweredNo_KeepsTheWindow()
    {
        CSecondaryDlg dlg;
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
        CSecondaryDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        m_answer = QMessageBox::Yes;
        QTest::mouseClick(Button(dlg, "exitButton"), Qt::LeftButton);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), int{QDialog::Accepted});
        QCOMPARE(dlg.RoleChangeMarker(), 0);
    }

    void Escape_EndsTheWindowWithoutAsking()
    {
        CSecondaryDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), int{QDialog::Rejected});
        QVERIFY(m_boxes.isEmpty());
    }

    void CloseBox_OnlyMinimises()
    {
        CSecondaryDlg dlg;
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
        CSecondaryDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Orvenda Synchronisation – Sekundärserver"));
        QCOMPARE(Button(dlg, "compareIniButton")->text(),
                 QStringLiteral("INI-Dateien vergleichen"));
        QCOMPARE(Headers(*List(dlg, "localFilesList")).at(5), QStringLiteral("CRC Sekundär"));
    }

private:
    std::unique_ptr<CWindowTestEnvironment> m_env;
    QList<CMessageBoxes::Box> m_boxes;
    QMessageBox::StandardButton m_answer{QMessageBox::Ok};
};

QTEST_MAIN(SecondaryDlgTest)
#include "SecondaryDlgTest.moc"
