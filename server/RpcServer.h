#pragma once

#include "server/Metrics.h"

#include "server/Dispatcher.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace server {

class AuthService;
class CallWorkers;
class OpenConnections;

struct RpcServerOptions {
    std::string listen = "127.0.0.1";
    int port = 0;  // 0 picks a free port
    int threads = 8;
    size_t maxBody = 32u * 1024u * 1024u;
    bool log = true;
    // HTTPS with this certificate and private key (PEM files) when both are set.
    std::string tlsCert, tlsKey;
    // Balancers whose X-Forwarded-For names the client (its last address): failed logins are
    // counted per client, not per balancer.
    std::vector<std::string> trustedProxies;
    // Open connections at most (each holds a thread and a descriptor); beyond it new clients wait
    // in the listen backlog until one ends.
    int maxConnections = 4096;
    // Seconds an idle keep-alive connection stays open.
    int keepAliveSeconds = 5;
    // Seconds a client may take to send a request's headers, however it trickles them.
    int headerSeconds = 20;
    // On Stop, seconds to wait for the open connections before shutting them (once no call is
    // under way); 0 waits for every one.
    int stopGraceSeconds = 0;
};

// HTTP/1.1 keep-alive transport: POST /rpc/Zmt02600.rdmTransFisica with a bearer token (a
// session's, or the tools'), GET /health. One log line per request on standard error (never a
// token nor a password).
class RpcServer {
public:
    static constexpr const char* kPath = "/rpc/Zmt02600.rdmTransFisica";
    // The most a request without a bearer may carry: rpc.login needs little, and nobody
    // unidentified gets the server to read megabytes.
    static constexpr size_t kAnonymousBody = 4096;

    // Throws std::runtime_error (Portuguese) when the certificate or the key cannot be loaded.
    RpcServer(const Dispatcher& dispatcher, AuthService& auth, RpcServerOptions options);
    ~RpcServer();
    RpcServer(const RpcServer&) = delete;
    RpcServer& operator=(const RpcServer&) = delete;

    // Binds the socket; returns the port (the chosen one when 0 was asked). Throws on failure.
    int Bind();
    // Serves until Stop(); blocks. Calls under way finish first. False on a network failure.
    bool Serve();
    // Bind and serve on a background thread (tests, benchmarks).
    int Start();
    void Stop();
    int Port() const { return port_; }
    const Metrics& metrics() const { return metrics_; }

private:
    void Setup();

    std::string ClientAddress(const std::string& peer, const std::string& forwardedFor) const;

    const Dispatcher& dispatcher_;
    AuthService& auth_;
    RpcServerOptions options_;
    std::unique_ptr<CallWorkers> workers_;       // reads
    std::unique_ptr<CallWorkers> writeWorkers_;  // writes, apart: one waiting for a lock holds up no read
    std::unique_ptr<OpenConnections> connections_;
    std::unique_ptr<httplib::Server> http_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<int> callsRunning_{0};
    Metrics metrics_;
};

}  // namespace server
