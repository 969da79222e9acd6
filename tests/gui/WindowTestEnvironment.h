#pragma once

#include <memory>
#include <string>

#include <QString>
#include <QTemporaryDir>

// A fresh installation for one test case: its own Windows directory (ZEZODI_WINDIR) with
// zezodi.ini and a registry.ini naming srv/jxt as the installation directory, its own TMPDIR,
// and the alarm software's web root, so that the primary finds a place to publish to.
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

    // Closes the modal dialog that opens next, within a bounded time; true once it saw one
    // whose class is className.
    static void CloseNextModal(const char* className, bool& seen);

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    bool m_valid{false};
};
