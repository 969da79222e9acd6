#include "secondary/CompareIniDlg.h"

#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "secondary/FileChecksum.h"
#include "tests/support/FreePort.h"
#include "tests/support/NginxServer.h"
#include "widgets/FileLauncher.h"
#include "widgets/IconButton.h"
#include "widgets/Mnemonics.h"
#include "widgets/SortListCtrl.h"

#include <cstdint>
#include <memory>
#include <string>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace WindowProbe;

namespace {
bool WriteFile(const QString& path, const QByteArray& content)
{
    if (!QDir{}.mkpath(QFileInfo{path}.absolutePath())) {
        return false;
    }
    QFile file{path};
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file{path};
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{};
}

QStringList RowTexts(const QTreeWidgetItem& row)
{
    QStringList texts;
    for (int column = 0; column < row.columnCount(); ++column) {
        texts.append(row.text(column));
    }
    return texts;
}

QStringList Items(const QListWidget& list)
{
    QStringList items;
    for (int row = 0; row < list.count(); ++row) {
        items.append(list.item(row)->text());
    }
    return items;
}

QListWidget* FileList(const QWidget& dlg)
{
    auto* list = dlg.findChild<QListWidget*>(QStringLiteral("iniFileList"));
    if (list == nullptr) {
        qFatal("No control iniFileList");
    }
    return list;
}

// Waits, bounded, for the fetch or comparison in progress to end.
bool Settled(const CCompareIniDlg& dlg)
{
    return QTest::qWaitFor([&dlg] { return !dlg.IsWorking(); }, 20000);
}

// The line that tells what could not be fetched, as shown; empty while hidden.
QString Notice(const QWidget& dlg)
{
    auto* notice = dlg.findChild<QLabel*>(QStringLiteral("noticeLabel"));
    if (notice == nullptr) {
        qFatal("No control noticeLabel");
    }
    return notice->isVisibleTo(&dlg) ? notice->text() : QString{};
}

void Select(QListWidget& list, const QStringList& names)
{
    list.clearSelection();
    for (int row = 0; row < list.count(); ++row) {
        list.item(row)->setSelected(names.contains(list.item(row)->text()));
    }
}
} // namespace

