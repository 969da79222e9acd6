#include "tools/CtlStatus.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/PrintableText.h"
#include "core/ProfileStore.h"
#include "core/ProtocolMessages.h"
#include "core/TimeStamp.h"
#include "primary/ClientRegistry.h"
#include "primary/FleetMetrics.h"
#include "primary/FleetStateFile.h"
#include "primary/FleetStatus.h"
#include "secondary/LastRunFile.h"
#include "tools/JsonText.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace Keys = ConfigKeys;

namespace {

constexpr std::int64_t kSecondsPerMinute = 60;
constexpr int kMillisecondsPerSecond = 1000;
constexpr const char* kNone = "-";

using State = CFleetStatus::EState;
constexpr std::array kStates{State::InSync, State::Behind, State::Failed, State::Silent,
                             State::NeverHeard};
// The performance data's labels, in the order of kStates.
constexpr std::array kLabels{"in_sync", "behind", "failed", "silent", "never"};

std::string LocalTime(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&time, &local);
    std::array<char, 32> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S", &local);
    return {text.data(), length};
}

// A stamp with the time it stands for, "6571A3F0 (09.12.2026 16:50)".
std::string StampText(const std::string& stamp)
{
    if (stamp.empty()) {
        return kNone;
    }
    const std::string shown = CTimeStamp::Display(stamp);
    return shown.empty() ? stamp
                         : stamp + " (" + shown.substr(0, shown.find_last_not_of(' ') + 1) + ")";
}

std::string JsonTime(std::int64_t seconds)
{
    return seconds > 0 ? std::to_string(seconds) : "null";
}

// Performance data per the monitoring plugins: label=value[UOM];warn;crit;min;max.
std::string Perf(const char* label, const std::string& value, const std::string& warn,
                 const std::string& crit, const std::string& min, const std::string& max = {})
{
    std::string text =
        std::string{label} + "=" + value + ";" + warn + ";" + crit + ";" + min + ";" + max;
    text.erase(text.find_last_not_of(';') + 1);
    return text;
}

void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& lines)
{
    std::vector<std::size_t> widths;
    for (const auto& line : lines) {
        widths.resize(std::max(widths.size(), line.size()));
        for (std::size_t i = 0; i < line.size(); ++i) {
            widths[i] = std::max(widths[i], line[i].size());
        }
    }
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            text += line[i];
            if (i + 1 < line.size()) {
                text += std::string(widths[i] - line[i].size() + 2, ' ');
            }
        }
        out << text << "\n";
    }
}

} // namespace

CCtlStatus::CCtlStatus(std::ostream& out, bool json) : m_out{out}, m_json{json} {}

const char* CCtlStatus::StatusWord(int status)
{
    switch (status) {
    case kOk:
        return "OK";
    case kWarning:
        return "WARNING";
    case kCritical:
        return "CRITICAL";
    default:
        return "UNKNOWN";
    }
}

int CCtlStatus::Run()
{
    const std::string iniPath = CPlatform::IniPath(Keys::kIniFile);
    if (access(iniPath.c_str(), R_OK) != 0) {
        return Unknown(nullptr, "no configuration: cannot read " + iniPath);
    }
    const bool primary = CProfileStore::ReadInt(Keys::kConfig, Keys::kIsPrimary,
                                                Keys::kIsPrimaryDefault, Keys::kIniFile) == 1;
    const char* role = primary ? "primary" : "secondary";
    const std::string logDir = CEventLog::LogDirectory(CPlatform::InstallDirectory());
    if (!CFileOps::IsDirectory(logDir)) {
        return Unknown(role, "no log directory " + logDir);
    }
    const std::int64_t now = std::time(nullptr);
    return primary ? Primary(logDir, now) : Secondary(logDir, now);
}

