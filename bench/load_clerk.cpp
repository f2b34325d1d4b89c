#include "bench/load_clerk.h"

#include "contracts/TransferRecord.h"
#include "orv/DataSet.h"
#include "orv/NetConnection.h"

#include <QDateTime>
#include <QRegularExpression>

#include <thread>

namespace load {

namespace {

using Json = nlohmann::json;

constexpr int kRefused = -32010;  // the server's rules said no: expected under a race
constexpr int kTransport = -32000, kUnavailable = -32011;
const QString kSimulacao = QStringLiteral("R");
// What the screen shows when the server says the transfer may not be undone ("NAO").
const QString kBloqDel =
    QString::fromUtf8("Operação Bloqueada. Só é permitido excluir a última Transferência Física cadastrada.");

double Ms(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

QString Text(const Json& v) { return v.is_string() ? QString::fromStdString(v.get<std::string>()).trimmed() : QString(); }

// A sequence number as the server answers it: ten digits as text.
QString Number(const Json& v) {
    if (v.is_string()) return QString::fromStdString(v.get<std::string>());
    if (v.is_number_integer()) return QStringLiteral("%1").arg(v.get<long long>(), 10, 10, QLatin1Char('0'));
    return QString();
}

// The position of a column in a packet, -1 when it has none.
int Column(const Json& packet, const char* name) {
    const Json& fields = packet["fields"];
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].value("name", std::string()) == name) return int(i);
    return -1;
}

QString Cell(const Json& packet, const Json& row, const char* name) {
    const int i = Column(packet, name);
    return i < 0 || size_t(i) >= row.size() ? QString() : Text(row[size_t(i)]);
}

Place NovoOf(const Json& packet, const Json& row) {
    return {Cell(packet, row, "CDFILIALITCNOVO"), Cell(packet, row, "CDCENTCUITCNOVO"), Cell(packet, row, "CDSETORITCNOVO"),
            Cell(packet, row, "CDOPERESPBEMNOV")};
}

}  // namespace

bool OutageCode(int code) { return code == kTransport || code == kUnavailable; }

void Tally::Merge(const Tally& other) {
    outages += other.outages;
    longestGapMs = std::max(longestGapMs, other.longestGapMs);
    confirmed += other.confirmed;
    undone += other.undone;
    refused += other.refused;
    failed += other.failed;
    for (const auto& [kind, ms] : other.latencies) {
        auto& mine = latencies[kind];
        mine.insert(mine.end(), ms.begin(), ms.end());
    }
    for (const auto& [text, n] : other.refusals) refusals[text] += n;
    for (const auto& [text, n] : other.errors) errors[text] += n;
}

Clerk::Clerk(ClerkSetup setup, Ledger& ledger, const std::atomic<bool>& stop)
    : setup_(std::move(setup)), ledger_(ledger), stop_(stop), net_(std::make_unique<orv::TNetConnection>()),
      rng_(setup_.seed) {
    net_->Host = setup_.host;
    net_->Port = setup_.port;
}

Clerk::~Clerk() = default;

bool Clerk::Connect(QString& error) {
    net_->SetConnected(true);
    if (net_->Connected()) return true;
    error = net_->LastError();
    return false;
}

void Clerk::Run() {
    const Plan& plan = *setup_.plan;
    std::uniform_int_distribution<int> percent(0, 99);
    while (!stop_.load(std::memory_order_relaxed)) {
        const bool undo = percent(rng_) < setup_.undoPercent;
        const auto start = Clock::now();
        Json list;
        QString bem = setup_.asset->bem;
        if (!Call("GetCapa", [&] { return net_->AppServer().GetCapa(plan.empresa, bem); }, &list)) continue;
        const Json& rows = list["rows"];
        // Only what the run wrote is undone, so the demo's history stays whole.
        if (undo && !rows.empty() && ledger_.WrittenByRun(Cell(list, rows.back(), "NRSEQCAPAOPEBEM")))
            Undo(list, start);
        else
            Transfer(list, start);
    }
}

