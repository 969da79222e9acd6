#include "secondary/LocalInspection.h"

#include "core/FileOps.h"
#include "core/Platform.h"
#include "secondary/FileChecksum.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace {

// Below this many entries the run's thread reads the local copies alone.
constexpr std::size_t kEntriesForHelpers = 16;

} // namespace

CLocalInspection::CLocalInspection(const std::vector<CSyncPlan::SSection>& plan, bool preview,
                                   const std::function<bool()>& stopRequested)
    : m_plan{plan}, m_sections(plan.size())
{
    std::vector<std::pair<std::size_t, std::size_t>> items;
    for (std::size_t s = 0; s < plan.size(); ++s) {
        const CSyncPlan::SSection& work = plan[s];
        if (work.kind != CSyncPlan::EWork::Walk) {
            continue;
        }
        if (!preview) {
            CFileOps::RemoveStaleTemporaries(work.directory);
        }
        struct stat info
        {};
        m_sections[s].existed = stat(work.directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        m_sections[s].device = info.st_dev;
        m_sections[s].inode = info.st_ino;
        m_sections[s].entries.resize(work.entries.size());
        for (std::size_t i = 0; i < work.entries.size(); ++i) {
            items.emplace_back(s, i);
        }
    }
    // Reading the local copies takes most of a run that changes little; it is shared among
    // the cores.
    // Only this thread asks the stop request; the helpers follow it.
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopped{false};
    const auto inspect = [&](bool asks) {
        for (std::size_t at = next++; at < items.size() && !stopped; at = next++) {
            const auto [s, i] = items[at];
            m_sections[s].entries[i] = InspectEntry(plan[s].directory, plan[s].entries[i]);
            if (asks && stopRequested && stopRequested()) {
                stopped = true;
            }
        }
    };
    const unsigned helpers = items.size() < kEntriesForHelpers
                                 ? 0
                                 : std::clamp(std::thread::hardware_concurrency(), 1u, 4u) - 1;
    std::vector<std::jthread> threads;
    for (unsigned i = 0; i < helpers; ++i) {
        threads.emplace_back(inspect, false);
    }
    inspect(true);
}

bool CLocalInspection::Revisit(std::size_t s)
{
    const CSyncPlan::SSection& work = m_plan[s];
    SSection& state = m_sections[s];
    struct stat info
    {};
    const bool exists = stat(work.directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (exists && (!state.existed || info.st_dev != state.device || info.st_ino != state.inode ||
                   m_written.count({info.st_dev, info.st_ino}) != 0)) {
        for (std::size_t i = 0; i < work.entries.size(); ++i) {
            std::string staged = std::move(state.entries[i].staged);
            const std::size_t stagedIndex = state.entries[i].stagedIndex;
            state.entries[i] = InspectEntry(work.directory, work.entries[i]);
            state.entries[i].staged = std::move(staged);
            state.entries[i].stagedIndex = stagedIndex;
        }
    }
    return exists;
}

void CLocalInspection::MarkWritten(std::size_t s)
{
    struct stat info
    {};
    if (stat(m_plan[s].directory.c_str(), &info) == 0) {
        m_written.insert({info.st_dev, info.st_ino});
    }
}

CLocalInspection::SLocal CLocalInspection::InspectEntry(const std::string& directory,
                                                        const CSyncPlan::SEntry& work)
{
    SLocal state;
    if (work.verdict != CSyncPlan::EVerdict::Accepted) {
        return state;
    }
    state.localName = CFileOps::FindNameNoCase(directory, work.entry.file);
    state.found = !state.localName.empty() &&
                  stat(CPlatform::JoinPath(directory, state.localName).c_str(), &state.info) == 0;
    if (!state.found) {
        state.fetch = true;
        return state;
    }
    // Never opened unless regular: the walk refuses the others.
    if (S_ISREG(state.info.st_mode)) {
        std::uint32_t status = 0;
        state.crc = CFileChecksum::Text(CPlatform::JoinPath(directory, state.localName), status);
        state.fetch = state.crc != work.entry.crc && work.entry.onlyNotExistent == 0;
    }
    return state;
}
