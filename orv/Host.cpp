#include "orv/Host.h"

#include <atomic>
#include <stdexcept>

namespace orv {

namespace {
std::atomic<contracts::IHostServices*> g_host{nullptr};
}

void InstallHost(contracts::IHostServices* host) { g_host = host; }

contracts::IHostServices& Host() {
    contracts::IHostServices* host = g_host;
    if (!host) throw std::logic_error("no host services installed");
    return *host;
}

bool HostInstalled() { return g_host != nullptr; }

BusyGuard::BusyGuard(int kind) { Host().ShowBusy(kind); }

BusyGuard::~BusyGuard() {
    if (HostInstalled()) Host().HideBusy();
}

}  // namespace orv
