#include "secondary/DownloadApply.h"

#include "core/CatalogueNames.h"
#include "core/CommandLine.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ReportSink.h"
#include "core/RunAndWait.h"
#include "secondary/FileChecksum.h"
#include "secondary/SignatureCheck.h"
#include "secondary/SyncLogTexts.h"
#include "secondary/SyncNames.h"
#include "secondary/WgetCommand.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Texts = SyncLogTexts;

namespace {

constexpr int kAttempts = 4;

// wget's exit status for a file it could not write.
constexpr int kWgetFileError = 3;

// "%02d.%02d.%04d %02d:%02d" of a last-write time in local time.
std::string NewerDateText(std::time_t seconds)
{
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return {};
    }
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min);
    return text;
}

// Removes the file if present; false when something is still there.
bool RemoveFile(const std::string& path)
{
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

} // namespace

CDownloadApply::CDownloadApply(const SSecondarySettings& settings, CReportSink& report,
                               bool& failureFlag)
    : m_settings{settings}, m_report{report}, m_failureFlag{failureFlag}
{}

void CDownloadApply::SetRetryPause(std::chrono::milliseconds pause)
{
    m_retryPause = pause;
}

void CDownloadApply::SetWorkDirectory(std::string directory)
{
    m_workDir = std::move(directory);
}

bool CDownloadApply::DownloadAndApply(std::string_view section, std::string_view fileName,
                                      bool packed, std::string_view primaryCrc,
                                      const std::optional<SLocalFile>& local,
                                      const std::string& staged, bool stagedUnpacked,
                                      std::string_view sha256)
{
    m_stopped = false;
    const std::string& downloadDir =
        local.has_value() && !m_workDir.empty() ? m_workDir : m_settings.downloadDir;
    const std::string downloadName =
        packed ? CCatalogueNames::PackedName(fileName, m_settings.useGzip) : std::string(fileName);
    const std::string downloadedPath = CPlatform::JoinPath(downloadDir, fileName);
    const std::string archivePath = CPlatform::JoinPath(downloadDir, downloadName);
    const std::string command = CWgetCommand::Line(
        m_settings, CSyncNames::FileUrl(m_settings.webPath, section, downloadName));

    // wget saves beside an existing file under another name, so the names must be free.
    if (!ClearForDownload(downloadedPath) || (packed && !ClearForDownload(archivePath))) {
        return Fail(Texts::kDownloadFailed, StringId::DownloadFailed, {command});
    }
    const bool taken =
        !staged.empty() &&
        rename(staged.c_str(), (stagedUnpacked ? downloadedPath : archivePath).c_str()) == 0;
    // What a failed download or unpack left would hold the room that the next file needs;
    // both names were free before.
    if (!taken && !FetchAlone(command, downloadDir, downloadName, archivePath)) {
        RemoveFile(archivePath);
        return Fail(Texts::kDownloadFailed, StringId::DownloadFailed, {command});
    }
    // What was served must be what the primary signed, before anything unpacks it; an archive
    // the batch unpacked ahead was checked before it was.
    if (!(taken && stagedUnpacked) &&
        !CSignatureCheck{m_settings}.Matches(archivePath, std::string{sha256})) {
        CFileOps::RemoveNotFollowing(archivePath);
        return Fail(Texts::kShaMismatch, StringId::ShaMismatch, {downloadName});
    }
    CEventLog::WriteLog(m_settings.logDir,
                        CStringTable::FormatText(Texts::kDownloaded, {downloadName}));

    std::string unpackCommand;
    if (packed && !(taken && stagedUnpacked)) {
        unpackCommand = m_settings.useGzip ? "gzip -d " + CCommandLine::Quote(archivePath)
                                           : CCommandLine::Quote(m_settings.unzipProg) + " " +
                                                 CCommandLine::Quote(archivePath) + " " +
                                                 CCommandLine::Quote(downloadDir);
        // A program that cannot be started counts as a failed unpack, reported as such.
        if (Run(unpackCommand, downloadDir, false) != 0) {
            RemoveFile(archivePath);
            CFileOps::RemoveNotFollowing(downloadedPath);
            return Fail(Texts::kUnzipFailed, StringId::UnzipFailed, {unpackCommand});
        }
        if (archivePath != downloadedPath) {
            RemoveFile(archivePath);
        }
    }

    // GNU wget keeps "@" in names, so no name needs repairing; the file must be there under
    // its catalogue name, as a file of its own: an archive may hold a link, a directory or a
    // device under that name, which is never installed nor followed.
    if (!CFileOps::IsSoleRegularFile(downloadedPath)) {
        CFileOps::RemoveNotFollowing(downloadedPath);
        return packed ? Fail(Texts::kUnzipFailed, StringId::UnzipFailed, {unpackCommand})
                      : Fail(Texts::kDownloadFailed, StringId::DownloadFailed, {command});
    }

    if (!local.has_value()) {
        return true;
    }
    const bool applied = Apply(downloadedPath, fileName, primaryCrc, *local);
    RemoveFile(downloadedPath);
    return applied;
}

