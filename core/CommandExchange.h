#pragma once

#include "core/CommandSocket.h"

#include <string>

// The send step of the three command senders: a command that cannot be sent is tried once
// more after a short pause.
class CCommandExchange
{
public:
    // Sends text; on failure waits 100 ms and sends it once more. 0 or -1.
    static int SendCommand(CCommandSocket& socket, const std::string& text);
};
