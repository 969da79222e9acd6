#include "secondary/SyncEngine.h"

#include "core/CatalogueSections.h"
#include "core/CommandLine.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProcessRunner.h"
#include "core/ProfileFile.h"
#include "core/ProfileStore.h"
#include "core/ReportSink.h"
#include "core/RunAndWait.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"
#include "secondary/AlarmAppCloser.h"
#include "secondary/FileChecksum.h"
#include "secondary/LocalFilesSink.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SyncLogTexts.h"
#include "secondary/SyncNames.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
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

// How many directories wget is to cut from the front of a file's address so that it saves the
// file as its section path and name: the parts of the web path after its host, as wget
// resolves them ("." goes, ".." takes the part before it away, an empty part counts). -1 for
// a web path with a query or a fragment.
int CutDirectories(std::string_view webPath)
{
    const std::string url = CSyncNames::SectionPath(webPath);
    if (url.find_first_of("?#") != std::string::npos) {
        return -1;
    }
    const std::size_t scheme = url.find("://");
    const std::size_t path = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    if (path == std::string::npos) {
        return 0;
    }
    // Each part is ended by a '/', the last one by the '/' before the section.
    int parts = 0;
    std::size_t start = path + 1;
    for (;;) {
        const std::size_t end = std::min(url.find('/', start), url.size());
        const std::string_view part = std::string_view(url).substr(start, end - start);
        if (part == "..") {
            parts = std::max(parts - 1, 0);
        } else if (part != ".") {
            ++parts;
        }
        if (end == url.size()) {
            return parts;
        }
        start = end + 1;
    }
}

// Adds every directory above path ("a/b/c" gives "a" and "a/b") to directories.
void AddParentDirectories(const std::string& path, std::set<std::string>& directories)
{
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        directories.insert(path.substr(0, slash));
    }
}

// wget's exit status for a file it could not write.
constexpr std::uint32_t kWgetFileError = 3;

// From this many files on, a batch is fetched by two wget processes.
constexpr std::size_t kFilesForTwoBatches = 8;

// Below this many entries the run's thread reads the local copies alone.
constexpr std::size_t kEntriesForHelpers = 16;

constexpr std::string_view kStoppedLog = "Synchronization stopped before its end";

std::string SectionKey(std::string_view section)
{
    return CSyncNames::Lower(CSyncNames::SectionPath(section));
}

// What a local name is when it is not a regular file, for the report.
std::string_view FileKind(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "directory";
    }
    if (S_ISFIFO(mode)) {
        return "FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "device";
    }
    return "special file";
}

