#include "primary/CatalogueBuilder.h"

#include "core/CatalogueReader.h"
#include "core/CatalogueSections.h"
#include "core/CommandLine.h"
#include "core/ConfigKeys.h"
#include "core/Crc32.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProcessRunner.h"
#include "core/ProfileFile.h"
#include "core/ProfileStore.h"
#include "core/ReportSink.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"
#include "primary/FileListSink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace Sections = CatalogueSections;

namespace {

constexpr auto kCopyRetryPause = std::chrono::milliseconds(100);
constexpr auto kIniCopyRetryPause = std::chrono::milliseconds(1000);
constexpr std::uint64_t kKilobyte = 1024;
constexpr std::string_view kSyncDataDirectory = "syncdata";
constexpr std::size_t kExtensionLength = 3;
// The copies, and the packers' files, reach the disk all at once before the catalogue names
// them: one flush instead of one for every file.
constexpr CFileOps::EFlush kFlush = CFileOps::EFlush::Later;

// Files of the Windows directory, one search each, in this order.
constexpr std::string_view kWinntPatterns[] = {
    "jxamsg*.ini",      "jxadelay.ini",       "jxapwd.ini",    "jxawhitelist.ini", "jxalogout.ini",
    "jxapremsg.ini",    "jxadeadman.ini",     "jxpers.ini",    "jxaconf.ini",      "jxaview.ini",
    "jxmover.ini",      "jxa_wdir.ini",       "jxachkalr.ini", "jxa2ndalarm.ini",  "jxaxml.ini",
    "jxaxmlappl.ini",   "vmjxt.ini",          "jxamaster.ini", "jxabca.ini",       "jxaemail.ini",
    "jxaplay.ini",      "jxaredalrstart.ini", "jxareport.ini", "jxcusrgrp.ini",    "jxadeact.ini",
    "jxadectnames.ini",
};
constexpr std::string_view kAlarmIni = "jxalarm.ini";

constexpr std::string_view kNotPublishableLog =
    "File %s is not published: its name cannot be carried by the catalogue";
constexpr std::string_view kCaseTwinLog =
    "File %s is not published: its name differs from %s only in letter case";
constexpr std::string_view kPackedNameTakenLog =
    "File %s is not published: its name is taken by the packed copy of %s";
constexpr std::string_view kPublishedUnpackedLog =
    "File %s is published unpacked: its packed name %s belongs to another file";
constexpr std::string_view kWebDirectorySkippedLog =
    "Skipped directory %s: it is the web directory";
constexpr std::string_view kFlushFailedLog =
    "Failed to write the published files in %s to disk: %s";
constexpr std::string_view kStateWriteFailedLog =
    "Failed to write %s: the next preparation publishes every file again";

// Beside the catalogue: how each entry was last published, so that an unchanged file is not
// copied and packed again. A missing or unreadable state only means everything is published.
constexpr std::string_view kStateFile = "zezodi.state";
constexpr std::string_view kStateWorkFile = "zezodi.state.tmp";
constexpr std::string_view kStateHeader = "zezodi publication state 1";
constexpr char kFieldSeparator = '\t';
constexpr std::string_view kAbsent = "-";
constexpr std::size_t kStateFields = 7;
constexpr auto kTickPause = std::chrono::milliseconds(1);
constexpr int kTickAttempts = 2000;
// Values are read whole: a cut value could match another name.
constexpr std::size_t kMaxValue = 1024 * 1024;
constexpr std::size_t kMaxPreviousCatalogue = 16 * 1024 * 1024;

std::string LowerAscii(std::string_view text)
{
    std::string lower{text};
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

bool IsControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// A name with a line break or another control character would corrupt the catalogue's lines.
bool HasControlCharacter(std::string_view name)
{
    return std::any_of(name.begin(), name.end(), IsControl);
}

// The profile store trims blanks and one pair of enclosing quotes from values, the Windows
// peers take '\' as a separator and cannot hold the other characters, or a trailing dot, in a
// name: such a name would reach a secondary as another name or none.
bool CatalogueCanCarry(std::string_view name)
{
    if (name.empty() || HasControlCharacter(name)) {
        return false;
    }
    if (name.front() == ' ' || name.back() == ' ' || name.back() == '.') {
        return false;
    }
    if (name.size() >= 2 && (name.front() == '\'' || name.front() == '"') &&
        name.back() == name.front()) {
        return false;
    }
    return name.find_first_of("<>:\"/\\|?*") == std::string_view::npos;
}

std::string Printable(std::string_view text)
{
    std::string shown{text};
    std::replace_if(shown.begin(), shown.end(), IsControl, '?');
    return shown;
}

// The last three characters; a multi-byte UTF-8 character counts as one.
std::string Extension(const std::string& lowerName)
{
    std::size_t start = lowerName.size();
    for (std::size_t count = 0; count < kExtensionLength && start > 0; ++count) {
        --start;
        while (start > 0 && (static_cast<unsigned char>(lowerName[start]) & 0xC0) == 0x80) {
            --start;
        }
    }
    return lowerName.substr(start);
}

std::uint64_t SizeInKb(std::uint64_t size)
{
    if (size > 0 && size < kKilobyte) {
        return 1;
    }
    return size / kKilobyte;
}

// Catalogue sections name subdirectories with '\', as the Windows peers expect.
std::string SectionPath(std::string_view section)
{
    std::string path{section};
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::optional<std::pair<dev_t, ino_t>> IdentityOf(const std::string& dir)
{
    struct stat info
    {};
    if (stat(dir.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return std::make_pair(info.st_dev, info.st_ino);
}

std::vector<std::string> SplitFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t end = line.find(kFieldSeparator);; end = line.find(kFieldSeparator, start)) {
        fields.push_back(line.substr(start, end - start));
        if (end == std::string::npos) {
            return fields;
        }
        start = end + 1;
    }
}

bool SourceCrc(const CCrc32& crc32, const std::string& path, std::uint64_t size,
               std::string& crcText)
{
    if (size == 0) {
        crcText = "0";
        return true;
    }
    std::uint32_t crc = 0;
    const std::uint32_t status = crc32.FileCrc(path, crc);
    crcText = CCrc32::CrcText(crc);
    return status == 0;
}

} // namespace

CCatalogueBuilder::CCatalogueBuilder(SPrimarySettings settings, CReportSink& report,
                                     CFileListSink& files, Clock clock, unsigned packers)
    : m_settings{std::move(settings)}, m_report{report}, m_files{files}, m_clock{std::move(clock)},
      m_queue{packers}
{}

int CCatalogueBuilder::BuildCatalogue()
{
    m_files.SetBusy(true);
    m_files.ClearFiles();
    m_error = false;
    m_walk.clear();
    m_claims.clear();
    m_packing.clear();

    const std::time_t now = m_clock ? m_clock() : std::time(nullptr);
    const std::string stamp = CTimeStamp::Format(now);
    // Nothing is published without a web directory: the copies would land in whatever
    // directory the process happens to run in.
    if (m_settings.webDir.empty()) {
        ReportError("No web server document directory configured in zezodi.ini",
                    CStringTable::Text(StringId::NoWebServer));
        return Finish();
    }
    if (!m_catalogue.Begin(m_settings.webDir, stamp)) {
        WriteLog("Failed to start the sync catalogue " +
                 CPlatform::JoinPath(m_settings.webDir, ConfigKeys::kCatalogueWorkFile));
        m_error = true;
        return Finish();
    }
    CProfileStore::WriteText(ConfigKeys::kConfig, ConfigKeys::kLastSync, stamp,
                             ConfigKeys::kIniFile);
    m_webIdentity = IdentityOf(m_settings.webDir);

    ReadPublicationState();
    m_crc32.BuildTable();
    AddFileGroups(CPlatform::DriveDirectory(m_settings.installDir), CPlatform::WindowsDirectory());
    m_queue.Drain();
    m_crc32.FreeTable();
    if (const int error = CFileOps::FlushFileSystem(m_settings.webDir); error != 0) {
        ReportError(
            CStringTable::FormatText(kFlushFailedLog, {m_settings.webDir, std::strerror(error)}),
            CStringTable::Format(StringId::PublishedFilesNotWritten,
                                 {m_settings.webDir, std::strerror(error)}));
    }
    WritePublicationState();

    if (!m_catalogue.Commit()) {
        const std::string work =
            CPlatform::JoinPath(m_settings.webDir, ConfigKeys::kCatalogueWorkFile);
        const std::string catalogue =
            CPlatform::JoinPath(m_settings.webDir, ConfigKeys::kCatalogueFile);
        ReportError("Failed to copy file from " + work + " to " + catalogue,
                    CStringTable::Format(StringId::CopyFileFailed, {work, catalogue}));
    }
    m_files.SetLastSync(CTimeStamp::Display(stamp));
    return Finish();
}

void CCatalogueBuilder::AddFileGroups(const std::string& drive, const std::string& windowsDir)
{
    const std::string db1 = CPlatform::JoinPath(drive, "db1");
    AddFiles(db1, "*.dbf", Sections::kDb1, false);

    const std::string dbv1 = CPlatform::JoinPath(drive, "dbv1");
    AddFiles(dbv1, "v*_1.vox", Sections::kDbv1, false);
    AddFiles(dbv1, "v*_1.wav", Sections::kDbv1, false);

    const std::string& jxt = m_settings.installDir;
    for (const std::string_view pattern : {"*.jxe", "*.jxt", "*.jxd"}) {
        AddFiles(jxt, pattern, Sections::kJxt, false);
    }
    if (m_settings.syncSystemQueueDb != 0) {
        AddFiles(jxt, "jxtini.*", Sections::kJxt, false);
        for (const std::string_view pattern :
             {"jxtpost*.*", "jxtbatch.*", "jxtip.dbf", "jxttimer.*", "jxtqueue.*"}) {
            AddFiles(jxt, pattern, Sections::kJxt, true);
        }
    }
    for (const std::string_view pattern : {"*.jxw", "*.jxh", "*.bat", "*.cmd", "*.txt", "*.rtf"}) {
        AddFiles(jxt, pattern, Sections::kJxt, false);
    }

    for (const std::string_view pattern : kWinntPatterns) {
        AddFiles(windowsDir, pattern, Sections::kWinnt, false);
    }
    AddFiles(windowsDir, kAlarmIni, Sections::kWinnt, m_settings.syncJxalarmIni != 1);

    const std::string apache = CPlatform::JoinPath(drive, ConfigKeys::kApacheRootBelowDrive);
    if (CFileOps::IsDirectory(apache)) {
        AddFiles(apache, "*.php", Sections::kWebPhp, false);
    }
    const std::string htdocs = CPlatform::JoinPath(drive, ConfigKeys::kOwnWebRootBelowDrive);
    if (CFileOps::IsDirectory(htdocs)) {
        AddFiles(htdocs, "*.php", Sections::kHtdocs, false);
        AddDirectoryTree(htdocs, Sections::kHtdocs);
    }

    AddIniFiles(windowsDir, "jx*.ini");
    AddIniFiles(windowsDir, "vmjxt.ini");
}

void CCatalogueBuilder::AddFiles(const std::string& sourceDir, std::string_view pattern,
                                 std::string_view section, bool onlyIfAbsent)
{
    const std::string exclusion = LowerAscii(m_settings.doNotSyncFiles);
    const std::string targetDir = CPlatform::JoinPath(m_settings.webDir, SectionPath(section));
    std::vector<std::string> names;
    std::unordered_set<std::string> listed;
    for (std::string& name : CFileOps::FindFiles(sourceDir, pattern)) {
        std::string lowerName = LowerAscii(name);
        if (exclusion.find(lowerName) == std::string::npos) {
            names.push_back(std::move(name));
            listed.insert(std::move(lowerName));
        }
    }
    bool ensured = false;
    for (const std::string& name : names) {
        const std::string lowerName = LowerAscii(name);
        const std::string source = CPlatform::JoinPath(sourceDir, name);
        const std::string target = CPlatform::JoinPath(targetDir, lowerName);
        if (!ClaimName(name, source, target, lowerName)) {
            continue;
        }
        // Once a listing: its files all go into the one directory.
        if (!ensured) {
            EnsureWebDirectory(section);
            ensured = true;
        }
        // Taken before the copy: a source written meanwhile no longer matches next time.
        const auto sourceStamp = StampOf(source);
        SPublished published;
        bool zipped = false;
        if (KeepPublished(section, lowerName, source, sourceStamp, target, &listed, published,
                          zipped)) {
            Publish(section, lowerName, sourceDir, published, zipped, onlyIfAbsent);
            continue;
        }
        if (!CopyToWeb(source, target)) {
            ReportCopyFailure(source, target, lowerName);
            continue;
        }
        if (!Checksum(target, published)) {
            continue;
        }
        const bool big = published.size > 0 &&
                         SizeInKb(published.size) >
                             static_cast<std::uint64_t>(std::max(m_settings.zipIfBigger, 0));
        // The entry is told once its packer is done, in its place among the others.
        const auto told = [=, this, section = std::string{section}](bool packed) {
            RecordPublication(section, lowerName, sourceStamp, target, published, packed);
            Publish(section, lowerName, sourceDir, published, packed, onlyIfAbsent);
        };
        if (!big || !Pack(source, target, lowerName, listed, told)) {
            told(false);
        }
    }
}

void CCatalogueBuilder::Publish(std::string_view section, const std::string& lowerName,
                                const std::string& sourceDir, const SPublished& published,
                                bool zipped, bool onlyIfAbsent)
{
    const std::uint64_t sizeKb = SizeInKb(published.size);
    AddEntry(section, lowerName, published.crcText, zipped, onlyIfAbsent);
    AddFileRow(CFileRow{
        lowerName, Extension(lowerName), sourceDir, CTimeStamp::ListDate(published.modified),
        CStringTable::Format(StringId::SizeInKb, {std::to_string(sizeKb)}), published.crcText});
}

void CCatalogueBuilder::AddDirectoryTree(const std::string& dir, std::string_view section)
{
    const auto here = IdentityOf(dir);
    if (!here) {
        return;
    }
    if (here == m_webIdentity) {
        WriteLog(CStringTable::FormatText(kWebDirectorySkippedLog, {dir}));
        return;
    }
    m_walk.push_back(*here);
    // Lower-cased names of this directory's subdirectories, each with its path.
    std::unordered_map<std::string, std::string> seen;
    for (const std::string& name : CFileOps::FindDirectories(dir)) {
        // The pattern "*." of the Windows peers: names without a dot.
        if (name.find('.') != std::string::npos) {
            continue;
        }
        const std::string lowerName = LowerAscii(name);
        if (lowerName == kSyncDataDirectory) {
            continue;
        }
        const std::string fullPath = CPlatform::JoinPath(dir, name);
        const std::string subsection = std::string{section} + "\\" + lowerName;
        // Copies published into the tree itself would be published again at every run.
        const auto identity = IdentityOf(fullPath);
        if (identity && identity == m_webIdentity) {
            WriteLog(CStringTable::FormatText(kWebDirectorySkippedLog, {fullPath}));
            continue;
        }
        // A section name cannot close its own header with ']' either.
        if (!CatalogueCanCarry(name) || name.find(']') != std::string::npos) {
            RefuseName(StringId::NameNotPublishable, kNotPublishableLog, fullPath, {}, lowerName);
            continue;
        }
        if (const auto [twin, added] = seen.try_emplace(lowerName, fullPath); !added) {
            RefuseName(StringId::NameCaseTwin, kCaseTwinLog, fullPath, twin->second, lowerName);
            continue;
        }
        // A symbolic link back into the tree would make the walk endless.
        if (!identity || std::find(m_walk.begin(), m_walk.end(), *identity) != m_walk.end()) {
            WriteLog("Skipped directory " + fullPath + ": it leads back into the tree");
            continue;
        }
        AddFiles(fullPath, "*.*", subsection, false);
        AddDirectory(section, subsection);
        EnsureWebDirectory(subsection);
        AddDirectoryTree(fullPath, subsection);
    }
    m_walk.pop_back();
}

void CCatalogueBuilder::AddIniFiles(const std::string& windowsDir, std::string_view pattern)
{
    const std::string targetDir = CPlatform::JoinPath(m_settings.webDir, Sections::kIniFiles);
    for (const std::string& name : CFileOps::FindFiles(windowsDir, pattern)) {
        const std::string source = CPlatform::JoinPath(windowsDir, name);
        const std::string target = CPlatform::JoinPath(targetDir, name);
        if (!ClaimName(name, source, target, name)) {
            continue;
        }
        EnsureWebDirectory(Sections::kIniFiles);
        const auto sourceStamp = StampOf(source);
        SPublished published;
        bool zipped = false;
        if (!KeepPublished(Sections::kIniFiles, name, source, sourceStamp, target, nullptr,
                           published, zipped)) {
            if (CFileOps::CopyFileKeepTime(source, target, kFlush) != 0) {
                std::this_thread::sleep_for(kIniCopyRetryPause);
                unlink(target.c_str());
                if (CFileOps::CopyFileKeepTime(source, target, kFlush) != 0) {
                    WriteLog("Failed to copy file from " + source + " to " + target);
                    continue;
                }
            }
            if (!Checksum(target, published, false)) {
                continue;
            }
            RecordPublication(Sections::kIniFiles, name, sourceStamp, target, published, false);
        }
        AddEntry(Sections::kIniFiles, name, published.crcText, false, false);
    }
}

bool CCatalogueBuilder::CopyToWeb(const std::string& source, const std::string& target)
{
    if (CFileOps::CopyFileKeepTime(source, target, kFlush) == 0) {
        return true;
    }
    std::this_thread::sleep_for(kCopyRetryPause);
    struct stat info
    {};
    if (stat(target.c_str(), &info) == 0) {
        chmod(target.c_str(), (info.st_mode & 07777) | S_IWUSR);
    }
    return CFileOps::CopyFileKeepTime(source, target, kFlush) == 0;
}

bool CCatalogueBuilder::Checksum(const std::string& target, SPublished& published, bool reported)
{
    // Size, date and checksum all describe the published copy, whatever the source did since.
    struct stat info
    {};
    std::uint32_t status = 0;
    std::uint32_t crc = 0;
    if (stat(target.c_str(), &info) != 0) {
        status = static_cast<std::uint32_t>(errno);
    } else if (info.st_size > 0) {
        status = m_crc32.FileCrc(target, crc);
    }
    if (status != 0) {
        const std::string code = std::to_string(status);
        WriteLog("Failed to get CRC from file " + target + "  Error Code: " + code);
        if (reported) {
            AddReportLine(CStringTable::Format(StringId::CrcFailed, {target, code}),
                          CReportSink::ImageError);
            m_error = true;
        }
        return false;
    }
    published.size = static_cast<std::uint64_t>(info.st_size);
    published.modified = info.st_mtime;
    published.crcText = info.st_size > 0 ? CCrc32::CrcText(crc) : std::string{"0"};
    return true;
}

bool CCatalogueBuilder::ClaimName(const std::string& name, const std::string& source,
                                  const std::string& target, const std::string& shownName)
{
    if (!CatalogueCanCarry(name)) {
        RefuseName(StringId::NameNotPublishable, kNotPublishableLog, source, {}, shownName);
        return false;
    }
    AwaitPacking(target);
    // The same file found again by a later pattern is published again under its own name.
    const auto [claim, added] = m_claims.try_emplace(LowerAscii(target), SClaim{source, false});
    if (added || (claim->second.source == source && !claim->second.packed)) {
        return true;
    }
    if (claim->second.packed) {
        RefuseName(StringId::PackedNameTaken, kPackedNameTakenLog, source, claim->second.source,
                   shownName);
    } else {
        RefuseName(StringId::NameCaseTwin, kCaseTwinLog, source, claim->second.source, shownName);
    }
    return false;
}

CCatalogueBuilder::SPackPlan
CCatalogueBuilder::PlanPacking(const std::string& source, const std::string& target,
                               const std::string& lowerName,
                               const std::unordered_set<std::string>& listed)
{
    SPackPlan plan;
    // The archive of the zip program replaces the name's last three characters; a name that
    // ends in "zip" or is too short would make it overwrite the copy or land outside its
    // directory.
    if (!m_settings.useGzip &&
        (m_settings.zipProg.empty() || lowerName.size() <= kExtensionLength ||
         lowerName.ends_with("zip"))) {
        return plan;
    }
    plan.packed = PackedPath(target);
    // A packed name that another file of this run holds, or that a file of the same listing
    // will hold, stays that file's: this one is published unpacked.
    AwaitPacking(plan.packed);
    const std::string packedKey = LowerAscii(plan.packed);
    const auto claim = m_claims.find(packedKey);
    const bool ownCopy =
        claim != m_claims.end() && claim->second.packed && claim->second.source == source;
    plan.nameTaken = (claim != m_claims.end() && !ownCopy) ||
                     listed.contains(packedKey.substr(packedKey.rfind('/') + 1));
    return plan;
}

std::string CCatalogueBuilder::PackedPath(const std::string& target) const
{
    return m_settings.useGzip ? target + ".gz"
                              : target.substr(0, target.size() - kExtensionLength) + "zip";
}

std::string CCatalogueBuilder::Packer() const
{
    return m_settings.useGzip ? std::string{"gzip"} : "zip " + m_settings.zipProg;
}

bool CCatalogueBuilder::Pack(const std::string& source, const std::string& target,
                             const std::string& lowerName,
                             const std::unordered_set<std::string>& listed,
                             std::function<void(bool)> told)
{
    const SPackPlan plan = PlanPacking(source, target, lowerName, listed);
    if (plan.packed.empty()) {
        return false;
    }
    const std::string& packed = plan.packed;
    if (plan.nameTaken) {
        WriteLog(CStringTable::FormatText(kPublishedUnpackedLog, {source, packed}));
        return false;
    }
    unlink(packed.c_str());
    const std::string commandLine = m_settings.useGzip ? "gzip " + CCommandLine::Quote(target)
                                                       : CCommandLine::Program(m_settings.zipProg) +
                                                             " " + CCommandLine::Quote(packed) +
                                                             " " + CCommandLine::Quote(target);
    const CPackingQueue::Ticket ticket = m_queue.Pack(
        commandLine, [this, source, packed, told = std::move(told)](bool exitedWithZero) {
            // gzip leaves names such as .tgz, .z or -gz unchanged and still ends with 0: only a
            // packed copy that exists makes the entry packed.
            const bool packedCopy = exitedWithZero && CFileOps::IsRegularFile(packed);
            if (packedCopy) {
                m_claims[LowerAscii(packed)] = SClaim{source, true};
            }
            told(packedCopy);
        });
    // Until the packer is done, neither its input nor its output may be claimed or written.
    m_packing[LowerAscii(target)] = ticket;
    m_packing[LowerAscii(packed)] = ticket;
    return true;
}

void CCatalogueBuilder::AwaitPacking(const std::string& path)
{
    const auto pending = m_packing.find(LowerAscii(path));
    if (pending != m_packing.end()) {
        m_queue.WaitFor(pending->second);
        m_packing.erase(pending);
    }
}

std::optional<CCatalogueBuilder::SFileStamp> CCatalogueBuilder::StampOf(const std::string& path)
{
    struct stat info
    {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return SFileStamp{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino),
                      static_cast<std::uint64_t>(info.st_size),
                      info.st_mtim.tv_sec,
                      info.st_mtim.tv_nsec,
                      info.st_ctim.tv_sec,
                      info.st_ctim.tv_nsec};
}

bool CCatalogueBuilder::KeepPublished(std::string_view section, const std::string& lowerName,
                                      const std::string& source,
                                      const std::optional<SFileStamp>& sourceStamp,
                                      const std::string& target,
                                      const std::unordered_set<std::string>* listed,
                                      SPublished& published, bool& zipped)
{
    const std::string key = std::string{section} + kFieldSeparator + lowerName;
    const auto last = m_lastState.find(key);
    if (!sourceStamp || last == m_lastState.end() || last->second.source != *sourceStamp) {
        return false;
    }
    const SPublication& was = last->second;
    const SPreviousEntry* entry = PreviousEntry(section, lowerName);
    const bool wasPacked = !was.packer.empty();
    if (entry == nullptr || entry->ambiguous || entry->crcText != was.crcText ||
        entry->zipped != wasPacked) {
        return false;
    }
    // The packing the current settings give must be the one the published files have.
    const std::uint64_t size = sourceStamp->size;
    const bool wantPacked =
        listed != nullptr && size > 0 &&
        SizeInKb(size) > static_cast<std::uint64_t>(std::max(m_settings.zipIfBigger, 0));
    const SPackPlan plan =
        wantPacked ? PlanPacking(source, target, lowerName, *listed) : SPackPlan{};
    const bool packed = !plan.packed.empty() && !plan.nameTaken;
    if (packed != wasPacked || (packed && was.packer != Packer())) {
        return false;
    }
    // gzip replaces the copy by its archive; the zip program leaves both.
    const bool copyKept = !packed || !m_settings.useGzip;
    if (StampOf(target) != (copyKept ? was.copy : std::nullopt) ||
        (packed && StampOf(plan.packed) != was.packedCopy)) {
        return false;
    }
    std::string crcText;
    if (!SourceCrc(m_crc32, source, size, crcText) || crcText != was.crcText) {
        return false;
    }
    if (plan.nameTaken) {
        WriteLog(CStringTable::FormatText(kPublishedUnpackedLog, {source, plan.packed}));
    }
    if (packed) {
        m_claims[LowerAscii(plan.packed)] = SClaim{source, true};
    }
    published.size = size;
    published.modified = static_cast<std::time_t>(sourceStamp->modifiedSec);
    published.crcText = crcText;
    zipped = packed;
    m_newState[key] = was;
    return true;
}

const CCatalogueBuilder::SPreviousEntry* CCatalogueBuilder::PreviousEntry(std::string_view section,
                                                                          const std::string& name)
{
    auto [entries, added] = m_previous.try_emplace(std::string{section});
    if (added && m_previousCatalogue) {
        for (int n = 1; n <= CCatalogueReader::kMaxEntries; ++n) {
            std::string file = m_previousCatalogue->ReadText(
                section, ConfigKeys::NumberedKey(ConfigKeys::kFile, n), "", kMaxValue);
            if (file.empty()) {
                break;
            }
            SPreviousEntry read{
                m_previousCatalogue->ReadText(section, ConfigKeys::NumberedKey(ConfigKeys::kCrc, n),
                                              "", kMaxValue),
                m_previousCatalogue->ReadInt(
                    section, ConfigKeys::NumberedKey(ConfigKeys::kZipped, n), 0) != 0,
                false};
            auto [it, fresh] = entries->second.try_emplace(std::move(file), read);
            if (!fresh &&
                (it->second.crcText != read.crcText || it->second.zipped != read.zipped)) {
                it->second.ambiguous = true;
            }
        }
    }
    const auto found = entries->second.find(name);
    return found == entries->second.end() ? nullptr : &found->second;
}

void CCatalogueBuilder::RecordPublication(std::string_view section, const std::string& lowerName,
                                          const std::optional<SFileStamp>& sourceStamp,
                                          const std::string& target, const SPublished& published,
                                          bool zipped)
{
    const std::string key = std::string{section} + kFieldSeparator + lowerName;
    // A name published again later in this run describes the files as that publication left
    // them; until then, or when a file cannot be described, nothing is kept of it.
    m_newState.erase(key);
    if (!sourceStamp) {
        return;
    }
    SPublication publication{*sourceStamp, published.crcText, {}, {}, {}};
    if (zipped) {
        publication.packer = Packer();
        publication.packedCopy = StampOf(PackedPath(target));
        if (!publication.packedCopy) {
            return;
        }
    }
    if (!zipped || !m_settings.useGzip) {
        publication.copy = StampOf(target);
        if (!publication.copy) {
            return;
        }
    }
    m_newState[key] = std::move(publication);
}

namespace {

template <typename Stamp> std::string StampText(const std::optional<Stamp>& stamp)
{
    if (!stamp) {
        return std::string{kAbsent};
    }
    return std::to_string(stamp->device) + ' ' + std::to_string(stamp->inode) + ' ' +
           std::to_string(stamp->size) + ' ' + std::to_string(stamp->modifiedSec) + ' ' +
           std::to_string(stamp->modifiedNsec) + ' ' + std::to_string(stamp->changedSec) + ' ' +
           std::to_string(stamp->changedNsec);
}

// False when the text is neither a whole stamp nor the mark of an absent file.
template <typename Stamp> bool ParseStamp(const std::string& text, std::optional<Stamp>& stamp)
{
    if (text == kAbsent) {
        stamp.reset();
        return true;
    }
    unsigned long long device = 0;
    unsigned long long inode = 0;
    unsigned long long size = 0;
    long long times[4] = {};
    int used = 0;
    if (std::sscanf(text.c_str(), "%llu %llu %llu %lld %lld %lld %lld%n", &device, &inode, &size,
                    &times[0], &times[1], &times[2], &times[3], &used) != 7 ||
        static_cast<std::size_t>(used) != text.size()) {
        return false;
    }
    stamp = Stamp{device, inode, size, times[0], times[1], times[2], times[3]};
    return true;
}

} // namespace

void CCatalogueBuilder::ReadPublicationState()
{
    m_lastState.clear();
    m_newState.clear();
    m_previous.clear();
    // The previous catalogue is read once; it stays in place until this run replaces it.
    m_previousCatalogue.reset();
    std::string bytes;
    CProfileFile::SStamp stamp;
    if (CProfileFile::Load(CPlatform::JoinPath(m_settings.webDir, ConfigKeys::kCatalogueFile),
                           bytes, stamp) == CProfileFile::EResult::Present &&
        !bytes.empty() && bytes.size() <= kMaxPreviousCatalogue) {
        m_previousCatalogue.emplace(std::move(bytes));
    }
    std::ifstream in{CPlatform::JoinPath(m_settings.webDir, kStateFile)};
    std::string line;
    if (!std::getline(in, line) || line != kStateHeader) {
        return;
    }
    while (std::getline(in, line)) {
        const std::vector<std::string> fields = SplitFields(line);
        if (fields.size() != kStateFields) {
            continue;
        }
        SPublication publication;
        std::optional<SFileStamp> source;
        if (!ParseStamp(fields[4], source) || !source || !ParseStamp(fields[5], publication.copy) ||
            !ParseStamp(fields[6], publication.packedCopy)) {
            continue;
        }
        publication.source = *source;
        publication.packer = fields[2];
        publication.crcText = fields[3];
        // A name seen twice is not trusted at all.
        const std::string key = fields[0] + kFieldSeparator + fields[1];
        if (!m_lastState.try_emplace(key, std::move(publication)).second) {
            m_lastState.erase(key);
        }
    }
}

bool CCatalogueBuilder::OutlastStamps(const std::string& path) const
{
    // File times advance in clock ticks: a file changed later in the tick a stamp was taken
    // would keep that stamp. The state is put in place only once the tick of every recorded
    // stamp has passed, so that any change after this run shows in the stamps.
    std::pair<std::int64_t, std::int64_t> latest{0, 0};
    for (const auto& [key, publication] : m_newState) {
        for (const auto& stamp : {std::optional<SFileStamp>{publication.source}, publication.copy,
                                  publication.packedCopy}) {
            if (stamp) {
                latest = std::max(latest, std::make_pair(stamp->changedSec, stamp->changedNsec));
            }
        }
    }
    for (int attempt = 0; attempt < kTickAttempts; ++attempt) {
        struct stat info
        {};
        if (stat(path.c_str(), &info) != 0) {
            return false;
        }
        if (std::make_pair(static_cast<std::int64_t>(info.st_ctim.tv_sec),
                           static_cast<std::int64_t>(info.st_ctim.tv_nsec)) > latest) {
            return true;
        }
        std::this_thread::sleep_for(kTickPause);
        if (utimensat(AT_FDCWD, path.c_str(), nullptr, 0) != 0) {
            return false;
        }
    }
    return false;
}

void CCatalogueBuilder::WritePublicationState()
{
    const std::string work = CPlatform::JoinPath(m_settings.webDir, kStateWorkFile);
    const std::string state = CPlatform::JoinPath(m_settings.webDir, kStateFile);
    bool written = false;
    {
        std::ofstream out{work, std::ios::trunc};
        out << kStateHeader << '\n';
        for (const auto& [key, publication] : m_newState) {
            // A field holding a line break or tab could not be read back as it was.
            if (HasControlCharacter(publication.packer) ||
                HasControlCharacter(publication.crcText)) {
                continue;
            }
            out << key << kFieldSeparator << publication.packer << kFieldSeparator
                << publication.crcText << kFieldSeparator
                << StampText(std::optional<SFileStamp>{publication.source}) << kFieldSeparator
                << StampText(publication.copy) << kFieldSeparator
                << StampText(publication.packedCopy) << '\n';
        }
        out.close();
        written = !out.fail() && OutlastStamps(work);
    }
    if (!written || rename(work.c_str(), state.c_str()) != 0) {
        unlink(work.c_str());
        unlink(state.c_str());
        WriteLog(CStringTable::FormatText(kStateWriteFailedLog, {state}));
    }
}

void CCatalogueBuilder::EnsureWebDirectory(std::string_view section) const
{
    // Every missing level is created, so a subtree publishes even when its parent section
    // has no files of its own.
    const std::string path = SectionPath(section);
    for (std::size_t end = path.find('/');; end = path.find('/', end + 1)) {
        const std::string level = CPlatform::JoinPath(m_settings.webDir, path.substr(0, end));
        if (!CFileOps::IsDirectory(level)) {
            CFileOps::CreateDirectory(level);
        }
        if (end == std::string::npos) {
            return;
        }
    }
}

void CCatalogueBuilder::ReportCopyFailure(const std::string& source, const std::string& target,
                                          const std::string& shownName)
{
    CFileRow row;
    row.name = CStringTable::Format(StringId::FileListError, {shownName});
    AddFileRow(row);
    ReportError("Failed to copy file from " + source + " to " + target,
                CStringTable::Format(StringId::CopyFileFailed, {source, target}));
}

void CCatalogueBuilder::RefuseName(StringId report, std::string_view logFormat,
                                   const std::string& source, const std::string& other,
                                   const std::string& shownName)
{
    CFileRow row;
    row.name = CStringTable::Format(StringId::FileListError, {Printable(shownName)});
    AddFileRow(row);
    const std::string shownSource = Printable(source);
    const std::string shownOther = Printable(other);
    ReportError(CStringTable::FormatText(logFormat, {shownSource, shownOther}),
                CStringTable::Format(report, {shownSource, shownOther}));
}

void CCatalogueBuilder::ReportError(const std::string& logText, const std::string& reportText)
{
    WriteLog(logText);
    AddReportLine(reportText, CReportSink::ImageError);
    m_error = true;
}

void CCatalogueBuilder::WriteLog(std::string text)
{
    m_queue.Then([this, text = std::move(text)] { CEventLog::WriteLog(m_settings.logDir, text); });
}

void CCatalogueBuilder::AddReportLine(std::string text, int image)
{
    m_queue.Then([this, text = std::move(text), image] { m_report.AddReportLine(text, image); });
}

void CCatalogueBuilder::AddFileRow(CFileRow row)
{
    m_queue.Then([this, row = std::move(row)] { m_files.AddFileRow(row); });
}

void CCatalogueBuilder::AddEntry(std::string_view section, std::string fileName,
                                 std::string crcText, bool zipped, bool onlyIfAbsent)
{
    m_queue.Then([=, this, section = std::string{section}] {
        m_catalogue.AddEntry(section, fileName, crcText, zipped, onlyIfAbsent);
    });
}

void CCatalogueBuilder::AddDirectory(std::string_view section, std::string subsection)
{
    m_queue.Then([this, section = std::string{section}, subsection = std::move(subsection)] {
        m_catalogue.AddDirectory(section, subsection);
    });
}

int CCatalogueBuilder::Finish()
{
    m_files.SetBusy(false);
    if (m_error) {
        m_report.AddReportLine(CStringTable::Text(StringId::PreparationFailed),
                               CReportSink::ImageError);
        return -1;
    }
    m_report.AddReportLine(CStringTable::Text(StringId::PreparationSucceeded),
                           CReportSink::ImageSuccess);
    return 1;
}
