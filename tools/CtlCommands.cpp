#include "tools/CtlCommands.h"

#include "core/CatalogueReader.h"
#include "core/Crc32.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/ProfileStore.h"
#include "tools/CataloguePrinter.h"
#include "tools/CtlKey.h"
#include "tools/CtlPrepare.h"
#include "tools/CtlSend.h"
#include "tools/CtlServe.h"
#include "tools/CtlStatus.h"
#include "tools/CtlSync.h"
#include "tools/RoleClaim.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kDefaultSize = 512;
constexpr long long kMaxSize = 1 << 20;

// The whole text as a decimal number, or false.
bool ParseNumber(const std::string& text, long long& value)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc{} && result.ptr == end;
}

CRoleClaim::EWhenHeld WhenHeld(bool wait)
{
    return wait ? CRoleClaim::EWhenHeld::Wait : CRoleClaim::EWhenHeld::Refuse;
}

std::string ErrorText(int code)
{
    return "error code " + std::to_string(code) + " (" + std::strerror(code) + ")";
}

} // namespace

CCtlCommands::CCtlCommands(std::ostream& out, std::ostream& err, bool terminal)
    : m_out{out}, m_err{err}, m_terminal{terminal}
{}

int CCtlCommands::Run(const std::vector<std::string>& args)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        Usage(m_out);
        return 0;
    }
    if (args.empty()) {
        return BadArguments("no command given");
    }
    if (args[0] == "ini") {
        return Ini(args);
    }
    if (args[0] == "crc") {
        return Crc(args);
    }
    if (args[0] == "catalogue") {
        return CatalogueShow(args);
    }
    if (args[0] == "prepare") {
        return Prepare(args);
    }
    if (args[0] == "sync") {
        return Sync(args);
    }
    if (args[0] == "send") {
        return Send(args);
    }
    if (args[0] == "listen-results") {
        return ListenResults(args);
    }
    if (args[0] == "serve") {
        return Serve(args);
    }
    if (args[0] == "key") {
        return Key(args);
    }
    if (args[0] == "status") {
        return Status(args);
    }
    return BadArguments("unknown command '" + args[0] + "'");
}

int CCtlCommands::Ini(const std::vector<std::string>& args)
{
    if (args.size() < 2) {
        return BadArguments("ini needs get, get-int or set");
    }
    if (args[1] == "get") {
        return IniGet(args);
    }
    if (args[1] == "get-int") {
        return IniGetInt(args);
    }
    if (args[1] == "set") {
        return IniSet(args);
    }
    return BadArguments("unknown ini command '" + args[1] + "'");
}

int CCtlCommands::IniGet(const std::vector<std::string>& args)
{
    std::vector<std::string> positional;
    std::size_t size = kDefaultSize;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] != "--size") {
            positional.push_back(args[i]);
            continue;
        }
        long long value = 0;
        if (i + 1 == args.size() || !ParseNumber(args[i + 1], value) || value < 1 ||
            value > kMaxSize) {
            return BadArguments("--size needs a number from 1 to " + std::to_string(kMaxSize));
        }
        size = static_cast<std::size_t>(value);
        ++i;
    }
    if (positional.size() < 3 || positional.size() > 4) {
        return BadArguments("ini get needs FILE SECTION KEY [DEFAULT]");
    }
    const std::string defaultText = positional.size() == 4 ? positional[3] : std::string{};
    m_out << CProfileStore::ReadText(positional[1], positional[2], defaultText, size, positional[0])
          << "\n";
    return 0;
}

int CCtlCommands::IniGetInt(const std::vector<std::string>& args)
{
    long long defaultValue = 0;
    if (args.size() != 6) {
        return BadArguments("ini get-int needs FILE SECTION KEY DEFAULT");
    }
    if (!ParseNumber(args[5], defaultValue) || defaultValue < std::numeric_limits<int>::min() ||
        defaultValue > std::numeric_limits<int>::max()) {
        return BadArguments("DEFAULT must be a decimal integer: '" + args[5] + "'");
    }
    m_out << CProfileStore::ReadInt(args[3], args[4], static_cast<int>(defaultValue), args[2])
          << "\n";
    return 0;
}

