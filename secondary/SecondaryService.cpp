#include "secondary/SecondaryService.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/ProtocolMessages.h"
#include "core/ReportSink.h"
#include "core/StringTable.h"
#include "core/SyncResultSender.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SyncEngine.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {
constexpr int kMillisecondsPerMinute = 60'000;
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
    m_timerSeconds = CConfigFile::ReadInt(ConfigKeys::kTimerIntervalInSec, 0);
}

int CSecondaryService::TimerInterval() const
{
    constexpr int kMillisecondsPerSecond = 1000;
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

void CSecondaryService::OnTimer()
{
    m_engine->SyncRun(CSyncEngine::kModeAutomatic);
}

int CSecondaryService::OnSyncRequested(const std::string& nameAndAddress)
{
    const auto [primaryName, primaryAddress] = CProtocolMessages::SplitSyncRequest(nameAndAddress);
    const int result = m_engine->SyncRun(CSyncEngine::kModeByPrimary, primaryName);
    const int code = result == CSyncEngine::kCatalogueMissing || m_engine->FailureFlag()
                         ? CProtocolMessages::kSyncFailed
                         : CProtocolMessages::kSyncSucceeded;
    // A report that cannot be delivered is logged and not retried.
    CSyncResultSender sender{m_settings.computerName, m_settings.port2};
    sender.SetLogDirectory(m_settings.logDir);
    sender.SendSyncResult(primaryAddress, code);
    return code;
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
