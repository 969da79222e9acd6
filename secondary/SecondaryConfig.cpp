#include "secondary/SecondaryConfig.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/MessageSink.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"
#include "secondary/SyncLogTexts.h"

#include <algorithm>
#include <filesystem>

namespace Keys = ConfigKeys;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDb1BelowDrive = "db1";
constexpr std::string_view kDbv1BelowDrive = "dbv1";

// A secondary without the key uses the default silently; only a value below 1 is replaced
// in the file.
// The directory below the drive with each level that exists under another letter case
// (trees copied from Windows) in that spelling; the given spelling for the levels not there.
std::string BelowDrive(const std::string& drive, std::string_view relative)
{
    std::string path = drive;
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t end = std::min(relative.find('/', start), relative.size());
        const std::string_view level = relative.substr(start, end - start);
        const std::string found = CFileOps::FindNameNoCase(path, level);
        path = CPlatform::JoinPath(
            path, !found.empty() && CFileOps::IsDirectory(CPlatform::JoinPath(path, found))
                      ? std::string_view{found}
                      : level);
        start = end + 1;
    }
    return path;
}

// The path with its symbolic links and "." and ".." resolved as far as it exists, so that
// two spellings of one directory compare equal.
fs::path Resolved(const std::string& path)
{
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(fs::path(path), error);
    if (error) {
        resolved = fs::path(path).lexically_normal();
    }
    // "/a/b/" and "/a/b" are one directory.
    if (!resolved.has_filename() && resolved.has_parent_path() &&
        resolved != resolved.root_path()) {
        resolved = resolved.parent_path();
    }
    return resolved;
}

int ReadPort(std::string_view key, int defaultPort)
{
    const int port = CConfigFile::ReadInt(key, defaultPort);
    if (port >= 1) {
        return port;
    }
    CConfigFile::Write(key, std::to_string(defaultPort));
    return defaultPort;
}

} // namespace

CSecondaryConfig::CSecondaryConfig(CMessageSink& messages) : m_messages{messages} {}

SSecondarySettings CSecondaryConfig::Normalise()
{
    SSecondarySettings settings;
    SectionDirectories(settings);
    const std::string drive = CPlatform::DriveDirectory(settings.installDir);
    CConfigFile::ReportTooLong("Directory", settings.installDir, CPlatform::kInstallDirectoryKept,
                               settings.logDir, m_messages);
    settings.useGzip = CConfigFile::ReadInt(Keys::kUseGZip, Keys::kUseGZipDefault) == 1;

    settings.webPath = CConfigFile::ReadText(Keys::kWebDocPath, Keys::kBuffer128);
    if (settings.webPath.empty()) {
        settings.webPath = Keys::kDefaultWebDocPath;
        CConfigFile::Write(Keys::kWebDocPath, settings.webPath);
    }
    // Opt-in, so never written back: without them a Windows primary serves this secondary.
    settings.primaryKeys = CConfigFile::ReadWholeText(Keys::kPrimaryPublicKey);
    settings.caCertificate = CConfigFile::ReadWholeText(Keys::kCaCertificate);

    if (!DownloadDirectory(settings, drive)) {
        settings.initialised = false;
        return settings;
    }

    if (!settings.useGzip) {
        settings.unzipProg = UnzipProgram();
    }

    settings.lastSync =
        CTimeStamp::Display(CConfigFile::ReadText(Keys::kLastSync, Keys::kBuffer40));

    settings.intervalMinutes = CConfigFile::ReadInt(Keys::kIntervalInMin, 0);
    if (settings.intervalMinutes < 1) {
        CConfigFile::Write(Keys::kIntervalInMin, std::to_string(Keys::kIntervalInMinDefault));
        settings.intervalMinutes = Keys::kIntervalInMinDefault;
    }

    settings.controlFeatures =
        CConfigFile::ReadInt(Keys::kUseSocketsControls, Keys::kUseSocketsControlsDefault) == 1;
    if (!settings.controlFeatures) {
        CConfigFile::Write(Keys::kUseSocketsControls, "0");
        return settings;
    }
    settings.port = ReadPort(Keys::kPort, Keys::kPortDefault);
    settings.port2 = ReadPort(Keys::kPort2, Keys::kPort2Default);
    settings.computerName = CPlatform::ComputerName();
    return settings;
}

