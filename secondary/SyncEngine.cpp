#include "secondary/SyncEngine.h"

#include "core/CatalogueSections.h"
#include "core/CommandLine.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/ReportSink.h"
#include "core/RunAndWait.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"
#include "secondary/AlarmAppCloser.h"
#include "secondary/FileChecksum.h"
#include "secondary/LocalFilesSink.h"
#include "secondary/SyncLogTexts.h"
#include "secondary/SyncNames.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace Keys = ConfigKeys;
namespace Sections = CatalogueSections;
namespace Texts = SyncLogTexts;

namespace {

// Shows the run as busy for as long as it lasts, whichever way it returns.
class CBusyScope
{
public:
    explicit CBusyScope(CLocalFilesSink& files) : m_files{files} { m_files.SetBusy(true); }
    ~CBusyScope() { m_files.SetBusy(false); }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

private:
    CLocalFilesSink& m_files;
};

// Whole kilobytes of the low 32 bits of the size, but 1 for a file that is not empty.
long long KilobytesShown(off_t size)
{
    const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(size));
    const long long kb = low / 1024;
    return (kb == 0 && low != 0) ? 1 : kb;
}

// The report list's text is string-table text; the log's is fixed English.
constexpr std::string_view kStoppedLog = "Synchronization stopped before its end";

std::string SectionKey(std::string_view section)
{
    return CSyncNames::Lower(CSyncNames::SectionPath(section));
}

} // namespace

CSyncEngine::CSyncEngine(SSecondarySettings& settings, CReportSink& report, CLocalFilesSink& files)
    : m_settings{settings}, m_report{report}, m_files{files}, m_download{settings, report,
                                                                         m_failureFlag}
{}

void CSyncEngine::SetRowPause(std::chrono::milliseconds pause)
{
    m_rowPause = pause;
}

void CSyncEngine::SetRetryPause(std::chrono::milliseconds pause)
{
    m_download.SetRetryPause(pause);
}

void CSyncEngine::SetStopRequest(std::function<bool()> stopRequested)
{
    m_stopRequested = std::move(stopRequested);
}

void CSyncEngine::SetPreview(PreviewSink preview)
{
    m_preview = std::move(preview);
}

void CSyncEngine::SetProgress(ProgressSink progress)
{
    m_progress = std::move(progress);
}

bool CSyncEngine::StopRequested() const
{
    return m_stopRequested && m_stopRequested();
}

void CSyncEngine::Log(std::string_view format, std::initializer_list<std::string_view> args) const
{
    CEventLog::WriteLog(m_settings.logDir, CStringTable::FormatText(format, args));
}

