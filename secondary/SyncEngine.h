#pragma once

#include "core/CatalogueReader.h"
#include "secondary/DownloadApply.h"
#include "secondary/LocalInspection.h"
#include "secondary/SecondarySettings.h"
#include "secondary/StagedFiles.h"
#include "secondary/SyncPlan.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

class CLocalFilesSink;
class CReportSink;

// One synchronisation run of the secondary: fetches the primary's catalogue, walks its
// sections in their fixed order, compares each file's CRC-32 with the local copy, has every
// differing or missing file downloaded and applied, and records the run in zezodi.ini. It
// sequences the judged plan (CSyncPlan), the local side (CLocalInspection), the batch fetch
// (CBatchFetch) and the apply step (CDownloadApply). Owned
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
    // The bytes of the files that the last run put in place.
    std::uint64_t BytesFetched() const { return m_bytesFetched; }

    // The pause after each list row, which lets the user watch the rows come (20 ms unless
    // changed), and the pause between two attempts of a file-system step (500 ms).
    void SetRowPause(std::chrono::milliseconds pause);
    void SetRetryPause(std::chrono::milliseconds pause);

    // Asked before each file, and every 100 ms while an outside program of the run works:
    // true ends the run there, the program killed with its process group. The files done so
    // far stay replaced and the others as they were; the run counts as failed and is not
    // recorded as applied.
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
    int FetchCatalogue(const std::string& cataloguePath);
    bool DownloadDirectoryRefused();
    // What a failed catalogue fetch's exit status means and what to check: a notice in the
    // report list (the log has the number).
    void ExplainWgetFailure(int result);
    // False, after its log and report line, when the primary's keys are listed and the
    // catalogue carries no valid signature of one of them.
    bool SignedByThePrimary(const std::string& cataloguePath);
    void CompareSection(const CSyncPlan::SSection& work, std::size_t index);
    void CompareEntry(const std::string& directory, const std::string& section,
                      const CSyncPlan::SEntry& work, CLocalInspection::SLocal& inspected);
    bool RefuseEntry(const std::string& directory, const std::string& section,
                     const CSyncPlan::SEntry& work, const std::string& localName);
    void ReportSectionProblem(const CSyncPlan::SSection& work);
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
    std::uint64_t m_bytesFetched = 0;
    std::chrono::milliseconds m_rowPause{20};
    std::function<bool()> m_stopRequested;
    PreviewSink m_preview;
    ProgressSink m_progress;
    // The local side of the plan and the batch's files being made ready while the walk goes
    // on; only during a walk.
    CLocalInspection* m_local = nullptr;
    CStagedFiles* m_stagedFiles = nullptr;
    int m_progressDone = 0;
    int m_progressAll = 0;
    std::uint64_t m_progressBytes = 0;
};
