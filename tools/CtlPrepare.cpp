#include "tools/CtlPrepare.h"

#include "core/EventLog.h"
#include "core/StringTable.h"
#include "primary/CatalogueBuilder.h"
#include "primary/PrimaryConfig.h"
#include "tools/LogDirectoryNotice.h"
#include "tools/TerminationSignals.h"

#include <cstdlib>

CCtlPrepare::CCtlPrepare(std::ostream& out, std::ostream& err, bool showFiles, bool terminal)
    : m_out{out}, m_err{err}, m_showFiles{showFiles}, m_progress{err, terminal}
{}

int CCtlPrepare::Run()
{
    const SPrimarySettings settings = CPrimaryConfig{*this}.Normalise();
    CLogDirectoryNotice::Check(settings.logDir, m_err);
    CEventLog::WriteLog(settings.logDir, "Preparation for synchronization started manually");
    AddReportLine(CStringTable::Text(StringId::PreparationStartedManually),
                  CReportSink::ImageSuccess);
    CCatalogueBuilder builder{settings, *this, *this};
    const CTerminationSignals signals;
    builder.SetStopRequest(&CTerminationSignals::Requested);
    const int result = builder.BuildCatalogue();
    m_progress.Show("files " + std::to_string(m_filesDone) + ", " +
                        std::to_string(m_kilobytesDone) + " KB",
                    true);
    m_progress.Clear();
    return result;
}

void CCtlPrepare::AddReportLine(const std::string& text, int /*image*/)
{
    m_progress.Clear();
    m_out << CEventLog::ReportTime() << "  " << text << "\n";
}

void CCtlPrepare::ClearFiles() {}

void CCtlPrepare::AddFileRow(const CFileRow& row)
{
    // An error row has only its name.
    if (!row.size.empty()) {
        ++m_filesDone;
        m_kilobytesDone += std::strtoull(row.size.c_str(), nullptr, 10);
        m_progress.Show("files " + std::to_string(m_filesDone) + ", " +
                        std::to_string(m_kilobytesDone) + " KB");
    }
    if (!m_showFiles) {
        return;
    }
    m_progress.Clear();
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
    m_progress.Clear();
    m_err << "zezodictl: " << caption << ": " << text << "\n";
}

bool CCtlPrepare::AskYesNo(const std::string& text, const std::string& caption, bool /*defaultNo*/)
{
    m_err << "zezodictl: " << caption << ": " << text << " (answered No)\n";
    return false;
}
