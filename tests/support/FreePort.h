#pragma once

#include <chrono>

// A TCP port that nothing is bound to right now, below the system's range for outgoing
// connections; -1 when no socket could be bound.
int FreePort();

// True once a socket listens at the port (state 0A in /proc/net/tcp), within `longest`. A
// probing connection would use up one command of the listener under test.
bool WaitUntilListening(int port, std::chrono::milliseconds longest);
