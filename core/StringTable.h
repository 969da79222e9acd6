#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text for the translation tools (lupdate treats it as QT_TRANSLATE_NOOP) and leaves
// it as it is: the English source text, which the translation layer looks up at run time.
#define ZEZODI_TR_NOOP(context, text) text

// Every text the user sees in windows, report lists and message boxes. Ids of numbered texts
// carry their number, which the translations share with the Windows language libraries; the
// unnumbered texts follow from 1000 on. Placeholders: "%1", "%2" are filled by the
// translation layer; "%s" and "%d" are printf fields, filled in order.
enum class StringId : int
{
    NoWebServer = 108,
    Error = 109,
    Status = 112,
    SyncErrors = 113,
    Information = 114,
    SyncSucceeded = 115,
    Identical = 116,
    Updated = 117,
    Failed = 118,
    DownloadDirectoryFailed = 119,
    NoCompressionTool = 120,
    AlreadySynchronized = 121,
    PleaseConfirm = 122,
    ConfirmExit = 123,
    ConfirmChangeToPrimary = 124,
    ConfirmChangeToSecondary = 125,
    AlarmControlCenterTitle = 126,
    AlarmControlCenterTitleDt = 127,
    AlarmControlCenterTitleFr = 128,
    NotUpdated = 129,
    IniFile = 130,
    SectionName = 131,
    KeyName = 132,
    PrimaryValue = 133,
    SecondaryValue = 134,
    NotIdentical = 135,
    IniIdentical = 136,
    NotExistent = 137,
    PrimaryTitle = 138,
    SecondaryTitle = 139,
    LanguageNotLoaded = 140,
    ClientComputerName = 141,
    ClientIpAddress = 142,
    ClientLocation = 143,
    ConfirmDeleteClient = 144,
    SelectClientToDelete = 145,
    EditClientCaption = 146,
    AddClientCaption = 147,
    StartSyncSucceeded = 148,
    StartSyncNoSocket = 149,
    StartSyncNoConnection = 150,
    StartSyncNotSent = 151,
    StartSyncNoAcknowledge = 152,
    ClientSyncStarted = 153,
    SelectClientsToSync = 155,
    NoClientsDefined = 156,
    CopyFileFailed = 158,
    CrcFailed = 159,
    DownloadFailed = 164,
    UnzipFailed = 165,
    LocalFileNewer = 166,
    BackupFailed = 167,
    CrcStillDifferent = 168,
    FileSynchronized = 169,
    FileNotExistent = 170,
    GetSyncFileFailed = 171,
    SyncFileNotPresent = 172,
    SyncStartedAutomatically = 173,
    SyncStartedByPrimary = 174,
    SyncStartedManually = 175,
    SyncFailedSummary = 176,
    SyncSucceededSummary = 177,
    ImportClientsQuestion = 178,
    ClientTimeSyncSucceeded = 179,
    ClientTimeSyncFailed = 180,
    TimeSynchronized = 181,
    ClientSyncError = 182,
    ClientSyncSucceeded = 183,
    AlarmViewerTitleDt = 184,
    AlarmViewerTitleFr = 185,
    AlarmViewerTitle = 186,

    // Message-box details and report rows.
    SyncCounts = 1000,
    SyncCountsWithFailed,
    PreparationStartedAutomatically,
    PreparationStartedManually,
    PreparationSucceeded,
    PreparationFailed,
    AskStartClients,
    FileListError,
    SizeInKb,
    DownloadDirInDataDir,

    // A file that no program opens, and a settings place found wrong at start.
    NoProgramForFile,
    NoOpenerInstalled,
    WindowsDirectoryMissing,
    IniFileIsDirectory,
    IniFileNotReadable,
    IniFileNotWritable,

    // Buttons and labels shared by several windows.
    Ok,
    Cancel,
    Exit,
    Settings,
    SynchronizeNow,
    ShowLogfile,
    LastSynchronization,
    SynchronizedFilesAndErrors,
    Browse,
    IntervalBetweenSynchronizations,
    SettingsGroup,

