#include "primary/CatalogueBuilder.h"

#include "core/CatalogueNames.h"
#include "core/CatalogueSections.h"
#include "core/ConfigKeys.h"
#include "core/Crc32.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/ReportSink.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"
#include "primary/BuildLogTexts.h"
#include "primary/DirectoryTree.h"
#include "primary/FileGroups.h"
#include "primary/FileListSink.h"
#include "primary/PackedCopy.h"
#include "primary/PublishedName.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>
#include <utility>
#include <vector>

namespace Sections = CatalogueSections;
namespace Texts = BuildLogTexts;

namespace {

constexpr auto kCopyRetryPause = std::chrono::milliseconds(100);
constexpr auto kIniCopyRetryPause = std::chrono::milliseconds(1000);
// The copies, and the packers' files, reach the disk all at once before the catalogue names
// them: one flush instead of one for every file.
constexpr CFileOps::EFlush kFlush = CFileOps::EFlush::Later;

constexpr char kKeySeparator = '\t';

std::string StateKey(std::string_view section, const std::string& name)
{
    return std::string{section} + kKeySeparator + name;
}

} // namespace

CCatalogueBuilder::CCatalogueBuilder(SPrimarySettings settings, CReportSink& report,
                                     CFileListSink& files, Clock clock, unsigned packers)
    : m_settings{std::move(settings)}, m_report{report}, m_files{files}, m_clock{std::move(clock)},
      m_queue{packers}, m_out{m_queue, report, files, m_catalogue, m_settings.logDir},
      m_publication{m_settings.webDir}, m_packer{m_settings.useGzip, m_settings.zipProg}
{}

int CCatalogueBuilder::BuildCatalogue()
{
    m_files.SetBusy(true);
    m_files.ClearFiles();
    m_out.Start();
    m_claims.clear();
    m_packing.clear();

    // Nothing is published without a web directory: the copies would land in whatever
    // directory the process happens to run in.
    if (m_settings.webDir.empty()) {
        m_out.ReportError("No web server document directory configured in zezodi.ini",
                          CStringTable::Text(StringId::NoWebServer));
        return m_out.Finish();
    }
    // A primary that signs never publishes an unsigned catalogue in place of a signed one.
    if (const std::string problem = m_signer.Load(m_settings.signingKeyFile); !problem.empty()) {
        m_out.ReportError(CStringTable::FormatText(Texts::kNotSignedLog, {problem}),
                          CStringTable::Format(StringId::CatalogueNotSigned, {problem}));
        return m_out.Finish();
    }
    int error = m_publication.Open();
    const std::string& current = m_publication.CurrentDir();
    m_previous.Load(current.empty() ? std::string{}
                                    : CPlatform::JoinPath(current, ConfigKeys::kCatalogueFile));
    const std::string stamp =
        CTimeStamp::Format(m_previous.NextStamp(m_clock ? m_clock() : std::time(nullptr)));
    if (error == 0) {
        error = m_publication.Begin(stamp);
    }
    if (error != 0) {
        m_out.ReportError(CStringTable::FormatText(Texts::kNotPublishedLog,
                                                   {m_settings.webDir, std::strerror(error)}),
                          CStringTable::Format(StringId::GenerationNotPublished,
                                               {m_settings.webDir, std::strerror(error)}));
        return m_out.Finish();
    }
    if (!m_catalogue.Begin(m_publication.BuildDir(), stamp)) {
        m_out.WriteLog("Failed to start the sync catalogue " +
                       CPlatform::JoinPath(m_settings.webDir, ConfigKeys::kCatalogueWorkFile));
        m_out.SetFailed();
        m_publication.Abandon();
        return m_out.Finish();
    }
    m_crc32.BuildTable();
    AddFileGroups(CPlatform::DriveDirectory(m_settings.installDir), CPlatform::WindowsDirectory());
    m_queue.Drain();
    m_crc32.FreeTable();
    // A stopped build is never published: the secondaries keep the whole generation before.
    if (StopRequested()) {
        m_publication.Abandon();
        return m_out.FinishStopped();
    }
    m_out.WarnLongSections();
    if (PublishGeneration()) {
        CProfileStore::WriteText(ConfigKeys::kConfig, ConfigKeys::kLastSync, stamp,
                                 ConfigKeys::kIniFile);
        m_files.SetLastSync(CTimeStamp::Display(stamp));
    }
    return m_out.Finish();
}

