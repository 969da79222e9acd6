#include "core/ProtocolMessages.h"

#include "core/PrintableText.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>

namespace {

constexpr char kSeparator = '\r';
constexpr std::string_view kClockNotSet = "clock not set: ";
constexpr int kSetTimeFields = 6;
constexpr int kFirstYear = 1970;
constexpr int kLastYear = 9999;
constexpr int kTmYearBase = 1900;
constexpr std::string_view kStampKey = "stamp";
constexpr std::string_view kIdenticalKey = "identical";
constexpr std::string_view kSynchronisedKey = "synchronised";
constexpr std::string_view kFailedKey = "failed";
// No stamp the system writes is longer; a longer one is not ours.
constexpr std::size_t kMaxStampLength = 64;

bool IsSeparator(char c)
{
    return c == '\r' || c == '\n';
}

bool ReadField(const std::string& token, int low, int high, int& value)
{
    const char* end = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data(), end, value);
    return !token.empty() && token.front() != '-' && ec == std::errc{} && ptr == end &&
           value >= low && value <= high;
}

} // namespace

std::string CProtocolMessages::StartSync(std::string_view ownName, std::string_view primaryAddress)
{
    std::string text{kStartSync};
    text.append(1, kSeparator).append(ownName).append(1, kSeparator).append(primaryAddress);
    return text;
}

std::string CProtocolMessages::SetTime(const std::tm& utc)
{
    std::string text{kSetTime};
    for (const int field : {utc.tm_mday, utc.tm_mon + 1, utc.tm_year + kTmYearBase, utc.tm_hour,
                            utc.tm_min, utc.tm_sec}) {
        text.append(1, kSeparator).append(std::to_string(field));
    }
    return text;
}

std::string CProtocolMessages::SyncResult(std::string_view ownName, int code,
                                          const SRunOutcome* outcome)
{
    std::string text{kSyncResult};
    text.append(1, kSeparator).append(ownName).append(1, kSeparator).append(std::to_string(code));
    if (outcome == nullptr) {
        return text;
    }
    const auto field = [&text](std::string_view key, std::string_view value) {
        text.append(1, kSeparator).append(key).append(1, '=').append(value);
    };
    if (!outcome->stamp.empty()) {
        field(kStampKey, outcome->stamp);
    }
    field(kIdenticalKey, std::to_string(outcome->identical));
    field(kSynchronisedKey, std::to_string(outcome->synchronised));
    field(kFailedKey, std::to_string(outcome->failed));
    return text;
}

bool CProtocolMessages::ParseSyncResult(const std::vector<std::string>& tokens,
                                        SClientReport& report)
{
    if (tokens.size() < 3 || tokens.front() != kSyncResult) {
        return false;
    }
    report.name = tokens[1];
    report.outcome.code = static_cast<int>(std::clamp<long long>(LeadingInteger(tokens[2]),
                                                                 std::numeric_limits<int>::min(),
                                                                 std::numeric_limits<int>::max()));
    SRunOutcome details;
    std::optional<int> identical;
    std::optional<int> synchronised;
    std::optional<int> failed;
    bool valid = true;
    for (std::size_t i = 3; i < tokens.size() && valid; ++i) {
        const std::string_view token{tokens[i]};
        const std::size_t equals = token.find('=');
        const std::string_view key = token.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : token.substr(equals + 1);
        int count = 0;
        if (key == kStampKey) {
            valid = !value.empty() && value.size() <= kMaxStampLength;
            details.stamp = value;
        } else if (key == kIdenticalKey || key == kSynchronisedKey || key == kFailedKey) {
            valid = ReadField(std::string{value}, 0, std::numeric_limits<int>::max(), count);
            (key == kIdenticalKey      ? identical
             : key == kSynchronisedKey ? synchronised
                                       : failed) = count;
        }
    }
    report.detailed = valid && identical && synchronised && failed;
    if (report.detailed) {
        report.outcome.stamp = details.stamp;
        report.outcome.identical = *identical;
        report.outcome.synchronised = *synchronised;
        report.outcome.failed = *failed;
    }
    return true;
}

