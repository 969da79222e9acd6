#pragma once

#include "core/Crc32.h"
#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "secondary/LocalFilesSink.h"
#include "tests/support/NginxServer.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

// What a run showed: report lines, file rows and message boxes, in order.
class CRecordingSinks : public CReportSink, public CLocalFilesSink, public CMessageSink
{
public:
    struct SLine
    {
        std::string text;
        int image;
    };
    struct SFileRow
    {
        SRow columns;
        int image;
    };

    void AddReportLine(const std::string& text, int image) override
    {
        lines.push_back({text, image});
    }
    void ClearFiles() override
    {
        rows.clear();
        ++clears;
    }
    void AddFileRow(const SRow& columns, int image) override { rows.push_back({columns, image}); }
    void SetLastSync(const std::string& text) override { lastSync = text; }
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }
    void ShowErrorBox(const std::string& text, const std::string& caption) override
    {
        boxes.push_back(caption + ": " + text);
    }
    bool AskYesNo(const std::string& text, const std::string& caption, bool) override
    {
        boxes.push_back(caption + ": " + text);
        return false;
    }

    // The row of the catalogue name; nullptr when there is none.
    const SFileRow* Row(std::string_view name) const
    {
        for (const SFileRow& row : rows) {
            if (row.columns[0] == name) {
                return &row;
            }
        }
        return nullptr;
    }

    bool HasLine(std::string_view part, int image) const
    {
        for (const SLine& line : lines) {
            if (line.image == image && line.text.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::vector<SLine> lines;
    std::vector<SFileRow> rows;
    std::vector<std::string> boxes;
    std::vector<bool> busyChanges;
    std::string lastSync;
    int clears = 0;
};

// A secondary's machine and a primary's web server in one temporary tree:
//   windows/            ZEZODI_WINDIR: zezodi.ini, registry.ini, jxaconf.ini, jxaview.ini
//   drive/jxt           the installation directory (with log/), drive/db1, drive/dbv1, ...
//   web/syncdata        the primary's published data, served by a real nginx
class CSyncTestTree
{
public:
    CSyncTestTree()
    {
        std::random_device random;
        m_root = std::filesystem::temp_directory_path() /
                 ("zezodi-sync-" + std::to_string(getpid()) + "-" + std::to_string(random()));
        for (const char* dir :
             {"windows", "drive/jxt/log", "drive/db1", "drive/dbv1", "web/syncdata", "nginx"}) {
            std::filesystem::create_directories(m_root / dir);
        }
        setenv("ZEZODI_WINDIR", Path("windows").c_str(), 1);
        Put("windows/registry.ini",
            "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + Path("drive/jxt") + "\n");
    }
    ~CSyncTestTree()
    {
        m_server.reset();
        unsetenv("ZEZODI_WINDIR");
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    CSyncTestTree(const CSyncTestTree&) = delete;
    CSyncTestTree& operator=(const CSyncTestTree&) = delete;

    // Starts nginx over web/ and points WebDocPath at its syncdata.
    bool StartServer()
    {
        m_server = std::make_unique<CNginxServer>(Path("web"), Path("nginx"));
        if (!m_server->Start()) {
            return false;
        }
        WriteIni("WebDocPath", WebPath());
        return true;
    }

    std::string WebPath() const { return m_server->BaseUrl() + "/syncdata"; }
    const CNginxServer& Server() const { return *m_server; }

    std::string Path(std::string_view relative) const { return (m_root / relative).string(); }

    void Put(std::string_view relative, std::string_view content) const
    {
        const std::filesystem::path path = m_root / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    }

    std::string Get(std::string_view relative) const
    {
        std::ifstream in(m_root / relative, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    bool Exists(std::string_view relative) const
    {
        return std::filesystem::exists(std::filesystem::symlink_status(m_root / relative));
    }

    void SetTime(std::string_view relative, std::time_t seconds) const
    {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        utimensat(AT_FDCWD, Path(relative).c_str(), times, 0);
    }

    std::time_t Time(std::string_view relative) const
    {
        struct stat info
        {};
        stat(Path(relative).c_str(), &info);
        return info.st_mtim.tv_sec;
    }

    void WriteIni(std::string_view key, std::string_view value) const
    {
        m_ini[std::string(key)] = std::string(value);
        std::string text = "[Config]\n";
        for (const auto& [name, setting] : m_ini) {
            text += name + "=" + setting + "\n";
        }
        Put("windows/zezodi.ini", text);
    }

    static std::string CrcText(std::string_view content)
    {
        if (content.empty()) {
            return "0";
        }
        return CCrc32::CrcText(CCrc32::Update(0, content.data(), content.size()));
    }

    // Publishes content as section/name on the web server (section with '\' for levels) and
    // gives its checksum text.
    std::string Publish(std::string_view section, std::string_view name, std::string_view content)
    {
        Put(WebFile(section, name), content);
        return CrcText(content);
    }

    std::string WebFile(std::string_view section, std::string_view name) const
    {
        std::string path = "web/syncdata/" + std::string(section) + "/" + std::string(name);
        for (char& c : path) {
            if (c == '\\') {
                c = '/';
            }
        }
        return path;
    }

    // Writes web/syncdata/zezodi.txt from raw INI text.
    void Catalogue(std::string_view text) const { Put("web/syncdata/zezodi.txt", text); }

private:
    std::filesystem::path m_root;
    std::unique_ptr<CNginxServer> m_server;
    mutable std::map<std::string, std::string> m_ini;
};
