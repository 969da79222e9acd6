#include "tools/LogDirectoryNotice.h"

#include "core/FileOps.h"

bool CLogDirectoryNotice::Check(const std::string& logDir, std::ostream& err)
{
    if (CFileOps::IsDirectory(logDir)) {
        return true;
    }
    err << "zezodictl: the log directory " << logDir
        << " does not exist, so nothing is logged: create it (mkdir -p " << logDir << ")\n";
    return false;
}