int CCtlCommands::IniSet(const std::vector<std::string>& args)
{
    if (args.size() != 6) {
        return BadArguments("ini set needs FILE SECTION KEY VALUE");
    }
    if (!CProfileStore::WriteText(args[3], args[4], args[5], args[2])) {
        m_err << "zezodictl: cannot write " << CPlatform::IniPath(args[2]) << "\n";
        return kExitFailure;
    }
    return 0;
}

int CCtlCommands::Crc(const std::vector<std::string>& args)
{
    if (args.size() < 2) {
        return BadArguments("crc needs at least one FILE");
    }
    int status = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& path = args[i];
        struct stat info
        {};
        int code = 0;
        std::string text = "0";
        if (stat(path.c_str(), &info) != 0) {
            code = errno;
        } else if (S_ISDIR(info.st_mode)) {
            code = EISDIR;
        } else if (!S_ISREG(info.st_mode) || info.st_size != 0) {
            CCrc32 crc32;
            crc32.BuildTable();
            std::uint32_t crc = 0;
            code = static_cast<int>(crc32.FileCrc(path, crc));
            crc32.FreeTable();
            text = CCrc32::CrcText(crc);
        }
        if (code != 0) {
            m_err << "zezodictl: cannot read " << path << ": " << ErrorText(code) << "\n";
            status = kExitFailure;
            continue;
        }
        m_out << text << "  " << path << "\n";
    }
    return status;
}

int CCtlCommands::CatalogueShow(const std::vector<std::string>& args)
{
    if (args.size() != 3 || args[1] != "show") {
        return BadArguments("catalogue needs show FILE");
    }
    const std::string path = CPlatform::IniPath(args[2]);
    if (access(path.c_str(), R_OK) != 0) {
        const int code = errno;
        m_err << "zezodictl: cannot read " << path << ": " << ErrorText(code) << "\n";
        return kExitFailure;
    }
    const CCatalogueReader reader{args[2]};
    if (reader.TooLarge()) {
        m_err << "zezodictl: " << path << " is larger than "
              << CProfileFile::kMaxBytes / (1024 * 1024) << " MB: not read as a catalogue\n";
        return kExitFailure;
    }
    CCataloguePrinter{reader, m_out}.Print();
    return 0;
}

int CCtlCommands::Prepare(const std::vector<std::string>& args)
{
    bool showFiles = false;
    bool wait = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--files" && !showFiles) {
            showFiles = true;
        } else if (args[i] == "--wait" && !wait) {
            wait = true;
        } else {
            return BadArguments("prepare takes only --files and --wait");
        }
    }
    CRoleClaim claim{true, m_err};
    if (!claim.Take("zezodictl prepare", WhenHeld(wait))) {
        return claim.RefusedStatus();
    }
    return CCtlPrepare{m_out, m_err, showFiles, m_terminal}.Run() == 1 ? 0 : kExitFailure;
}

int CCtlCommands::Sync(const std::vector<std::string>& args)
{
    bool force = false;
    bool dryRun = false;
    bool wait = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--force" && !force) {
            force = true;
        } else if (args[i] == "--dry-run" && !dryRun) {
            dryRun = true;
        } else if (args[i] == "--wait" && !wait) {
            wait = true;
        } else {
            return BadArguments("sync takes only --force, --dry-run and --wait");
        }
    }
    CCtlSync sync{m_out, m_err, m_terminal};
    if (dryRun) {
        // A dry run works on copies and changes nothing here: no claim of the role.
        return sync.DryRun(force);
    }
    CRoleClaim claim{false, m_err};
    if (!claim.Take("zezodictl sync", WhenHeld(wait))) {
        return claim.RefusedStatus();
    }
    return sync.Run(force);
}

