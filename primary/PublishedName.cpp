#include "primary/PublishedName.h"

#include "core/Crc32.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kKilobyte = 1024;
constexpr std::size_t kExtensionLength = 3;

} // namespace

bool CPublishedName::IsControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool CPublishedName::HasControlCharacter(std::string_view name)
{
    return std::any_of(name.begin(), name.end(), IsControl);
}

bool CPublishedName::CatalogueCanCarry(std::string_view name)
{
    if (name.empty() || HasControlCharacter(name)) {
        return false;
    }
    if (name.front() == ' ' || name.back() == ' ' || name.back() == '.') {
        return false;
    }
    if (name.size() >= 2 && (name.front() == '\'' || name.front() == '"') &&
        name.back() == name.front()) {
        return false;
    }
    return name.find_first_of("<>:\"/\\|?*") == std::string_view::npos;
}

std::string CPublishedName::Printable(std::string_view text)
{
    std::string shown{text};
    std::replace_if(shown.begin(), shown.end(), IsControl, '?');
    return shown;
}

std::string CPublishedName::Extension(const std::string& lowerName)
{
    std::size_t start = lowerName.size();
    for (std::size_t count = 0; count < kExtensionLength && start > 0; ++count) {
        --start;
        while (start > 0 && (static_cast<unsigned char>(lowerName[start]) & 0xC0) == 0x80) {
            --start;
        }
    }
    return lowerName.substr(start);
}

std::uint64_t CPublishedName::SizeInKb(std::uint64_t size)
{
    if (size > 0 && size < kKilobyte) {
        return 1;
    }
    return size / kKilobyte;
}

bool CPublishedName::SourceCrc(const CCrc32& crc32, const std::string& path, std::uint64_t size,
                               std::string& crcText)
{
    if (size == 0) {
        crcText.assign(1, '0');
        return true;
    }
    std::uint32_t crc = 0;
    const std::uint32_t status = crc32.FileCrc(path, crc);
    crcText = CCrc32::CrcText(crc);
    return status == 0;
}
