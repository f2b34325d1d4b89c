#include "server/HistoricoLocalizacao.h"

#include "orv/Packet.h"
#include "server/RpcError.h"
#include "server/FieldDefs.h"
#include "server/Sql.h"

#include <vector>

namespace server {

namespace {

using orv::FieldDef;
using orv::FieldType;

using defs::D;
using defs::F;
using defs::S;

QString Msg(const char* text) { return QString::fromUtf8(text); }

QString Day(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

// The place on three columns (branch, cost centre, sector) of one side of a transfer or of the
// asset. The statement names every placeholder in every variant, so the binds never change: an
// optional part left out compares its placeholder to the empty text it holds instead.
QString PlaceCondition(const Localizacao& l, const char* filial, const char* centCust, const char* setor) {
    QString sql = QStringLiteral("%1 = :F").arg(QLatin1String(filial));
    sql += l.centCust.isEmpty() ? QStringLiteral(" AND :C = ''") : QStringLiteral(" AND %1 = :C").arg(QLatin1String(centCust));
    sql += l.setor.isEmpty() ? QStringLiteral(" AND :S = ''") : QStringLiteral(" AND %1 = :S").arg(QLatin1String(setor));
    return sql;
}

// How a list of transfers is walked. From the place: every transfer of the place (the index of its
// side), each checked for its date on its header. From the dates: every header of the company in
// the dates (the index of the date), each checked for the place on its item. The fewer entries
// to walk, the faster; both are counted first on those same indexes, which reads the indexes
// alone. The order of the tables is spelt out (CROSS JOIN: SQLite keeps the order written,
// PostgreSQL plans it as any join): left to itself SQLite would start from the headers and, for
// each, walk every transfer of the place — seconds instead of milliseconds on 100,000 assets.
enum class Drive { FromPlace, FromDates };

const char* const kSide[2][3] = {{"I.CDFILIALITCANTE", "I.CDCENTCUITCANTE", "I.CDSETORITCANTE"},
                                 {"I.CDFILIALITCNOVO", "I.CDCENTCUITCNOVO", "I.CDSETORITCNOVO"}};

// FROM and WHERE of the items of one side (origin or destination) of the place and their headers,
// with `dates` on the header's date.
QString ItemsOf(const Localizacao& l, bool destino, Drive drive, const QString& dates) {
    const auto& c = kSide[destino ? 1 : 0];
    if (drive == Drive::FromPlace)
        return QStringLiteral(" FROM ITCAPAOPERABEM I CROSS JOIN CAPAOPERABEM C WHERE I.CDEMPRESA = :E AND %1"
                              " AND C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM AND %2")
            .arg(PlaceCondition(l, c[0], c[1], c[2]), dates);
    // The place as expressions, so that no index of it draws the item away from its key.
    const QByteArray f = QByteArrayLiteral("COALESCE(") + c[0] + ", '')", cc = QByteArrayLiteral("COALESCE(") + c[1] + ", '')",
                     st = QByteArrayLiteral("COALESCE(") + c[2] + ", '')";
    return QStringLiteral(" FROM CAPAOPERABEM C CROSS JOIN ITCAPAOPERABEM I WHERE C.CDEMPRESA = :E AND %1"
                          " AND I.CDEMPRESA = C.CDEMPRESA AND I.NRSEQCAPAOPEBEM = C.NRSEQCAPAOPEBEM AND %2")
        .arg(dates, PlaceCondition(l, f.constData(), cc.constData(), st.constData()));
}

qint64 CountOf(Repository& repo, const QString& sql, Binds binds) {
    Query q = Exec(repo.Db(), sql, binds);
    return q.next() ? q.value(0).toLongLong() : 0;
}

// The transfers of one side of the place, whatever their date: the walk from the place.
qint64 PlaceEntries(Repository& repo, const Localizacao& l, bool destino) {
    const auto& c = kSide[destino ? 1 : 0];
    return CountOf(repo,
                   QStringLiteral("SELECT COUNT(*) FROM ITCAPAOPERABEM I WHERE I.CDEMPRESA = :E AND %1")
                       .arg(PlaceCondition(l, c[0], c[1], c[2])),
                   {{":E", l.empresa}, {":F", l.filial}, {":C", l.centCust}, {":S", l.setor}});
}

// The company's headers dated from `inicio` to before `ate` (null: no end): the walk from the dates.
qint64 DateEntries(Repository& repo, const QString& empresa, const QString& inicio, const QString& ate) {
    if (ate.isEmpty())
        return CountOf(repo, QStringLiteral("SELECT COUNT(*) FROM CAPAOPERABEM C WHERE C.CDEMPRESA = :E AND C.DTCAPAOPEBEM >= :INI"),
                       {{":E", empresa}, {":INI", inicio}});
    return CountOf(repo,
                   QStringLiteral("SELECT COUNT(*) FROM CAPAOPERABEM C WHERE C.CDEMPRESA = :E"
                                  " AND C.DTCAPAOPEBEM >= :INI AND C.DTCAPAOPEBEM < :ATE"),
                   {{":E", empresa}, {":INI", inicio}, {":ATE", ate}});
}

Drive Cheaper(qint64 placeEntries, qint64 dateEntries) {
    return placeEntries <= dateEntries ? Drive::FromPlace : Drive::FromDates;
}

// --- transfers in and out ------------------------------------------------------------------------

const std::vector<FieldDef> kTransferenciaDefs = {
    D("DTCAPAOPEBEM"),    S("IDMOVIMENTO", 1),  S("CDPATRIBEMATIVO", 20), S("CDBEMATIVO", 10),
    S("NMBEMATIVO", 50),  S("CDFILIALITCANTE", 4), S("NMFILIALANTE", 30), S("CDCENTCUITCANTE", 4),
    S("CDSETORITCANTE", 4), S("CDFILIALITCNOVO", 4), S("NMFILIALNOVO", 30), S("CDCENTCUITCNOVO", 4),
    S("CDSETORITCNOVO", 4), S("CDTIPOOPERBEM", 6), S("NMTIPOOPERBEM", 50), S("CDMOTIVOOPER", 6),
    S("NMMOTIVOOPER", 50), S("CDOPEINCCAPA", 12), S("NMOPERADOR", 40),  S("NRSEQCAPAOPEBEM", 10),
    S("NRSEQOPERABEM", 10)};

// One side: the transfers whose destination ("E") or origin ("S") is the place.
QString TransferSide(const Localizacao& l, bool entrada, Drive drive) {
    return QStringLiteral(
               "SELECT C.DTCAPAOPEBEM AS DT, '%1' AS MOV, I.CDBEMATIVO AS BEM,"
               " I.CDFILIALITCANTE AS FA, I.CDCENTCUITCANTE AS CA, I.CDSETORITCANTE AS SA,"
               " I.CDFILIALITCNOVO AS FN, I.CDCENTCUITCNOVO AS CN, I.CDSETORITCNOVO AS SN,"
               " C.CDEMPRESA AS EMP, C.CDTIPOOPERBEM AS TP, C.CDMOTIVOOPER AS MT, C.CDOPEINCCAPA AS OP,"
               " C.NRSEQCAPAOPEBEM AS CAPA, I.NRSEQOPERABEM AS SEQ")
               .arg(entrada ? QLatin1Char('E') : QLatin1Char('S')) +
           ItemsOf(l, entrada, drive, QStringLiteral("C.DTCAPAOPEBEM >= :INI AND C.DTCAPAOPEBEM < :ATE"));
}

QString TransferSelect(const Localizacao& l, Drive entrada, Drive saida) {
    return QStringLiteral(
               "SELECT H.DT, H.MOV, B.CDPATRIBEMATIVO, H.BEM, B.NMBEMATIVO, H.FA, FA.NMFILIAL, H.CA, H.SA,"
               " H.FN, FN.NMFILIAL, H.CN, H.SN, H.TP, T.NMTIPOOPERBEM, H.MT, M.NMMOTIVOOPER, H.OP, O.NMOPERADOR,"
               " H.CAPA, H.SEQ"
               " FROM (%1 UNION ALL %2) H"
               " LEFT JOIN BEMATIVO B ON (B.CDBEMATIVO = H.BEM)"
               " LEFT JOIN FILIAL FA ON (FA.CDFILIAL = H.FA)"
               " LEFT JOIN FILIAL FN ON (FN.CDFILIAL = H.FN)"
               " LEFT JOIN TIPOOPERBEM T ON (T.CDEMPRESA = H.EMP AND T.CDTIPOOPERBEM = H.TP)"
               " LEFT JOIN MOTIVOOPER M ON (M.CDEMPRESA = H.EMP AND M.CDTIPOOPERBEM = H.TP AND M.CDMOTIVOOPER = H.MT)"
               " LEFT JOIN OPERADOR O ON (O.CDOPERADOR = H.OP)")
        .arg(TransferSide(l, true, entrada), TransferSide(l, false, saida));
}

// --- assets on a day ----------------------------------------------------------------------------

const std::vector<FieldDef> kBemDefs = {S("CDPATRIBEMATIVO", 20), S("CDBEMATIVO", 10), S("NMBEMATIVO", 50),
                                        F("VRAQUIBEMATIVO"),      S("CDFILIAL", 4),    S("NMFILIAL", 30),
                                        S("CDCENTCUST", 4),       S("NMCENTCUST", 40), S("CDSETOR", 4),
                                        S("NMSETOR", 30),         S("CDOPERESPBEM", 12), S("NMOPERADOR", 40),
                                        D("DTCHEGADA")};

// An asset's transfers are dated in the order they were applied, so where it was at the end of
// a day is where it is now when no transfer is dated after that day, and otherwise where the
// first transfer dated after it took it from. Both are read from the place's side only: the
// assets there now (index of the asset's location), and the transfers that left it later
// (index of the origin, or the date, as counted), each checked against the transfer before it.
QString AssetSelect(const Localizacao& l, Drive saidas) {
    const QString lastDate = QStringLiteral(
        "(SELECT C.DTCAPAOPEBEM FROM ITCAPAOPERABEM I CROSS JOIN CAPAOPERABEM C WHERE I.CDBEMATIVO = B.CDBEMATIVO"
        " AND C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM"
        " ORDER BY I.NRSEQOPERABEM DESC LIMIT 1)");
    const QString here = QStringLiteral(
        "SELECT P.BEM, P.FIL, P.CC, P.ST, P.OP, P.DESDE FROM ("
        "SELECT B.CDBEMATIVO AS BEM, B.CDFILIAL AS FIL, B.CDCENTCUST AS CC, B.CDSETOR AS ST, B.CDOPERESPBEM AS OP,"
        " %1 AS DESDE FROM BEMATIVO B WHERE B.CDEMPRESA = :E AND %2) P"
        " WHERE P.DESDE IS NULL OR P.DESDE < :DEPOIS")
        .arg(lastDate, PlaceCondition(l, "B.CDFILIAL", "B.CDCENTCUST", "B.CDSETOR"));
    const QString before = QStringLiteral(
        "(SELECT C2.DTCAPAOPEBEM FROM ITCAPAOPERABEM I2 CROSS JOIN CAPAOPERABEM C2"
        " WHERE I2.CDBEMATIVO = I.CDBEMATIVO AND I2.NRSEQOPERABEM < I.NRSEQOPERABEM"
        " AND C2.CDEMPRESA = I2.CDEMPRESA AND C2.NRSEQCAPAOPEBEM = I2.NRSEQCAPAOPEBEM"
        " ORDER BY I2.NRSEQOPERABEM DESC LIMIT 1)");
    const QString leftLater = QStringLiteral(
        "SELECT Q.BEM, Q.FIL, Q.CC, Q.ST, Q.OP, Q.DESDE FROM ("
        "SELECT I.CDBEMATIVO AS BEM, I.CDFILIALITCANTE AS FIL, I.CDCENTCUITCANTE AS CC, I.CDSETORITCANTE AS ST,"
        " I.CDOPERESPBEMANT AS OP, %1 AS DESDE%2) Q"
        " WHERE Q.DESDE IS NULL OR Q.DESDE < :DEPOIS")
        .arg(before, ItemsOf(l, false, saidas, QStringLiteral("C.DTCAPAOPEBEM >= :DEPOIS")));
    return QStringLiteral(
               "SELECT B.CDPATRIBEMATIVO, H.BEM, B.NMBEMATIVO, B.VRAQUIBEMATIVO, H.FIL, F.NMFILIAL, H.CC,"
               " CC.NMCENTCUST, H.ST, S.NMSETOR, H.OP, O.NMOPERADOR, H.DESDE"
               " FROM (%1 UNION ALL %2) H"
               " LEFT JOIN BEMATIVO B ON (B.CDBEMATIVO = H.BEM)"
               " LEFT JOIN FILIAL F ON (F.CDFILIAL = H.FIL)"
               " LEFT JOIN CENTCUST CC ON (CC.CDCENTCUST = H.CC)"
               " LEFT JOIN SETOR S ON (S.CDSETOR = H.ST)"
               " LEFT JOIN OPERADOR O ON (O.CDOPERADOR = H.OP)")
        .arg(here, leftLater);
}

// --- arguments -----------------------------------------------------------------------------------

Localizacao PlaceOf(Repository& repo, const Call& c) {
    Localizacao l{c.Str(0).trimmed(), c.Str(1).trimmed(), c.Str(2).trimmed(), c.Str(3).trimmed()};
    if (l.empresa.isEmpty()) throw Refused(Msg("Empresa deve ser informada."));
    if (l.filial.isEmpty()) throw Refused(Msg("Filial deve ser informada."));
    const auto company = repo.BranchCompany(l.filial);
    if (!company) throw Refused(Msg("Filial não cadastrada."));
    if (*company != l.empresa) throw Refused(Msg("A filial %1 não pertence à empresa %2.").arg(l.filial, l.empresa));
    return l;
}

// A date as it travels ("2026-11-15" or "2026-11-15T00:00:00"); `what` names it in a refusal.
QDate DateOf(const QString& text, const char* what) {
    const QString t = text.trimmed();
    if (t.isEmpty()) throw Refused(Msg("%1 deve ser informada.").arg(Msg(what)));
    const QDateTime dt = orv::DateTimeFromWire(t);
    if (!dt.isValid()) throw Refused(Msg("%1 inválida: %2.").arg(Msg(what), t));
    return dt.date();
}

}  // namespace

std::string HistoricoLocalizacao::Transferencias(const Localizacao& local, const QDate& inicio, const QDate& fim) {
    const qint64 dates = DateEntries(repo_, local.empresa, Day(inicio), Day(fim.addDays(1)));
    const Drive entrada = Cheaper(PlaceEntries(repo_, local, true), dates);
    const Drive saida = Cheaper(PlaceEntries(repo_, local, false), dates);
    return repo_.PacketText(kTransferenciaDefs, TransferSelect(local, entrada, saida), QStringLiteral("H.DT, H.SEQ, H.MOV"),
                            {{":E", local.empresa},
                             {":F", local.filial},
                             {":C", local.centCust},
                             {":S", local.setor},
                             {":INI", Day(inicio)},
                             {":ATE", Day(fim.addDays(1))}});
}

std::string HistoricoLocalizacao::BensNoDia(const Localizacao& local, const QDate& dia) {
    const Drive saidas = Cheaper(PlaceEntries(repo_, local, false), DateEntries(repo_, local.empresa, Day(dia.addDays(1)), {}));
    return repo_.PacketText(kBemDefs, AssetSelect(local, saidas), QStringLiteral("B.CDPATRIBEMATIVO, H.BEM"),
                            {{":E", local.empresa},
                             {":F", local.filial},
                             {":C", local.centCust},
                             {":S", local.setor},
                             {":DEPOIS", Day(dia.addDays(1))}});
}

void RegisterHistoricoLocalizacao(Dispatcher& dispatcher, std::function<Repository()> repositories) {
    const Arg S = Arg::String;
    dispatcher.Register("GetHistLocalizacao", MethodSpec{{S, S, S, S, S, S}, {}, [repositories](Call& c) {
      return OnLiveConnection([&] {
        Repository repo = repositories();
        const Localizacao local = PlaceOf(repo, c);
        const QDate inicio = DateOf(c.Str(4), "Data inicial");
        const QDate fim = DateOf(c.Str(5), "Data final");
        if (inicio > fim) throw Refused(Msg("A data inicial não pode ser posterior à data final."));
        c.SetRawValue(HistoricoLocalizacao(repo).Transferencias(local, inicio, fim));
        return nlohmann::json();
      });
    }});
    dispatcher.Register("GetBensLocalizacao", MethodSpec{{S, S, S, S, S}, {}, [repositories](Call& c) {
      return OnLiveConnection([&] {
        Repository repo = repositories();
        const Localizacao local = PlaceOf(repo, c);
        c.SetRawValue(HistoricoLocalizacao(repo).BensNoDia(local, DateOf(c.Str(4), "Data da posição")));
        return nlohmann::json();
      });
    }});
}

}  // namespace server
