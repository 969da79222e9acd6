#pragma once

#include <memory>
#include <string>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh installation for one test case: its own Windows directory (ZEZODI_WINDIR) with a
// registry.ini naming srv/jxt as the installation directory, its own TMPDIR, and the alarm
// software's web root, so that the primary finds a place to publish to, and its own desktop
// settings directory (XDG_CONFIG_HOME) for what the windows keep between starts. There is no
// zezodi.ini until a case writes one: a case that opens a main window or starts the program calls
// UseFreePorts() first, so that no listener takes the default ports another test run may use.
class CWindowTestEnvironment
{
public:
    CWindowTestEnvironment();

    bool IsValid() const { return m_valid; }
    QString Root() const { return m_dir->path(); }
    QString WindowsDir() const;
    QString InstallDir() const;
    QString TempDir() const;

    void WriteConfig(const std::string& key, const std::string& value) const;

    // Writes two free loopback ports as Port and Port2; false when none could be found.
    bool UseFreePorts();
    int Port() const { return m_port; }
    int Port2() const { return m_port2; }

    // Starts the program; as root without the right to set this machine's clock.
    static void StartWithoutClockRight(QProcess& process, const QString& program,
                                       const QStringList& arguments = {});

    // Starts the program offscreen with an installation of its own (Windows and temporary
    // directory) on top of `environment`, its errors forwarded, without the clock right.
    static void
    StartProgram(QProcess& process, const QString& program, const QString& windowsDir,
                 const QString& tempDir,
                 QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    // Closes the modal dialog that opens next, within a bounded time; true once it saw one
    // whose class is className.
    static void CloseNextModal(const char* className, bool& seen);

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    bool m_valid{false};
    int m_port{-1};
    int m_port2{-1};
};
