#include "tools/JsonText.h"

#include <array>

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at the start of text, 0 when there is none.
std::size_t Utf8Length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto follows = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF) {
        return follows(1) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms, no surrogates.
        const bool second = text.size() > 1 && (lead != 0xE0 || byte(1) >= 0xA0) &&
                            (lead != 0xED || byte(1) < 0xA0);
        return second && follows(1) && follows(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const bool second = text.size() > 1 && (lead != 0xF0 || byte(1) >= 0x90) &&
                            (lead != 0xF4 || byte(1) < 0x90);
        return second && follows(1) && follows(2) && follows(3) ? 4 : 0;
    }
    return 0;
}

} // namespace

std::string CJsonText::Quote(std::string_view text)
{
    static constexpr std::array<char, 16> kHex{'0', '1', '2', '3', '4', '5', '6', '7',
                                               '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    std::string quoted{"\""};
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        std::size_t used = 1;
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            quoted += "\\u00";
            quoted += kHex[c >> 4];
            quoted += kHex[c & 0x0F];
        } else if (c < 0x80) {
            quoted += static_cast<char>(c);
        } else if (const std::size_t length = Utf8Length(text); length > 0) {
            quoted += text.substr(0, length);
            used = length;
        } else {
            quoted += kReplacement;
        }
        text.remove_prefix(used);
    }
    quoted += '"';
    return quoted;
}