int CSyncEngine::SyncRun(int mode, std::string_view primaryName)
{
    const CBusyScope busy{m_files};
    m_failureFlag = false;
    m_identical = 0;
    m_failed = 0;
    m_synchronized = 0;

    if (!m_preview) {
        CAlarmAppCloser::CloseAlarmApplications();
    }

    const std::string cataloguePath =
        CPlatform::JoinPath(m_settings.downloadDir, Keys::kCatalogueFile);
    if (FetchCatalogue(cataloguePath) != kDone) {
        return kCatalogueMissing;
    }

    const CCatalogueReader reader{cataloguePath};
    const std::string stamp = reader.Stamp();
    const std::string lastPrimSync = CProfileStore::ReadText(Keys::kConfig, Keys::kLastPrimSync, "",
                                                             Keys::kBuffer40, Keys::kIniFile);
    if (stamp == lastPrimSync && mode != kModeForced) {
        return kAlreadySynchronized;
    }

    if (mode == kModeAutomatic) {
        Log(Texts::kStartedAutomatically, {});
        m_report.AddReportLine(CStringTable::Text(StringId::SyncStartedAutomatically),
                               CReportSink::ImageSuccess);
    } else if (mode == kModeByPrimary) {
        Log(Texts::kStartedByPrimary, {primaryName});
        m_report.AddReportLine(CStringTable::Format(StringId::SyncStartedByPrimary, {primaryName}),
                               CReportSink::ImageSuccess);
    } else {
        Log(Texts::kStartedManually, {});
        m_report.AddReportLine(CStringTable::Text(StringId::SyncStartedManually),
                               CReportSink::ImageSuccess);
    }
    m_files.ClearFiles();

    std::vector<std::pair<std::string, std::string_view>> table = {
        {m_settings.db1Dir, Sections::kDb1},
        {m_settings.dbv1Dir, Sections::kDbv1},
        {m_settings.installDir, Sections::kJxt},
        {m_settings.windowsDir, Sections::kWinnt}};
    if (CFileOps::IsDirectory(m_settings.apacheRootDir)) {
        table.emplace_back(m_settings.apacheRootDir, Sections::kWebPhp);
    } else if (CFileOps::IsDirectory(m_settings.ownWebRootDir)) {
        table.emplace_back(m_settings.ownWebRootDir, Sections::kHtdocs);
    }
    std::vector<SSectionWork> plan;
    std::set<std::string> visited;
    for (const auto& [directory, section] : table) {
        PlanSection(reader, directory, std::string(section), plan, visited);
    }
    m_progressDone = 0;
    m_progressAll = 0;
    m_progressBytes = 0;
    for (const SSectionWork& work : plan) {
        m_progressAll += static_cast<int>(work.entries.size());
    }
    for (const SSectionWork& work : plan) {
        if (StopRequested()) {
            break;
        }
        CompareSection(work);
    }
    if (StopRequested()) {
        Log(kStoppedLog, {});
        m_report.AddReportLine(CStringTable::Text(StringId::SyncStopped), CReportSink::ImageError);
        m_failureFlag = true;
        return kDone;
    }

    CProfileStore::WriteText(Keys::kConfig, Keys::kLastPrimSync, stamp, Keys::kIniFile);
    const std::string lastSync = CTimeStamp::Format(std::time(nullptr));
    CProfileStore::WriteText(Keys::kConfig, Keys::kLastSync, lastSync, Keys::kIniFile);
    m_settings.lastSync = CTimeStamp::Display(lastSync);
    m_files.SetLastSync(m_settings.lastSync);

    const std::string identical = std::to_string(m_identical);
    const std::string synchronized = std::to_string(m_synchronized);
    const std::string failed = std::to_string(m_failed);
    if (!m_failureFlag) {
        Log(Texts::kSucceeded, {identical, synchronized});
        m_report.AddReportLine(
            CStringTable::Format(StringId::SyncSucceededSummary, {identical, synchronized}),
            CReportSink::ImageSuccess);
    } else {
        Log(Texts::kFailed, {identical, synchronized, failed});
        m_report.AddReportLine(
            CStringTable::Format(StringId::SyncFailedSummary, {identical, synchronized, failed}),
            CReportSink::ImageError);
    }
    return kDone;
}

int CSyncEngine::FetchCatalogue(const std::string& cataloguePath)
{
    // wget saves beside a file that is still there, so the old catalogue must be gone before
    // each try; one it cannot replace counts as not obtained.
    int result = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 1) {
            m_settings.webPath = CSyncNames::Lower(m_settings.webPath);
        }
        if (unlink(cataloguePath.c_str()) != 0 && errno != ENOENT) {
            result = errno;
            continue;
        }
        const std::string command =
            "wget " +
            CCommandLine::Quote(m_settings.webPath + "/" + std::string(Keys::kCatalogueFile));
        result = RunAndWait(command, m_settings.downloadDir);
        if (result == 0) {
            if (attempt == 1) {
                CProfileStore::WriteText(Keys::kConfig, Keys::kWebDocPath, m_settings.webPath,
                                         Keys::kIniFile);
            }
            break;
        }
    }
    const std::string code = std::to_string(result);
    if (result != 0) {
        Log(Texts::kGetSyncFileFailed, {m_settings.webPath, code});
        m_report.AddReportLine(
            CStringTable::Format(StringId::GetSyncFileFailed, {m_settings.webPath, code}),
            CReportSink::ImageError);
        return kCatalogueMissing;
    }
    if (!CFileOps::IsRegularFile(cataloguePath)) {
        Log(Texts::kSyncFileNotPresent, {m_settings.webPath});
        m_report.AddReportLine(
            CStringTable::Format(StringId::SyncFileNotPresent, {m_settings.webPath}),
            CReportSink::ImageError);
        return kCatalogueMissing;
    }
    return kDone;
}