std::string CProtocolMessages::Ack(std::string_view ownName)
{
    std::string text{kAck};
    text.append(1, kSeparator).append(ownName);
    return text;
}

std::string CProtocolMessages::AckClockNotSet(std::string_view ownName, std::string_view reason)
{
    std::string text = Ack(ownName);
    text.append(1, kSeparator).append(kClockNotSet).append(reason);
    // The primary reads at most kAckBufferSize - 1 bytes.
    return text.substr(0, kAckBufferSize - 1);
}

std::string CProtocolMessages::ClockNotSetReason(std::string_view reply)
{
    const std::vector<std::string> tokens = Tokenise(reply);
    if (tokens.size() < 3 || tokens.front() != kAck || !tokens[2].starts_with(kClockNotSet)) {
        return {};
    }
    const std::string reason = CPrintableText::Escape(tokens[2].substr(kClockNotSet.size()));
    return reason.empty() ? "unknown" : reason;
}

std::vector<std::string> CProtocolMessages::Tokenise(std::string_view text)
{
    std::vector<std::string> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsSeparator(text[pos])) {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < text.size() && !IsSeparator(text[pos])) {
            ++pos;
        }
        if (pos > start) {
            tokens.emplace_back(text.substr(start, pos - start));
        }
    }
    return tokens;
}

bool CProtocolMessages::IsValidAck(std::string_view reply)
{
    const std::vector<std::string> tokens = Tokenise(reply);
    return !tokens.empty() && tokens.front() == kAck;
}

bool CProtocolMessages::ParseSetTime(const std::vector<std::string>& tokens, std::tm& utc)
{
    if (tokens.size() < 1 + kSetTimeFields) {
        return false;
    }
    int day = 0;
    int month = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!ReadField(tokens[1], 1, 31, day) || !ReadField(tokens[2], 1, 12, month) ||
        !ReadField(tokens[3], kFirstYear, kLastYear, year) || !ReadField(tokens[4], 0, 23, hour) ||
        !ReadField(tokens[5], 0, 59, minute) || !ReadField(tokens[6], 0, 59, second)) {
        return false;
    }
    std::tm parsed{};
    parsed.tm_mday = day;
    parsed.tm_mon = month - 1;
    parsed.tm_year = year - kTmYearBase;
    parsed.tm_hour = hour;
    parsed.tm_min = minute;
    parsed.tm_sec = second;
    std::tm normalised = parsed;
    // A day that the month does not have (31 April) comes back as another date.
    if (timegm(&normalised) == static_cast<std::time_t>(-1) || normalised.tm_mday != day ||
        normalised.tm_mon != parsed.tm_mon) {
        return false;
    }
    utc = normalised;
    return true;
}

long long CProtocolMessages::LeadingInteger(std::string_view token)
{
    std::size_t pos = token.find_first_not_of(" \t");
    if (pos == std::string_view::npos) {
        return 0;
    }
    if (token[pos] == '+' && pos + 1 < token.size() && token[pos + 1] != '-') {
        ++pos;
    }
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(token.data() + pos, token.data() + token.size(), value);
    return ec == std::errc{} ? value : 0;
}

std::string CProtocolMessages::ForLog(const std::vector<std::string>& tokens)
{
    constexpr std::size_t kLoggedLength = 120;
    std::string text;
    for (const std::string& token : tokens) {
        if (!text.empty()) {
            text.push_back(' ');
        }
        if (text.size() >= kLoggedLength) {
            break;
        }
        text += CPrintableText::Escape(token, kLoggedLength - text.size());
    }
    return text.substr(0, kLoggedLength);
}

std::string CProtocolMessages::SyncRequest(std::string_view primaryName, std::string_view address)
{
    return std::string{primaryName} + ";" + std::string{address};
}

CProtocolMessages::SSyncRequest CProtocolMessages::SplitSyncRequest(std::string_view text)
{
    const std::size_t separator = text.rfind(';');
    if (separator == std::string_view::npos) {
        return {std::string{text}, {}};
    }
    return {std::string{text.substr(0, separator)}, std::string{text.substr(separator + 1)}};
}