void CCatalogueBuilder::SetStopRequest(std::function<bool()> stopRequested)
{
    m_stopRequested = std::move(stopRequested);
}

bool CCatalogueBuilder::StopRequested() const
{
    return m_stopRequested && m_stopRequested();
}

bool CCatalogueBuilder::PublishGeneration()
{
    const std::string& build = m_publication.BuildDir();
    if (!m_catalogue.Commit()) {
        const std::string work =
            CPlatform::JoinPath(m_settings.webDir, ConfigKeys::kCatalogueWorkFile);
        const std::string catalogue =
            CPlatform::JoinPath(m_settings.webDir, ConfigKeys::kCatalogueFile);
        m_out.ReportError("Failed to copy file from " + work + " to " + catalogue,
                          CStringTable::Format(StringId::CopyFileFailed, {work, catalogue}));
        m_publication.Abandon();
        return false;
    }
    CPublication::AddPermissions(CPlatform::JoinPath(build, ConfigKeys::kCatalogueFile),
                                 CPublication::kReadableByAll);
    if (const int error =
            m_signer.SignCatalogue(CPlatform::JoinPath(build, ConfigKeys::kCatalogueFile));
        error != 0) {
        m_out.ReportError(
            CStringTable::FormatText(Texts::kNotSignedLog, {std::strerror(error)}),
            CStringTable::Format(StringId::CatalogueNotSigned, {std::strerror(error)}));
        m_publication.Abandon();
        return false;
    }
    // Everything the new generation holds is on disk before it becomes current.
    if (const int error = CFileOps::FlushFileSystem(build); error != 0) {
        m_out.ReportError(CStringTable::FormatText(Texts::kFlushFailedLog,
                                                   {m_settings.webDir, std::strerror(error)}),
                          CStringTable::Format(StringId::PublishedFilesNotWritten,
                                               {m_settings.webDir, std::strerror(error)}));
        m_publication.Abandon();
        return false;
    }
    if (const int error = m_publication.Switch(); error != 0) {
        m_out.ReportError(CStringTable::FormatText(Texts::kNotPublishedLog,
                                                   {m_settings.webDir, std::strerror(error)}),
                          CStringTable::Format(StringId::GenerationNotPublished,
                                               {m_settings.webDir, std::strerror(error)}));
        m_publication.Abandon();
        return false;
    }
    if (!m_publication.WriteState()) {
        m_out.WriteLog(
            CStringTable::FormatText(Texts::kStateWriteFailedLog, {m_publication.StatePath()}));
    }
    return true;
}

void CCatalogueBuilder::AddFileGroups(const std::string& drive, const std::string& windowsDir)
{
    for (const CFileGroups::SSearch& search :
         CFileGroups::Searches(m_settings, drive, windowsDir)) {
        AddFiles(search.sourceDir, search.pattern, search.section, search.onlyIfAbsent);
    }
    if (const std::string webRoot = CFileGroups::WebRoot(drive); !webRoot.empty()) {
        AddDirectoryTree(webRoot, Sections::kHtdocs);
    }
    AddIniFiles(windowsDir, "jx*.ini");
    AddIniFiles(windowsDir, "vmjxt.ini");
}

void CCatalogueBuilder::AddFiles(const std::string& sourceDir, std::string_view pattern,
                                 std::string_view section, bool onlyIfAbsent)
{
    const std::string exclusion = CCatalogueNames::Lower(m_settings.doNotSyncFiles);
    const std::string targetDir =
        CPlatform::JoinPath(m_publication.BuildDir(), CCatalogueNames::SectionPath(section));
    std::vector<std::string> names;
    std::unordered_set<std::string> listed;
    for (std::string& name : CFileOps::FindFiles(sourceDir, pattern)) {
        std::string lowerName = CCatalogueNames::Lower(name);
        if (exclusion.find(lowerName) == std::string::npos) {
            names.push_back(std::move(name));
            listed.insert(std::move(lowerName));
        }
    }
    bool ensured = false;
    for (const std::string& name : names) {
        if (StopRequested()) {
            return;
        }
        const std::string lowerName = CCatalogueNames::Lower(name);
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
        const auto sourceStamp = CPublication::StampOf(source);
        SPublished published;
        bool zipped = false;
        if (KeepPublished(section, lowerName, source, sourceStamp, target, &listed, published,
                          zipped)) {
            Publish(section, lowerName, sourceDir, published, zipped, onlyIfAbsent);
            continue;
        }
        if (!CopyToWeb(source, target)) {
            m_out.ReportCopyFailure(source, Shown(target), lowerName);
            continue;
        }
        if (!Checksum(target, published)) {
            continue;
        }
        const bool big = published.size > 0 &&
                         CPublishedName::SizeInKb(published.size) >
                             static_cast<std::uint64_t>(std::max(m_settings.zipIfBigger, 0));
        // The entry is told once its packer is done, in its place among the others.
        const auto told = [=, this, section = std::string{section}](bool packed) {
            RecordPublication(section, lowerName, sourceStamp, target, published, packed);
            Publish(section, lowerName, sourceDir, published, packed, onlyIfAbsent);
        };
        if (!big || !Pack(source, target, lowerName, published, listed, told)) {
            told(false);
        }
    }
}

