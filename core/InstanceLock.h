#pragma once

#include <string>
#include <string_view>

// The machine-wide claim of one role: an advisory lock (flock) on a file in the temporary
// directory ($TMPDIR, else /tmp), held for as long as this object holds it. The window and the
// service of a role take the same file, so each refuses to run while the other does; the lock
// ends with the process, however it ends. The file names its holder ("window" or "service"),
// so that a refused start can tell the operator who runs.
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
        // The file cannot be opened; Error() tells why.
        Unavailable
    };

    // Claims the lock without waiting and, when claimed, writes holder into the file.
    EResult TryClaim(std::string_view holder);

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
    std::string m_path;
    int m_fd = -1;
    int m_error = 0;
};