// A secondary whose Windows directory holds local INI files, and a primary whose web server (a
// real nginx) publishes the catalogue and the primary copies in IniFiles.
class CompareIniDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        QVERIFY(QDir{}.mkpath(Path("web/syncdata/IniFiles")));
        QVERIFY(QDir{}.mkpath(Path("nginx")));
        QVERIFY(QDir{}.mkpath(Path("download")));
        m_server =
            std::make_unique<CNginxServer>(Path("web").toStdString(), Path("nginx").toStdString());
        QVERIFY2(m_server->Start(), m_server->ErrorLog().c_str());
        m_settings = {};
        m_settings.webPath = m_server->BaseUrl() + "/syncdata";
        m_settings.downloadDir = Path("download").toStdString();
        m_settings.logDir = Path("srv/jxt/log").toStdString();
        m_opened.clear();
        CFileLauncher::SetTestHook([this](const QString& path) {
            m_opened.append(path);
            return true;
        });

        // Listed out of order, so that the list box shows its own sorting.
        Publish("zeta.ini", "[S]\nK=primary\n", "[S]\nK=local\n");
        Publish("Alpha.ini", "[Main]\nA=1\nB=2\n", "[Main]\nA=1\nB=3\nC=4\n");
        Publish("missing.ini", "[M]\nX=1\n", nullptr);
        Publish("beta.ini", "[Same]\nKey=value\n", "[Same]\nKey=value\n");
        QVERIFY(WriteFile(Path("web/syncdata/zezodi.txt"), m_catalogue));
    }

    void cleanup()
    {
        CFileLauncher::SetTestHook({});
        m_server.reset();
        m_env.reset();
        m_catalogue.clear();
        m_number = 0;
    }

    void Opening_FetchesTheCatalogueAndListsItsIniFilesSorted()
    {
        CCompareIniDlg dlg{m_settings};
        QVERIFY(Settled(dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Compare Ini-files"));
        QCOMPARE(LabelText(dlg, "iniFilesLabel"), QStringLiteral("Primary ini-files:"));
        QCOMPARE(LabelText(dlg, "compareLabel"), QStringLiteral("Compare selected Ini-files"));
        CIconButton* compare = Button(dlg, "compareButton");
        QCOMPARE(CMnemonics::Plain(compare->text()), QStringLiteral("Compare"));
        QVERIFY(compare->isDefault());
        QVERIFY(!compare->ImageRect().isEmpty());
        QCOMPARE(compare->ImageRect().size(), QSize(18, 18));
        auto* back = dlg.findChild<QPushButton*>(QStringLiteral("backButton"));
        QVERIFY(back);
        QCOMPARE(CMnemonics::Plain(back->text()), QStringLiteral("Back"));
        QCOMPARE(FileList(dlg)->selectionMode(), QAbstractItemView::ExtendedSelection);

        CSortListCtrl* results = List(dlg, "resultList");
        QCOMPARE(Headers(*results), (QStringList{"Inifile", "Status", "Sectionname", "Keyname",
                                                 "Primary value", "Secondary value"}));
        QCOMPARE(Widths(*results), WidthsFitting(*results, {115, 80, 100, 132, 135, 135}));
        QVERIFY(!results->header()->sectionsClickable());
        QCOMPARE(results->selectionMode(), QAbstractItemView::SingleSelection);

        QCOMPARE(Items(*FileList(dlg)),
                 (QStringList{"Alpha.ini", "beta.ini", "missing.ini", "zeta.ini"}));
        QCOMPARE(ReadFile(Path("download/zezodi.txt")), m_catalogue);
        QCOMPARE(Notice(dlg), QString{});
    }

    void Opening_WhenTheCatalogueCannotBeFetched_LogsAndLeavesTheListsEmpty()
    {
        m_settings.webPath = m_server->BaseUrl() + "/nothing";
        QVERIFY(WriteFile(Path("download/zezodi.txt"), "[IniFiles]\nFile1=stale.ini\n"));
        CCompareIniDlg dlg{m_settings};
        QVERIFY(Settled(dlg));
        QCOMPARE(FileList(dlg)->count(), 0);
        QVERIFY(!QFile::exists(Path("download/zezodi.txt")));
        const QByteArray log{ReadFile(Path("srv/jxt/log/zezodi.log"))};
        QVERIFY2(log.contains(QByteArray{"Failed to get SyncFile from "} +
                              QByteArray::fromStdString(m_settings.webPath) + "  Error Code: 8\n"),
                 log.constData());
        const QString webPath{QString::fromStdString(m_settings.webPath)};
        QVERIFY2(Notice(dlg).startsWith("Failed to get SyncFile from " + webPath +
                                        "  Error Code: 8 !\nThe web server at " + webPath +
                                        " answered with an error"),
                 qPrintable(Notice(dlg)));
        QTest::mouseClick(Button(dlg, "compareButton"), Qt::LeftButton);
        QVERIFY(Settled(dlg));
        QCOMPARE(List(dlg, "resultList")->topLevelItemCount(), 0);
    }

    // Nobody listens at the primary's port: the dialog answers while wget tries, then says
    // that the primary could not be reached and what to check.
    void Opening_WithThePrimaryUnreachable_SaysWhyAndAnswersMeanwhile()
    {
        const int port{FreePort()};
        QVERIFY(port > 0);
        m_settings.webPath = "http://127.0.0.1:" + std::to_string(port) + "/syncdata";
        CCompareIniDlg dlg{m_settings};
        QVERIFY(dlg.IsWorking());
        QVERIFY(!Button(dlg, "compareButton")->isEnabled());
        bool fired{false};
        QTimer::singleShot(0, &dlg, [&fired] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 5000);
        QVERIFY(Settled(dlg));
        QVERIFY(Button(dlg, "compareButton")->isEnabled());
        QCOMPARE(FileList(dlg)->count(), 0);
        const QString webPath{QString::fromStdString(m_settings.webPath)};
        QCOMPARE(Notice(dlg), "Failed to get SyncFile from " + webPath +
                                  "  Error Code: 4 !\nNetwork failure: the primary server could "
                                  "not be reached at " +
                                  webPath +
                                  ". Check WebDocPath and that the primary server and its web "
                                  "server run.");
    }

    void Compare_ListsTheFindingsSortedByFileWithTheStatusImages()
    {
        CCompareIniDlg dlg{m_settings};
        QVERIFY(Settled(dlg));
        FileList(dlg)->selectAll();
        QTest::mouseClick(Button(dlg, "compareButton"), Qt::LeftButton);
        QVERIFY(Settled(dlg));
        CSortListCtrl* results = List(dlg, "resultList");
        QCOMPARE(results->topLevelItemCount(), 5);
        QCOMPARE(RowTexts(*results->topLevelItem(0)),
                 (QStringList{"Alpha.ini", "Not identical", "Main", "B", "2", "3"}));
        QCOMPARE(RowTexts(*results->topLevelItem(1)),
                 (QStringList{"Alpha.ini", "Not identical", "Main", "C", "", "4"}));
        QCOMPARE(RowTexts(*results->topLevelItem(2)),
                 (QStringList{"beta.ini", "Identical", "", "", "", ""}));
        QCOMPARE(RowTexts(*results->topLevelItem(3)),
                 (QStringList{"missing.ini", "Not existent", "", "", "", ""}));
        QCOMPARE(RowTexts(*results->topLevelItem(4)),
                 (QStringList{"zeta.ini", "Not identical", "S", "K", "primary", "local"}));
        QCOMPARE(RowImage(results->topLevelItem(0)->icon(0)), ResourceImage(":/icons/error.png"));
        QCOMPARE(RowImage(results->topLevelItem(2)->icon(0)), ResourceImage(":/icons/success.png"));
        QCOMPARE(RowImage(results->topLevelItem(3)->icon(0)), ResourceImage(":/icons/notice.png"));
    }

    void Compare_OfSomeFiles_StartsFromAnEmptyList()
    {
        CCompareIniDlg dlg{m_settings};
        QVERIFY(Settled(dlg));
        FileList(dlg)->selectAll();
        QTest::mouseClick(Button(dlg, "compareButton"), Qt::LeftButton);
        QVERIFY(Settled(dlg));
        Select(*FileList(dlg), {"zeta.ini", "beta.ini"});
        QTest::mouseClick(Button(dlg, "compareButton"), Qt::LeftButton);
        QVERIFY(Settled(dlg));
        CSortListCtrl* results = List(dlg, "resultList");
        QCOMPARE(results->topLevelItemCount(), 2);
        QCOMPARE(results->topLevelItem(0)->text(0), QStringLiteral("beta.ini"));
        QCOMPARE(results->topLevelItem(1)->text(0), QStringLiteral("zeta.ini"));

        FileList(dlg)->clearSelection();
        QTest::mouseClick(Button(dlg, "compareButton"), Qt::LeftButton);
        QVERIFY(Settled(dlg));
        QCOMPARE(results->topLevelItemCount(), 0);
    }

    void ResultDoubleClick_OpensTheLocalCopy()
    {
        CCompareIniDlg dlg{m_settings};
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(Settled(dlg));
        FileList(dlg)->selectAll();
        QTest::mouseClick(Button(dlg, "compareButton"), Qt::LeftButton);
        QVERIFY(Settled(dlg));
        CSortListCtrl* results = List(dlg, "resultList");
        const QRect rect{results->visualItemRect(results->topLevelItem(4))};
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(m_opened, QStringList{QDir{m_env->WindowsDir()}.filePath("zeta.ini")});
    }

    void FileListDoubleClick_OpensTheDownloadedPrimaryCopies()
    {
        CCompareIniDlg dlg{m_settings};
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(Settled(dlg));
        QListWidget* files = FileList(dlg);
        const QRect zeta{files->visualItemRect(files->item(3))};
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, zeta.center());
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, zeta.center());
        QVERIFY(Settled(dlg));
        QVERIFY2(m_opened == QStringList{Path("download/zeta.ini")},
                 ReadFile(Path("srv/jxt/log/zezodi.log")).constData());

        // With several files selected, each opens in an editor of its own.
        m_opened.clear();
        const QRect alpha{files->visualItemRect(files->item(0))};
        QTest::mouseClick(files->viewport(), Qt::LeftButton, Qt::ControlModifier, alpha.center());
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, Qt::ControlModifier, alpha.center());
        QVERIFY(Settled(dlg));
        QCOMPARE(m_opened, (QStringList{Path("download/Alpha.ini"), Path("download/zeta.ini")}));
        QCOMPARE(ReadFile(Path("download/Alpha.ini")), QByteArray{"[Main]\nA=1\nB=2\n"});
        QCOMPARE(ReadFile(Path("download/zeta.ini")), QByteArray{"[S]\nK=primary\n"});
    }

