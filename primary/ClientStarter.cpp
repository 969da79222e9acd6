#include "primary/ClientStarter.h"

#include "core/ProtocolMessages.h"
#include "core/ReportSink.h"
#include "core/SetTimeSender.h"
#include "core/StartSyncSender.h"
#include "core/StringTable.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

CClientStarter::CClientStarter(const SPrimarySettings& settings)
    : m_settings{settings}, m_ackTimeout{CProtocolMessages::kAckTimeout},
      m_stopEvent{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)}
{}

CClientStarter::~CClientStarter()
{
    if (m_stopEvent >= 0) {
        ::close(m_stopEvent);
    }
}

void CClientStarter::SetAckTimeout(int tenths)
{
    m_ackTimeout = tenths;
}

void CClientStarter::RequestStop()
{
    m_stop = true;
    if (m_stopEvent >= 0) {
        // A few presses cannot overflow the counter: the write does not fail.
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_stopEvent, &one, sizeof one);
    }
}

void CClientStarter::Rearm()
{
    m_stop = false;
    if (m_stopEvent >= 0) {
        // A stop of earlier exchanges must not end these: one read empties the counter.
        std::uint64_t pending = 0;
        [[maybe_unused]] const ssize_t drained = ::read(m_stopEvent, &pending, sizeof pending);
    }
}

void CClientStarter::Run(const std::vector<SClient>& clients, bool alsoSetTime,
                         const StepHook& step, const LineHook& line) const
{
    CStartSyncSender startSync{m_settings.computerName, m_settings.primaryIp, m_settings.port};
    startSync.SetAckTimeout(m_ackTimeout);
    startSync.SetInterrupt(m_stopEvent);
    CSetTimeSender setTime{m_settings.logDir, m_settings.port};
    setTime.SetAckTimeout(m_ackTimeout);
    setTime.SetInterrupt(m_stopEvent);
    const int all = static_cast<int>(clients.size());
    for (int done = 0; done < all && !m_stop; ++done) {
        const SClient& client = clients[static_cast<std::size_t>(done)];
        if (step) {
            step(
                done, all,
                CStringTable::Format(StringId::ClientSyncTalkingTo, {client.name, client.address}));
        }
        const int started{startSync.SendStartSync(client.name, client.address)};
        line(CStartSyncSender::ReportText(started, client.name, client.address),
             started == CStartSyncSender::kStarted ? CReportSink::ImageSuccess
                                                   : CReportSink::ImageError);
        if (alsoSetTime) {
            const int timeSet{setTime.SendSetTime(client.address, client.name)};
            line(CSetTimeSender::ReportText(timeSet, client.name, client.address),
                 timeSet == CSetTimeSender::kSucceeded ? CReportSink::ImageSuccess
                                                       : CReportSink::ImageError);
        }
    }
}
