#include "tools/CtlServe.h"

#include "core/ConfigKeys.h"
#include "core/PrintableText.h"
#include "core/ProfileStore.h"
#include "core/StringTable.h"
#include "primary/PrimaryService.h"
#include "secondary/SecondaryService.h"
#include "secondary/SyncEngine.h"
#include "tools/JournalStream.h"
#include "tools/LogDirectoryNotice.h"
#include "tools/RoleClaim.h"
#include "tools/ServeLoop.h"

#include <cstring>
#include <sstream>
#include <unistd.h>

namespace Keys = ConfigKeys;

namespace {

constexpr int kExitFailure = 1;
constexpr const char* kOk = "ok";
constexpr const char* kError = "error";
constexpr const char* kNotice = "notice";

// The part of a string-table text before its first field.
std::string TextBeforeField(StringId id)
{
    const std::string text = CStringTable::Text(id);
    return text.substr(0, text.find('%'));
}

} // namespace

CCtlServe::CCtlServe(std::ostream& out, std::ostream& err, bool terminal)
    : m_out{out}, m_err{err}, m_progress{err, true}, m_terminal{terminal},
      m_journalOut{CJournalStream::IsJournal(STDOUT_FILENO)},
      m_journalErr{CJournalStream::IsJournal(STDERR_FILENO)}
{}

int CCtlServe::Run()
{
    const bool primary = CProfileStore::ReadInt(Keys::kConfig, Keys::kIsPrimary,
                                                Keys::kIsPrimaryDefault, Keys::kIniFile) == 1;
    std::ostringstream refusal;
    CRoleClaim claim{primary, refusal};
    if (!claim.Take("service", CRoleClaim::EWhenHeld::Refuse, true)) {
        Lines(kError, refusal.str());
        return claim.RefusedStatus();
    }
    CServeLoop loop;
    loop.SetStopSignal([this] { m_notifier.Stopping(); });
    m_loop = &loop;
    const int status = primary ? ServePrimary(loop) : ServeSecondary(loop);
    m_loop = nullptr;
    return status;
}

int CCtlServe::ServePrimary(CServeLoop& loop)
{
    CPrimaryService service{*this, *this, *this};
    service.SetStopRequest([&loop] { return loop.StopRequested(); }, loop.StopFd());
    const auto start = [&] {
        service.Initialise();
        CheckLogDirectory(service.Settings().logDir);
        loop.SetTimer(service.TimerInterval(), [&] { service.OnTimer(); });
        const int port = service.Settings().port2;
        const std::string notice = "Serving as primary: preparation every " +
                                   std::to_string(service.TimerInterval().count() / 1000) +
                                   " s, results at port " + std::to_string(port);
        m_readyPending = true;
        if (!service.StartListener(this,
                                   [this, port, notice](bool bound, const std::string& reason) {
                                       ListenerBound(port, bound, reason, notice);
                                   })) {
            Message(kError, "cannot start the listener at port " + std::to_string(port));
            return false;
        }
        return true;
    };
    if (!start()) {
        return kExitFailure;
    }
    loop.SetReload([&] {
        m_notifier.Reloading();
        Print(kNotice, "Settings re-read");
        if (!start()) {
            loop.RequestStop();
        }
    });
    loop.Run();
    service.StopListener();
    return 0;
}

int CCtlServe::ServeSecondary(CServeLoop& loop)
{
    CSecondaryService service{*this, *this, *this};
    service.Engine().SetRowPause(std::chrono::milliseconds{0});
    service.SetStopRequest([&loop] { return loop.StopRequested(); });
    if (m_terminal) {
        service.Engine().SetProgress([this](int done, int all, std::uint64_t bytes) {
            Progress(CProgressLine::SyncText(done, all, bytes));
        });
    }
    m_onSyncRequested = [&](const std::string& text) { service.OnSyncRequested(text); };
    m_onTimeSynchronized = [&](const std::string& text) { service.OnTimeSynchronized(text); };
    const auto start = [&] {
        service.StopListener();
        service.Initialise();
        if (!service.Settings().initialised) {
            // The message has been shown; without its download directory the role cannot run.
            return false;
        }
        const SSecondarySettings& settings = service.Settings();
        CheckLogDirectory(settings.logDir);
        loop.SetTimer(std::chrono::milliseconds{service.TimerInterval()},
                      [&] { service.OnTimer(); });
        const std::string serving = "Serving as secondary: synchronization every " +
                                    std::to_string(service.TimerInterval() / 1000) + " s from " +
                                    settings.webPath + ", ";
        if (!service.WantsListener()) {
            const std::string notice = serving + "no commands (UseSocketsControls is not 1)";
            Print(kNotice, notice);
            m_notifier.Ready(notice);
            return true;
        }
        const int port = settings.port;
        const std::string notice = serving + "commands at port " + std::to_string(port);
        m_readyPending = true;
        if (!service.StartListener(this, CSecondaryListener::SetSystemTime,
                                   [this, port, notice](bool bound, const std::string& reason) {
                                       ListenerBound(port, bound, reason, notice);
                                   })) {
            Message(kError, "cannot start the listener at port " + std::to_string(port));
            return false;
        }
        return true;
    };
    int status = 0;
    if (start()) {
        loop.SetReload([&] {
            m_notifier.Reloading();
            Print(kNotice, "Settings re-read");
            if (!start()) {
                status = kExitFailure;
                loop.RequestStop();
            }
        });
        loop.Run();
    } else {
        status = kExitFailure;
    }
    service.StopListener();
    m_onSyncRequested = {};
    m_onTimeSynchronized = {};
    return status;
}

