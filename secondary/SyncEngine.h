#pragma once

#include "core/CatalogueReader.h"
#include "secondary/DownloadApply.h"
#include "secondary/SecondarySettings.h"
#include "secondary/StagedFiles.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

class CLocalFilesSink;
class CReportSink;

// One synchronisation run of the secondary: fetches the primary's catalogue, walks its
// sections in their fixed order, compares each file's CRC-32 with the local copy, has every
// differing or missing file downloaded and applied, and records the run in zezodi.ini. Owned
// by the secondary main window (or zezodictl) and run on its thread, one run at a time.
class CSyncEngine
{
public:
    static constexpr int kModeManual = 0;
    static constexpr int kModeAutomatic = 1;
    static constexpr int kModeForced = 2;
    static constexpr int kModeByPrimary = 3;

    static constexpr int kCatalogueMissing = -1;
    static constexpr int kAlreadySynchronized = 0;
    static constexpr int kDone = 1;

    // settings is the window's running state: a web path that only works in lower case is
    // changed there too.
    CSyncEngine(SSecondarySettings& settings, CReportSink& report, CLocalFilesSink& files);

    // -1 the catalogue could not be obtained, 0 skipped because this catalogue was already
    // applied (modes 0, 1 and 3), 1 the run went through; its outcome is then in the counters
    // and the failure flag. primaryName is shown for mode 3.
    int SyncRun(int mode, std::string_view primaryName = {});

    int FilesIdentical() const { return m_identical; }
    int FilesFailed() const { return m_failed; }
    int FilesSynchronized() const { return m_synchronized; }
    bool FailureFlag() const { return m_failureFlag; }

    // The pause after each list row, which lets the user watch the rows come (20 ms unless
    // changed), and the pause between two attempts of a file-system step (500 ms).
    void SetRowPause(std::chrono::milliseconds pause);
    void SetRetryPause(std::chrono::milliseconds pause);

    // Asked before each file: true ends the run there. The files done so far stay replaced and
    // the others as they were; the run counts as failed and is not recorded as applied.
    void SetStopRequest(std::function<bool()> stopRequested);

    // What a run would do with one catalogue file, with the local path it concerns.
    enum class EPlanned
    {
        Download,  // missing here
        Replace,   // differs
        KeepAside, // differs, and the local copy is newer: kept aside, then replaced
        Leave      // identical, or differs but is only published for installations without it
    };
    using PreviewSink = std::function<void(EPlanned action, const std::string& localPath)>;

    // A set sink makes every run a preview: the alarm applications stay open, no directory of
    // a section is created, and each file that differs is downloaded and unpacked into the
    // download directory only, to learn its time, and removed again; no local file changes.
    // The caller points the download directory, the log directory and the Windows directory's
    // zezodi.ini at a temporary place.
    void SetPreview(PreviewSink preview);

    // Called after each file of a run with the files done, the files the run walks and the
    // bytes of the local copies done so far.
    using ProgressSink = std::function<void(int done, int all, std::uint64_t bytes)>;
    void SetProgress(ProgressSink progress);

private:
    enum class EWork
    {
        Walk,
        Refused,
        Repeated
    };

    // How the catalogue's border judged an entry; the walk and the apply step take it as it is.
    enum class EVerdict
    {
        Accepted,
        UnsafeName,
        SettingsFile
    };

    struct SEntryWork
    {
        CCatalogueReader::Entry entry;
        EVerdict verdict = EVerdict::Accepted;
        // The two digits that replace the name's last two characters for its previous
        // version: one that names no file of the section and no other entry's previous
        // version; -1 when none is free.
        int previousNumber = -1;
    };

    // One section of the walk, read before anything is downloaded: an entry of the catalogue
    // may have the catalogue's own name and replace it in the download directory.
    struct SSectionWork
    {
        EWork kind = EWork::Walk;
        std::string directory;
        std::string section;
        bool subSection = false;
        std::vector<SEntryWork> entries;
    };

    static constexpr std::size_t kNotAhead = static_cast<std::size_t>(-1);

    // The local side of one entry, read before anything of its section is downloaded.
    struct SLocalState
    {
        std::string localName;
        bool found = false;
        struct stat info
        {};
        // The local copy's checksum text; only for a regular file of an accepted entry.
        std::string crc;
        bool fetch = false;
        // Where the run's batch fetch put the file; empty when it did not bring it. Its
        // place among the files made ready ahead of the walk, if it is one of them.
        std::string staged;
        std::size_t stagedIndex = kNotAhead;
    };

    int FetchCatalogue(const std::string& cataloguePath);
    bool DownloadDirectoryRefused();
    void PlanSection(const CCatalogueReader& reader, const std::string& directory,
                     const std::string& section, bool webTree, std::vector<SSectionWork>& plan,
                     std::set<std::string>& visited) const;
    SSectionWork JudgeSection(const CCatalogueReader& reader, const std::string& directory,
                              const std::string& section, bool subSection) const;
    // The local side of every walked section, read before anything is downloaded.
    struct SSectionState
    {
        std::vector<SLocalState> entries;
        // The section's directory as it was when it was read: absent, or which one it was.
        bool existed = false;
        dev_t device = 0;
        ino_t inode = 0;
    };

    void InspectSections(const std::vector<SSectionWork>& plan,
                         std::vector<SSectionState>& states) const;
    void CompareSection(const SSectionWork& work, SSectionState& state);
    SLocalState InspectEntry(const std::string& directory, const SEntryWork& work) const;
    // Fetches every file the run needs into the staging area at once and notes where each
    // lies; a file it cannot vouch for is left to be fetched alone at its turn.
    void FetchBatch(const std::vector<SSectionWork>& plan, std::vector<SSectionState>& states);
    // The files the batch brought, in the order of the walk, for CStagedFiles.
    std::vector<CStagedFiles::SFile> StagedFiles(const std::vector<SSectionWork>& plan,
                                                 std::vector<SSectionState>& states) const;
    void CompareEntry(const std::string& directory, const std::string& section,
                      const SEntryWork& work, SLocalState& inspected);
    bool RefuseEntry(const std::string& directory, const std::string& section,
                     const SEntryWork& work, const std::string& localName);
    void ReportSectionProblem(const SSectionWork& work);
    // The preview of a file that a run would fetch; false when it could not be downloaded.
    bool PreviewFetch(std::string_view section, const CCatalogueReader::Entry& entry,
                      const std::string& localPath, bool found, std::time_t localTime);
    bool StopRequested() const;
    void Log(std::string_view format, std::initializer_list<std::string_view> args) const;

    SSecondarySettings& m_settings;
    CReportSink& m_report;
    CLocalFilesSink& m_files;
    bool m_failureFlag = false;
    CDownloadApply m_download;
    int m_identical = 0;
    int m_failed = 0;
    int m_synchronized = 0;
    std::chrono::milliseconds m_rowPause{20};
    std::function<bool()> m_stopRequested;
    PreviewSink m_preview;
    ProgressSink m_progress;
    // The directories this run has written files to, as device and inode: a later section
    // of the same directory is read again before it is walked.
    std::set<std::pair<dev_t, ino_t>> m_written;
    // The batch's files being made ready while the walk goes on; only during a walk.
    CStagedFiles* m_stagedFiles = nullptr;
    int m_progressDone = 0;
    int m_progressAll = 0;
    std::uint64_t m_progressBytes = 0;
};
