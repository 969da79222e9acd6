#pragma once

#include "core/RunOutcome.h"

#include <cstdint>
#include <string>
#include <string_view>

// The secondary's own last run, kept in the log directory for `zezodictl status` and the
// metrics: "key=value" lines, replaced whole after every run (written beside the file and
// renamed over it), so a reader sees the last run or the one before, never half of one.
class CLastRunFile
{
public:
    static constexpr std::string_view kFileName = "zezodi-lastrun.txt";

    explicit CLastRunFile(std::string path);

    // The file in a log directory; empty when there is no log directory.
    static std::string PathIn(std::string_view logDir);

    const std::string& Path() const { return m_path; }

    // nextRun: when the role's timer runs next, seconds since the epoch; 0 when not known.
    bool Save(const SRunOutcome& outcome, std::int64_t nextRun) const;

    // False when there is no file or it holds no run; unknown keys are skipped.
    bool Load(SRunOutcome& outcome, std::int64_t& nextRun) const;

private:
    std::string m_path;
};