private:
    QString Path(const char* relative) const
    {
        return QDir{m_env->Root()}.filePath(QString::fromUtf8(relative));
    }

    // Publishes the primary copy and lists it in the catalogue; a local copy when given.
    void Publish(const char* name, const char* primary, const char* local)
    {
        const QString published{Path("web/syncdata/IniFiles/") + QString::fromUtf8(name)};
        QVERIFY(WriteFile(published, primary));
        std::uint32_t status{0};
        const std::string crc{CFileChecksum::Text(published.toStdString(), status)};
        QCOMPARE(status, 0u);
        if (m_number == 0) {
            m_catalogue = "[Setup]\nLastSync=65A1B2C3\n[IniFiles]\n";
        }
        const QByteArray n{QByteArray::number(++m_number)};
        m_catalogue +=
            "File" + n + "=" + name + "\nCrc" + n + "=" + QByteArray::fromStdString(crc) + "\n";
        if (local != nullptr) {
            QVERIFY(WriteFile(QDir{m_env->WindowsDir()}.filePath(QString::fromUtf8(name)), local));
        }
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    std::unique_ptr<CNginxServer> m_server;
    SSecondarySettings m_settings;
    QByteArray m_catalogue;
    int m_number{0};
    QStringList m_opened;
};

QTEST_MAIN(CompareIniDlgTest)
#include "CompareIniDlgTest.moc"
