#include "tests/support/NginxServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr std::chrono::seconds kStartLimit{10};
constexpr std::chrono::seconds kStopLimit{5};
constexpr std::chrono::milliseconds kPoll{20};
constexpr int kPortAttempts = 5;

// A port the kernel just handed out on loopback; free unless someone takes it meanwhile,
// which Start survives by trying another.
int FreeLoopbackPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool Accepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

} // namespace

CNginxServer::CNginxServer(std::string webRoot, std::string stateDir)
    : m_webRoot{std::move(webRoot)}, m_stateDir{std::move(stateDir)}
{}

CNginxServer::~CNginxServer()
{
    Stop();
}

bool CNginxServer::Start()
{
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        m_port = FreeLoopbackPort();
        if (m_port == 0 || !WriteConfiguration())
            return false;
        const std::vector<std::string> argv = {
            kNginx, "-p", m_stateDir, "-c", ConfigPath(), "-e", m_stateDir + "/error.log"};
        if (!m_process.Start(argv))
            return false;
        const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
        while (m_process.IsRunning() && std::chrono::steady_clock::now() < deadline) {
            if (Accepts(m_port))
                return true;
            std::this_thread::sleep_for(kPoll);
        }
        Stop();
    }
    return false;
}

void CNginxServer::Stop()
{
    // Without a master process SIGTERM is the fast shutdown of the one process there is.
    m_process.Stop(SIGTERM, kStopLimit);
}

std::string CNginxServer::BaseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(m_port);
}

std::string CNginxServer::ErrorLog() const
{
    std::ifstream in(m_stateDir + "/error.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string CNginxServer::ConfigPath() const
{
    return m_stateDir + "/nginx.conf";
}

bool CNginxServer::WriteConfiguration() const
{
    const std::string temp = m_stateDir + "/temp";
    std::error_code ignored;
    std::filesystem::create_directories(temp, ignored);
    std::ofstream out(ConfigPath(), std::ios::trunc);
    // As root nginx would switch its worker to an unprivileged user that cannot read a
    // test's private temporary directory; it keeps root instead.
    if (geteuid() == 0)
        out << "user root;\n";
    out << "daemon off;\n"
           "master_process off;\n"
           "worker_processes 1;\n"
           "pid \""
        << m_stateDir << "/nginx.pid\";\n"
        << "error_log \"" << m_stateDir << "/error.log\";\n"
        << "events { worker_connections 64; }\n"
           "http {\n"
           "  access_log \""
        << m_stateDir << "/access.log\";\n"
        << "  client_body_temp_path \"" << temp << "/body\";\n"
        << "  proxy_temp_path \"" << temp << "/proxy\";\n"
        << "  fastcgi_temp_path \"" << temp << "/fastcgi\";\n"
        << "  uwsgi_temp_path \"" << temp << "/uwsgi\";\n"
        << "  scgi_temp_path \"" << temp << "/scgi\";\n"
        << "  default_type application/octet-stream;\n"
           "  server {\n"
           "    listen 127.0.0.1:"
        << m_port << ";\n"
        << "    root \"" << m_webRoot << "\";\n"
        << "    autoindex off;\n"
           "    location ~ /slow/ { limit_rate 8k; }\n"
           "  }\n"
           "}\n";
    out.close();
    return static_cast<bool>(out);
}
