#pragma once

#include <string_view>

// The fixed English lines that a synchronisation run writes to zezodi.log ("%s" and "%d" are
// filled in order by CStringTable::FormatText), and the report texts of the name checks.
namespace SyncLogTexts {

constexpr std::string_view kStartedManually = "Synchronization started manually";
constexpr std::string_view kStartedAutomatically = "Synchronization started automatically";
constexpr std::string_view kStartedByPrimary = "Synchronization started by primary server %s";
constexpr std::string_view kGetSyncFileFailed = "Failed to get SyncFile from %s  Error Code: %d ";
constexpr std::string_view kSyncFileNotPresent =
    "Failed to get SyncFile from %s  File after download not present";
// A web server's own page, or a catalogue whose transfer ended early, is never applied.
constexpr std::string_view kCatalogueWithoutStamp =
    "Failed to get SyncFile from %s  File has no valid version stamp";
constexpr std::string_view kCatalogueCutShort =
    "Failed to get SyncFile from %s  File is incomplete, its end mark is missing";
constexpr std::string_view kNoSpaceLeft = "No space left on device in %s";
// A secondary that lists the primary's keys applies only what the primary signed.
constexpr std::string_view kCatalogueUnsigned =
    "Failed to get SyncFile from %s  The catalogue is not signed";
constexpr std::string_view kCatalogueNotTrusted =
    "Failed to get SyncFile from %s  The catalogue is not signed by a trusted key, or was altered";
constexpr std::string_view kShaMismatch = "SHA-256 after download is not the primary's for file %s";
constexpr std::string_view kCatalogueTooLarge = "SyncFile %s is larger than %d MB and is not read";
constexpr std::string_view kSucceeded =
    "Synchronization was successful   Files identical: %d   successfully synchronized: %d";
constexpr std::string_view kFailed = "Failure durring synchronization   Files identical: %d   "
                                     "successfully synchronized: %d   failed: %d";
constexpr std::string_view kCrcDiffers =
    "File %s has not identical CRC. Local CRC: %s  Primary CRC %s";
constexpr std::string_view kOnlyIfAbsent =
    "Do not download file %s because this file is only syncronized if file not existent";
constexpr std::string_view kNotExistent = "File %s is not existent";

constexpr std::string_view kDownloadFailed = "Failed to download file %s";
constexpr std::string_view kDownloaded = "File %s successfully downloaded";
constexpr std::string_view kUnzipFailed = "Failed to unzip file %s";
constexpr std::string_view kLocalNewer = "File %s is newer then downloaded primary file: %s";
constexpr std::string_view kBackupFailed = "Failed to copy file %s to %s for backup";
constexpr std::string_view kCopyFailed = "Failed to copy file %s to %s";
constexpr std::string_view kCrcFailed = "Failed to get CRC from local file %s ErrorCode %d";
constexpr std::string_view kCrcStillDifferent =
    "CRC after download is still not identical for file %s. Local CRC: %s Primary CRC %s";
constexpr std::string_view kSynchronized = "File %s successfully synchronized";

// A catalogue comes from the network: names that would leave their directory are refused.
// Shown untranslated in the report list as well.
constexpr std::string_view kNameRefused =
    "File %s of section %s refused: the name would leave its directory";
constexpr std::string_view kNameRefusedReport =
    "File %s of section %s refused: the name would leave its directory !";
constexpr std::string_view kSectionRefused =
    "Section %s refused: the name would leave its directory";
constexpr std::string_view kSectionRefusedReport =
    "Section %s refused: the name would leave its directory !";
// A catalogue never replaces the files this program reads its own settings from.
constexpr std::string_view kSettingsFileRefused =
    "File %s of section %s refused: it holds the settings of this program";
constexpr std::string_view kSettingsFileRefusedReport =
    "File %s of section %s refused: it holds the settings of this program !";
// Opening a FIFO, a socket or a device would block the run or read what is not data.
constexpr std::string_view kNotRegularFile =
    "File %s is not synchronized: it is a %s, not a regular file";
constexpr std::string_view kNotRegularFileReport =
    "File %s is not synchronized: it is a %s, not a regular file !";
// The previous version's name would overwrite a file of the catalogue or another previous
// version of the same run.
constexpr std::string_view kNoPreviousVersion =
    "No previous version of %s is kept: every name for it is listed in the catalogue";
constexpr std::string_view kDownloadDirRefused =
    "Download directory %s refused: it lies in the synchronized data directory %s";
// A sub-section listed a second time (a loop in the catalogue) is walked once only.
constexpr std::string_view kSectionRepeated =
    "Section %s is listed more than once and is synchronized once only";

} // namespace SyncLogTexts
