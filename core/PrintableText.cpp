#include "core/PrintableText.h"

namespace {

constexpr unsigned char kDelete = 0x7f;
constexpr unsigned char kFirstPrintable = 0x20;

bool IsContinuation(unsigned char c)
{
    return (c & 0xc0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of text that is not a control
// character; 0 when there is none.
std::size_t PrintableSequence(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text.front());
    if (lead < 0x80) {
        return lead >= kFirstPrintable && lead != kDelete ? 1 : 0;
    }
    std::size_t length = 0;
    unsigned int low = 0x80;
    unsigned int high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        // No overlong forms and no UTF-16 surrogates.
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    const auto second = static_cast<unsigned char>(text[1]);
    if (second < low || second > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[i]))) {
            return 0;
        }
    }
    // U+0080 to U+009F are the C1 controls.
    if (lead == 0xc2 && second <= 0x9f) {
        return 0;
    }
    return length;
}

} // namespace

std::string CPrintableText::Escape(std::string_view text, std::size_t maxLength)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string result;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t length = PrintableSequence(text.substr(position));
        std::string unit;
        if (length > 0) {
            unit = text.substr(position, length);
            position += length;
        } else {
            const auto byte = static_cast<unsigned char>(text[position]);
            unit = {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
            ++position;
        }
        if (result.size() + unit.size() > maxLength) {
            break;
        }
        result += unit;
    }
    return result;
}
