#pragma once

#include <string>

// One row of the primary's file list, in column order. An error row has only the name column
// ("ERROR: name") and all other columns empty.
struct CFileRow
{
    std::string name;      // lower-case file name
    std::string extension; // last three characters of the name
    std::string path;      // the source directory as searched
    std::string date;      // last-write time, "%04d.%02d.%02d %02d:%02d" in local time
    std::string size;      // "%d KB"
    std::string crc;       // checksum text
};

// Where the catalogue builder shows its progress: the primary window's file list and its
// "Last synchronization:" field, or a recorder in tests. The window paces the rows itself.
class CFileListSink
{
public:
    virtual ~CFileListSink() = default;

    virtual void ClearFiles() = 0;

    // Inserts the row at the top of the list, so the last file handled is shown first.
    virtual void AddFileRow(const CFileRow& row) = 0;

    // The version stamp of the build as "%02d.%02d.%d %02d:%02d " in local time.
    virtual void SetLastSync(const std::string& display) = 0;

    // True while a build runs (the wait cursor), false at its end.
    virtual void SetBusy(bool busy) = 0;
};
