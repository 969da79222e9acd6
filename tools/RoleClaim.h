#pragma once

#include "core/InstanceLock.h"

#include <ostream>
#include <string_view>

// zezodictl's claim of a role's lock: for one run (prepare, sync) or for the service's life.
// Whoever holds it is named on the error stream when the claim is refused.
class CRoleClaim
{
public:
    CRoleClaim(bool primary, std::ostream& err);

    enum class EWhenHeld
    {
        Refuse,
        Wait
    };

    // True when this process now holds the role. A lock file that cannot be had refuses a
    // run; a service goes on without the protection (lenient), as the window does.
    bool Take(std::string_view holder, EWhenHeld whenHeld, bool lenient = false);

    // Why Take refused: kExitBusy when another program holds the role, else 1.
    int RefusedStatus() const { return m_busy ? kExitBusy : kExitFailure; }

    // The exit status of a command refused because another program changes the installation
    // (EX_TEMPFAIL: try again later).
    static constexpr int kExitBusy = 75;

private:
    static constexpr int kExitFailure = 1;

    CInstanceLock m_lock;
    std::ostream& m_err;
    std::string_view m_role;
    bool m_busy = false;
};
