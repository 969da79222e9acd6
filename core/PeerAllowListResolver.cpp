#include "core/PeerAllowListResolver.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <strings.h>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct SName
{
    std::string name;
    CPeerAllowList addresses;
    Clock::time_point due;
    bool failureReported = false;
};

} // namespace

struct CPeerAllowListResolver::SState
{
    // Guards everything below except the callbacks.
    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    bool threadStarted = false;
    std::chrono::milliseconds retryInterval{kRetryInterval};
    Source source;
    // Counts the sources set, so that a text read from a replaced one is not applied.
    unsigned long sourceGeneration = 0;
    std::chrono::milliseconds sourceInterval{0};
    Clock::time_point sourceDue{};
    std::string entries;
    // What the entries give without lookups.
    CPeerAllowList fixed;
    std::vector<SName> names;
    // fixed and every name's addresses: what Allows reads.
    CPeerAllowList allowed;

    // Held while the owner's functions run; the owner takes it after setting stop, so none of
    // them runs once the resolver has gone.
    std::mutex callbackMutex;
    Unresolved unresolved;

    // Runs call, one of the owner's functions, unless the resolver has gone: with the
    // callback mutex held and lock released meanwhile.
    template <typename Call> void Callback(std::unique_lock<std::mutex>& lock, Call call)
    {
        lock.unlock();
        {
            const std::lock_guard callbacks{callbackMutex};
            lock.lock();
            const bool stopped = stop;
            lock.unlock();
            if (!stopped) {
                call();
            }
        }
        lock.lock();
    }

    void Publish()
    {
        allowed = fixed;
        for (const SName& name : names) {
            allowed.Merge(name.addresses);
        }
    }

    void Apply(const std::string& text)
    {
        if (text == entries) {
            return;
        }
        entries = text;
        fixed = {};
        std::vector<SName> kept;
        for (const std::string& entry : CPeerAllowList::SplitEntries(text)) {
            if (CPeerAllowList::NeedsNoLookup(entry)) {
                fixed.AddHost(entry);
                continue;
            }
            const auto known = std::find_if(names.begin(), names.end(),
                                            [&](const SName& name) { return name.name == entry; });
            kept.push_back(known != names.end() ? std::move(*known)
                                                : SName{entry, {}, Clock::now(), false});
        }
        names = std::move(kept);
        Publish();
    }
};

CPeerAllowListResolver::CPeerAllowListResolver(Unresolved unresolved)
    : m_state{std::make_shared<SState>()}
{
    m_state->unresolved = std::move(unresolved);
}

CPeerAllowListResolver::~CPeerAllowListResolver()
{
    {
        const std::lock_guard lock{m_state->mutex};
        m_state->stop = true;
    }
    m_state->wake.notify_all();
    const std::lock_guard callbacks{m_state->callbackMutex};
}

void CPeerAllowListResolver::SetList(CPeerAllowList list)
{
    const std::lock_guard lock{m_state->mutex};
    m_state->source = {};
    ++m_state->sourceGeneration;
    m_state->entries.clear();
    m_state->names.clear();
    m_state->fixed = std::move(list);
    m_state->Publish();
}

void CPeerAllowListResolver::SetEntries(const std::string& entries)
{
    {
        const std::lock_guard lock{m_state->mutex};
        m_state->source = {};
        ++m_state->sourceGeneration;
        m_state->Apply(entries);
    }
    StartThread();
}

void CPeerAllowListResolver::SetSource(Source source, std::chrono::milliseconds interval)
{
    // Read once here, so that its addresses hold as soon as this returns.
    const std::string text = source ? source() : std::string{};
    {
        const std::lock_guard lock{m_state->mutex};
        m_state->source = std::move(source);
        ++m_state->sourceGeneration;
        m_state->sourceInterval = interval;
        m_state->sourceDue = Clock::now() + interval;
        m_state->Apply(text);
    }
    StartThread();
}

bool CPeerAllowListResolver::Allows(const std::string& peer) const
{
    const std::lock_guard lock{m_state->mutex};
    return m_state->allowed.Allows(peer);
}

bool CPeerAllowListResolver::IsOpen() const
{
    const std::lock_guard lock{m_state->mutex};
    return m_state->allowed.IsOpen();
}

std::string CPeerAllowListResolver::AddressOf(const std::string& name) const
{
    const std::lock_guard lock{m_state->mutex};
    for (const SName& listed : m_state->names) {
        if (strcasecmp(listed.name.c_str(), name.c_str()) == 0) {
            return listed.addresses.FirstAddress();
        }
    }
    return {};
}

void CPeerAllowListResolver::SetRetryInterval(std::chrono::milliseconds interval)
{
    {
        const std::lock_guard lock{m_state->mutex};
        m_state->retryInterval = interval;
    }
    m_state->wake.notify_all();
}

void CPeerAllowListResolver::StartThread()
{
    {
        const std::lock_guard lock{m_state->mutex};
        if (m_state->threadStarted) {
            m_state->wake.notify_all();
            return;
        }
        m_state->threadStarted = true;
    }
    try {
        std::thread{LookupThread, m_state}.detach();
    } catch (const std::system_error&) {
        // Without the thread names stay unresolved; a later call tries again.
        const std::lock_guard lock{m_state->mutex};
        m_state->threadStarted = false;
    }
}

void CPeerAllowListResolver::LookupThread(const std::shared_ptr<SState>& state)
{
    std::unique_lock lock{state->mutex};
    while (!state->stop) {
        if (state->source && Clock::now() >= state->sourceDue) {
            const Source source = state->source;
            const unsigned long generation = state->sourceGeneration;
            std::string text;
            state->Callback(lock, [&] { text = source(); });
            if (state->stop) {
                break;
            }
            // The text of a source replaced meanwhile is dropped: the new one was read when set.
            if (generation == state->sourceGeneration) {
                state->sourceDue = Clock::now() + state->sourceInterval;
                state->Apply(text);
            }
            continue;
        }
        const auto due = std::find_if(state->names.begin(), state->names.end(),
                                      [](const SName& name) { return name.due <= Clock::now(); });
        if (due != state->names.end()) {
            const std::string name = due->name;
            lock.unlock();
            CPeerAllowList found;
            found.AddHost(name);
            lock.lock();
            if (state->stop) {
                break;
            }
            const auto entry =
                std::find_if(state->names.begin(), state->names.end(),
                             [&](const SName& listed) { return listed.name == name; });
            if (entry == state->names.end()) {
                continue;
            }
            bool report = false;
            if (found.HasAddresses()) {
                entry->addresses = std::move(found);
                entry->due = Clock::now() + kRefreshInterval;
                entry->failureReported = false;
            } else {
                entry->due = Clock::now() + state->retryInterval;
                report = !entry->addresses.HasAddresses() && !entry->failureReported;
                entry->failureReported = entry->failureReported || report;
            }
            state->Publish();
            if (report && state->unresolved) {
                state->Callback(lock, [&] { state->unresolved(name); });
            }
            continue;
        }
        auto next = Clock::time_point::max();
        for (const SName& name : state->names) {
            next = std::min(next, name.due);
        }
        if (state->source) {
            next = std::min(next, state->sourceDue);
        }
        if (next == Clock::time_point::max()) {
            state->wake.wait(lock);
        } else {
            state->wake.wait_until(lock, next);
        }
    }
}
