#pragma once

#include <cstdint>
#include <string>

// What one synchronisation run of a secondary ended with: what it reports to its primary after
// the name and the code of sync_result, and what `zezodictl status` and the metrics show of the
// last run.
struct SRunOutcome
{
    std::int64_t finished = 0; // seconds since the epoch
    int code = 0;              // 1 or -1, as sync_result carries it
    // LastPrimSync after the run: the stamp of the catalogue the secondary holds; empty when
    // it has never applied one.
    std::string stamp;
    int identical = 0;
    int synchronised = 0;
    int failed = 0;
    std::uint64_t bytesFetched = 0;
    std::int64_t durationMs = 0;
};
