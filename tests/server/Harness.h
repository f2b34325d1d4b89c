#pragma once

// A throwaway database with a small fixture of its own, the real application server serving it
// in process on an ephemeral loopback port, and a real client connection through the typed
// proxy. Everything stops in the destructor.

#include "contracts/RdmTransFisica.h"
#include "orv/DataSet.h"
#include "orv/NetConnection.h"
#include "orv/Packet.h"
#include "orv/ScriptedHost.h"
#include "server/AuthService.h"
#include "server/Dispatcher.h"
#include "server/Repository.h"
#include "server/RpcServer.h"
#include "server/TransFisicaService.h"
#include "tests/support/EngineTest.h"
#include "tests/support/TestDatabase.h"

#include <QDate>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace srvtest {

// Codes of the fixture.
namespace fx {
inline const QString kEmpresa = QStringLiteral("01");
inline const QString kEmpresa2 = QStringLiteral("02");

inline const QString kMatriz = QStringLiteral("0001");
inline const QString kNorte = QStringLiteral("0002");
inline const QString kSaoPaulo = QStringLiteral("SP01");  // a branch code with letters
inline const QString kFilialDois = QStringLiteral("0201");  // of company 02

inline const QString kAdm = QStringLiteral("1000");   // Matriz, Norte
inline const QString kProd = QStringLiteral("2000");  // Matriz, Filial Dois
inline const QString kLog = QStringLiteral("3000");   // São Paulo

inline const QString kContab = QStringLiteral("S001");
inline const QString kManut = QStringLiteral("S002");
inline const QString kExped = QStringLiteral("S003");

inline const QString kAdmin = QStringLiteral("000000000001");
inline const QString kMaria = QStringLiteral("000000000002");
inline const QString kJoao = QStringLiteral("000000000003");

inline const QString kTipoTransf = QStringLiteral("000003");  // kind "03"
inline const QString kTipoAquis = QStringLiteral("000001");   // kind "01"
inline const QString kMotivo = QStringLiteral("000001");

// Assets of company 01 unless stated.
inline const QString kMesa = QStringLiteral("0000000001");     // Matriz/Adm/Contab/Maria, last depreciation 2026-09-30
inline const QString kCadeira = QStringLiteral("0000000002");  // Matriz/Adm/Contab/Maria
inline const QString kTorno = QStringLiteral("0000000003");    // no location
inline const QString kArmario = QStringLiteral("0000000004");  // Matriz/Prod/Manut/João
inline const QString kEstante = QStringLiteral("0000000005");  // Norte/Adm, no sector nor operator
inline const QString kArquivo = QStringLiteral("0000000006");  // Matriz/Adm/Contab, no operator
inline const QString kEmpilhadeira = QStringLiteral("0000000010");  // company 02, Filial Dois/Prod

inline const server::Location kMesaAt{kMatriz, kAdm, kContab, kMaria};
inline const server::Location kArmarioAt{kMatriz, kProd, kManut, kJoao};
inline const server::Location kArquivoAt{kMatriz, kAdm, kContab, QString()};
inline const server::Location kEmSaoPaulo{kSaoPaulo, kLog, kExped, kJoao};
inline const server::Location kNoNorte{kNorte, kAdm, QString(), kAdmin};
}  // namespace fx

// One transfer as the screen fills it in.
struct TransferRow {
    QString bem;
    server::Location ante;  // the asset's current location as the client read it
    server::Location novo;
    QDate date = QDate(2026, 11, 16);
    bool nullDate = false;
    QString capa, item;  // taken from the server when empty
    QString empresa = fx::kEmpresa;
    QString tipo = fx::kTipoTransf;
    QString motivo = fx::kMotivo;
    QString cliente, serie, nota;  // the invoice that goes with it, if any
};

class Harness {
public:
    explicit Harness(const QString& engine);
    ~Harness();
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    erptest::TestDatabase& database() { return *database_; }
    QSqlDatabase db() const { return database_->db(); }
    bool isPostgres() const { return database_->isPostgres(); }
    int port() const { return port_; }
    // The bearer the client presents: the session of kAdmin, who logged in with the fixture's
    // password (erptest::kTestPassword, as every fixture operator has).
    const std::string& token() const { return token_; }
    // The tools' token (--token-file): reads only.
    const std::string& toolToken() const { return toolToken_; }
    orv::ScriptedHost& host() { return host_; }
    orv::TNetConnection& net() { return *net_; }
    contracts::IRdmTransFisica& app() { return net_->AppServer(); }

