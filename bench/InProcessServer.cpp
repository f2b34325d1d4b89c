#include "bench/InProcessServer.h"

#include "orv/Database.h"
#include "orv/Host.h"
#include "server/Repository.h"
#include "server/Sql.h"

#include <QRandomGenerator>

#include <stdexcept>

namespace benchserver {

InProcessServer::InProcessServer(const QString& base, bool toolWrites) {
    service_ = std::make_unique<server::TransFisicaService>([base] { return server::Repository(server::CallConnection(base)); });
    service_->RegisterMethods(dispatcher_);
    const std::string token = QString::number(QRandomGenerator::global()->generate64(), 16).toStdString();
    server::AuthOptions auth;
    auth.toolToken = token;
    auth.allowToolWrites = toolWrites;
    sessions_ = std::make_unique<server::AuthService>([base] { return orv::ThreadConnection(base); }, auth);
    sessions_->RegisterMethods(dispatcher_);
    server::RpcServerOptions options;
    options.log = false;  // one line per call on standard error would be measured too
    rpc_ = std::make_unique<server::RpcServer>(dispatcher_, *sessions_, options);
    const int port = rpc_->Start();

    host_.token = QString::fromStdString(token);
    orv::InstallHost(&host_);
    net_ = std::make_unique<orv::TNetConnection>();
    net_->Port = port;
    net_->SetConnected(true);
    if (!net_->Connected()) throw std::runtime_error(net_->LastError().toStdString());
}

InProcessServer::~InProcessServer() {
    Stop();
    if (orv::HostInstalled() && &orv::Host() == &host_) orv::InstallHost(nullptr);
}

void InProcessServer::Stop() {
    net_.reset();
    rpc_.reset();
}

}  // namespace benchserver
