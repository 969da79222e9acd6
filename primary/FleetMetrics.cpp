#include "primary/FleetMetrics.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/Platform.h"
#include "primary/ClientRegistry.h"
#include "primary/FleetStateFile.h"
#include "primary/FleetStatus.h"

#include <ctime>

void CFleetMetrics::PreparationDone(const CMetricsFile::SPreparation& preparation,
                                    const std::string& logDir)
{
    const std::lock_guard lock{m_mutex};
    m_preparation = preparation;
    Publish(logDir);
}

void CFleetMetrics::ReportRecorded(const std::string& logDir)
{
    const std::lock_guard lock{m_mutex};
    Publish(logDir);
}

void CFleetMetrics::Publish(const std::string& logDir)
{
    // Off: the state file and the catalogue are not even read.
    if (!CMetricsFile::ConfiguredPath().empty()) {
        Judge(logDir, m_preparation).Publish(logDir);
    }
}

CMetricsFile CFleetMetrics::Judge(const std::string& logDir,
                                  const std::optional<CMetricsFile::SPreparation>& preparation)
{
    const std::string stamp = PublishedStamp();
    const auto rows = CFleetStatus::Judge(
        CClientRegistry::Read(), CFleetStateFile{CFleetStateFile::PathIn(logDir)}.Load(), stamp,
        std::time(nullptr), CFleetStatus::SilentAfterSeconds());
    std::vector<CMetricsFile::SClient> clients;
    clients.reserve(rows.size());
    for (const auto& row : rows) {
        clients.push_back({row.name, row.address, CFleetStatus::Keyword(row.state), row.heard,
                           row.last.outcome.finished, row.last.outcome.code});
    }
    CMetricsFile metrics;
    metrics.AddClients(clients, stamp);
    if (preparation) {
        metrics.AddPreparation(*preparation);
    }
    return metrics;
}

std::string CFleetMetrics::PublishedStamp()
{
    const std::string webDir = CConfigFile::ReadWholeText(ConfigKeys::kCopyToWebPath);
    return webDir.empty() ? std::string{}
                          : CFleetStatus::CurrentStamp(
                                CPlatform::JoinPath(webDir, ConfigKeys::kCatalogueFile));
}
