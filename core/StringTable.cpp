#include "core/StringTable.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

// Set once at start-up, read from any thread that builds a report text.
std::mutex g_translatorMutex;
std::shared_ptr<const CStringTable::Translator> g_translator;

std::shared_ptr<const CStringTable::Translator> CurrentTranslator()
{
    const std::lock_guard lock{g_translatorMutex};
    return g_translator;
}

} // namespace

const char* CStringTable::Source(StringId id)
{
    switch (id) {
    case StringId::NoWebServer:
        return ZEZODI_TR_NOOP("StringTable",
                              "No apache webserver found on the server. Please specifiy the path "
                              "of the webserver document root, in zezodi.ini.");
    case StringId::Error:
        return ZEZODI_TR_NOOP("StringTable", "Error");
    case StringId::Status:
        return ZEZODI_TR_NOOP("StringTable", "Status");
    case StringId::SyncErrors:
        return ZEZODI_TR_NOOP(
            "StringTable", "Errors while synchronizing the alarmdata with the primary server ! %1");
    case StringId::Information:
        return ZEZODI_TR_NOOP("StringTable", "Information");
    case StringId::SyncSucceeded:
        return ZEZODI_TR_NOOP(
            "StringTable", "Successfully synchronized the alarmdata with the primary server. %1");
    case StringId::Identical:
        return ZEZODI_TR_NOOP("StringTable", "Identical");
    case StringId::Updated:
        return ZEZODI_TR_NOOP("StringTable", "Updated");
    case StringId::Failed:
        return ZEZODI_TR_NOOP("StringTable", "Failed");
    case StringId::DownloadDirectoryFailed:
        return ZEZODI_TR_NOOP("StringTable", "Failed to create download directory %1 !");
    case StringId::NoCompressionTool:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "No compression tool (winzip with command line support) installed !\nPlease install "
            "Winzip 8.0 or later and the command line support for winzip.");
    case StringId::AlreadySynchronized:
        return ZEZODI_TR_NOOP(
            "StringTable", "The data on the primary server was already successfully synchronized "
                           "with the local data.\nDo you still want to synchronize ?");
    case StringId::PleaseConfirm:
        return ZEZODI_TR_NOOP("StringTable", "Please confirm ...");
    case StringId::ConfirmExit:
        return ZEZODI_TR_NOOP("StringTable",
                              "Exit the synchronization tool ?\nThis program needs to be running "
                              "if the servers have to be synchronized !");
    case StringId::ConfirmChangeToPrimary:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "Are you sure you want to change from secondary to primary synchronization ?\nThe "
            "program will restart as primary synchronization tool.\nOnly change if this server "
            "needs to be the new master server!\nMake sure to change the master server from "
            "primary to secondary.");
    case StringId::ConfirmChangeToSecondary:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "Are you sure you want to change from primary  to secondary synchronization ?\nThe "
            "program will restart as secondary synchronization tool.\nOnly change if this server "
            "needs to be a slave server!\nMake sure to change the slave server from secondary to "
            "primary.");
    // Titles of the alarm applications' windows, which a run asks to close: they must match
    // those windows exactly, and the alarm software's own language setting picks one, so they
    // are never translated.
    case StringId::AlarmControlCenterTitle:
        return "Orvenda - Alarm Control Center Sirevo";
    case StringId::AlarmControlCenterTitleDt:
        return "Orvenda - Alarm Zentrale Sirevo";
    case StringId::AlarmControlCenterTitleFr:
        return "Orvenda - Centrale d'alarme Sirevo";
    case StringId::NotUpdated:
        return ZEZODI_TR_NOOP("StringTable", "Not updated");
    case StringId::IniFile:
        return ZEZODI_TR_NOOP("StringTable", "Inifile");
    case StringId::SectionName:
        return ZEZODI_TR_NOOP("StringTable", "Sectionname");
    case StringId::KeyName:
        return ZEZODI_TR_NOOP("StringTable", "Keyname");
    case StringId::PrimaryValue:
        return ZEZODI_TR_NOOP("StringTable", "Primary value");
    case StringId::SecondaryValue:
        return ZEZODI_TR_NOOP("StringTable", "Secondary value");
    case StringId::NotIdentical:
        return ZEZODI_TR_NOOP("StringTable", "Not identical");
    case StringId::IniIdentical:
        return ZEZODI_TR_NOOP("StringTable", "Identical");
    case StringId::NotExistent:
        return ZEZODI_TR_NOOP("StringTable", "Not existent");
    case StringId::PrimaryTitle:
        return ZEZODI_TR_NOOP("StringTable", "Orvenda Primary Synchronization Tool");
    case StringId::SecondaryTitle:
        return ZEZODI_TR_NOOP("StringTable", "Orvenda Secondary Synchronization Tool");
    case StringId::LanguageNotLoaded:
        return ZEZODI_TR_NOOP("StringTable", "The resource DLL %1 could not be loaded !");
    case StringId::ClientComputerName:
        return ZEZODI_TR_NOOP("StringTable", "Client Computername");
    case StringId::ClientIpAddress:
        return ZEZODI_TR_NOOP("StringTable", "Client IP-Address");
    case StringId::ClientLocation:
        return ZEZODI_TR_NOOP("StringTable", "Client Location");
    case StringId::ConfirmDeleteClient:
        return ZEZODI_TR_NOOP("StringTable", "Delete secondary server %1 from client list ?");
    case StringId::SelectClientToDelete:
        return ZEZODI_TR_NOOP("StringTable",
                              "Please select a client item first in the list to delete.");
    case StringId::EditClientCaption:
        return ZEZODI_TR_NOOP("StringTable", "Edit settings of existent secondary client server");
    case StringId::AddClientCaption:
        return ZEZODI_TR_NOOP("StringTable", "Add new secondary client server");
    case StringId::StartSyncSucceeded:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "Successfully started synchronization on client %1 (%2). Please wait for result.");
    case StringId::StartSyncNoSocket:
        return ZEZODI_TR_NOOP("StringTable", "Failed to open socket for client %1 (%2)");
    case StringId::StartSyncNoConnection:
        return ZEZODI_TR_NOOP("StringTable",
                              "Failed to connect to client %1 (%2) to start synchronization");
    case StringId::StartSyncNotSent:
        return ZEZODI_TR_NOOP("StringTable", "Failed to write socket command for client %1 (%2)");
    case StringId::StartSyncNoAcknowledge:
        return ZEZODI_TR_NOOP("StringTable",
                              "No acknowledge from client %1 (%2) if synchronization was started");
    case StringId::ClientSyncStarted:
        return ZEZODI_TR_NOOP("StringTable",
                              "Synchronization of selected clients started. Please wait ...");
    case StringId::SelectClientsToSync:
        return ZEZODI_TR_NOOP("StringTable",
                              "Please select at least one secondary client to synchronize first !");
    case StringId::NoClientsDefined:
        return ZEZODI_TR_NOOP("StringTable",
                              "No secondary clients for synchronization defined yet !\nPlease "
                              "define the clients in the settings dialog.");
    case StringId::CopyFileFailed:
        return ZEZODI_TR_NOOP("StringTable", "Failed to copy file from %s to %s !");
    case StringId::CrcFailed:
        return ZEZODI_TR_NOOP("StringTable", "Failed to get CRC from file %s  Error Code: %d !");
    case StringId::DownloadFailed:
        return ZEZODI_TR_NOOP("StringTable", "Failed to download file %s !");
    case StringId::UnzipFailed:
        return ZEZODI_TR_NOOP("StringTable", "Failed to unzip file %s !");
    case StringId::LocalFileNewer:
        return ZEZODI_TR_NOOP("StringTable", "File %s is newer then downloaded primary file: %s !");
    case StringId::BackupFailed:
        return ZEZODI_TR_NOOP("StringTable", "Failed to copy file %s to %s for backup");
    case StringId::CrcStillDifferent:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "CRC after download is still not identical for file %s. Local CRC: %s Primary CRC %s");
    case StringId::FileSynchronized:
        return ZEZODI_TR_NOOP("StringTable", "File %s successfully synchronized");
    case StringId::FileNotExistent:
        return ZEZODI_TR_NOOP("StringTable", "File %s is not existent !");
    case StringId::GetSyncFileFailed:
        return ZEZODI_TR_NOOP("StringTable", "Failed to get SyncFile from %s  Error Code: %d !");
    case StringId::SyncFileNotPresent:
        return ZEZODI_TR_NOOP("StringTable",
                              "Failed to get SyncFile from %s  File after download not present !");
    case StringId::SyncStartedAutomatically:
        return ZEZODI_TR_NOOP("StringTable", "Synchronization started automatically");
    case StringId::SyncStartedByPrimary:
        return ZEZODI_TR_NOOP("StringTable", "Synchronization started by primary server %s");
    case StringId::SyncStartedManually:
        return ZEZODI_TR_NOOP("StringTable", "Synchronization started manually. Please wait ...");
    case StringId::SyncFailedSummary:
        return ZEZODI_TR_NOOP("StringTable", "Failure durring synchronization   Files identical: "
                                             "%d   successfully synchronized: %d   failed: %d");
    case StringId::SyncSucceededSummary:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "Synchronization was successful   Files identical: %d   successfully synchronized: %d");
    case StringId::ImportClientsQuestion:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "No secondary clients for synchronization defined yet !\nImport the client settings "
            "for the synchronization from the master/slave program settings ?");
    case StringId::ClientTimeSyncSucceeded:
        return ZEZODI_TR_NOOP("StringTable",
                              "Successfully synchronized the system-time on client %1 (%2)");
    case StringId::ClientTimeSyncFailed:
        return ZEZODI_TR_NOOP("StringTable",
                              "Failed to synchronized the system-time on client %1 (%2)");
    case StringId::TimeSynchronized:
        return ZEZODI_TR_NOOP("StringTable",
                              "Successfully synchronized the system-time with the primary server.");
    case StringId::ClientSyncError:
        return ZEZODI_TR_NOOP("StringTable", "Error while synchronizing client %s !");
    case StringId::ClientSyncSucceeded:
        return ZEZODI_TR_NOOP("StringTable", "Client %s successfully synchronized");
    // Window titles again, as above.
    case StringId::AlarmViewerTitleDt:
        return "Alarm-Auswertung";
    case StringId::AlarmViewerTitleFr:
        return "Exploitation d'alarme";
    case StringId::AlarmViewerTitle:
        return "Alarm-Viewer";
    case StringId::SyncCounts:
        return ZEZODI_TR_NOOP("StringTable",
                              "\nFiles identical: %d   successfully synchronized: %d");
    case StringId::SyncCountsWithFailed:
        return ZEZODI_TR_NOOP("StringTable",
                              "\nFiles identical: %d   successfully synchronized: %d   failed: %d");
    case StringId::PreparationStartedAutomatically:
        return ZEZODI_TR_NOOP("StringTable",
                              "Preparation for synchronization started automatically");
    case StringId::PreparationStartedManually:
        return ZEZODI_TR_NOOP("StringTable",
                              "Preparation for synchronization started manually. Please wait ...");
    case StringId::PreparationSucceeded:
        return ZEZODI_TR_NOOP("StringTable", "Successfully prepared data for synchronization");
    case StringId::PreparationFailed:
        return ZEZODI_TR_NOOP("StringTable", "Error while preparing data for synchronization");
    case StringId::AskStartClients:
        return ZEZODI_TR_NOOP("StringTable", "Successfully prepared synchronization data.\nStart "
                                             "synchronization on secondary client servers now ?");
    case StringId::FileListError:
        return ZEZODI_TR_NOOP("StringTable", "ERROR: %s");
    case StringId::SizeInKb:
        return ZEZODI_TR_NOOP("StringTable", "%d KB");
    case StringId::DownloadDirInDataDir:
        return ZEZODI_TR_NOOP("StringTable",
                              "The download directory %s lies in the synchronized data directory "
                              "%s: files there would be deleted or replaced. Please choose another "
                              "download directory; nothing is synchronized until then.");
    case StringId::NoProgramForFile:
        return ZEZODI_TR_NOOP("StringTable", "The file %1 could not be opened: it does not exist, "
                                             "or no program for it could be started !");
    case StringId::NoOpenerInstalled:
        return ZEZODI_TR_NOOP("StringTable",
                              "The file %1 exists, but no program opens it: xdg-open is missing. "
                              "Install the package xdg-utils.");
    case StringId::WindowsDirectoryMissing:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "The settings directory %1 does not exist !\nCreate it, or name the directory that "
            "holds zezodi.ini in the environment variable ZEZODI_WINDIR, and start the program "
            "again. Until then no setting is kept.");
    case StringId::IniFileIsDirectory:
        return ZEZODI_TR_NOOP("StringTable",
                              "The settings file %1 is a directory !\nRemove or rename that "
                              "directory and start the program again. Until then no setting is "
                              "kept.");
    case StringId::IniFileNotReadable:
        return ZEZODI_TR_NOOP("StringTable",
                              "The settings file %1 cannot be read !\nGive the user who runs "
                              "the program the right to read and write it, and start the program "
                              "again. Until then the default settings are used.");
    case StringId::IniFileNotWritable:
        return ZEZODI_TR_NOOP("StringTable",
                              "The settings file %1 cannot be written !\nGive the user who runs "
                              "the program the right to write it (and its directory), and start "
                              "the program again. Until then no change of a setting is kept.");
    case StringId::Ok:
        return ZEZODI_TR_NOOP("StringTable", "OK");
    case StringId::Cancel:
        return ZEZODI_TR_NOOP("StringTable", "Cancel");
    case StringId::Exit:
        return ZEZODI_TR_NOOP("StringTable", "Exit");
    case StringId::Settings:
        return ZEZODI_TR_NOOP("StringTable", "Settings");
    case StringId::SynchronizeNow:
        return ZEZODI_TR_NOOP("StringTable", "Synchronize now");
    case StringId::ShowLogfile:
        return ZEZODI_TR_NOOP("StringTable", "Show logfile");
    case StringId::LastSynchronization:
        return ZEZODI_TR_NOOP("StringTable", "Last synchronization:");
    case StringId::SynchronizedFilesAndErrors:
        return ZEZODI_TR_NOOP("StringTable", "Synchronized files and errors:");
    case StringId::Browse:
        return ZEZODI_TR_NOOP("StringTable", "...");
    case StringId::IntervalBetweenSynchronizations:
        return ZEZODI_TR_NOOP("StringTable", "Interval between synchronizations: ");
    case StringId::SettingsGroup:
        return ZEZODI_TR_NOOP("StringTable", "Settings for primary synchronization tool");
    case StringId::ColumnFilename:
        return ZEZODI_TR_NOOP("StringTable", "Filename");
    case StringId::ColumnExtension:
        return ZEZODI_TR_NOOP("StringTable", "Extension");
    case StringId::ColumnPath:
        return ZEZODI_TR_NOOP("StringTable", "Path");
    case StringId::ColumnLastModified:
        return ZEZODI_TR_NOOP("StringTable", "Last Modified");
    case StringId::ColumnSize:
        return ZEZODI_TR_NOOP("StringTable", "Size");
    case StringId::ColumnCrc:
        return ZEZODI_TR_NOOP("StringTable", "CRC");
    case StringId::ColumnCrcSecondary:
        return ZEZODI_TR_NOOP("StringTable", "CRC Secondary");
    case StringId::ColumnCrcPrimary:
        return ZEZODI_TR_NOOP("StringTable", "CRC Primary");
    case StringId::ClientSynchronization:
        return ZEZODI_TR_NOOP("StringTable", "Client Synchronization");
    case StringId::FilesForSynchronization:
        return ZEZODI_TR_NOOP("StringTable", "Files for synchronization");
    case StringId::SynchronizedFiles:
        return ZEZODI_TR_NOOP("StringTable", "Synchronized files");
    case StringId::LocalFiles:
        return ZEZODI_TR_NOOP("StringTable", "Local files:");
    case StringId::CompareIniFiles:
        return ZEZODI_TR_NOOP("StringTable", "Compare Ini-files");
    case StringId::Stop:
        return ZEZODI_TR_NOOP("StringTable", "Stop");
    case StringId::RunProgressCounts:
        return ZEZODI_TR_NOOP("StringTable", "Files %1 of %2, %3 bytes");
    case StringId::RunProgressFiles:
        return ZEZODI_TR_NOOP("StringTable", "Files %1");
    case StringId::ClientSyncTalkingTo:
        return ZEZODI_TR_NOOP("StringTable", "Talking to client %1 (%2) ...");
    case StringId::OctetRange:
        return ZEZODI_TR_NOOP("StringTable",
                              "Please specify a value between 0 and 255 for this field.");
    case StringId::AboutCaption:
        return ZEZODI_TR_NOOP("StringTable", "About Zezodi");
    case StringId::AboutVersion:
        return ZEZODI_TR_NOOP("StringTable", "Zezodi, Version 3.1");
    case StringId::ClientSettingsCaption:
        return ZEZODI_TR_NOOP("StringTable", "Client Settings");
    case StringId::ClientNameLabel:
        return ZEZODI_TR_NOOP("StringTable", "Computer-Name of client:");
    case StringId::ClientAddressLabel:
        return ZEZODI_TR_NOOP("StringTable", "IP-Address of client:");
    case StringId::ClientLocationLabel:
        return ZEZODI_TR_NOOP("StringTable", "Location of client:");
    case StringId::ClientSyncCaption:
        return ZEZODI_TR_NOOP("StringTable", "Start client synronisation");
    case StringId::ClientSyncGroup:
        return ZEZODI_TR_NOOP("StringTable", "Select secondary client servers to synchronize now");
    case StringId::ClientSyncSetTime:
        return ZEZODI_TR_NOOP("StringTable",
                              "Synchronize system-time on client servers with primary server");
    case StringId::SynchronizeSelectedClients:
        return ZEZODI_TR_NOOP("StringTable", "Synchronize selected clients");
    case StringId::ClientSyncReport:
        return ZEZODI_TR_NOOP("StringTable", "Report on client synchronization:");
    case StringId::PrimarySettingsCaption:
        return ZEZODI_TR_NOOP("StringTable", "Primary settings");
    case StringId::WebServerDocumentPath:
        return ZEZODI_TR_NOOP("StringTable", "Web-Server Document Path:");
    case StringId::WebServerDocumentPathNote:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "All data which needs to be synchronize will be copied to this directory.");
    case StringId::Hours:
        return ZEZODI_TR_NOOP("StringTable", "hours");
    case StringId::ZipIfBiggerLabel:
        return ZEZODI_TR_NOOP("StringTable",
                              "Zip files automatically for download if bigger then ");
    case StringId::Kilobytes:
        return ZEZODI_TR_NOOP("StringTable", "KB.");
    case StringId::UseGzipToZip:
        return ZEZODI_TR_NOOP("StringTable", "Use Gzip program to zip files");
    case StringId::UseProgramToZip:
        return ZEZODI_TR_NOOP("StringTable", "Use program to zip:");
    case StringId::PrimaryAddressLabel:
        return ZEZODI_TR_NOOP("StringTable", "IP-Address of this server:");
    case StringId::AutoSetClientTime:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "Automatically synchronize system-time on client servers with primary server");
    case StringId::SecondaryClientServers:
        return ZEZODI_TR_NOOP("StringTable", "Secondary client servers:");
    case StringId::Add:
        return ZEZODI_TR_NOOP("StringTable", "Add");
    case StringId::Edit:
        return ZEZODI_TR_NOOP("StringTable", "Edit");
    case StringId::Delete:
        return ZEZODI_TR_NOOP("StringTable", "Delete");
    case StringId::ChangeToSecondary:
        return ZEZODI_TR_NOOP("StringTable", "Change to secondary server");
    case StringId::SecondarySettingsCaption:
        return ZEZODI_TR_NOOP("StringTable", "Secondary settings");
    case StringId::WebDocPathLabel:
        return ZEZODI_TR_NOOP("StringTable", "http path to get synchronization data from:");
    case StringId::WebDocPathNote:
        return ZEZODI_TR_NOOP(
            "StringTable",
            "Web address of the primary server with the path for the data to synchronize");
    case StringId::DownloadPathLabel:
        return ZEZODI_TR_NOOP("StringTable", "Directory to download the data to:");
    case StringId::Minutes:
        return ZEZODI_TR_NOOP("StringTable", "minutes");
    case StringId::UseGzipToUnzip:
        return ZEZODI_TR_NOOP("StringTable", "Use Gzip program to unzip files");
    case StringId::UseProgramToUnzip:
        return ZEZODI_TR_NOOP("StringTable", "Use program to unzip:");
    case StringId::ChangeToPrimary:
        return ZEZODI_TR_NOOP("StringTable", "Change to primary server");
    case StringId::AllowedPrimariesLabel:
        return ZEZODI_TR_NOOP("StringTable",
                              "&Allowed primary servers (addresses or names, * for everyone):");
    case StringId::AllowedClientsLabel:
        return ZEZODI_TR_NOOP("StringTable",
                              "Other allowed clients (addresses or names, * for everyone):");
    case StringId::CompareIniGroup:
        return ZEZODI_TR_NOOP("StringTable", "Compare local Ini-files with primary Ini-files");
    case StringId::PrimaryIniFiles:
        return ZEZODI_TR_NOOP("StringTable", "Primary ini-files:");
    case StringId::CompareSelectedIniFiles:
        return ZEZODI_TR_NOOP("StringTable", "Compare selected Ini-files");
    case StringId::Compare:
        return ZEZODI_TR_NOOP("StringTable", "Compare");
    case StringId::Back:
        return ZEZODI_TR_NOOP("StringTable", "Back");
    case StringId::EnterInteger:
        return ZEZODI_TR_NOOP("StringTable", "Please enter an integer.");
    case StringId::SettingsNotWritten:
        return ZEZODI_TR_NOOP("StringTable", "The settings could not be written to %1 !");
    case StringId::PathTooLongEntered:
        return ZEZODI_TR_NOOP("StringTable", "The path %1 is longer than %2 characters and cannot "
                                             "be used. Please enter a shorter path.");
    case StringId::PathTooLongStored:
        return ZEZODI_TR_NOOP("StringTable",
                              "%1 = %2 is longer than %3 characters. Please enter a shorter path.");
    case StringId::NameNotPublishable:
        return ZEZODI_TR_NOOP("StringTable",
                              "%1 is not published: its name cannot be carried by the catalogue !");
    case StringId::NameCaseTwin:
        return ZEZODI_TR_NOOP(
            "StringTable", "%1 is not published: its name differs from %2 only in letter case !");
    case StringId::PackedNameTaken:
        return ZEZODI_TR_NOOP("StringTable",
                              "%1 is not published: its name is taken by the packed copy of %2 !");
    case StringId::PublishedFilesNotWritten:
        return ZEZODI_TR_NOOP("StringTable",
                              "The published files in %1 could not be written to disk: %2 !");
    case StringId::GenerationNotPublished:
        return ZEZODI_TR_NOOP("StringTable",
                              "The prepared data could not be published in %1: %2 !");
    case StringId::SectionBeyondWindowsReaders:
        return ZEZODI_TR_NOOP("StringTable", "Section %1 lists %2 files: secondaries running on "
                                             "Windows read only the first %3 !");
    case StringId::CatalogueTooLarge:
        return ZEZODI_TR_NOOP("StringTable",
                              "The synchronization file %1 is larger than %2 MB and is not read !");
    case StringId::CatalogueWithoutStamp:
        return ZEZODI_TR_NOOP("StringTable",
                              "Failed to get SyncFile from %s  File has no valid version stamp !");
    case StringId::CatalogueCutShort:
        return ZEZODI_TR_NOOP("StringTable",
                              "Failed to get SyncFile from %s  File is incomplete, its end mark "
                              "is missing !");
    case StringId::NoSpaceLeft:
        return ZEZODI_TR_NOOP("StringTable", "No space left on device in %s !");
    case StringId::SyncStopped:
        return ZEZODI_TR_NOOP("StringTable", "Synchronization stopped before its end: the files "
                                             "done are in place, the others as they were.");
    case StringId::RoleHeldElsewhere:
        return ZEZODI_TR_NOOP("StringTable",
                              "%1 already runs on this computer, as a service or for another "
                              "user.\nStop it before starting it here.");
    case StringId::TimeNotSet:
        return ZEZODI_TR_NOOP(
            "StringTable", "The system-time could not be set to the primary server's time: %1 !");
    case StringId::CatalogueNotSigned:
        return ZEZODI_TR_NOOP("StringTable", "The sync catalogue cannot be signed: %1 !");
    case StringId::CatalogueUnsigned:
        return ZEZODI_TR_NOOP("StringTable",
                              "Failed to get SyncFile from %1  The catalogue is not signed !");
    case StringId::CatalogueNotTrusted:
        return ZEZODI_TR_NOOP("StringTable", "Failed to get SyncFile from %1  The catalogue is not "
                                             "signed by a trusted key, or was altered !");
    case StringId::PrimaryKeysLabel:
        return ZEZODI_TR_NOOP("StringTable",
                              "Primary server's public &keys (empty: catalogues are not checked):");
    case StringId::PrimaryKeysInvalid:
        return ZEZODI_TR_NOOP(
            "StringTable", "The primary server's public keys are not valid keys.\nPaste the line "
                           "that zezodictl key show prints on the primary, or two of them "
                           "separated by a blank while the key changes.");
    case StringId::WgetNetworkFailure:
        return ZEZODI_TR_NOOP(
            "StringTable", "Network failure: the primary server could not be reached at %1. Check "
                           "WebDocPath and that the primary server and its web server run.");
    case StringId::WgetCertificateFailure:
        return ZEZODI_TR_NOOP("StringTable",
                              "The certificate of the web server at %1 could not be verified. "
                              "Check CaCertificate, or the server's certificate.");
    case StringId::WgetServerError:
        return ZEZODI_TR_NOOP("StringTable",
                              "The web server at %1 answered with an error (for example 404, not "
                              "found). Check that WebDocPath names the primary server's "
                              "synchronization data and that it has prepared them.");
    case StringId::ShaMismatch:
        return ZEZODI_TR_NOOP("StringTable",
                              "SHA-256 after download is not the primary's for file %1 !");
    case StringId::FleetGroup:
        return ZEZODI_TR_NOOP("StringTable", "State of the secondary servers");
    case StringId::FleetInSync:
        return ZEZODI_TR_NOOP("StringTable", "In sync");
    case StringId::FleetBehind:
        return ZEZODI_TR_NOOP("StringTable", "Behind");
    case StringId::FleetSilent:
        return ZEZODI_TR_NOOP("StringTable", "Silent");
    case StringId::FleetNeverHeard:
        return ZEZODI_TR_NOOP("StringTable", "Never heard");
    case StringId::FleetColumnName:
        return ZEZODI_TR_NOOP("StringTable", "Name");
    case StringId::FleetColumnLocation:
        return ZEZODI_TR_NOOP("StringTable", "Location");
    case StringId::FleetColumnAddress:
        return ZEZODI_TR_NOOP("StringTable", "Address");
    case StringId::FleetColumnLastReport:
        return ZEZODI_TR_NOOP("StringTable", "Last report");
    case StringId::FleetColumnVersion:
        return ZEZODI_TR_NOOP("StringTable", "Version");
    case StringId::PreparationStopped:
        return ZEZODI_TR_NOOP("StringTable",
                              "Preparation for synchronization stopped before its end: the "
                              "secondaries are still given the data prepared before.");
    }
    return "";
}

