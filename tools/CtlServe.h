#pragma once

#include "core/MessageSink.h"
#include "core/ReportSink.h"
#include "core/SecondaryRequests.h"
#include "core/SyncResultSink.h"
#include "primary/FileListSink.h"
#include "secondary/LocalFilesSink.h"
#include "tools/ProgressLine.h"
#include "tools/ServiceNotifier.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>

class CServeLoop;

// zezodictl serve: the role of Config/IsPrimary for as long as it is left running, without a
// window: the same settlement of zezodi.ini, timer, listener, request handling, clock setting,
// result reporting and log lines as the role's main window, driven by CServeLoop. Report lines
// go to the output, one each, led by their image as a word (ok, error, notice), with control
// bytes escaped; messages and, on a terminal, the progress line go to the error stream. The
// notice that a role is served comes once its listener's port is bound; a port that cannot be
// bound is an error line, while the listener keeps trying. A stream that is the journal gets
// each line led by its priority (<3> error, <5> notice, <6> the rest), and systemd is told when
// the role is ready, reloading and stopping.
class CCtlServe : public CReportSink,
                  public CFileListSink,
                  public CLocalFilesSink,
                  public CMessageSink,
                  public CSecondaryRequests,
                  public CSyncResultSink
{
public:
    // terminal: the error stream is a terminal, which gets the progress line.
    CCtlServe(std::ostream& out, std::ostream& err, bool terminal);

    // 0 after SIGTERM or SIGINT; 1 when the role runs already on this machine (window or
    // service) or cannot work (no download directory, no listener port).
    int Run();

    void AddReportLine(const std::string& text, int image) override;
    void ClearFiles() override;
    void AddFileRow(const CFileRow& row) override;
    void AddFileRow(const SRow& columns, int image) override;
    void SetLastSync(const std::string& text) override;
    void SetBusy(bool busy) override;
    void ShowErrorBox(const std::string& text, const std::string& caption) override;
    // Nobody answers a service: the answer is always No.
    bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) override;
    void PostSyncRequested(std::string nameAndAddress) override;
    void PostTimeSynchronized(std::string text) override;
    void AddSyncResultLine(const std::string& text) override;

    // The word of a report image: "ok", "error" or "notice".
    static const char* ImageWord(int image);

private:
    int ServePrimary(CServeLoop& loop);
    int ServeSecondary(CServeLoop& loop);
    // Listener thread: the notice once the port is bound, or the error while it is not.
    void ListenerBound(int port, bool bound, const std::string& reason, const std::string& notice);
    void Print(const char* word, const std::string& text);
    // A message on the error stream, led by the priority of `word` when that is the journal.
    void Message(const char* word, const std::string& text);
    // Lines already formed ("zezodictl: ..."), each led by the priority of `word` likewise.
    void Lines(const char* word, const std::string& lines);
    void CheckLogDirectory(const std::string& logDir);
    void Progress(const std::string& text);

    std::ostream& m_out;
    std::ostream& m_err;
    std::mutex m_outputMutex;
    CProgressLine m_progress;
    const bool m_terminal;
    const bool m_journalOut;
    const bool m_journalErr;
    CServiceNotifier m_notifier;
    // Set at the start and on every re-reading of the settings: the listener's first report of
    // its port makes the role ready.
    std::atomic<bool> m_readyPending{false};
    CServeLoop* m_loop = nullptr;
    // The step the listener's requests run in; set while the secondary is served.
    std::function<void(const std::string&)> m_onSyncRequested;
    std::function<void(const std::string&)> m_onTimeSynchronized;
    int m_filesDone = 0;
    unsigned long long m_kilobytesDone = 0;
};
