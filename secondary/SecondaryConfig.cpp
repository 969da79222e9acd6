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

namespace Keys = ConfigKeys;

namespace {

constexpr std::string_view kDb1BelowDrive = "db1";
constexpr std::string_view kDbv1BelowDrive = "dbv1";
constexpr std::string_view kOwnWebParentBelowDrive = "jx_web";

// A secondary without the key uses the default silently; only a value below 1 is replaced
// in the file.
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
    settings.installDir = CPlatform::InstallDirectory();
    const std::string drive = CPlatform::DriveDirectory(settings.installDir);
    settings.windowsDir = CPlatform::WindowsDirectory();
    settings.logDir = CEventLog::LogDirectory(settings.installDir);
    CConfigFile::ReportTooLong("Directory", settings.installDir, CPlatform::kInstallDirectoryKept,
                               settings.logDir, m_messages);
    settings.db1Dir = CPlatform::JoinPath(drive, kDb1BelowDrive);
    settings.dbv1Dir = CPlatform::JoinPath(drive, kDbv1BelowDrive);
    settings.apacheRootDir = CPlatform::JoinPath(drive, Keys::kApacheRootBelowDrive);
    settings.ownWebParentDir = CPlatform::JoinPath(drive, kOwnWebParentBelowDrive);
    settings.ownWebRootDir = CPlatform::JoinPath(drive, Keys::kOwnWebRootBelowDrive);
    settings.useGzip = CConfigFile::ReadInt(Keys::kUseGZip, Keys::kUseGZipDefault) == 1;

    settings.webPath = CConfigFile::ReadText(Keys::kWebDocPath, Keys::kBuffer128);
    if (settings.webPath.empty()) {
        settings.webPath = Keys::kDefaultWebDocPath;
        CConfigFile::Write(Keys::kWebDocPath, settings.webPath);
    }

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