std::string CCatalogueBuilder::ServedChecksum(std::string_view section, const std::string& name)
{
    std::string sha256;
    const std::string path = CCatalogueSigner::ServedPath(m_publication.BuildDir(), section, name);
    if (const int error = m_signer.Checksum(path, sha256); error != 0) {
        // The entry goes without it, and a secondary that checks signatures refuses it.
        m_out.WriteLog(
            CStringTable::FormatText(Texts::kShaFailedLog, {Shown(path), std::to_string(error)}));
        m_out.SetFailed();
    }
    return sha256;
}

void CCatalogueBuilder::Publish(std::string_view section, const std::string& lowerName,
                                const std::string& sourceDir, const SPublished& published,
                                bool zipped, bool onlyIfAbsent)
{
    const std::uint64_t sizeKb = CPublishedName::SizeInKb(published.size);
    m_out.AddEntry(section, lowerName, published.crcText, zipped, onlyIfAbsent,
                   ServedChecksum(section, zipped ? m_packer.PackedPath(lowerName) : lowerName));
    m_out.AddFileRow(CFileRow{lowerName, CPublishedName::Extension(lowerName), sourceDir,
                              CTimeStamp::ListDate(published.modified),
                              CStringTable::Format(StringId::SizeInKb, {std::to_string(sizeKb)}),
                              published.crcText});
}

void CCatalogueBuilder::AddDirectoryTree(const std::string& dir, std::string_view section)
{
    CDirectoryTree{m_publication, m_out}.Walk(
        dir, section,
        [this](const std::string& path, std::string_view parent, const std::string& subsection) {
            if (StopRequested()) {
                return false;
            }
            AddFiles(path, "*.*", subsection, false);
            m_out.AddDirectory(parent, subsection);
            EnsureWebDirectory(subsection);
            return true;
        });
}

void CCatalogueBuilder::AddIniFiles(const std::string& windowsDir, std::string_view pattern)
{
    const std::string targetDir =
        CPlatform::JoinPath(m_publication.BuildDir(), Sections::kIniFiles);
    for (const std::string& name : CFileOps::FindFiles(windowsDir, pattern)) {
        if (StopRequested()) {
            return;
        }
        const std::string source = CPlatform::JoinPath(windowsDir, name);
        const std::string target = CPlatform::JoinPath(targetDir, name);
        if (!ClaimName(name, source, target, name)) {
            continue;
        }
        EnsureWebDirectory(Sections::kIniFiles);
        const auto sourceStamp = CPublication::StampOf(source);
        SPublished published;
        bool zipped = false;
        if (!KeepPublished(Sections::kIniFiles, name, source, sourceStamp, target, nullptr,
                           published, zipped)) {
            if (CFileOps::CopyFileKeepTime(source, target, kFlush) != 0) {
                std::this_thread::sleep_for(kIniCopyRetryPause);
                unlink(target.c_str());
                if (CFileOps::CopyFileKeepTime(source, target, kFlush) != 0) {
                    m_out.WriteLog("Failed to copy file from " + source + " to " + Shown(target));
                    continue;
                }
            }
            CPublication::AddPermissions(target, CPublication::kReadableByAll);
            if (!Checksum(target, published, false)) {
                continue;
            }
            RecordPublication(Sections::kIniFiles, name, sourceStamp, target, published, false);
        }
        m_out.AddEntry(Sections::kIniFiles, name, published.crcText, false, false,
                       ServedChecksum(Sections::kIniFiles, name));
    }
}

