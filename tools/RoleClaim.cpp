#include "tools/RoleClaim.h"

#include <cstring>

CRoleClaim::CRoleClaim(bool primary, std::ostream& err)
    : m_lock{CInstanceLock::RoleName(primary)}, m_err{err}, m_role{primary ? "primary"
                                                                           : "secondary"}
{}

bool CRoleClaim::Take(std::string_view holder, EWhenHeld whenHeld, bool lenient)
{
    CInstanceLock::EResult result = m_lock.TryClaim(holder);
    if (result == CInstanceLock::EResult::Held && whenHeld == EWhenHeld::Wait) {
        const std::string other = m_lock.Holder();
        m_err << "zezodictl: waiting for the " << m_role << " role, held by "
              << (other.empty() ? std::string{"another program"} : other) << " (" << m_lock.Path()
              << ")\n";
        result = m_lock.Claim(holder);
    }
    switch (result) {
    case CInstanceLock::EResult::Claimed:
        return true;
    case CInstanceLock::EResult::Held: {
        const std::string other = m_lock.Holder();
        m_err << "zezodictl: the " << m_role << " role already runs on this machine (held by "
              << (other.empty() ? std::string{"its window, service or zezodictl"} : other) << ", "
              << m_lock.Path() << "); one program at a time changes an installation\n";
        m_busy = true;
        return false;
    }
    case CInstanceLock::EResult::Unavailable:
        m_err << "zezodictl: cannot lock " << m_lock.Path() << ": " << std::strerror(m_lock.Error())
              << (lenient ? " (going on without the protection)\n" : "\n");
        return lenient;
    }
    return false;
}
