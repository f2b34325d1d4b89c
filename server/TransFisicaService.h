#pragma once

#include "orv/Packet.h"
#include "server/Dispatcher.h"
#include "server/Repository.h"

#include <QString>

#include <functional>
#include <map>
#include <mutex>

namespace server {

// The rules of the remote data module "Zmt02600.rdmTransFisica". Each call runs on the calling
// thread's own connection; every write is one transaction, all or nothing.
class TransFisicaService {
public:
    // Gives the repository of the calling thread.
    using RepositoryFactory = std::function<Repository()>;
    explicit TransFisicaService(RepositoryFactory repositories) : repositories_(std::move(repositories)) {}

    // Registers every remote method with its argument types and by-reference arguments.
    void RegisterMethods(Dispatcher& dispatcher);

    // The long lists, as packet text the database wrote.
    std::string GetBemAtivo(const QString& empresa, const QString& bem, const QString& todos);
    orv::Packet CarregaAnte(const QString& bem);
    std::string GetCapa(const QString& empresa, const QString& bem);
    orv::Packet GetVd_Insert(const QString& empresa, const QString& bem);
    orv::Packet VerificaUltimaTransferencia(const QString& empresa, const QString& bem);
    orv::Packet GetDtultdep(const QString& empresa, const QString& bem);
    orv::Packet Retorna_Dados(const QString& empresa, const QString& bem, const QString& capa, const QString& passo,
                              const QString& filial, const QString& centCust, const QString& setor,
                              const QString& oper);
    QString PrxCapaOperaBem(const QString& empresa, const QString& simulacao);
    QString PrxItCapaOperaBem(const QString& empresa, const QString& simulacao, const QString& capa);
    // A run of `quantidade` consecutive numbers at once (for batches); gives the first.
    QString PrxFaixaCapaOperaBem(const QString& empresa, const QString& simulacao, const QString& quantidade);
    QString PrxFaixaItCapaOperaBem(const QString& empresa, const QString& simulacao, const QString& quantidade);
    // Writes act in the name of `who`: a session's operator goes into the operator fields of what
    // they insert (creating and changing) and update (changing), whatever the delta says.
    void SetConfirmar(const orv::Packet& delta, const Caller& who);
    void SetTransFisica(const orv::Packet& delta, const Caller& who);
    void SetRateio(const orv::Packet& delta);
    void Atualiza_RatBem(const orv::Packet& packet);
    void SetCtblBemAtivo(const orv::Packet& delta, const Caller& who);

private:
    void ApplyTransferDelta(Repository& repo, const orv::Packet& delta, const Caller& who);
    QString HandOut(const QString& empresa, const QString& simulacao, const QString& name);
    QString HandOutRun(const QString& empresa, const QString& simulacao, const QString& name, const QString& quantidade);

    // Header and item numbers are reserved from the database in blocks and handed out from
    // memory: numbers may have gaps (as cancelled inserts leave) but never repeat, also across
    // restarts and servers, since every block is taken by one atomic update of the counter.
    static constexpr qint64 kNumberBlock = 64;
    static constexpr qint64 kMaxRun = 100000;
    struct NumberBlock {
        qint64 next = 1, last = 0;
    };
    std::mutex numbersMutex_;
    std::map<QString, NumberBlock> blocks_;
    // Per company and counter, the highest number reserved by this server. Its own mutex, held
    // for no database work: an apply holding the database's write lock reads it, while a number
    // call may hold numbersMutex_ waiting for that lock.
    std::mutex reservedMutex_;
    std::map<QString, qint64> reservedHere_;
    void NoteReserved(const QString& empresa, const QString& simulacao, const QString& name, qint64 last);
    qint64 ReservedHere(const QString& empresa, const QString& name);

    RepositoryFactory repositories_;
};

}  // namespace server
