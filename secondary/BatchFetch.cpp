#include "secondary/BatchFetch.h"

#include "core/CatalogueNames.h"
#include "core/CommandLine.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProcessRunner.h"
#include "secondary/FileChecksum.h"
#include "secondary/SignatureCheck.h"
#include "secondary/SyncNames.h"
#include "secondary/WgetCommand.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <utility>

namespace {

// How many directories wget is to cut from the front of a file's address so that it saves the
// file as its section path and name: the parts of the web path after its host, as wget
// resolves them ("." goes, ".." takes the part before it away, an empty part counts). -1 for
// a web path with a query or a fragment.
int CutDirectories(std::string_view webPath)
{
    const std::string url = CCatalogueNames::SectionPath(webPath);
    if (url.find_first_of("?#") != std::string::npos) {
        return -1;
    }
    const std::size_t scheme = url.find("://");
    const std::size_t path = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    if (path == std::string::npos) {
        return 0;
    }
    // Each part is ended by a '/', the last one by the '/' before the section.
    int parts = 0;
    std::size_t start = path + 1;
    for (;;) {
        const std::size_t end = std::min(url.find('/', start), url.size());
        const std::string_view part = std::string_view(url).substr(start, end - start);
        if (part == "..") {
            parts = std::max(parts - 1, 0);
        } else if (part != ".") {
            ++parts;
        }
        if (end == url.size()) {
            return parts;
        }
        start = end + 1;
    }
}

// Adds every directory above path ("a/b/c" gives "a" and "a/b") to directories.
void AddParentDirectories(const std::string& path, std::set<std::string>& directories)
{
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        directories.insert(path.substr(0, slash));
    }
}

std::uint64_t Little(const unsigned char* bytes, std::size_t count)
{
    std::uint64_t value = 0;
    for (std::size_t i = count; i > 0; --i) {
        value = (value << 8) | bytes[i - 1];
    }
    return value;
}

// The bytes of the file from `offset` on, at most `count`; empty when they cannot be read.
std::string ReadPart(std::ifstream& in, std::uint64_t offset, std::uint64_t count)
{
    std::string bytes(count, '\0');
    in.clear();
    if (!in.seekg(static_cast<std::streamoff>(offset)) ||
        !in.read(bytes.data(), static_cast<std::streamsize>(count))) {
        return {};
    }
    return bytes;
}

// The sizes of a zip archive's members, from its central directory.
std::uint64_t ZipContent(std::ifstream& in, std::uint64_t size)
{
    // The end record: 22 bytes and a comment of at most 65535.
    const std::uint64_t tailSize = std::min<std::uint64_t>(size, 22 + 65535);
    const std::string tail = ReadPart(in, size - tailSize, tailSize);
    const std::size_t end = tail.size() < 22 ? std::string::npos : tail.rfind("PK\x05\x06");
    if (end == std::string::npos || end + 22 > tail.size()) {
        return 0;
    }
    const auto* record = reinterpret_cast<const unsigned char*>(tail.data() + end);
    const std::uint64_t offset = Little(record + 16, 4);
    const std::uint64_t length = Little(record + 12, 4);
    // Only what lies in the file is read, whatever the record says.
    if (offset > size || length > size - offset) {
        return 0;
    }
    const std::string directory = ReadPart(in, offset, length);
    std::uint64_t content = 0;
    for (std::size_t at = 0; at + 46 <= directory.size();) {
        const auto* entry = reinterpret_cast<const unsigned char*>(directory.data() + at);
        if (Little(entry, 4) != 0x02014b50) {
            break;
        }
        content += Little(entry + 24, 4);
        at += 46 + Little(entry + 28, 2) + Little(entry + 30, 2) + Little(entry + 32, 2);
    }
    return content;
}

// The room a packed file needs while it is unpacked: its own size and its content's. A gzip
// archive's last four bytes give the content's size (little-endian, modulo 4 GB); a zip
// archive's central directory gives its members'. What cannot be read counts for nothing: the
// unpack then fails in any case.
std::uint64_t UnpackRoom(const std::string& archive, bool gzip)
{
    std::ifstream in(archive, std::ios::binary | std::ios::ate);
    const std::streamoff end = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    if (end < 4) {
        return 0;
    }
    const auto size = static_cast<std::uint64_t>(end);
    if (!gzip) {
        return size + ZipContent(in, size);
    }
    const std::string trailer = ReadPart(in, size - 4, 4);
    if (ReadPart(in, 0, 2) != "\x1f\x8b" || trailer.empty()) {
        return 0;
    }
    return size + Little(reinterpret_cast<const unsigned char*>(trailer.data()), 4);
}

