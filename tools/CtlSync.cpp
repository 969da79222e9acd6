#include "tools/CtlSync.h"

#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SecondaryService.h"
#include "secondary/SyncEngine.h"
#include "tools/LogDirectoryNotice.h"
#include "tools/TerminationSignals.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Keys = ConfigKeys;

namespace {

constexpr int kExitFailure = 1;
// The settings files that a dry run copies; every write of the run goes to the copies.
constexpr std::array<std::string_view, 2> kSettingsFiles{Keys::kIniFile, "registry.ini"};
constexpr int kOpenDirectories = 16;

int (*const kRemoveEntry)(const char*, const struct stat*, int, FTW*) =
    [](const char* path, const struct stat*, int, FTW*) { return remove(path); };

constexpr std::string_view kDryRunPrefix = "zezodictl-dry-run-";

// A dry run killed before it could clean up leaves its directory, named after its process:
// the next dry run removes those of this user whose process is gone.
void RemoveAbandonedDryRuns(const std::string& base)
{
    DIR* dir = opendir(base.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name{entry->d_name};
        if (!name.starts_with(kDryRunPrefix)) {
            continue;
        }
        const std::string_view rest = name.substr(kDryRunPrefix.size());
        pid_t pid = 0;
        const auto parsed = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
        if (parsed.ec != std::errc{} || parsed.ptr == rest.data() || *parsed.ptr != '-' ||
            pid <= 0 || kill(pid, 0) == 0 || errno != ESRCH) {
            continue;
        }
        const std::string path = CPlatform::JoinPath(base, name);
        struct stat info
        {};
        if (lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid()) {
            nftw(path.c_str(), kRemoveEntry, kOpenDirectories, FTW_DEPTH | FTW_PHYS);
        }
    }
    closedir(dir);
}

const char* PlannedWord(CSyncEngine::EPlanned action)
{
    switch (action) {
    case CSyncEngine::EPlanned::Download:
        return "download";
    case CSyncEngine::EPlanned::Replace:
        return "replace";
    case CSyncEngine::EPlanned::KeepAside:
        return "keep aside";
    case CSyncEngine::EPlanned::Leave:
        break;
    }
    return "leave";
}

} // namespace

CCtlSync::CCtlSync(std::ostream& out, std::ostream& err, bool terminal)
    : m_out{out}, m_err{err}, m_progress{err, terminal}
{}

int CCtlSync::Run(bool force)
{
    // The service runs it as the window and serve do, its report to the primary included.
    CSecondaryService service{*this, *this, *this};
    service.Initialise();
    CLogDirectoryNotice::Check(service.Settings().logDir, m_err);
    CSyncEngine& engine = service.Engine();
    // Nobody watches the rows appear.
    engine.SetRowPause(std::chrono::milliseconds{0});
    engine.SetProgress([this](int done, int all, std::uint64_t bytes) {
        m_progress.Show(CProgressLine::SyncText(done, all, bytes), done == all);
    });
    const CTerminationSignals signals;
    service.SetStopRequest(&CTerminationSignals::Requested);
    const int result =
        service.RunAndReport(force ? CSyncEngine::kModeForced : CSyncEngine::kModeManual);
    if (result == CSyncEngine::kAlreadySynchronized) {
        return kExitAlreadySynchronized;
    }
    if (result != CSyncEngine::kDone || engine.FailureFlag()) {
        return kExitFailure;
    }
    return 0;
}

int CCtlSync::DryRun(bool force)
{
    const char* value = std::getenv("TMPDIR");
    const std::string base{value != nullptr && *value != '\0' ? value : "/tmp"};
    RemoveAbandonedDryRuns(base);
    std::string pattern = CPlatform::JoinPath(base, std::string{kDryRunPrefix} +
                                                        std::to_string(getpid()) + "-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        m_err << "zezodictl: cannot create a temporary directory " << pattern << ": "
              << std::strerror(errno) << "\n";
        return kExitFailure;
    }
    int status = 0;
    {
        const CTerminationSignals signals;
        status = DryRunIn(pattern, force);
    }
    nftw(pattern.c_str(), kRemoveEntry, kOpenDirectories, FTW_DEPTH | FTW_PHYS);
    return status;
}

