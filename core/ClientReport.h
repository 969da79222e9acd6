#pragma once

#include "core/RunOutcome.h"

#include <string>

// A sync_result as the primary accepted it from a known client. A Windows secondary sends only
// its name and code; a Linux one adds the stamp it applied and its counters (`detailed`).
struct SClientReport
{
    std::string address; // the peer address the report came from
    std::string name;    // the name the secondary sent, printable
    bool detailed = false;
    // finished: when the primary received the report; code as read (1 success, else failure);
    // the stamp and the counters only when detailed.
    SRunOutcome outcome;
};
