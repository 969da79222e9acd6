#pragma once

#include "TestFiles.h"
#include "WindowTestEnvironment.h"
#include "core/CatalogueWriter.h"
#include "secondary/FileChecksum.h"
#include "tests/support/NginxServer.h"

#include <cstdint>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QString>
#include <QtTest>

// The primary's published data below web/syncdata, served by a real nginx, with WebDocPath
// pointing at it.
class CPrimaryWeb
{
public:
    explicit CPrimaryWeb(const CWindowTestEnvironment& env)
        : m_root{env.Root()}, m_server{Path("web").toStdString(), Path("nginx").toStdString()}
    {}

    QString Path(const QString& relative) const { return QDir{m_root}.filePath(relative); }

    // Publishes content under section and lists it in the catalogue written by Commit;
    // unpublished entries are listed without a file on the server.
    void Publish(const QString& section, const QString& name, const std::string& content,
                 bool unpublished = false)
    {
        const QString published{Path(QStringLiteral("web/syncdata/%1/%2").arg(section, name))};
        QVERIFY(TestFiles::WriteFile(published, content));
        std::uint32_t status{0};
        const std::string crc{CFileChecksum::Text(published.toStdString(), status)};
        QCOMPARE(status, 0u);
        if (unpublished) {
            QVERIFY(QFile::remove(published));
        }
        m_entries.push_back({section.toStdString(), name.toStdString(), crc});
    }

    void Commit()
    {
        CCatalogueWriter catalogue;
        QVERIFY(catalogue.Begin(Path(QStringLiteral("web/syncdata")).toStdString(), "6553F100"));
        for (const SEntry& entry : m_entries) {
            catalogue.AddEntry(entry.section, entry.name, entry.crc, false, false);
        }
        QVERIFY(catalogue.Commit());
    }

    // served: the directory below web that WebDocPath names; "slow" is sent at 8 KB/s.
    void Serve(const CWindowTestEnvironment& env, const std::string& served = "syncdata")
    {
        QVERIFY(QDir{}.mkpath(Path(QStringLiteral("web/syncdata"))));
        QVERIFY(QDir{}.mkpath(Path(QStringLiteral("nginx"))));
        QVERIFY2(m_server.Start(), m_server.ErrorLog().c_str());
        env.WriteConfig("WebDocPath", m_server.BaseUrl() + "/" + served);
    }

private:
    struct SEntry
    {
        std::string section;
        std::string name;
        std::string crc;
    };

    QString m_root;
    CNginxServer m_server;
    std::vector<SEntry> m_entries;
};
