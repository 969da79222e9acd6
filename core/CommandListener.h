#pragma once

#include "core/CommandSocket.h"
#include "core/PeerLogThrottle.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The loop that both roles' listeners share: bind the port, accept every connection at once,
// close at once (unread, holding no place) a peer that the role does not allow, and serve each
// other connection on a thread of its own, which reads one command of at most 511 bytes within
// the receive time-out, lets the role serve it and closes the connection. A peer that sends
// nothing, or too slowly, runs out its own wait while every other connection is served. At
// most kMaxConnections are open at once; a further one drops the connection that has waited
// longest for its command, or is closed at once when every open connection is being served;
// both are logged, at most once a window per peer address. The role's handling runs for one
// connection at a time. Stop ends every wait at once, so a listener can be restarted right after
// a role change.
class CCommandListener
{
public:
    // Tenths of a second that a connection may take to deliver its command.
    static constexpr int kReceiveTimeout = 100;
    // Connections open at once.
    static constexpr std::size_t kMaxConnections = 64;

    // Told on the listener's thread when the port is bound (bound, empty reason) and when it
    // cannot be bound (not bound, why), once for each change: the listener keeps trying every
    // half second.
    using BindObserver = std::function<void(bool bound, const std::string& reason)>;

    explicit CCommandListener(int port);
    virtual ~CCommandListener();
    CCommandListener(const CCommandListener&) = delete;
    CCommandListener& operator=(const CCommandListener&) = delete;

    // Starts the listener thread with the run flag set. False when it cannot be started or
    // already runs.
    bool Start();

    // Clears the run flag, wakes the threads and waits for them to end. Does nothing when it
    // does not run. Every derived class calls it in its destructor, because the threads call
    // ServeCommand.
    void Stop();

    // Replaces the time a connection may take to deliver its command (tenths of a second).
    void SetReceiveTimeout(int tenths);

    // The local address to listen at (a dotted IPv4 address or a host name); empty for all
    // local addresses. Takes effect at the next Start.
    void SetListenAddress(std::string address);

    // The directory of the log file that the listener's lines go to; the installation's log
    // directory unless set.
    void SetLogDirectory(std::string directory);

    // Before Start.
    void SetBindObserver(BindObserver observer);

    // Lines about a peer's connections are written once a window at most; for tests.
    CPeerLogThrottle& LogThrottle() { return m_logThrottle; }

    // [Config] ListenAddress of zezodi.ini; empty (all local addresses) when absent.
    static std::string ConfiguredListenAddress();

protected:
    // Whether peer (its dotted IPv4 address) may hold a place. Asked on the listener's thread
    // at every accept, before anything is read: must answer at once, without a lookup.
    virtual bool AdmitsPeer(const std::string& peer) const = 0;

    // What a refused peer is not, for its log line: "an allowed primary server".
    virtual const char* AllowedPeerText() const = 0;

    // Serves one received command of peer (its dotted IPv4 address) on its connection, which
    // the caller closes afterwards. Runs on a connection's thread, never for two connections
    // at once.
    virtual void ServeCommand(CCommandSocket& connection, const std::string& peer,
                              const std::vector<std::string>& tokens) = 0;

    // Waits for duration or until Stop, whichever comes first.
    void Pause(std::chrono::milliseconds duration) const;

    // One line in the log file.
    void WriteLog(const std::string& text) const;

    // A line about peer, held back while one for peer was written less than a window ago.
    void WritePeerLog(const std::string& peer, const std::string& text);

private:
    struct SConnection;

    void ListenerThread();
    // Serves connections on listening until an accept fails or times out; the caller then
    // binds the port afresh.
    void ServeConnections(CCommandSocket& listening);
    // Makes room for connection within the cap and starts its thread.
    void Admit(const std::shared_ptr<SConnection>& connection);
    void ConnectionThread(const std::shared_ptr<SConnection>& connection);
    // Joins the threads of finished connections, or of all connections when all is set.
    void Reap(bool all);
    void ReportBinding(bool bound, const std::string& reason);

    const int m_port;
    std::string m_listenAddress;
    // Set on the caller's thread, read by the listener's threads and the name lookups.
    mutable std::mutex m_logMutex;
    std::string m_logDirectory;
    std::atomic<int> m_run{0};
    std::atomic<int> m_receiveTimeout{kReceiveTimeout};
    int m_wakeFd = -1;
    std::thread m_thread;
    std::mutex m_connectionsMutex;
    std::list<std::shared_ptr<SConnection>> m_connections;
    std::mutex m_serveMutex;
    CPeerLogThrottle m_logThrottle;
    BindObserver m_bindObserver;
    // Whether the last report told of a bound port; empty before the first.
    std::optional<bool> m_boundReported;
};
