#pragma once

#include "core/RunOutcome.h"
#include "core/SecondaryListener.h"
#include "secondary/SecondarySettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CLocalFilesSink;
class CMessageSink;
class CReportSink;
class CSecondaryRequests;
class CSyncEngine;

// The secondary role without its window: the settings as the start settles them, the
// synchronisation engine, the runs and their reports to the primary, the primary's requests
// (a run started by the primary; the report of a set_time) and the listener at Port. `zezodictl
// serve` drives it on its own thread and the main window on its worker thread, one run at a time,
// each with its own timer and its own queue for what the listener hands over.
class CSecondaryService
{
public:
    CSecondaryService(CReportSink& report, CLocalFilesSink& files, CMessageSink& messages);
    ~CSecondaryService();
    CSecondaryService(const CSecondaryService&) = delete;
    CSecondaryService& operator=(const CSecondaryService&) = delete;

    // The start's settlement of zezodi.ini (writing the defaults back) and the engine that
    // works from it. A run by hand is possible even when the settlement stopped early.
    void Initialise();

    SSecondarySettings& Settings() { return m_settings; }
    CSyncEngine& Engine() { return *m_engine; }

    // The settlement went through and the control features are on: the listener is wanted.
    bool WantsListener() const;

    // Timer 1's period for an interval in minutes. QTimer counts int milliseconds, so the
    // period stops at the largest whole minute that fits (35,791 minutes, about 596 hours).
    static int TimerPeriod(int minutes);

    // Timer 1's period as the start settles it: TimerIntervalInSec when above 0, else the
    // period of IntervalInMin.
    int TimerInterval() const;

    // One run in mode (primaryName for a run the primary started), whatever starts it: its
    // outcome is kept (LastOutcome) and saved in the log directory's last-run file and, with
    // the control features on, reported to the primary in a sync_result with the stamp and
    // counters, except after a timed run when [Config] ReportTimedRuns is 0. nextRun: when
    // timer 1 runs next, seconds since the epoch, 0 when not known. The engine's result.
    int RunAndReport(int mode, std::string_view primaryName = {}, std::int64_t nextRun = 0);

    // What the last run of this service ended with; finished is 0 before the first.
    const SRunOutcome& LastOutcome() const { return m_lastOutcome; }

    // Where reports go, at Port2: the primary address of the last start_sync this process
    // served, else the host of WebDocPath.
    std::string ResultAddress() const;

    // A tick of timer 1: one run in automatic mode.
    void OnTimer();

    // A start_sync ("%s;%s", the primary's name and address): one run started by the primary,
    // reported to that address from now on. The code sent (1 or -1).
    int OnSyncRequested(const std::string& nameAndAddress);

    // A set_time was served: its report line, an error unless it is string 181.
    void OnTimeSynchronized(const std::string& text);

    // The listener at Port, handing its requests to `requests` (which queues them for the
    // role's thread) and telling `bound` whether its port is bound. False when it cannot be
    // started.
    bool StartListener(CSecondaryRequests* requests, CSecondaryListener::ClockSetter setClock,
                       CCommandListener::BindObserver bound = {});
    void StopListener();
    // The allowed primaries follow WebDocPath after a change of the settings.
    void UseConfiguredPrimaries();

    // Asked before each file of a run: true ends the run there (see CSyncEngine).
    void SetStopRequest(std::function<bool()> stopRequested);

private:
    CReportSink& m_report;
    CMessageSink& m_messages;
    SSecondarySettings m_settings;
    int m_timerSeconds = 0;
    bool m_reportTimedRuns = true;
    std::string m_resultAddress;
    SRunOutcome m_lastOutcome;
    std::unique_ptr<CSyncEngine> m_engine;
    std::unique_ptr<CSecondaryListener> m_listener;
};
