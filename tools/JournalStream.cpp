#include "tools/JournalStream.h"

#include <charconv>
#include <cstdlib>
#include <sys/stat.h>

bool CJournalStream::IsJournal(int fd)
{
    const char* value = std::getenv("JOURNAL_STREAM");
    return value != nullptr && Matches(value, fd);
}

bool CJournalStream::Matches(std::string_view journalStream, int fd)
{
    const std::size_t colon = journalStream.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    unsigned long long device = 0;
    unsigned long long inode = 0;
    const char* deviceEnd = journalStream.data() + colon;
    const char* inodeEnd = journalStream.data() + journalStream.size();
    const auto deviceRead = std::from_chars(journalStream.data(), deviceEnd, device);
    const auto inodeRead = std::from_chars(deviceEnd + 1, inodeEnd, inode);
    if (colon == 0 || deviceRead.ec != std::errc{} || deviceRead.ptr != deviceEnd ||
        inodeRead.ec != std::errc{} || inodeRead.ptr != inodeEnd || deviceEnd + 1 == inodeEnd) {
        return false;
    }
    struct stat info
    {};
    return fstat(fd, &info) == 0 && static_cast<unsigned long long>(info.st_dev) == device &&
           static_cast<unsigned long long>(info.st_ino) == inode;
}

const char* CJournalStream::Prefix(std::string_view word)
{
    if (word == "error") {
        return "<3>";
    }
    if (word == "notice") {
        return "<5>";
    }
    return "<6>";
}