// The directory for this run's downloads inside the download directory, removed with
// everything in it when the run ends, however it ends.
class CWorkDirectory
{
public:
    CWorkDirectory(const std::string& downloadDir, CDownloadApply& download)
        : m_path{CPlatform::JoinPath(downloadDir, CFileOps::WorkDirectoryName())}, m_download{
                                                                                       download}
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        CFileOps::CreateDirectory(m_path);
        m_download.SetWorkDirectory(m_path);
    }
    ~CWorkDirectory()
    {
        m_download.SetWorkDirectory({});
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CWorkDirectory(const CWorkDirectory&) = delete;
    CWorkDirectory& operator=(const CWorkDirectory&) = delete;

private:
    std::string m_path;
    CDownloadApply& m_download;
};

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
    m_download.SetStopRequest(m_stopRequested);
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
    m_download.ClearNoSpace();

    if (!m_preview) {
        CAlarmAppCloser::CloseAlarmApplications();
    }

    if (DownloadDirectoryRefused()) {
        return kCatalogueMissing;
    }
    // What killed runs left behind; those of a run going on in another process stay.
    CFileOps::RemoveStaleTemporaries(m_settings.downloadDir);
    CFileOps::RemoveStaleTemporaries(
        CPlatform::JoinPath(m_settings.downloadDir, CDownloadApply::kNewerFilesDir));
    const std::string cataloguePath =
        CPlatform::JoinPath(m_settings.downloadDir, Keys::kCatalogueFile);
    if (FetchCatalogue(cataloguePath) != kDone) {
        return kCatalogueMissing;
    }

    const CCatalogueReader reader{cataloguePath};
    if (reader.TooLarge()) {
        const std::string limit = std::to_string(CProfileFile::kMaxBytes / (1024 * 1024));
        Log(Texts::kCatalogueTooLarge, {cataloguePath, limit});
        m_report.AddReportLine(
            CStringTable::Format(StringId::CatalogueTooLarge, {cataloguePath, limit}),
            CReportSink::ImageError);
        return kCatalogueMissing;
    }
    if (const CCatalogueReader::EProof proof = reader.Proof();
        proof != CCatalogueReader::EProof::Whole) {
        const bool noStamp = proof == CCatalogueReader::EProof::NoStamp;
        Log(noStamp ? Texts::kCatalogueWithoutStamp : Texts::kCatalogueCutShort,
            {m_settings.webPath});
        m_report.AddReportLine(CStringTable::Format(noStamp ? StringId::CatalogueWithoutStamp
                                                            : StringId::CatalogueCutShort,
                                                    {m_settings.webPath}),
                               CReportSink::ImageError);
        return kCatalogueMissing;
    }
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

    struct SRow
    {
        std::string directory;
        std::string_view section;
        bool webTree;
    };
    std::vector<SRow> table = {{m_settings.db1Dir, Sections::kDb1, false},
                               {m_settings.dbv1Dir, Sections::kDbv1, false},
                               {m_settings.installDir, Sections::kJxt, false},
                               {m_settings.windowsDir, Sections::kWinnt, false}};
    if (CFileOps::IsDirectory(m_settings.apacheRootDir)) {
        table.push_back({m_settings.apacheRootDir, Sections::kWebPhp, false});
    } else if (CFileOps::IsDirectory(m_settings.ownWebRootDir)) {
        table.push_back({m_settings.ownWebRootDir, Sections::kHtdocs, true});
    }
    std::vector<SSectionWork> plan;
    std::set<std::string> visited;
    for (const SRow& row : table) {
        PlanSection(reader, row.directory, std::string(row.section), row.webTree, plan, visited);
    }
    m_progressDone = 0;
    m_progressAll = 0;
    m_progressBytes = 0;
    for (const SSectionWork& section : plan) {
        m_progressAll += static_cast<int>(section.entries.size());
    }
    {
        const CWorkDirectory work{m_settings.downloadDir, m_download};
        // The checksums of every section come first, so that all the files the run needs can
        // be fetched together; the rows and log lines then follow section by section and
        // entry by entry as before.
        std::vector<SSectionState> states(plan.size());
        InspectSections(plan, states);
        m_written.clear();
        std::optional<CStagedFiles> ready;
        if (!m_preview && !StopRequested()) {
            FetchBatch(plan, states);
            ready.emplace(StagedFiles(plan, states));
            m_stagedFiles = &*ready;
        }
        for (std::size_t s = 0; s < plan.size(); ++s) {
            if (StopRequested()) {
                break;
            }
            CompareSection(plan[s], states[s]);
        }
        m_stagedFiles = nullptr;
    }
    if (StopRequested()) {
        Log(kStoppedLog, {});
        m_report.AddReportLine(CStringTable::Text(StringId::SyncStopped), CReportSink::ImageError);
        m_failureFlag = true;
        return kDone;
    }

    // A run that lacked room is not recorded as applied: the next one tries again.
    if (const std::string full = m_download.NoSpaceDirectory(); !full.empty()) {
        Log(Texts::kNoSpaceLeft, {full});
        m_report.AddReportLine(CStringTable::Format(StringId::NoSpaceLeft, {full}),
                               CReportSink::ImageError);
        m_failureFlag = true;
    } else {
        CProfileStore::WriteText(Keys::kConfig, Keys::kLastPrimSync, stamp, Keys::kIniFile);
    }
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
    // each try; one it cannot replace counts as not obtained. The lower-case address becomes
    // the running web path only when it worked: a primary that is briefly down must not
    // change the path for good.
    int result = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::string webPath =
            attempt == 0 ? m_settings.webPath : CSyncNames::Lower(m_settings.webPath);
        if (unlink(cataloguePath.c_str()) != 0 && errno != ENOENT) {
            result = errno;
            continue;
        }
        const std::string command =
            "wget " + CCommandLine::Quote(webPath + "/" + std::string(Keys::kCatalogueFile));
        result = RunAndWait(command, m_settings.downloadDir, m_stopRequested);
        if (result == 0) {
            if (attempt == 1) {
                m_settings.webPath = webPath;
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

bool CSyncEngine::DownloadDirectoryRefused()
{
    const std::string dataDir =
        CSecondaryConfig::DataDirectoryAt(m_settings, m_settings.downloadDir);
    if (dataDir.empty()) {
        return false;
    }
    Log(Texts::kDownloadDirRefused, {m_settings.downloadDir, dataDir});
    m_report.AddReportLine(
        CStringTable::Format(StringId::DownloadDirInDataDir, {m_settings.downloadDir, dataDir}),
        CReportSink::ImageError);
    return true;
}

void CSyncEngine::PlanSection(const CCatalogueReader& reader, const std::string& directory,
                              const std::string& section, bool webTree,
                              std::vector<SSectionWork>& plan, std::set<std::string>& visited) const
{
    visited.insert(SectionKey(section));
    plan.push_back(JudgeSection(reader, directory, section, false));
    if (!webTree) {
        // Only the web tree has sub-sections; a Dir key anywhere else names no directory.
        for (const std::string& sub : reader.Directories(section)) {
            plan.push_back({EWork::Refused, {}, sub, true, {}});
        }
        return;
    }

    // Depth first without recursion: a catalogue from the network may nest deeply.
    struct SLevel
    {
        std::string section;
        std::string directory;
        std::vector<std::string> subs;
        std::size_t next = 0;
    };
    std::vector<SLevel> levels;
    levels.push_back({section, directory, reader.Directories(section)});
    while (!levels.empty()) {
        SLevel& level = levels.back();
        if (level.next == level.subs.size()) {
            levels.pop_back();
            continue;
        }
        const std::string sub = level.subs[level.next++];
        // A sub-section stays inside its parent: the parent's name, a backslash, one name.
        const std::string child = CSyncNames::ChildName(level.section, sub);
        if (child.empty()) {
            plan.push_back({EWork::Refused, {}, sub, true, {}});
            continue;
        }
        if (!visited.insert(SectionKey(sub)).second) {
            plan.push_back({EWork::Repeated, {}, sub, true, {}});
            continue;
        }
        // The directory that exists under another letter case is the one to update.
        const std::string found = CFileOps::FindNameNoCase(level.directory, child);
        const std::string subDirectory = CPlatform::JoinPath(
            level.directory,
            !found.empty() && CFileOps::IsDirectory(CPlatform::JoinPath(level.directory, found))
                ? found
                : child);
        plan.push_back(JudgeSection(reader, subDirectory, sub, true));
        levels.push_back({sub, subDirectory, reader.Directories(sub)});
    }
}

CSyncEngine::SSectionWork CSyncEngine::JudgeSection(const CCatalogueReader& reader,
                                                    const std::string& directory,
                                                    const std::string& section,
                                                    bool subSection) const
{
    SSectionWork work{EWork::Walk, directory, section, subSection, {}};
    const bool settingsDirectory = CFileOps::SameFile(directory, m_settings.windowsDir);
    std::set<std::string> listed;
    std::vector<CCatalogueReader::Entry> entries = reader.Entries(section);
    for (const CCatalogueReader::Entry& entry : entries) {
        listed.insert(CSyncNames::Lower(entry.file));
    }
    // Previous versions never overwrite a listed file nor each other: each entry takes the
    // first of "00" .. "99" that is free, in catalogue order, so a file keeps the same
    // previous-version name from run to run.
    std::set<std::string> claimed;
    for (CCatalogueReader::Entry& entry : entries) {
        SEntryWork item{std::move(entry)};
        const std::string lower = CSyncNames::Lower(item.entry.file);
        if (!CSyncNames::IsSafeFileName(item.entry.file)) {
            item.verdict = EVerdict::UnsafeName;
        } else if (settingsDirectory && (lower == Keys::kIniFile || lower == Keys::kRegistryFile)) {
            item.verdict = EVerdict::SettingsFile;
        } else {
            for (int number = 0; number < 100; ++number) {
                const std::string candidate =
                    CSyncNames::Lower(CSyncNames::NumberedVersionName(item.entry.file, number));
                if (candidate != lower && listed.count(candidate) == 0 &&
                    claimed.insert(candidate).second) {
                    item.previousNumber = number;
                    break;
                }
            }
        }
        work.entries.push_back(std::move(item));
    }
    return work;
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

void CSyncEngine::InspectSections(const std::vector<SSectionWork>& plan,
                                  std::vector<SSectionState>& states) const
{
    std::vector<std::pair<std::size_t, std::size_t>> items;
    for (std::size_t s = 0; s < plan.size(); ++s) {
        const SSectionWork& work = plan[s];
        if (work.kind != EWork::Walk) {
            continue;
        }
        if (!m_preview) {
            CFileOps::RemoveStaleTemporaries(work.directory);
        }
        struct stat info
        {};
        states[s].existed = stat(work.directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        states[s].device = info.st_dev;
        states[s].inode = info.st_ino;
        states[s].entries.resize(work.entries.size());
        for (std::size_t i = 0; i < work.entries.size(); ++i) {
            items.emplace_back(s, i);
        }
    }
    // Reading the local copies takes most of a run that changes little; it is shared among
    // the cores.
    std::atomic<std::size_t> next{0};
    const auto inspect = [&] {
        for (std::size_t at = next++; at < items.size(); at = next++) {
            const auto [s, i] = items[at];
            states[s].entries[i] = InspectEntry(plan[s].directory, plan[s].entries[i]);
        }
    };
    const unsigned helpers = items.size() < kEntriesForHelpers
                                 ? 0
                                 : std::clamp(std::thread::hardware_concurrency(), 1u, 4u) - 1;
    std::vector<std::jthread> threads;
    for (unsigned i = 0; i < helpers; ++i) {
        threads.emplace_back(inspect);
    }
    inspect();
}

void CSyncEngine::CompareSection(const SSectionWork& work, SSectionState& state)
{
    if (work.kind != EWork::Walk) {
        ReportSectionProblem(work);
        return;
    }
    // A directory that an earlier section of this run wrote to (the same one under another
    // section), or one that appeared since, is read again, so that each entry is judged as
    // the walk finds it.
    struct stat info
    {};
    const bool exists = stat(work.directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (exists && (!state.existed || info.st_dev != state.device || info.st_ino != state.inode ||
                   m_written.count({info.st_dev, info.st_ino}) != 0)) {
        for (std::size_t i = 0; i < work.entries.size(); ++i) {
            std::string staged = std::move(state.entries[i].staged);
            const std::size_t stagedIndex = state.entries[i].stagedIndex;
            state.entries[i] = InspectEntry(work.directory, work.entries[i]);
            state.entries[i].staged = std::move(staged);
            state.entries[i].stagedIndex = stagedIndex;
        }
    }
    // One level only: a missing parent makes the copies into it fail, and they are reported.
    if (work.subSection && !m_preview && !exists) {
        CFileOps::CreateDirectory(work.directory);
    }
    bool writes = false;
    for (std::size_t i = 0; i < work.entries.size(); ++i) {
        if (StopRequested()) {
            break;
        }
        writes = writes || state.entries[i].fetch;
        CompareEntry(work.directory, work.section, work.entries[i], state.entries[i]);
    }
    if (writes && !m_preview && stat(work.directory.c_str(), &info) == 0) {
        m_written.insert({info.st_dev, info.st_ino});
    }
}

CSyncEngine::SLocalState CSyncEngine::InspectEntry(const std::string& directory,
                                                   const SEntryWork& work) const
{
    SLocalState state;
    if (work.verdict != EVerdict::Accepted) {
        return state;
    }
    state.localName = CFileOps::FindNameNoCase(directory, work.entry.file);
    state.found = !state.localName.empty() &&
                  stat(CPlatform::JoinPath(directory, state.localName).c_str(), &state.info) == 0;
    if (!state.found) {
        state.fetch = true;
        return state;
    }
    // Never opened unless regular: the walk refuses the others.
    if (S_ISREG(state.info.st_mode)) {
        std::uint32_t status = 0;
        state.crc = CFileChecksum::Text(CPlatform::JoinPath(directory, state.localName), status);
        state.fetch = state.crc != work.entry.crc && work.entry.onlyNotExistent == 0;
    }
    return state;
}

void CSyncEngine::FetchBatch(const std::vector<SSectionWork>& plan,
                             std::vector<SSectionState>& states)
{
    const int cut = CutDirectories(m_settings.webPath);
    if (cut < 0) {
        return;
    }
    // Every file the run needs, with the path below the staging area that wget saves it
    // under: the section path and the saved name.
    struct SWanted
    {
        std::size_t section;
        std::size_t entry;
        std::string path;
        std::string url;
    };
    std::vector<SWanted> wanted;
    std::set<std::string> paths;
    for (std::size_t s = 0; s < plan.size(); ++s) {
        for (std::size_t i = 0; i < states[s].entries.size(); ++i) {
            if (!states[s].entries[i].fetch) {
                continue;
            }
            const CCatalogueReader::Entry& entry = plan[s].entries[i].entry;
            const std::string downloadName =
                entry.zipped != 0 ? CSyncNames::PackedName(entry.file, m_settings.useGzip)
                                  : entry.file;
            SWanted item{s, i,
                         CSyncNames::SectionPath(plan[s].section) + "/" +
                             CSyncNames::SavedName(downloadName),
                         CSyncNames::FileUrl(m_settings.webPath, plan[s].section, downloadName)};
            // One address a line: an address that could break its line is fetched alone, and
            // so is a file that wget would save where another one of the batch goes (in any
            // letter case, for a download directory that ignores it).
            if (item.url.find_first_of("\r\n") != std::string::npos ||
                !paths.insert(CSyncNames::Lower(item.path)).second) {
                continue;
            }
            wanted.push_back(std::move(item));
        }
    }
    // Nor can a file take the place of a directory that another file of the batch needs.
    std::set<std::string> directories;
    for (const SWanted& item : wanted) {
        AddParentDirectories(CSyncNames::Lower(item.path), directories);
    }
    std::erase_if(wanted, [&](const SWanted& item) {
        const std::string lower = CSyncNames::Lower(item.path);
        if (directories.count(lower) == 0) {
            return false;
        }
        paths.erase(lower);
        return true;
    });
    // A single file gains nothing from a batch.
    if (wanted.size() < 2) {
        return;
    }
    // Two wget processes, each with every other file and its own staging area, keep the
    // server and the disk busier than one.
    struct SBatch
    {
        std::string staging;
        std::string listPath;
        std::string list;
        std::set<std::string> paths;
        std::set<std::string> directories;
        std::unique_ptr<CProcessRunner> runner;
        bool whole = false;
    };
    const std::size_t count = wanted.size() < kFilesForTwoBatches ? 1 : 2;
    std::vector<SBatch> batches(count);
    const std::string workDir =
        CPlatform::JoinPath(m_settings.downloadDir, CFileOps::WorkDirectoryName());
    for (std::size_t b = 0; b < count; ++b) {
        const std::string name = "batch" + std::to_string(b + 1);
        batches[b].staging = CPlatform::JoinPath(workDir, name);
        batches[b].listPath = CPlatform::JoinPath(workDir, name + ".txt");
    }
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        SBatch& batch = batches[k % count];
        batch.list += wanted[k].url;
        batch.list += '\n';
        const std::string lower = CSyncNames::Lower(wanted[k].path);
        batch.paths.insert(lower);
        AddParentDirectories(lower, batch.directories);
    }
    for (SBatch& batch : batches) {
        if (CFileOps::CreateDirectory(batch.staging) != 0) {
            continue;
        }
        std::FILE* out = std::fopen(batch.listPath.c_str(), "wb");
        if (out == nullptr) {
            continue;
        }
        const bool written =
            std::fwrite(batch.list.data(), 1, batch.list.size(), out) == batch.list.size();
        if (std::fclose(out) != 0 || !written) {
            continue;
        }
        // The same wget as for a single file, so names and times arrive as they would alone;
        // it keeps the sections apart in directories below the staging area.
        batch.runner =
            std::make_unique<CProcessRunner>("wget -q -x -nH --cut-dirs=" + std::to_string(cut) +
                                             " -i " + CCommandLine::Quote(batch.listPath));
        batch.runner->SetWorkingDirectory(batch.staging);
        if (!batch.runner->Start(true, false)) {
            batch.runner.reset();
        }
    }
    bool full = false;
    for (SBatch& batch : batches) {
        if (batch.runner == nullptr) {
            continue;
        }
        while (!batch.runner->WaitForExit(std::chrono::milliseconds{100})) {
            // The runners kill every wget of the batch as they go.
            if (StopRequested()) {
                return;
            }
        }
        batch.whole = batch.runner->GetExitCode() == 0;
        full = full || batch.runner->GetExitCode() == kWgetFileError;
        // A path that was not foreseen means wget named files otherwise than expected: then
        // no file is known to be the one its name says.
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(batch.staging, ignored);
             batch.whole && it != std::filesystem::recursive_directory_iterator();
             it.increment(ignored)) {
            const std::filesystem::file_type type = it->symlink_status(ignored).type();
            const std::string relative =
                CSyncNames::Lower(it->path().string().substr(batch.staging.size() + 1));
            batch.whole = type == std::filesystem::file_type::directory
                              ? batch.directories.count(relative) != 0
                              : type == std::filesystem::file_type::regular &&
                                    batch.paths.count(relative) != 0;
        }
    }
    // Out of room, nothing of the batch is kept: each file is then fetched alone at its turn,
    // needing no more room than itself, as a run without a batch would.
    if (full || CFileOps::OutOfSpace(workDir)) {
        for (const SBatch& batch : batches) {
            CFileOps::RemoveNotFollowing(batch.staging);
        }
        return;
    }
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        const SBatch& batch = batches[k % count];
        const SWanted& item = wanted[k];
        const CCatalogueReader::Entry& entry = plan[item.section].entries[item.entry].entry;
        const std::string path = CPlatform::JoinPath(batch.staging, item.path);
        if (batch.runner == nullptr || !CFileOps::IsRegularFile(path)) {
            continue;
        }
        // After a failure in the batch only a content that proves whole is taken; any other
        // file is fetched alone, so that its failure is reported as such.
        std::uint32_t status = 0;
        if (batch.whole || (entry.zipped == 0 && CFileChecksum::Text(path, status) == entry.crc)) {
            states[item.section].entries[item.entry].staged = path;
        }
    }
}

std::vector<CStagedFiles::SFile> CSyncEngine::StagedFiles(const std::vector<SSectionWork>& plan,
                                                          std::vector<SSectionState>& states) const
{
    std::vector<CStagedFiles::SFile> files;
    for (std::size_t s = 0; s < plan.size(); ++s) {
        for (std::size_t i = 0; i < states[s].entries.size(); ++i) {
            SLocalState& state = states[s].entries[i];
            const bool packed = plan[s].entries[i].entry.zipped != 0;
            // Another unpacker's archive waits for its turn as it is.
            if (state.staged.empty() || (packed && !m_settings.useGzip)) {
                continue;
            }
            state.stagedIndex = files.size();
            files.push_back({state.staged, packed});
        }
    }
    return files;
}

bool CSyncEngine::RefuseEntry(const std::string& directory, const std::string& section,
                              const SEntryWork& work, const std::string& localName)
{
    const std::string& file = work.entry.file;
    if (work.verdict == EVerdict::UnsafeName) {
        Log(Texts::kNameRefused, {file, section});
        m_report.AddReportLine(CStringTable::FormatText(Texts::kNameRefusedReport, {file, section}),
                               CReportSink::ImageError);
    } else if (work.verdict == EVerdict::SettingsFile) {
        Log(Texts::kSettingsFileRefused, {file, section});
        m_report.AddReportLine(
            CStringTable::FormatText(Texts::kSettingsFileRefusedReport, {file, section}),
            CReportSink::ImageError);
    } else {
        // Never opened: a FIFO would block the run, a device would be read as data, and a
        // directory has no content to pass for the empty file's checksum.
        struct stat info
        {};
        const std::string path = CPlatform::JoinPath(directory, localName);
        if (localName.empty() || stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
            return false;
        }
        const std::string_view kind = FileKind(info.st_mode);
        Log(Texts::kNotRegularFile, {path, kind});
        m_report.AddReportLine(CStringTable::FormatText(Texts::kNotRegularFileReport, {path, kind}),
                               CReportSink::ImageError);
    }
    m_failureFlag = true;
    return true;
}

void CSyncEngine::CompareEntry(const std::string& directory, const std::string& section,
                               const SEntryWork& work, SLocalState& inspected)
{
    const CCatalogueReader::Entry& entry = work.entry;
    CLocalFilesSink::SRow row;
    row[0] = entry.file;
    row[1] = CSyncNames::Extension(entry.file);
    row[2] = directory;
    row[6] = entry.crc;
    int state = CLocalFilesSink::ImageUnchanged;

    std::string& localName = inspected.localName;
    const struct stat& info = inspected.info;
    const bool found = inspected.found;
    row[3] = found ? CTimeStamp::ListDate(info.st_mtim.tv_sec) : std::string();
    row[4] = CStringTable::Format(StringId::SizeInKb,
                                  {std::to_string(found ? KilobytesShown(info.st_size) : 0)});

    bool fetch = false;
    if (RefuseEntry(directory, section, work, localName)) {
        row[7] = CStringTable::Text(StringId::Failed);
        state = CLocalFilesSink::ImageFailed;
        ++m_failed;
    } else if (found) {
        const std::string displayPath = CPlatform::JoinPath(directory, localName);
        row[5] = inspected.crc;
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
        const std::string previousName =
            found && work.previousNumber >= 0
                ? CSyncNames::NumberedVersionName(localName, work.previousNumber)
                : std::string();
        const CDownloadApply::SLocalFile local{directory, localName, found,
                                               found ? info.st_mtim.tv_sec : 0, previousName};
        // A packed file may have been unpacked meanwhile, or have failed to unpack, and is then
        // fetched again at its turn.
        std::string staged = inspected.staged;
        bool unpacked = false;
        if (!staged.empty() && m_stagedFiles != nullptr && inspected.stagedIndex != kNotAhead) {
            std::string content;
            const CStagedFiles::ETaken taken = m_stagedFiles->Take(inspected.stagedIndex, content);
            if (taken == CStagedFiles::ETaken::Unpacked) {
                staged = content;
                unpacked = true;
            } else if (taken == CStagedFiles::ETaken::Lost) {
                staged.clear();
            }
        }
        if (m_download.DownloadAndApply(section, entry.file, entry.zipped != 0, entry.crc, local,
                                        staged, unpacked)) {
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
