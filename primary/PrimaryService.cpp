#include "primary/PrimaryService.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/PrimaryListener.h"
#include "core/ReportSink.h"
#include "core/SetTimeSender.h"
#include "primary/CatalogueBuilder.h"
#include "primary/FleetStateFile.h"
#include "primary/PrimaryConfig.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace Keys = ConfigKeys;

namespace {
constexpr std::chrono::milliseconds kHour = std::chrono::hours{1};
} // namespace

CPrimaryService::CPrimaryService(CReportSink& report, CFileListSink& files, CMessageSink& messages)
    : m_report{report}, m_files{files}, m_messages{messages}
{}

CPrimaryService::~CPrimaryService()
{
    StopListener();
}

void CPrimaryService::Initialise()
{
    m_settings = CPrimaryConfig{m_messages}.Normalise();
    m_timerSeconds = CConfigFile::ReadInt(Keys::kTimerIntervalInSec, 0);
}

std::chrono::milliseconds CPrimaryService::TimerInterval() const
{
    if (m_timerSeconds > 0) {
        return std::min<std::chrono::milliseconds>(std::chrono::seconds{m_timerSeconds},
                                                   PreparationInterval(kMaxIntervalHours));
    }
    return PreparationInterval(m_settings.intervalHours);
}

std::chrono::milliseconds CPrimaryService::PreparationInterval(int hours)
{
    return std::clamp(hours, 1, kMaxIntervalHours) * kHour;
}

int CPrimaryService::PrepareManually()
{
    return Prepare("Preparation for synchronization started manually",
                   StringId::PreparationStartedManually);
}

void CPrimaryService::OnTimer()
{
    Prepare("Preparation for synchronization started automatically",
            StringId::PreparationStartedAutomatically);
    if (m_settings.syncClientSystemTime == 1 && !(m_stopRequested && m_stopRequested())) {
        CSetTimeSender sender{m_settings.logDir, m_settings.port};
        sender.SetInterrupt(m_interruptFd);
        sender.SendSetTimeToListedClients(Keys::kIniFile);
    }
}

void CPrimaryService::SetStopRequest(std::function<bool()> stopRequested, int interruptFd)
{
    m_stopRequested = std::move(stopRequested);
    m_interruptFd = interruptFd;
}

int CPrimaryService::Prepare(const char* logText, StringId reportText)
{
    CEventLog::WriteLog(m_settings.logDir, logText);
    m_report.AddReportLine(CStringTable::Text(reportText), CReportSink::ImageSuccess);
    const auto start = std::chrono::steady_clock::now();
    CCatalogueBuilder builder{m_settings, m_report, m_files};
    builder.SetStopRequest(m_stopRequested);
    const int result = builder.BuildCatalogue();
    const auto took = std::chrono::steady_clock::now() - start;
    m_metrics.PreparationDone({std::time(nullptr), result == 1,
                               std::chrono::duration_cast<std::chrono::milliseconds>(took).count()},
                              m_settings.logDir);
    return result;
}

int CPrimaryService::SetWebDirectory(const std::string& webDir)
{
    m_settings.webDir = webDir;
    m_settings.cataloguePath = CPlatform::JoinPath(webDir, Keys::kCatalogueFile);
    m_settings.workingCopyPath = CPlatform::JoinPath(webDir, Keys::kCatalogueWorkFile);
    if (webDir.empty() || CFileOps::IsDirectory(webDir)) {
        return 0;
    }
    // Only the last level is created; a failure also shows in the next run's copy errors.
    return CFileOps::CreateDirectory(webDir);
}

bool CPrimaryService::StartListener(
    CSyncResultSink* reportTarget, std::function<void(bool bound, const std::string& reason)> bound)
{
    StopListener();
    m_reportTarget = reportTarget;
    m_logDir = m_settings.logDir;
    m_listener = std::make_unique<CPrimaryListener>(m_settings.computerName, m_settings.port2,
                                                    static_cast<CSyncResultSink*>(this));
    m_listener->SetLogDirectory(m_settings.logDir);
    m_listener->SetListenAddress(CCommandListener::ConfiguredListenAddress());
    m_listener->SetBindObserver(std::move(bound));
    if (!m_listener->Start()) {
        m_listener.reset();
        return false;
    }
    return true;
}

void CPrimaryService::StopListener()
{
    m_listener.reset();
}

void CPrimaryService::SetFleetObserver(FleetObserver observer)
{
    const std::lock_guard lock{m_observerMutex};
    m_fleetObserver = std::move(observer);
}

void CPrimaryService::AddSyncResultLine(const std::string& text)
{
    if (m_reportTarget != nullptr) {
        m_reportTarget->AddSyncResultLine(text);
    }
}

void CPrimaryService::RecordSyncResult(const SClientReport& report)
{
    // Without a log directory there is no place for the record, nor for a line about it.
    const CFleetStateFile file{CFleetStateFile::PathIn(m_logDir)};
    if (!file.Path().empty()) {
        const bool recorded = file.Record(report);
        // One line when recording starts to fail, not one per report.
        if (!recorded && !m_recordFailed) {
            CEventLog::WriteLog(m_logDir, "The synchronization results of the clients could not be "
                                          "recorded in " +
                                              file.Path());
        }
        m_recordFailed = !recorded;
    }
    m_metrics.ReportRecorded(m_logDir);
    if (m_reportTarget != nullptr) {
        m_reportTarget->RecordSyncResult(report);
    }
    FleetObserver observer;
    {
        const std::lock_guard lock{m_observerMutex};
        observer = m_fleetObserver;
    }
    if (observer) {
        observer();
    }
}
