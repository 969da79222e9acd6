#include "core/CommandExchange.h"

#include <chrono>
#include <thread>

namespace {

constexpr auto kResendPause = std::chrono::milliseconds{100};

} // namespace

int CCommandExchange::SendCommand(CCommandSocket& socket, const std::string& text)
{
    if (socket.SendText(text) == CCommandSocket::kOk) {
        return CCommandSocket::kOk;
    }
    std::this_thread::sleep_for(kResendPause);
    return socket.SendText(text);
}
