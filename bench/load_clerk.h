#pragma once
// One simulated asset clerk: a thread of its own, a keep-alive connection of its own through the
// module's proxy and an asset of its own (or one it shares with a few others). Over and over it
// reads the asset's list, then confirms a transfer to another place or undoes its last one.

#include "bench/load_ledger.h"
#include "bench/load_plan.h"

#include "contracts/ServerResult.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace orv {
class TNetConnection;
}

namespace load {

// What the clerks saw, added up after the run.
struct Tally {
    long confirmed = 0, undone = 0, refused = 0, failed = 0;
    std::map<std::string, std::vector<double>> latencies;  // call kind -> milliseconds
    std::map<QString, long> refusals;                       // "call: text the clerk reads"
    std::map<QString, long> errors;                         // anything else (transport, internal)
    long outages = 0;        // failures of the transport or of the database: expected while one is down
    double longestGapMs = 0; // a clerk's longest wait from a failed call to its next answered one
    void Merge(const Tally& other);
};

struct ClerkSetup {
    const Plan* plan = nullptr;
    const Asset* asset = nullptr;
    QString host;
    int port = 0;
    int undoPercent = 0;
    quint64 seed = 0;
};

class Clerk {
public:
    Clerk(ClerkSetup setup, Ledger& ledger, const std::atomic<bool>& stop);
    ~Clerk();
    Clerk(const Clerk&) = delete;
    Clerk& operator=(const Clerk&) = delete;

    // Opens the connection (it proves address and token with one call); false with the reason.
    bool Connect(QString& error);
    // Works until the stop flag is raised; the cycle under way is finished.
    void Run();
    const Tally& Result() const { return tally_; }

private:
    using Clock = std::chrono::steady_clock;
    using Json = nlohmann::json;

    void Transfer(const Json& list, Clock::time_point start);
    void Undo(const Json& list, Clock::time_point start);
    // One timed call; a failure is counted (refusal or error) and gives false. `lastCode` keeps
    // the failure's code.
    bool Call(const char* kind, const std::function<contracts::ServerResult()>& call, Json* value,
              const QString& capa = {});
    // After a write whose answer was lost: whether the header is in the asset's list now, read
    // again until the server answers.
    bool InList(const QString& capa);
    void Refusal(const char* kind, const QString& text, const QString& capa);
    QString Normalised(const QString& text, const QString& capa) const;

    ClerkSetup setup_;
    Ledger& ledger_;
    const std::atomic<bool>& stop_;
    std::unique_ptr<orv::TNetConnection> net_;
    std::mt19937_64 rng_;
    Tally tally_;
    int lastCode_ = 0;
    Clock::time_point failingSince_{};
};

// Codes of failures that say nothing was decided by the server's rules: the transport failed or
// the database could not be reached.
bool OutageCode(int code);

}  // namespace load
