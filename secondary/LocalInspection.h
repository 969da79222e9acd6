#pragma once

#include "secondary/SyncPlan.h"

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

// The local side of a run's plan: for every entry of every walked section, the local file it
// concerns, its checksum and whether it is to be fetched; read before anything is
// downloaded, so that all the files the run needs can be fetched together, and read again
// for a section whose directory an earlier section of the run changed.
class CLocalInspection
{
public:
    static constexpr std::size_t kNotAhead = static_cast<std::size_t>(-1);

    struct SLocal
    {
        std::string localName;
        bool found = false;
        struct stat info
        {};
        // The local copy's checksum text; only for a regular file of an accepted entry.
        std::string crc;
        bool fetch = false;
        // Where the run's batch fetch put the file; empty when it did not bring it. Its
        // place among the files made ready ahead of the walk, if it is one of them.
        std::string staged;
        std::size_t stagedIndex = kNotAhead;
    };

    struct SSection
    {
        std::vector<SLocal> entries;
        // The section's directory as it was when it was read: absent, or which one it was.
        bool existed = false;
        dev_t device = 0;
        ino_t inode = 0;
    };

    // Reads every walked section of the plan, the local copies shared among the cores, until
    // the stop request (when set) says true. Unless `preview`, the temporaries that ended runs
    // left in each directory go first.
    CLocalInspection(const std::vector<CSyncPlan::SSection>& plan, bool preview,
                     const std::function<bool()>& stopRequested);

    std::vector<SSection>& Sections() { return m_sections; }

    // Before section s is walked: reads it again when its directory appeared, is another one
    // now, or was written by an earlier section of this run, keeping what the batch brought.
    // True when the directory exists.
    bool Revisit(std::size_t s);

    // After section s was walked and files were written into its directory.
    void MarkWritten(std::size_t s);

private:
    static SLocal InspectEntry(const std::string& directory, const CSyncPlan::SEntry& work);

    const std::vector<CSyncPlan::SSection>& m_plan;
    std::vector<SSection> m_sections;
    // The directories written to, as device and inode.
    std::set<std::pair<dev_t, ino_t>> m_written;
};
