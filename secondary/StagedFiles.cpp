#include "secondary/StagedFiles.h"

#include "core/CommandLine.h"
#include "core/FileOps.h"
#include "core/RunAndWait.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Flushing waits for the disk: a few at once let it take them together.
constexpr unsigned kFlushThreads = 3;

constexpr std::string_view kGzipSuffix = ".gz";

void FlushFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd >= 0) {
        // Only ahead of the flush that the apply step makes itself: a failure changes nothing.
        (void)fsync(fd);
        close(fd);
    }
}

} // namespace

CStagedFiles::CStagedFiles(std::vector<SFile> files)
    : m_files{std::move(files)}, m_states(m_files.size(), EState::Waiting)
{
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        (m_files[i].archive ? m_archives : m_plain).push_back(i);
    }
    for (unsigned i = 0; i < kFlushThreads && i < m_plain.size(); ++i) {
        m_threads.emplace_back([this](const std::stop_token& stop) { Flush(stop); });
    }
    // The walk waits for an archive's content only when it comes to it: two unpack at once,
    // where the cores allow, so that archives in a row do not keep it waiting one by one.
    const unsigned unpackers = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
    for (unsigned i = 0; i < unpackers && i < m_archives.size(); ++i) {
        m_threads.emplace_back([this](const std::stop_token& stop) { Unpack(stop); });
    }
}

CStagedFiles::~CStagedFiles()
{
    for (std::jthread& thread : m_threads) {
        thread.request_stop();
    }
}

void CStagedFiles::Flush(const std::stop_token& stop)
{
    for (std::size_t at = m_nextPlain++; at < m_plain.size() && !stop.stop_requested();
         at = m_nextPlain++) {
        FlushFile(m_files[m_plain[at]].path);
    }
}

void CStagedFiles::Unpack(const std::stop_token& stop)
{
    for (std::size_t at = m_nextArchive++; at < m_archives.size(); at = m_nextArchive++) {
        if (stop.stop_requested()) {
            return;
        }
        const std::size_t index = m_archives[at];
        {
            const std::lock_guard lock{m_mutex};
            if (m_states[index] != EState::Waiting) {
                continue;
            }
            m_states[index] = EState::Unpacking;
        }
        const std::string& archive = m_files[index].path;
        bool unpacked = false;
        if (archive.size() > kGzipSuffix.size() &&
            archive.compare(archive.size() - kGzipSuffix.size(), kGzipSuffix.size(), kGzipSuffix) ==
                0) {
            // A name that is there already would be taken for the content.
            const std::string content = archive.substr(0, archive.size() - kGzipSuffix.size());
            const std::size_t slash = archive.rfind('/');
            struct stat there
            {};
            const bool free = lstat(content.c_str(), &there) != 0 && errno == ENOENT;
            unpacked =
                free &&
                RunAndWait("gzip -d " + CCommandLine::Quote(archive),
                           slash == std::string::npos ? std::string() : archive.substr(0, slash),
                           [&stop] { return stop.stop_requested(); }) == 0 &&
                CFileOps::IsSoleRegularFile(content);
            if (unpacked) {
                FlushFile(content);
            } else if (free) {
                CFileOps::RemoveNotFollowing(content);
            }
        }
        {
            const std::lock_guard lock{m_mutex};
            m_states[index] = unpacked ? EState::Unpacked : EState::Failed;
        }
        m_changed.notify_all();
    }
}

CStagedFiles::ETaken CStagedFiles::Take(std::size_t index, std::string& unpacked)
{
    std::unique_lock lock{m_mutex};
    if (index >= m_states.size()) {
        return ETaken::AsFetched;
    }
    m_changed.wait(lock, [&] { return m_states[index] != EState::Unpacking; });
    const EState state = m_states[index];
    m_states[index] = EState::Taken;
    if (state == EState::Unpacked) {
        const std::string& archive = m_files[index].path;
        unpacked = archive.substr(0, archive.size() - kGzipSuffix.size());
        return ETaken::Unpacked;
    }
    return state == EState::Failed ? ETaken::Lost : ETaken::AsFetched;
}
