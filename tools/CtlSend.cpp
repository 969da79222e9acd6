#include "tools/CtlSend.h"

#include "core/CommandSocket.h"
#include "core/ConfigKeys.h"
#include "core/EventLog.h"
#include "core/Platform.h"
#include "core/PrimaryListener.h"
#include "core/PrintableText.h"
#include "core/ProfileStore.h"
#include "core/SetTimeSender.h"
#include "core/StartSyncSender.h"

#include <csignal>
#include <pthread.h>

namespace {

constexpr int kExitFailure = 1;
// The client list of the settings dialog holds at most this many entries.
constexpr int kMaxClients = 49;
constexpr std::size_t kClientNameSize = 128;
constexpr std::size_t kClientAddressSize = 40;

int ConfiguredPort(std::string_view key, int defaultPort)
{
    const int port =
        CProfileStore::ReadInt(ConfigKeys::kConfig, key, defaultPort, ConfigKeys::kIniFile);
    return port < 1 ? defaultPort : port;
}

// The name under which [SecondaryServers] lists address; the address itself when it is not
// listed.
std::string ClientName(const std::string& address)
{
    for (int number = 1; number <= kMaxClients; ++number) {
        const std::string name = CProfileStore::ReadText(
            ConfigKeys::kSecondaryServers, ConfigKeys::NumberedKey(ConfigKeys::kClientName, number),
            "", kClientNameSize, ConfigKeys::kIniFile);
        if (name.empty()) {
            break;
        }
        if (CProfileStore::ReadText(ConfigKeys::kSecondaryServers,
                                    ConfigKeys::NumberedKey(ConfigKeys::kClientIP, number), "",
                                    kClientAddressSize, ConfigKeys::kIniFile) == address) {
            return name;
        }
    }
    return address;
}

} // namespace

CCtlSend::CCtlSend(std::ostream& out, std::ostream& err) : m_out{out}, m_err{err} {}

int CCtlSend::StartSync(const std::string& address)
{
    const std::string primaryAddress =
        CProfileStore::ReadText(ConfigKeys::kConfig, ConfigKeys::kPrimaryIPAddress, "",
                                ConfigKeys::kBuffer80, ConfigKeys::kIniFile);
    const CStartSyncSender sender{CPlatform::ComputerName(), primaryAddress,
                                  ConfiguredPort(ConfigKeys::kPort, ConfigKeys::kPortDefault)};
    const std::string name = ClientName(address);
    const int result = sender.SendStartSync(name, address);
    return Finish(result == CStartSyncSender::kStarted,
                  CStartSyncSender::ReportText(result, name, address));
}

int CCtlSend::SetTime(const std::string& address)
{
    const CSetTimeSender sender{CEventLog::LogDirectory(CPlatform::InstallDirectory()),
                                ConfiguredPort(ConfigKeys::kPort, ConfigKeys::kPortDefault)};
    const std::string name = ClientName(address);
    const int result = sender.SendSetTime(address, name);
    return Finish(result == CSetTimeSender::kSucceeded,
                  CSetTimeSender::ReportText(result, name, address));
}

int CCtlSend::ListenResults()
{
    const int port = ConfiguredPort(ConfigKeys::kPort2, ConfigKeys::kPort2Default);
    const std::string address = CCommandListener::ConfiguredListenAddress();
    CCommandSocket probe;
    if (probe.ListenOnPort(port, address) != CCommandSocket::kOk) {
        m_err << "zezodictl: cannot listen at port " << port << "\n";
        return kExitFailure;
    }
    probe.CloseSocket();

    // The listener thread inherits the blocked signals, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    CPrimaryListener listener{CPlatform::ComputerName(), port, this};
    listener.SetListenAddress(address);
    if (!listener.Start()) {
        m_err << "zezodictl: cannot start the listener\n";
        return kExitFailure;
    }
    m_out << "Listening for synchronization results at port " << port << std::endl;
    int signal = 0;
    while (sigwait(&stopSignals, &signal) != 0) {
    }
    listener.Stop();
    return 0;
}

void CCtlSend::AddSyncResultLine(const std::string& text)
{
    m_out << CEventLog::ReportTime() << "  " << CPrintableText::Escape(text) << std::endl;
}

int CCtlSend::Finish(bool succeeded, const std::string& text)
{
    m_out << CPrintableText::Escape(text) << "\n";
    return succeeded ? 0 : kExitFailure;
}