int CCtlStatus::Primary(const std::string& logDir, std::int64_t now)
{
    const CFleetStateFile stateFile{CFleetStateFile::PathIn(logDir)};
    if (access(stateFile.Path().c_str(), F_OK) == 0 &&
        access(stateFile.Path().c_str(), R_OK) != 0) {
        return Unknown("primary", "cannot read " + stateFile.Path());
    }
    const std::string stamp = CFleetMetrics::PublishedStamp();
    const auto rows = CFleetStatus::Judge(CClientRegistry::Read(), stateFile.Load(), stamp, now,
                                          CFleetStatus::SilentAfterSeconds());
    if (rows.empty()) {
        return Unknown("primary", "no secondary is listed in [SecondaryServers] or has reported");
    }
    std::array<int, kStates.size()> counts{};
    for (const auto& row : rows) {
        ++counts[static_cast<std::size_t>(std::ranges::find(kStates, row.state) - kStates.begin())];
    }
    const auto count = [&](State state) {
        return counts[static_cast<std::size_t>(std::ranges::find(kStates, state) -
                                               kStates.begin())];
    };
    int status = kOk;
    if (count(State::Failed) > 0 || count(State::Silent) > 0) {
        status = kCritical;
    } else if (count(State::Behind) > 0 || count(State::NeverHeard) > 0) {
        status = kWarning;
    }
    std::string text = std::to_string(count(State::InSync)) + " of " + std::to_string(rows.size()) +
                       " secondaries in sync";
    std::string perfdata;
    const std::string all = std::to_string(rows.size());
    for (std::size_t i = 0; i < kStates.size(); ++i) {
        const State state = kStates[i];
        if (state != State::InSync && counts[i] > 0) {
            text += ", " + std::to_string(counts[i]) + " " + CFleetStatus::Keyword(state);
        }
        // Any behind or never heard warns, any failed or silent is critical.
        const bool warns = state == State::Behind || state == State::NeverHeard;
        const bool critical = state == State::Failed || state == State::Silent;
        perfdata +=
            std::string{i == 0 ? "" : " "} + Perf(kLabels[i], std::to_string(counts[i]),
                                                  warns ? "0" : "", critical ? "0" : "", "0", all);
    }
    if (m_json) {
        m_out << "{\"role\":\"primary\",\"status\":" << status
              << ",\"status_text\":" << CJsonText::Quote(StatusWord(status))
              << ",\"summary\":" << CJsonText::Quote(text)
              << ",\"catalogue_stamp\":" << CJsonText::Quote(stamp) << ",\"counts\":{";
        for (std::size_t i = 0; i < kStates.size(); ++i) {
            m_out << (i == 0 ? "" : ",") << CJsonText::Quote(kLabels[i]) << ":" << counts[i];
        }
        m_out << "},\"secondaries\":[";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& row = rows[i];
            const SRunOutcome& last = row.last.outcome;
            m_out << (i == 0 ? "" : ",")
                  << "{\"state\":" << CJsonText::Quote(CFleetStatus::Keyword(row.state))
                  << ",\"name\":" << CJsonText::Quote(row.name)
                  << ",\"location\":" << CJsonText::Quote(row.location)
                  << ",\"address\":" << CJsonText::Quote(row.address)
                  << ",\"last_report\":" << (row.heard ? JsonTime(last.finished) : "null");
            if (row.heard) {
                m_out << ",\"reported_from\":" << CJsonText::Quote(row.last.address)
                      << ",\"code\":" << last.code;
            }
            if (row.heard && row.last.detailed) {
                m_out << ",\"stamp\":" << CJsonText::Quote(last.stamp)
                      << ",\"identical\":" << last.identical
                      << ",\"synchronised\":" << last.synchronised << ",\"failed\":" << last.failed;
            }
            m_out << "}";
        }
        m_out << "]}\n";
        return status;
    }
    Summary(status, text, perfdata);
    m_out << "catalogue " << StampText(stamp) << "\n";
    std::vector<std::vector<std::string>> lines{{"STATE", "NAME", "LOCATION", "ADDRESS",
                                                 "LAST REPORT", "STAMP", "IDENTICAL",
                                                 "SYNCHRONISED", "FAILED"}};
    for (const auto& row : rows) {
        const SRunOutcome& last = row.last.outcome;
        const bool detailed = row.heard && row.last.detailed;
        const auto number = [&](int value) { return detailed ? std::to_string(value) : kNone; };
        lines.push_back({CFleetStatus::Keyword(row.state), CPrintableText::Escape(row.name),
                         row.location.empty() ? kNone : CPrintableText::Escape(row.location),
                         row.address.empty() ? kNone : row.address,
                         row.heard ? LocalTime(last.finished) : kNone,
                         detailed && !last.stamp.empty() ? last.stamp : kNone,
                         number(last.identical), number(last.synchronised), number(last.failed)});
    }
    PrintTable(m_out, lines);
    return status;
}

