#include "primary/PrimaryConfig.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/MessageSink.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/SigningKey.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"

namespace Keys = ConfigKeys;

namespace {

// A port below 1 is replaced by its default, which is written back.
int ReadPort(std::string_view key, int defaultPort)
{
    const int port = CConfigFile::ReadInt(key, 0);
    if (port >= 1) {
        return port;
    }
    CConfigFile::Write(key, std::to_string(defaultPort));
    return defaultPort;
}

} // namespace

CPrimaryConfig::CPrimaryConfig(CMessageSink& messages) : m_messages{messages} {}

SPrimarySettings CPrimaryConfig::Normalise()
{
    SPrimarySettings settings;
    settings.installDir = CPlatform::InstallDirectory();
    CConfigFile::ReportTooLong("Directory", settings.installDir, CPlatform::kInstallDirectoryKept,
                               CEventLog::LogDirectory(settings.installDir), m_messages);
    settings.webDir = WebDirectory(settings.installDir);

    settings.useGzip = CConfigFile::ReadInt(Keys::kUseGZip, Keys::kUseGZipDefault) == 1;
    if (!settings.useGzip) {
        settings.zipProg = ZipProgram();
    }

    settings.zipIfBigger = CConfigFile::ReadInt(Keys::kZipIfBigger, 0);
    if (settings.zipIfBigger == 0) {
        CConfigFile::Write(Keys::kZipIfBigger, std::to_string(Keys::kZipIfBiggerDefault));
        settings.zipIfBigger = Keys::kZipIfBiggerDefault;
    }

    settings.cataloguePath = CPlatform::JoinPath(settings.webDir, Keys::kCatalogueFile);
    settings.workingCopyPath = CPlatform::JoinPath(settings.webDir, Keys::kCatalogueWorkFile);

    settings.doNotSyncFiles = CConfigFile::ReadText(Keys::kDoNotSyncFiles, Keys::kBuffer512);
    if (settings.doNotSyncFiles.empty()) {
        CConfigFile::Write(Keys::kDoNotSyncFiles, "");
    }

    settings.logDir = CEventLog::LogDirectory(settings.installDir);
    settings.lastSync =
        CTimeStamp::Display(CConfigFile::ReadText(Keys::kLastSync, Keys::kBuffer40));

    settings.controlFeatures =
        CConfigFile::ReadInt(Keys::kUseSocketsControls, Keys::kUseSocketsControlsDefault) == 1;
    if (settings.controlFeatures) {
        settings.computerName = CPlatform::ComputerName();
    } else {
        CConfigFile::Write(Keys::kUseSocketsControls, "0");
    }

    settings.port = ReadPort(Keys::kPort, Keys::kPortDefault);
    settings.port2 = ReadPort(Keys::kPort2, Keys::kPort2Default);

    settings.primaryIp = CConfigFile::ReadText(Keys::kPrimaryIPAddress, Keys::kBuffer80);
    CConfigFile::Write(Keys::kPrimaryIPAddress, settings.primaryIp);

    settings.syncJxalarmIni = SyncJxalarmIni();

    settings.syncSystemQueueDb =
        CConfigFile::ReadInt(Keys::kSyncSystemQueueDb, Keys::kAbsentSentinel);
    if (settings.syncSystemQueueDb == Keys::kAbsentSentinel) {
        CConfigFile::Write(Keys::kSyncSystemQueueDbComment, Keys::kSyncSystemQueueDbCommentValue);
        CConfigFile::Write(Keys::kSyncSystemQueueDb,
                           std::to_string(Keys::kSyncSystemQueueDbDefault));
        settings.syncSystemQueueDb = Keys::kSyncSystemQueueDbDefault;
    }

    settings.intervalHours = CConfigFile::ReadInt(Keys::kPrimIntervalInHours, 0);
    if (settings.intervalHours < 1) {
        CConfigFile::Write(Keys::kPrimIntervalInHours,
                           std::to_string(Keys::kPrimIntervalInHoursDefault));
        settings.intervalHours = Keys::kPrimIntervalInHoursDefault;
    }

    settings.syncClientSystemTime =
        CConfigFile::ReadInt(Keys::kSyncClientSystemTime, Keys::kAbsentSentinel);
    if (settings.syncClientSystemTime == Keys::kAbsentSentinel) {
        CConfigFile::Write(Keys::kSyncClientSystemTime,
                           std::to_string(Keys::kSyncClientSystemTimeDefault));
        settings.syncClientSystemTime = Keys::kSyncClientSystemTimeDefault;
    }

    settings.signingKeyFile = CConfigFile::ReadWholeText(Keys::kSigningKeyFile);
    if (settings.signingKeyFile.empty() && CFileOps::Exists(CSigningKey::DefaultPath())) {
        settings.signingKeyFile = CSigningKey::DefaultPath();
    }
    return settings;
}

