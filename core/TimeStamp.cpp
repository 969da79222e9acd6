#include "core/TimeStamp.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string CTimeStamp::Format(std::time_t seconds)
{
    const auto value = seconds < 0 ? 0ULL : static_cast<unsigned long long>(seconds);
    char text[24];
    std::snprintf(text, sizeof text, "%08llX", value);
    return text;
}

std::time_t CTimeStamp::Parse(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    const std::string_view prefix = text.substr(pos, 2);
    if ((prefix == "0x" || prefix == "0X") && pos + 2 < text.size() &&
        HexDigitValue(text[pos + 2]) >= 0) {
        pos += 2;
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::time_t>::max());
    std::uint64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = HexDigitValue(text[pos]);
        if (digit < 0) {
            break;
        }
        if (value > (kMax - static_cast<std::uint64_t>(digit)) / 16) {
            return 0;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return static_cast<std::time_t>(value);
}

std::string CTimeStamp::Display(std::string_view text)
{
    // A value without a hexadecimal number names no time at all, not 1 January 1970.
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos ||
        !std::isxdigit(static_cast<unsigned char>(text[first]))) {
        return {};
    }
    const std::time_t seconds = Parse(text);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return {};
    }
    char display[64];
    std::snprintf(display, sizeof display, "%02d.%02d.%d %02d:%02d ", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min);
    return display;
}

std::string CTimeStamp::ListDate(std::time_t seconds)
{
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return {};
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d.%02d.%02d %02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return text;
}
