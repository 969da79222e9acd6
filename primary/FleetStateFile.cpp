#include "primary/FleetStateFile.h"

#include "core/Platform.h"
#include "core/PrintableText.h"
#include "core/ProfileFile.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

constexpr std::string_view kHeader =
    "# address\tname\treceived\tcode\tdetailed\tstamp\tidentical\tsynchronised\tfailed\n";
constexpr std::size_t kFields = 9;
constexpr char kTab = '\t';

template <typename T> bool ReadNumber(std::string_view text, T& value)
{
    const auto* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, value);
    return error == std::errc{} && next == end;
}

// Tabs and line ends never reach a field: names are made printable and the rest is ours.
std::string Field(std::string_view text)
{
    return CPrintableText::Escape(text);
}

} // namespace

CFleetStateFile::CFleetStateFile(std::string path) : m_path{std::move(path)} {}

std::string CFleetStateFile::PathIn(std::string_view logDir)
{
    return logDir.empty() ? std::string{} : CPlatform::JoinPath(logDir, kFileName);
}

std::string CFleetStateFile::FormatLine(const SClientReport& report)
{
    const SRunOutcome& outcome = report.outcome;
    std::string line = Field(report.address);
    for (const std::string& field :
         {Field(report.name), std::to_string(outcome.finished), std::to_string(outcome.code),
          std::string{report.detailed ? "1" : "0"}, Field(outcome.stamp),
          std::to_string(outcome.identical), std::to_string(outcome.synchronised),
          std::to_string(outcome.failed)}) {
        line += kTab;
        line += field;
    }
    return line;
}

bool CFleetStateFile::ParseLine(std::string_view line, SClientReport& report)
{
    std::vector<std::string_view> fields;
    while (fields.size() < kFields) {
        const auto tab = line.find(kTab);
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            break;
        }
        line.remove_prefix(tab + 1);
    }
    if (fields.size() != kFields || fields[0].empty()) {
        return false;
    }
    SClientReport read;
    read.address = fields[0];
    read.name = fields[1];
    read.outcome.stamp = fields[5];
    int detailed = 0;
    if (!ReadNumber(fields[2], read.outcome.finished) ||
        !ReadNumber(fields[3], read.outcome.code) || !ReadNumber(fields[4], detailed) ||
        !ReadNumber(fields[6], read.outcome.identical) ||
        !ReadNumber(fields[7], read.outcome.synchronised) ||
        !ReadNumber(fields[8], read.outcome.failed)) {
        return false;
    }
    read.detailed = detailed != 0;
    report = std::move(read);
    return true;
}

std::vector<SClientReport> CFleetStateFile::Load() const
{
    std::vector<SClientReport> records;
    std::string bytes;
    CProfileFile::SStamp stamp;
    if (m_path.empty() ||
        CProfileFile::Load(m_path, bytes, stamp) != CProfileFile::EResult::Present) {
        return records;
    }
    std::string_view rest{bytes};
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        SClientReport report;
        if (!line.starts_with('#') && ParseLine(line, report)) {
            records.push_back(std::move(report));
        }
    }
    return records;
}

bool CFleetStateFile::Record(const SClientReport& report) const
{
    if (m_path.empty()) {
        return false;
    }
    // Only the listener of the one process that holds the role writes, but a second writer
    // (a test, a stray tool) must not make either lose a record.
    const int lock = CProfileFile::Lock(m_path);
    std::vector<SClientReport> records = Load();
    std::erase_if(records, [&](const SClientReport& old) { return old.address == report.address; });
    if (records.size() >= kMaxRecords) {
        std::ranges::sort(records, {}, [](const SClientReport& r) { return r.outcome.finished; });
        records.erase(records.begin(), records.end() - (kMaxRecords - 1));
    }
    records.push_back(report);
    std::string bytes{kHeader};
    for (const SClientReport& record : records) {
        bytes += FormatLine(record);
        bytes += '\n';
    }
    const bool written = CProfileFile::Replace(m_path, bytes);
    if (lock >= 0) {
        CProfileFile::Unlock(lock);
    }
    return written;
}
