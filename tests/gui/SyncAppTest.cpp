#include "app/SyncApp.h"

#include "app/SingleInstance.h"
#include "core/InstanceLock.h"
#include "core/ProfileStore.h"
#include "widgets/MainDlg.h"
#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <functional>
#include <memory>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
using Role = CSyncApp::Role;

// A main window that runs one action once it is up, as the operator would.
class CScriptedDlg : public CMainDlg
{
public:
    explicit CScriptedDlg(std::function<void(CScriptedDlg&)> action) : m_action{std::move(action)}
    {
        QTimer::singleShot(0, this, [this] { m_action(*this); });
    }
    void ChangeRole(int marker) { EndWithRoleChange(marker); }

private:
    std::function<void(CScriptedDlg&)> m_action;
};

} // namespace

Q_DECLARE_METATYPE(CSyncApp::Role)

namespace {
struct Start
{
    Role role;
    QString title;
    QString errorText;
};
} // namespace

class SyncAppTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_tempBase = QDir::tempPath(); }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>(
            m_tempBase +
            QStringLiteral("/%1-XXXXXX").arg(QLatin1String{metaObject()->className()}));
        QVERIFY(m_tmp->isValid());
        QVERIFY(QDir{m_tmp->path()}.mkpath(QStringLiteral("windows")));
        QVERIFY(QDir{m_tmp->path()}.mkpath(QStringLiteral("tmp")));
        QVERIFY(QDir{m_tmp->path()}.mkpath(QStringLiteral("no-translations")));
        qputenv("ZEZODI_WINDIR", WindowsDir().toLocal8Bit());
        qputenv("TMPDIR", QDir{m_tmp->path()}.filePath(QStringLiteral("tmp")).toLocal8Bit());
        qputenv("ZEZODI_TRANSLATIONS_DIR", ZEZODI_TEST_TRANSLATIONS_DIR);
        m_boxes.clear();
        m_starts.clear();
        CMessageBoxes::SetTestHook([this](const CMessageBoxes::Box& box) {
            m_boxes.append(box);
            return QMessageBox::Ok;
        });
    }

    void cleanup() { CMessageBoxes::SetTestHook({}); }

    void Language_PicksTheTranslation_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("error");
        QTest::newRow("DT") << QByteArray{"DT"} << QStringLiteral("Fehler");
        QTest::newRow("FR") << QByteArray{"FR"} << QStringLiteral("Erreur");
        QTest::newRow("lower-case dt") << QByteArray{"dt"} << QStringLiteral("Error");
        QTest::newRow("DE") << QByteArray{"DE"} << QStringLiteral("Error");
        QTest::newRow("empty") << QByteArray{} << QStringLiteral("Error");
    }

    void Language_PicksTheTranslation()
    {
        QFETCH(QByteArray, language);
        QFETCH(QString, error);
        WriteConfig("DefaultLanguage", language.toStdString());
        QCOMPARE(RunEndingAtOnce(), 0);
        QCOMPARE(m_starts.size(), 1);
        QCOMPARE(m_starts[0].errorText, error);
        QVERIFY(m_boxes.isEmpty());
        // The translation goes with the application object.
        QCOMPARE(CUiText::Text(StringId::Error), QStringLiteral("Error"));
    }

    void Language_MissingKey_StaysEnglish()
    {
        QCOMPARE(RunEndingAtOnce(), 0);
        QCOMPARE(m_starts[0].errorText, QStringLiteral("Error"));
        QCOMPARE(m_starts[0].title, QStringLiteral("Orvenda Primary Synchronization Tool"));
        QVERIFY(m_boxes.isEmpty());
    }

    void Language_GermanTitleCaptionsTheWindow()
    {
        WriteConfig("DefaultLanguage", "DT");
        QCOMPARE(RunEndingAtOnce(), 0);
        QCOMPARE(m_starts[0].title, QStringLiteral("Orvenda Synchronisation – Primärserver"));
    }

    void Language_MissingTranslationFile_ReportsItAndStaysEnglish_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("file");
        QTest::newRow("DT") << QByteArray{"DT"} << QStringLiteral("zezodi_dt.qm");
        QTest::newRow("FR") << QByteArray{"FR"} << QStringLiteral("zezodi_fr.qm");
    }

    void Language_MissingTranslationFile_ReportsItAndStaysEnglish()
    {
        QFETCH(QByteArray, language);
        QFETCH(QString, file);
        qputenv("ZEZODI_TRANSLATIONS_DIR",
                QDir{m_tmp->path()}.filePath(QStringLiteral("no-translations")).toLocal8Bit());
        WriteConfig("DefaultLanguage", language.toStdString());
        QCOMPARE(RunEndingAtOnce(), 0);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("The resource DLL %1 could not be loaded !").arg(file));
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(m_starts.size(), 1);
        QCOMPARE(m_starts[0].errorText, QStringLiteral("Error"));
    }

    void Language_DamagedTranslationFile_IsReported()
    {
        const QString dir{QDir{m_tmp->path()}.filePath(QStringLiteral("no-translations"))};
        QFile damaged{QDir{dir}.filePath(QStringLiteral("zezodi_fr.qm"))};
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a translation");
        damaged.close();
        qputenv("ZEZODI_TRANSLATIONS_DIR", dir.toLocal8Bit());
        WriteConfig("DefaultLanguage", "FR");
        QCOMPARE(RunEndingAtOnce(), 0);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("The resource DLL zezodi_fr.qm could not be loaded !"));
        QCOMPARE(m_starts[0].errorText, QStringLiteral("Error"));
    }

    void Role_FollowsIsPrimary_data()
    {
        QTest::addColumn<QByteArray>("isPrimary");
        QTest::addColumn<bool>("write");
        QTest::addColumn<Role>("role");
        QTest::newRow("1") << QByteArray{"1"} << true << Role::Primary;
        QTest::newRow("missing") << QByteArray{} << false << Role::Primary;
        QTest::newRow("0") << QByteArray{"0"} << true << Role::Secondary;
        QTest::newRow("2") << QByteArray{"2"} << true << Role::Secondary;
        QTest::newRow("-1") << QByteArray{"-1"} << true << Role::Secondary;
    }

    void Role_FollowsIsPrimary()
    {
        QFETCH(QByteArray, isPrimary);
        QFETCH(bool, write);
        QFETCH(Role, role);
        if (write) {
            WriteConfig("IsPrimary", isPrimary.toStdString());
        }
        QCOMPARE(RunEndingAtOnce(), 0);
        QCOMPARE(m_starts.size(), 1);
        QCOMPARE(m_starts[0].role, role);
        QCOMPARE(m_starts[0].title, role == Role::Primary
                                        ? QStringLiteral("Orvenda Primary Synchronization Tool")
                                        : QStringLiteral("Orvenda Secondary Synchronization Tool"));
    }

    void SecondStartOfRunningRole_RaisesItAndEndsBeforeTouchingAnyFile()
    {
        CSingleInstance running;
        QSignalSpy raised{&running, &CSingleInstance::RaiseRequested};
        QVERIFY(running.ClaimOrRaise(QStringLiteral("Orvenda Primary Synchronization Tool"),
                                     CInstanceLock::RoleName(true)));
        QCOMPARE(RunEndingAtOnce(), 0);
        QVERIFY(m_starts.isEmpty());
        QVERIFY(raised.wait(5000));
        // Only the role's lock, which the running copy made.
        QCOMPARE(
            QDir{WindowsDir()}.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("zezodi-primary.lock")});
    }

    void RoleRunningAsService_IsRefusedWithAMessage()
    {
        CInstanceLock service{CInstanceLock::RoleName(true)};
        QCOMPARE(service.TryClaim("service"), CInstanceLock::EResult::Claimed);
        QCOMPARE(RunEndingAtOnce(), 1);
        QVERIFY(m_starts.isEmpty());
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text,
                 QStringLiteral("Orvenda Primary Synchronization Tool already runs on this "
                                "computer, as a service or for another user.\nStop it before "
                                "starting it here."));
    }

    void OtherRoleRunning_StartsNormally()
    {
        CSingleInstance running;
        QSignalSpy raised{&running, &CSingleInstance::RaiseRequested};
        QVERIFY(running.ClaimOrRaise(QStringLiteral("Orvenda Secondary Synchronization Tool"),
                                     CInstanceLock::RoleName(false)));
        QCOMPARE(RunEndingAtOnce(), 0);
        QCOMPARE(m_starts.size(), 1);
        QCOMPARE(m_starts[0].role, Role::Primary);
        QCOMPARE(raised.size(), 0);
    }

    void RaiseRequest_BringsTheMinimisedWindowBack()
    {
        bool restored{false};
        CSyncApp app{[&](Role) {
            return std::make_unique<CScriptedDlg>([&](CScriptedDlg& dlg) {
                dlg.showMinimized();
                CSingleInstance secondStart;
                if (!secondStart.ClaimOrRaise(dlg.windowTitle(), CInstanceLock::RoleName(true))) {
                    restored = QTest::qWaitFor(
                        [&] { return !(dlg.windowState() & Qt::WindowMinimized); }, 5000);
                }
                dlg.done(QDialog::Rejected);
            });
        }};
        QCOMPARE(app.InitInstance(), 0);
        QVERIFY(restored);
    }

    void RoleChange_StartsAgainInTheNewRole()
    {
        bool primaryNameFree{false};
        bool secondaryNameHeld{false};
        CSyncApp app{[&](Role role) {
            m_starts.append({role, {}, {}});
            return std::make_unique<CScriptedDlg>([&, role](CScriptedDlg& dlg) {
                if (role == Role::Primary) {
                    // What the primary settings dialog does on a confirmed change.
                    WriteConfig("IsPrimary", "0");
                    dlg.ChangeRole(2);
                    return;
                }
                CSingleInstance probe;
                primaryNameFree =
                    probe.ClaimOrRaise(QStringLiteral("Orvenda Primary Synchronization Tool"),
                                       CInstanceLock::RoleName(true));
                probe.Release();
                CSingleInstance secondStart;
                secondaryNameHeld =
                    !secondStart.ClaimOrRaise(dlg.windowTitle(), CInstanceLock::RoleName(false));
                dlg.done(QDialog::Rejected);
            });
        }};
        QCOMPARE(app.InitInstance(), 0);
        QCOMPARE(m_starts.size(), 2);
        QCOMPARE(m_starts[0].role, Role::Primary);
        QCOMPARE(m_starts[1].role, Role::Secondary);
        QVERIFY(primaryNameFree);
        QVERIFY(secondaryNameHeld);
    }

    void Exit_NeverStartsAgain()
    {
        CSyncApp app{[&](Role role) {
            m_starts.append({role, {}, {}});
            return std::make_unique<CScriptedDlg>([](CScriptedDlg& dlg) { dlg.accept(); });
        }};
        CMessageBoxes::SetTestHook([](const CMessageBoxes::Box&) { return QMessageBox::Yes; });
        QCOMPARE(app.InitInstance(), 0);
        QCOMPARE(m_starts.size(), 1);
    }

private:
    QString WindowsDir() const { return QDir{m_tmp->path()}.filePath(QStringLiteral("windows")); }

    void WriteConfig(const char* key, const std::string& value)
    {
        QVERIFY(CProfileStore::WriteText("Config", key, value, "zezodi.ini"));
    }

    int RunEndingAtOnce()
    {
        CSyncApp app{[this](Role role) {
            m_starts.append({role, {}, CUiText::Text(StringId::Error)});
            return std::make_unique<CScriptedDlg>([this](CScriptedDlg& window) {
                // Start-up sets the caption after construction: read it once the window runs.
                m_starts.last().title = window.windowTitle();
                window.done(QDialog::Rejected);
            });
        }};
        return app.InitInstance();
    }

    // TMPDIR points into the previous case's directory, which is gone by the next case.
    QString m_tempBase;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QList<CMessageBoxes::Box> m_boxes;
    QList<Start> m_starts;
};

QTEST_MAIN(SyncAppTest)
#include "SyncAppTest.moc"
