#include "primary/FleetStatus.h"

#include "core/CatalogueSections.h"
#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"
#include "core/ProtocolMessages.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

constexpr std::int64_t kSecondsPerMinute = 60;
// A stamp is at most 8 hex digits.
constexpr std::size_t kStampBuffer = 16;

bool SameName(std::string_view a, std::string_view b)
{
    // Computer names compare without regard to ASCII letter case.
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

} // namespace

CFleetStatus::EState CFleetStatus::StateOf(const SClientReport& report,
                                           std::string_view currentStamp, std::int64_t now,
                                           std::int64_t silentAfterSeconds)
{
    if (now - report.outcome.finished > silentAfterSeconds) {
        return EState::Silent;
    }
    if (report.outcome.code != CProtocolMessages::kSyncSucceeded) {
        return EState::Failed;
    }
    // A Windows secondary names no stamp: its success is all that is known.
    if (report.detailed && !currentStamp.empty() && report.outcome.stamp != currentStamp) {
        return EState::Behind;
    }
    return EState::InSync;
}

std::vector<CFleetStatus::SRow>
CFleetStatus::Judge(const std::vector<CClientRegistry::CClient>& clients,
                    const std::vector<SClientReport>& reports, std::string_view currentStamp,
                    std::int64_t now, std::int64_t silentAfterSeconds)
{
    std::vector<SRow> rows;
    rows.reserve(clients.size());
    for (const auto& client : clients) {
        SRow row;
        row.name = client.name;
        row.location = client.location;
        row.address = client.ip;
        rows.push_back(std::move(row));
    }
    std::vector<const SClientReport*> unmatched;
    for (const SClientReport& report : reports) {
        auto row = std::ranges::find_if(
            rows, [&](const SRow& r) { return !r.heard && r.address == report.address; });
        if (row == rows.end()) {
            unmatched.push_back(&report);
            continue;
        }
        row->heard = true;
        row->last = report;
    }
    for (const SClientReport* report : unmatched) {
        auto row = std::ranges::find_if(rows, [&](const SRow& r) {
            return !r.heard && r.address != report->address && SameName(r.name, report->name) &&
                   std::ranges::none_of(reports, [&](const SClientReport& other) {
                       return other.address == r.address;
                   });
        });
        if (row == rows.end()) {
            SRow stranger;
            stranger.name = report->name;
            stranger.address = report->address;
            rows.push_back(std::move(stranger));
            row = rows.end() - 1;
        }
        row->heard = true;
        row->last = *report;
    }
    for (SRow& row : rows) {
        row.state = row.heard ? StateOf(row.last, currentStamp, now, silentAfterSeconds)
                              : EState::NeverHeard;
    }
    return rows;
}

std::int64_t CFleetStatus::SilentAfterSeconds()
{
    const int seconds = CConfigFile::ReadInt(ConfigKeys::kSilentAfterSec, 0);
    if (seconds > 0) {
        return seconds;
    }
    const int minutes = CConfigFile::ReadInt(ConfigKeys::kSilentAfterMinutes, 0);
    if (minutes > 0) {
        return minutes * kSecondsPerMinute;
    }
    const int interval = CConfigFile::ReadInt(ConfigKeys::kIntervalInMin, 0);
    return interval > 0 ? 2 * interval * kSecondsPerMinute : kDefaultSilentSeconds;
}

std::string CFleetStatus::CurrentStamp(const std::string& cataloguePath)
{
    return CProfileStore::ReadText(CatalogueSections::kSetup, ConfigKeys::kLastSync, "",
                                   kStampBuffer, cataloguePath);
}

const char* CFleetStatus::Keyword(EState state)
{
    switch (state) {
    case EState::InSync:
        return "in-sync";
    case EState::Behind:
        return "behind";
    case EState::Silent:
        return "silent";
    case EState::Failed:
        return "failed";
    case EState::NeverHeard:
        break;
    }
    return "never-heard";
}
