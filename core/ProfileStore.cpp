#include "core/ProfileStore.h"

#include "core/Platform.h"
#include "core/ProfileDocument.h"
#include "core/ProfileFile.h"

#include <mutex>
#include <unordered_map>

namespace {

// Every access checks the file on disk; its parsed form is reused only while the file's
// identity, size and times are unchanged, so a hand edit counts at the next read.
struct SCached
{
    CProfileFile::SStamp stamp;
    CProfileDocument document;
};

// A process touches a handful of INI files; past this many, the oldest copies are not worth
// their memory.
constexpr std::size_t kMaxCachedFiles = 64;

std::mutex g_mutex;
std::unordered_map<std::string, SCached> g_cache;

// Points document at the file's current content, parsed, or at nothing when the file is absent
// or unreadable. Called with g_mutex held.
CProfileFile::EResult Current(const std::string& path, const CProfileDocument*& document)
{
    document = nullptr;
    CProfileFile::SStamp now;
    const auto state = CProfileFile::Stat(path, now);
    const auto it = g_cache.find(path);
    if (state == CProfileFile::EResult::Present && it != g_cache.end() &&
        it->second.stamp.settled && it->second.stamp.SameFile(now)) {
        document = &it->second.document;
        return state;
    }
    if (it != g_cache.end()) {
        g_cache.erase(it);
    }
    if (state != CProfileFile::EResult::Present) {
        return state;
    }
    std::string bytes;
    CProfileFile::SStamp stamp;
    const auto loaded = CProfileFile::Load(path, bytes, stamp);
    if (loaded != CProfileFile::EResult::Present) {
        return loaded;
    }
    if (g_cache.size() >= kMaxCachedFiles) {
        g_cache.clear();
    }
    SCached& entry = g_cache[path];
    entry.stamp = stamp;
    entry.document = CProfileDocument(std::move(bytes));
    document = &entry.document;
    return loaded;
}

struct SFileLock
{
    explicit SFileLock(int lockFd) : fd{lockFd} {}
    ~SFileLock() { CProfileFile::Unlock(fd); }
    SFileLock(const SFileLock&) = delete;
    SFileLock& operator=(const SFileLock&) = delete;
    int fd;
};

} // namespace

std::string CProfileStore::ReadText(std::string_view section, std::string_view key,
                                    std::string_view defaultText, std::size_t size,
                                    std::string_view file)
{
    const std::string path = CPlatform::IniPath(file);
    const std::lock_guard lock(g_mutex);
    const CProfileDocument* document = nullptr;
    Current(path, document);
    static const CProfileDocument empty;
    return (document != nullptr ? *document : empty).ReadText(section, key, defaultText, size);
}

int CProfileStore::ReadInt(std::string_view section, std::string_view key, int defaultValue,
                           std::string_view file)
{
    const std::string path = CPlatform::IniPath(file);
    const std::lock_guard lock(g_mutex);
    const CProfileDocument* document = nullptr;
    Current(path, document);
    return document != nullptr ? document->ReadInt(section, key, defaultValue) : defaultValue;
}

bool CProfileStore::WriteText(std::string_view section, std::string_view key,
                              std::string_view value, std::string_view file)
{
    const std::string path = CPlatform::IniPath(file);
    // Another process may replace the file between this read and the replace: without the
    // lock its write would be lost. It is taken first, so that readers of this process never
    // wait for another process's write.
    const SFileLock fileLock{CProfileFile::Lock(path)};
    if (fileLock.fd < 0) {
        return false;
    }
    const std::lock_guard lock(g_mutex);
    const CProfileDocument* current = nullptr;
    // An existing file that cannot be read must not be replaced by one holding a single key.
    if (Current(path, current) == CProfileFile::EResult::Failed) {
        return false;
    }
    // The replaced file is a new one; its copy is taken from disk at the next access.
    CProfileDocument document;
    if (const auto it = g_cache.find(path); it != g_cache.end()) {
        document = std::move(it->second.document);
        g_cache.erase(it);
    }
    return document.WriteText(section, key, value) &&
           CProfileFile::Replace(path, document.Serialise());
}
