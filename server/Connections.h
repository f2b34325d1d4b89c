#pragma once

#include "server/Metrics.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace server {

// The client connections open at a time, each idle (waiting for its next request) or serving one,
// so that the server can close the idle ones when it stops or when it has to make room.
class OpenConnections {
public:
    using Id = std::uint64_t;
    Id Add(int fd);
    // Before the socket is closed: its descriptor number may be reused at once.
    void Remove(Id id);
    // False once the server stops: the connection waits for no further request.
    bool SetIdle(Id id, bool idle);
    // Shuts the connection that has been idle longest; false when none is idle.
    bool CloseOldestIdle();
    // From now on connections end after the request they serve; the idle ones end now.
    void Stopping();
    // Shuts every open connection (the stop's grace is over); how many.
    int ShutAll();

private:
    struct Entry {
        int fd;
        bool idle;
        std::chrono::steady_clock::time_point idleSince;
    };
    std::mutex mutex_;
    std::map<Id, Entry> open_;
    Id next_ = 0;
    bool stopping_ = false;
};

// The listening socket of a server, which httplib keeps to itself: it listens with a backlog of
// 5, and clients connecting together (a morning's logins, every clerk of a failed server coming
// over) waited a second and more each for a SYN retry.
class HasListeningSocket {
public:
    virtual ~HasListeningSocket() = default;
    virtual int ListeningSocket() const = 0;
};

// An HTTPS server whose listening socket can be reached.
class TlsServer : public httplib::SSLServer, public HasListeningSocket {
public:
    using httplib::SSLServer::SSLServer;
    int ListeningSocket() const override { return svr_sock_; }
};

// httplib's own loop checks every 10 ms whether an idle keep-alive connection has a request (and
// whether the server stops): about 1.7 ms of processor a second for each idle client. This one
// sleeps in poll() until the client writes, the keep-alive time is over or the server closes the
// connection; it also limits the time a client may take to send a request's headers.
class KeepAliveServer : public httplib::Server, public HasListeningSocket {
public:
    explicit KeepAliveServer(OpenConnections& connections, int headerSeconds)
        : connections_(connections), headerSeconds_(headerSeconds) {}
    int ListeningSocket() const override { return svr_sock_; }

private:
    bool process_and_close_socket(socket_t sock) override;

    OpenConnections& connections_;
    int headerSeconds_;
};

// One thread per open connection, up to a cap; finished ones are joined as new connections come.
// At the cap the connection idle longest is closed to make room (a client that comes back to it
// reconnects); when none is idle, the accept loop waits for one to end and new clients wait in the
// listen backlog: nobody is refused, and no client can make the server open threads and
// descriptors without end. A thread that cannot be created (process or memory limits) is waited
// for and tried again, never an exception out of the accept loop.
class ConnectionThreads : public httplib::TaskQueue {
public:
    struct Limits {
        int maxConnections;
        int stopGraceSeconds;
        // Wakes idle connections at a stop and closes them at the cap (null: the library's loop).
        OpenConnections* connections;
        // Shuts the connections still open once the stop's grace is over; how many.
        std::function<int()> shutOpen;
        std::function<int()> callsRunning;
    };
    ConnectionThreads(Metrics& metrics, Limits limits) : metrics_(metrics), limits_(std::move(limits)) {}

    void enqueue(std::function<void()> fn) override;
    // Waits for the open connections; with a grace period, once it is over and no call is under
    // way, the connections still open (idle, or a client that sends a byte now and then) are shut.
    void shutdown() override;

private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void Reap();  // under mutex_

    Metrics& metrics_;
    Limits limits_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::list<Entry> threads_;
    bool atCapLogged_ = false;
};

// The connections accepted on the port, found by it as their local port (for servers whose
// connections are the library's own, as with TLS): shut down, their threads' reads end at once.
int ShutDownAccepted(int port);

void LogLine(const std::string& line);

}  // namespace server
