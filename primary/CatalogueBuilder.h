#pragma once

#include "core/CatalogueWriter.h"
#include "core/Crc32.h"
#include "core/StringTable.h"
#include "primary/CatalogueSigner.h"
#include "primary/FileListSink.h"
#include "primary/PackedCopy.h"
#include "primary/PackingQueue.h"
#include "primary/PreviousCatalogue.h"
#include "primary/PrimarySettings.h"
#include "primary/Publication.h"
#include "primary/RunOutput.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

class CReportSink;

// One preparation run of the primary: publishes a copy of every shared file into a new
// generation of the web directory (packed above the threshold), computes each copy's CRC-32,
// fills the file list, reports every failure and at the end makes the generation, with its
// sync catalogue, current in one step. Created by its user for one or more runs on one thread.
class CCatalogueBuilder
{
public:
    using Clock = std::function<std::time_t()>;

    // clock gives the version stamp; empty means the system clock. At most `packers` packers
    // run at once; 0 means one for each CPU.
    CCatalogueBuilder(SPrimarySettings settings, CReportSink& report, CFileListSink& files,
                      Clock clock = {}, unsigned packers = 0);

    // The whole run: 1 when every file was published and the catalogue replaced, else -1.
    int BuildCatalogue();

    // Asked between files, from the run's thread; once true the run publishes nothing and the
    // generation served before stays current.
    void SetStopRequest(std::function<bool()> stopRequested);

    // One search of a file group: every file of sourceDir matching pattern.
    void AddFiles(const std::string& sourceDir, std::string_view pattern, std::string_view section,
                  bool onlyIfAbsent);

    // The subdirectories of dir (names without a dot), each as a section of its own below
    // section, depth first.
    void AddDirectoryTree(const std::string& dir, std::string_view section);

    // Copies of the configuration files for the INI comparison; never filtered or packed.
    void AddIniFiles(const std::string& windowsDir, std::string_view pattern);

private:
    // What the checksum step learnt about a published copy.
    struct SPublished
    {
        std::uint64_t size = 0;
        std::time_t modified = 0;
        std::string crcText;
    };

    // Who holds a name in the web directory during this run.
    struct SClaim
    {
        std::string source;
        bool packed = false;
    };
    using SFileStamp = CPublication::SFileStamp;

    // What packing the current settings give an entry: packed is empty when the name cannot
    // be packed; nameTaken when another file holds the packed name.
    struct SPackPlan
    {
        std::string packed;
        bool nameTaken = false;
    };

    void AddFileGroups(const std::string& drive, const std::string& windowsDir);
    // False, after the error row and report, when the name cannot be published under target:
    // the catalogue cannot carry it, or another file of this run holds the name already
    // (as its letter-case twin or as its packed copy).
    bool ClaimName(const std::string& name, const std::string& source, const std::string& target,
                   const std::string& shownName);
    bool CopyToWeb(const std::string& source, const std::string& target);
    // False after logging the failure; `reported` also adds the report line and the error.
    bool Checksum(const std::string& target, SPublished& published, bool reported = true);
    // False when the file is to be published unpacked; else its packer runs and told learns
    // whether a packed copy came of it.
    bool Pack(const std::string& source, const std::string& target, const std::string& lowerName,
              const SPublished& published, const std::unordered_set<std::string>& listed,
              std::function<void(bool)> told);
    // Returns once the packer reading or writing path, if any, is done.
    void AwaitPacking(const std::string& path);
    SPackPlan PlanPacking(const std::string& source, const std::string& target,
                          const std::string& lowerName,
                          const std::unordered_set<std::string>& listed);
    // True when the entry's published files still hold what the source holds, as the last
    // run left them: they then enter the new generation as they are, and published and zipped
    // describe the entry.
    // Without listed the entry is never packed.
    bool KeepPublished(std::string_view section, const std::string& lowerName,
                       const std::string& source, const std::optional<SFileStamp>& sourceStamp,
                       const std::string& target, const std::unordered_set<std::string>* listed,
                       SPublished& published, bool& zipped);
    void RecordPublication(std::string_view section, const std::string& lowerName,
                           const std::optional<SFileStamp>& sourceStamp, const std::string& target,
                           const SPublished& published, bool zipped);
    // Where the current generation holds what target is in the build's.
    std::string CurrentPath(std::string_view section, const std::string& name) const;
    // A path of the build as the operator knows it: below the web directory.
    std::string Shown(const std::string& path) const;
    // Puts the build's generation in place of the current one, or leaves the current whole;
    // true when it is current.
    bool PublishGeneration();
    bool StopRequested() const;
    void EnsureWebDirectory(std::string_view section) const;
    // The SHA-256 of the published copy `name` of section in the new generation, when the
    // build signs; empty otherwise.
    std::string ServedChecksum(std::string_view section, const std::string& name);
    void Publish(std::string_view section, const std::string& lowerName,
                 const std::string& sourceDir, const SPublished& published, bool zipped,
                 bool onlyIfAbsent);

    SPrimarySettings m_settings;
    CReportSink& m_report;
    CFileListSink& m_files;
    Clock m_clock;
    std::function<bool()> m_stopRequested;
    CCatalogueWriter m_catalogue;
    // One table for every checksum of a run.
    CCrc32 m_crc32;
    // Published and packed names of this run, by their lower-cased path: on a Windows server
    // names that differ only in letter case are one file.
    std::unordered_map<std::string, SClaim> m_claims;
    CPackingQueue m_queue;
    CRunOutput m_out;
    // The packer at work on a name, by its lower-cased path.
    std::unordered_map<std::string, CPackingQueue::Ticket> m_packing;
    CPublication m_publication;
    CPreviousCatalogue m_previous;
    CPackedCopy m_packer;
    CCatalogueSigner m_signer;
};
