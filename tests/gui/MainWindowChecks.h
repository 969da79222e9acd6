#pragma once

#include "BoxRecorder.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "widgets/FileLauncher.h"
#include "widgets/SortListCtrl.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>
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

// The next window of the role comes back where the last one ended, at its size, with the file
// list's column widths and sort order (the header's arrow included); none of it is written
// into zezodi.ini. The path column takes the width the window gains, the others keep theirs.
template <class Dlg>
void RemembersItsPlaceAndLists(CBoxRecorder& boxes, const CWindowTestEnvironment& env,
                               const char* fileList)
{
    constexpr int kPathColumn{2};
    constexpr int kSortColumn{4};
    const QRect placed{QPoint{70, 50}, QSize{1180, 760}};
    {
        Dlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.setGeometry(placed);
        CSortListCtrl& list{*WindowProbe::List(dlg, fileList)};
        list.setColumnWidth(0, 211);
        QHeaderView& header{*list.header()};
        const QPoint at{header.sectionViewportPosition(kSortColumn) + 5, header.height() / 2};
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!list.IsAscending());
        boxes.answer = QMessageBox::Yes;
        QTest::mouseClick(WindowProbe::Button(dlg, "exitButton"), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
    }
    Dlg again;
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.geometry(), placed);
    CSortListCtrl& list{*WindowProbe::List(again, fileList)};
    QCOMPARE(list.columnWidth(0), 211);
    QCOMPARE(list.SortColumn(), kSortColumn);
    QVERIFY(!list.IsAscending());
    QVERIFY(list.header()->isSortIndicatorShown());
    QCOMPARE(list.header()->sortIndicatorSection(), kSortColumn);
    QCOMPARE(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);

    const int pathWidth{list.columnWidth(kPathColumn)};
    again.resize(placed.width() + 200, placed.height());
    QTRY_VERIFY(list.columnWidth(kPathColumn) > pathWidth + 100);
    QCOMPARE(list.columnWidth(0), 211);

    QFile ini{QDir{env.WindowsDir()}.filePath(QStringLiteral("zezodi.ini"))};
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(!ini.readAll().contains("geometry"));
}

} // namespace MainWindowChecks
