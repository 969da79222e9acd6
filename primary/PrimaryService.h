#pragma once

#include "core/StringTable.h"
#include "core/SyncResultSink.h"
#include "primary/FleetMetrics.h"
#include "primary/PrimarySettings.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CFileListSink;
class CMessageSink;
class CPrimaryListener;
class CReportSink;

// The primary role without its window: the settings as the start settles them, the timed and
// the manual preparation, the clock setting of the listed secondaries after a timed one, and
// the listener for the secondaries' reports, each recorded in the fleet state file of the log
// directory. `zezodictl serve` drives it on its own thread and the main window on its worker
// thread, each with its own timer; both show its work through the sinks.
class CPrimaryService : private CSyncResultSink
{
public:
    // QTimer counts in int milliseconds, so the interval is held to 1 .. kMaxIntervalHours.
    static constexpr int kMaxIntervalHours = 596;

    CPrimaryService(CReportSink& report, CFileListSink& files, CMessageSink& messages);
    ~CPrimaryService();
    CPrimaryService(const CPrimaryService&) = delete;
    CPrimaryService& operator=(const CPrimaryService&) = delete;

    // The start's settlement of zezodi.ini (writing the defaults back) into Settings().
    void Initialise();

    SPrimarySettings& Settings() { return m_settings; }

    // The period of the preparation timer for an interval in hours.
    static std::chrono::milliseconds PreparationInterval(int hours);

    // The timer's period as the start settles it: TimerIntervalInSec when above 0, else the
    // period of PrimIntervalInHours.
    std::chrono::milliseconds TimerInterval() const;

    // One preparation started by hand: its log line, report line and the build; 1 or -1.
    int PrepareManually();

    // A tick of the preparation timer: the build and, when SyncClientSystemTime is 1, set_time
    // to the first listed secondaries, one after the other.
    void OnTimer();

    // Ends the preparations and the timer's set_time series before their end: stopRequested is
    // asked between files and clients, and interruptFd, once readable, ends a set_time's
    // waits at once (-1: none).
    void SetStopRequest(std::function<bool()> stopRequested, int interruptFd);

    // Takes over a web directory chosen in the settings and places the catalogue and its
    // working copy in it; the directory is created when missing. 0 or the errno of creating it.
    int SetWebDirectory(const std::string& webDir);

    // The listener for sync_result at Port2, whatever UseSocketsControls says: a secondary
    // started by zezodictl or by an earlier run may still report back. Every report is
    // recorded; reportTarget, which may be null, gets the report lines. `bound` is told
    // whether its port is bound. False when it cannot be started.
    bool StartListener(CSyncResultSink* reportTarget,
                       std::function<void(bool bound, const std::string& reason)> bound = {});
    void StopListener();

    // Called on the listener's thread after each report has been recorded (or could not be).
    using FleetObserver = std::function<void()>;
    void SetFleetObserver(FleetObserver observer);

private:
    int Prepare(const char* logText, StringId reportText);

    void AddSyncResultLine(const std::string& text) override;
    void RecordSyncResult(const SClientReport& report) override;

    CReportSink& m_report;
    CFileListSink& m_files;
    CMessageSink& m_messages;
    // Before the listener, whose thread writes the metrics after each report.
    CFleetMetrics m_metrics;
    SPrimarySettings m_settings;
    int m_timerSeconds = 0;
    // Set before the listener starts and only read by it while it runs.
    CSyncResultSink* m_reportTarget = nullptr;
    std::string m_logDir;
    bool m_recordFailed = false;
    std::mutex m_observerMutex;
    FleetObserver m_fleetObserver;
    std::function<bool()> m_stopRequested;
    int m_interruptFd = -1;
    std::unique_ptr<CPrimaryListener> m_listener;
};
