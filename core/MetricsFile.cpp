#include "core/MetricsFile.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/ProfileFile.h"
#include "core/ProtocolMessages.h"
#include "core/TimeStamp.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <sys/stat.h>

namespace {

constexpr mode_t kReadableByAll = 0644;
constexpr std::int64_t kMillisecondsPerSecond = 1000;
constexpr std::array kFleetStates{"in-sync", "behind", "failed", "silent", "never-heard"};

std::string Flag(bool value)
{
    return value ? "1" : "0";
}

// A help text as the format takes it: backslash and line feed escaped.
std::string EscapeHelp(std::string_view help)
{
    std::string escaped;
    for (const char c : help) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

void CMetricsFile::Gauge(std::string_view name, std::string_view help, std::string value,
                         Labels labels)
{
    auto family =
        std::ranges::find_if(m_families, [&](const SFamily& f) { return f.name == name; });
    if (family == m_families.end()) {
        m_families.push_back({std::string{name}, std::string{help}, {}});
        family = m_families.end() - 1;
    }
    std::string sample{name};
    if (!labels.empty()) {
        sample += '{';
        for (std::size_t i = 0; i < labels.size(); ++i) {
            sample += (i == 0 ? "" : ",") + labels[i].first + "=\"" +
                      EscapeLabelValue(labels[i].second) + "\"";
        }
        sample += '}';
    }
    family->samples.push_back(sample + " " + value);
}

void CMetricsFile::AddRun(const SRunOutcome& run, std::int64_t nextRun)
{
    Gauge("zezodi_last_run_timestamp_seconds", "When the last synchronisation run ended.",
          std::to_string(run.finished));
    Gauge("zezodi_last_run_success", "1 when the last synchronisation run succeeded, else 0.",
          Flag(run.code == CProtocolMessages::kSyncSucceeded));
    Gauge("zezodi_last_run_duration_seconds", "How long the last synchronisation run took.",
          Seconds(run.durationMs));
    constexpr std::string_view kFilesHelp = "Catalogue files of the last run by their outcome.";
    Gauge("zezodi_last_run_files", kFilesHelp, std::to_string(run.identical),
          {{"state", "identical"}});
    Gauge("zezodi_last_run_files", kFilesHelp, std::to_string(run.synchronised),
          {{"state", "synchronised"}});
    Gauge("zezodi_last_run_files", kFilesHelp, std::to_string(run.failed), {{"state", "failed"}});
    Gauge("zezodi_last_run_fetched_bytes", "Bytes the last synchronisation run downloaded.",
          std::to_string(run.bytesFetched));
    if (const std::time_t stamp = CTimeStamp::Parse(run.stamp); stamp > 0) {
        Gauge("zezodi_applied_catalogue_timestamp_seconds",
              "The version stamp of the last catalogue applied.", std::to_string(stamp));
    }
    if (nextRun > 0) {
        Gauge("zezodi_next_run_timestamp_seconds", "When the timer starts the next run.",
              std::to_string(nextRun));
    }
}

void CMetricsFile::AddClients(const std::vector<SClient>& clients, std::string_view catalogueStamp)
{
    if (const std::time_t stamp = CTimeStamp::Parse(catalogueStamp); stamp > 0) {
        Gauge("zezodi_catalogue_timestamp_seconds",
              "The version stamp of the catalogue published now.", std::to_string(stamp));
    }
    for (const char* state : kFleetStates) {
        const auto count = std::ranges::count_if(
            clients, [&](const SClient& client) { return client.state == state; });
        Gauge("zezodi_clients", "Secondaries by their state.", std::to_string(count),
              {{"state", state}});
    }
    for (const SClient& client : clients) {
        const Labels labels{{"client", client.name}, {"address", client.address}};
        if (client.heard) {
            Gauge("zezodi_client_last_report_timestamp_seconds",
                  "When the secondary's last synchronisation result arrived.",
                  std::to_string(client.lastReport), labels);
            Gauge("zezodi_client_last_report_code",
                  "The result code of the secondary's last report: 1 success, else failure.",
                  std::to_string(client.code), labels);
        }
        Gauge("zezodi_client_behind",
              "1 when the secondary applied an older catalogue than the one published now.",
              Flag(client.state == "behind"), labels);
    }
}

void CMetricsFile::AddPreparation(const SPreparation& preparation)
{
    Gauge("zezodi_last_preparation_timestamp_seconds", "When the last preparation ended.",
          std::to_string(preparation.finished));
    Gauge("zezodi_last_preparation_success", "1 when the last preparation succeeded, else 0.",
          Flag(preparation.succeeded));
    Gauge("zezodi_last_preparation_duration_seconds", "How long the last preparation took.",
          Seconds(preparation.durationMs));
}

std::string CMetricsFile::Text() const
{
    std::string text;
    for (const SFamily& family : m_families) {
        text += "# HELP " + family.name + " " + EscapeHelp(family.help) + "\n";
        text += "# TYPE " + family.name + " gauge\n";
        for (const std::string& sample : family.samples) {
            text += sample + "\n";
        }
    }
    return text;
}

bool CMetricsFile::WriteTo(const std::string& path) const
{
    // A new file takes the process's umask; node_exporter runs as a user of its own.
    return CProfileFile::Replace(path, Text()) && ::chmod(path.c_str(), kReadableByAll) == 0;
}

bool CMetricsFile::Publish(std::string_view logDir) const
{
    const std::string path = ConfiguredPath();
    if (path.empty() || WriteTo(path)) {
        return true;
    }
    CEventLog::WriteLog(logDir, "Cannot write the metrics file " + path);
    return false;
}

std::string CMetricsFile::ConfiguredPath()
{
    return CConfigFile::ReadWholeText(ConfigKeys::kMetricsFile);
}

std::string CMetricsFile::EscapeLabelValue(std::string_view value)
{
    std::string escaped;
    for (const char c : value) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string CMetricsFile::Seconds(std::int64_t milliseconds)
{
    const std::int64_t whole = std::abs(milliseconds);
    const std::string fraction = std::to_string(kMillisecondsPerSecond + whole % 1000).substr(1);
    return (milliseconds < 0 ? "-" : "") + std::to_string(whole / kMillisecondsPerSecond) + "." +
           fraction;
}
