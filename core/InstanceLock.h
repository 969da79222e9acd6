#pragma once

#include <string>
#include <string_view>

// The claim of one role on an installation: an advisory lock (flock) on a file beside
// zezodi.ini in the Windows directory, held for as long as this object holds it. Everything that
// changes the installation takes it (the window and the service for their whole life, one run
// of zezodictl for the run), so that one program at a time changes it; the lock ends with the
// process, however it ends. Only those who may write the Windows directory can create the file,
// and only its owner (and its group, where zezodi.ini is group-writable) can open it, so no other
// local user can hold the role. The file names its holder ("window", "service", "zezodictl
// sync"), so that a refused start can tell the operator who runs.
class CInstanceLock
{
public:
    // name is the file's name without ".lock", for example "zezodi-secondary".
    explicit CInstanceLock(std::string name);
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    enum class EResult
    {
        Claimed,
        // Another process holds it.
        Held,
        // The file cannot be opened or is no regular file; Error() tells why.
        Unavailable
    };

    // Claims the lock without waiting and, when claimed, writes holder into the file.
    EResult TryClaim(std::string_view holder);

    // Claims the lock, waiting for as long as another process holds it.
    EResult Claim(std::string_view holder);

    // What the file names as its holder; empty when it names none.
    std::string Holder() const;

    // Gives the claim up.
    void Release();

    std::string Path() const { return m_path; }

    // The errno of the last Unavailable.
    int Error() const { return m_error; }

    // The lock name of a role: "zezodi-primary" or "zezodi-secondary".
    static std::string RoleName(bool primary);

private:
    EResult ClaimWith(std::string_view holder, int operation);

    std::string m_path;
    int m_fd = -1;
    int m_error = 0;
};
