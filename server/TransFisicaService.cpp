#include "server/TransFisicaService.h"

#include "orv/Routines.h"
#include "server/HistoricoLocalizacao.h"
#include "server/RpcError.h"
#include "server/Sql.h"


#include <algorithm>
#include <initializer_list>
#include <map>
#include <set>

namespace server {

namespace {

const QString kSimulacao = QStringLiteral("R");

QString Msg(const char* text) { return QString::fromUtf8(text); }

// Reads one column of a delta row as the client sent it.
struct DeltaRow {
    const orv::ParsedDelta& d;
    const orv::PacketRow& row;
    QVariant Get(const QString& name) const {
        const int i = d.IndexOf(name);
        return i < 0 ? QVariant() : row[static_cast<size_t>(i)];
    }
    QString Str(const char* name) const { return Text(Get(QString::fromLatin1(name))).trimmed(); }
    Location Ante() const {
        return {Str("CDFILIALITCANTE"), Str("CDCENTCUITCANTE"), Str("CDSETORITCANTE"), Str("CDOPERESPBEMANT")};
    }
    Location Novo() const {
        return {Str("CDFILIALITCNOVO"), Str("CDCENTCUITCNOVO"), Str("CDSETORITCNOVO"), Str("CDOPERESPBEMNOV")};
    }
    TransferKey Key() const { return {Str("CDEMPRESA"), Str("NRSEQCAPAOPEBEM"), Str("NRSEQITCAPAOPE")}; }
};

void Set(const orv::ParsedDelta& d, orv::PacketRow& row, const char* name, const QString& value) {
    const int i = d.IndexOf(QString::fromLatin1(name));
    if (i >= 0) row[static_cast<size_t>(i)] = value;
}

void RequireKey(const TransferKey& key) {
    if (key.empresa.isEmpty()) throw Refused(Msg("Empresa deve ser informada."));
    if (key.nrSeqCapa.isEmpty() || key.nrSeqItem.isEmpty())
        throw Refused(Msg("Transferência sem número: peça novos números ao incluir."));
}

Refused Moved(const QString& bem) {
    return Refused(Msg("O bem %1 foi movimentado por outro usuário depois que a lista foi lida. "
                       "Atualize a lista e tente novamente.").arg(bem));
}

// Branch codes are unique across companies, so a record could name another company's branch.
void RequireBranchOf(Repository& repo, const QString& filial, const QString& empresa) {
    const auto company = repo.BranchCompany(filial);
    if (!company) throw Refused(Msg("Filial não cadastrada."));
    if (*company != empresa) throw Refused(Msg("A filial %1 não pertence à empresa %2.").arg(filial, empresa));
}

void RequireAssetOf(Repository& repo, const QString& bem, const QString& empresa) {
    const auto asset = repo.FindAsset(bem);
    if (!asset) throw Refused(Msg("Bem %1 não cadastrado.").arg(bem));
    if (asset->empresa != empresa) throw Refused(Msg("O bem %1 não pertence à empresa %2.").arg(bem, empresa));
}

// `ante` is the previous location the transfer stores: a transfer within one branch is no transfer.
void CheckNewLocation(Repository& repo, const QString& empresa, const Location& novo, const Location& ante) {
    if (novo.filial.isEmpty()) throw Refused(Msg("Filial deve ser informada."));
    RequireBranchOf(repo, novo.filial, empresa);
    if (novo.centCust.isEmpty()) throw Refused(Msg("Centro de Custo deve ser informado."));
    if (!repo.CostCentreOfBranch(novo.filial, novo.centCust)) throw Refused(Msg("Centro de custo não cadastrado."));
    if (novo.filial == ante.filial) throw Refused(Msg("Localização atual não pode ser igual anterior."));
}

// Only numbers the server handed out (ten digits, up to the company's counter) are accepted, so
// a client cannot take one that a later call would hand out again.
// `reservedHere`: the highest number of the counter this server has reserved itself; the
// counter never goes back, so any number up to it needs no read.
void RequireHandedOut(Repository& repo, const QString& empresa, const QString& number, const QString& counter,
                      qint64 reservedHere, const char* refusal) {
    const bool tenDigits = number.size() == 10 && std::all_of(number.begin(), number.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    const qint64 n = tenDigits ? number.toLongLong() : 0;
    if (n == 0 || (n > reservedHere && n > repo.CurrentNumber(empresa, kSimulacao, counter)))
        throw Refused(Msg(refusal).arg(number));
}

// SQLite would keep a value longer than its column whole and PostgreSQL would fail on it: both
// are refused, naming the field, before anything is written. `limits` holds, per field, the size
// of the column that stores it (0: none does).
std::vector<int> ColumnLimits(Repository& repo, const std::vector<orv::FieldDef>& fields,
                              std::initializer_list<const char*> tables) {
    std::vector<int> limits(fields.size(), 0);
    for (const char* table : tables) {
        const std::map<QString, int>& sizes = repo.ColumnSizes(QString::fromLatin1(table));
        for (size_t i = 0; i < fields.size(); ++i)
            if (const auto it = sizes.find(fields[i].name.toUpper()); it != sizes.end())
                limits[i] = limits[i] == 0 ? it->second : std::min(limits[i], it->second);
    }
    return limits;
}

void CheckSizes(const std::vector<orv::FieldDef>& fields, const std::vector<int>& limits, const orv::PacketRow& row) {
    for (size_t i = 0; i < limits.size() && i < row.size(); ++i) {
        if (limits[i] == 0 || !row[i].isValid() || row[i].isNull()) continue;
        const QString text = row[i].toString();
        // The column counts characters; a QString counts UTF-16 units.
        if (text.size() > limits[i] && text.toUcs4().size() > limits[i])
            throw Refused(Msg("O campo %1 aceita no máximo %2 caracteres.").arg(fields[i].name).arg(limits[i]));
    }
}

void CheckSizes(Repository& repo, const orv::ParsedDelta& d, std::initializer_list<const char*> tables) {
    const std::vector<int> limits = ColumnLimits(repo, d.fields, tables);
    for (const orv::DeltaChange& change : d.changes)
        if (change.op != orv::DeltaChange::Delete) CheckSizes(d.fields, limits, change.newRow);
}

// The classification and the people a transfer names must exist, so a refusal reads as a
// message rather than as a database error.
void CheckClassification(Repository& repo, const QString& empresa, const DeltaRow& r) {
    const QString tipo = r.Str("CDTIPOOPERBEM");
    if (tipo.isEmpty()) throw Refused(Msg("Tipo de operação deve ser informado."));
    if (!repo.TransferTypeExists(empresa, tipo)) throw Refused(Msg("Tipo de operação não cadastrado."));
    const QString motivo = r.Str("CDMOTIVOOPER");
    if (!motivo.isEmpty() && !repo.MotiveExists(empresa, tipo, motivo))
        throw Refused(Msg("Motivo de operação não cadastrado."));
    for (const char* field : {"CDOPERESPOPERA", "CDOPERESPBEMNOV"}) {
        const QString op = r.Str(field);
        if (!op.isEmpty() && !repo.OperatorExists(op)) throw Refused(Msg("Operador não cadastrado."));
    }
    const QString cliente = r.Str("CDCLIENTE");
    if (!cliente.isEmpty() && !repo.ClientExists(cliente)) throw Refused(Msg("Cliente não cadastrado."));
}

QDate DateOnly(const QVariant& v) { return v.isValid() ? v.toDateTime().date() : QDate(); }

// Puts the acting operator into the operator fields of the delta's inserts (`onInsert`) and
// updates (`onUpdate`), adding the fields a delta lacks. Without an operator (a tool allowed to
// write) the delta stands as sent.
void StampOperator(orv::ParsedDelta& d, const QString& operador, std::initializer_list<const char*> onInsert,
                   std::initializer_list<const char*> onUpdate) {
    if (operador.isEmpty()) return;
    auto indexOf = [&d](const char* name) {
        const QString field = QString::fromLatin1(name);
        if (const int i = d.IndexOf(field); i >= 0) return static_cast<size_t>(i);
        d.fields.push_back({field, orv::FieldType::String, 12});
        d.byName.insert(field, static_cast<int>(d.fields.size() - 1));
        for (orv::DeltaChange& change : d.changes) {
            if (!change.oldRow.empty()) change.oldRow.emplace_back();
            if (!change.newRow.empty()) change.newRow.emplace_back();
        }
        return d.fields.size() - 1;
    };
    std::vector<size_t> inserted, updated;
    for (const char* name : onInsert) inserted.push_back(indexOf(name));
    for (const char* name : onUpdate) updated.push_back(indexOf(name));
    for (orv::DeltaChange& change : d.changes) {
        if (change.op == orv::DeltaChange::Insert)
            for (size_t i : inserted) change.newRow[i] = operador;
        else if (change.op == orv::DeltaChange::Update)
            for (size_t i : updated) change.newRow[i] = operador;
    }
}

// An asset's transfer that is no longer its last one is never changed nor deleted.
StoredTransfer RequireLast(Repository& repo, const TransferKey& key, const char* refusal) {
    const auto stored = repo.FindTransfer(key);
    if (!stored)
        throw Refused(Msg("A transferência %1 não existe mais. Atualize a lista.").arg(key.nrSeqCapa));
    const auto last = repo.LastTransfer(stored->bem);
    if (!last || last->key.empresa != key.empresa || last->key.nrSeqCapa != key.nrSeqCapa ||
        last->key.nrSeqItem != key.nrSeqItem)
        throw Refused(Msg(refusal));
    return *stored;
}

std::string Trimmed(const QString& s) { return s.trimmed().toStdString(); }

}  // namespace

// --- reads ------------------------------------------------------------------------------------

std::string TransFisicaService::GetBemAtivo(const QString& empresa, const QString& bem, const QString& todos) {
    Repository repo = repositories_();
    return repo.AssetsText(empresa.trimmed(), bem.trimmed(), todos.trimmed() == QLatin1String("T"));
}

orv::Packet TransFisicaService::CarregaAnte(const QString& bem) {
    Repository repo = repositories_();
    return repo.CurrentLocation(bem.trimmed());
}

std::string TransFisicaService::GetCapa(const QString& empresa, const QString& bem) {
    Repository repo = repositories_();
    return repo.TransfersText(empresa.trimmed(), bem.trimmed());
}

orv::Packet TransFisicaService::GetVd_Insert(const QString& empresa, const QString& bem) {
    Repository repo = repositories_();
    return repo.LastOperation(empresa.trimmed(), bem.trimmed());
}

orv::Packet TransFisicaService::VerificaUltimaTransferencia(const QString& empresa, const QString& bem) {
    Repository repo = repositories_();
    return repo.LastTransferNumbers(empresa.trimmed(), bem.trimmed());
}

orv::Packet TransFisicaService::GetDtultdep(const QString& empresa, const QString& bem) {
    Repository repo = repositories_();
    return repo.LastDepreciation(empresa.trimmed(), bem.trimmed());
}

orv::Packet TransFisicaService::Retorna_Dados(const QString& empresa, const QString& bem, const QString& capa,
                                              const QString& passo, const QString&, const QString&, const QString&,
                                              const QString&) {
    static const std::vector<orv::FieldDef> defs = {
        {QStringLiteral("Retorno"), orv::FieldType::String, 20},  {QStringLiteral("Filial"), orv::FieldType::String, 20},
        {QStringLiteral("CentCust"), orv::FieldType::String, 20}, {QStringLiteral("Setor"), orv::FieldType::String, 20},
        {QStringLiteral("OperRespons"), orv::FieldType::String, 20}};
    Repository repo = repositories_();
    if (passo == QLatin1String("01")) {
        // May the transfer be undone? Only the asset's last one, while the asset is still where
        // it put it (as the deletion requires); it goes back where it came from.
        const auto last = repo.LastTransfer(bem.trimmed());
        const auto asset = repo.FindAsset(bem.trimmed());
        if (!last || last->key.empresa != empresa.trimmed() || last->key.nrSeqCapa != capa.trimmed() || !asset ||
            asset->location != last->novo)
            return orv::MakePacket(defs, {{QStringLiteral("NAO"), QString(), QString(), QString(), QString()}});
        return orv::MakePacket(defs, {{QStringLiteral("SIM"), last->ante.filial, last->ante.centCust, last->ante.setor,
                                       last->ante.oper}});
    }
    if (passo == QLatin1String("02")) {
        // The deletion already put the asset back, in its own transaction; this step never
        // moves the asset again, so it cannot override a location a later transfer gave it.
        return orv::MakePacket(defs, {{QStringLiteral("OK"), QString(), QString(), QString(), QString()}});
    }
    throw RpcError(kInvalidParams, "Parâmetros inválidos: passo \"" + passo.toStdString() + "\" desconhecido (use 01 ou 02).");
}

// --- sequence numbers -------------------------------------------------------------------------

namespace {

constexpr qint64 kLastNumber = 9999999999LL;

QString TenDigits(qint64 n) { return QStringLiteral("%1").arg(n, 10, 10, QLatin1Char('0')); }

Refused Exhausted(const QString& name, const QString& empresa) {
    return Refused(Msg("A numeração de %1 da empresa %2 se esgotou.").arg(name, empresa));
}

void RequireCompanyAndSimulation(const QString& empresa, const QString& simulacao) {
    if (empresa.trimmed().isEmpty()) throw Refused(Msg("Empresa deve ser informada."));
    if (simulacao.trimmed().isEmpty()) throw RpcError(kInvalidParams, "Parâmetros inválidos: indicador de simulação vazio.");
}

}  // namespace

QString TransFisicaService::HandOut(const QString& empresa, const QString& simulacao, const QString& name) {
    const std::lock_guard<std::mutex> lock(numbersMutex_);
    NumberBlock& block = blocks_[empresa + QLatin1Char('|') + simulacao + QLatin1Char('|') + name];
    if (block.next > block.last) {
        // One durable write per block; what a stopped server had left is a gap, never a repeat.
        Repository repo = repositories_();
        Transaction tx(repo.Db());
        const qint64 last = repo.ReserveNumbers(empresa, simulacao, name, kNumberBlock);
        tx.Commit();
        block = {last - kNumberBlock + 1, last};
        NoteReserved(empresa, simulacao, name, last);
    }
    if (block.next > kLastNumber) throw Exhausted(name, empresa);
    return TenDigits(block.next++);
}

QString TransFisicaService::HandOutRun(const QString& empresa, const QString& simulacao, const QString& name,
                                       const QString& quantidade) {
    bool ok = false;
    const qint64 count = quantidade.trimmed().toLongLong(&ok);
    if (!ok || count < 1 || count > kMaxRun)
        throw RpcError(kInvalidParams, "Parâmetros inválidos: quantidade de números deve estar entre 1 e " +
                                           std::to_string(kMaxRun) + ".");
    Repository repo = repositories_();
    Transaction tx(repo.Db());
    const qint64 last = repo.ReserveNumbers(empresa, simulacao, name, count);
    if (last > kLastNumber) throw Exhausted(name, empresa);
    tx.Commit();
    NoteReserved(empresa, simulacao, name, last);
    return TenDigits(last - count + 1);
}

void TransFisicaService::NoteReserved(const QString& empresa, const QString& simulacao, const QString& name, qint64 last) {
    if (simulacao != kSimulacao) return;
    const std::lock_guard<std::mutex> lock(reservedMutex_);
    qint64& known = reservedHere_[empresa + QLatin1Char('|') + name];
    known = std::max(known, last);
}

qint64 TransFisicaService::ReservedHere(const QString& empresa, const QString& name) {
    const std::lock_guard<std::mutex> lock(reservedMutex_);
    const auto it = reservedHere_.find(empresa + QLatin1Char('|') + name);
    return it == reservedHere_.end() ? 0 : it->second;
}

QString TransFisicaService::PrxCapaOperaBem(const QString& empresa, const QString& simulacao) {
    RequireCompanyAndSimulation(empresa, simulacao);
    return HandOut(empresa.trimmed(), simulacao.trimmed(), QStringLiteral("CAPAOPERABEM"));
}

QString TransFisicaService::PrxItCapaOperaBem(const QString& empresa, const QString& simulacao, const QString&) {
    RequireCompanyAndSimulation(empresa, simulacao);
    return HandOut(empresa.trimmed(), simulacao.trimmed(), QStringLiteral("ITCAPAOPERABEM"));
}

QString TransFisicaService::PrxFaixaCapaOperaBem(const QString& empresa, const QString& simulacao,
                                                 const QString& quantidade) {
    RequireCompanyAndSimulation(empresa, simulacao);
    return HandOutRun(empresa.trimmed(), simulacao.trimmed(), QStringLiteral("CAPAOPERABEM"), quantidade);
}

QString TransFisicaService::PrxFaixaItCapaOperaBem(const QString& empresa, const QString& simulacao,
                                                   const QString& quantidade) {
    RequireCompanyAndSimulation(empresa, simulacao);
    return HandOutRun(empresa.trimmed(), simulacao.trimmed(), QStringLiteral("ITCAPAOPERABEM"), quantidade);
}

// --- transfers --------------------------------------------------------------------------------

void TransFisicaService::ApplyTransferDelta(Repository& repo, const orv::Packet& delta, const Caller& who) {
    orv::ParsedDelta d = orv::ParseDelta(delta);
    StampOperator(d, who.Stamp(), {"CDOPEINCCAPA", "CDOPEATUCAPA", "CDOPEINCITCAPA", "CDOPEATUITCAPA"},
                  {"CDOPEATUCAPA", "CDOPEATUITCAPA"});
    const QDateTime now = QDateTime::currentDateTime();
    CheckSizes(repo, d, {"CAPAOPERABEM", "ITCAPAOPERABEM"});
    // Every asset the delta moves is locked first, in code order, so two batches touching the
    // same assets queue one behind the other instead of deadlocking.
    std::set<QString> assets;
    qint64 inserts = 0;
    for (const orv::DeltaChange& change : d.changes)
        if (change.op == orv::DeltaChange::Insert) {
            assets.insert(DeltaRow{d, change.newRow}.Str("CDBEMATIVO"));
            ++inserts;
        }
    assets.erase(QString());
    // Where each locked asset is and the date of its last transfer, read in groups and kept up
    // to date as the delta moves the assets.
    std::map<QString, AssetRow> locked = repo.LockAssets(assets);
    std::map<QString, QDate> lastDates = repo.LastTransferDates(assets);
    for (const QString& bem : assets) lastDates.try_emplace(bem, QDate());  // none yet
    auto moveAsset = [&](const QString& bem, const Location& to) {
        repo.MoveAsset(bem, to);
        if (const auto it = locked.find(bem); it != locked.end()) it->second.location = to;
    };
    // The operation numbers of the delta's inserts, taken at the first insert inside this
    // transaction: an asset's transfers are numbered in the order they are applied.
    qint64 nextOpera = 0, lastOpera = -1;
    for (const orv::DeltaChange& change : d.changes) {
        switch (change.op) {
        case orv::DeltaChange::Insert: {
            orv::PacketRow row = change.newRow;
            const DeltaRow r{d, row};
            const TransferKey key = r.Key();
            RequireKey(key);
            RequireHandedOut(repo, key.empresa, key.nrSeqCapa, QStringLiteral("CAPAOPERABEM"),
                             ReservedHere(key.empresa, QStringLiteral("CAPAOPERABEM")),
                             "Número de transferência %1 não foi fornecido pelo servidor.");
            RequireHandedOut(repo, key.empresa, key.nrSeqItem, QStringLiteral("ITCAPAOPERABEM"),
                             ReservedHere(key.empresa, QStringLiteral("ITCAPAOPERABEM")),
                             "Número de item de transferência %1 não foi fornecido pelo servidor.");
            const QString bem = r.Str("CDBEMATIVO");
            if (bem.isEmpty()) throw Refused(Msg("Bem deve ser informado."));
            const auto found = locked.find(bem);
            if (found == locked.end()) throw Refused(Msg("Bem %1 não cadastrado.").arg(bem));
            const AssetRow* asset = &found->second;
            if (asset->empresa != key.empresa)
                throw Refused(Msg("O bem %1 não pertence à empresa %2.").arg(bem, key.empresa));
            const QVariant date = r.Get(QStringLiteral("DTCAPAOPEBEM"));
            if (!date.isValid()) throw Refused(Msg("Data da Operação deve ser informada."));

            // The previous location is where the asset is now: what the client sent must agree,
            // and what it left empty (batch records carry only the branch) is filled in.
            const Location sent = r.Ante();
            const Location now_at = asset->location;
            if ((!sent.filial.isEmpty() && sent.filial != now_at.filial) ||
                (!sent.centCust.isEmpty() && sent.centCust != now_at.centCust) ||
                (!sent.setor.isEmpty() && sent.setor != now_at.setor) ||
                (!sent.oper.isEmpty() && sent.oper != now_at.oper))
                throw Moved(bem);
            Set(d, row, "CDFILIALITCANTE", now_at.filial);
            Set(d, row, "CDCENTCUITCANTE", now_at.centCust);
            Set(d, row, "CDSETORITCANTE", now_at.setor);
            Set(d, row, "CDOPERESPBEMANT", now_at.oper);

            const auto lastDate = lastDates.find(bem);
            const QDate last = lastDate != lastDates.end() ? lastDate->second : repo.LastTransferDate(bem);
            if (last.isValid() && DateOnly(date) < last)
                throw Refused(Msg("Data da operação não pode ser menor que a última data de operação."));
            const Location novo = DeltaRow{d, row}.Novo();
            CheckNewLocation(repo, key.empresa, novo, now_at);
            CheckClassification(repo, key.empresa, r);
            if (repo.HeaderExists(key.empresa, key.nrSeqCapa))
                throw Refused(Msg("A transferência %1 já foi gravada.").arg(key.nrSeqCapa));

            if (nextOpera > lastOpera) {
                const QString name = QStringLiteral("OPERABEM");
                lastOpera = repo.ReserveNumbers(key.empresa, kSimulacao, name, inserts);
                nextOpera = lastOpera - inserts + 1;
            }
            if (nextOpera > kLastNumber) throw Exhausted(QStringLiteral("OPERABEM"), key.empresa);
            repo.InsertTransfer(d, row, TenDigits(nextOpera++), now);
            lastDates[bem] = DateOnly(date);
            moveAsset(bem, novo);
            break;
        }
        case orv::DeltaChange::Update: {
            const DeltaRow oldRow{d, change.oldRow};
            const DeltaRow newRow{d, change.newRow};
            const TransferKey key = oldRow.Key();
            RequireKey(key);
            const TransferKey newKey = newRow.Key();
            if (newKey.empresa != key.empresa || newKey.nrSeqCapa != key.nrSeqCapa || newKey.nrSeqItem != key.nrSeqItem)
                throw Refused(Msg("O número de uma transferência não pode ser alterado."));
            const auto stored0 = repo.FindTransfer(key);
            if (!stored0) throw Refused(Msg("A transferência %1 não existe mais. Atualize a lista.").arg(key.nrSeqCapa));
            const auto asset = repo.LockAsset(stored0->bem);
            if (!asset) throw Refused(Msg("Bem %1 não cadastrado.").arg(stored0->bem));
            const StoredTransfer stored =
                RequireLast(repo, key, "Só é permitido alterar a última transferência física do bem.");
            if (asset->location != oldRow.Novo()) throw Moved(stored.bem);
            const QVariant date = newRow.Get(QStringLiteral("DTCAPAOPEBEM"));
            if (!date.isValid()) throw Refused(Msg("Data da Operação deve ser informada."));
            if (const auto previous = repo.PreviousTransfer(stored.bem, stored.nrSeqOpera);
                previous && DateOnly(date) < previous->data.date())
                throw Refused(Msg("Data da operação não pode ser menor que a última data de operação."));
            // The stored previous location stands, whatever the client sent for it.
            const Location novo = newRow.Novo();
            CheckNewLocation(repo, key.empresa, novo, stored.ante);
            CheckClassification(repo, key.empresa, newRow);
            repo.UpdateTransfer(d, change.newRow, key, now);
            lastDates.erase(stored.bem);
            moveAsset(stored.bem, novo);
            break;
        }
        case orv::DeltaChange::Delete: {
            const DeltaRow oldRow{d, change.oldRow};
            const TransferKey key = oldRow.Key();
            RequireKey(key);
            const auto stored0 = repo.FindTransfer(key);
            if (!stored0) throw Refused(Msg("A transferência %1 não existe mais. Atualize a lista.").arg(key.nrSeqCapa));
            const auto asset = repo.LockAsset(stored0->bem);
            if (!asset) throw Refused(Msg("Bem %1 não cadastrado.").arg(stored0->bem));
            const StoredTransfer stored = RequireLast(
                repo, key, "Operação Bloqueada. Só é permitido excluir a última Transferência Física cadastrada.");
            if (asset->location != stored.novo) throw Moved(stored.bem);
            repo.DeleteTransfer(key);
            lastDates.erase(stored.bem);
            // Undoing the transfer puts the asset back where it came from, in the same transaction,
            // with the apportionment of the transfer that is now its last.
            moveAsset(stored.bem, stored.ante);
            repo.RebuildRateioBem(stored.bem);
            break;
        }
        }
    }
}

void TransFisicaService::SetConfirmar(const orv::Packet& delta, const Caller& who) {
    if (delta.is_null()) return;
    Repository repo = repositories_();
    Transaction tx(repo.Db());
    ApplyTransferDelta(repo, delta, who);
    tx.Commit();
}

void TransFisicaService::SetTransFisica(const orv::Packet& delta, const Caller& who) { SetConfirmar(delta, who); }

// --- apportionment ----------------------------------------------------------------------------

namespace {

Repository::RateioKey RateioKeyOf(const DeltaRow& r) {
    Repository::RateioKey k{r.Str("CDEMPRESA"),       r.Str("IDSIMULOPERABEM"), r.Str("NRSEQCAPAOPEBEM"),
                            r.Str("NRSEQITCAPAOPE"),  r.Str("CDBEMATIVO"),      r.Str("CDFILICCUST"),
                            r.Str("CDCENTCUSBEM")};
    if (k.simulacao.isEmpty()) k.simulacao = kSimulacao;
    return k;
}

void CheckRateioRow(Repository& repo, const Repository::RateioKey& k, const QVariant& valor) {
    if (k.empresa.isEmpty() || k.capa.isEmpty() || k.item.isEmpty() || k.bem.isEmpty())
        throw Refused(Msg("Rateio sem transferência: empresa, bem e números da transferência devem ser informados."));
    if (k.filial.isEmpty()) throw Refused(Msg("Filial deve ser informada."));
    if (k.centCust.isEmpty()) throw Refused(Msg("Centro de Custo deve ser informado."));
    if (!valor.isValid()) throw Refused(Msg("Valor do rateio deve ser informado."));
    if (valor.toDouble() <= 0) throw Refused(Msg("Valor do rateio deve ser maior que zero."));
    if (!repo.ItemExists(k.empresa, k.capa, k.item))
        throw Refused(Msg("A transferência %1 não existe mais. Atualize a lista.").arg(k.capa));
    RequireAssetOf(repo, k.bem, k.empresa);
    RequireBranchOf(repo, k.filial.left(4), k.empresa);  // branch (4) + cost centre (4)
}

void CheckTotal(double total) {
    if (orv::RoundDec(total, 2) > 100.0) throw Refused(Msg("A soma dos valores de rateio não pode ser maior que 100% ."));
}

}  // namespace

void TransFisicaService::SetRateio(const orv::Packet& delta) {
    if (delta.is_null()) return;
    const orv::ParsedDelta d = orv::ParseDelta(delta);
    Repository repo = repositories_();
    Transaction tx(repo.Db());
    CheckSizes(repo, d, {"RATEIOITCAPA"});
    std::set<std::tuple<QString, QString, QString, QString>> items;
    std::set<QString> bens;
    for (const orv::DeltaChange& change : d.changes) {
        if (change.op == orv::DeltaChange::Insert) {
            const DeltaRow r{d, change.newRow};
            const auto k = RateioKeyOf(r);
            bens.insert(k.bem);
            CheckRateioRow(repo, k, r.Get(QStringLiteral("VRRATEBEM")));
            if (repo.RateioExists(k)) throw Refused(Msg("Rateio já Cadastrado."));
            repo.InsertRateio(k, r.Get(QStringLiteral("VRRATEBEM")).toDouble());
            items.insert({k.empresa, k.simulacao, k.capa, k.item});
        } else if (change.op == orv::DeltaChange::Update) {
            const auto old = RateioKeyOf(DeltaRow{d, change.oldRow});
            const DeltaRow r{d, change.newRow};
            const auto k = RateioKeyOf(r);
            CheckRateioRow(repo, k, r.Get(QStringLiteral("VRRATEBEM")));
            if (!repo.RateioExists(old)) throw Refused(Msg("Rateio não encontrado. Atualize a lista."));
            const bool pairChanged = old.filial != k.filial || old.centCust != k.centCust;
            if (pairChanged && repo.RateioExists(k)) throw Refused(Msg("Rateio já Cadastrado."));
            repo.UpdateRateio(old, k, r.Get(QStringLiteral("VRRATEBEM")).toDouble());
            bens.insert(k.bem);
            items.insert({k.empresa, k.simulacao, k.capa, k.item});
        } else {
            const auto old = RateioKeyOf(DeltaRow{d, change.oldRow});
            if (repo.DeleteRateio(old) == 0) throw Refused(Msg("Rateio não encontrado. Atualize a lista."));
            bens.insert(old.bem);
        }
    }
    for (const auto& [empresa, simulacao, capa, item] : items) CheckTotal(repo.RateioTotal(empresa, simulacao, capa, item));
    // The asset's current apportionment follows its last transfer's rows, deletes included.
    for (const QString& bem : bens) repo.RebuildRateioBem(bem);
    tx.Commit();
}

void TransFisicaService::Atualiza_RatBem(const orv::Packet& packet) {
    if (packet.is_null()) return;
    const orv::ParsedPacket p = orv::ParsePacket(packet);
    auto col = [&](const char* name) {
        const int i = p.IndexOf(QString::fromLatin1(name));
        if (i < 0) throw RpcError(kInvalidParams, std::string("Parâmetros inválidos: falta a coluna ") + name + ".");
        return static_cast<size_t>(i);
    };
    const size_t cEmp = col("CDEMPRESA"), cBem = col("CDBEMATIVO"), cFil = col("CDFILICCUST"),
                 cCc = col("CDCENTCUSBEM"), cVr = col("VRRATEBEM");
    std::map<std::pair<QString, QString>, std::vector<std::pair<std::pair<QString, QString>, double>>> byAsset;
    for (const auto& row : p.rows) {
        const QString empresa = Text(row[cEmp]).trimmed(), bem = Text(row[cBem]).trimmed();
        if (empresa.isEmpty() || bem.isEmpty()) throw Refused(Msg("Rateio sem empresa ou bem."));
        if (!row[cVr].isValid() || row[cVr].toDouble() <= 0) throw Refused(Msg("Valor do rateio deve ser maior que zero."));
        byAsset[{empresa, bem}].push_back({{Text(row[cFil]).trimmed(), Text(row[cCc]).trimmed()}, row[cVr].toDouble()});
    }
    Repository repo = repositories_();
    Transaction tx(repo.Db());
    const std::vector<int> limits = ColumnLimits(repo, p.fields, {"RATEIOBEM"});
    for (const auto& row : p.rows) CheckSizes(p.fields, limits, row);
    for (const auto& [asset, rows] : byAsset) {
        RequireAssetOf(repo, asset.second, asset.first);
        double total = 0;
        std::set<std::pair<QString, QString>> pairs;
        for (const auto& [pair, valor] : rows) {
            RequireBranchOf(repo, pair.first.left(4), asset.first);
            total += valor;
            if (!pairs.insert(pair).second) throw Refused(Msg("Rateio já Cadastrado."));
        }
        CheckTotal(total);
        repo.ReplaceRateioBem(asset.first, asset.second, rows);
    }
    tx.Commit();
}

// --- accounting parameters --------------------------------------------------------------------

void TransFisicaService::SetCtblBemAtivo(const orv::Packet& delta, const Caller& who) {
    if (delta.is_null()) return;
    orv::ParsedDelta d = orv::ParseDelta(delta);
    StampOperator(d, who.Stamp(), {"CDOPEINCCTBLBEM", "CDOPEATUCTBLBEM"}, {"CDOPEATUCTBLBEM"});
    Repository repo = repositories_();
    Transaction tx(repo.Db());
    CheckSizes(repo, d, {"CTBLBEMATIVO"});
    const QDateTime now = QDateTime::currentDateTime();
    auto keyOf = [](const DeltaRow& r) {
        return Repository::CtblKey{r.Str("CDEMPRESA"), r.Str("CDBEMATIVO"), r.Str("CDTIPOCONTABEM")};
    };
    auto check = [&](const DeltaRow& r, const Repository::CtblKey& k) {
        if (k.empresa.isEmpty() || k.bem.isEmpty()) throw Refused(Msg("Empresa e bem devem ser informados."));
        RequireAssetOf(repo, k.bem, k.empresa);
        if (k.tipo.isEmpty()) throw Refused(Msg("Tipo de Conta deve ser informado."));
        if (!repo.AccountTypeExists(k.empresa, k.tipo)) throw Refused(Msg("Tipo de Conta não cadastrada."));
        const QString conta = r.Str("CDCONTCTBLBEM"), historico = r.Str("CDHISTPADR");
        if (conta.isEmpty()) throw Refused(Msg("Conta Contábil deve ser informada."));
        // An account without a company serves every company.
        const auto company = repo.AccountCompany(conta);
        if (!company) throw Refused(Msg("Conta Contábil não cadastrada."));
        if (!company->isEmpty() && *company != k.empresa)
            throw Refused(Msg("A conta contábil %1 não pertence à empresa %2.").arg(conta, k.empresa));
        if (historico.isEmpty()) throw Refused(Msg("Histórico padrão deve ser informado."));
        if (!repo.HistoryExists(historico)) throw Refused(Msg("Histórico padrão não cadastrado."));
    };
    for (const orv::DeltaChange& change : d.changes) {
        if (change.op == orv::DeltaChange::Insert) {
            const DeltaRow r{d, change.newRow};
            const auto k = keyOf(r);
            check(r, k);
            if (repo.CtblExists(k)) throw Refused(Msg("Tipo de Conta já cadastrada."));
            const QString op = r.Str("CDOPEINCCTBLBEM").isEmpty() ? r.Str("CDOPEATUCTBLBEM") : r.Str("CDOPEINCCTBLBEM");
            repo.InsertCtbl(k, r.Str("CDCONTCTBLBEM"), r.Str("CDHISTPADR"), op, now);
        } else if (change.op == orv::DeltaChange::Update) {
            const auto old = keyOf(DeltaRow{d, change.oldRow});
            const DeltaRow r{d, change.newRow};
            const auto k = keyOf(r);
            check(r, k);
            if (!repo.CtblExists(old)) throw Refused(Msg("Parâmetro contábil não encontrado. Atualize a lista."));
            if (k.tipo != old.tipo && repo.CtblExists(k)) throw Refused(Msg("Tipo de Conta já cadastrada."));
            repo.UpdateCtbl(old, k, r.Str("CDCONTCTBLBEM"), r.Str("CDHISTPADR"), r.Str("CDOPEATUCTBLBEM"), now);
        } else {
            if (repo.DeleteCtbl(keyOf(DeltaRow{d, change.oldRow})) == 0)
                throw Refused(Msg("Parâmetro contábil não encontrado. Atualize a lista."));
        }
    }
    tx.Commit();
}

// --- method table -----------------------------------------------------------------------------

void TransFisicaService::RegisterMethods(Dispatcher& dispatcher) {
    using A = Arg;
    const A S = A::String, J = A::Json;
    // What writes (numbers handed out included) needs someone to act in the name of.
    static const std::set<std::string> writes = {
        "SetConfirmar",    "SetTransFisica",    "SetRateio",            "Atualiza_RatBem",       "SetCtblBemAtivo",
        "PrxCapaOperaBem", "PrxItCapaOperaBem", "PrxFaixaCapaOperaBem", "PrxFaixaItCapaOperaBem"};
    auto reg = [&](const char* name, std::vector<Arg> args, std::vector<size_t> refs, auto handler) {
        dispatcher.Register(name, MethodSpec{std::move(args), std::move(refs),
                                             [handler](Call& c) { return OnLiveConnection([&] { return handler(c); }); },
                                             writes.count(name) ? Access::Write : Access::Read});
    };
    // The long lists come written by the database.
    reg("GetBemAtivo", {S, S, S}, {}, [this](Call& c) {
        c.SetRawValue(GetBemAtivo(c.Str(0), c.Str(1), c.Str(2)));
        return nlohmann::json();
    });
    reg("CarregaAnte", {S}, {}, [this](Call& c) { return CarregaAnte(c.Str(0)); });
    reg("GetCapa", {S, S}, {1}, [this](Call& c) {
        c.SetRawValue(GetCapa(c.Str(0), c.Str(1)));
        return nlohmann::json();
    });
    reg("GetVd_Insert", {S, S}, {1}, [this](Call& c) { return GetVd_Insert(c.Str(0), c.Str(1)); });
    reg("VerificaUltimaTransferencia", {S, S}, {1},
        [this](Call& c) { return VerificaUltimaTransferencia(c.Str(0), c.Str(1)); });
    reg("GetDtultdep", {S, S}, {}, [this](Call& c) { return GetDtultdep(c.Str(0), c.Str(1)); });
    reg("Retorna_Dados", {S, S, S, S, S, S, S, S}, {1, 2}, [this](Call& c) {
        return Retorna_Dados(c.Str(0), c.Str(1), c.Str(2), c.Str(3), c.Str(4), c.Str(5), c.Str(6), c.Str(7));
    });
    reg("PrxCapaOperaBem", {S, S}, {}, [this](Call& c) { return Trimmed(PrxCapaOperaBem(c.Str(0), c.Str(1))); });
    reg("PrxItCapaOperaBem", {S, S, S}, {},
        [this](Call& c) { return Trimmed(PrxItCapaOperaBem(c.Str(0), c.Str(1), c.Str(2))); });
    reg("PrxFaixaCapaOperaBem", {S, S, S}, {},
        [this](Call& c) { return Trimmed(PrxFaixaCapaOperaBem(c.Str(0), c.Str(1), c.Str(2))); });
    reg("PrxFaixaItCapaOperaBem", {S, S, S}, {},
        [this](Call& c) { return Trimmed(PrxFaixaItCapaOperaBem(c.Str(0), c.Str(1), c.Str(2))); });
    reg("SetConfirmar", {J, A::Json}, {0, 1}, [this](Call& c) {
        SetConfirmar(c.Json(0), c.Who());
        return nlohmann::json(true);
    });
    reg("SetTransFisica", {J}, {}, [this](Call& c) {
        SetTransFisica(c.Json(0), c.Who());
        return nlohmann::json(true);
    });

    // Apportionment, accounting and invoices: plain reads on the thread's repository.
    auto read = [this](auto fn) {
        return [this, fn](Call& c) {
            Repository repo = repositories_();
            return fn(repo, c);
        };
    };
    reg("GetRateio", {S, S, S, S}, {1}, read([](Repository& r, Call& c) {
        return r.Apportionment(c.Str(0).trimmed(), c.Str(1).trimmed(), c.Str(2).trimmed(), c.Str(3).trimmed());
    }));
    reg("VdRateio", {S, S, S, S, S, S}, {0}, read([](Repository& r, Call& c) {
        return r.ApportionmentPair(c.Str(0).trimmed(), c.Str(1).trimmed(), c.Str(2).trimmed(), c.Str(3).trimmed(),
                                   c.Str(4).trimmed(), c.Str(5).trimmed());
    }));
    reg("VdFilialRat", {S, S}, {}, read([](Repository& r, Call& c) {
        return r.BranchesForApportionment(c.Str(0).trimmed(), c.Str(1).trimmed());
    }));
    reg("VdCentCustRat", {S, S}, {}, read([](Repository& r, Call& c) {
        return r.CostCentresForApportionment(c.Str(0).trimmed(), c.Str(1).trimmed());
    }));
    reg("SetRateio", {J}, {}, [this](Call& c) {
        SetRateio(c.Json(0));
        return nlohmann::json(true);
    });
    reg("Atualiza_RatBem", {J}, {}, [this](Call& c) {
        Atualiza_RatBem(c.Json(0));
        return nlohmann::json(true);
    });
    reg("GetCtblBemAtivo", {S, S}, {1},
        read([](Repository& r, Call& c) { return r.AccountingRows(c.Str(0).trimmed(), c.Str(1).trimmed()); }));
    reg("GetPesqTipoContaBem", {S, S}, {1},
        read([](Repository& r, Call& c) { return r.AccountTypes(c.Str(0).trimmed()); }));
    reg("GetPesqContCtbl", {S, S}, {1}, read([](Repository& r, Call& c) { return r.Accounts(c.Str(0).trimmed()); }));
    reg("GetVd_TipoConta", {S, S, S}, {2}, read([](Repository& r, Call& c) {
        return r.AccountTypeCheck(c.Str(0).trimmed(), c.Str(1).trimmed(), c.Str(2).trimmed());
    }));
    reg("GetVd_ContCtbl", {S, S, S}, {2}, read([](Repository& r, Call& c) {
        return r.AccountCheck(c.Str(0).trimmed(), c.Str(1).trimmed(), c.Str(2).trimmed());
    }));
    reg("SetCtblBemAtivo", {J}, {}, [this](Call& c) {
        SetCtblBemAtivo(c.Json(0), c.Who());
        return nlohmann::json(true);
    });
    reg("GetVDSerie", {S, S}, {},
        read([](Repository& r, Call& c) { return r.Series(c.Str(0).trimmed(), c.Str(1).trimmed()); }));
    reg("GetPesqNF", {S, S, S, S}, {}, read([](Repository& r, Call& c) {
        return r.Invoices(c.Str(0).trimmed(), c.Str(1).trimmed(), c.Str(2).trimmed(), c.Str(3).trimmed());
    }));
    // The history of a place: reads of their own (HistoricoLocalizacao.cpp).
    RegisterHistoricoLocalizacao(dispatcher, repositories_);
}

}  // namespace server
