#pragma once

#include <array>
#include <cstddef>
#include <string>

// Where a synchronisation run shows its work: the local-files list, the "Last
// synchronization:" field and the wait cursor of the secondary main window, or a recorder in
// tests and zezodictl.
class CLocalFilesSink
{
public:
    // Row images, which are the entry's state.
    static constexpr int ImageUnchanged = 0;
    static constexpr int ImageUpdated = 1;
    static constexpr int ImageFailed = 2;

    // File name, extension, path, last modified, size, CRC secondary, CRC primary, status.
    static constexpr std::size_t kColumns = 8;
    using SRow = std::array<std::string, kColumns>;

    virtual ~CLocalFilesSink() = default;

    virtual void ClearFiles() = 0;

    // Inserts the row at the top of the list and shows it at once.
    virtual void AddFileRow(const SRow& columns, int image) = 0;

    virtual void SetLastSync(const std::string& text) = 0;

    // True while a run is in progress.
    virtual void SetBusy(bool busy) = 0;
};
