#include "secondary/SyncNames.h"

#include "core/CatalogueNames.h"

#include <charconv>

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsUnreservedUrlCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string PercentEncode(std::string_view part)
{
    std::string encoded;
    for (const char c : part) {
        if (IsUnreservedUrlCharacter(c)) {
            encoded.push_back(c);
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        encoded.push_back('%');
        encoded.push_back(kHex[byte >> 4]);
        encoded.push_back(kHex[byte & 0x0F]);
    }
    return encoded;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Start of the last `count` characters of a UTF-8 name (fewer when the name is shorter).
std::size_t LastCharacters(std::string_view name, std::size_t count)
{
    std::size_t pos = name.size();
    for (std::size_t i = 0; i < count && pos > 0; ++i) {
        --pos;
        while (pos > 0 && (static_cast<unsigned char>(name[pos]) & 0xC0) == 0x80) {
            --pos;
        }
    }
    return pos;
}

// The value of one hexadecimal digit, -1 for any other character.
int HexValue(char c)
{
    int value = -1;
    std::from_chars(&c, &c + 1, value, 16);
    return value;
}

} // namespace

bool CSyncNames::IsSafeFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':') {
        return false;
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || IsSeparator(c)) {
            return false;
        }
    }
    return true;
}

std::string CSyncNames::FileUrl(std::string_view webPath, std::string_view section,
                                std::string_view name)
{
    // Windows peers turn every backslash of the command into '/', the web path's included.
    std::string url = CCatalogueNames::SectionPath(webPath);
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < section.size() && !IsSeparator(section[end])) {
            ++end;
        }
        url += '/';
        url += PercentEncode(section.substr(start, end - start));
        if (end == section.size()) {
            break;
        }
        start = end + 1;
    }
    url += '/';
    url += PercentEncode(name);
    return url;
}

std::string CSyncNames::SavedName(std::string_view name)
{
    std::string saved;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const int high = name[i] == '%' && i + 2 < name.size() ? HexValue(name[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(name[i + 2]) : -1;
        if (low < 0) {
            saved.push_back(name[i]);
            continue;
        }
        const int byte = high * 16 + low;
        i += 2;
        if (byte < 0x20 || byte == 0x7F || byte == '/') {
            saved.push_back('%');
            saved.push_back(kHex[byte >> 4]);
            saved.push_back(kHex[byte & 0x0F]);
        } else {
            saved.push_back(static_cast<char>(byte));
        }
    }
    return saved;
}

std::string CSyncNames::NumberedVersionName(std::string_view name, int number)
{
    const char digits[] = {static_cast<char>('0' + number / 10 % 10),
                           static_cast<char>('0' + number % 10)};
    return std::string(name.substr(0, LastCharacters(name, 2))) + std::string(digits, 2);
}

std::string CSyncNames::ChildName(std::string_view parent, std::string_view sub)
{
    if (sub.size() <= parent.size() + 1 || sub[parent.size()] != '\\' ||
        CCatalogueNames::Lower(sub.substr(0, parent.size())) != CCatalogueNames::Lower(parent)) {
        return {};
    }
    const std::string_view child = sub.substr(parent.size() + 1);
    return IsSafeFileName(child) ? std::string(child) : std::string();
}

std::string CSyncNames::Extension(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    return std::string(name.substr(dot));
}
