#include "core/PeerAllowList.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

constexpr std::string_view kSeparators = " \t,";
constexpr std::string_view kEveryone = "*";

bool ParseAddress(const std::string& text, std::uint32_t& address)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) {
        return false;
    }
    address = parsed.s_addr;
    return true;
}

} // namespace

CPeerAllowList CPeerAllowList::Open()
{
    CPeerAllowList list;
    list.m_open = true;
    return list;
}

void CPeerAllowList::AddEntries(std::string_view text)
{
    for (const std::string& entry : SplitEntries(text)) {
        AddHost(entry);
    }
}

std::vector<std::string> CPeerAllowList::SplitEntries(std::string_view text)
{
    std::vector<std::string> entries;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t begin = text.find_first_not_of(kSeparators, position);
        if (begin == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(kSeparators, begin), text.size());
        entries.emplace_back(text.substr(begin, end - begin));
        position = end;
    }
    return entries;
}

bool CPeerAllowList::NeedsNoLookup(std::string_view entry)
{
    std::uint32_t address = 0;
    return entry == kEveryone || ParseAddress(std::string{entry}, address);
}

void CPeerAllowList::AddHost(std::string_view host)
{
    if (host == kEveryone) {
        m_open = true;
        return;
    }
    const std::string name{host};
    std::uint32_t address = 0;
    if (ParseAddress(name, address)) {
        m_addresses.push_back(address);
        return;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    // A name that resolves to nothing adds nothing: HasAddresses tells.
    if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) {
        return;
    }
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET) {
            m_addresses.push_back(
                reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
        }
    }
    freeaddrinfo(found);
}

bool CPeerAllowList::IsOpen() const
{
    return m_open;
}

bool CPeerAllowList::Allows(std::string_view peer) const
{
    if (m_open) {
        return true;
    }
    std::uint32_t address = 0;
    return ParseAddress(std::string{peer}, address) &&
           std::find(m_addresses.begin(), m_addresses.end(), address) != m_addresses.end();
}

bool CPeerAllowList::HasAddresses() const
{
    return !m_addresses.empty();
}

void CPeerAllowList::Merge(const CPeerAllowList& other)
{
    m_open = m_open || other.m_open;
    m_addresses.insert(m_addresses.end(), other.m_addresses.begin(), other.m_addresses.end());
}

std::string CPeerAllowList::FirstAddress() const
{
    if (m_addresses.empty()) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    const in_addr address{m_addresses.front()};
    return inet_ntop(AF_INET, &address, text, sizeof text) != nullptr ? text : "";
}

std::string CPeerAllowList::UrlHost(std::string_view url)
{
    const std::size_t scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    const std::size_t user = rest.rfind('@');
    if (user != std::string_view::npos) {
        rest = rest.substr(user + 1);
    }
    // An IPv6 address is written in brackets, its colons are not a port's.
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        return close == std::string_view::npos ? std::string{}
                                               : std::string{rest.substr(1, close - 1)};
    }
    return std::string{rest.substr(0, rest.find(':'))};
}
