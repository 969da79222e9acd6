#include "tools/CtlPrepare.h"

#include "core/EventLog.h"
#include "core/StringTable.h"
#include "primary/CatalogueBuilder.h"
#include "primary/PrimaryConfig.h"

CCtlPrepare::CCtlPrepare(std::ostream& out, std::ostream& err, bool showFiles)
    : m_out{out}, m_err{err}, m_showFiles{showFiles}
{}

int CCtlPrepare::Run()
{
    const SPrimarySettings settings = CPrimaryConfig{*this}.Normalise();
    CEventLog::WriteLog(settings.logDir, "Preparation for synchronization started manually");
    AddReportLine(CStringTable::Text(StringId::PreparationStartedManually),
                  CReportSink::ImageSuccess);
    CCatalogueBuilder builder{settings, *this, *this};
    return builder.BuildCatalogue();
}

void CCtlPrepare::AddReportLine(const std::string& text, int /*image*/)
{
    m_out << CEventLog::ReportTime() << "  " << text << "\n";
}

void CCtlPrepare::ClearFiles() {}

void CCtlPrepare::AddFileRow(const CFileRow& row)
{
    if (!m_showFiles) {
        return;
    }
    m_out << "  " << row.name;
    for (const std::string* column : {&row.extension, &row.path, &row.date, &row.size, &row.crc}) {
        if (!column->empty()) {
            m_out << "  " << *column;
        }
    }
    m_out << "\n";
}

void CCtlPrepare::SetLastSync(const std::string& display)
{
    m_out << CStringTable::Text(StringId::LastSynchronization) << " " << display << "\n";
}

void CCtlPrepare::SetBusy(bool /*busy*/) {}

void CCtlPrepare::ShowErrorBox(const std::string& text, const std::string& caption)
{
    m_err << "zezodictl: " << caption << ": " << text << "\n";
}

bool CCtlPrepare::AskYesNo(const std::string& text, const std::string& caption, bool /*defaultNo*/)
{
    m_err << "zezodictl: " << caption << ": " << text << " (answered No)\n";
    return false;
}
