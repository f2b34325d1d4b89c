#include "server/Connections.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace server {

namespace {

using Clock = std::chrono::steady_clock;

int Milliseconds(time_t sec, time_t usec) { return static_cast<int>(sec * 1000 + usec / 1000); }

// Waits for the socket to be ready for `events`; > 0 ready, 0 timed out, < 0 failed.
int WaitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, std::max(timeoutMs, 0));
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

void Address(const sockaddr_storage& addr, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        port = ntohs(in6->sin6_port);
    }
    ip = text;
}

// A client socket read through a buffer (the library reads request lines a byte at a time). Reads
// wait at most the read timeout each, and while a request's headers are coming, no later than their
// deadline: a client sending a byte now and then cannot hold a connection for ever.
class SocketStream final : public httplib::Stream {
public:
    SocketStream(int fd, int readTimeoutMs, int writeTimeoutMs, int headerMs)
        : fd_(fd), readTimeoutMs_(readTimeoutMs), writeTimeoutMs_(writeTimeoutMs), headerMs_(headerMs) {}

    // Waits up to `timeoutMs` for the next request to begin; false when the time is over or the
    // connection closed. Data already buffered (a request sent right behind the last) counts.
    bool WaitForRequest(int timeoutMs) {
        if (off_ >= size_ && WaitFor(fd_, POLLIN, timeoutMs) <= 0) return false;
        headerDeadline_ = Clock::now() + std::chrono::milliseconds(headerMs_);
        inHeaders_ = true;
        matched_ = 0;
        return true;
    }

    bool is_readable() const override { return off_ < size_ || WaitFor(fd_, POLLIN, ReadWaitMs()) > 0; }

    bool is_writable() const override {
        if (WaitFor(fd_, POLLOUT, writeTimeoutMs_) <= 0) return false;
        // A peer that has gone gets no answer written at it.
        if (WaitFor(fd_, POLLIN, 0) <= 0) return true;
        char byte;
        return ::recv(fd_, &byte, 1, MSG_PEEK) > 0;
    }

    ssize_t read(char* ptr, size_t size) override {
        if (off_ >= size_) {
            if (!is_readable()) return -1;
            off_ = size_ = 0;
            ssize_t n;
            do n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
            while (n < 0 && errno == EINTR);
            if (n <= 0) return n;
            size_ = static_cast<size_t>(n);
        }
        const size_t n = std::min(size, size_ - off_);
        std::memcpy(ptr, buffer_.data() + off_, n);
        off_ += n;
        if (inHeaders_) SeeHeaders(ptr, n);
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t n;
        do n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) Address(addr, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) Address(addr, ip, port);
    }
    socket_t socket() const override { return fd_; }

private:
    int ReadWaitMs() const {
        if (!inHeaders_) return readTimeoutMs_;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(headerDeadline_ - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, readTimeoutMs_));
    }
    // Follows the bytes handed out for the blank line that ends the headers.
    void SeeHeaders(const char* p, size_t n) {
        static constexpr char kEnd[] = "\r\n\r\n";
        for (size_t i = 0; i < n && inHeaders_; ++i) {
            matched_ = p[i] == kEnd[matched_] ? matched_ + 1 : (p[i] == '\r' ? 1 : 0);
            if (matched_ == 4) inHeaders_ = false;
        }
    }

    int fd_;
    int readTimeoutMs_, writeTimeoutMs_, headerMs_;
    std::array<char, 16384> buffer_{};
    size_t off_ = 0, size_ = 0;
    bool inHeaders_ = false;
    int matched_ = 0;
    Clock::time_point headerDeadline_{};
};

std::mutex g_logMutex;

}  // namespace

void LogLine(const std::string& line) {
    std::lock_guard lock(g_logMutex);
    std::cerr << line << std::endl;
}

OpenConnections::Id OpenConnections::Add(int fd) {
    std::lock_guard lock(mutex_);
    const Id id = ++next_;
    open_.emplace(id, Entry{fd, false, Clock::now()});
    return id;
}

void OpenConnections::Remove(Id id) {
    std::lock_guard lock(mutex_);
    open_.erase(id);
}

bool OpenConnections::SetIdle(Id id, bool idle) {
    std::lock_guard lock(mutex_);
    const auto it = open_.find(id);
    if (it != open_.end()) {
        it->second.idle = idle;
        if (idle) it->second.idleSince = Clock::now();
    }
    return !stopping_;
}

bool OpenConnections::CloseOldestIdle() {
    std::lock_guard lock(mutex_);
    auto oldest = open_.end();
    for (auto it = open_.begin(); it != open_.end(); ++it)
        if (it->second.idle && (oldest == open_.end() || it->second.idleSince < oldest->second.idleSince)) oldest = it;
    if (oldest == open_.end()) return false;
    // Once shut it is no longer idle: the next call closes another.
    ::shutdown(oldest->second.fd, SHUT_RDWR);
    oldest->second.idle = false;
    return true;
}

