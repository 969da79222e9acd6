#include "secondary/IniComparer.h"

#include "core/CatalogueReader.h"
#include "core/CatalogueSections.h"
#include "core/CommandLine.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProfileStore.h"
#include "core/ReportSink.h"
#include "core/RunAndWait.h"
#include "core/StringTable.h"
#include "secondary/DownloadApply.h"
#include "secondary/FileChecksum.h"
#include "secondary/IniLineReader.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SignatureCheck.h"
#include "secondary/SyncLogTexts.h"
#include "secondary/SyncNames.h"
#include "secondary/WgetCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <unistd.h>
#include <utility>

namespace {

// The download works for a window that the comparison does not have: its failures are kept
// for the dialog to tell, its other report lines go nowhere; its log lines reach the log file.
class CProblemReport : public CReportSink
{
public:
    explicit CProblemReport(std::vector<std::string>& problems) : m_problems{problems} {}
    void AddReportLine(const std::string& text, int image) override
    {
        if (image != ImageSuccess) {
            m_problems.push_back(text);
        }
    }

private:
    std::vector<std::string>& m_problems;
};

bool SameStart(std::string_view a, std::string_view b, std::size_t length)
{
    return a.substr(0, length) == b.substr(0, length);
}

} // namespace

CIniComparer::CIniComparer(const SSecondarySettings& settings) : m_settings{settings} {}

bool CIniComparer::Open()
{
    m_windowsDir = CPlatform::WindowsDirectory();
    m_entries.clear();
    m_names.clear();
    m_refused.clear();
    m_problems.clear();
    // Its downloads would replace the local files that it is to compare.
    if (const std::string dataDir =
            CSecondaryConfig::DataDirectoryAt(m_settings, m_settings.downloadDir);
        !dataDir.empty()) {
        CEventLog::WriteLog(m_settings.logDir,
                            CStringTable::FormatText(SyncLogTexts::kDownloadDirRefused,
                                                     {m_settings.downloadDir, dataDir}));
        m_problems.push_back(CStringTable::Format(StringId::DownloadDirInDataDir,
                                                  {m_settings.downloadDir, dataDir}));
        return false;
    }
    const std::string cataloguePath =
        CPlatform::JoinPath(m_settings.downloadDir, ConfigKeys::kCatalogueFile);
    const int result = FetchCatalogue(cataloguePath);
    if (result != 0) {
        CEventLog::WriteLog(m_settings.logDir,
                            CStringTable::FormatText(kGetSyncFileFailed,
                                                     {m_settings.webPath, std::to_string(result)}));
        if (result != kRunStopped) {
            m_problems.push_back(CStringTable::Format(
                StringId::GetSyncFileFailed, {m_settings.webPath, std::to_string(result)}));
            if (const std::optional<StringId> meaning = CWgetCommand::FailureMeaning(result)) {
                m_problems.push_back(CStringTable::Format(*meaning, {m_settings.webPath}));
            }
        }
        return false;
    }
    if (const CSignatureCheck::EVerdict verdict = CSignatureCheck{m_settings}.CheckCatalogue(
            m_settings.webPath + "/" + std::string(ConfigKeys::kCatalogueFile), cataloguePath,
            m_stopRequested);
        verdict != CSignatureCheck::EVerdict::Valid) {
        const bool unsigned_ = verdict == CSignatureCheck::EVerdict::Unsigned;
        CEventLog::WriteLog(m_settings.logDir,
                            CStringTable::FormatText(unsigned_ ? SyncLogTexts::kCatalogueUnsigned
                                                               : SyncLogTexts::kCatalogueNotTrusted,
                                                     {m_settings.webPath}));
        m_problems.push_back(CStringTable::Format(unsigned_ ? StringId::CatalogueUnsigned
                                                            : StringId::CatalogueNotTrusted,
                                                  {m_settings.webPath}));
        return false;
    }
    // Kept in memory: a primary copy downloaded later may carry the catalogue's own name.
    const CCatalogueReader reader{cataloguePath};
    for (const CCatalogueReader::Entry& entry :
         reader.Entries(CatalogueSections::kIniFiles, CCatalogueReader::kMaxIniFiles)) {
        m_entries.push_back({entry.file, entry.crc, entry.sha256});
        if (RefuseUnsafeName(entry.file)) {
            m_refused.push_back(entry.file);
        } else {
            m_names.push_back(entry.file);
        }
    }
    return true;
}

int CIniComparer::FetchCatalogue(const std::string& cataloguePath) const
{
    // wget would save beside a catalogue that is still there and leave the old one in place.
    if (unlink(cataloguePath.c_str()) != 0 && errno != ENOENT) {
        return errno;
    }
    const std::string command = CWgetCommand::Line(
        m_settings, m_settings.webPath + "/" + std::string(ConfigKeys::kCatalogueFile));
    return RunAndWait(command, m_settings.downloadDir, m_stopRequested);
}