bool CDownloadApply::FetchAlone(const std::string& command, const std::string& downloadDir,
                                const std::string& downloadName, const std::string& archivePath)
{
    if (CSyncNames::SavedName(downloadName) == downloadName) {
        return Run(command, downloadDir, true) == 0;
    }
    // wget would save this name under another one, which may be a name of its own in the
    // download directory: it downloads into an empty directory of this process, where the one
    // file it leaves is the download, whatever it named it.
    const std::string base =
        CPlatform::JoinPath(m_settings.downloadDir, CFileOps::WorkDirectoryName());
    const bool ownBase = CFileOps::CreateDirectory(base) == 0;
    const std::string alone = CPlatform::JoinPath(base, "alone");
    std::error_code ignored;
    std::filesystem::remove_all(alone, ignored);
    bool fetched = CFileOps::CreateDirectory(alone) == 0 && Run(command, alone, true) == 0;
    if (fetched) {
        std::vector<std::filesystem::path> left;
        for (const auto& entry : std::filesystem::directory_iterator(alone, ignored)) {
            left.push_back(entry.path());
        }
        fetched = left.size() == 1 &&
                  std::filesystem::symlink_status(left[0], ignored).type() ==
                      std::filesystem::file_type::regular &&
                  rename(left[0].c_str(), archivePath.c_str()) == 0;
    }
    std::filesystem::remove_all(ownBase ? base : alone, ignored);
    return fetched;
}

bool CDownloadApply::Apply(const std::string& downloadedPath, std::string_view fileName,
                           std::string_view primaryCrc, const SLocalFile& local)
{
    const std::string localPath = CPlatform::JoinPath(local.directory, local.name);
    // The new content is written and checked beside the local file first: a copy that fails
    // or a content with another CRC (the primary changed the file meanwhile) leaves the local
    // file and its previous version as they were.
    struct stat downloaded
    {};
    const bool timeKnown = stat(downloadedPath.c_str(), &downloaded) == 0;
    // The download is moved where it can be (the same file system), else copied.
    std::string temporary;
    if (CFileOps::MoveBeside(downloadedPath, localPath, temporary) != 0) {
        if (const int error = CopyBesideWithRetries(downloadedPath, localPath, temporary);
            error != 0) {
            if (error == ENOSPC || error == EDQUOT) {
                NoteNoSpace(local.directory);
            }
            return Fail(Texts::kCopyFailed, StringId::CopyFileFailed, {downloadedPath, localPath});
        }
    }
    if (!VerifyBeside(temporary, localPath, primaryCrc)) {
        RemoveFile(temporary);
        return false;
    }
    struct stat former
    {};
    const bool existed =
        local.existed && stat(localPath.c_str(), &former) == 0 && S_ISREG(former.st_mode);
    if (existed) {
        // A script that was executable stays so; a new file keeps the download's mode, as a
        // copy of it would.
        CFileOps::TakeAttributes(temporary, former);
        // Whole seconds: HTTP carries no finer time, so a finer local time means nothing.
        if (timeKnown && local.writeTime > downloaded.st_mtim.tv_sec) {
            KeepNewerLocalFile(localPath, fileName, local.writeTime);
        }
        KeepPreviousVersion(local, localPath);
    }
    if (rename(temporary.c_str(), localPath.c_str()) != 0) {
        RemoveFile(temporary);
        return Fail(Texts::kCopyFailed, StringId::CopyFileFailed, {downloadedPath, localPath});
    }
    CEventLog::WriteLog(m_settings.logDir,
                        CStringTable::FormatText(Texts::kSynchronized, {localPath}));
    m_report.AddReportLine(CStringTable::Format(StringId::FileSynchronized, {localPath}),
                           CReportSink::ImageSuccess);
    return true;
}

void CDownloadApply::SetStopRequest(std::function<bool()> stopRequested)
{
    m_stopRequested = std::move(stopRequested);
}

void CDownloadApply::ClearNoSpace()
{
    m_noSpaceDir.clear();
}

void CDownloadApply::NoteNoSpace(const std::string& directory)
{
    if (m_noSpaceDir.empty()) {
        m_noSpaceDir = directory;
    }
}

