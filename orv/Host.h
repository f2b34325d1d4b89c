#pragma once

#include "contracts/HostServices.h"

namespace orv {

// The host services the running process uses. The shell installs its own at start-up; tests
// install a scripted one. Not owned.
void InstallHost(contracts::IHostServices* host);
contracts::IHostServices& Host();
bool HostInstalled();

// Shows the busy animation for as long as the guard lives, so every path out hides it.
class BusyGuard {
public:
    explicit BusyGuard(int kind = 1);
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
};

}  // namespace orv