std::string CPrimaryConfig::WebDirectory(const std::string& installDir)
{
    // A longer value than the Windows peers read is used whole, never cut to another
    // directory, and reported.
    std::string webDir = CConfigFile::ReadWholeText(Keys::kCopyToWebPath);
    CConfigFile::ReportTooLong(Keys::kCopyToWebPath, webDir, Keys::kBuffer128 - 1,
                               CEventLog::LogDirectory(installDir), m_messages);
    if (!webDir.empty() && CFileOps::IsDirectory(webDir)) {
        return webDir;
    }
    const std::string detected = DetectWebDirectory(installDir);
    // Where no web server's root is found, a directory the operator typed is made rather than
    // thrown away for an empty path; it needs its parent, as the detected one does.
    if (detected.empty() && !webDir.empty() && CFileOps::CreateDirectory(webDir) == 0) {
        return webDir;
    }
    if (detected.empty()) {
        m_messages.ShowErrorBox(CStringTable::Text(StringId::NoWebServer),
                                CStringTable::Text(StringId::Error));
    }
    webDir = detected;
    CConfigFile::Write(Keys::kCopyToWebPath, webDir);
    // Only the last level is created; a failure shows in the build's copy errors.
    if (!webDir.empty() && !CFileOps::IsDirectory(webDir)) {
        CFileOps::CreateDirectory(webDir);
    }
    return webDir;
}

std::string CPrimaryConfig::DetectWebDirectory(const std::string& installDir)
{
    const std::string drive = CPlatform::DriveDirectory(installDir);
    if (CFileOps::IsDirectory(CPlatform::JoinPath(drive, Keys::kOwnWebRootBelowDrive))) {
        return CPlatform::JoinPath(drive, Keys::kOwnWebDirBelowDrive);
    }
    if (CFileOps::IsDirectory(CPlatform::JoinPath(drive, Keys::kApacheRootBelowDrive))) {
        return CPlatform::JoinPath(drive, Keys::kApacheWebDirBelowDrive);
    }
    return {};
}

std::string CPrimaryConfig::ZipProgram()
{
    const std::string configured = CConfigFile::ReadWholeText(Keys::kZipProg);
    if (!configured.empty()) {
        CConfigFile::ReportTooLong(Keys::kZipProg, configured, Keys::kBuffer80 - 1,
                                   CEventLog::LogDirectory(CPlatform::InstallDirectory()),
                                   m_messages);
        return configured;
    }
    const std::string registered =
        CPlatform::ReadRegistryValue(Keys::kZipRegistryKey, Keys::kRegistryDefaultValue);
    if (registered.empty()) {
        m_messages.ShowErrorBox(CStringTable::Text(StringId::NoCompressionTool),
                                CStringTable::Text(StringId::Error));
        return {};
    }
    CConfigFile::Write(Keys::kZipProg, registered);
    return registered;
}

int CPrimaryConfig::SyncJxalarmIni()
{
    const int value = CConfigFile::ReadInt(Keys::kSyncJxalarmIni, Keys::kSyncJxalarmIniAbsent);
    return value == Keys::kSyncJxalarmIniAbsent ? Keys::kSyncJxalarmIniDefault : value;
}
