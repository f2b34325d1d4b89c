#pragma once
// The application server in this process on a loopback port, and a client connected to it
// through the module's own proxy with a tools' token: what the server benchmarks measure.

#include "orv/NetConnection.h"
#include "orv/ScriptedHost.h"
#include "server/AuthService.h"
#include "server/Dispatcher.h"
#include "server/RpcServer.h"
#include "server/TransFisicaService.h"

#include <QString>

#include <memory>

namespace benchserver {

class InProcessServer {
public:
    // `base`: the connection name the database was opened under. `toolWrites`: whether the
    // token may write (a benchmark of writes), as a server started with --allow-tool-writes.
    // Throws std::runtime_error when the client cannot connect.
    InProcessServer(const QString& base, bool toolWrites);
    ~InProcessServer();
    InProcessServer(const InProcessServer&) = delete;
    InProcessServer& operator=(const InProcessServer&) = delete;

    orv::TNetConnection& net() { return *net_; }
    // The client, then the server, go away (before measuring something else on the machine).
    void Stop();

private:
    server::Dispatcher dispatcher_;
    std::unique_ptr<server::TransFisicaService> service_;
    std::unique_ptr<server::AuthService> sessions_;
    std::unique_ptr<server::RpcServer> rpc_;
    orv::ScriptedHost host_;
    std::unique_ptr<orv::TNetConnection> net_;
};

}  // namespace benchserver
