#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <sys/types.h>

// An INI file on disk: read whole together with the stamp that tells whether it has changed
// since, and replaced whole by writing beside it and renaming over it, so that a process that
// dies mid-write leaves either the old or the new file, never a truncated one.
class CProfileFile
{
public:
    struct SStamp
    {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        // False when the file changed within the clock tick of the read: a later change in the
        // same tick could keep every field above, so such a read must not be reused.
        bool settled = false;

        bool SameFile(const SStamp& other) const;
    };

    enum class EResult
    {
        Present,
        Absent,
        Failed
    };

    // The largest file read: a catalogue comes from the network, and its parsed form costs a
    // small multiple of its size.
    static constexpr off_t kMaxBytes = 64 * 1024 * 1024;

    // The stamp of the file as it is now (settled left false).
    static EResult Stat(const std::string& path, SStamp& stamp);

    // The whole content and its stamp. Absent when the file or its directory does not exist;
    // Failed when it exists but cannot be read as a regular file, or is larger than kMaxBytes.
    static EResult Load(const std::string& path, std::string& bytes, SStamp& stamp);

    // Writes bytes to a new file beside path (the target of a symbolic link), flushes it to
    // disk, gives it the old file's permission bits and renames it over the file. False, with
    // the file untouched and no temporary left behind, when any step fails.
    static bool Replace(const std::string& path, std::string_view bytes);

    // Waits for the advisory lock that every writer of path holds around its read, change and
    // replace, so that two processes writing one file lose nothing. The lock lives on a file
    // beside it (beside the target of a symbolic link); readers never take it, since a replace
    // is one rename. The descriptor to hand to Unlock, or -1 when the lock file cannot be
    // opened.
    static int Lock(const std::string& path);
    static void Unlock(int fd);
};
