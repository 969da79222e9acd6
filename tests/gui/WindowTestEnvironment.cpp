#include "WindowTestEnvironment.h"

#include "core/ProfileStore.h"
#include "tests/support/FreePort.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimer>
#include <QWidget>

namespace {
// The temporary directory the test started with: each case points TMPDIR into its own tree,
// which is gone when the next case begins.
QString TempBase()
{
    static const QString base{QDir::tempPath()};
    return base;
}
} // namespace

CWindowTestEnvironment::CWindowTestEnvironment()
    : m_dir{std::make_unique<QTemporaryDir>(TempBase() + QStringLiteral("/zezodi-window-XXXXXX"))}
{
    if (!m_dir->isValid()) {
        return;
    }
    const QDir root{m_dir->path()};
    if (!root.mkpath(QStringLiteral("windows")) || !root.mkpath(QStringLiteral("tmp")) ||
        !root.mkpath(QStringLiteral("srv/jxt/log")) ||
        !root.mkpath(QStringLiteral("srv/jx_web/htdocs"))) {
        return;
    }
    QFile registry{QDir{WindowsDir()}.filePath(QStringLiteral("registry.ini"))};
    if (!registry.open(QIODevice::WriteOnly)) {
        return;
    }
    registry.write("[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + InstallDir().toUtf8() + "\n");
    registry.close();
    qputenv("ZEZODI_WINDIR", WindowsDir().toLocal8Bit());
    qputenv("TMPDIR", TempDir().toLocal8Bit());
    // What the windows keep between starts stays in the case's tree, for this process and the
    // programs it starts.
    const QString config{root.filePath(QStringLiteral("config"))};
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    m_valid = true;
}

QString CWindowTestEnvironment::WindowsDir() const
{
    return QDir{m_dir->path()}.filePath(QStringLiteral("windows"));
}

QString CWindowTestEnvironment::InstallDir() const
{
    return QDir{m_dir->path()}.filePath(QStringLiteral("srv/jxt"));
}

QString CWindowTestEnvironment::TempDir() const
{
    return QDir{m_dir->path()}.filePath(QStringLiteral("tmp"));
}

void CWindowTestEnvironment::WriteConfig(const std::string& key, const std::string& value) const
{
    CProfileStore::WriteText("Config", key, value, "zezodi.ini");
}

bool CWindowTestEnvironment::UseFreePorts()
{
    m_port = FreePort();
    m_port2 = FreePort();
    return m_port > 0 && m_port2 > 0 && m_port != m_port2 &&
           CProfileStore::WriteText("Config", "Port", std::to_string(m_port), "zezodi.ini") &&
           CProfileStore::WriteText("Config", "Port2", std::to_string(m_port2), "zezodi.ini");
}

void CWindowTestEnvironment::StartProgram(QProcess& process, const QString& program,
                                          const QString& windowsDir, const QString& tempDir,
                                          QProcessEnvironment environment)
{
    environment.insert(QStringLiteral("ZEZODI_WINDIR"), windowsDir);
    environment.insert(QStringLiteral("TMPDIR"), tempDir);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    StartWithoutClockRight(process, program);
}

void CWindowTestEnvironment::StartWithoutClockRight(QProcess& process, const QString& program,
                                                    const QStringList& arguments)
{
    if (geteuid() == 0) {
        // As root the program could set this machine's clock: it runs without that right.
        process.start(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--inh-caps=-sys_time"),
                                  QStringLiteral("--bounding-set=-sys_time"), QStringLiteral("--"),
                                  program} +
                          arguments);
    } else {
        process.start(program, arguments);
    }
}

void CWindowTestEnvironment::CloseNextModal(const char* className, bool& seen)
{
    auto* poller = new QTimer;
    poller->setInterval(10);
    int ticks{0};
    QObject::connect(poller, &QTimer::timeout, poller, [poller, className, &seen, ticks]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        // 10 s at most, so that a dialog that never opens fails the test instead of hanging it.
        if (modal == nullptr && ++ticks < 1000) {
            return;
        }
        if (modal != nullptr) {
            seen = modal->inherits(className);
            modal->close();
        }
        poller->stop();
        poller->deleteLater();
    });
    poller->start();
}
