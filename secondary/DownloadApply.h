#pragma once

#include "core/StringTable.h"
#include "secondary/SecondarySettings.h"

#include <chrono>
#include <ctime>
#include <functional>
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
        // Where the previous version is kept, in the same directory; empty when no name is
        // free for it (the catalogue lists every candidate), and then none is kept.
        std::string previousName;
    };

    // Below the download directory: copies of local files that were newer than the primary's.
    static constexpr std::string_view kNewerFilesDir = "NewerLocalFiles";

    // settings is read at every call, so a web path changed meanwhile is used.
    CDownloadApply(const SSecondarySettings& settings, CReportSink& report, bool& failureFlag);

    // True when the local file holds the primary's CRC. Without `local` (download-only mode)
    // the file is only downloaded and unpacked into the download directory: true when it lies
    // there under its catalogue name. The names come from the caller, which has judged them
    // safe. The new content is verified beside the local file and only then renamed over it,
    // so the local file ends with its old content or the primary's, never another; it keeps
    // its permission bits and, where allowed, its owner and group.
    // `staged` is the file as a batch fetch already brought it (empty: none); it is taken in
    // place of the download, and when it cannot be taken the file is downloaded alone.
    // `stagedUnpacked`: the staged file is a packed file's content, already unpacked with the
    // same command line.
    // `sha256` is the entry's strong checksum: where the primary's keys are listed, the file as
    // served must have it, or the entry fails before anything unpacks it.
    bool DownloadAndApply(std::string_view section, std::string_view fileName, bool packed,
                          std::string_view primaryCrc, const std::optional<SLocalFile>& local,
                          const std::string& staged = {}, bool stagedUnpacked = false,
                          std::string_view sha256 = {});

    // Where files for a local file are downloaded and unpacked (a run's own directory inside
    // the download directory); empty, the default, is the download directory itself.
    void SetWorkDirectory(std::string directory);

    // The pause between two attempts of a file-system step (500 ms unless changed).
    void SetRetryPause(std::chrono::milliseconds pause);

    // Asked while an outside program runs: true kills it, and its file fails.
    void SetStopRequest(std::function<bool()> stopRequested);

    // The first directory in which a file failed for lack of space since the last
    // ClearNoSpace; empty when none did.
    const std::string& NoSpaceDirectory() const { return m_noSpaceDir; }
    void ClearNoSpace();

private:
    bool Fail(std::string_view logFormat, StringId reportId,
              std::initializer_list<std::string_view> args);
    bool ClearForDownload(const std::string& path) const;
    // Runs the single download's command line; true when the download lies at archivePath.
    bool FetchAlone(const std::string& command, const std::string& downloadDir,
                    const std::string& downloadName, const std::string& archivePath);
    // Runs the command line in directory (the download directory or one below it); notes the
    // download directory when the program failed there for lack of space.
    int Run(const std::string& command, const std::string& directory, bool download);
    void NoteNoSpace(const std::string& directory);
    bool Apply(const std::string& downloadedPath, std::string_view fileName,
               std::string_view primaryCrc, const SLocalFile& local);
    void KeepNewerLocalFile(const std::string& localPath, std::string_view fileName,
                            std::time_t localWriteTime);
    void KeepPreviousVersion(const SLocalFile& local, const std::string& localPath);
    bool VerifyBeside(const std::string& temporary, const std::string& localPath,
                      std::string_view primaryCrc);
    int CopyBesideWithRetries(const std::string& from, const std::string& to,
                              std::string& temporary) const;
    int CopyWithRetries(const std::string& from, const std::string& to) const;

    const SSecondarySettings& m_settings;
    CReportSink& m_report;
    bool& m_failureFlag;
    std::chrono::milliseconds m_retryPause{500};
    std::string m_workDir;
    std::function<bool()> m_stopRequested;
    // The stop request killed a program of the current file.
    bool m_stopped = false;
    std::string m_noSpaceDir;
};
