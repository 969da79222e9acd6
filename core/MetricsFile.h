#pragma once

#include "core/RunOutcome.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The role's state in the Prometheus text exposition format, for node_exporter's textfile
// collector: every metric family with its # HELP and # TYPE, its samples below. The file named
// by [Config] ZezodiMetricsFile (none when empty) is replaced whole after every run, report and
// preparation, so the collector never reads half of it, and is left readable by everyone.
class CMetricsFile
{
public:
    using Labels = std::vector<std::pair<std::string, std::string>>;

    // What the primary tells of each secondary, judged as `zezodictl status` judges it.
    struct SClient
    {
        std::string name;
        std::string address;
        std::string state; // "in-sync", "behind", "failed", "silent" or "never-heard"
        bool heard = false;
        std::int64_t lastReport = 0; // seconds since the epoch, when heard
        int code = 0;
    };

    // The primary's last preparation, as far as the service saw one.
    struct SPreparation
    {
        std::int64_t finished = 0;
        bool succeeded = false;
        std::int64_t durationMs = 0;
    };

    // A gauge sample; the family's help and type come with its first sample.
    void Gauge(std::string_view name, std::string_view help, std::string value, Labels labels = {});

    // The secondary's last run (and when its timer runs next, 0 when not known).
    void AddRun(const SRunOutcome& run, std::int64_t nextRun);
    // The primary's secondaries, and the stamp of the catalogue it publishes now.
    void AddClients(const std::vector<SClient>& clients, std::string_view catalogueStamp);
    void AddPreparation(const SPreparation& preparation);

    // The whole file, each family once, in the order of their first sample.
    std::string Text() const;

    // Replaces the file at path with Text(), mode 0644. False when it could not be written.
    bool WriteTo(const std::string& path) const;

    // Writes the file that [Config] ZezodiMetricsFile names; nothing when it names none. A
    // file that cannot be written is told in the log of logDir. False only then.
    bool Publish(std::string_view logDir) const;

    static std::string ConfiguredPath();

    // A label value as the format quotes it: backslash, double quote and line feed escaped.
    static std::string EscapeLabelValue(std::string_view value);

    // Milliseconds as seconds with three decimals ("1.234").
    static std::string Seconds(std::int64_t milliseconds);

private:
    struct SFamily
    {
        std::string name;
        std::string help;
        std::vector<std::string> samples;
    };

    std::vector<SFamily> m_families;
};
