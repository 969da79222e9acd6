#include "secondary/FileChecksum.h"

#include "core/Crc32.h"

#include <memory>
#include <sys/stat.h>

namespace {

// One table for every file and thread of the process: building it costs as much as reading a
// small file, and a run reads thousands. It is only read once built.
const CCrc32& Table()
{
    static const std::unique_ptr<CCrc32> table = [] {
        auto built = std::make_unique<CCrc32>();
        built->BuildTable();
        return built;
    }();
    return *table;
}

} // namespace

std::string CFileChecksum::Text(const std::string& path, std::uint32_t& status)
{
    status = 0;
    struct stat info
    {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0) {
        return "0";
    }
    std::uint32_t crc = 0;
    status = Table().FileCrc(path, crc);
    return CCrc32::CrcText(crc);
}
