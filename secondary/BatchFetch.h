#pragma once

#include "secondary/LocalInspection.h"
#include "secondary/SecondarySettings.h"
#include "secondary/StagedFiles.h"
#include "secondary/SyncPlan.h"

#include <functional>
#include <vector>

// Fetches every file a run needs at once, before the walk applies them one by one: one or two
// wget processes, each with a list of addresses and a staging area of its own in the run's
// work directory. A file it cannot vouch for is left to be fetched alone at its turn; out of
// room, or stopped, it keeps nothing, so that a run never needs more room than one file.
class CBatchFetch
{
public:
    // Both are read at every call; the stop request is asked while the wget processes run.
    CBatchFetch(const SSecondarySettings& settings, const std::function<bool()>& stopRequested);

    // Notes in `states` where each file it brought lies (SLocal::staged).
    void Fetch(const std::vector<CSyncPlan::SSection>& plan,
               std::vector<CLocalInspection::SSection>& states) const;

    // The files the batch brought, in the order of the walk, for CStagedFiles; notes each
    // one's place among them (SLocal::stagedIndex).
    std::vector<CStagedFiles::SFile>
    StagedFiles(const std::vector<CSyncPlan::SSection>& plan,
                std::vector<CLocalInspection::SSection>& states) const;

private:
    const SSecondarySettings& m_settings;
    const std::function<bool()>& m_stopRequested;
};
