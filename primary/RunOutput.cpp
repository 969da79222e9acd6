#include "primary/RunOutput.h"

#include "core/CatalogueWriter.h"
#include "core/EventLog.h"
#include "core/ReportSink.h"
#include "primary/PackingQueue.h"
#include "primary/PublishedName.h"

#include <utility>

namespace {

constexpr std::string_view kStoppedLog = "Preparation for synchronization stopped before its end";
constexpr std::string_view kLongSectionLog =
    "Section %s lists %s files: secondaries running on Windows read only the first %s";
// The most entries a Windows secondary reads from one section.
constexpr int kWindowsReaderEntries = 1999;

} // namespace

CRunOutput::CRunOutput(CPackingQueue& queue, CReportSink& report, CFileListSink& files,
                       CCatalogueWriter& catalogue, std::string logDir)
    : m_queue{queue}, m_report{report}, m_files{files}, m_catalogue{catalogue}, m_logDir{std::move(
                                                                                    logDir)}
{}

void CRunOutput::Start()
{
    m_error = false;
    m_entryCounts.clear();
}

void CRunOutput::WriteLog(std::string text)
{
    m_queue.Then([this, text = std::move(text)] { CEventLog::WriteLog(m_logDir, text); });
}

void CRunOutput::AddReportLine(std::string text, int image)
{
    m_queue.Then([this, text = std::move(text), image] { m_report.AddReportLine(text, image); });
}

void CRunOutput::AddFileRow(CFileRow row)
{
    m_queue.Then([this, row = std::move(row)] { m_files.AddFileRow(row); });
}

void CRunOutput::AddEntry(std::string_view section, std::string fileName, std::string crcText,
                          bool zipped, bool onlyIfAbsent, std::string sha256)
{
    m_queue.Then([=, this, section = std::string{section}] {
        m_catalogue.AddEntry(section, fileName, crcText, zipped, onlyIfAbsent, sha256);
        ++m_entryCounts[section];
    });
}

void CRunOutput::AddDirectory(std::string_view section, std::string subsection)
{
    m_queue.Then([this, section = std::string{section}, subsection = std::move(subsection)] {
        m_catalogue.AddDirectory(section, subsection);
    });
}

void CRunOutput::ReportError(const std::string& logText, const std::string& reportText)
{
    WriteLog(logText);
    AddReportLine(reportText, CReportSink::ImageError);
    m_error = true;
}

void CRunOutput::ReportCopyFailure(const std::string& source, const std::string& target,
                                   const std::string& shownName)
{
    CFileRow row;
    row.name = CStringTable::Format(StringId::FileListError, {shownName});
    AddFileRow(row);
    ReportError("Failed to copy file from " + source + " to " + target,
                CStringTable::Format(StringId::CopyFileFailed, {source, target}));
}

void CRunOutput::RefuseName(StringId report, std::string_view logFormat, const std::string& source,
                            const std::string& other, const std::string& shownName)
{
    CFileRow row;
    row.name =
        CStringTable::Format(StringId::FileListError, {CPublishedName::Printable(shownName)});
    AddFileRow(row);
    const std::string shownSource = CPublishedName::Printable(source);
    const std::string shownOther = CPublishedName::Printable(other);
    ReportError(CStringTable::FormatText(logFormat, {shownSource, shownOther}),
                CStringTable::Format(report, {shownSource, shownOther}));
}

void CRunOutput::WarnLongSections()
{
    for (const auto& [section, count] : m_entryCounts) {
        if (count > kWindowsReaderEntries) {
            const std::string counted = std::to_string(count);
            const std::string limit = std::to_string(kWindowsReaderEntries);
            WriteLog(CStringTable::FormatText(kLongSectionLog, {section, counted, limit}));
            AddReportLine(CStringTable::Format(StringId::SectionBeyondWindowsReaders,
                                               {section, counted, limit}),
                          CReportSink::ImageError);
        }
    }
}

int CRunOutput::Finish()
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

int CRunOutput::FinishStopped()
{
    m_files.SetBusy(false);
    CEventLog::WriteLog(m_logDir, kStoppedLog);
    m_report.AddReportLine(CStringTable::Text(StringId::PreparationStopped),
                           CReportSink::ImageError);
    return -1;
}
