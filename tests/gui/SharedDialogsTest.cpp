#include "BoxRecorder.h"
#include "widgets/AboutDlg.h"
#include "widgets/FileLauncher.h"
#include "widgets/MainDlg.h"
#include "widgets/MessageBoxes.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

namespace {
// A main window with its Exit button as the default button, as the role windows have.
class CTestMainDlg : public CMainDlg
{
public:
    CTestMainDlg()
    {
        auto* exitButton = new QPushButton{QStringLiteral("Exit"), this};
        exitButton->setDefault(true);
        connect(exitButton, &QPushButton::clicked, this, &CMainDlg::accept);
    }

    int exitConfirmedCalls{0};
    void ChangeRole(int marker) { EndWithRoleChange(marker); }

protected:
    void OnExitConfirmed() override { ++exitConfirmedCalls; }
};
} // namespace

class SharedDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_boxRecorder.Start(); }

    void cleanup()
    {
        CBoxRecorder::Stop();
        CFileLauncher::SetTestHook({});
    }

    void ErrorBox_HasExclamationIconAndOkOnly()
    {
        CMessageBoxes::ShowErrorBox(QStringLiteral("Disk full"), QStringLiteral("Error"));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(m_boxes[0].text, QStringLiteral("Disk full"));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_boxes[0].buttons, QMessageBox::StandardButtons{QMessageBox::Ok});
    }

    void InfoBox_HasInformationIconAndOkOnly()
    {
        CMessageBoxes::ShowInfoBox(QStringLiteral("Done"), QStringLiteral("Information"));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Information);
        QCOMPARE(m_boxes[0].buttons, QMessageBox::StandardButtons{QMessageBox::Ok});
    }

    void AskYesNo_DefaultFollowsFlagAndOnlyYesIsTrue()
    {
        m_answer = QMessageBox::Yes;
        QVERIFY(CMessageBoxes::AskYesNo(QStringLiteral("Go?"), QStringLiteral("Confirm"), true));
        m_answer = QMessageBox::No;
        QVERIFY(!CMessageBoxes::AskYesNo(QStringLiteral("Go?"), QStringLiteral("Confirm"), false));
        QCOMPARE(m_boxes.size(), 2);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Question);
        QCOMPARE(m_boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(m_boxes[0].defaultButton, QMessageBox::No);
        QCOMPARE(m_boxes[1].defaultButton, QMessageBox::Yes);
    }

    void AskYesNo_WithoutHook_EnterChoosesTheDefaultNo()
    {
        CMessageBoxes::SetTestHook({});
        bool sawBox{false};
        QTimer presser;
        presser.setInterval(10);
        connect(&presser, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                sawBox = true;
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        // Ends the box should the presser never find it, so that the test fails instead of
        // waiting for ever.
        QTimer::singleShot(10000, this, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        presser.start();
        const bool answer{
            CMessageBoxes::AskYesNo(QStringLiteral("Go?"), QStringLiteral("Confirm"), true)};
        presser.stop();
        QVERIFY(sawBox);
        QVERIFY(!answer);
    }

    void AboutBox_ShowsVersionLineCaptionAndLogo()
    {
        CAboutDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About Zezodi"));
        auto* version = dlg.findChild<QLabel*>(QStringLiteral("versionLabel"));
        QVERIFY(version);
        QCOMPARE(version->text(), QStringLiteral("Zezodi, Version 3.1"));
        auto* logo = dlg.findChild<QLabel*>(QStringLiteral("logoLabel"));
        QVERIFY(logo);
        QCOMPARE(logo->pixmap().size(), QSize(44, 22));
        auto* icon = dlg.findChild<QLabel*>(QStringLiteral("iconLabel"));
        QVERIFY(icon && !icon->pixmap().isNull());
    }

    void AboutBox_OkClosesIt()
    {
        CAboutDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), int{QDialog::Accepted});
    }

    void AboutBox_SpeaksGermanWithTheGermanTranslation()
    {
        QTranslator german;
        QVERIFY(german.load(QStringLiteral(ZEZODI_TEST_TRANSLATIONS_DIR "/zezodi_dt.qm")));
        QApplication::installTranslator(&german);
        CAboutDlg dlg;
        QApplication::removeTranslator(&german);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Über Zezodi"));
    }

    void FileLauncher_HookReceivesThePath()
    {
        QStringList opened;
        CFileLauncher::SetTestHook([&](const QString& path) {
            opened.append(path);
            return true;
        });
        QVERIFY(CFileLauncher::OpenInEditor(QStringLiteral("/srv/orvenda/jxt/log/zezodi.log")));
        QCOMPARE(opened, QStringList{QStringLiteral("/srv/orvenda/jxt/log/zezodi.log")});
    }

    void FileLauncher_WithoutXdgOpen_NamesThePackageForAnExistingFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString log{dir.filePath(QStringLiteral("zezodi.log"))};
        QFile file{log};
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        CFileLauncher::SetTestHook([](const QString&) { return false; });
        const QByteArray path{qgetenv("PATH")};
        // No xdg-open on an empty directory's path.
        qputenv("PATH", dir.path().toLocal8Bit());
        QVERIFY(!CFileLauncher::OpenInEditorOrReport(log));
        QVERIFY(!CFileLauncher::OpenInEditorOrReport(dir.filePath(QStringLiteral("missing.log"))));
        qputenv("PATH", path);
        QCOMPARE(m_boxes.size(), 2);
        QCOMPARE(m_boxes[0].text, QStringLiteral("The file %1 exists, but no program opens it: "
                                                 "xdg-open is missing. Install the package "
                                                 "xdg-utils.")
                                      .arg(log));
        QVERIFY(m_boxes[1].text.startsWith(QStringLiteral("The file ")));
        QVERIFY(m_boxes[1].text.contains(QStringLiteral("does not exist")));
    }

    void MainDlg_CloseBoxOnlyMinimises()
    {
        CTestMainDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        QVERIFY(!dlg.close());
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.windowState() & Qt::WindowMinimized);
        QCOMPARE(finished.size(), 0);
        QVERIFY(m_boxes.isEmpty());
        dlg.Raise();
        QVERIFY(!(dlg.windowState() & Qt::WindowMinimized));
    }

    void MainDlg_EscapeAsksTheExitQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("ends");
        QTest::newRow("no") << int{QMessageBox::No} << 0;
        QTest::newRow("yes") << int{QMessageBox::Yes} << 1;
    }

    void MainDlg_EscapeAsksTheExitQuestion()
    {
        QFETCH(int, answer);
        QFETCH(int, ends);
        CTestMainDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        m_answer = static_cast<QMessageBox::StandardButton>(answer);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Please confirm ..."));
        QCOMPARE(finished.size(), ends);
        QCOMPARE(dlg.exitConfirmedCalls, ends);
        QCOMPARE(dlg.RoleChangeMarker(), 0);
    }

    void MainDlg_ExitAnsweredNo_KeepsRunning()
    {
        CTestMainDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        m_answer = QMessageBox::No;
        dlg.accept();
        QCOMPARE(finished.size(), 0);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.exitConfirmedCalls, 0);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Please confirm ..."));
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("Exit the synchronization tool ?\nThis program needs to be "
                                "running if the servers have to be synchronized !"));
        QCOMPARE(m_boxes[0].icon, QMessageBox::Question);
        QCOMPARE(m_boxes[0].defaultButton, QMessageBox::No);
    }

    void MainDlg_ExitAnsweredYes_EndsNormally()
    {
        CTestMainDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        m_answer = QMessageBox::Yes;
        QTest::keyClick(&dlg, Qt::Key_Return);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), int{QDialog::Accepted});
        QCOMPARE(dlg.exitConfirmedCalls, 1);
        QCOMPARE(dlg.RoleChangeMarker(), 0);
    }

    void MainDlg_RoleChange_EndsWithItsMarkerWithoutAsking()
    {
        CTestMainDlg dlg;
        dlg.show();
        QSignalSpy finished{&dlg, &QDialog::finished};
        dlg.ChangeRole(2);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(dlg.RoleChangeMarker(), 2);
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(dlg.exitConfirmedCalls, 0);
    }

private:
    CBoxRecorder m_boxRecorder;
    QList<CMessageBoxes::Box>& m_boxes{m_boxRecorder.boxes};
    QMessageBox::StandardButton& m_answer{m_boxRecorder.answer};
};

QTEST_MAIN(SharedDialogsTest)
#include "SharedDialogsTest.moc"
