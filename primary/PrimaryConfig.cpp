#include "primary/PrimaryConfig.h"

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

std::string ReadConfigText(std::string_view key, std::size_t size)
{
    return CProfileStore::ReadText(Keys::kConfig, key, "", size, Keys::kIniFile);
}

int ReadConfigInt(std::string_view key, int defaultValue)
{
    return CProfileStore::ReadInt(Keys::kConfig, key, defaultValue, Keys::kIniFile);
}

void WriteConfig(std::string_view key, std::string_view value)
{
    CProfileStore::WriteText(Keys::kConfig, key, value, Keys::kIniFile);
}

// A port below 1 is replaced by its default, which is written back.
int ReadPort(std::string_view key, int defaultPort)
{
    const int port = ReadConfigInt(key, 0);
    if (port >= 1) {
        return port;
    }
    WriteConfig(key, std::to_string(defaultPort));
    return defaultPort;
}

} // namespace

CPrimaryConfig::CPrimaryConfig(CMessageSink& messages) : m_messages{messages} {}

SPrimarySettings CPrimaryConfig::Normalise()
{
    SPrimarySettings settings;
    settings.installDir = CPlatform::InstallDirectory();
    settings.webDir = WebDirectory(settings.installDir);

    settings.useGzip = ReadConfigInt(Keys::kUseGZip, Keys::kUseGZipDefault) == 1;
    if (!settings.useGzip) {
        settings.zipProg = ZipProgram();
    }

    settings.zipIfBigger = ReadConfigInt(Keys::kZipIfBigger, 0);
    if (settings.zipIfBigger == 0) {
        WriteConfig(Keys::kZipIfBigger, std::to_string(Keys::kZipIfBiggerDefault));
        settings.zipIfBigger = Keys::kZipIfBiggerDefault;
    }

    settings.cataloguePath = CPlatform::JoinPath(settings.webDir, Keys::kCatalogueFile);
    settings.workingCopyPath = CPlatform::JoinPath(settings.webDir, Keys::kCatalogueWorkFile);

    settings.doNotSyncFiles = ReadConfigText(Keys::kDoNotSyncFiles, Keys::kBuffer512);
    if (settings.doNotSyncFiles.empty()) {
        WriteConfig(Keys::kDoNotSyncFiles, "");
    }

    settings.logDir = CEventLog::LogDirectory(settings.installDir);
    settings.lastSync = CTimeStamp::Display(ReadConfigText(Keys::kLastSync, Keys::kBuffer40));

    settings.controlFeatures =
        ReadConfigInt(Keys::kUseSocketsControls, Keys::kUseSocketsControlsDefault) == 1;
    if (settings.controlFeatures) {
        settings.computerName = CPlatform::ComputerName();
    } else {
        WriteConfig(Keys::kUseSocketsControls, "0");
    }

    settings.port = ReadPort(Keys::kPort, Keys::kPortDefault);
    settings.port2 = ReadPort(Keys::kPort2, Keys::kPort2Default);

    settings.primaryIp = ReadConfigText(Keys::kPrimaryIPAddress, Keys::kBuffer80);
    WriteConfig(Keys::kPrimaryIPAddress, settings.primaryIp);

    settings.syncSystemQueueDb = ReadConfigInt(Keys::kSyncSystemQueueDb, Keys::kAbsentSentinel);
    if (settings.syncSystemQueueDb == Keys::kAbsentSentinel) {
        WriteConfig(Keys::kSyncSystemQueueDbComment, Keys::kSyncSystemQueueDbCommentValue);
        WriteConfig(Keys::kSyncSystemQueueDb, std::to_string(Keys::kSyncSystemQueueDbDefault));
        settings.syncSystemQueueDb = Keys::kSyncSystemQueueDbDefault;
    }

    settings.intervalHours = ReadConfigInt(Keys::kPrimIntervalInHours, 0);
    if (settings.intervalHours < 1) {
        WriteConfig(Keys::kPrimIntervalInHours, std::to_string(Keys::kPrimIntervalInHoursDefault));
        settings.intervalHours = Keys::kPrimIntervalInHoursDefault;
    }

    settings.syncClientSystemTime =
        ReadConfigInt(Keys::kSyncClientSystemTime, Keys::kAbsentSentinel);
    if (settings.syncClientSystemTime == Keys::kAbsentSentinel) {
        WriteConfig(Keys::kSyncClientSystemTime,
                    std::to_string(Keys::kSyncClientSystemTimeDefault));
        settings.syncClientSystemTime = Keys::kSyncClientSystemTimeDefault;
    }
    return settings;
}

std::string CPrimaryConfig::WebDirectory(const std::string& installDir)
{
    std::string webDir = ReadConfigText(Keys::kCopyToWebPath, Keys::kBuffer128);
    if (!webDir.empty() && CFileOps::IsDirectory(webDir)) {
        return webDir;
    }
    webDir = DetectWebDirectory(installDir);
    WriteConfig(Keys::kCopyToWebPath, webDir);
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
    m_messages.ShowErrorBox(CStringTable::Text(StringId::NoWebServer),
                            CStringTable::Text(StringId::Error));
    return {};
}

std::string CPrimaryConfig::ZipProgram()
{
    const std::string configured = ReadConfigText(Keys::kZipProg, Keys::kBuffer80);
    if (!configured.empty()) {
        return configured;
    }
    const std::string registered =
        CPlatform::ReadRegistryValue(Keys::kZipRegistryKey, Keys::kRegistryDefaultValue);
    if (registered.empty()) {
        m_messages.ShowErrorBox(CStringTable::Text(StringId::NoCompressionTool),
                                CStringTable::Text(StringId::Error));
        return {};
    }
    WriteConfig(Keys::kZipProg, registered);
    return registered;
}