    // File and report list columns.
    ColumnFilename,
    ColumnExtension,
    ColumnPath,
    ColumnLastModified,
    ColumnSize,
    ColumnCrc,
    ColumnCrcSecondary,
    ColumnCrcPrimary,

    // Primary main window.
    ClientSynchronization,
    FilesForSynchronization,

    // Secondary main window.
    SynchronizedFiles,
    LocalFiles,
    CompareIniFiles,

    // A main window during a run.
    Stop,
    RunProgressCounts,
    RunProgressFiles,
    ClientSyncTalkingTo,

    // The address control.
    OctetRange,

    // About box.
    AboutCaption,
    AboutVersion,

    // Client settings dialog.
    ClientSettingsCaption,
    ClientNameLabel,
    ClientAddressLabel,
    ClientLocationLabel,

    // Client synchronisation dialog.
    ClientSyncCaption,
    ClientSyncGroup,
    ClientSyncSetTime,
    SynchronizeSelectedClients,
    ClientSyncReport,

    // Primary settings dialog.
    PrimarySettingsCaption,
    WebServerDocumentPath,
    WebServerDocumentPathNote,
    Hours,
    ZipIfBiggerLabel,
    Kilobytes,
    UseGzipToZip,
    UseProgramToZip,
    PrimaryAddressLabel,
    AutoSetClientTime,
    SecondaryClientServers,
    Add,
    Edit,
    Delete,
    ChangeToSecondary,

    // Secondary settings dialog.
    SecondarySettingsCaption,
    WebDocPathLabel,
    WebDocPathNote,
    DownloadPathLabel,
    Minutes,
    UseGzipToUnzip,
    UseProgramToUnzip,
    ChangeToPrimary,
    AllowedPrimariesLabel,
    AllowedClientsLabel,

    // Compare Ini-files dialog.
    CompareIniGroup,
    PrimaryIniFiles,
    CompareSelectedIniFiles,
    Compare,
    Back,

    // Settings dialogs.
    EnterInteger,
    SettingsNotWritten,

    // Values that cannot be used as they are.
    PathTooLongEntered,
    PathTooLongStored,
    NameNotPublishable,
    NameCaseTwin,
    PackedNameTaken,
    PublishedFilesNotWritten,
    GenerationNotPublished,
    SectionBeyondWindowsReaders,
    CatalogueTooLarge,
    CatalogueWithoutStamp,
    CatalogueCutShort,
    NoSpaceLeft,
    // The role run as a service.
    SyncStopped,
    RoleHeldElsewhere,
    // A set_time whose clock could not be set.
    TimeNotSet,
    // A signed catalogue.
    CatalogueNotSigned,
    CatalogueUnsigned,
    CatalogueNotTrusted,
    ShaMismatch,
    PrimaryKeysLabel,
    PrimaryKeysInvalid,
    // What wget's exit status after a failed catalogue fetch means.
    WgetNetworkFailure,
    WgetCertificateFailure,
    WgetServerError,

    // The primary window's table of its secondary servers.
    FleetGroup,
    FleetInSync,
    FleetBehind,
    FleetSilent,
    FleetNeverHeard,
    FleetColumnName,
    FleetColumnLocation,
    FleetColumnAddress,
    FleetColumnLastReport,
    FleetColumnVersion,
    // A preparation stopped by the operator.
    PreparationStopped,
};

class CStringTable
{
public:
    // Gives the translation of an English source text; an empty result keeps the source.
    using Translator = std::function<std::string(const char* source)>;

    // The English source text of id; empty for a value that names no text.
    static const char* Source(StringId id);

    // Installs the translation used by Text and Format; an empty function restores English.
    static void SetTranslator(Translator translator);

    // The UTF-8 text of id in the installed language, else the English source text.
    static std::string Text(StringId id);

    // Text(id) with its fields filled: "%s" and "%d" take the arguments in order, "%1" to "%9"
    // the argument of that number, "%%" gives "%". A field without an argument is left out.
    // The text is never handed to printf, so a translation with wrong fields cannot crash.
    static std::string Format(StringId id, std::initializer_list<std::string_view> args);

    // As Format, on any text.
    static std::string FormatText(std::string_view text,
                                  std::initializer_list<std::string_view> args);
};
