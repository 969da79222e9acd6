#include "tools/CtlSync.h"

#include "core/EventLog.h"
#include "core/StringTable.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SyncEngine.h"

#include <chrono>

namespace {

constexpr int kExitFailure = 1;

} // namespace

CCtlSync::CCtlSync(std::ostream& out, std::ostream& err) : m_out{out}, m_err{err} {}

int CCtlSync::Run(bool force)
{
    SSecondarySettings settings = CSecondaryConfig{*this}.Normalise();
    CSyncEngine engine{settings, *this, *this};
    // Nobody watches the rows appear.
    engine.SetRowPause(std::chrono::milliseconds{0});
    const int result = engine.SyncRun(force ? CSyncEngine::kModeForced : CSyncEngine::kModeManual);
    if (result == CSyncEngine::kAlreadySynchronized) {
        return kExitAlreadySynchronized;
    }
    if (result != CSyncEngine::kDone || engine.FailureFlag()) {
        return kExitFailure;
    }
    return 0;
}

void CCtlSync::AddReportLine(const std::string& text, int /*image*/)
{
    m_out << CEventLog::ReportTime() << "  " << text << "\n";
}

void CCtlSync::ClearFiles() {}

void CCtlSync::AddFileRow(const SRow& columns, int /*image*/)
{
    m_out << "file";
    for (const std::string& column : columns) {
        m_out << "\t" << column;
    }
    m_out << "\n";
}

void CCtlSync::SetLastSync(const std::string& text)
{
    m_out << CStringTable::Text(StringId::LastSynchronization) << " " << text << "\n";
}

void CCtlSync::SetBusy(bool /*busy*/) {}

void CCtlSync::ShowErrorBox(const std::string& text, const std::string& caption)
{
    m_err << "zezodictl: " << caption << ": " << text << "\n";
}

bool CCtlSync::AskYesNo(const std::string& text, const std::string& caption, bool /*defaultNo*/)
{
    m_err << "zezodictl: " << caption << ": " << text << " (answered No)\n";
    return false;
}
