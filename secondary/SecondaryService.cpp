#include "secondary/SecondaryService.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/MetricsFile.h"
#include "core/PeerAllowList.h"
#include "core/ProfileStore.h"
#include "core/ProtocolMessages.h"
#include "core/ReportSink.h"
#include "core/StringTable.h"
#include "core/SyncResultSender.h"
#include "secondary/LastRunFile.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SyncEngine.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <limits>
#include <utility>

namespace Keys = ConfigKeys;

namespace {
constexpr int kMillisecondsPerMinute = 60'000;
constexpr int kMillisecondsPerSecond = 1000;
constexpr int kReportTimedRunsDefault = 1;
} // namespace

CSecondaryService::CSecondaryService(CReportSink& report, CLocalFilesSink& files,
                                     CMessageSink& messages)
    : m_report{report}, m_messages{messages}, m_engine{std::make_unique<CSyncEngine>(m_settings,
                                                                                     report, files)}
{}

CSecondaryService::~CSecondaryService()
{
    StopListener();
}

void CSecondaryService::Initialise()
{
    // The engine holds a reference to m_settings, so it sees the settled values.
    m_settings = CSecondaryConfig{m_messages}.Normalise();
    m_timerSeconds = CConfigFile::ReadInt(Keys::kTimerIntervalInSec, 0);
    m_reportTimedRuns = CConfigFile::ReadInt(Keys::kReportTimedRuns, kReportTimedRunsDefault) != 0;
}

int CSecondaryService::TimerInterval() const
{
    if (m_timerSeconds > 0) {
        return std::min(m_timerSeconds,
                        TimerPeriod(std::numeric_limits<int>::max()) / kMillisecondsPerSecond) *
               kMillisecondsPerSecond;
    }
    return TimerPeriod(m_settings.intervalMinutes);
}

bool CSecondaryService::WantsListener() const
{
    return m_settings.initialised && m_settings.controlFeatures;
}

int CSecondaryService::TimerPeriod(int minutes)
{
    constexpr int kLongest = std::numeric_limits<int>::max() / kMillisecondsPerMinute;
    return std::clamp(minutes, 1, kLongest) * kMillisecondsPerMinute;
}

int CSecondaryService::RunAndReport(int mode, std::string_view primaryName, std::int64_t nextRun)
{
    const auto start = std::chrono::steady_clock::now();
    const int result = m_engine->SyncRun(mode, primaryName);
    SRunOutcome outcome;
    outcome.durationMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
    outcome.finished = std::time(nullptr);
    // A run that found the catalogue already applied did what it had to: it reports 1.
    outcome.code = result == CSyncEngine::kCatalogueMissing || m_engine->FailureFlag()
                       ? CProtocolMessages::kSyncFailed
                       : CProtocolMessages::kSyncSucceeded;
    outcome.stamp = CProfileStore::ReadText(Keys::kConfig, Keys::kLastPrimSync, "", Keys::kBuffer40,
                                            Keys::kIniFile);
    outcome.identical = m_engine->FilesIdentical();
    outcome.synchronised = m_engine->FilesSynchronized();
    outcome.failed = m_engine->FilesFailed();
    outcome.bytesFetched = m_engine->BytesFetched();
    m_lastOutcome = outcome;
    // `zezodictl status` reads the last run from this file: one that cannot be written (a full
    // disk) is told in the log, or the check would report the run before as the last.
    const CLastRunFile lastRun{CLastRunFile::PathIn(m_settings.logDir)};
    if (!lastRun.Path().empty() && !lastRun.Save(outcome, nextRun)) {
        CEventLog::WriteLog(m_settings.logDir,
                            "The last run could not be recorded in " + lastRun.Path());
    }
    CMetricsFile metrics;
    metrics.AddRun(outcome, nextRun);
    metrics.Publish(m_settings.logDir);

    if (m_settings.controlFeatures && (mode != CSyncEngine::kModeAutomatic || m_reportTimedRuns)) {
        // A report that cannot be delivered is logged and not retried; a primary that is gone
        // holds the next run for the sender's bound at most.
        CSyncResultSender sender{m_settings.computerName, m_settings.port2};
        sender.SetLogDirectory(m_settings.logDir);
        sender.SetSourceAddress(CCommandListener::ConfiguredListenAddress());
        sender.SendSyncResult(ResultAddress(), outcome.code, &outcome);
    }
    return result;
}

std::string CSecondaryService::ResultAddress() const
{
    return m_resultAddress.empty() ? CPeerAllowList::UrlHost(m_settings.webPath) : m_resultAddress;
}

void CSecondaryService::OnTimer()
{
    const std::int64_t nextRun = std::time(nullptr) + TimerInterval() / kMillisecondsPerSecond;
    RunAndReport(CSyncEngine::kModeAutomatic, {}, nextRun);
}

int CSecondaryService::OnSyncRequested(const std::string& nameAndAddress)
{
    const auto [primaryName, primaryAddress] = CProtocolMessages::SplitSyncRequest(nameAndAddress);
    if (!primaryAddress.empty()) {
        m_resultAddress = primaryAddress;
    }
    RunAndReport(CSyncEngine::kModeByPrimary, primaryName);
    return m_lastOutcome.code;
}

void CSecondaryService::OnTimeSynchronized(const std::string& text)
{
    m_report.AddReportLine(text, text == CStringTable::Text(StringId::TimeSynchronized)
                                     ? CReportSink::ImageSuccess
                                     : CReportSink::ImageError);
}

bool CSecondaryService::StartListener(CSecondaryRequests* requests,
                                      CSecondaryListener::ClockSetter setClock,
                                      CCommandListener::BindObserver bound)
{
    StopListener();
    m_listener = std::make_unique<CSecondaryListener>(m_settings.computerName, m_settings.port,
                                                      requests, std::move(setClock));
    m_listener->SetLogDirectory(m_settings.logDir);
    m_listener->SetListenAddress(CCommandListener::ConfiguredListenAddress());
    m_listener->SetBindObserver(std::move(bound));
    m_listener->UseConfiguredPrimaries(m_settings.webPath);
    if (!m_listener->Start()) {
        m_listener.reset();
        return false;
    }
    return true;
}

void CSecondaryService::UseConfiguredPrimaries()
{
    if (m_listener) {
        m_listener->UseConfiguredPrimaries(m_settings.webPath);
    }
}

void CSecondaryService::StopListener()
{
    m_listener.reset();
}

void CSecondaryService::SetStopRequest(std::function<bool()> stopRequested)
{
    m_engine->SetStopRequest(std::move(stopRequested));
}