void CSecondaryConfig::SectionDirectories(SSecondarySettings& settings)
{
    settings.installDir = CPlatform::InstallDirectory();
    const std::string drive = CPlatform::DriveDirectory(settings.installDir);
    settings.windowsDir = CPlatform::WindowsDirectory();
    settings.logDir = CEventLog::LogDirectory(settings.installDir);
    settings.db1Dir = BelowDrive(drive, kDb1BelowDrive);
    settings.dbv1Dir = BelowDrive(drive, kDbv1BelowDrive);
    settings.apacheRootDir = BelowDrive(drive, Keys::kApacheRootBelowDrive);
    settings.ownWebRootDir = BelowDrive(drive, Keys::kOwnWebRootBelowDrive);
}

std::string CSecondaryConfig::DataDirectoryAt(const SSecondarySettings& settings,
                                              const std::string& downloadDir)
{
    if (downloadDir.empty()) {
        return {};
    }
    const fs::path target = Resolved(downloadDir);
    for (const std::string* dir : {&settings.db1Dir, &settings.dbv1Dir, &settings.installDir,
                                   &settings.windowsDir, &settings.apacheRootDir}) {
        if (!dir->empty() && Resolved(*dir) == target) {
            return *dir;
        }
    }
    const fs::path webRoot = Resolved(settings.ownWebRootDir);
    for (fs::path level = target; !level.empty(); level = level.parent_path()) {
        if (level == webRoot) {
            return settings.ownWebRootDir;
        }
        if (level == level.parent_path()) {
            break;
        }
    }
    return {};
}

bool CSecondaryConfig::DownloadDirectory(SSecondarySettings& settings, const std::string& drive)
{
    // A longer value than the Windows peers read is used whole, never cut to another
    // directory, and reported.
    settings.downloadDir = CConfigFile::ReadWholeText(Keys::kDownLoadPath);
    CConfigFile::ReportTooLong(Keys::kDownLoadPath, settings.downloadDir, Keys::kBuffer128 - 1,
                               settings.logDir, m_messages);
    if (settings.downloadDir.empty()) {
        settings.downloadDir = CPlatform::JoinPath(drive, Keys::kDownLoadPathBelowDrive);
        CConfigFile::Write(Keys::kDownLoadPath, settings.downloadDir);
    }
    // Checked before the directory is made: it might be made inside the web tree.
    if (const std::string dataDir = DataDirectoryAt(settings, settings.downloadDir);
        !dataDir.empty()) {
        CEventLog::WriteLog(settings.logDir,
                            CStringTable::FormatText(SyncLogTexts::kDownloadDirRefused,
                                                     {settings.downloadDir, dataDir}));
        m_messages.ShowErrorBox(
            CStringTable::Format(StringId::DownloadDirInDataDir, {settings.downloadDir, dataDir}),
            CStringTable::Text(StringId::Error));
        return false;
    }
    if (CFileOps::IsDirectory(settings.downloadDir) ||
        CFileOps::CreateDirectory(settings.downloadDir) == 0) {
        return true;
    }
    m_messages.ShowErrorBox(
        CStringTable::Format(StringId::DownloadDirectoryFailed, {settings.downloadDir}),
        CStringTable::Text(StringId::Error));
    return false;
}

std::string CSecondaryConfig::UnzipProgram()
{
    const std::string configured = CConfigFile::ReadText(Keys::kUnZipProg, Keys::kBuffer80);
    if (!configured.empty()) {
        return configured;
    }
    const std::string registered =
        CPlatform::ReadRegistryValue(Keys::kUnZipRegistryKey, Keys::kRegistryDefaultValue);
    if (registered.empty()) {
        m_messages.ShowErrorBox(CStringTable::Text(StringId::NoCompressionTool),
                                CStringTable::Text(StringId::Error));
        return {};
    }
    CConfigFile::Write(Keys::kUnZipProg, registered);
    return registered;
}
