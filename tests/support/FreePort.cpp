#include "FreePort.h"

#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

bool IsListening(const std::string& portSuffix)
{
    std::ifstream table{"/proc/net/tcp"};
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields{line};
        std::string slot;
        std::string local;
        std::string remote;
        std::string state;
        if (fields >> slot >> local >> remote >> state && local.ends_with(portSuffix) &&
            state == "0A") {
            return true;
        }
    }
    return false;
}

// The port of a socket bound to port on every address (0: the system's choice), closed again;
// -1 when it cannot be bound.
int BoundPort(int port)
{
    const int fd{socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length{sizeof(address)};
    const bool bound{bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
                     getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0};
    close(fd);
    return bound ? ntohs(address.sin_port) : -1;
}

} // namespace

int FreePort()
{
    // Below the range the system takes the local ports of outgoing connections from, so that no
    // connection of a test running meanwhile takes it before the listener binds it, and at
    // random, so that tests running side by side seldom pick the same one. Never the same port
    // twice in one process: a test's two listeners must not share one.
    static std::mutex mutex;
    static std::set<int> given;
    const std::lock_guard lock{mutex};
    int ephemeral{32768};
    std::ifstream{"/proc/sys/net/ipv4/ip_local_port_range"} >> ephemeral;
    constexpr int kLowest{10000};
    if (ephemeral - kLowest < 1000) {
        return BoundPort(0);
    }
    std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> pick{kLowest, ephemeral - 1};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int port{BoundPort(pick(random))};
        if (port > 0 && given.insert(port).second) {
            return port;
        }
    }
    return -1;
}

bool WaitUntilListening(int port, std::chrono::milliseconds longest)
{
    char suffix[8];
    std::snprintf(suffix, sizeof(suffix), ":%04X", static_cast<unsigned>(port));
    const auto deadline{std::chrono::steady_clock::now() + longest};
    while (std::chrono::steady_clock::now() < deadline) {
        if (IsListening(suffix)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{10});
    }
    return false;
}
