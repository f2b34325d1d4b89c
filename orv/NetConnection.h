#pragma once

#include "contracts/RdmTransFisica.h"
#include "contracts/ServerResult.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace httplib {
class Client;
}

namespace orv {

// Socket connection to an application server's remote data module (JSON-RPC 2.0 over one
// HTTP/1.1 keep-alive connection with TCP_NODELAY). Host and port are set by BeforeConnect (a
// host "https://NAME" asks for TLS, the certificate checked against the host's CaFile); the
// access token (the operator's session) comes from the host services when the connection
// opens. Calls are synchronous.
class TNetConnection {
public:
    using Json = nlohmann::json;

    explicit TNetConnection(QString name = {});
    ~TNetConnection();
    TNetConnection(const TNetConnection&) = delete;
    TNetConnection& operator=(const TNetConnection&) = delete;

    const QString& Name() const { return name_; }
    QString ServerName = QStringLiteral("Zmt02600.rdmTransFisica");
    QString Host = QStringLiteral("127.0.0.1");
    int Port = 0;
    // Off: a failed connect leaves Connected() false and LastError() set instead of throwing.
    bool ThrowException = false;
    int TimeoutSeconds = 60;
    std::function<void(TNetConnection&)> BeforeConnect;

    bool Connected() const { return connected_; }
    void SetConnected(bool connected);
    const QString& LastError() const { return lastError_; }

    // One remote call. `refs` are the by-reference arguments: their indexes in params and where
    // to store the values the server hands back.
    struct Ref {
        size_t index;
        QString* text = nullptr;  // a string argument
        Json* json = nullptr;     // a packet or delta argument
    };
    contracts::ServerResult Call(const std::string& method, Json params, const std::vector<Ref>& refs = {});

    // The typed proxy of the remote data module.
    contracts::IRdmTransFisica& AppServer();

private:
    bool Open(QString& error);

    QString name_;
    bool connected_ = false;
    QString lastError_;
    std::string token_;
    std::unique_ptr<httplib::Client> client_;
    std::unique_ptr<contracts::IRdmTransFisica> proxy_;
    std::mutex mutex_;
    long long nextId_ = 1;
};

// Shows a failed result through the host services and ends the operation; otherwise hands
// back the value (the packet to load).
nlohmann::json CheckResultServ(const contracts::ServerResult& result, bool abort = true, int helpContext = 0);
// The same for a result nobody keeps (the call's own): its value moves out instead of being copied.
nlohmann::json CheckResultServ(contracts::ServerResult&& result, bool abort = true, int helpContext = 0);

// While one lives, a packet the server answers on this thread comes back in the text it was
// written in (IsPacketText) instead of as a document: TDataSet::SetData reads that text straight
// into its rows, several times faster than building the document first. Only around a call
// whose answer goes to SetData or ParsePacket, which take both forms.
class PacketsAsText {
public:
    PacketsAsText();
    ~PacketsAsText();
    PacketsAsText(const PacketsAsText&) = delete;
    PacketsAsText& operator=(const PacketsAsText&) = delete;
};

// While one lives, CheckResultServ ends the operation on a failed result without showing it:
// for the clean-up after a failure already shown, which may meet the same dead server again.
class QuietServerErrors {
public:
    QuietServerErrors();
    ~QuietServerErrors();
    QuietServerErrors(const QuietServerErrors&) = delete;
    QuietServerErrors& operator=(const QuietServerErrors&) = delete;
};

}  // namespace orv
