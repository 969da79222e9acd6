#pragma once

#include "BoxRecorder.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "widgets/FileLauncher.h"

#include <QDialog>
#include <QDir>
#include <QSignalSpy>
#include <QStringList>
#include <QtTest>

// What both main windows do alike: the log-file and About buttons, the Exit question, Escape
// and the close box. A failed check is recorded by Qt Test and ends the calling test case.
namespace MainWindowChecks {

template <class Dlg> void ShowLogfileHandsTheLogPathToTheEditor(const CWindowTestEnvironment& env)
{
    QStringList opened;
    CFileLauncher::SetTestHook([&](const QString& path) {
        opened.append(path);
        return true;
    });
    Dlg dlg;
    dlg.show();
    QTest::mouseClick(WindowProbe::Button(dlg, "showLogfileButton"), Qt::LeftButton);
    QCOMPARE(opened,
             QStringList{QDir{env.InstallDir()}.filePath(QStringLiteral("log/zezodi.log"))});
}

template <class Dlg> void AboutOpensTheAboutBox()
{
    Dlg dlg;
    dlg.show();
    bool seen{false};
    CWindowTestEnvironment::CloseNextModal("CAboutDlg", seen);
    QTest::mouseClick(WindowProbe::Button(dlg, "aboutButton"), Qt::LeftButton);
    QVERIFY(seen);
    QVERIFY(dlg.isVisible());
}

template <class Dlg> void ExitAnsweredNoKeepsTheWindow(CBoxRecorder& boxes)
{
    Dlg dlg;
    dlg.show();
    QSignalSpy finished{&dlg, &QDialog::finished};
    boxes.answer = QMessageBox::No;
    QTest::mouseClick(WindowProbe::Button(dlg, "exitButton"), Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Please confirm ..."));
    QCOMPARE(boxes.boxes[0].defaultButton, QMessageBox::No);
    QCOMPARE(finished.size(), 0);
    QVERIFY(dlg.isVisible());
}

template <class Dlg> void ExitAnsweredYesEndsTheWindow(CBoxRecorder& boxes)
{
    Dlg dlg;
    dlg.show();
    QSignalSpy finished{&dlg, &QDialog::finished};
    boxes.answer = QMessageBox::Yes;
    QTest::mouseClick(WindowProbe::Button(dlg, "exitButton"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toInt(), int{QDialog::Accepted});
    QCOMPARE(dlg.RoleChangeMarker(), 0);
}

template <class Dlg> void EscapeAsksTheExitQuestion(CBoxRecorder& boxes)
{
    Dlg dlg;
    dlg.show();
    QSignalSpy finished{&dlg, &QDialog::finished};
    boxes.answer = QMessageBox::No;
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Please confirm ..."));
    QCOMPARE(boxes.boxes[0].defaultButton, QMessageBox::No);
    QCOMPARE(finished.size(), 0);
    boxes.answer = QMessageBox::Yes;
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toInt(), int{QDialog::Accepted});
}

template <class Dlg> void CloseBoxOnlyMinimises()
{
    Dlg dlg;
    dlg.show();
    QSignalSpy finished{&dlg, &QDialog::finished};
    QVERIFY(!dlg.close());
    QVERIFY(dlg.windowState() & Qt::WindowMinimized);
    QCOMPARE(finished.size(), 0);
}

} // namespace MainWindowChecks