    // Another open client connection, with the host's token, to this server or another port.
    std::unique_ptr<orv::TNetConnection> Connect(int port = 0);
    // Another server on the same database, as behind a balancer: its own transport, sessions
    // cache and options (the harness's clock, log and tools' token unless `tweak` changes them).
    int ServeAlso(const std::function<void(server::AuthOptions&, server::RpcServerOptions&)>& tweak = {});

    // The servers' clock (UTC), fixed unless moved.
    void AdvanceClock(int seconds);
    // The login and session lines the servers logged.
    std::vector<std::string> AuthLog();
    // The rules of another server process on the same database, called in this thread.
    std::unique_ptr<server::TransFisicaService> AnotherServer() const;

    // Header and item numbers taken the way the screen takes them before an insert.
    void Number(TransferRow& row, contracts::IRdmTransFisica& app);
    // Confirms one transfer as the screen's insert does; numbers are taken when missing.
    contracts::ServerResult Confirm(TransferRow& row);
    contracts::ServerResult Confirm(TransferRow& row, contracts::IRdmTransFisica& app);
    // Confirms or fails the test.
    void MustConfirm(TransferRow& row);

    // GetCapa's packet of the asset, checked to be a success.
    orv::Packet Transfers(const QString& bem, const QString& empresa = fx::kEmpresa);

    // Read straight from the database.
    server::Location AssetAt(const QString& bem);
    // Every table a write of the server touches, as sorted text: equal before and after a
    // refused call proves it wrote nothing.
    QString Snapshot();

private:
    void InsertFixture();

    std::unique_ptr<erptest::TestDatabase> database_;
    server::AuthOptions AuthDefaults();

    orv::ScriptedHost host_;
    std::string toolToken_;
    std::string token_;
    QString base_;
    std::mutex mutex_;  // the clock and the log, read by the serving threads
    QDateTime now_;
    std::vector<std::string> authLog_;
    std::unique_ptr<server::Dispatcher> dispatcher_;
    std::unique_ptr<server::TransFisicaService> service_;
    std::unique_ptr<server::AuthService> auth_;
    std::unique_ptr<server::RpcServer> rpc_;
    int port_ = 0;
    struct Extra {
        std::unique_ptr<server::Dispatcher> dispatcher;
        std::unique_ptr<server::AuthService> auth;
        std::unique_ptr<server::RpcServer> rpc;
    };
    std::vector<Extra> extras_;
    std::unique_ptr<orv::TNetConnection> net_;
};

// A client data set of the transfer record, loaded with a packet (or empty).
void OpenTransferRecord(orv::TDataSet& cds, const orv::Packet& packet = nullptr);
// Fills the current record of such a data set from a row.
void FillRecord(orv::TDataSet& cds, const TransferRow& row);
// The delta of inserts the screen sends for these rows (numbers must be set).
orv::Packet InsertDelta(const std::vector<TransferRow>& rows);
// The delta that deletes the transfer with this header from the asset's GetCapa packet.
orv::Packet DeleteDelta(const orv::Packet& transfers, const QString& capa);
// Sets a field of every row (or new row) of a packet or delta as the wire carries it, past
// the size a client data set would cut it to.
void SetOnWire(orv::Packet& packet, const char* field, const nlohmann::json& value);

// Why a call failed, for assertion messages.
std::string Why(const contracts::ServerResult& result);
// The call was refused by a rule with a message containing `text`.
::testing::AssertionResult RefusedWith(const contracts::ServerResult& result, const QString& text);

// Text of a nullable database or packet value.
QString Str(const QVariant& v);

// Runs on SQLite, and on PostgreSQL when ERP_TEST_PG_URL is set.
class ServerTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override;
    void TearDown() override;
    Harness& h() { return *harness_; }

private:
    std::unique_ptr<Harness> harness_;
};

}  // namespace srvtest