void OpenConnections::Stopping() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (auto& [id, e] : open_)
        if (e.idle) ::shutdown(e.fd, SHUT_RDWR);
}

int OpenConnections::ShutAll() {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (auto& [id, e] : open_)
        if (::shutdown(e.fd, SHUT_RDWR) == 0) ++count;
    return count;
}

bool KeepAliveServer::process_and_close_socket(socket_t sock) {
    SocketStream stream(sock, Milliseconds(read_timeout_sec_, read_timeout_usec_),
                        Milliseconds(write_timeout_sec_, write_timeout_usec_), headerSeconds_ * 1000);
    const OpenConnections::Id id = connections_.Add(sock);
    bool ok = false;
    for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
        if (!connections_.SetIdle(id, true)) break;
        const bool request = stream.WaitForRequest(static_cast<int>(keep_alive_timeout_sec_ * 1000));
        const bool stopping = !connections_.SetIdle(id, false);
        if (!request) break;
        bool closed = false;
        ok = process_request(stream, left == 1 || stopping, closed, nullptr);
        if (!ok || closed || stopping) break;
    }
    connections_.Remove(id);
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

void ConnectionThreads::enqueue(std::function<void()> fn) {
    std::unique_lock lock(mutex_);
    Reap();
    if (static_cast<int>(threads_.size()) >= limits_.maxConnections) {
        if (!atCapLogged_)
            LogLine("zmt02600-server: limite de " + std::to_string(limits_.maxConnections) +
                    " conexões abertas atingido; a ociosa há mais tempo é fechada para cada nova conexão");
        atCapLogged_ = true;
        while (static_cast<int>(threads_.size()) >= limits_.maxConnections) {
            if (limits_.connections) limits_.connections->CloseOldestIdle();
            freed_.wait_for(lock, std::chrono::milliseconds(100));
            Reap();
        }
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    for (int attempt = 0;; ++attempt) {
        try {
            std::thread thread([fn, done, this] {
                fn();
                metrics_.ConnectionClosed();
                *done = true;
                freed_.notify_one();
            });
            metrics_.ConnectionOpened();
            threads_.push_back({std::move(thread), done});
            return;
        } catch (const std::system_error& e) {
            if (attempt == 0)
                LogLine(std::string("zmt02600-server: não foi possível criar uma linha de execução para a conexão (") + e.what() +
                        "); aguardando uma conexão terminar");
            if (threads_.empty() || attempt >= 100) break;
            // The room an idle client holds is better given to one with a request.
            if (limits_.connections) limits_.connections->CloseOldestIdle();
            freed_.wait_for(lock, std::chrono::milliseconds(100));
            Reap();
        }
    }
    // Nothing ends and no thread can be had: served here, on the accept thread, rather than lost.
    lock.unlock();
    metrics_.ConnectionOpened();
    fn();
    metrics_.ConnectionClosed();
}

void ConnectionThreads::shutdown() {
    const auto deadline = Clock::now() + std::chrono::seconds(limits_.stopGraceSeconds);
    if (limits_.connections) limits_.connections->Stopping();
    std::unique_lock lock(mutex_);
    for (;;) {
        Reap();
        if (threads_.empty()) return;
        if (limits_.stopGraceSeconds > 0 && Clock::now() >= deadline && limits_.callsRunning() == 0) {
            const int shut = limits_.shutOpen();
            if (shut > 0) LogLine("zmt02600-server: " + std::to_string(shut) + " conexões ainda abertas foram fechadas");
            for (auto& e : threads_) e.thread.join();
            threads_.clear();
            return;
        }
        freed_.wait_for(lock, std::chrono::milliseconds(100));
    }
}

void ConnectionThreads::Reap() {
    for (auto it = threads_.begin(); it != threads_.end();) {
        if (*it->done) {
            it->thread.join();
            it = threads_.erase(it);
        } else {
            ++it;
        }
    }
}

int ShutDownAccepted(int port) {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return 0;
    while (const dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(dir)) continue;
        struct stat st {};
        if (fstat(static_cast<int>(fd), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
        sockaddr_storage local{}, peer{};
        socklen_t localLen = sizeof local, peerLen = sizeof peer;
        if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&local), &localLen) != 0) continue;
        int localPort = -1;
        if (local.ss_family == AF_INET) localPort = ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
        if (local.ss_family == AF_INET6) localPort = ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port);
        if (localPort != port) continue;
        if (getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) continue;
        if (::shutdown(static_cast<int>(fd), SHUT_RDWR) == 0) ++count;
    }
    closedir(dir);
    return count;
}

}  // namespace server