bool CCatalogueBuilder::CopyToWeb(const std::string& source, const std::string& target)
{
    if (CFileOps::CopyFileKeepTime(source, target, kFlush) != 0) {
        std::this_thread::sleep_for(kCopyRetryPause);
        CPublication::AddPermissions(target, S_IWUSR);
        if (CFileOps::CopyFileKeepTime(source, target, kFlush) != 0) {
            return false;
        }
    }
    // The copy keeps the source's other bits and its time.
    return CPublication::AddPermissions(target, CPublication::kReadableByAll);
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
        m_out.WriteLog("Failed to get CRC from file " + Shown(target) + "  Error Code: " + code);
        if (reported) {
            m_out.AddReportLine(CStringTable::Format(StringId::CrcFailed, {Shown(target), code}),
                                CReportSink::ImageError);
            m_out.SetFailed();
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
    if (!CPublishedName::CatalogueCanCarry(name)) {
        m_out.RefuseName(StringId::NameNotPublishable, Texts::kNotPublishableLog, source, {},
                         shownName);
        return false;
    }
    AwaitPacking(target);
    // The same file found again by a later pattern is published again under its own name.
    const auto [claim, added] =
        m_claims.try_emplace(CCatalogueNames::Lower(target), SClaim{source, false});
    if (added || (claim->second.source == source && !claim->second.packed)) {
        return true;
    }
    if (claim->second.packed) {
        m_out.RefuseName(StringId::PackedNameTaken, Texts::kPackedNameTakenLog, source,
                         claim->second.source, shownName);
    } else {
        m_out.RefuseName(StringId::NameCaseTwin, Texts::kCaseTwinLog, source, claim->second.source,
                         shownName);
    }
    return false;
}

CCatalogueBuilder::SPackPlan
CCatalogueBuilder::PlanPacking(const std::string& source, const std::string& target,
                               const std::string& lowerName,
                               const std::unordered_set<std::string>& listed)
{
    SPackPlan plan;
    if (!m_packer.CanPack(lowerName)) {
        return plan;
    }
    plan.packed = m_packer.PackedPath(target);
    // A packed name that another file of this run holds, or that a file of the same listing
    // will hold, stays that file's: this one is published unpacked.
    AwaitPacking(plan.packed);
    const std::string packedKey = CCatalogueNames::Lower(plan.packed);
    const auto claim = m_claims.find(packedKey);
    const bool ownCopy =
        claim != m_claims.end() && claim->second.packed && claim->second.source == source;
    plan.nameTaken = (claim != m_claims.end() && !ownCopy) ||
                     listed.contains(packedKey.substr(packedKey.rfind('/') + 1));
    return plan;
}

bool CCatalogueBuilder::Pack(const std::string& source, const std::string& target,
                             const std::string& lowerName, const SPublished& published,
                             const std::unordered_set<std::string>& listed,
                             std::function<void(bool)> told)
{
    const SPackPlan plan = PlanPacking(source, target, lowerName, listed);
    if (plan.packed.empty()) {
        return false;
    }
    const std::string& packed = plan.packed;
    if (plan.nameTaken) {
        m_out.WriteLog(
            CStringTable::FormatText(Texts::kPublishedUnpackedLog, {source, Shown(packed)}));
        return false;
    }
    unlink(packed.c_str());
    const CPackingQueue::Ticket ticket =
        m_queue.Pack(m_packer.CommandLine(target, packed), [=, this, told = std::move(told)](bool) {
            switch (m_packer.Judge(target, packed, published.crcText, published.size, m_crc32)) {
            case CPackedCopy::EOutcome::Packed:
                m_claims[CCatalogueNames::Lower(packed)] = SClaim{source, true};
                told(true);
                break;
            case CPackedCopy::EOutcome::Unpacked:
                told(false);
                break;
            case CPackedCopy::EOutcome::Lost:
                m_out.WriteLog(CStringTable::FormatText(Texts::kPackedCopyLostLog, {source}));
                m_out.ReportCopyFailure(source, Shown(target), lowerName);
                break;
            }
        });
    // Until the packer is done, neither its input nor its output may be claimed or written.
    m_packing[CCatalogueNames::Lower(target)] = ticket;
    m_packing[CCatalogueNames::Lower(packed)] = ticket;
    return true;
}

void CCatalogueBuilder::AwaitPacking(const std::string& path)
{
    const auto pending = m_packing.find(CCatalogueNames::Lower(path));
    if (pending != m_packing.end()) {
        m_queue.WaitFor(pending->second);
        m_packing.erase(pending);
    }
}

bool CCatalogueBuilder::KeepPublished(std::string_view section, const std::string& lowerName,
                                      const std::string& source,
                                      const std::optional<SFileStamp>& sourceStamp,
                                      const std::string& target,
                                      const std::unordered_set<std::string>* listed,
                                      SPublished& published, bool& zipped)
{
    const std::string key = StateKey(section, lowerName);
    const CPublication::SRecord* was = m_publication.Published(key);
    if (!sourceStamp || was == nullptr || was->source != *sourceStamp) {
        return false;
    }
    const CPreviousCatalogue::SEntry* entry = m_previous.Find(section, lowerName);
    const bool wasPacked = !was->packer.empty();
    if (entry == nullptr || entry->ambiguous || entry->crcText != was->crcText ||
        entry->zipped != wasPacked) {
        return false;
    }
    // The packing the current settings give must be the one the published files have.
    const std::uint64_t size = sourceStamp->size;
    const bool wantPacked = listed != nullptr && size > 0 &&
                            CPublishedName::SizeInKb(size) >
                                static_cast<std::uint64_t>(std::max(m_settings.zipIfBigger, 0));
    const SPackPlan plan =
        wantPacked ? PlanPacking(source, target, lowerName, *listed) : SPackPlan{};
    const bool packed = !plan.packed.empty() && !plan.nameTaken;
    if (packed != wasPacked || (packed && was->packer != m_packer.Packer())) {
        return false;
    }
    std::string crcText;
    if (!CPublishedName::SourceCrc(m_crc32, source, size, crcText) || crcText != was->crcText) {
        return false;
    }
    const bool copyKept = !packed || m_packer.KeepsCopy();
    const std::string current = CurrentPath(section, lowerName);
    const auto copyOf = [copyKept](const std::string& path) {
        return copyKept ? path : std::string{};
    };
    const auto packedOf = [&](const std::string& path) {
        return packed ? m_packer.PackedPath(path) : std::string{};
    };
    if (!m_publication.LinkUnchanged(key, *was, copyOf(current), copyOf(target), packedOf(current),
                                     packedOf(target))) {
        return false;
    }
    if (plan.nameTaken) {
        m_out.WriteLog(
            CStringTable::FormatText(Texts::kPublishedUnpackedLog, {source, Shown(plan.packed)}));
    }
    if (packed) {
        m_claims[CCatalogueNames::Lower(plan.packed)] = SClaim{source, true};
    }
    published.size = size;
    published.modified = static_cast<std::time_t>(sourceStamp->modifiedSec);
    published.crcText = crcText;
    zipped = packed;
    return true;
}

void CCatalogueBuilder::RecordPublication(std::string_view section, const std::string& lowerName,
                                          const std::optional<SFileStamp>& sourceStamp,
                                          const std::string& target, const SPublished& published,
                                          bool zipped)
{
    const std::string key = StateKey(section, lowerName);
    if (!sourceStamp) {
        m_publication.Forget(key);
        return;
    }
    m_publication.RecordWritten(key, *sourceStamp, published.crcText,
                                zipped ? m_packer.Packer() : std::string{},
                                !zipped || m_packer.KeepsCopy() ? target : std::string{},
                                zipped ? m_packer.PackedPath(target) : std::string{});
}

std::string CCatalogueBuilder::CurrentPath(std::string_view section, const std::string& name) const
{
    return CPlatform::JoinPath(
        CPlatform::JoinPath(m_publication.CurrentDir(), CCatalogueNames::SectionPath(section)),
        name);
}

std::string CCatalogueBuilder::Shown(const std::string& path) const
{
    const std::string& build = m_publication.BuildDir();
    if (build.empty() || !path.starts_with(build + '/')) {
        return path;
    }
    return CPlatform::JoinPath(m_settings.webDir, path.substr(build.size() + 1));
}

void CCatalogueBuilder::EnsureWebDirectory(std::string_view section) const
{
    // Every missing level is created, so a subtree publishes even when its parent section
    // has no files of its own.
    const std::string path = CCatalogueNames::SectionPath(section);
    for (std::size_t end = path.find('/');; end = path.find('/', end + 1)) {
        const std::string level =
            CPlatform::JoinPath(m_publication.BuildDir(), path.substr(0, end));
        if (!CFileOps::IsDirectory(level) && CFileOps::CreateDirectory(level) == 0) {
            CPublication::AddPermissions(level, CPublication::kListableByAll);
        }
        if (end == std::string::npos) {
            return;
        }
    }
}
