#include "primary/ClientRegistry.h"

#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"

#include <algorithm>

namespace Keys = ConfigKeys;

namespace {

std::string ReadServerKey(Keys::SNumberedKey key, int number, std::size_t size)
{
    return CProfileStore::ReadText(Keys::kSecondaryServers, Keys::NumberedKey(key, number), "",
                                   size, Keys::kIniFile);
}

bool WriteServerKey(Keys::SNumberedKey key, int number, std::string_view value)
{
    return CProfileStore::WriteText(Keys::kSecondaryServers, Keys::NumberedKey(key, number), value,
                                    Keys::kIniFile);
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// The decimal number at the start of the text as the C library's atoi reads it, held to the
// range of one address field.
int AddressField(std::string_view part)
{
    std::size_t i = 0;
    while (i < part.size() && (part[i] == ' ' || part[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < part.size() && (part[i] == '-' || part[i] == '+')) {
        negative = part[i] == '-';
        ++i;
    }
    int value = 0;
    for (; i < part.size() && part[i] >= '0' && part[i] <= '9'; ++i) {
        value = std::min(value * 10 + (part[i] - '0'), 256);
    }
    return negative ? 0 : std::min(value, 255);
}

} // namespace

std::vector<CClientRegistry::CClient> CClientRegistry::Read(int maxEntries)
{
    std::vector<CClient> clients;
    for (int n = 1; n <= maxEntries; ++n) {
        CClient client = ReadEntry(n);
        if (client.name.empty()) {
            break;
        }
        clients.push_back(std::move(client));
    }
    return clients;
}

std::vector<CClientRegistry::CClient> CClientRegistry::ReadForClockSetting()
{
    std::vector<CClient> clients;
    for (int n = 1; n <= kClockSettingBound; ++n) {
        CClient client;
        client.name = ReadServerKey(Keys::kClientName, n, kMaxClockSettingText + 1);
        if (client.name.empty()) {
            break;
        }
        client.ip = ReadServerKey(Keys::kClientIP, n, kMaxClockSettingText + 1);
        clients.push_back(std::move(client));
    }
    return clients;
}

CClientRegistry::CClient CClientRegistry::ReadEntry(int number)
{
    CClient client;
    client.name = ReadServerKey(Keys::kClientName, number, kMaxName + 1);
    client.ip = ReadServerKey(Keys::kClientIP, number, kMaxAddress + 1);
    client.location = ReadServerKey(Keys::kClientLoc, number, kMaxLocation + 1);
    return client;
}

int CClientRegistry::Save(int entryNumber, const CClient& client)
{
    int target = entryNumber;
    if (target < 1) {
        target = kListBound + 1;
        for (int n = 1; n <= kListBound; ++n) {
            if (ReadServerKey(Keys::kClientName, n, kMaxName + 1).empty() &&
                ReadServerKey(Keys::kClientIP, n, kMaxAddress + 1).empty()) {
                target = n;
                break;
            }
        }
    }
    CClient cut = client;
    cut.name.resize(std::min(cut.name.size(), kMaxName));
    cut.location.resize(std::min(cut.location.size(), kMaxLocation));
    return WriteEntry(target, cut) ? target : 0;
}

bool CClientRegistry::Delete(int number)
{
    if (number >= kDeleteBound) {
        return true;
    }
    for (int k = number + 1; k <= kDeleteBound; ++k) {
        const CClient moved = ReadEntry(k);
        if (!WriteEntry(k - 1, moved)) {
            return false;
        }
        if (moved.name.empty()) {
            break;
        }
    }
    return true;
}

CClientRegistry::AddressFields CClientRegistry::SplitAddress(std::string_view text)
{
    AddressFields fields;
    if (text.size() <= 5) {
        return fields;
    }
    std::size_t start = 0;
    for (std::optional<int>& field : fields) {
        if (start > text.size()) {
            break;
        }
        const std::size_t point = std::min(text.find('.', start), text.size());
        field = AddressField(text.substr(start, point - start));
        start = point + 1;
    }
    return fields;
}

std::string CClientRegistry::FormatAddress(const AddressFields& fields)
{
    std::string text;
    for (const std::optional<int>& field : fields) {
        if (!text.empty()) {
            text += '.';
        }
        text += std::to_string(field.value_or(0));
    }
    return text;
}

std::vector<CClientRegistry::CClient>
CClientRegistry::ImportCandidates(std::string_view ownComputerName)
{
    std::vector<CClient> clients;
    for (int n = 1; n <= kImportBound; ++n) {
        const std::string section = Keys::NumberedKey(Keys::kServer, n);
        CClient client;
        client.name = CProfileStore::ReadText(section, Keys::kServerName, "", kMaxName + 1,
                                              Keys::kMasterIniFile);
        if (client.name.empty() || EqualsNoCase(client.name, ownComputerName)) {
            continue;
        }
        client.ip = CProfileStore::ReadText(section, Keys::kServerIP, "", kMaxAddress + 1,
                                            Keys::kMasterIniFile);
        client.location = CProfileStore::ReadText(section, Keys::kServerLocation, "",
                                                  kMaxLocation + 1, Keys::kMasterIniFile);
        clients.push_back(std::move(client));
    }
    return clients;
}

bool CClientRegistry::WriteImported(const std::vector<CClient>& clients)
{
    int number = 0;
    for (const CClient& client : clients) {
        if (!WriteEntry(++number, client)) {
            return false;
        }
    }
    return true;
}

bool CClientRegistry::WriteEntry(int number, const CClient& client)
{
    return WriteServerKey(Keys::kClientName, number, client.name) &&
           WriteServerKey(Keys::kClientIP, number, client.ip) &&
           WriteServerKey(Keys::kClientLoc, number, client.location);
}
