#include "server/Metrics.h"

#include "server/RpcError.h"

#include <cstdio>

namespace server {

void Metrics::Call(const std::string& method, double seconds, int errorCode) {
    const std::lock_guard<std::mutex> lock(mutex_);
    PerMethod& m = methods_[method];
    ++m.calls;
    m.seconds += seconds;
    size_t b = 0;
    while (b < kBuckets && seconds > kBounds[b]) ++b;
    if (b < kBuckets) ++m.buckets[b];
    if (errorCode != 0) ++m.errors[errorCode];
    // Unavailable (connection lost, SQLite busy) and internal failures (a statement that failed)
    // are the database's in practice; refusals and bad requests are the clients'.
    if (errorCode == kUnavailable || errorCode == kInternalError) ++databaseErrors_;
}

std::string Metrics::Text() const {
    std::string out;
    char line[1024];
    const std::lock_guard<std::mutex> lock(mutex_);
    out += "# HELP zmt02600_calls_total Chamadas JSON-RPC respondidas, por método.\n"
           "# TYPE zmt02600_calls_total counter\n";
    for (const auto& [name, m] : methods_) {
        std::snprintf(line, sizeof line, "zmt02600_calls_total{method=\"%s\"} %llu\n", name.c_str(), m.calls);
        out += line;
    }
    out += "# HELP zmt02600_call_errors_total Chamadas respondidas com erro, por método e código.\n"
           "# TYPE zmt02600_call_errors_total counter\n";
    for (const auto& [name, m] : methods_)
        for (const auto& [code, n] : m.errors) {
            std::snprintf(line, sizeof line, "zmt02600_call_errors_total{method=\"%s\",code=\"%d\"} %llu\n", name.c_str(),
                          code, n);
            out += line;
        }
    out += "# HELP zmt02600_call_seconds Duração das chamadas, por método.\n"
           "# TYPE zmt02600_call_seconds histogram\n";
    for (const auto& [name, m] : methods_) {
        unsigned long long cumulative = 0;
        for (size_t b = 0; b < kBuckets; ++b) {
            cumulative += m.buckets[b];
            std::snprintf(line, sizeof line, "zmt02600_call_seconds_bucket{method=\"%s\",le=\"%g\"} %llu\n", name.c_str(),
                          kBounds[b], cumulative);
            out += line;
        }
        std::snprintf(line, sizeof line,
                      "zmt02600_call_seconds_bucket{method=\"%s\",le=\"+Inf\"} %llu\n"
                      "zmt02600_call_seconds_sum{method=\"%s\"} %.6f\n"
                      "zmt02600_call_seconds_count{method=\"%s\"} %llu\n",
                      name.c_str(), m.calls, name.c_str(), m.seconds, name.c_str(), m.calls);
        out += line;
    }
    std::snprintf(line, sizeof line,
                  "# HELP zmt02600_open_connections Conexões de clientes abertas.\n"
                  "# TYPE zmt02600_open_connections gauge\n"
                  "zmt02600_open_connections %ld\n"
                  "# HELP zmt02600_database_errors_total Chamadas que falharam no banco (indisponível, ocupado ou erro de SQL).\n"
                  "# TYPE zmt02600_database_errors_total counter\n"
                  "zmt02600_database_errors_total %llu\n",
                  connections_.load(), databaseErrors_);
    out += line;
    return out;
}

}  // namespace server
