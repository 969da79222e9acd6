#pragma once

#include <chrono>

// A TCP port on loopback that nothing listens at right now (the system picks it for a socket
// bound to port 0, which is closed again); -1 when no socket could be bound.
int FreePort();

// True once a socket listens at the port (state 0A in /proc/net/tcp), within `longest`. A
// probing connection would use up one command of the listener under test.
bool WaitUntilListening(int port, std::chrono::milliseconds longest);
