#include "secondary/LastRunFile.h"

#include "core/Platform.h"
#include "core/PrintableText.h"
#include "core/ProfileFile.h"

#include <charconv>
#include <utility>

namespace {

template <typename T> void ReadNumber(std::string_view text, T& value)
{
    T read{};
    const auto* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, read);
    if (error == std::errc{} && next == end) {
        value = read;
    }
}

} // namespace

CLastRunFile::CLastRunFile(std::string path) : m_path{std::move(path)} {}

std::string CLastRunFile::PathIn(std::string_view logDir)
{
    return logDir.empty() ? std::string{} : CPlatform::JoinPath(logDir, kFileName);
}

bool CLastRunFile::Save(const SRunOutcome& outcome, std::int64_t nextRun) const
{
    if (m_path.empty()) {
        return false;
    }
    const std::string bytes = "finished=" + std::to_string(outcome.finished) +
                              "\ncode=" + std::to_string(outcome.code) +
                              "\nstamp=" + CPrintableText::Escape(outcome.stamp) +
                              "\nidentical=" + std::to_string(outcome.identical) +
                              "\nsynchronised=" + std::to_string(outcome.synchronised) +
                              "\nfailed=" + std::to_string(outcome.failed) +
                              "\nbytes=" + std::to_string(outcome.bytesFetched) +
                              "\nduration_ms=" + std::to_string(outcome.durationMs) +
                              "\nnext=" + std::to_string(nextRun) + "\n";
    return CProfileFile::Replace(m_path, bytes);
}

bool CLastRunFile::Load(SRunOutcome& outcome, std::int64_t& nextRun) const
{
    std::string bytes;
    CProfileFile::SStamp stamp;
    if (m_path.empty() ||
        CProfileFile::Load(m_path, bytes, stamp) != CProfileFile::EResult::Present) {
        return false;
    }
    SRunOutcome read;
    std::int64_t next = 0;
    bool any = false;
    std::string_view rest{bytes};
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == "finished") {
            ReadNumber(value, read.finished);
            any = read.finished > 0;
        } else if (key == "code") {
            ReadNumber(value, read.code);
        } else if (key == "stamp") {
            read.stamp = value;
        } else if (key == "identical") {
            ReadNumber(value, read.identical);
        } else if (key == "synchronised") {
            ReadNumber(value, read.synchronised);
        } else if (key == "failed") {
            ReadNumber(value, read.failed);
        } else if (key == "bytes") {
            ReadNumber(value, read.bytesFetched);
        } else if (key == "duration_ms") {
            ReadNumber(value, read.durationMs);
        } else if (key == "next") {
            ReadNumber(value, next);
        }
    }
    if (!any) {
        return false;
    }
    outcome = std::move(read);
    nextRun = next;
    return true;
}
