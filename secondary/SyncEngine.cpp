#include "secondary/SyncEngine.h"

#include "core/CatalogueNames.h"
#include "core/CommandLine.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/ProfileStore.h"
#include "core/ReportSink.h"
#include "core/RunAndWait.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"
#include "secondary/AlarmAppCloser.h"
#include "secondary/BatchFetch.h"
#include "secondary/LocalFilesSink.h"
#include "secondary/LocalInspection.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SignatureCheck.h"
#include "secondary/SyncLogTexts.h"
#include "secondary/SyncNames.h"
#include "secondary/WgetCommand.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace Keys = ConfigKeys;
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

constexpr std::string_view kStoppedLog = "Synchronization stopped before its end";

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
    m_bytesFetched = 0;
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

    CSyncPlan plan{cataloguePath};
    const CCatalogueReader& reader = plan.Reader();
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
    if (!SignedByThePrimary(cataloguePath)) {
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

    plan.Judge(m_settings);
    m_progressDone = 0;
    m_progressAll = plan.EntryCount();
    {
        const CWorkDirectory work{m_settings.downloadDir, m_download};
        // The checksums of every section come first, so that all the files the run needs can
        // be fetched together; the rows and log lines then follow section by section and
        // entry by entry as before.
        const std::vector<CSyncPlan::SSection>& sections = plan.Sections();
        CLocalInspection local{sections, static_cast<bool>(m_preview), m_stopRequested};
        m_local = &local;
        std::optional<CStagedFiles> ready;
        if (!m_preview && !StopRequested()) {
            const CBatchFetch batch{m_settings, m_stopRequested};
            batch.Fetch(sections, local.Sections());
            ready.emplace(batch.StagedFiles(sections, local.Sections()));
            m_stagedFiles = &*ready;
        }
        for (std::size_t s = 0; s < sections.size(); ++s) {
            if (StopRequested()) {
                break;
            }
            CompareSection(sections[s], s);
        }
        m_stagedFiles = nullptr;
        m_local = nullptr;
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
            attempt == 0 ? m_settings.webPath : CCatalogueNames::Lower(m_settings.webPath);
        if (unlink(cataloguePath.c_str()) != 0 && errno != ENOENT) {
            result = errno;
            continue;
        }
        const std::string command =
            CWgetCommand::Line(m_settings, webPath + "/" + std::string(Keys::kCatalogueFile));
        result = RunAndWait(command, m_settings.downloadDir, m_stopRequested);
        if (result == kRunStopped) {
            Log(kStoppedLog, {});
            m_report.AddReportLine(CStringTable::Text(StringId::SyncStopped),
                                   CReportSink::ImageError);
            return kCatalogueMissing;
        }
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
        ExplainWgetFailure(result);
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

void CSyncEngine::ExplainWgetFailure(int result)
{
    // wget's documented exit statuses; the design shows only the number.
    constexpr int kNetworkFailure = 4;
    constexpr int kCertificateFailure = 5;
    constexpr int kServerError = 8;
    StringId meaning{};
    switch (result) {
    case kNetworkFailure:
        meaning = StringId::WgetNetworkFailure;
        break;
    case kCertificateFailure:
        meaning = StringId::WgetCertificateFailure;
        break;
    case kServerError:
        meaning = StringId::WgetServerError;
        break;
    default:
        return;
    }
    m_report.AddReportLine(CStringTable::Format(meaning, {m_settings.webPath}),
                           CReportSink::ImageNotice);
}

bool CSyncEngine::SignedByThePrimary(const std::string& cataloguePath)
{
    const CSignatureCheck::EVerdict verdict = CSignatureCheck{m_settings}.CheckCatalogue(
        m_settings.webPath + "/" + std::string(Keys::kCatalogueFile), cataloguePath,
        m_stopRequested);
    if (verdict == CSignatureCheck::EVerdict::Valid) {
        return true;
    }
    const bool unsigned_ = verdict == CSignatureCheck::EVerdict::Unsigned;
    Log(unsigned_ ? Texts::kCatalogueUnsigned : Texts::kCatalogueNotTrusted, {m_settings.webPath});
    m_report.AddReportLine(CStringTable::Format(unsigned_ ? StringId::CatalogueUnsigned
                                                          : StringId::CatalogueNotTrusted,
                                                {m_settings.webPath}),
                           CReportSink::ImageError);
    return false;
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

void CSyncEngine::ReportSectionProblem(const CSyncPlan::SSection& work)
{
    if (work.kind == CSyncPlan::EWork::Refused) {
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

void CSyncEngine::CompareSection(const CSyncPlan::SSection& work, std::size_t index)
{
    if (work.kind != CSyncPlan::EWork::Walk) {
        ReportSectionProblem(work);
        return;
    }
    // A directory that an earlier section of this run wrote to (the same one under another
    // section), or one that appeared since, is read again, so that each entry is judged as
    // the walk finds it.
    const bool exists = m_local->Revisit(index);
    // One level only: a missing parent makes the copies into it fail, and they are reported.
    if (work.subSection && !m_preview && !exists) {
        CFileOps::CreateDirectory(work.directory);
    }
    CLocalInspection::SSection& state = m_local->Sections()[index];
    bool writes = false;
    for (std::size_t i = 0; i < work.entries.size(); ++i) {
        if (StopRequested()) {
            break;
        }
        writes = writes || state.entries[i].fetch;
        CompareEntry(work.directory, work.section, work.entries[i], state.entries[i]);
    }
    if (writes && !m_preview) {
        m_local->MarkWritten(index);
    }
}

bool CSyncEngine::RefuseEntry(const std::string& directory, const std::string& section,
                              const CSyncPlan::SEntry& work, const std::string& localName)
{
    const std::string& file = work.entry.file;
    if (work.verdict == CSyncPlan::EVerdict::UnsafeName) {
        Log(Texts::kNameRefused, {file, section});
        m_report.AddReportLine(CStringTable::FormatText(Texts::kNameRefusedReport, {file, section}),
                               CReportSink::ImageError);
    } else if (work.verdict == CSyncPlan::EVerdict::SettingsFile) {
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
                               const CSyncPlan::SEntry& work, CLocalInspection::SLocal& inspected)
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
        if (!staged.empty() && m_stagedFiles != nullptr &&
            inspected.stagedIndex != CLocalInspection::kNotAhead) {
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
                                        staged, unpacked, entry.sha256)) {
            state = CLocalFilesSink::ImageUpdated;
            ++m_synchronized;
            struct stat placed
            {};
            if (stat(CPlatform::JoinPath(directory, localName).c_str(), &placed) == 0) {
                m_bytesFetched += static_cast<std::uint64_t>(placed.st_size);
            }
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
                                     std::nullopt, {}, false, entry.sha256)) {
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
