#include "server/RpcServer.h"

#include "server/AuthService.h"
#include "server/Connections.h"
#include "server/RpcError.h"

#include <httplib.h>

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <future>
#include <mutex>

namespace server {

// Connections and calls are served apart. httplib holds a thread for as long as a connection
// stays open, and desktop clients keep theirs open between calls: with a fixed pool, clients
// beyond its size waited for another one to go idle, forever when none did. So every connection
// gets its own, mostly idle, thread, and the calls run on `threads` workers, each with its own
// database connection.
class CallWorkers {
public:
    explicit CallWorkers(int n) {
        for (int i = 0; i < n; ++i) workers_.push_back(std::make_unique<Worker>());
        for (int i = 0; i < n; ++i) threads_.emplace_back([this, i] { Loop(*workers_[size_t(i)]); });
    }
    ~CallWorkers() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
            for (auto& w : workers_) w->wake.notify_one();
        }
        for (auto& t : threads_) t.join();
    }
    // Runs the call on a worker and waits for it. The worker idle the shortest time takes it:
    // its statements are prepared, its database pages and memory still at hand, where one idle
    // since the first calls of the day would take several milliseconds to warm up again.
    void Run(const std::function<void()>& call) {
        std::packaged_task<void()> task(call);
        auto done = task.get_future();
        Worker* woken = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (idle_.empty()) {
                jobs_.push_back([&task] { task(); });
            } else {
                woken = idle_.back();
                idle_.pop_back();
                woken->job = [&task] { task(); };
            }
        }
        // Told after the lock is let go, which it would otherwise wake up only to wait for.
        if (woken) woken->wake.notify_one();
        done.get();
    }

private:
    struct Worker {
        std::condition_variable wake;
        std::function<void()> job;
    };

    void Loop(Worker& self) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (!self.job && !jobs_.empty()) {
                self.job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            if (self.job) {
                std::function<void()> job = std::move(self.job);
                self.job = nullptr;
                lock.unlock();
                job();
                lock.lock();
                continue;
            }
            if (stop_) return;
            idle_.push_back(&self);
            self.wake.wait(lock, [&] { return stop_ || self.job; });
            if (!self.job) return;  // stopping
        }
    }

    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;  // calls waiting for a worker, first come first served
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<Worker*> idle_;  // the most recently idle last
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

namespace {

// What a client sent, fit for one log line: a line break or control character in a method name
// or path would forge lines of its own.
std::string Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::unique_ptr<httplib::Server> MakeHttp(const RpcServerOptions& options, OpenConnections& connections) {
    if (options.tlsCert.empty() && options.tlsKey.empty())
        return std::make_unique<KeepAliveServer>(connections, options.headerSeconds);
    if (options.tlsCert.empty() || options.tlsKey.empty())
        throw std::runtime_error("para HTTPS informe o certificado e a chave privada (--tls-cert e --tls-key).");
    auto https = std::make_unique<TlsServer>(options.tlsCert.c_str(), options.tlsKey.c_str());
    if (!https->is_valid())
        throw std::runtime_error("não foi possível carregar o certificado " + options.tlsCert + " e a chave " +
                                 options.tlsKey + " (arquivos PEM, a chave sem senha e do mesmo certificado).");
    return https;
}

Dispatcher::Outcome Failure(int code, const std::string& message) {
    Dispatcher::Outcome out;
    out.errorCode = code;
    out.response =
        nlohmann::json{{"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", code}, {"message", message}}}}.dump();
    return out;
}

}  // namespace

RpcServer::RpcServer(const Dispatcher& dispatcher, AuthService& auth, RpcServerOptions options)
    : dispatcher_(dispatcher), auth_(auth), options_(std::move(options)),
      connections_(std::make_unique<OpenConnections>()), http_(MakeHttp(options_, *connections_)) {
    Setup();
}

