#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Every file, section, key and default of the configuration, and the names read from the alarm
// software's INI files and registry. The texts are shared byte for byte with the Windows peers.
namespace ConfigKeys {

// A numbered key or section name such as "File%d": the prefix with the decimal number
// appended, formed without a format string.
struct SNumberedKey
{
    std::string_view prefix;
};

inline std::string NumberedKey(SNumberedKey key, int number)
{
    return std::string(key.prefix) + std::to_string(number);
}

// Files, all bare names resolved in the Windows directory except the catalogue pair (in the
// web directory) and the log (in the installation's log directory).
constexpr std::string_view kIniFile = "zezodi.ini";
constexpr std::string_view kMasterIniFile = "jxamaster.ini";
constexpr std::string_view kConfIniFile = "jxaconf.ini";
constexpr std::string_view kViewIniFile = "jxaview.ini";
constexpr std::string_view kRegistryFile = "registry.ini";
constexpr std::string_view kCatalogueFile = "zezodi.txt";
constexpr std::string_view kCatalogueWorkFile = "zezodi.tmp";
constexpr std::string_view kLogFile = "zezodi.log";

// Buffer sizes of the reads: the characters kept plus the terminating zero.
constexpr std::size_t kBuffer10 = 10;
constexpr std::size_t kBuffer40 = 40;
constexpr std::size_t kBuffer80 = 80;
constexpr std::size_t kBuffer128 = 128;
constexpr std::size_t kBuffer512 = 512;

// Sections of zezodi.ini.
constexpr std::string_view kConfig = "Config";
constexpr std::string_view kSecondaryServers = "SecondaryServers";

// Keys of section Config.
constexpr std::string_view kIsPrimary = "IsPrimary";
constexpr std::string_view kDefaultLanguage = "DefaultLanguage";
constexpr std::string_view kCopyToWebPath = "CopyToWebPath";
constexpr std::string_view kUseGZip = "UseGZip";
constexpr std::string_view kZipProg = "ZipProg";
constexpr std::string_view kZipIfBigger = "ZipIfBigger";
constexpr std::string_view kDoNotSyncFiles = "DoNotSyncFiles";
constexpr std::string_view kLastSync = "LastSync";
constexpr std::string_view kLastPrimSync = "LastPrimSync";
constexpr std::string_view kUseSocketsControls = "UseSocketsControls";
constexpr std::string_view kPort = "Port";
constexpr std::string_view kPort2 = "Port2";
constexpr std::string_view kPrimaryIPAddress = "PrimaryIPAddress";
constexpr std::string_view kSyncSystemQueueDb = "SyncSystemQueueDb";
constexpr std::string_view kPrimIntervalInHours = "PrimIntervalInHours";
constexpr std::string_view kSyncClientSystemTime = "SyncClientSystemTime";
constexpr std::string_view kSyncJxalarmIni = "SyncJxalarmIni";
constexpr std::string_view kWebDocPath = "WebDocPath";
constexpr std::string_view kDownLoadPath = "DownLoadPath";
constexpr std::string_view kUnZipProg = "UnZipProg";
constexpr std::string_view kIntervalInMin = "IntervalInMin";
// Who may command a listener and where it listens: addresses or host names separated by blanks
// or commas, "*" for everyone; the local address, empty for all.
constexpr std::string_view kAllowedPrimaries = "AllowedPrimaries";
constexpr std::string_view kAllowedClients = "AllowedClients";
constexpr std::string_view kListenAddress = "ListenAddress";
// A signed catalogue: the primary's secret key file (zezodi.key in the Windows directory when
// empty), the public keys a secondary trusts (one, or the old and the new one while the key
// changes; empty: catalogues are not checked), and a CA certificate file for an https WebDocPath
// whose server a private authority certified.
constexpr std::string_view kSigningKeyFile = "SigningKeyFile";
constexpr std::string_view kPrimaryPublicKey = "PrimaryPublicKey";
constexpr std::string_view kCaCertificate = "CaCertificate";
// The fleet's state: minutes without a report after which the primary counts a secondary as
// silent (twice IntervalInMin, else two hours, when 0 or absent); whether a secondary reports
// its timed runs to the primary as well (1, the default) or only those the primary started
// and those started by hand; the file in the Prometheus text format that each run replaces
// (none when empty).
constexpr std::string_view kSilentAfterMinutes = "SilentAfterMinutes";
constexpr std::string_view kReportTimedRuns = "ReportTimedRuns";
constexpr std::string_view kMetricsFile = "ZezodiMetricsFile";
// Seconds that replace the role's timer interval when above 0, for trials and tests; never
// written by the program.
constexpr std::string_view kTimerIntervalInSec = "TimerIntervalInSec";
// Seconds that replace SilentAfterMinutes when above 0, for trials and tests; never written.
constexpr std::string_view kSilentAfterSec = "SilentAfterSec";

// Defaults and the sentinels that tell an absent key from a present one.
constexpr int kIsPrimaryDefault = 1;
constexpr int kUseGZipDefault = 1;
constexpr int kZipIfBiggerDefault = 1024;
constexpr int kUseSocketsControlsDefault = 1;
constexpr int kPortDefault = 4020;
constexpr int kPort2Default = 4021;
constexpr int kSyncSystemQueueDbDefault = 1;
constexpr int kPrimIntervalInHoursDefault = 12;
constexpr int kSyncClientSystemTimeDefault = 0;
constexpr int kSyncJxalarmIniDefault = 0;
constexpr int kIntervalInMinDefault = 30;
constexpr int kAbsentSentinel = -9;
constexpr int kSyncJxalarmIniAbsent = -1;
constexpr std::string_view kDefaultWebDocPath = "http://primary/syncdata";
constexpr std::string_view kLanguageGerman = "DT";
constexpr std::string_view kLanguageFrench = "FR";

// Places below the drive (the parent of the installation directory) that the defaults of
// CopyToWebPath and DownLoadPath are formed from.
constexpr std::string_view kOwnWebRootBelowDrive = "jx_web/htdocs";
constexpr std::string_view kOwnWebDirBelowDrive = "jxt/syncdata";
constexpr std::string_view kApacheRootBelowDrive = "apache/htdocs";
constexpr std::string_view kApacheWebDirBelowDrive = "apache/htdocs/syncdata";
constexpr std::string_view kDownLoadPathBelowDrive = "jxt/download";

// Written above SyncSystemQueueDb when that key is absent: the leading line break leaves an
// empty line, then the explanation for a person who edits the file.
constexpr std::string_view kSyncSystemQueueDbComment =
    "\r\n# Synchronize system database jxtpost.dbf, jxtini.dbf, jxtbatch.dbf, jxtpostX.dbf, ... #";
constexpr std::string_view kSyncSystemQueueDbCommentValue = "*";

// Section SecondaryServers: entry n, numbered from 1 without gaps.
constexpr SNumberedKey kClientName{"ClientName"}; // "ClientName%d"
constexpr SNumberedKey kClientIP{"ClientIP"};     // "ClientIP%d"
constexpr SNumberedKey kClientLoc{"ClientLoc"};   // "ClientLoc%d"

// jxamaster.ini: sections "Server%d" with the keys below.
constexpr SNumberedKey kServer{"Server"}; // "Server%d"
constexpr std::string_view kServerName = "ServerName";
constexpr std::string_view kServerIP = "ServerIP";
constexpr std::string_view kServerLocation = "ServerLocation";

// Catalogue entries and directory keys, numbered from 1 without gaps in every section.
constexpr SNumberedKey kFile{"File"};                       // "File%d"
constexpr SNumberedKey kCrc{"Crc"};                         // "Crc%d"
constexpr SNumberedKey kZipped{"Zipped"};                   // "Zipped%d"
constexpr SNumberedKey kOnlyNotExistent{"OnlyNotExistent"}; // "OnlyNotExistent%d"
constexpr SNumberedKey kDir{"Dir"};                         // "Dir%d"
// A signing primary's SHA-256 of the published copy, as served; Windows peers never read it.
constexpr SNumberedKey kSha{"Sha"}; // "Sha%d"
// Setup/Format: from 2 on the catalogue ends with section End, whose LastSync repeats the
// stamp of Setup, so that a reader can tell a whole catalogue from one cut short.
constexpr std::string_view kFormat = "Format";
constexpr std::string_view kCatalogueFormat = "2";

// registry.ini stands in for HKEY_LOCAL_MACHINE: section = key path, key = value name, "@" =
// the key's default value.
constexpr std::string_view kInstallRegistryKey = "SOFTWARE\\Orvenda\\Orvenda Tool";
constexpr std::string_view kInstallRegistryValue = "Directory";
constexpr std::string_view kZipRegistryKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wzzip.exe";
constexpr std::string_view kUnZipRegistryKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wzunzip.exe";
constexpr std::string_view kRegistryDefaultValue = "@";

} // namespace ConfigKeys
