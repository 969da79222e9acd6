#pragma once

#include "core/ClientReport.h"
#include "primary/ClientRegistry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Whether every secondary holds the primary's data, judged from the last report of each: the
// rows of the primary window's fleet table and of `zezodictl status`.
class CFleetStatus
{
public:
    // A heard client is Silent when its last report is older than the limit, else Failed when
    // that report was not a success, else Behind when it names another stamp than the
    // published catalogue's, else InSync.
    enum class EState
    {
        InSync,
        Behind,
        Silent,
        Failed,
        NeverHeard
    };

    struct SRow
    {
        std::string name;     // as [SecondaryServers] lists it, else as the secondary sent it
        std::string location; // empty for a client not listed
        std::string address;
        EState state = EState::NeverHeard;
        bool heard = false;
        SClientReport last; // valid when heard
    };

    static constexpr std::int64_t kDefaultSilentSeconds = 2 * 60 * 60;

    // One row per listed client, in the list's order, then one per report from an address the
    // list does not hold. A report belongs to the client with its address, else to a client
    // of its name without a report of its own.
    static std::vector<SRow> Judge(const std::vector<CClientRegistry::CClient>& clients,
                                   const std::vector<SClientReport>& reports,
                                   std::string_view currentStamp, std::int64_t now,
                                   std::int64_t silentAfterSeconds);

    static EState StateOf(const SClientReport& report, std::string_view currentStamp,
                          std::int64_t now, std::int64_t silentAfterSeconds);

    // SilentAfterSec (for trials and tests), else SilentAfterMinutes of zezodi.ini, else twice
    // IntervalInMin, else two hours.
    static std::int64_t SilentAfterSeconds();

    // The version stamp of the published catalogue ([Setup] LastSync), empty when there is
    // none.
    static std::string CurrentStamp(const std::string& cataloguePath);

    // A fixed English word for scripts and logs: "in-sync", "behind", "silent", "failed",
    // "never-heard".
    static const char* Keyword(EState state);
};