std::string RpcServer::ClientAddress(const std::string& peer, const std::string& forwardedFor) const {
    const auto& proxies = options_.trustedProxies;
    if (forwardedFor.empty() || std::find(proxies.begin(), proxies.end(), peer) == proxies.end()) return peer;
    // The balancer appends the address it saw; earlier ones are whatever the client wrote.
    const size_t comma = forwardedFor.rfind(',');
    std::string last = comma == std::string::npos ? forwardedFor : forwardedFor.substr(comma + 1);
    last.erase(0, last.find_first_not_of(' '));
    last.erase(last.find_last_not_of(' ') + 1);
    return last.empty() ? peer : last.substr(0, 64);
}

RpcServer::~RpcServer() { Stop(); }

void RpcServer::Setup() {
    const int threads = options_.threads > 0 ? options_.threads : 8;
    workers_ = std::make_unique<CallWorkers>(threads);
    writeWorkers_ = std::make_unique<CallWorkers>(threads);
    // With TLS the connections are the library's own: no idle one can be told apart or woken,
    // and at a stop they are found by the port.
    auto* plain = dynamic_cast<KeepAliveServer*>(http_.get());
    http_->new_task_queue = [this, plain] {
        ConnectionThreads::Limits limits{options_.maxConnections, options_.stopGraceSeconds,
                                         plain ? connections_.get() : nullptr, nullptr,
                                         [this] { return callsRunning_.load(); }};
        if (plain)
            limits.shutOpen = [this] { return connections_->ShutAll(); };
        else
            limits.shutOpen = [this] { return ShutDownAccepted(port_); };
        return new ConnectionThreads(metrics_, std::move(limits));
    };
    // httplib's defaults hurt a chatty client: Nagle delays every small answer and keep-alive
    // ends after 5 requests.
    http_->set_tcp_nodelay(true);
    http_->set_keep_alive_max_count(1000000);
    http_->set_keep_alive_timeout(options_.keepAliveSeconds);
    http_->set_payload_max_length(options_.maxBody);
    http_->set_read_timeout(30, 0);
    http_->set_write_timeout(30, 0);
    // httplib also sets SO_REUSEPORT, with which a second server on a taken port starts without a
    // word and takes half the calls: only SO_REUSEADDR, so that a restart finds its port free.
    http_->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    http_->Get("/health", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok\n", "text/plain"); });
    // For monitoring; it shows call volumes, so it wants the token like a call.
    http_->Get("/metrics", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string authorization = req.get_header_value("Authorization");
        bool admitted = false;
        try {
            admitted = !authorization.empty() &&
                       auth_.Admit(authorization, ClientAddress(req.remote_addr, req.get_header_value("X-Forwarded-For"))).kind !=
                           Caller::Kind::Anonymous;
        } catch (const std::exception&) {
        }
        if (!admitted) {
            res.status = 401;
            res.set_content("acesso não autorizado\n", "text/plain");
            return;
        }
        res.set_content(metrics_.Text(), "text/plain; version=0.0.4");
    });

    // Who calls is settled from the headers, before httplib reads a body: a stranger's megabytes
    // are never read, let alone kept. The connection is closed after the refusal, since the body
    // it announced is still on its way.
    http_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (req.method != "POST" || req.path != kPath) return httplib::Server::HandlerResponse::Unhandled;
        const std::string authorization = req.get_header_value("Authorization");
        std::string refusal;
        if (authorization.empty()) {
            const std::string length = req.get_header_value("Content-Length");
            if (length.empty() || length.size() > 18 || std::stoull("0" + length) > kAnonymousBody)
                refusal = "Acesso não autorizado.";
        } else {
            try {
                auth_.Admit(authorization, ClientAddress(req.remote_addr, req.get_header_value("X-Forwarded-For")));
            } catch (const server::Unauthorized& e) {
                refusal = e.what();
            } catch (const std::exception&) {
                // The database may be down: the call itself will say so.
            }
        }
        if (refusal.empty()) return httplib::Server::HandlerResponse::Unhandled;
        const Dispatcher::Outcome out = Dispatcher::Unauthorized(refusal);
        res.status = out.httpStatus;
        res.set_header("Connection", "close");
        res.set_content(out.response, "application/json");
        return httplib::Server::HandlerResponse::Handled;
    });

    const bool log = options_.log;
    http_->Post(kPath, [this, log](const httplib::Request& req, httplib::Response& res) {
        const auto start = std::chrono::steady_clock::now();
        const std::string authorization = req.get_header_value("Authorization");
        const std::string address = ClientAddress(req.remote_addr, req.get_header_value("X-Forwarded-For"));
        Dispatcher::Outcome out;
        if (authorization.empty() && req.body.size() > kAnonymousBody) {
            out = Dispatcher::Unauthorized("Acesso não autorizado.");
        } else {
            // Who calls is settled before the body is read; a session is looked up in the database,
            // so on a worker.
            // Writes wait on workers of their own (see writeWorkers_).
            const std::string method = Dispatcher::MethodOf(req.body);
            CallWorkers& pool = method.empty() || dispatcher_.Writes(method) ? *writeWorkers_ : *workers_;
            // A stop shuts no connection while a call is under way: its answer is owed.
            ++callsRunning_;
            struct Running {
                std::atomic<int>& n;
                ~Running() { --n; }
            } running{callsRunning_};
            pool.Run([this, &authorization, &address, &req, &out] {
                Caller caller;
                caller.address = address;
                try {
                    if (!authorization.empty()) caller = auth_.Admit(authorization, address);
                } catch (const server::Unauthorized& e) {
                    out = Dispatcher::Unauthorized(e.what());
                    return;
                } catch (const RpcError& e) {
                    out = Failure(e.code(), e.what());
                    return;
                } catch (const std::exception& e) {
                    out = Failure(kInternalError, std::string("Erro interno do servidor de aplicação: ") + e.what());
                    return;
                }
                out = dispatcher_.Dispatch(req.body, caller);
            });
        }
        res.status = out.httpStatus;
        // Moved in, not copied as set_content would: a list's answer is megabytes.
        res.body = std::move(out.response);
        res.set_header("Content-Type", "application/json");
        metrics_.Call(dispatcher_.Knows(out.method) ? out.method : std::string("outro"),
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), out.errorCode);
        if (log) {
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.2f ms", ms);
            LogLine(Printable(address) + " rpc " + (out.method.empty() ? std::string("?") : Printable(out.method)) + " " + buf + " " +
                    (out.errorCode == 0 ? std::string("ok") : "erro " + std::to_string(out.errorCode)));
        }
    });
    http_->set_error_handler([log](const httplib::Request& req, httplib::Response& res) {
        if (log)
            LogLine(Printable(req.remote_addr) + " http " + Printable(req.method) + " " + Printable(req.path) + " " +
                    std::to_string(res.status));
    });
}

int RpcServer::Bind() {
    if (options_.port == 0) {
        port_ = http_->bind_to_any_port(options_.listen);
    } else {
        port_ = http_->bind_to_port(options_.listen, options_.port) ? options_.port : -1;
    }
    if (port_ <= 0)
        throw std::runtime_error("não foi possível escutar em " + options_.listen + ":" + std::to_string(options_.port));
    // The library listens with a backlog of 5 (see HasListeningSocket).
    if (const auto* server = dynamic_cast<const HasListeningSocket*>(http_.get())) ::listen(server->ListeningSocket(), SOMAXCONN);
    return port_;
}

bool RpcServer::Serve() { return http_->listen_after_bind(); }

int RpcServer::Start() {
    const int port = Bind();
    thread_ = std::thread([this] { Serve(); });
    return port;
}

void RpcServer::Stop() {
    if (http_) http_->stop();
    if (thread_.joinable()) thread_.join();
}

}  // namespace server