void Clerk::Transfer(const Json& list, Clock::time_point start) {
    const Plan& plan = *setup_.plan;
    const Asset& asset = *setup_.asset;
    // From where the last transfer of the list left the asset (where it stood, without one).
    const Json& rows = list["rows"];
    Place ante = asset.at;
    QDate lastDate;
    if (!rows.empty()) {
        ante = NovoOf(list, rows.back());
        lastDate = QDate::fromString(Cell(list, rows.back(), "DTCAPAOPEBEM").left(10), Qt::ISODate);
    }
    // To another branch: a transfer within the branch is refused.
    std::uniform_int_distribution<size_t> anyPlace(0, plan.destinos.size() - 1);
    Place novo;
    do {
        novo = plan.destinos[anyPlace(rng_)];
    } while (novo.filial == ante.filial);
    novo.oper = plan.responsaveis[qsizetype(std::uniform_int_distribution<qsizetype>(0, plan.responsaveis.size() - 1)(rng_))];
    // Today, unless the last transfer is dated later (the screen proposes the same).
    const QDate today = QDate::currentDate();
    const QDate date = lastDate.isValid() && lastDate > today ? lastDate : today;

    Json value;
    if (!Call("PrxCapaOperaBem", [&] { return net_->AppServer().PrxCapaOperaBem(plan.empresa, kSimulacao); }, &value))
        return;
    const QString capa = Number(value);
    ledger_.Handed("capa", capa);
    if (!Call("PrxItCapaOperaBem", [&] { return net_->AppServer().PrxItCapaOperaBem(plan.empresa, kSimulacao, capa); },
              &value))
        return;
    const QString item = Number(value);
    ledger_.Handed("item", item);

    // The record as the screen completes it before the post.
    orv::TDataSet cds;
    for (const orv::FieldDef& d : contracts::TransferRecordFields()) cds.AddField(d);
    cds.CreateDataSet();
    cds.Append();
    auto set = [&cds](const char* name, const QVariant& v) { cds.FieldByName(QLatin1String(name)).SetValue(v); };
    set("NRSEQCAPAOPEBEM", capa);
    set("NRSEQITCAPAOPE", item);
    set("DTCAPAOPEBEM", QDateTime(date, QTime(0, 0)));
    set("CDEMPRESA", plan.empresa);
    set("IDSITCAPAOPER", QStringLiteral("2"));
    set("IDIDENTCAPAOPER", QStringLiteral("03"));
    set("IDSIMULOPERABEM", kSimulacao);
    set("CDTIPOOPERBEM", plan.tipo);
    set("CDMOTIVOOPER", plan.motivo);
    set("CDBEMATIVO", asset.bem);
    set("QTMESDEPBEM", asset.qtMesDep);
    set("VRAQUIBEMATIVO", asset.vrAquisicao);
    set("VRINIDEPBEM", asset.vrIniDep);
    set("QTATUABEMATIVO", asset.qtAtual);
    set("QTITCAPAOPEANTE", asset.qtAtual);
    set("QTMESDEPITCANTE", asset.qtMesDep);
    set("VRTAXDEPITCANTE", asset.vrTaxa);
    set("QTITCAPAOPENOVO", asset.qtAtual);
    set("VRITCAPAOPERA", asset.vrIniDep);
    set("QTMESDEPITCNOVO", asset.qtMesDep);
    set("VRTAXDEPITCNOVO", asset.vrTaxa);
    set("CDFILIALITCANTE", ante.filial);
    set("CDCENTCUITCANTE", ante.centCust);
    set("CDSETORITCANTE", ante.setor);
    set("CDOPERESPBEMANT", ante.oper);
    set("CDFILIALITCNOVO", novo.filial);
    set("CDCENTCUITCNOVO", novo.centCust);
    set("CDSETORITCNOVO", novo.setor);
    set("CDOPERESPBEMNOV", novo.oper);
    set("CDOPERESPOPERA", novo.oper);
    for (const char* who : {"CDOPEATUCAPA", "CDOPEATUITCAPA", "CDOPEINCITCAPA", "CDOPEINCCAPA"}) set(who, plan.operador);
    cds.Post();
    Json delta = cds.Delta(), segundo;

    if (!Call("SetConfirmar", [&] { return net_->AppServer().SetConfirmar(delta, segundo); }, nullptr, capa)) {
        // An answer lost on the way may hide a transfer that was written: the list tells.
        if (lastCode_ == kRefused || !InList(capa)) return;
    }
    ledger_.Confirmed(capa, item, asset.bem);
    ++tally_.confirmed;
    tally_.latencies["ciclo: transferência"].push_back(Ms(start));
}

