#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

// The files a batch fetch brought into the staging area, made ready on other threads while the
// run walks its entries in order: each plain file is flushed to disk, so that the flush before
// it is renamed into place finds nothing left to write, and each gzip archive is unpacked with
// the same command line as at its turn, and its content flushed. The walk takes each file when
// it comes to it; nothing here reports anything, and whatever does not succeed ahead is done
// at the file's turn as if it had not been tried.
class CStagedFiles
{
public:
    struct SFile
    {
        std::string path;
        // A gzip archive ("NAME.gz") to unpack into NAME beside it.
        bool archive = false;
    };

    // Starts the work at once.
    explicit CStagedFiles(std::vector<SFile> files);
    // Stops the work: a file being unpacked is finished, the others are left as they are.
    ~CStagedFiles();
    CStagedFiles(const CStagedFiles&) = delete;
    CStagedFiles& operator=(const CStagedFiles&) = delete;

    enum class ETaken
    {
        AsFetched, // the file as the batch brought it (an archive not yet unpacked)
        Unpacked,  // the archive's content, at `unpacked`
        Lost       // the unpack failed: the file is to be fetched again
    };

    // For the file at `index` of the list given: waits while its archive is being unpacked;
    // an archive whose unpack has not started yet is never unpacked here.
    ETaken Take(std::size_t index, std::string& unpacked);

private:
    enum class EState
    {
        Waiting,
        Unpacking,
        Unpacked,
        Failed,
        Taken
    };

    void Flush(const std::stop_token& stop);
    void Unpack(const std::stop_token& stop);

    std::vector<SFile> m_files;
    std::vector<std::size_t> m_plain;
    std::vector<std::size_t> m_archives;
    std::vector<EState> m_states;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<std::size_t> m_nextPlain{0};
    std::atomic<std::size_t> m_nextArchive{0};
    // Last: the threads end before the lists they read go.
    std::vector<std::jthread> m_threads;
};
