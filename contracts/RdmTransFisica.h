#pragma once

#include "contracts/ServerResult.h"

#include <QString>

#include <nlohmann/json.hpp>

namespace contracts {

// The remote data module "Zmt02600.rdmTransFisica" as the module calls it: one method per
// remote method, arguments in the server's order. Strings unless stated; `QString&` arguments
// are by reference and take the value the server hands back. Packets and deltas are JSON as in
// docs/wire-format.md (a null delta means no changes).
class IRdmTransFisica {
public:
    using Json = nlohmann::json;
    virtual ~IRdmTransFisica() = default;

    // Reads: a data packet.
    virtual ServerResult GetBemAtivo(const QString& empresa, const QString& bem, const QString& todos) = 0;
    virtual ServerResult CarregaAnte(const QString& bem) = 0;
    virtual ServerResult GetCapa(const QString& empresa, QString& bem) = 0;
    virtual ServerResult GetVd_Insert(const QString& empresa, QString& bem) = 0;
    virtual ServerResult VerificaUltimaTransferencia(const QString& empresa, QString& bem) = 0;
    virtual ServerResult GetDtultdep(const QString& empresa, const QString& bem) = 0;
    virtual ServerResult Retorna_Dados(const QString& empresa, QString& bem, QString& nrSeqCapa, const QString& passo,
                                       const QString& filial, const QString& centCust, const QString& setor,
                                       const QString& operRespons) = 0;
    virtual ServerResult GetRateio(const QString& empresa, QString& bem, const QString& nrSeqCapa,
                                   const QString& nrSeqItem) = 0;
    virtual ServerResult VdRateio(QString& bem, const QString& empresa, const QString& filial, const QString& centCust,
                                  const QString& nrSeqCapa, const QString& nrSeqItem) = 0;
    virtual ServerResult VdFilialRat(const QString& empresa, const QString& filial) = 0;
    virtual ServerResult VdCentCustRat(const QString& centCust, const QString& filial) = 0;
    virtual ServerResult GetCtblBemAtivo(const QString& empresa, QString& bem) = 0;
    virtual ServerResult GetPesqTipoContaBem(const QString& empresa, QString& bem) = 0;
    virtual ServerResult GetPesqContCtbl(const QString& empresa, QString& bem) = 0;
    virtual ServerResult GetVd_TipoConta(const QString& empresa, const QString& tipoConta, QString& bem) = 0;
    virtual ServerResult GetVd_ContCtbl(const QString& conta, const QString& empresa, QString& bem) = 0;
    virtual ServerResult GetVDSerie(const QString& filialNova, const QString& serie) = 0;
    virtual ServerResult GetPesqNF(const QString& nota, const QString& filialNova, const QString& serie,
                                   const QString& filialAnte) = 0;

    // Sequence numbers: a scalar (10 zero-padded digits).
    virtual ServerResult PrxCapaOperaBem(const QString& empresa, const QString& simulacao) = 0;
    virtual ServerResult PrxItCapaOperaBem(const QString& empresa, const QString& simulacao,
                                           const QString& nrSeqCapa) = 0;
    // A run of `quantidade` consecutive numbers taken at once (batches): the first of them.
    virtual ServerResult PrxFaixaCapaOperaBem(const QString& empresa, const QString& simulacao,
                                              const QString& quantidade) = 0;
    virtual ServerResult PrxFaixaItCapaOperaBem(const QString& empresa, const QString& simulacao,
                                                const QString& quantidade) = 0;

    // Writes.
    virtual ServerResult SetConfirmar(Json& delta, Json& segundo) = 0;
    virtual ServerResult SetTransFisica(const Json& delta) = 0;
    virtual ServerResult SetRateio(const Json& delta) = 0;
    virtual ServerResult Atualiza_RatBem(const Json& packet) = 0;
    virtual ServerResult SetCtblBemAtivo(const Json& delta) = 0;
};

}  // namespace contracts
