#pragma once

#include "core/StringTable.h"
#include "secondary/SecondarySettings.h"

#include <chrono>
#include <ctime>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

class CReportSink;

// Brings one catalogue file from the primary's web server: downloads it with wget into the
// download directory, unpacks it, keeps the previous version of the local file, puts the new
// content in its place and checks its CRC-32. Every failure is logged, reported and sets the
// run's failure flag.
class CDownloadApply
{
public:
    // The local file to replace, as the synchronisation run found it.
    struct SLocalFile
    {
        std::string directory;
        // The name as the file system spells it (which may differ in case from the
        // catalogue's); the catalogue's name when the file does not exist.
        std::string name;
        bool existed = false;
        std::time_t writeTime = 0;
    };

    // settings is read at every call, so a web path changed meanwhile is used.
    CDownloadApply(const SSecondarySettings& settings, CReportSink& report, bool& failureFlag);

    // True when the local file holds the primary's CRC. Without `local` (download-only mode)
    // the file is only downloaded and unpacked into the download directory: true when it lies
    // there under its catalogue name.
    bool DownloadAndApply(std::string_view section, std::string_view fileName, bool packed,
                          std::string_view primaryCrc, const std::optional<SLocalFile>& local);

    // Reports and refuses a section or file name that would leave its directory, setting the
    // failure flag. True when refused.
    bool RefuseUnsafeName(std::string_view section, std::string_view fileName);

    // The pause between two attempts of a file-system step (500 ms unless changed).
    void SetRetryPause(std::chrono::milliseconds pause);

private:
    bool Fail(std::string_view logFormat, StringId reportId,
              std::initializer_list<std::string_view> args);
    bool ClearForDownload(const std::string& path) const;
    void KeepNewerLocalFile(const std::string& localPath, std::string_view fileName,
                            std::time_t localWriteTime);
    void KeepPreviousVersion(const SLocalFile& local, const std::string& localPath);
    bool Replace(const std::string& downloadedPath, const std::string& localPath);
    bool Verify(const std::string& localPath, std::string_view primaryCrc);
    int CopyWithRetries(const std::string& from, const std::string& to) const;

    const SSecondarySettings& m_settings;
    CReportSink& m_report;
    bool& m_failureFlag;
    std::chrono::milliseconds m_retryPause{500};
};
