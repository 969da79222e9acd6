#pragma once

#include "core/PeerAllowList.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// The peers that a listener allows, asked at every accept, with the host names among them
// looked up on a thread of its own: a listener never waits for a name service. Addresses and
// "*" hold at once; a name holds every IPv4 address that it resolves to once its lookup is
// done. A name that does not resolve is reported once and tried again every retry interval
// until it does; a resolved name is looked up afresh every refresh interval, and keeps its
// addresses while a lookup fails. The lookup thread is never waited for: a lookup in progress
// when the resolver goes ends on its own, and reports nothing.
class CPeerAllowListResolver
{
public:
    // The entries text ("*", addresses and names, as CPeerAllowList::AddEntries reads them).
    using Source = std::function<std::string()>;
    // Called with a name whose lookup has failed, once per spell of failures.
    using Unresolved = std::function<void(const std::string& name)>;

    static constexpr std::chrono::seconds kRetryInterval{30};
    static constexpr std::chrono::minutes kRefreshInterval{10};

    explicit CPeerAllowListResolver(Unresolved unresolved);
    ~CPeerAllowListResolver();
    CPeerAllowListResolver(const CPeerAllowListResolver&) = delete;
    CPeerAllowListResolver& operator=(const CPeerAllowListResolver&) = delete;

    // A list as it is, without lookups; replaces entries and source.
    void SetList(CPeerAllowList list);

    // Entries to allow from now on; their names are looked up in the background.
    void SetEntries(const std::string& entries);

    // Entries read from source now and again every interval on the lookup thread, so that a
    // change of the settings takes effect without a call.
    void SetSource(Source source, std::chrono::milliseconds interval);

    // Any thread, at once.
    bool Allows(const std::string& peer) const;
    bool IsOpen() const;

    // The first address that a listed name (compared without regard to case) resolved to;
    // empty when the name is not listed or not resolved.
    std::string AddressOf(const std::string& name) const;

    // For tests: a failed name is tried again after interval.
    void SetRetryInterval(std::chrono::milliseconds interval);

private:
    struct SState;

    static void LookupThread(const std::shared_ptr<SState>& state);
    void StartThread();

    std::shared_ptr<SState> m_state;
};