int CCtlCommands::Send(const std::vector<std::string>& args)
{
    if (args.size() != 3 || (args[1] != "start-sync" && args[1] != "set-time")) {
        return BadArguments("send needs start-sync ADDRESS or set-time ADDRESS");
    }
    CCtlSend send{m_out, m_err};
    return args[1] == "start-sync" ? send.StartSync(args[2]) : send.SetTime(args[2]);
}

int CCtlCommands::ListenResults(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        return BadArguments("listen-results takes no arguments");
    }
    return CCtlSend{m_out, m_err}.ListenResults();
}

int CCtlCommands::Serve(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        return BadArguments("serve takes no arguments");
    }
    return CCtlServe{m_out, m_err, m_terminal}.Run();
}

int CCtlCommands::Key(const std::vector<std::string>& args)
{
    const bool withFile = args.size() == 4 && args[2] == "--file";
    if ((args.size() != 2 && !withFile) || (args[1] != "generate" && args[1] != "show")) {
        return BadArguments("key needs generate or show, and optionally --file PATH");
    }
    CCtlKey key{m_out, m_err};
    const std::string path = withFile ? args[3] : std::string{};
    return args[1] == "generate" ? key.Generate(path) : key.Show(path);
}

int CCtlCommands::Status(const std::vector<std::string>& args)
{
    const bool json = args.size() == 2 && args[1] == "--json";
    if (args.size() > 2 || (args.size() == 2 && !json)) {
        return BadArguments("status takes only --json");
    }
    return CCtlStatus{m_out, json}.Run();
}

int CCtlCommands::BadArguments(const std::string& problem)
{
    m_err << "zezodictl: " << problem << "\n\n";
    Usage(m_err);
    return kExitUsage;
}

