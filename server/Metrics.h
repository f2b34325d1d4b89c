#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace server {

// What the server has done since it started, for a monitoring system that reads GET /metrics
// (Prometheus text format): calls and errors per method, how long calls took, open connections,
// and the failures that come from the database.
class Metrics {
public:
    // One answered call. `method` must be a registered method's name (or "outro"): the labels
    // of a metric are a closed set, whatever the clients send.
    void Call(const std::string& method, double seconds, int errorCode);
    void ConnectionOpened() { ++connections_; }
    void ConnectionClosed() { --connections_; }
    std::string Text() const;

private:
    static constexpr double kBounds[] = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};
    static constexpr size_t kBuckets = sizeof kBounds / sizeof kBounds[0];
    struct PerMethod {
        unsigned long long calls = 0;
        std::map<int, unsigned long long> errors;  // by JSON-RPC code
        unsigned long long buckets[kBuckets] = {};  // not cumulative; summed when written
        double seconds = 0;
    };
    mutable std::mutex mutex_;
    std::map<std::string, PerMethod> methods_;
    unsigned long long databaseErrors_ = 0;
    std::atomic<long> connections_{0};
};

}  // namespace server
