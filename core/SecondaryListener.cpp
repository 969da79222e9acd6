#include "core/SecondaryListener.h"

#include "core/ProtocolMessages.h"
#include "core/StringTable.h"

#include <utility>

namespace {

constexpr auto kReplyPause = std::chrono::milliseconds{100};

} // namespace

CSecondaryListener::CSecondaryListener(std::string ownName, int port, CSecondaryRequests* window,
                                       ClockSetter setClock)
    : CCommandListener{port}, m_ownName{std::move(ownName)}, m_window{window}, m_setClock{std::move(
                                                                                   setClock)}
{}

CSecondaryListener::~CSecondaryListener()
{
    Stop();
}

void CSecondaryListener::SetSystemTime(const std::tm& utc)
{
    std::tm fields = utc;
    const timespec now{timegm(&fields), 0};
    // As on every platform the peers run on, a refused clock change goes unreported.
    [[maybe_unused]] const int result = clock_settime(CLOCK_REALTIME, &now);
}

void CSecondaryListener::ServeCommand(CCommandSocket& connection,
                                      const std::vector<std::string>& tokens)
{
    if (tokens.empty()) {
        return;
    }
    if (tokens.front() == CProtocolMessages::kStartSync) {
        StartSync(connection, tokens);
    } else if (tokens.front() == CProtocolMessages::kSetTime) {
        SetTime(connection, tokens);
    }
}

void CSecondaryListener::StartSync(CCommandSocket& connection,
                                   const std::vector<std::string>& tokens)
{
    if (tokens.size() < 2) {
        return;
    }
    if (m_window != nullptr) {
        m_window->PostSyncRequested(tokens[1] + ";" + (tokens.size() > 2 ? tokens[2] : ""));
    }
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
}

void CSecondaryListener::SetTime(CCommandSocket& connection, const std::vector<std::string>& tokens)
{
    std::tm utc{};
    if (!CProtocolMessages::ParseSetTime(tokens, utc)) {
        return;
    }
    m_setClock(utc);
    Pause(kReplyPause);
    connection.SendText(CProtocolMessages::Ack(m_ownName));
    if (m_window != nullptr) {
        m_window->PostTimeSynchronized(CStringTable::Text(StringId::TimeSynchronized));
    }
}