void CStringTable::SetTranslator(Translator translator)
{
    auto installed = translator ? std::make_shared<const Translator>(std::move(translator))
                                : std::shared_ptr<const Translator>{};
    const std::lock_guard lock{g_translatorMutex};
    g_translator = std::move(installed);
}

std::string CStringTable::Text(StringId id)
{
    const char* source = Source(id);
    if (const auto translator = CurrentTranslator(); translator && *source != '\0') {
        std::string translated = (*translator)(source);
        if (!translated.empty()) {
            return translated;
        }
    }
    return source;
}

std::string CStringTable::Format(StringId id, std::initializer_list<std::string_view> args)
{
    return FormatText(Text(id), args);
}

std::string CStringTable::FormatText(std::string_view text,
                                     std::initializer_list<std::string_view> args)
{
    const std::vector<std::string_view> values{args};
    std::size_t nextInOrder = 0;
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char field = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '%' || field == '\0') {
            result.push_back(text[i]);
            continue;
        }
        if (field == 's' || field == 'd') {
            if (nextInOrder < values.size()) {
                result.append(values[nextInOrder]);
            }
            ++nextInOrder;
            ++i;
        } else if (field >= '1' && field <= '9') {
            const auto number = static_cast<std::size_t>(field - '1');
            if (number < values.size()) {
                result.append(values[number]);
            }
            ++i;
        } else if (field == '%') {
            result.push_back('%');
            ++i;
        } else {
            result.push_back('%');
        }
    }
    return result;
}