int CCtlStatus::Secondary(const std::string& logDir, std::int64_t now)
{
    const CLastRunFile file{CLastRunFile::PathIn(logDir)};
    SRunOutcome run;
    std::int64_t next = 0;
    if (!file.Load(run, next)) {
        return Unknown("secondary", "no run recorded in " + file.Path());
    }
    const std::int64_t interval = IntervalSeconds();
    const std::int64_t age = std::max<std::int64_t>(0, now - run.finished);
    const bool succeeded = run.code == CProtocolMessages::kSyncSucceeded;
    int status = kOk;
    std::string text = "last run succeeded at " + LocalTime(run.finished);
    if (!succeeded) {
        status = kCritical;
        text = "last run failed at " + LocalTime(run.finished);
    } else if (age > 2 * interval) {
        status = kWarning;
        text = "last run at " + LocalTime(run.finished) + " is older than twice the interval (" +
               std::to_string(interval) + " s)";
    }
    const std::string duration =
        std::to_string(run.durationMs / kMillisecondsPerSecond) + "." +
        std::string{std::to_string(1000 + run.durationMs % 1000)}.substr(1);
    const std::string perfdata =
        Perf("age", std::to_string(age) + "s", std::to_string(2 * interval), "", "0") + " " +
        Perf("duration", duration + "s", "", "", "0") + " " +
        Perf("identical", std::to_string(run.identical), "", "", "0") + " " +
        Perf("synchronised", std::to_string(run.synchronised), "", "", "0") + " " +
        Perf("failed", std::to_string(run.failed), "", "", "0") + " " +
        Perf("fetched", std::to_string(run.bytesFetched) + "B", "", "", "0");
    if (m_json) {
        m_out << "{\"role\":\"secondary\",\"status\":" << status
              << ",\"status_text\":" << CJsonText::Quote(StatusWord(status))
              << ",\"summary\":" << CJsonText::Quote(text) << ",\"interval_seconds\":" << interval
              << ",\"last_run\":{\"finished\":" << run.finished << ",\"code\":" << run.code
              << ",\"success\":" << (succeeded ? "true" : "false")
              << ",\"stamp\":" << CJsonText::Quote(run.stamp) << ",\"identical\":" << run.identical
              << ",\"synchronised\":" << run.synchronised << ",\"failed\":" << run.failed
              << ",\"bytes_fetched\":" << run.bytesFetched << ",\"duration_ms\":" << run.durationMs
              << ",\"next_run\":" << JsonTime(next) << "}}\n";
        return status;
    }
    Summary(status, text, perfdata);
    PrintTable(m_out, {{"last run", LocalTime(run.finished)},
                       {"result", std::string{succeeded ? "succeeded" : "failed"} + " (" +
                                      std::to_string(run.code) + ")"},
                       {"stamp applied", StampText(CPrintableText::Escape(run.stamp))},
                       {"identical", std::to_string(run.identical)},
                       {"synchronised", std::to_string(run.synchronised)},
                       {"failed", std::to_string(run.failed)},
                       {"fetched", std::to_string(run.bytesFetched) + " bytes"},
                       {"duration", duration + " s"},
                       {"next run", next > 0 ? LocalTime(next) : kNone}});
    return status;
}

int CCtlStatus::Unknown(const char* role, const std::string& reason)
{
    if (m_json) {
        m_out << "{\"role\":" << (role == nullptr ? "null" : CJsonText::Quote(role))
              << ",\"status\":" << kUnknown
              << ",\"status_text\":\"UNKNOWN\",\"summary\":" << CJsonText::Quote(reason) << "}\n";
    } else {
        Summary(kUnknown, reason, {});
    }
    return kUnknown;
}

void CCtlStatus::Summary(int status, const std::string& text, const std::string& perfdata)
{
    // A '|' in the text would start the performance data for the monitoring system.
    std::string shown = CPrintableText::Escape(text);
    std::ranges::replace(shown, '|', '/');
    m_out << "ZEZODI " << StatusWord(status) << " - " << shown;
    if (!perfdata.empty()) {
        m_out << " | " << perfdata;
    }
    m_out << "\n";
}

std::int64_t CCtlStatus::IntervalSeconds()
{
    const int seconds = CConfigFile::ReadInt(Keys::kTimerIntervalInSec, 0);
    if (seconds > 0) {
        return seconds;
    }
    const int minutes = CConfigFile::ReadInt(Keys::kIntervalInMin, Keys::kIntervalInMinDefault);
    return (minutes > 0 ? minutes : Keys::kIntervalInMinDefault) * kSecondsPerMinute;
}
