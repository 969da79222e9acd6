#pragma once

#include <string>

// What the secondary's listener hands to its main window. Both calls come from the listener
// thread and must return at once: the window queues each text (its own copy) and handles it
// on its own thread, one after the other.
class CSecondaryRequests
{
public:
    virtual ~CSecondaryRequests() = default;

    // A start_sync arrived: "%s;%s" with the primary's name and address
    // (CProtocolMessages::SyncRequest, split by SplitSyncRequest).
    virtual void PostSyncRequested(std::string nameAndAddress) = 0;

    // A set_time was served: the report text of string 181, or of TimeNotSet when the clock
    // could not be set.
    virtual void PostTimeSynchronized(std::string text) = 0;
};
