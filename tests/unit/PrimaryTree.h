#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "primary/FileListSink.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

// A primary's machine in a fresh temporary directory: root/ is the drive, root/jxt the
// installation directory (named in the Windows directory's registry.ini) and windows/ the
// Windows directory, which ZEZODI_WINDIR points at while the object lives.
class CPrimaryTree
{
public:
    CPrimaryTree()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("zezodi-primary-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(Windows());
        std::filesystem::create_directories(Install() / "log");
        Put(Windows() / "registry.ini",
            "[SOFTWARE\\Orvenda\\Orvenda Tool]\nDirectory=" + Install().string() + "\n");
        if (const char* previous = std::getenv("ZEZODI_WINDIR")) {
            m_previousWindir = previous;
            m_hadWindir = true;
        }
        ::setenv("ZEZODI_WINDIR", Windows().c_str(), 1);
    }
    ~CPrimaryTree()
    {
        if (m_hadWindir) {
            ::setenv("ZEZODI_WINDIR", m_previousWindir.c_str(), 1);
        } else {
            ::unsetenv("ZEZODI_WINDIR");
        }
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    CPrimaryTree(const CPrimaryTree&) = delete;
    CPrimaryTree& operator=(const CPrimaryTree&) = delete;

    std::filesystem::path Root() const { return m_path / "root"; }
    std::filesystem::path Install() const { return Root() / "jxt"; }
    std::filesystem::path Windows() const { return m_path / "windows"; }
    std::filesystem::path Ini() const { return Windows() / "zezodi.ini"; }

    // Writes the file, creating its directories.
    static void Put(const std::filesystem::path& path, std::string_view bytes)
    {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static std::string Get(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_path;
    std::string m_previousWindir;
    bool m_hadWindir = false;
};

// Records what a run shows, in call order.
class CRecordingSinks : public CReportSink, public CFileListSink, public CMessageSink
{
public:
    void AddReportLine(const std::string& text, int image) override
    {
        reports.emplace_back(text, image);
    }
    void ClearFiles() override { rows.clear(); }
    void AddFileRow(const CFileRow& row) override { rows.push_back(row); }
    void SetLastSync(const std::string& display) override { lastSync = display; }
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }
    void ShowErrorBox(const std::string& text, const std::string& caption) override
    {
        errorBoxes.emplace_back(text, caption);
    }
    bool AskYesNo(const std::string&, const std::string&, bool) override { return false; }

    std::vector<std::pair<std::string, int>> reports;
    std::vector<CFileRow> rows;
    std::string lastSync;
    std::vector<bool> busyChanges;
    std::vector<std::pair<std::string, std::string>> errorBoxes;
};
