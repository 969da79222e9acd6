#pragma once

#include "core/MetricsFile.h"

#include <mutex>
#include <optional>
#include <string>

// The primary's metrics file: every secondary judged from the fleet state file as `zezodictl
// status` judges it, and the last preparation this process ran. Written after each preparation
// (on the role's thread) and after each recorded report (on the listener's thread), so one lock
// keeps the two writers apart.
class CFleetMetrics
{
public:
    void PreparationDone(const CMetricsFile::SPreparation& preparation, const std::string& logDir);
    void ReportRecorded(const std::string& logDir);

    // The file's content for the secondaries of zezodi.ini and the reports in logDir.
    static CMetricsFile Judge(const std::string& logDir,
                              const std::optional<CMetricsFile::SPreparation>& preparation);

    // The stamp of the catalogue that CopyToWebPath of zezodi.ini holds; empty when none.
    static std::string PublishedStamp();

private:
    void Publish(const std::string& logDir);

    std::mutex m_mutex;
    std::optional<CMetricsFile::SPreparation> m_preparation;
};
