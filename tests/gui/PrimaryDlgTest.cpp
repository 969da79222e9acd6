#include "primary/PrimaryDlg.h"

#include "MainWindowChecks.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "app/LanguageLoader.h"
#include "core/CatalogueReader.h"
#include "core/EventLog.h"
#include "core/ProfileStore.h"
#include "tests/support/FreePort.h"
#include "widgets/FileLauncher.h"
#include "widgets/IconButton.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"
#include "widgets/SortListCtrl.h"

#include <chrono>
#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

using namespace WindowProbe;

namespace {
// 14.11.2023 22:13:20 UTC, 23:13:20 in Berlin.
std::time_t FixedClock()
{
    return 1700000000;
}

constexpr const char* kAskStartClients{"Successfully prepared synchronization data.\nStart "
                                       "synchronization on secondary client servers now ?"};

QStringList RowTexts(const QTreeWidgetItem& item)
{
    QStringList texts;
    for (int column = 0; column < item.columnCount(); ++column) {
        texts.append(item.text(column));
    }
    return texts;
}

QStringList ColumnTexts(const CSortListCtrl& list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        texts.append(list.topLevelItem(row)->text(column));
    }
    return texts;
}

QString ReadAll(const QString& path)
{
    QFile file{path};
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString{};
}

template <typename T> T* Child(const QWidget& window, const char* name)
{
    auto* child = window.findChild<T*>(QLatin1String{name});
    if (child == nullptr) {
        qFatal("No control %s", name);
    }
    return child;
}