void CCtlCommands::Usage(std::ostream& to)
{
    to << "Usage: zezodictl COMMAND ARGUMENTS\n"
          "\n"
          "  ini get FILE SECTION KEY [DEFAULT] [--size N]\n"
          "      Print the value as the program reads it: at most N - 1 characters are kept\n"
          "      (N is 512 unless given); DEFAULT (empty unless given) when it is absent.\n"
          "  ini get-int FILE SECTION KEY DEFAULT\n"
          "      Print the integer value as the program reads it.\n"
          "  ini set FILE SECTION KEY VALUE\n"
          "      Write the value, creating file, section and key as needed.\n"
          "  crc FILE...\n"
          "      Print for each file its CRC-32 as the catalogue holds it, two blanks and the\n"
          "      name (\"0\" for an empty file).\n"
          "  catalogue show FILE\n"
          "      List what a secondary reads from a sync catalogue: the version stamp, then\n"
          "      every section in the order of a synchronisation run, sub-sections depth\n"
          "      first, each entry with its checksum and flags.\n"
          "  prepare [--files] [--wait]\n"
          "      Settle the primary's keys of zezodi.ini as its start does, then prepare the\n"
          "      synchronisation data once as \"Synchronize now\" does: publish the files into\n"
          "      the web directory and replace the sync catalogue. Prints each report line\n"
          "      with its time, and with --files each file row; messages go to stderr.\n"
          "      Exit status 1 when any file could not be published.\n"
          "  sync [--force] [--dry-run] [--wait]\n"
          "      Settle the secondary's keys of zezodi.ini as its start does, then synchronise\n"
          "      once as \"Synchronize now\" does: fetch the primary's catalogue, download and\n"
          "      apply every file that differs or is missing. Prints each report line with its\n"
          "      time and each local-file row (\"file\" and its eight columns, tab-separated).\n"
          "      Without --force a catalogue that was already applied is not applied again.\n"
          "      Exit status 3 when skipped for that reason, 1 when the catalogue could not be\n"
          "      fetched or any file failed. With --dry-run nothing changes, zezodi.ini and\n"
          "      the log included: the catalogue and each differing file are fetched into a\n"
          "      temporary directory, and each file is listed with what a run would do\n"
          "      (download, replace, keep aside, leave), tab-separated from its local path.\n"
          "\n"
          "      prepare, sync (not --dry-run) and serve change an installation: each holds its\n"
          "      role's lock, ROLE.lock beside zezodi.ini (zezodi-primary or zezodi-secondary),\n"
          "      as the window does. While another program holds it they are refused with exit\n"
          "      status 75; with --wait prepare and sync wait for it instead.\n"
          "  send start-sync ADDRESS\n"
          "  send set-time ADDRESS\n"
          "      Tell the secondary at ADDRESS to synchronise now, or set its clock to this\n"
          "      machine's UTC time, as the primary does: one exchange at Port of zezodi.ini\n"
          "      with this machine's name (and PrimaryIPAddress). Prints the report line;\n"
          "      exit status 1 when the secondary did not acknowledge, or acknowledged a\n"
          "      set-time that it could not apply.\n"
          "  listen-results\n"
          "      Print, each with its time, the synchronisation results that secondaries\n"
          "      report at Port2 of zezodi.ini, until interrupted (SIGINT or SIGTERM).\n"
          "  serve\n"
          "      Run the role of IsPrimary in zezodi.ini until SIGTERM or SIGINT, as its\n"
          "      window does, without a display: the timer (PrimIntervalInHours or\n"
          "      IntervalInMin), the listener (Port2 or Port) and the primary's requests. Prints\n"
          "      each report line led by ok, error or notice; the notice that the role is\n"
          "      served comes once its port is bound. A port that cannot be bound gives an\n"
          "      error line while the listener keeps trying. SIGHUP re-reads zezodi.ini.\n"
          "      Lines to the journal are led by its priority: <3> error, <5> notice, <6> the\n"
          "      rest. Under systemd it sends READY=1, RELOADING=1 and STOPPING=1 (sd_notify).\n"
          "      Exit status 75 when the role already runs on this machine, 1 when it cannot\n"
          "      work.\n"
          "  status [--json]\n"
          "      Tell whether the role holds the primary's data, as a monitoring check. The\n"
          "      primary prints one row per secondary from its last report (in-sync, behind,\n"
          "      failed, silent, never-heard); a secondary its own last run. A summary line\n"
          "      with performance data comes first. Exit status 0 OK, 1 WARNING (behind, never\n"
          "      heard, last run older than twice the interval), 2 CRITICAL (failed, silent),\n"
          "      3 UNKNOWN (no configuration, no log directory, nothing recorded). With --json\n"
          "      the same as one JSON object.\n"
          "  key generate [--file PATH]\n"
          "      Make the primary's Ed25519 signing key (PATH, else SigningKeyFile of\n"
          "      zezodi.ini, else zezodi.key in the Windows directory), readable by its owner\n"
          "      only; an existing key is never overwritten. Every preparation then signs the\n"
          "      catalogue (zezodi.txt.sig) and gives each entry its SHA-256.\n"
          "  key show [--file PATH]\n"
          "      Print the public key as one line, for PrimaryPublicKey of the secondaries.\n"
          "  --help\n"
          "      Show this text.\n"
          "\n"
          "FILE of ini and catalogue: a name without '/' is looked up in the Windows directory\n"
          "($ZEZODI_WINDIR, else /etc/orvenda) as the program does; a name holding a '/' (for\n"
          "example ./zezodi.txt) is used as given. FILE of crc is always a path. Arguments are\n"
          "taken literally.\n"
          "\n"
          "prepare and sync show a progress line on stderr (files done, bytes); serve does on a\n"
          "terminal. SIGINT, SIGTERM or SIGHUP stop prepare and sync after the file in progress\n"
          "(exit status 1): a stopped preparation publishes nothing, a stopped synchronisation\n"
          "is not recorded as applied.\n"
          "\n"
          "Exit status: 0 done, 1 a failure, 2 bad arguments, 3 sync skipped (already applied),\n"
          "75 the role's lock is held by another program; status exits as told above.\n";
}