void CIniComparer::SetStopRequest(std::function<bool()> stopRequested)
{
    m_stopRequested = std::move(stopRequested);
}

void CIniComparer::ClearProblems()
{
    m_problems.clear();
}

bool CIniComparer::RefuseUnsafeName(std::string_view name) const
{
    if (CSyncNames::IsSafeFileName(name)) {
        return false;
    }
    CEventLog::WriteLog(
        m_settings.logDir,
        CStringTable::FormatText(SyncLogTexts::kNameRefused, {name, CatalogueSections::kIniFiles}));
    return true;
}

void CIniComparer::Compare(const std::vector<std::string>& selectedNames)
{
    m_rows.clear();
    m_problems.clear();
    for (const std::string& name : selectedNames) {
        if (m_stopRequested && m_stopRequested()) {
            return;
        }
        CompareIniFile(name);
    }
}

void CIniComparer::CompareIniFile(std::string_view name)
{
    const auto entry = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const SEntry& e) { return e.name == name; });
    if (entry == m_entries.end() || entry->crc.empty() || RefuseUnsafeName(name)) {
        return;
    }
    const std::string localPath = LocalPath(name);
    if (!CFileOps::IsRegularFile(localPath)) {
        AddResultRow(name, kNotExistent, {}, {}, {}, {}, false);
        return;
    }
    std::uint32_t status = 0;
    if (CFileChecksum::Text(localPath, status) == entry->crc) {
        AddResultRow(name, kIdentical, {}, {}, {}, {}, false);
        return;
    }
    const std::optional<std::string> primaryPath = DownloadPrimaryCopy(name, entry->crc);
    if (!primaryPath) {
        return;
    }
    for (const CIniLineReader::SKeyLine& line : CIniLineReader::ReadKeyLines(*primaryPath)) {
        const std::string local =
            CProfileStore::ReadText(line.section, line.key, "", kValueSize, localPath);
        if (line.value != local) {
            AddResultRow(name, kNotIdentical, line.section, line.key, line.value, local, false);
        }
    }
    for (const CIniLineReader::SKeyLine& line : CIniLineReader::ReadKeyLines(localPath)) {
        const std::string primary =
            CProfileStore::ReadText(line.section, line.key, "", kValueSize, *primaryPath);
        if (line.value != primary) {
            AddResultRow(name, kNotIdentical, line.section, line.key, primary, line.value, true);
        }
    }
}

void CIniComparer::AddResultRow(std::string_view file, int status, std::string_view section,
                                std::string_view key, std::string_view primaryValue,
                                std::string_view secondaryValue, bool checkDuplicates)
{
    if (checkDuplicates) {
        const bool present = std::any_of(m_rows.begin(), m_rows.end(), [&](const SResultRow& row) {
            return SameStart(row.file, file, kDuplicateCheckLength) &&
                   SameStart(row.section, section, kDuplicateCheckLength) &&
                   SameStart(row.key, key, kDuplicateCheckLength);
        });
        if (present) {
            return;
        }
    }
    m_rows.push_back({std::string(file), status, std::string(section), std::string(key),
                      std::string(primaryValue), std::string(secondaryValue)});
}

std::string CIniComparer::LocalPath(std::string_view name) const
{
    const std::string found = CFileOps::FindNameNoCase(m_windowsDir, name);
    return CPlatform::JoinPath(m_windowsDir, found.empty() ? name : std::string_view{found});
}

std::optional<std::string> CIniComparer::DownloadPrimaryCopy(std::string_view name,
                                                             std::string_view primaryCrc)
{
    if (RefuseUnsafeName(name)) {
        return std::nullopt;
    }
    CProblemReport problems{m_problems};
    bool failed = false;
    CDownloadApply download{m_settings, problems, failed};
    download.SetStopRequest(m_stopRequested);
    std::string sha256;
    for (const SEntry& entry : m_entries) {
        if (entry.name == name) {
            sha256 = entry.sha256;
            break;
        }
    }
    if (!download.DownloadAndApply(CatalogueSections::kIniFiles, name, false, primaryCrc,
                                   std::nullopt, {}, false, sha256)) {
        return std::nullopt;
    }
    return CPlatform::JoinPath(m_settings.downloadDir, name);
}

std::string CIniComparer::StatusText(int status)
{
    switch (status) {
    case kIdentical:
        return CStringTable::Text(StringId::IniIdentical);
    case kNotIdentical:
        return CStringTable::Text(StringId::NotIdentical);
    default:
        return CStringTable::Text(StringId::NotExistent);
    }
}
