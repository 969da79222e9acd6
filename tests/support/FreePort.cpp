#include "FreePort.h"

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
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

} // namespace

int FreePort()
{
    const int fd{socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length{sizeof(address)};
    const bool bound{bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
                     getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0};
    close(fd);
    return bound ? ntohs(address.sin_port) : -1;
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