void CSyncEngine::PlanSection(const CCatalogueReader& reader, const std::string& directory,
                              const std::string& section, std::vector<SSectionWork>& plan,
                              std::set<std::string>& visited) const
{
    visited.insert(SectionKey(section));
    plan.push_back({EWork::Walk, directory, section, false, reader.Entries(section)});

    // Depth first without recursion: a catalogue from the network may nest without end.
    struct SLevel
    {
        std::vector<std::string> directories;
        std::size_t next = 0;
    };
    std::vector<SLevel> levels;
    levels.push_back({reader.Directories(section)});
    while (!levels.empty()) {
        if (levels.back().next == levels.back().directories.size()) {
            levels.pop_back();
            continue;
        }
        const std::string sub = levels.back().directories[levels.back().next++];
        if (!CSyncNames::IsSafeSectionName(sub)) {
            plan.push_back({EWork::Refused, {}, sub, true, {}});
            continue;
        }
        if (!visited.insert(SectionKey(sub)).second) {
            plan.push_back({EWork::Repeated, {}, sub, true, {}});
            continue;
        }
        const std::string subDirectory =
            CPlatform::JoinPath(m_settings.ownWebParentDir, CSyncNames::SectionPath(sub));
        plan.push_back({EWork::Walk, subDirectory, sub, true, reader.Entries(sub)});
        levels.push_back({reader.Directories(sub)});
    }
}

void CSyncEngine::ReportSectionProblem(const SSectionWork& work)
{
    if (work.kind == EWork::Refused) {
        Log(Texts::kSectionRefused, {work.section});
        m_report.AddReportLine(
            CStringTable::FormatText(Texts::kSectionRefusedReport, {work.section}),
            CReportSink::ImageError);
        m_failureFlag = true;
        ++m_failed;
        return;
    }
    Log(Texts::kSectionRepeated, {work.section});
    m_report.AddReportLine(CStringTable::FormatText(Texts::kSectionRepeated, {work.section}),
                           CReportSink::ImageNotice);
}

void CSyncEngine::CompareSection(const SSectionWork& work)
{
    if (work.kind != EWork::Walk) {
        ReportSectionProblem(work);
        return;
    }
    // One level only: a missing parent makes the copies into it fail, and they are reported.
    if (work.subSection && !m_preview && !CFileOps::IsDirectory(work.directory)) {
        CFileOps::CreateDirectory(work.directory);
    }
    for (const CCatalogueReader::Entry& entry : work.entries) {
        if (StopRequested()) {
            return;
        }
        CompareEntry(work.directory, work.section, entry);
    }
}