// wget's exit status for a file it could not write.
constexpr std::uint32_t kWgetFileError = 3;

// From this many files on, a batch is fetched by two wget processes.
constexpr std::size_t kFilesForTwoBatches = 8;

} // namespace

CBatchFetch::CBatchFetch(const SSecondarySettings& settings,
                         const std::function<bool()>& stopRequested)
    : m_settings{settings}, m_stopRequested{stopRequested}
{}

void CBatchFetch::Fetch(const std::vector<CSyncPlan::SSection>& plan,
                        std::vector<CLocalInspection::SSection>& states) const
{
    const int cut = CutDirectories(m_settings.webPath);
    if (cut < 0) {
        return;
    }
    // Every file the run needs, with the path below the staging area that wget saves it
    // under: the section path and the saved name.
    struct SWanted
    {
        std::size_t section;
        std::size_t entry;
        std::string path;
        std::string url;
    };
    std::vector<SWanted> wanted;
    std::set<std::string> paths;
    for (std::size_t s = 0; s < plan.size(); ++s) {
        for (std::size_t i = 0; i < states[s].entries.size(); ++i) {
            if (!states[s].entries[i].fetch) {
                continue;
            }
            const CCatalogueReader::Entry& entry = plan[s].entries[i].entry;
            const std::string downloadName =
                entry.zipped != 0 ? CCatalogueNames::PackedName(entry.file, m_settings.useGzip)
                                  : entry.file;
            SWanted item{s, i,
                         CCatalogueNames::SectionPath(plan[s].section) + "/" +
                             CSyncNames::SavedName(downloadName),
                         CSyncNames::FileUrl(m_settings.webPath, plan[s].section, downloadName)};
            // One address a line: an address that could break its line is fetched alone, and
            // so is a file that wget would save where another one of the batch goes (in any
            // letter case, for a download directory that ignores it).
            if (item.url.find_first_of("\r\n") != std::string::npos ||
                !paths.insert(CCatalogueNames::Lower(item.path)).second) {
                continue;
            }
            wanted.push_back(std::move(item));
        }
    }
    // Nor can a file take the place of a directory that another file of the batch needs.
    std::set<std::string> directories;
    for (const SWanted& item : wanted) {
        AddParentDirectories(CCatalogueNames::Lower(item.path), directories);
    }
    std::erase_if(wanted, [&](const SWanted& item) {
        const std::string lower = CCatalogueNames::Lower(item.path);
        if (directories.count(lower) == 0) {
            return false;
        }
        paths.erase(lower);
        return true;
    });
    // A single file gains nothing from a batch.
    if (wanted.size() < 2) {
        return;
    }
    // Two wget processes, each with every other file and its own staging area, keep the
    // server and the disk busier than one.
    struct SBatch
    {
        std::string staging;
        std::string listPath;
        std::string list;
        std::set<std::string> paths;
        std::set<std::string> directories;
        std::unique_ptr<CProcessRunner> runner;
        bool whole = false;
    };
    const std::size_t count = wanted.size() < kFilesForTwoBatches ? 1 : 2;
    std::vector<SBatch> batches(count);
    const std::string workDir =
        CPlatform::JoinPath(m_settings.downloadDir, CFileOps::WorkDirectoryName());
    for (std::size_t b = 0; b < count; ++b) {
        const std::string name = "batch" + std::to_string(b + 1);
        batches[b].staging = CPlatform::JoinPath(workDir, name);
        batches[b].listPath = CPlatform::JoinPath(workDir, name + ".txt");
    }
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        SBatch& batch = batches[k % count];
        batch.list += wanted[k].url;
        batch.list += '\n';
        const std::string lower = CCatalogueNames::Lower(wanted[k].path);
        batch.paths.insert(lower);
        AddParentDirectories(lower, batch.directories);
    }
    for (SBatch& batch : batches) {
        if (CFileOps::CreateDirectory(batch.staging) != 0) {
            continue;
        }
        std::FILE* out = std::fopen(batch.listPath.c_str(), "wb");
        if (out == nullptr) {
            continue;
        }
        const bool written =
            std::fwrite(batch.list.data(), 1, batch.list.size(), out) == batch.list.size();
        if (std::fclose(out) != 0 || !written) {
            continue;
        }
        // The same wget as for a single file, so names and times arrive as they would alone;
        // it keeps the sections apart in directories below the staging area.
        batch.runner =
            std::make_unique<CProcessRunner>("wget" + CWgetCommand::Options(m_settings) +
                                             " -q -x -nH --cut-dirs=" + std::to_string(cut) +
                                             " -i " + CCommandLine::Quote(batch.listPath));
        batch.runner->SetWorkingDirectory(batch.staging);
        if (!batch.runner->Start(true, false)) {
            batch.runner.reset();
        }
    }
    bool full = false;
    for (SBatch& batch : batches) {
        if (batch.runner == nullptr) {
            continue;
        }
        while (!batch.runner->WaitForExit(std::chrono::milliseconds{100})) {
            // The runners kill every wget of the batch as they go.
            if (m_stopRequested && m_stopRequested()) {
                return;
            }
        }
        batch.whole = batch.runner->GetExitCode() == 0;
        full = full || batch.runner->GetExitCode() == kWgetFileError;
        // A path that was not foreseen means wget named files otherwise than expected: then
        // no file is known to be the one its name says.
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(batch.staging, ignored);
             batch.whole && it != std::filesystem::recursive_directory_iterator();
             it.increment(ignored)) {
            const std::filesystem::file_type type = it->symlink_status(ignored).type();
            const std::string relative =
                CCatalogueNames::Lower(it->path().string().substr(batch.staging.size() + 1));
            batch.whole = type == std::filesystem::file_type::directory
                              ? batch.directories.count(relative) != 0
                              : type == std::filesystem::file_type::regular &&
                                    batch.paths.count(relative) != 0;
        }
    }
    // Out of room, nothing of the batch is kept: each file is then fetched alone at its turn,
    // needing no more room than itself, as a run without a batch would.
    if (full || CFileOps::OutOfSpace(workDir)) {
        for (const SBatch& batch : batches) {
            CFileOps::RemoveNotFollowing(batch.staging);
        }
        return;
    }
    std::uint64_t unpackRoom = 0;
    const CSignatureCheck signatures{m_settings};
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        const SBatch& batch = batches[k % count];
        const SWanted& item = wanted[k];
        const CCatalogueReader::Entry& entry = plan[item.section].entries[item.entry].entry;
        const std::string path = CPlatform::JoinPath(batch.staging, item.path);
        if (batch.runner == nullptr || !CFileOps::IsRegularFile(path)) {
            continue;
        }
        // After a failure in the batch only a content that proves whole is taken; any other
        // file is fetched alone, so that its failure is reported as such.
        std::uint32_t status = 0;
        const bool proven =
            batch.whole || (entry.zipped == 0 && CFileChecksum::Text(path, status) == entry.crc);
        // Nothing that differs from what the primary signed is unpacked ahead; it is fetched
        // alone at its turn, where its failure is reported.
        if (proven && signatures.Matches(path, entry.sha256)) {
            states[item.section].entries[item.entry].staged = path;
            if (entry.zipped != 0) {
                unpackRoom = std::max(unpackRoom, UnpackRoom(path, m_settings.useGzip));
            }
        }
    }
    // The staged files stay while two archives are unpacked beside them (gzip ones ahead, or
    // any at their turn): without room for that, the files are fetched one at a time after all.
    if (!CFileOps::HasRoom(workDir, 2 * unpackRoom)) {
        for (const SBatch& batch : batches) {
            CFileOps::RemoveNotFollowing(batch.staging);
        }
        for (CLocalInspection::SSection& state : states) {
            for (CLocalInspection::SLocal& local : state.entries) {
                local.staged.clear();
            }
        }
    }
}

std::vector<CStagedFiles::SFile>
CBatchFetch::StagedFiles(const std::vector<CSyncPlan::SSection>& plan,
                         std::vector<CLocalInspection::SSection>& states) const
{
    std::vector<CStagedFiles::SFile> files;
    for (std::size_t s = 0; s < plan.size(); ++s) {
        for (std::size_t i = 0; i < states[s].entries.size(); ++i) {
            CLocalInspection::SLocal& state = states[s].entries[i];
            const bool packed = plan[s].entries[i].entry.zipped != 0;
            // Another unpacker's archive waits for its turn as it is.
            if (state.staged.empty() || (packed && !m_settings.useGzip)) {
                continue;
            }
            state.stagedIndex = files.size();
            files.push_back({state.staged, packed});
        }
    }
    return files;
}