void ClickOk(const QDialog& dialog)
{
    QTest::mouseClick(Child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

void ClickCancel(const QDialog& dialog)
{
    QTest::mouseClick(
        Child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Cancel),
        Qt::LeftButton);
}

// Answers the modal dialog that opens next as the operator would, within 10 s; seen tells
// whether it was one of class className. A dialog the answer leaves open is cancelled, so
// that the test goes on either way.
void AnswerNextModal(const char* className, std::function<void(QDialog&)> answer, bool& seen)
{
    auto* poller = new QTimer;
    poller->setInterval(10);
    int ticks{0};
    QObject::connect(poller, &QTimer::timeout, poller,
                     [poller, className, answer = std::move(answer), &seen, ticks]() mutable {
                         QWidget* modal = QApplication::activeModalWidget();
                         if (modal == nullptr && ++ticks < 1000) {
                             return;
                         }
                         poller->stop();
                         poller->deleteLater();
                         auto* dialog = qobject_cast<QDialog*>(modal);
                         if (dialog == nullptr) {
                             return;
                         }
                         seen = dialog->inherits(className);
                         if (seen) {
                             answer(*dialog);
                         }
                         if (dialog->isVisible()) {
                             dialog->reject();
                         }
                     });
    poller->start();
}

// The lines of zezodi.ini, in any order.
QStringList SortedLines(const QString& path)
{
    QStringList lines{ReadAll(path).split(QLatin1Char{'\n'}, Qt::SkipEmptyParts)};
    lines.sort();
    return lines;
}

bool Accepts(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    return socket.waitForConnected(5000);
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
        QVERIFY(m_env->UseFreePorts());
        m_boxRecorder.Start();
    }

    void cleanup()
    {
        CBoxRecorder::Stop();
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
            QCOMPARE(CMnemonics::Plain(button->text()), QString::fromUtf8(caption));
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
        MainWindowChecks::ShowLogfileHandsTheLogPathToTheEditor<CPrimaryDlg>(*m_env);
    }

    void About_OpensTheAboutBox() { MainWindowChecks::AboutOpensTheAboutBox<CPrimaryDlg>(); }

    void Exit_AnsweredNo_KeepsTheWindow()
    {
        MainWindowChecks::ExitAnsweredNoKeepsTheWindow<CPrimaryDlg>(m_boxRecorder);
    }

    void Exit_AnsweredYes_EndsTheWindow()
    {
        MainWindowChecks::ExitAnsweredYesEndsTheWindow<CPrimaryDlg>(m_boxRecorder);
    }

    void Escape_AsksTheExitQuestion()
    {
        MainWindowChecks::EscapeAsksTheExitQuestion<CPrimaryDlg>(m_boxRecorder);
    }

    void CloseBox_OnlyMinimises() { MainWindowChecks::CloseBoxOnlyMinimises<CPrimaryDlg>(); }

    void Reopened_ComesBackWithItsPlaceAndItsListsColumnsAndOrder()
    {
        MainWindowChecks::RemembersItsPlaceAndLists<CPrimaryDlg>(m_boxRecorder, *m_env, "fileList");
    }

    void SynchronizeNow_FillsTheListNewestOnTopAndWritesTheCatalogue()
    {
        WriteInstallationFiles();
        CPrimaryDlg dlg;
        dlg.show();
        m_answer = QMessageBox::No;
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));

        CSortListCtrl* files{List(dlg, "fileList")};
        QCOMPARE(ColumnTexts(*files, 0), (QStringList{"night.jxt", "persons.dbf", "alarms.dbf"}));
        const QString installDir{m_env->InstallDir()};
        const QString db1{QDir{m_env->Root()}.filePath(QStringLiteral("srv/db1"))};
        const QStringList newest{RowTexts(*files->topLevelItem(0))};
        QCOMPARE(newest.mid(0, 3), (QStringList{"night.jxt", "jxt", installDir}));
        QCOMPARE(newest.mid(4), (QStringList{"1 KB", "cbf43926"}));
        QVERIFY(QRegularExpression{QStringLiteral("^\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}$")}
                    .match(newest[3])
                    .hasMatch());
        QCOMPARE(files->topLevelItem(2)->text(2), db1);

        const std::string catalogue{WebPath("zezodi.txt").toStdString()};
        const CCatalogueReader reader{catalogue};
        const auto db1Entries = reader.Entries("Db1");
        QCOMPARE(db1Entries.size(), std::size_t{2});
        QCOMPARE(db1Entries[0].file, std::string{"alarms.dbf"});
        QCOMPARE(db1Entries[1].file, std::string{"persons.dbf"});
        const auto jxtEntries = reader.Entries("Jxt");
        QCOMPARE(jxtEntries.size(), std::size_t{1});
        QCOMPARE(jxtEntries[0].crc, std::string{"cbf43926"});
        const std::string stamp{reader.Stamp()};
        QCOMPARE(stamp.size(), std::size_t{8});
        QCOMPARE(CProfileStore::ReadText("Config", "LastSync", "", 40, "zezodi.ini"), stamp);
        QVERIFY(QFileInfo{WebPath("Db1/persons.dbf")}.isFile());
        QVERIFY(!dlg.findChild<QLineEdit*>(QStringLiteral("lastSyncEdit"))->text().isEmpty());

        CSortListCtrl* report{List(dlg, "reportList")};
        QCOMPARE(
            ColumnTexts(*report, 1),
            (QStringList{"Successfully prepared data for synchronization",
                         "Preparation for synchronization started manually. Please wait ..."}));
        QCOMPARE(RowImage(report->topLevelItem(1)->icon(0)), ResourceImage(":/icons/success.png"));
        QVERIFY(ReadAll(LogPath()).endsWith(
            QStringLiteral(", Preparation for synchronization started manually\n")));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void SynchronizeNow_Succeeded_AsksToStartTheSecondaries()
    {
        WriteInstallationFiles();
        CPrimaryDlg dlg;
        dlg.show();
        m_answer = QMessageBox::Yes;
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        // Yes opens the client synchronisation dialog, which finds no secondary to list.
        QCOMPARE(m_boxes.size(), 2);
        QCOMPARE(m_boxes[1].text,
                 QStringLiteral("No secondary clients for synchronization defined yet !\n"
                                "Please define the clients in the settings dialog."));
        QCOMPARE(m_boxes[0].text, QString::fromUtf8(kAskStartClients));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Please confirm ..."));
        QCOMPARE(m_boxes[0].icon, QMessageBox::Question);
        QCOMPARE(m_boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(m_boxes[0].defaultButton, QMessageBox::Yes);
        QVERIFY(dlg.isVisible());
    }

    void SynchronizeNow_WithoutControlFeatures_AsksNothing()
    {
        WriteInstallationFiles();
        m_env->WriteConfig("UseSocketsControls", "2");
        CPrimaryDlg dlg;
        dlg.show();
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        QCOMPARE(List(dlg, "reportList")->topLevelItem(0)->text(1),
                 QStringLiteral("Successfully prepared data for synchronization"));
        QVERIFY(m_boxes.isEmpty());
    }

    void SynchronizeNow_WithErrors_ReportsThemAndAsksNothing()
    {
        WriteInstallationFiles();
        // Sources that list as files but cannot be read, whoever runs the test.
        for (const char* name : {"srv/db1/alarms.dbf", "srv/db1/persons.dbf"}) {
            const QString path{QDir{m_env->Root()}.filePath(QString::fromUtf8(name))};
            QVERIFY(QFile::remove(path));
            QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), path));
        }
        CPrimaryDlg dlg;
        dlg.show();
        m_answer = QMessageBox::Yes;
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));

        CSortListCtrl* files{List(dlg, "fileList")};
        QCOMPARE(ColumnTexts(*files, 0),
                 (QStringList{"night.jxt", "ERROR: persons.dbf", "ERROR: alarms.dbf"}));
        QCOMPARE(RowTexts(*files->topLevelItem(1)),
                 (QStringList{"ERROR: persons.dbf", "", "", "", "", ""}));
        CSortListCtrl* report{List(dlg, "reportList")};
        QCOMPARE(report->topLevelItem(0)->text(1),
                 QStringLiteral("Error while preparing data for synchronization"));
        QCOMPARE(RowImage(report->topLevelItem(0)->icon(0)), ResourceImage(":/icons/error.png"));
        QVERIFY(m_boxes.isEmpty());
    }

    void PreparationTimer_RunsEveryIntervalOfHours()
    {
        {
            CPrimaryDlg dlg;
            QCOMPARE(PreparationTimer(dlg)->interval(), 12 * 3600000);
            QVERIFY(PreparationTimer(dlg)->isActive());
        }
        m_env->WriteConfig("PrimIntervalInHours", "1");
        {
            CPrimaryDlg dlg;
            QCOMPARE(PreparationTimer(dlg)->interval(), 3600000);
        }
        // 1000 hours in milliseconds do not fit QTimer's int.
        m_env->WriteConfig("PrimIntervalInHours", "1000");
        CPrimaryDlg dlg;
        QCOMPARE(PreparationTimer(dlg)->interval(), CPrimaryDlg::kMaxIntervalHours * 3600000);
        QVERIFY(PreparationTimer(dlg)->isActive());
    }

    void PreparationInterval_HoldsEveryValueWithinTheTimersRange()
    {
        using std::chrono::milliseconds;
        QCOMPARE(CPrimaryDlg::PreparationInterval(596), milliseconds{596LL * 3600000});
        QCOMPARE(CPrimaryDlg::PreparationInterval(597), milliseconds{596LL * 3600000});
        QCOMPARE(CPrimaryDlg::PreparationInterval(std::numeric_limits<int>::max()),
                 milliseconds{596LL * 3600000});
        QVERIFY(CPrimaryDlg::PreparationInterval(596).count() <= std::numeric_limits<int>::max());
        QCOMPARE(CPrimaryDlg::PreparationInterval(0), milliseconds{3600000});
        QCOMPARE(CPrimaryDlg::PreparationInterval(-7), milliseconds{3600000});
    }

    void TimerTick_PreparesAutomaticallyWithoutAsking()
    {
        WriteInstallationFiles();
        CPrimaryDlg dlg;
        dlg.show();
        QTimer* timer{PreparationTimer(dlg)};
        CSortListCtrl* report{List(dlg, "reportList")};
        timer->setInterval(1);
        QTRY_VERIFY(report->topLevelItemCount() >= 2);
        timer->stop();

        const int oldest{report->topLevelItemCount() - 1};
        QCOMPARE(report->topLevelItem(oldest)->text(1),
                 QStringLiteral("Preparation for synchronization started automatically"));
        QCOMPARE(report->topLevelItem(oldest - 1)->text(1),
                 QStringLiteral("Successfully prepared data for synchronization"));
        QVERIFY(ReadAll(LogPath()).contains(
            QStringLiteral(", Preparation for synchronization started automatically\n")));
        QCOMPARE(CCatalogueReader{WebPath("zezodi.txt").toStdString()}.Entries("Db1").size(),
                 std::size_t{2});
        QVERIFY(m_boxes.isEmpty());
    }

    // Only the ports are configured, so that the listener keeps off the default ones.
    void FreshMachine_WritesThePrimaryKeysInTheirOrder()
    {
        // Really fresh: no zezodi.ini at all, so the window also takes the default ports.
        QVERIFY(QFile::remove(IniPath()));
        CPrimaryDlg dlg;
        const QString webDir{QDir{m_env->Root()}.filePath(QStringLiteral("srv/jxt/syncdata"))};
        QCOMPARE(ReadAll(IniPath()),
                 QStringLiteral("[Config]\n"
                                "CopyToWebPath=%1\n"
                                "ZipIfBigger=1024\n"
                                "DoNotSyncFiles=\n"
                                "Port=4020\n"
                                "Port2=4021\n"
                                "PrimaryIPAddress=\n"
                                "\n"
                                "# Synchronize system database jxtpost.dbf, jxtini.dbf, "
                                "jxtbatch.dbf, jxtpostX.dbf, ... #=*\n"
                                "SyncSystemQueueDb=1\n"
                                "PrimIntervalInHours=12\n"
                                "SyncClientSystemTime=0\n")
                     .arg(webDir));
        QVERIFY(m_boxes.isEmpty());
    }

    void ZipProgramChosenButNoneFound_SaysSoOnce()
    {
        m_env->WriteConfig("UseGZip", "0");
        CPrimaryDlg dlg;
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QVERIFY(m_boxes[0].text.startsWith(QStringLiteral(
            "No compression tool (winzip with command line support) installed !\n")));
        QCOMPARE(CProfileStore::ReadText("Config", "ZipProg", "-", 80, "zezodi.ini"),
                 std::string{"-"});
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
        QCOMPARE(CMnemonics::Plain(Button(dlg, "syncNowButton")->text()),
                 QStringLiteral("Jetzt synchronisieren"));
        QCOMPARE(Headers(*List(dlg, "fileList")).at(0), QStringLiteral("Dateiname"));
    }

    void Settings_Ok_TakesOverIntervalThresholdAndWebDirectory()
    {
        WriteInstallationFiles();
        CPrimaryDlg dlg;
        dlg.show();
        const QString webDir{QDir{m_env->Root()}.filePath(QStringLiteral("srv/web2"))};
        bool seen{false};
        AnswerNextModal(
            "CPrimarySettingsDlg",
            [&webDir](QDialog& settings) {
                Child<QComboBox>(settings, "intervalCombo")->setCurrentText(QStringLiteral("3"));
                // Every file bigger than 0 KB is packed from now on.
                Child<QLineEdit>(settings, "thresholdEdit")->setText(QStringLiteral("0"));
                Child<QLineEdit>(settings, "webPathEdit")->setText(webDir);
                ClickOk(settings);
            },
            seen);
        QTest::mouseClick(Button(dlg, "settingsButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(PreparationTimer(dlg)->interval(), 3 * 3600000);
        QVERIFY(PreparationTimer(dlg)->isActive());
        QVERIFY(QFileInfo{webDir}.isDir());
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.RoleChangeMarker(), 0);

        m_answer = QMessageBox::No;
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        const std::vector<CCatalogueReader::Entry> entries{
            CCatalogueReader{QDir{webDir}.filePath(QStringLiteral("zezodi.txt")).toStdString()}
                .Entries("Db1")};
        QCOMPARE(entries.size(), std::size_t{2});
        for (const CCatalogueReader::Entry& entry : entries) {
            QCOMPARE(entry.zipped, 1);
        }
        QVERIFY(!QFileInfo::exists(WebPath("zezodi.txt")));
    }

    // The compression choice is written for the next start; this run keeps packing with gzip
    // although the chosen program does not exist.
    void Settings_CompressionChoice_IsNotTakenOver()
    {
        WriteInstallationFiles();
        CPrimaryDlg dlg;
        dlg.show();
        bool seen{false};
        AnswerNextModal(
            "CPrimarySettingsDlg",
            [this](QDialog& settings) {
                QTest::mouseClick(Child<QRadioButton>(settings, "programRadio"), Qt::LeftButton);
                Child<QLineEdit>(settings, "zipProgEdit")
                    ->setText(QDir{m_env->Root()}.filePath(QStringLiteral("no/wzzip")));
                Child<QLineEdit>(settings, "thresholdEdit")->setText(QStringLiteral("0"));
                ClickOk(settings);
            },
            seen);
        QTest::mouseClick(Button(dlg, "settingsButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(CProfileStore::ReadText("Config", "UseGZip", "", 10, "zezodi.ini"),
                 std::string{"0"});

        m_answer = QMessageBox::No;
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        const std::vector<CCatalogueReader::Entry> entries{
            CCatalogueReader{WebPath("zezodi.txt").toStdString()}.Entries("Db1")};
        QCOMPARE(entries.size(), std::size_t{2});
        for (const CCatalogueReader::Entry& entry : entries) {
            QCOMPARE(entry.zipped, 1);
        }
        QVERIFY(QFileInfo::exists(WebPath("Db1/alarms.dbf.gz")));
    }

    // After Cancel the values loaded at opening count, not the ones typed.
    void Settings_Cancel_RestartsTheTimerWithTheLoadedInterval()
    {
        CPrimaryDlg dlg;
        dlg.show();
        QCOMPARE(PreparationTimer(dlg)->interval(), 12 * 3600000);
        m_env->WriteConfig("PrimIntervalInHours", "7");
        bool seen{false};
        AnswerNextModal(
            "CPrimarySettingsDlg",
            [](QDialog& settings) {
                Child<QComboBox>(settings, "intervalCombo")->setCurrentText(QStringLiteral("2"));
                ClickCancel(settings);
            },
            seen);
        QTest::mouseClick(Button(dlg, "settingsButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(PreparationTimer(dlg)->interval(), 7 * 3600000);
        QVERIFY(PreparationTimer(dlg)->isActive());
        QCOMPARE(CProfileStore::ReadText("Config", "PrimIntervalInHours", "", 10, "zezodi.ini"),
                 std::string{"7"});
        QVERIFY(dlg.isVisible());
    }

    void Settings_IntervalOutsideTheTimersRange_IsHeldToItsBounds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("hours");
        QTest::newRow("0") << QStringLiteral("0") << 1;
        QTest::newRow("negative") << QStringLiteral("-5") << 1;
        QTest::newRow("no number") << QStringLiteral("daily") << 1;
        QTest::newRow("empty") << QString{} << 1;
        QTest::newRow("number with text") << QStringLiteral("6h") << 6;
        QTest::newRow("too long for the timer") << QStringLiteral("1000") << 596;
    }

    void Settings_IntervalOutsideTheTimersRange_IsHeldToItsBounds()
    {
        QFETCH(QString, typed);
        QFETCH(int, hours);
        CPrimaryDlg dlg;
        dlg.show();
        bool seen{false};
        AnswerNextModal(
            "CPrimarySettingsDlg",
            [&typed](QDialog& settings) {
                Child<QComboBox>(settings, "intervalCombo")->setCurrentText(typed);
                ClickOk(settings);
            },
            seen);
        QTest::mouseClick(Button(dlg, "settingsButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(PreparationTimer(dlg)->interval(), hours * 3600000);
        QVERIFY(PreparationTimer(dlg)->isActive());
    }

    // The confirmed change writes IsPrimary alone, still takes over the dialog's values and
    // frees Port2 for the next role.
    void Settings_ChangeToSecondaryYes_EndsTheWindowWithMarkerTwo()
    {
        m_env->WriteConfig("SyncJxalarmIni", "0");
        CPrimaryDlg dlg;
        dlg.show();
        QVERIFY(WaitUntilListening(m_env->Port2(), std::chrono::seconds{10}));
        const QStringList before{SortedLines(IniPath())};
        QSignalSpy finished{&dlg, &QDialog::finished};
        m_answer = QMessageBox::Yes;
        bool seen{false};
        AnswerNextModal(
            "CPrimarySettingsDlg",
            [](QDialog& settings) {
                Child<QComboBox>(settings, "intervalCombo")->setCurrentText(QStringLiteral("3"));
                Child<QLineEdit>(settings, "thresholdEdit")->setText(QStringLiteral("77"));
                QTest::mouseClick(Child<QPushButton>(settings, "changeRoleButton"), Qt::LeftButton);
            },
            seen);
        QTest::mouseClick(Button(dlg, "settingsButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(dlg.RoleChangeMarker(), 2);
        QCOMPARE(finished.size(), 1);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(PreparationTimer(dlg)->interval(), 3 * 3600000);
        QStringList expected{before + QStringList{QStringLiteral("IsPrimary=0")}};
        expected.sort();
        QCOMPARE(SortedLines(IniPath()), expected);
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(!Accepts(m_env->Port2()));
    }

private:
    // Two databases and a script of the alarm software; the script holds the CRC-32 check
    // text, whose checksum is cbf43926.
    void WriteInstallationFiles() const
    {
        WriteFile("srv/db1/alarms.dbf", "DBF demo table: alarms");
        WriteFile("srv/db1/persons.dbf", "DBF demo table: persons");
        WriteFile("srv/jxt/night.jxt", "123456789");
    }

    void WriteFile(const char* relativePath, const QByteArray& content) const
    {
        const QString path{QDir{m_env->Root()}.filePath(QString::fromUtf8(relativePath))};
        QVERIFY(QDir{}.mkpath(QFileInfo{path}.path()));
        QFile file{path};
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }

    QString WebPath(const char* name) const
    {
        return QDir{m_env->Root()}.filePath(QStringLiteral("srv/jxt/syncdata/") +
                                            QString::fromUtf8(name));
    }

    QString LogPath() const
    {
        return QDir{m_env->InstallDir()}.filePath(QStringLiteral("log/zezodi.log"));
    }

    QString IniPath() const
    {
        return QDir{m_env->WindowsDir()}.filePath(QStringLiteral("zezodi.ini"));
    }

    static QTimer* PreparationTimer(const CPrimaryDlg& dlg)
    {
        auto* timer = dlg.findChild<QTimer*>(QStringLiteral("preparationTimer"));
        if (timer == nullptr) {
            qFatal("No preparation timer");
        }
        return timer;
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    CBoxRecorder m_boxRecorder;
    QList<CMessageBoxes::Box>& m_boxes{m_boxRecorder.boxes};
    QMessageBox::StandardButton& m_answer{m_boxRecorder.answer};
};

QTEST_MAIN(PrimaryDlgTest)
#include "PrimaryDlgTest.moc"
