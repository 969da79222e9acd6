#include "secondary/FileChecksum.h"

#include "core/Crc32.h"

#include <sys/stat.h>

std::string CFileChecksum::Text(const std::string& path, std::uint32_t& status)
{
    status = 0;
    struct stat info
    {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0) {
        return "0";
    }
    CCrc32 crc32;
    crc32.BuildTable();
    std::uint32_t crc = 0;
    status = crc32.FileCrc(path, crc);
    crc32.FreeTable();
    return CCrc32::CrcText(crc);
}
