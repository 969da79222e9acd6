#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <unordered_map>
#include <utility>
#include <vector>

// The web directory as a series of generations. A preparation fills a new generation directory
// beside the current one and then makes it current in one step: the web directory's path is a
// symbolic link to the current generation, replaced by a rename. So at every instant the
// catalogue and the copies it names come from one build, and a build that is killed or fails
// leaves the current generation whole. Also holds how each entry of a generation was
// published (its zezodi.state), so that an unchanged file is linked into the next generation
// instead of being copied and packed again. Created by the builder for one run.
class CPublication
{
public:
    // What identifies one state of a file: any write, rename or attribute change alters it.
    struct SFileStamp
    {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t modifiedSec = 0;
        std::int64_t modifiedNsec = 0;
        std::int64_t changedSec = 0;
        std::int64_t changedNsec = 0;
        bool operator==(const SFileStamp&) const = default;
    };

    // How an entry was published: the source as it was read, the checksum of what was
    // written, the packer used (empty: unpacked) and the published files as written.
    struct SRecord
    {
        SFileStamp source;
        std::string crcText;
        std::string packer;
        std::optional<SFileStamp> copy;
        std::optional<SFileStamp> packedCopy;
    };

    // Everyone may read a published copy and list its directories: the web server need not run
    // as the builder's user.
    static constexpr mode_t kReadableByAll = S_IRGRP | S_IROTH;
    static constexpr mode_t kListableByAll = S_IRGRP | S_IXGRP | S_IROTH | S_IXOTH;

    explicit CPublication(std::string webDir);

    // Finds the current generation (whatever the web directory's path leads to), reads its
    // state and removes what killed or failed builds left among the generations. 0, or the
    // errno when the web directory's path cannot be used.
    int Open();

    // The directory of the current generation; empty when there is none yet.
    const std::string& CurrentDir() const { return m_current; }

    // Creates the directory of the next generation, named after stamp. 0 or the errno.
    int Begin(std::string_view stamp);

    // The directory the build fills; it becomes current with Switch.
    const std::string& BuildDir() const { return m_build; }

    // Makes the build's generation current in one step and durable, then removes the one it
    // replaces. 0 or the errno; the current generation then stays as it was.
    int Switch();

    // Removes the build's unfinished generation.
    void Abandon();

    // True for the directories of the publication itself, which no walk may enter.
    bool IsOwnDirectory(std::pair<dev_t, ino_t> identity) const;

    // How the current generation published key; nullptr when unknown.
    const SRecord* Published(const std::string& key) const;

    // When the current generation still holds the files that was describes (currentCopy and
    // currentPacked, empty where there is none), each readable by everyone, they enter the
    // build's generation as second names at copy and packed and key keeps was with their
    // stamps: nothing is copied. False when anything differs or cannot be linked.
    bool LinkUnchanged(const std::string& key, const SRecord& was, const std::string& currentCopy,
                       const std::string& copy, const std::string& currentPacked,
                       const std::string& packed);

    // Records how the build wrote key: the checksum, the packer and the stamps of copy and
    // packed (empty where there is none). A file that cannot be described leaves key out.
    void RecordWritten(const std::string& key, const SFileStamp& source, std::string crcText,
                       std::string packer, const std::string& copy, const std::string& packed);
    void Forget(const std::string& key);

    // Adds the bits of wanted that path lacks; true when path then has them all.
    static bool AddPermissions(const std::string& path, mode_t wanted);

    // Writes the state of the current generation. False when it could not be written; the
    // next build then publishes everything afresh.
    bool WriteState();

    // The stamp of a regular file (symbolic links followed).
    static std::optional<SFileStamp> StampOf(const std::string& path);

    // The state file's name in a generation, as it is shown in the log.
    std::string StatePath() const;

private:
    struct SNewRecord
    {
        SRecord record;
        std::string copyPath;
        std::string packedPath;
    };

    void Record(const std::string& key, SRecord record, std::string copyPath,
                std::string packedPath);
    void RemoveLeftovers() const;
    void ReadState(const std::string& path);
    std::string StateText() const;
    // Brings the stamps of the build's records up to date after the switch (unlinking the
    // previous generation's names changes the files' change times, nothing else).
    void Restamp();
    // Holds fd's file until its change time is later than every recorded stamp.
    bool OutlastStamps(int fd) const;

    std::string m_webDir;
    std::string m_parent;
    std::string m_name;
    std::string m_root;
    std::string m_current;
    std::string m_build;
    std::vector<std::pair<dev_t, ino_t>> m_own;
    std::unordered_map<std::string, SRecord> m_lastState;
    std::map<std::string, SNewRecord> m_newState;
};
