#include "primary/Publication.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::string_view kGenerationsSuffix = ".generations";
// The new link is made inside the generations directory and renamed over the web directory's
// path: one step, whatever stood there.
constexpr std::string_view kSwitchName = ".switch";
constexpr std::string_view kReplacedName = ".replaced";
constexpr std::string_view kStateFile = "zezodi.state";
constexpr std::string_view kStateWorkFile = "zezodi.state.tmp";
constexpr std::string_view kStateHeader = "zezodi publication state 1";
constexpr char kFieldSeparator = '\t';
constexpr std::string_view kAbsent = "-";
constexpr std::size_t kStateFields = 7;
constexpr off_t kMaxStateBytes = 256 * 1024 * 1024;
constexpr int kMaxNameAttempts = 100;
constexpr auto kTickPause = std::chrono::milliseconds(1);
constexpr int kTickAttempts = 2000;

std::string Join(const std::string& dir, std::string_view name)
{
    return dir + '/' + std::string{name};
}

std::optional<std::pair<dev_t, ino_t>> IdentityOf(const std::string& path)
{
    struct stat info
    {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return std::make_pair(info.st_dev, info.st_ino);
}

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string{resolved} : std::string{};
}

int MakeReadableDirectory(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) != 0) {
        return errno;
    }
    CPublication::AddPermissions(path, CPublication::kListableByAll);
    return 0;
}

int SyncDirectory(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int result = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return result;
}

void RemoveTree(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> SplitFields(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t end = line.find(kFieldSeparator);; end = line.find(kFieldSeparator, start)) {
        fields.emplace_back(line.substr(start, end - start));
        if (end == std::string_view::npos) {
            return fields;
        }
        start = end + 1;
    }
}

std::string StampText(const std::optional<CPublication::SFileStamp>& stamp)
{
    if (!stamp) {
        return std::string{kAbsent};
    }
    return std::to_string(stamp->device) + ' ' + std::to_string(stamp->inode) + ' ' +
           std::to_string(stamp->size) + ' ' + std::to_string(stamp->modifiedSec) + ' ' +
           std::to_string(stamp->modifiedNsec) + ' ' + std::to_string(stamp->changedSec) + ' ' +
           std::to_string(stamp->changedNsec);
}

// False when the text is neither a whole stamp nor the mark of an absent file.
bool ParseStamp(const std::string& text, std::optional<CPublication::SFileStamp>& stamp)
{
    if (text == kAbsent) {
        stamp.reset();
        return true;
    }
    unsigned long long device = 0;
    unsigned long long inode = 0;
    unsigned long long size = 0;
    long long times[4] = {};
    int used = 0;
    if (std::sscanf(text.c_str(), "%llu %llu %llu %lld %lld %lld %lld%n", &device, &inode, &size,
                    &times[0], &times[1], &times[2], &times[3], &used) != 7 ||
        static_cast<std::size_t>(used) != text.size()) {
        return false;
    }
    stamp = CPublication::SFileStamp{device, inode, size, times[0], times[1], times[2], times[3]};
    return true;
}

bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// A local file read as the secondary reads one: never through a symbolic link, never blocked
// by a FIFO, regular files only.
bool ReadRegularFile(const std::string& path, std::string& bytes)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info
    {};
    bool read = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxStateBytes;
    if (read) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                read = got == 0;
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
    }
    close(fd);
    return read;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

CPublication::CPublication(std::string webDir) : m_webDir{std::move(webDir)}
{
    while (m_webDir.size() > 1 && m_webDir.back() == '/') {
        m_webDir.pop_back();
    }
    const std::size_t slash = m_webDir.rfind('/');
    m_parent = slash == std::string::npos ? std::string{"."}
               : slash == 0               ? std::string{"/"}
                                          : m_webDir.substr(0, slash);
    m_name = slash == std::string::npos ? m_webDir : m_webDir.substr(slash + 1);
    m_root = Join(m_parent, "." + m_name + std::string{kGenerationsSuffix});
}

