#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

// File operations with the Windows behaviour the synchronisation relies on: wildcard searches
// that ignore letter case and list names in one order on every machine, name lookups that
// find a file whatever its case, and copies that keep the source's last-write time.
class CFileOps
{
public:
    // Names of the regular files in dir (symbolic links followed) that match the Windows
    // wildcard pattern, in CompareNames order. Empty when dir does not exist.
    static std::vector<std::string> FindFiles(std::string_view dir, std::string_view pattern);

    // Names of the subdirectories of dir (symbolic links followed), in CompareNames order.
    static std::vector<std::string> FindDirectories(std::string_view dir);

    // '*' matches any run of characters, '?' exactly one; ASCII letters match whatever their
    // case. A pattern ending in ".*" also matches names without that dot ("*.*" matches every
    // name, "jxtini.*" matches "jxtini").
    static bool WildcardMatch(std::string_view pattern, std::string_view name);

    // The order of listings: byte-wise on the ASCII-lower-cased names, ties by the names'
    // own bytes. True when a sorts before b.
    static bool CompareNames(std::string_view a, std::string_view b);

    // The name under which dir holds name, whatever its letter case; the exact spelling wins
    // when several exist. Empty when there is none.
    static std::string FindNameNoCase(std::string_view dir, std::string_view name);

    // When a copy reaches the disk: before it takes dst's name, or later, when the caller
    // flushes many copies at once (FlushFileSystem); the write to disk begins at once.
    enum class EFlush
    {
        BeforeRename,
        Later
    };

    // Copies content, last-write time and permission bits. The copy is written beside dst and
    // renamed over it, so dst is never seen half-written. 0 or the errno of the failing step.
    static int CopyFileKeepTime(std::string_view src, std::string_view dst,
                                EFlush flush = EFlush::BeforeRename);

    // The first half of CopyFileKeepTime: a complete copy (durable unless flush is Later) in a
    // new temporary file in dst's directory, named in `temporary`; dst itself is not touched.
    // A source that is not a regular file (a FIFO, a device, a directory) is refused without
    // being read.
    static int CopyBeside(std::string_view src, std::string_view dst, std::string& temporary,
                          EFlush flush = EFlush::BeforeRename);

    // Writes everything waiting for the disk of the file system holding path. 0 or the errno.
    static int FlushFileSystem(std::string_view path);

    // Like CopyBeside, but moves src itself (made durable first) to the temporary name beside
    // dst; only within one file system. 0 or the errno, and src is then where it was.
    static int MoveBeside(std::string_view src, std::string_view dst, std::string& temporary);

    // Makes dst a second name of src's file (symbolic links followed), replacing dst at once:
    // the content, times and mode are src's without being copied. 0 or the errno, also where
    // the file system has no such names; dst is then as it was.
    static int LinkReplacing(std::string_view src, std::string_view dst);

    // Gives path the permission bits of `like` and, where this process may, its owner and
    // group. 0 or the errno of setting the permission bits.
    static int TakeAttributes(std::string_view path, const struct stat& like);

    // The name of a directory for this process's passing files; RemoveStaleTemporaries
    // recognises it as the temporaries beside a copy's target.
    static std::string WorkDirectoryName();

    // Removes from dir the temporary files and work directories (exactly the names that
    // CopyBeside and WorkDirectoryName give) of processes that have ended, as a run killed in
    // the middle leaves them; those of running processes and every other name stay.
    static void RemoveStaleTemporaries(std::string_view dir);

    // True when path itself (not followed) is a regular file with no other name: what an
    // outside program left there is then a file of its own and nothing it points into.
    static bool IsSoleRegularFile(std::string_view path);

    // Removes path without following it: a symbolic link goes, not its target; a directory
    // goes with everything in it.
    static void RemoveNotFollowing(std::string_view path);

    // True when the file system holding path has less room left than a download needs to go
    // on (kLowSpace): after a write failed there, it failed for lack of space.
    static bool OutOfSpace(std::string_view path);
    static constexpr unsigned long long kLowSpace = 1024 * 1024;

    // True when the file system holding path has room for `bytes` more and kLowSpace besides.
    static bool HasRoom(std::string_view path, unsigned long long bytes);

    static bool Exists(std::string_view path);
    static bool IsDirectory(std::string_view path);
    static bool IsRegularFile(std::string_view path);

    // True when both paths exist and name the same file or directory (symbolic links
    // followed), however they are spelt.
    static bool SameFile(std::string_view a, std::string_view b);

    // Creates the last level of path only. 0 or the errno (EEXIST when it is already there).
    static int CreateDirectory(std::string_view path);
};
