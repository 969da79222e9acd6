#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The peers whose commands a listener obeys: IPv4 addresses, given as addresses or as host
// names that are looked up when they are added (every address a name has counts). "*" opens
// the list to everyone. An empty list allows nobody.
class CPeerAllowList
{
public:
    CPeerAllowList() = default;

    // A list that allows every peer.
    static CPeerAllowList Open();

    // Adds every entry of text; entries are separated by blanks, tabs or commas. An entry "*"
    // opens the list.
    void AddEntries(std::string_view text);

    // The entries of text, in their order.
    static std::vector<std::string> SplitEntries(std::string_view text);

    // True for "*" and for a dotted IPv4 address: entries that need no lookup.
    static bool NeedsNoLookup(std::string_view entry);

    // Adds a dotted IPv4 address, or every IPv4 address that the host name resolves to (a
    // lookup that waits as long as the name service takes).
    void AddHost(std::string_view host);

    bool IsOpen() const;

    // True when the list is open or holds the dotted IPv4 address peer.
    bool Allows(std::string_view peer) const;

    // True when the list holds an address (it need not be open).
    bool HasAddresses() const;

    // Adds everything that other allows.
    void Merge(const CPeerAllowList& other);

    // The first address added, dotted; empty when there is none.
    std::string FirstAddress() const;

    // The host part of an http URL ("http://user@host:port/path" gives "host", "http://[::1]:80/"
    // gives "::1"); empty when the URL names none.
    static std::string UrlHost(std::string_view url);

private:
    bool m_open = false;
    std::vector<std::uint32_t> m_addresses;
};