void Clerk::Undo(const Json& list, Clock::time_point start) {
    const Plan& plan = *setup_.plan;
    const Json& last = list["rows"].back();
    const QString capa = Cell(list, last, "NRSEQCAPAOPEBEM");
    const QString empty;

    // As the screen: may it be undone, and where does the asset go back to?
    Json verdict;
    {
        QString bem = setup_.asset->bem, nr = capa;
        auto ask = [&] {
            return net_->AppServer().Retorna_Dados(plan.empresa, bem, nr, QStringLiteral("01"), empty, empty, empty, empty);
        };
        if (!Call("Retorna_Dados", ask, &verdict, capa))
            return;
    }
    const Json& rows = verdict["rows"];
    if (rows.empty() || Cell(verdict, rows[0], "Retorno") != QLatin1String("SIM")) {
        Refusal("Retorna_Dados", kBloqDel, capa);
        return;
    }
    const Place back{Cell(verdict, rows[0], "Filial"), Cell(verdict, rows[0], "CentCust"), Cell(verdict, rows[0], "Setor"),
                     Cell(verdict, rows[0], "OperRespons")};

    // The deletion of the list's last record, as the list's data set logs it.
    orv::TDataSet cds;
    for (const orv::FieldDef& d : contracts::TransferRecordFields()) cds.AddField(d);
    cds.SetData(Json{{"fields", list["fields"]}, {"rows", Json::array({last})}});
    cds.Last();
    cds.Delete();
    const Json delta = cds.Delta();
    if (!Call("SetTransFisica", [&] { return net_->AppServer().SetTransFisica(delta); }, nullptr, capa)) {
        if (lastCode_ == kRefused || InList(capa)) return;
        ledger_.Undone(capa);
        ++tally_.undone;
        return;
    }
    ledger_.Undone(capa);
    ++tally_.undone;
    {
        QString bem = setup_.asset->bem, nr = capa;
        Call("Retorna_Dados",
             [&] {
                 return net_->AppServer().Retorna_Dados(plan.empresa, bem, nr, QStringLiteral("02"), back.filial, back.centCust,
                                                        back.setor, back.oper);
             },
             nullptr, capa);
    }
    tally_.latencies["ciclo: desfazer"].push_back(Ms(start));
}

bool Clerk::Call(const char* kind, const std::function<contracts::ServerResult()>& call, Json* value, const QString& capa) {
    const auto start = Clock::now();
    contracts::ServerResult r = call();
    tally_.latencies[kind].push_back(Ms(start));
    lastCode_ = r.ok ? 0 : r.code;
    if (r.ok || r.code == kRefused) {
        // Answered: a run of failures, if any, ends here.
        if (failingSince_ != Clock::time_point{}) {
            tally_.longestGapMs = std::max(tally_.longestGapMs, Ms(failingSince_));
            failingSince_ = {};
        }
    } else if (failingSince_ == Clock::time_point{}) {
        failingSince_ = start;
    }
    if (r.ok) {
        if (value) *value = std::move(r.value);
        return true;
    }
    if (OutageCode(r.code)) ++tally_.outages;
    if (r.code == kRefused) {
        Refusal(kind, r.error, capa);
    } else {
        ++tally_.failed;
        ++tally_.errors[QStringLiteral("%1 (%2): %3").arg(QString::fromLatin1(kind)).arg(r.code).arg(Normalised(r.error, capa))];
        // A server that went away is not hammered in a tight loop.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool Clerk::InList(const QString& capa) {
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    Json list;
    QString bem = setup_.asset->bem;
    while (!Call("GetCapa", [&] { return net_->AppServer().GetCapa(setup_.plan->empresa, bem); }, &list)) {
        if (Clock::now() > giveUp) throw std::runtime_error("o servidor não respondeu por um minuto");
    }
    const int column = Column(list, "NRSEQCAPAOPEBEM");
    for (const Json& row : list["rows"])
        if (column >= 0 && Text(row[size_t(column)]) == capa) return true;
    return false;
}

void Clerk::Refusal(const char* kind, const QString& text, const QString& capa) {
    ++tally_.refused;
    ++tally_.refusals[QString::fromLatin1(kind) + QStringLiteral(": ") + Normalised(text, capa)];
}

// The same refusal on another asset or transfer counts as the same message.
QString Clerk::Normalised(const QString& text, const QString& capa) const {
    QString out = text;
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    out.replace(setup_.asset->bem, QStringLiteral("<bem>"));
    if (!capa.isEmpty()) out.replace(capa, QStringLiteral("<nº>"));
    return out;
}

}  // namespace load