int CPublication::Open()
{
    m_current.clear();
    m_build.clear();
    m_own.clear();
    m_lastState.clear();
    m_newState.clear();
    if (m_name.empty() || m_name == "." || m_name == ".." || m_name == "/") {
        return EINVAL;
    }
    struct stat info
    {};
    if (stat(m_webDir.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) {
            return ENOTDIR;
        }
        m_current = RealPath(m_webDir);
        if (m_current.empty()) {
            return errno;
        }
        m_own.emplace_back(info.st_dev, info.st_ino);
    } else if (errno != ENOENT) {
        return errno;
    }
    RemoveLeftovers();
    if (!m_current.empty()) {
        ReadState(Join(m_current, kStateFile));
    }
    return 0;
}

void CPublication::RemoveLeftovers() const
{
    DIR* dir = opendir(m_root.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> leftovers;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = Join(m_root, name);
        struct stat info
        {};
        if (lstat(path.c_str(), &info) == 0 && !m_own.empty() &&
            std::make_pair(info.st_dev, info.st_ino) == m_own.front()) {
            continue;
        }
        leftovers.push_back(path);
    }
    closedir(dir);
    for (const std::string& path : leftovers) {
        RemoveTree(path);
    }
}

int CPublication::Begin(std::string_view stamp)
{
    if (const int error = MakeReadableDirectory(m_root); error != 0 && error != EEXIST) {
        return error;
    }
    // The stamps of successive builds grow, but a current generation may carry any name.
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        std::string name{stamp};
        if (attempt > 0) {
            name += '-' + std::to_string(attempt);
        }
        const std::string path = Join(m_root, name);
        const int error = MakeReadableDirectory(path);
        if (error == EEXIST) {
            continue;
        }
        if (error != 0) {
            return error;
        }
        m_build = path;
        for (const std::string& own : {m_root, m_build}) {
            if (const auto identity = IdentityOf(own)) {
                m_own.push_back(*identity);
            }
        }
        return 0;
    }
    return EEXIST;
}