const char* CCtlServe::ImageWord(int image)
{
    switch (image) {
    case CReportSink::ImageSuccess:
        return kOk;
    case CReportSink::ImageError:
        return kError;
    default:
        return kNotice;
    }
}

void CCtlServe::ListenerBound(int port, bool bound, const std::string& reason,
                              const std::string& notice)
{
    const std::string text = bound
                                 ? notice
                                 : "Cannot listen at port " + std::to_string(port) + " (" + reason +
                                       "): not serving it yet, trying again every "
                                       "half second";
    Print(bound ? kNotice : kError, text);
    if (!bound && !m_journalOut) {
        // Told on the error stream too, unless the journal has it already from the line above.
        Message(kError, text);
    }
    // The timer runs whether or not the port is bound: the role is as ready as it gets.
    if (m_readyPending.exchange(false)) {
        m_notifier.Ready(text);
    }
}

void CCtlServe::Print(const char* word, const std::string& text)
{
    const std::lock_guard lock{m_outputMutex};
    if (m_terminal) {
        m_progress.Clear();
    }
    m_out << (m_journalOut ? CJournalStream::Prefix(word) : "") << word << "  "
          << CPrintableText::Escape(text) << std::endl;
}

void CCtlServe::Message(const char* word, const std::string& text)
{
    const std::lock_guard lock{m_outputMutex};
    m_err << (m_journalErr ? CJournalStream::Prefix(word) : "") << "zezodictl: " << text
          << std::endl;
}

void CCtlServe::Lines(const char* word, const std::string& lines)
{
    const std::lock_guard lock{m_outputMutex};
    std::istringstream in{lines};
    for (std::string line; std::getline(in, line);) {
        m_err << (m_journalErr ? CJournalStream::Prefix(word) : "") << line << "\n";
    }
    m_err.flush();
}

void CCtlServe::CheckLogDirectory(const std::string& logDir)
{
    std::ostringstream notice;
    if (!CLogDirectoryNotice::Check(logDir, notice)) {
        // Nothing reaches the log file until the operator acts.
        Lines(kError, notice.str());
    }
}

void CCtlServe::Progress(const std::string& text)
{
    const std::lock_guard lock{m_outputMutex};
    m_progress.Show(text);
}

void CCtlServe::AddReportLine(const std::string& text, int image)
{
    Print(ImageWord(image), text);
}

void CCtlServe::ClearFiles()
{
    m_filesDone = 0;
    m_kilobytesDone = 0;
}

void CCtlServe::AddFileRow(const CFileRow& row)
{
    if (!m_terminal) {
        return;
    }
    ++m_filesDone;
    m_kilobytesDone += std::strtoull(row.size.c_str(), nullptr, 10);
    Progress("files " + std::to_string(m_filesDone) + ", " + std::to_string(m_kilobytesDone) +
             " KB");
}

void CCtlServe::AddFileRow(const SRow& /*columns*/, int /*image*/) {}

void CCtlServe::SetLastSync(const std::string& /*text*/) {}

void CCtlServe::SetBusy(bool busy)
{
    if (!busy && m_terminal) {
        const std::lock_guard lock{m_outputMutex};
        m_progress.Clear();
    }
}

void CCtlServe::ShowErrorBox(const std::string& text, const std::string& caption)
{
    Message(kError, caption + ": " + text);
}

bool CCtlServe::AskYesNo(const std::string& text, const std::string& caption, bool /*defaultNo*/)
{
    Message(kNotice, caption + ": " + text + " (answered No)");
    return false;
}

void CCtlServe::PostSyncRequested(std::string nameAndAddress)
{
    if (m_loop != nullptr) {
        m_loop->Post([this, text = std::move(nameAndAddress)] {
            if (m_onSyncRequested) {
                m_onSyncRequested(text);
            }
        });
    }
}

void CCtlServe::PostTimeSynchronized(std::string text)
{
    if (m_loop != nullptr) {
        m_loop->Post([this, line = std::move(text)] {
            if (m_onTimeSynchronized) {
                m_onTimeSynchronized(line);
            }
        });
    }
}

void CCtlServe::AddSyncResultLine(const std::string& text)
{
    // The listener gives the line only; the error line is told by its fixed beginning.
    const std::string errorStart = TextBeforeField(StringId::ClientSyncError);
    Print(text.rfind(errorStart, 0) == 0 ? kError : kOk, text);
}