int CDownloadApply::Run(const std::string& command, const std::string& directory, bool download)
{
    const int result = RunAndWait(command, directory, m_stopRequested);
    m_stopped = m_stopped || result == kRunStopped;
    // Judged before the caller removes what the program left: a partial file holds the room.
    // Every download and unpack happens in the download directory or below it.
    if (result > 0 && (!download || result == kWgetFileError) && CFileOps::OutOfSpace(directory)) {
        NoteNoSpace(m_settings.downloadDir);
    }
    return result;
}

bool CDownloadApply::Fail(std::string_view logFormat, StringId reportId,
                          std::initializer_list<std::string_view> args)
{
    // A program killed by the stop request did not fail: the run reports its stop.
    if (m_stopped) {
        m_failureFlag = true;
        return false;
    }
    CEventLog::WriteLog(m_settings.logDir, CStringTable::FormatText(logFormat, args));
    m_report.AddReportLine(CStringTable::Format(reportId, args), CReportSink::ImageError);
    m_failureFlag = true;
    return false;
}

bool CDownloadApply::ClearForDownload(const std::string& path) const
{
    return RemoveFile(path) && !CFileOps::Exists(path);
}

void CDownloadApply::KeepNewerLocalFile(const std::string& localPath, std::string_view fileName,
                                        std::time_t localWriteTime)
{
    const std::string date = NewerDateText(localWriteTime);
    CEventLog::WriteLog(m_settings.logDir,
                        CStringTable::FormatText(Texts::kLocalNewer, {localPath, date}));
    m_report.AddReportLine(CStringTable::Format(StringId::LocalFileNewer, {localPath, date}),
                           CReportSink::ImageError);
    const std::string newerDir = CPlatform::JoinPath(m_settings.downloadDir, kNewerFilesDir);
    if (!CFileOps::IsDirectory(newerDir)) {
        CFileOps::CreateDirectory(newerDir);
    }
    const std::string copy = CPlatform::JoinPath(newerDir, fileName);
    RemoveFile(copy);
    if (CFileOps::CopyFileKeepTime(localPath, copy) != 0) {
        CEventLog::WriteLog(m_settings.logDir,
                            CStringTable::FormatText(Texts::kCopyFailed, {localPath, copy}));
        m_report.AddReportLine(CStringTable::Format(StringId::CopyFileFailed, {localPath, copy}),
                               CReportSink::ImageError);
    }
}

void CDownloadApply::KeepPreviousVersion(const SLocalFile& local, const std::string& localPath)
{
    if (local.previousName.empty()) {
        CEventLog::WriteLog(m_settings.logDir,
                            CStringTable::FormatText(Texts::kNoPreviousVersion, {localPath}));
        m_report.AddReportLine(CStringTable::FormatText(Texts::kNoPreviousVersion, {localPath}),
                               CReportSink::ImageNotice);
        return;
    }
    const std::string previousPath = CPlatform::JoinPath(local.directory, local.previousName);
    // A second name, or a copy where the file system has none, never a move: the local file
    // stays in place until the new content replaces it.
    if (CFileOps::LinkReplacing(localPath, previousPath) == 0 ||
        CopyWithRetries(localPath, previousPath) == 0) {
        return;
    }
    CEventLog::WriteLog(m_settings.logDir,
                        CStringTable::FormatText(Texts::kBackupFailed, {localPath, previousPath}));
    m_report.AddReportLine(CStringTable::Format(StringId::BackupFailed, {localPath, previousPath}),
                           CReportSink::ImageError);
}

bool CDownloadApply::VerifyBeside(const std::string& temporary, const std::string& localPath,
                                  std::string_view primaryCrc)
{
    std::uint32_t status = 0;
    const std::string crc = CFileChecksum::Text(temporary, status);
    if (status != 0) {
        return Fail(Texts::kCrcFailed, StringId::CrcFailed, {localPath, std::to_string(status)});
    }
    if (crc != primaryCrc) {
        return Fail(Texts::kCrcStillDifferent, StringId::CrcStillDifferent,
                    {localPath, crc, primaryCrc});
    }
    return true;
}

int CDownloadApply::CopyBesideWithRetries(const std::string& from, const std::string& to,
                                          std::string& temporary) const
{
    int error = 0;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (attempt > 1) {
            std::this_thread::sleep_for(m_retryPause);
        }
        error = CFileOps::CopyBeside(from, to, temporary);
        if (error == 0) {
            break;
        }
    }
    return error;
}

int CDownloadApply::CopyWithRetries(const std::string& from, const std::string& to) const
{
    int error = 0;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (attempt > 1) {
            std::this_thread::sleep_for(m_retryPause);
        }
        error = CFileOps::CopyFileKeepTime(from, to);
        if (error == 0) {
            break;
        }
    }
    return error;
}