int CPublication::Switch()
{
    const std::string link = Join(m_root, kSwitchName);
    const std::string target = "." + m_name + std::string{kGenerationsSuffix} + '/' +
                               std::filesystem::path{m_build}.filename().string();
    if (unlink(link.c_str()) != 0 && errno != ENOENT) {
        return errno;
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        return errno;
    }
    // The generation a link leads to is removed once replaced; a web directory that is a
    // directory of its own is exchanged with the link, so that no instant lacks it, and is
    // then removed from where the link was.
    std::string previous;
    struct stat info
    {};
    if (lstat(m_webDir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        previous = link;
        if (renameat2(AT_FDCWD, link.c_str(), AT_FDCWD, m_webDir.c_str(), RENAME_EXCHANGE) != 0) {
            // A file system without the exchange gets the link an instant after the directory
            // has left.
            const int error = errno;
            previous = Join(m_root, kReplacedName);
            if (error != EINVAL || rename(m_webDir.c_str(), previous.c_str()) != 0) {
                unlink(link.c_str());
                return error;
            }
            if (rename(link.c_str(), m_webDir.c_str()) != 0) {
                const int renameError = errno;
                rename(previous.c_str(), m_webDir.c_str());
                unlink(link.c_str());
                return renameError;
            }
        }
    } else {
        if (rename(link.c_str(), m_webDir.c_str()) != 0) {
            const int error = errno;
            unlink(link.c_str());
            return error;
        }
        const std::string root = RealPath(m_root);
        if (!m_current.empty() && !root.empty() &&
            std::filesystem::path{m_current}.parent_path() == root) {
            previous = m_current;
        }
    }
    const int parentError = SyncDirectory(m_parent);
    const int rootError = SyncDirectory(m_root);
    if (!previous.empty()) {
        RemoveTree(previous);
    }
    m_current = m_build;
    m_build.clear();
    return parentError != 0 ? parentError : rootError;
}

void CPublication::Abandon()
{
    if (!m_build.empty()) {
        RemoveTree(m_build);
        m_build.clear();
    }
}

bool CPublication::IsOwnDirectory(std::pair<dev_t, ino_t> identity) const
{
    return std::find(m_own.begin(), m_own.end(), identity) != m_own.end();
}

const CPublication::SRecord* CPublication::Published(const std::string& key) const
{
    const auto found = m_lastState.find(key);
    return found == m_lastState.end() ? nullptr : &found->second;
}

void CPublication::Record(const std::string& key, SRecord record, std::string copyPath,
                          std::string packedPath)
{
    m_newState[key] = SNewRecord{std::move(record), std::move(copyPath), std::move(packedPath)};
}

bool CPublication::LinkUnchanged(const std::string& key, const SRecord& was,
                                 const std::string& currentCopy, const std::string& copy,
                                 const std::string& currentPacked, const std::string& packed)
{
    const auto intact = [](const std::string& path, const std::optional<SFileStamp>& recorded) {
        if (path.empty()) {
            return !recorded;
        }
        struct stat info
        {};
        return StampOf(path) == recorded && stat(path.c_str(), &info) == 0 &&
               (info.st_mode & kReadableByAll) == kReadableByAll;
    };
    if (!intact(currentCopy, was.copy) || !intact(currentPacked, was.packedCopy)) {
        return false;
    }
    if (!copy.empty() && link(currentCopy.c_str(), copy.c_str()) != 0) {
        return false;
    }
    if (!packed.empty() && link(currentPacked.c_str(), packed.c_str()) != 0) {
        if (!copy.empty()) {
            unlink(copy.c_str());
        }
        return false;
    }
    SRecord record = was;
    record.copy = copy.empty() ? std::nullopt : StampOf(copy);
    record.packedCopy = packed.empty() ? std::nullopt : StampOf(packed);
    Record(key, std::move(record), copy, packed);
    return true;
}

void CPublication::RecordWritten(const std::string& key, const SFileStamp& source,
                                 std::string crcText, std::string packer, const std::string& copy,
                                 const std::string& packed)
{
    // A name published again later in this run describes the files as that publication left
    // them; until then, or when a file cannot be described, nothing is kept of it.
    Forget(key);
    SRecord record{source, std::move(crcText), std::move(packer), {}, {}};
    if (!copy.empty()) {
        record.copy = StampOf(copy);
        if (!record.copy) {
            return;
        }
    }
    if (!packed.empty()) {
        record.packedCopy = StampOf(packed);
        if (!record.packedCopy) {
            return;
        }
    }
    Record(key, std::move(record), copy, packed);
}

bool CPublication::AddPermissions(const std::string& path, mode_t wanted)
{
    struct stat info
    {};
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    return (info.st_mode & wanted) == wanted ||
           chmod(path.c_str(), (info.st_mode & 07777) | wanted) == 0;
}

void CPublication::Forget(const std::string& key)
{
    m_newState.erase(key);
}

std::optional<CPublication::SFileStamp> CPublication::StampOf(const std::string& path)
{
    struct stat info
    {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return SFileStamp{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino),
                      static_cast<std::uint64_t>(info.st_size),
                      info.st_mtim.tv_sec,
                      info.st_mtim.tv_nsec,
                      info.st_ctim.tv_sec,
                      info.st_ctim.tv_nsec};
}

std::string CPublication::StatePath() const
{
    return Join(m_webDir, kStateFile);
}

void CPublication::ReadState(const std::string& path)
{
    std::string bytes;
    if (!ReadRegularFile(path, bytes)) {
        return;
    }
    std::string_view rest{bytes};
    const auto nextLine = [&rest](std::string_view& line) {
        if (rest.empty()) {
            return false;
        }
        const std::size_t end = rest.find('\n');
        line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        return true;
    };
    std::string_view line;
    if (!nextLine(line) || line != kStateHeader) {
        return;
    }
    while (nextLine(line)) {
        const std::vector<std::string> fields = SplitFields(line);
        if (fields.size() != kStateFields) {
            continue;
        }
        SRecord record;
        std::optional<SFileStamp> source;
        if (!ParseStamp(fields[4], source) || !source || !ParseStamp(fields[5], record.copy) ||
            !ParseStamp(fields[6], record.packedCopy)) {
            continue;
        }
        record.source = *source;
        record.packer = fields[2];
        record.crcText = fields[3];
        // A name seen twice is not trusted at all.
        const std::string key = fields[0] + kFieldSeparator + fields[1];
        if (!m_lastState.try_emplace(key, std::move(record)).second) {
            m_lastState.erase(key);
        }
    }
}

void CPublication::Restamp()
{
    const auto same = [](const SFileStamp& was, const SFileStamp& now) {
        return was.device == now.device && was.inode == now.inode && was.size == now.size &&
               was.modifiedSec == now.modifiedSec && was.modifiedNsec == now.modifiedNsec;
    };
    for (auto it = m_newState.begin(); it != m_newState.end();) {
        SNewRecord& entry = it->second;
        bool kept = true;
        for (auto [stamp, path] : {std::make_pair(&entry.record.copy, &entry.copyPath),
                                   std::make_pair(&entry.record.packedCopy, &entry.packedPath)}) {
            if (!*stamp) {
                continue;
            }
            const auto now = StampOf(*path);
            if (!now || !same(**stamp, *now)) {
                kept = false;
                break;
            }
            *stamp = now;
        }
        it = kept ? std::next(it) : m_newState.erase(it);
    }
}

std::string CPublication::StateText() const
{
    std::string text{kStateHeader};
    text += '\n';
    for (const auto& [key, entry] : m_newState) {
        const SRecord& record = entry.record;
        // A field holding a line break or tab could not be read back as it was.
        if (HasControlCharacter(record.packer) || HasControlCharacter(record.crcText)) {
            continue;
        }
        text += key + kFieldSeparator + record.packer + kFieldSeparator + record.crcText +
                kFieldSeparator + StampText(record.source) + kFieldSeparator +
                StampText(record.copy) + kFieldSeparator + StampText(record.packedCopy) + '\n';
    }
    return text;
}

bool CPublication::OutlastStamps(int fd) const
{
    // File times advance in clock ticks: a file changed later in the tick a stamp was taken
    // would keep that stamp. The state is put in place only once the tick of every recorded
    // stamp has passed, so that any change after this run shows in the stamps.
    std::pair<std::int64_t, std::int64_t> latest{0, 0};
    for (const auto& [key, entry] : m_newState) {
        const SRecord& record = entry.record;
        for (const auto& stamp :
             {std::optional<SFileStamp>{record.source}, record.copy, record.packedCopy}) {
            if (stamp) {
                latest = std::max(latest, std::make_pair(stamp->changedSec, stamp->changedNsec));
            }
        }
    }
    for (int attempt = 0; attempt < kTickAttempts; ++attempt) {
        struct stat info
        {};
        if (fstat(fd, &info) != 0) {
            return false;
        }
        if (std::make_pair(static_cast<std::int64_t>(info.st_ctim.tv_sec),
                           static_cast<std::int64_t>(info.st_ctim.tv_nsec)) > latest) {
            return true;
        }
        std::this_thread::sleep_for(kTickPause);
        if (futimens(fd, nullptr) != 0) {
            return false;
        }
    }
    return false;
}

bool CPublication::WriteState()
{
    if (m_current.empty()) {
        return false;
    }
    Restamp();
    const std::string work = Join(m_current, kStateWorkFile);
    const std::string state = Join(m_current, kStateFile);
    // Whatever stands at the working name (a link, a FIFO) is removed, never written through.
    bool written = unlink(work.c_str()) == 0 || errno == ENOENT;
    const int fd =
        written ? open(work.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644)
                : -1;
    written = fd >= 0 && WriteAll(fd, StateText()) && OutlastStamps(fd);
    if (fd >= 0 && close(fd) != 0) {
        written = false;
    }
    if (written && rename(work.c_str(), state.c_str()) == 0) {
        return true;
    }
    unlink(work.c_str());
    unlink(state.c_str());
    return false;
}