void CSyncEngine::CompareEntry(const std::string& directory, const std::string& section,
                               const CCatalogueReader::Entry& entry)
{
    CLocalFilesSink::SRow row;
    row[0] = entry.file;
    row[1] = CSyncNames::Extension(entry.file);
    row[2] = directory;
    row[6] = entry.crc;
    int state = CLocalFilesSink::ImageUnchanged;

    std::string localName;
    struct stat info
    {};
    const bool safe = !m_download.RefuseUnsafeName(section, entry.file);
    if (safe) {
        localName = CFileOps::FindNameNoCase(directory, entry.file);
    }
    const bool found =
        !localName.empty() && stat(CPlatform::JoinPath(directory, localName).c_str(), &info) == 0;
    row[3] = found ? CTimeStamp::ListDate(info.st_mtim.tv_sec) : std::string();
    row[4] = CStringTable::Format(StringId::SizeInKb,
                                  {std::to_string(found ? KilobytesShown(info.st_size) : 0)});

    bool fetch = false;
    if (!safe) {
        row[7] = CStringTable::Text(StringId::Failed);
        state = CLocalFilesSink::ImageFailed;
        ++m_failed;
    } else if (found) {
        const std::string displayPath = CPlatform::JoinPath(directory, localName);
        std::uint32_t status = 0;
        row[5] = CFileChecksum::Text(displayPath, status);
        if (row[5] == entry.crc) {
            row[7] = CStringTable::Text(StringId::Identical);
            ++m_identical;
            if (m_preview) {
                m_preview(EPlanned::Leave, displayPath);
            }
        } else {
            Log(Texts::kCrcDiffers, {displayPath, row[5], entry.crc});
            if (entry.onlyNotExistent != 0) {
                Log(Texts::kOnlyIfAbsent, {displayPath});
                row[7] = CStringTable::Text(StringId::NotUpdated);
                if (m_preview) {
                    m_preview(EPlanned::Leave, displayPath);
                }
            } else {
                fetch = true;
            }
        }
    } else {
        localName = entry.file;
        const std::string path = CPlatform::JoinPath(directory, entry.file);
        Log(Texts::kNotExistent, {path});
        m_report.AddReportLine(CStringTable::Format(StringId::FileNotExistent, {path}),
                               CReportSink::ImageNotice);
        fetch = true;
    }

    if (fetch && m_preview) {
        row[7] = CStringTable::Text(StringId::Updated);
        if (PreviewFetch(section, entry, CPlatform::JoinPath(directory, localName), found,
                         found ? info.st_mtim.tv_sec : 0)) {
            ++m_synchronized;
        } else {
            row[7] = CStringTable::Text(StringId::Failed);
            state = CLocalFilesSink::ImageFailed;
            ++m_failed;
        }
    } else if (fetch) {
        row[7] = CStringTable::Text(StringId::Updated);
        const CDownloadApply::SLocalFile local{directory, localName, found,
                                               found ? info.st_mtim.tv_sec : 0};
        if (m_download.DownloadAndApply(section, entry.file, entry.zipped != 0, entry.crc, local)) {
            state = CLocalFilesSink::ImageUpdated;
            ++m_synchronized;
        } else {
            row[7] = CStringTable::Text(StringId::Failed);
            state = CLocalFilesSink::ImageFailed;
            ++m_failed;
        }
    }

    m_files.AddFileRow(row, state);
    if (m_progress) {
        struct stat now
        {};
        if (!localName.empty() &&
            stat(CPlatform::JoinPath(directory, localName).c_str(), &now) == 0) {
            m_progressBytes += static_cast<std::uint64_t>(now.st_size);
        }
        m_progress(++m_progressDone, m_progressAll, m_progressBytes);
    }
    if (m_rowPause.count() > 0) {
        std::this_thread::sleep_for(m_rowPause);
    }
}

bool CSyncEngine::PreviewFetch(std::string_view section, const CCatalogueReader::Entry& entry,
                               const std::string& localPath, bool found, std::time_t localTime)
{
    if (!m_download.DownloadAndApply(section, entry.file, entry.zipped != 0, entry.crc,
                                     std::nullopt)) {
        return false;
    }
    const std::string downloaded = CPlatform::JoinPath(m_settings.downloadDir, entry.file);
    struct stat info
    {};
    // As the apply step judges it: whole seconds, the local copy later than the primary's.
    const bool newer =
        found && stat(downloaded.c_str(), &info) == 0 && localTime > info.st_mtim.tv_sec;
    unlink(downloaded.c_str());
    m_preview(!found  ? EPlanned::Download
              : newer ? EPlanned::KeepAside
                      : EPlanned::Replace,
              localPath);
    return true;
}
