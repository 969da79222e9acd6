#include "BoxRecorder.h"
#include "PrimaryWeb.h"
#include "TestFiles.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "core/StringTable.h"
#include "secondary/SecondaryDlg.h"
#include "widgets/IconButton.h"
#include "widgets/RunProgress.h"
#include "widgets/SortListCtrl.h"
#include "widgets/UiText.h"

#include <memory>
#include <string>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace WindowProbe;

namespace {
// Three files of 24 KB at the slow server's 8 KB/s: a run of several seconds.
constexpr int kFiles = 3;
constexpr std::size_t kFileSize = 24 * 1024;
// The test's own timer, far shorter than the run.
constexpr int kTickMs = 100;

QString FileName(int index)
{
    return QStringLiteral("plan%1.jxt").arg(index);
}

bool ReportHas(const CSortListCtrl& report, const QString& text)
{
    for (int row = 0; row < report.topLevelItemCount(); ++row) {
        if (report.topLevelItem(row)->text(1) == text) {
            return true;
        }
    }
    return false;
}
} // namespace

class WindowRunTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        QVERIFY(m_env->UseFreePorts());
        m_boxes.Start();
        m_web = std::make_unique<CPrimaryWeb>(*m_env);
        for (int index = 0; index < kFiles; ++index) {
            m_web->Publish(QStringLiteral("Jxt"), FileName(index), NewContent());
            QVERIFY(TestFiles::WriteFile(LocalPath(index), "old"));
        }
        m_web->Commit();
        // The same published tree, sent slowly.
        QVERIFY(QFile::link(m_web->Path(QStringLiteral("web/syncdata")),
                            m_web->Path(QStringLiteral("web/slow"))));
        m_web->Serve(*m_env, "slow");
    }

    void cleanup()
    {
        CBoxRecorder::Stop();
        m_web.reset();
        m_env.reset();
    }

    void SlowRun_TheWindowAnswersAndStopEndsTheRun()
    {
        CSecondaryDlg dlg;
        dlg.show();
        bool tickedDuringRun{false};
        QTimer::singleShot(kTickMs, &dlg,
                           [&] { tickedDuringRun = !Button(dlg, "syncNowButton")->isEnabled(); });
        QTest::mouseClick(Button(dlg, "syncNowButton"), Qt::LeftButton);
        auto* progress = dlg.findChild<CRunProgress*>(QStringLiteral("runProgress"));
        QVERIFY(progress);
        QTRY_VERIFY(progress->isVisible());
        QVERIFY(!Button(dlg, "compareIniButton")->isEnabled());
        QVERIFY(!Button(dlg, "settingsButton")->isEnabled());
        QTRY_VERIFY(tickedDuringRun);

        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("stopButton")),
                          Qt::LeftButton);
        QVERIFY(RunEnded(dlg));
        QVERIFY(!progress->isVisible());
        QVERIFY(ReportHas(*List(dlg, "reportList"), CUiText::Text(StringId::SyncStopped)));
        QCOMPARE(m_boxes.boxes.size(), 1);
        QCOMPARE(m_boxes.boxes[0].icon, QMessageBox::Warning);
        ExpectOldOrNewFiles();
    }

    void Exit_DuringARun_WaitsForTheRunToStop()
    {
        auto dlg = std::make_unique<CSecondaryDlg>();
        dlg->show();
        QSignalSpy finished{dlg.get(), &QDialog::finished};
        QTest::mouseClick(Button(*dlg, "syncNowButton"), Qt::LeftButton);
        QTRY_VERIFY(dlg->findChild<CRunProgress*>(QStringLiteral("runProgress"))->isVisible());
        m_boxes.answer = QMessageBox::Yes;
        QTest::mouseClick(Button(*dlg, "exitButton"), Qt::LeftButton);
        QCOMPARE(finished.size(), 1);
        dlg.reset();
        // Nothing of the run is left to arrive.
        QTest::qWait(kTickMs);
        ExpectOldOrNewFiles();
    }

private:
    static std::string NewContent() { return std::string(kFileSize, 'n'); }

    QString LocalPath(int index) const
    {
        return QDir{m_env->InstallDir()}.filePath(FileName(index));
    }

    // A stopped run leaves every file whole: replaced, or as it was.
    void ExpectOldOrNewFiles() const
    {
        for (int index = 0; index < kFiles; ++index) {
            const QString content{TestFiles::ReadFile(LocalPath(index))};
            QVERIFY2(content == QStringLiteral("old") ||
                         content == QString::fromStdString(NewContent()),
                     qPrintable(FileName(index)));
        }
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    std::unique_ptr<CPrimaryWeb> m_web;
    CBoxRecorder m_boxes;
};

QTEST_MAIN(WindowRunTest)
#include "WindowRunTest.moc"
