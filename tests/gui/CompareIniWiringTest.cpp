#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "secondary/FileChecksum.h"
#include "secondary/SecondaryDlg.h"
#include "tests/support/NginxServer.h"
#include "widgets/IconButton.h"
#include "widgets/MessageBoxes.h"

#include <cstdint>
#include <memory>
#include <string>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
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

// What the modal dialog that opens next lists as the primary's INI files once it has fetched
// them, within 10 s; the dialog is closed then. seen tells whether it was the Compare Ini-files
// dialog.
void ReadNextCompareDialog(QStringList& listed, bool& seen)
{
    auto* poller = new QTimer;
    poller->setInterval(10);
    int ticks{0};
    QObject::connect(poller, &QTimer::timeout, poller, [poller, &listed, &seen, ticks]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && ++ticks < 1000) {
            return;
        }
        // The dialog fetches the catalogue while it is open; its Compare button waits for it.
        const auto* compare = modal == nullptr
                                  ? nullptr
                                  : modal->findChild<QWidget*>(QStringLiteral("compareButton"));
        if (compare != nullptr && !compare->isEnabled() && ++ticks < 1000) {
            return;
        }
        poller->stop();
        poller->deleteLater();
        if (modal == nullptr) {
            return;
        }
        seen = modal->inherits("CCompareIniDlg");
        if (auto* list = modal->findChild<QListWidget*>(QStringLiteral("iniFileList"))) {
            for (int row = 0; row < list->count(); ++row) {
                listed.append(list->item(row)->text());
            }
        }
        modal->close();
    });
    poller->start();
}
} // namespace

// The "Compare Ini-files" button of the secondary window against the primary's catalogue
// published by a real nginx at the configured WebDocPath.
class CompareIniWiringTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        QVERIFY(m_env->UseFreePorts());
        QVERIFY(QDir{}.mkpath(Path("nginx")));
        QVERIFY(QDir{}.mkpath(Path("web/syncdata/IniFiles")));
        m_server =
            std::make_unique<CNginxServer>(Path("web").toStdString(), Path("nginx").toStdString());
        QVERIFY2(m_server->Start(), m_server->ErrorLog().c_str());
        m_boxes.clear();
        CMessageBoxes::SetTestHook([this](const CMessageBoxes::Box& box) {
            m_boxes.append(box);
            return QMessageBox::Ok;
        });
    }

    void cleanup()
    {
        CMessageBoxes::SetTestHook({});
        m_server.reset();
        m_env.reset();
    }

    void CompareIniButton_OpensTheDialogOnTheWindowsSettings()
    {
        const QString published{Path("web/syncdata/IniFiles/alarms.ini")};
        QVERIFY(WriteFile(published, "[Main]\nA=1\n"));
        std::uint32_t status{0};
        const std::string crc{CFileChecksum::Text(published.toStdString(), status)};
        QCOMPARE(status, 0u);
        QVERIFY(WriteFile(Path("web/syncdata/zezodi.txt"),
                          "[Setup]\nLastSync=65A1B2C3\n[IniFiles]\nFile1=alarms.ini\nCrc1=" +
                              QByteArray::fromStdString(crc) + "\n"));
        m_env->WriteConfig("WebDocPath", m_server->BaseUrl() + "/syncdata");

        CSecondaryDlg dlg;
        dlg.show();
        QStringList listed;
        bool seen{false};
        ReadNextCompareDialog(listed, seen);
        QTest::mouseClick(Button(dlg, "compareIniButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(listed, QStringList{QStringLiteral("alarms.ini")});
        QVERIFY(dlg.isVisible());
        QVERIFY(m_boxes.isEmpty());
    }

private:
    QString Path(const char* relative) const
    {
        return QDir{m_env->Root()}.filePath(QString::fromUtf8(relative));
    }

    std::unique_ptr<CWindowTestEnvironment> m_env;
    std::unique_ptr<CNginxServer> m_server;
    QList<CMessageBoxes::Box> m_boxes;
};

QTEST_MAIN(CompareIniWiringTest)
#include "CompareIniWiringTest.moc"