int CCtlSync::DryRunIn(const std::string& tempDir, bool force)
{
    const std::string windowsDir = CPlatform::WindowsDirectory();
    const std::string copies = CPlatform::JoinPath(tempDir, "windows");
    const std::string downloadDir = CPlatform::JoinPath(tempDir, "download");
    if (CFileOps::CreateDirectory(copies) != 0) {
        m_err << "zezodictl: cannot create " << copies << "\n";
        return kExitFailure;
    }
    for (std::string_view file : kSettingsFiles) {
        const std::string source = CPlatform::JoinPath(windowsDir, file);
        if (CFileOps::IsRegularFile(source) &&
            CFileOps::CopyFileKeepTime(source, CPlatform::JoinPath(copies, file)) != 0) {
            m_err << "zezodictl: cannot copy " << source << " to " << copies << "\n";
            return kExitFailure;
        }
    }
    // From here on every bare-named settings file is the copy; the download directory is
    // the temporary one, so the settlement creates nothing outside it.
    setenv("ZEZODI_WINDIR", copies.c_str(), 1);
    if (!CProfileStore::WriteText(Keys::kConfig, Keys::kDownLoadPath, downloadDir,
                                  Keys::kIniFile)) {
        m_err << "zezodictl: cannot write the copy of " << Keys::kIniFile << "\n";
        return kExitFailure;
    }
    SSecondarySettings settings = CSecondaryConfig{*this}.Normalise();
    settings.windowsDir = windowsDir;
    settings.logDir = tempDir;
    m_dryRun = true;

    int counts[4]{};
    CSyncEngine engine{settings, *this, *this};
    engine.SetRowPause(std::chrono::milliseconds{0});
    engine.SetStopRequest(&CTerminationSignals::Requested);
    engine.SetPreview([&](CSyncEngine::EPlanned action, const std::string& path) {
        ++counts[static_cast<int>(action)];
        m_progress.Clear();
        m_out << PlannedWord(action) << "\t" << path << "\n";
    });
    engine.SetProgress([this](int done, int all, std::uint64_t bytes) {
        m_progress.Show(CProgressLine::SyncText(done, all, bytes), done == all);
    });
    const int result = engine.SyncRun(force ? CSyncEngine::kModeForced : CSyncEngine::kModeManual);
    m_progress.Clear();
    if (result == CSyncEngine::kAlreadySynchronized) {
        m_out << "Dry run: this catalogue was already applied; a run skips it (--force applies "
                 "it again)\n";
        return kExitAlreadySynchronized;
    }
    if (result != CSyncEngine::kDone) {
        return kExitFailure;
    }
    m_out << "Dry run, nothing changed: " << counts[0] << " to download, " << counts[1]
          << " to replace, " << counts[2] << " newer local files to keep aside and replace, "
          << counts[3] << " to leave, " << engine.FilesFailed() << " failed\n";
    return engine.FailureFlag() ? kExitFailure : 0;
}

void CCtlSync::AddReportLine(const std::string& text, int /*image*/)
{
    m_progress.Clear();
    m_out << CEventLog::ReportTime() << "  " << text << "\n";
}

void CCtlSync::ClearFiles() {}

void CCtlSync::AddFileRow(const SRow& columns, int /*image*/)
{
    // A dry run lists its own lines instead.
    if (m_dryRun) {
        return;
    }
    m_progress.Clear();
    m_out << "file";
    for (const std::string& column : columns) {
        m_out << "\t" << column;
    }
    m_out << "\n";
}

void CCtlSync::SetLastSync(const std::string& text)
{
    if (m_dryRun) {
        return;
    }
    m_out << CStringTable::Text(StringId::LastSynchronization) << " " << text << "\n";
}

void CCtlSync::SetBusy(bool /*busy*/) {}

void CCtlSync::ShowErrorBox(const std::string& text, const std::string& caption)
{
    m_progress.Clear();
    m_err << "zezodictl: " << caption << ": " << text << "\n";
}

bool CCtlSync::AskYesNo(const std::string& text, const std::string& caption, bool /*defaultNo*/)
{
    m_err << "zezodictl: " << caption << ": " << text << " (answered No)\n";
    return false;
}
