#include "primary/ClientStarter.h"

#include "core/ProtocolMessages.h"
#include "core/ReportSink.h"
#include "core/SetTimeSender.h"
#include "core/StartSyncSender.h"
#include "core/StringTable.h"

CClientStarter::CClientStarter(const SPrimarySettings& settings)
    : m_settings{settings}, m_ackTimeout{CProtocolMessages::kAckTimeout}
{}

void CClientStarter::SetAckTimeout(int tenths)
{
    m_ackTimeout = tenths;
}

void CClientStarter::RequestStop()
{
    m_stop.Request();
}

void CClientStarter::Rearm()
{
    m_stop.Reset();
}

void CClientStarter::Run(const std::vector<SClient>& clients, bool alsoSetTime,
                         const StepHook& step, const LineHook& line) const
{
    CStartSyncSender startSync{m_settings.computerName, m_settings.primaryIp, m_settings.port};
    startSync.SetAckTimeout(m_ackTimeout);
    startSync.SetInterrupt(m_stop.Fd());
    CSetTimeSender setTime{m_settings.logDir, m_settings.port};
    setTime.SetAckTimeout(m_ackTimeout);
    setTime.SetInterrupt(m_stop.Fd());
    const int all = static_cast<int>(clients.size());
    for (int done = 0; done < all && !m_stop.Requested(); ++done) {
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
