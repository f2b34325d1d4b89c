#include "Schema.h"

#include "db/Demo.h"
#include "tests/support/EngineTest.h"
#include "tests/support/Fixture.h"

#include <QRegularExpression>

#include <map>
#include <set>

using erptest::Canonical;
using erptest::QueryRows;
using erptest::QueryValue;
using erptest::TestDatabase;

namespace {

constexpr int kAssets = 200;

int Count(QSqlDatabase db, const QString& sql, const QVariantList& params = {}) {
    return QueryValue(db, sql, params).toInt();
}

bool IsCode(const QString& value, int digits) {
    static const QRegularExpression onlyDigits(QStringLiteral("^[0-9]+$"));
    return value.size() == digits && onlyDigits.match(value).hasMatch();
}

TEST(DemoOnSqlite, SameSeedGivesIdenticalTablesAndAnotherSeedDiffers) {
    auto first = TestDatabase::Sqlite();
    auto second = TestDatabase::Sqlite();
    auto other = TestDatabase::Sqlite();
    QSqlDatabase a = first.db(), b = second.db(), c = other.db();
    erpdb::GenerateDemo(a, {kAssets, 7});
    erpdb::GenerateDemo(b, {kAssets, 7});
    erpdb::GenerateDemo(c, {kAssets, 8});

    for (const auto& [table, columns] : dbtest::ExpectedTables()) {
        const QStringList dump = dbtest::Dump(a, table);
        EXPECT_FALSE(dump.isEmpty()) << table.toStdString() << " vazia na demonstração";
        EXPECT_TRUE(dump == dbtest::Dump(b, table)) << table.toStdString() << " difere com a mesma semente";
    }
    EXPECT_NE(dbtest::Dump(a, "BEMATIVO"), dbtest::Dump(c, "BEMATIVO"));
    EXPECT_NE(dbtest::Dump(a, "ITCAPAOPERABEM"), dbtest::Dump(c, "ITCAPAOPERABEM"));
}

class DemoRefusal : public erptest::EngineTest {};

TEST_P(DemoRefusal, DatabaseWithCompaniesIsLeftUntouched) {
    QSqlDatabase d = db();
    erptest::InsertRow(d, "EMPRESA", {{"CDEMPRESA", "01"}, {"NMEMPRESA", "Empresa do cliente"}});
    try {
        erpdb::GenerateDemo(d, {20, 1});
        FAIL() << "a demonstração não deveria ser gerada num banco com empresas";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf("empresas"), -1) << e.what();
    }
    EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM EMPRESA"), 1);
    EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM FILIAL"), 0);
    EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM BEMATIVO"), 0);
}

ERP_INSTANTIATE_ON_ENGINES(DemoRefusal);

class DemoData : public erptest::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped()) return;
        QSqlDatabase d = db();
        summary_ = erpdb::GenerateDemo(d, {kAssets, 3});
    }
    erpdb::DemoSummary summary_;
};

struct Location {
    QString branch, costCentre, sector, holder;
    bool operator==(const Location&) const = default;
};

std::string Describe(const Location& l) {
    return QStringLiteral("%1/%2/%3/%4").arg(l.branch, l.costCentre, l.sector, l.holder).toStdString();
}

TEST_P(DemoData, HistoryLeadsToEachAssetsCurrentLocation) {
    QSqlDatabase d = db();
    std::map<QString, std::pair<QString, Location>> assets;  // code -> company, location
    for (const auto& r : QueryRows(d, "SELECT CDBEMATIVO, CDEMPRESA, CDFILIAL, CDCENTCUST, CDSETOR, CDOPERESPBEM FROM BEMATIVO"))
        assets[r[0].toString()] = {r[1].toString(),
                                    {r[2].toString(), r[3].toString(), r[4].toString(), r[5].toString()}};

    const auto items = QueryRows(d,
        "SELECT I.CDBEMATIVO, I.CDEMPRESA, C.DTCAPAOPEBEM, C.DTINCCAPAOPER,"
        " I.CDFILIALITCANTE, I.CDCENTCUITCANTE, I.CDSETORITCANTE, I.CDOPERESPBEMANT,"
        " I.CDFILIALITCNOVO, I.CDCENTCUITCNOVO, I.CDSETORITCNOVO, I.CDOPERESPBEMNOV"
        " FROM ITCAPAOPERABEM I JOIN CAPAOPERABEM C"
        "   ON C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM"
        " ORDER BY I.CDBEMATIVO, I.NRSEQOPERABEM");
    ASSERT_FALSE(items.isEmpty());

    std::map<QString, int> transfers;
    QString previousAsset, previousDate;
    Location previousNew;
    const auto checkLast = [&](const QString& asset, const Location& last) {
        EXPECT_EQ(last, assets[asset].second)
            << asset.toStdString() << ": última transferência leva a " << Describe(last) << ", bem está em "
            << Describe(assets[asset].second);
    };
    for (const auto& r : items) {
        const QString asset = r[0].toString();
        const QString date = Canonical(r[2]);
        const Location from{r[4].toString(), r[5].toString(), r[6].toString(), r[7].toString()};
        const Location to{r[8].toString(), r[9].toString(), r[10].toString(), r[11].toString()};
        ASSERT_TRUE(assets.count(asset)) << asset.toStdString();
        EXPECT_EQ(r[1].toString(), assets[asset].first) << asset.toStdString() << ": empresa do item";
        EXPECT_NE(from.branch, to.branch) << asset.toStdString() << ": transferência sem troca de filial";
        EXPECT_LT(Canonical(r[3]), "2026-01-01") << asset.toStdString();
        EXPECT_EQ(Canonical(r[3]).left(10), date) << asset.toStdString();
        if (asset == previousAsset) {
            EXPECT_EQ(from, previousNew) << asset.toStdString() << ": origem difere do destino anterior";
            EXPECT_GT(date, previousDate) << asset.toStdString() << ": datas fora de ordem";
        } else if (!previousAsset.isEmpty()) {
            checkLast(previousAsset, previousNew);
        }
        ++transfers[asset];
        previousAsset = asset;
        previousDate = date;
        previousNew = to;
    }
    checkLast(previousAsset, previousNew);

    int unlocated = 0, untransferred = 0, longest = 0;
    for (const auto& [code, asset] : assets) {
        const Location& l = asset.second;
        const int located = !l.branch.isEmpty() + !l.costCentre.isEmpty() + !l.sector.isEmpty() + !l.holder.isEmpty();
        EXPECT_TRUE(located == 0 || located == 4) << code.toStdString() << ": localização parcial";
        if (located == 0) {
            ++unlocated;
            EXPECT_EQ(transfers.count(code), 0u) << code.toStdString() << ": sem localização mas com histórico";
        } else if (!transfers.count(code)) {
            ++untransferred;
        }
        longest = std::max(longest, transfers.count(code) ? transfers[code] : 0);
    }
    EXPECT_GE(unlocated, 1);
    EXPECT_EQ(unlocated, summary_.assetsWithoutLocation);
    EXPECT_GE(untransferred, 1);
    EXPECT_GE(longest, 20);
}

TEST_P(DemoData, NumbersAreTenDigitsAndCountersCoverThem) {
    QSqlDatabase d = db();
    std::map<QString, int> greatest;  // "company|sequence" -> greatest number used
    for (const auto& r : QueryRows(d, "SELECT CDEMPRESA, NRSEQCAPAOPEBEM, NRSEQITCAPAOPE, NRSEQOPERABEM,"
                                      " IDSIMULOPERABEM FROM ITCAPAOPERABEM")) {
        const QString company = r[0].toString();
        const char* sequences[] = {"CAPAOPERABEM", "ITCAPAOPERABEM", "OPERABEM"};
        for (int i = 0; i < 3; ++i) {
            const QString number = r[i + 1].toString();
            EXPECT_TRUE(IsCode(number, 10)) << sequences[i] << " " << number.toStdString();
            int& top = greatest[company + "|" + sequences[i]];
            top = std::max(top, number.toInt());
        }
        EXPECT_EQ(r[4].toString(), "R");
    }
    ASSERT_EQ(greatest.size(), 9u) << "toda empresa deveria ter transferências";
    for (const auto& [key, top] : greatest) {
        const QStringList parts = key.split('|');
        const QVariant last = QueryValue(d,
            "SELECT NRULTIMO FROM SEQUENCIA WHERE CDEMPRESA = ? AND IDSIMULOPERABEM = 'R' AND NMSEQUENCIA = ?",
            {parts[0], parts[1]});
        ASSERT_TRUE(last.isValid()) << key.toStdString();
        EXPECT_GE(last.toInt(), top) << key.toStdString();
    }
    // A number is handed out once per company.
    EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM (SELECT CDEMPRESA, NRSEQOPERABEM FROM ITCAPAOPERABEM"
                       " GROUP BY CDEMPRESA, NRSEQOPERABEM HAVING COUNT(*) > 1) X"), 0);
    // Every header is an effective physical transfer with exactly one item.
    EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM CAPAOPERABEM C JOIN TIPOOPERBEM T"
                       " ON T.CDEMPRESA = C.CDEMPRESA AND T.CDTIPOOPERBEM = C.CDTIPOOPERBEM"
                       " WHERE C.IDSITCAPAOPER = '2' AND C.IDIDENTCAPAOPER = '03' AND T.IDTIPOOPERBEM = '03'"),
              summary_.transfers);
    EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM ITCAPAOPERABEM"), summary_.transfers);
}

TEST_P(DemoData, LocationsUseValidCombinations) {
    QSqlDatabase d = db();
    // Branch of the company, cost centre enabled in the branch, sector of the cost centre, known holder.
    const QString invalid =
        " FROM %1 X WHERE X.%2 IS NOT NULL AND NOT EXISTS ("
        "  SELECT 1 FROM FILIAL F JOIN CENTCUSTFIL CF ON CF.CDFILIAL = F.CDFILIAL"
        "  JOIN SETOR S ON S.CDCENTCUST = CF.CDCENTCUST JOIN OPERADOR O ON O.CDOPERADOR = X.%5"
        "  WHERE F.CDFILIAL = X.%2 AND F.CDEMPRESA = X.CDEMPRESA AND CF.CDCENTCUST = X.%3 AND S.CDSETOR = X.%4)";
    const auto check = [&](const QString& table, const QString& b, const QString& c, const QString& s, const QString& o) {
        EXPECT_EQ(Count(d, "SELECT COUNT(*)" + invalid.arg(table, b, c, s, o)), 0)
            << table.toStdString() << "." << b.toStdString();
    };
    check("BEMATIVO", "CDFILIAL", "CDCENTCUST", "CDSETOR", "CDOPERESPBEM");
    check("ITCAPAOPERABEM", "CDFILIALITCANTE", "CDCENTCUITCANTE", "CDSETORITCANTE", "CDOPERESPBEMANT");
    check("ITCAPAOPERABEM", "CDFILIALITCNOVO", "CDCENTCUITCNOVO", "CDSETORITCNOVO", "CDOPERESPBEMNOV");

    // The apportionment of a located asset covers 100 % of its current branch.
    const auto shares = QueryRows(d,
        "SELECT B.CDBEMATIVO, B.CDFILIAL, R.CDFILICCUST, R.CDCENTCUSBEM, R.VRRATEBEM FROM BEMATIVO B"
        " LEFT JOIN RATEIOBEM R ON R.CDBEMATIVO = B.CDBEMATIVO WHERE B.CDFILIAL IS NOT NULL");
    std::map<QString, double> total;
    for (const auto& r : shares) {
        EXPECT_EQ(r[2].toString(), r[1].toString() + r[3].toString()) << r[0].toString().toStdString();
        total[r[0].toString()] += r[4].toDouble();
    }
    for (const auto& [asset, sum] : total) EXPECT_DOUBLE_EQ(sum, 100.0) << asset.toStdString();
}

TEST_P(DemoData, ReferenceDataCoversWhatTheScreensNeed) {
    QSqlDatabase d = db();
    EXPECT_EQ(QueryRows(d, "SELECT NMOPERADOR, IDOPERATIVO FROM OPERADOR WHERE CDOPERADOR = '000000000001'"),
              (QList<QVariantList>{{"Administrador do Sistema", "A"}}));
    EXPECT_GE(Count(d, "SELECT COUNT(*) FROM OPERADOR WHERE IDOPERATIVO = 'I'"), 1);
    EXPECT_GE(Count(d, "SELECT COUNT(*) FROM SETOR WHERE CDOPERESPBEM IS NULL"), 1);
    for (const auto& r : QueryRows(d, "SELECT CDOPERADOR FROM OPERADOR")) EXPECT_TRUE(IsCode(r[0].toString(), 12));

    for (const auto& r : QueryRows(d, "SELECT CDEMPRESA, COUNT(*) FROM FILIAL GROUP BY CDEMPRESA"))
        EXPECT_GE(r[1].toInt(), 5) << r[0].toString().toStdString();
    int lettered = 0;
    for (const auto& r : QueryRows(d, "SELECT CDFILIAL FROM FILIAL")) {
        EXPECT_EQ(r[0].toString().size(), 4);
        lettered += r[0].toString().contains(QRegularExpression("[A-Z]"));
    }
    EXPECT_GE(lettered, 2);
    // Cost centres linked to several branches, one branch, and none.
    const auto links = QueryRows(d, "SELECT C.CDCENTCUST, COUNT(F.CDFILIAL) FROM CENTCUST C"
                                    " LEFT JOIN CENTCUSTFIL F ON F.CDCENTCUST = C.CDCENTCUST GROUP BY C.CDCENTCUST");
    std::set<int> linkCounts;
    for (const auto& r : links) linkCounts.insert(std::min(r[1].toInt(), 2));
    EXPECT_EQ(linkCounts, (std::set<int>{0, 1, 2}));

    for (const auto& r : QueryRows(d, "SELECT E.CDEMPRESA,"
                                      " (SELECT COUNT(*) FROM TIPOOPERBEM T WHERE T.CDEMPRESA = E.CDEMPRESA AND T.IDTIPOOPERBEM = '03'),"
                                      " (SELECT COUNT(*) FROM TIPOOPERBEM T WHERE T.CDEMPRESA = E.CDEMPRESA AND T.IDTIPOOPERBEM <> '03')"
                                      " FROM EMPRESA E")) {
        EXPECT_GE(r[1].toInt(), 2) << r[0].toString().toStdString();
        EXPECT_GE(r[2].toInt(), 1) << r[0].toString().toStdString();
    }
    EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM TIPOOPERBEM T WHERE NOT EXISTS (SELECT 1 FROM MOTIVOOPER M"
                       " WHERE M.CDEMPRESA = T.CDEMPRESA AND M.CDTIPOOPERBEM = T.CDTIPOOPERBEM)"), 0);

    for (const auto& r : QueryRows(d, "SELECT CDBEMATIVO, CDPATRIBEMATIVO FROM BEMATIVO")) {
        EXPECT_TRUE(IsCode(r[0].toString(), 10)) << r[0].toString().toStdString();
        EXPECT_TRUE(IsCode(r[1].toString(), int(r[1].toString().size()))) << r[1].toString().toStdString();
    }
    EXPECT_GE(Count(d, "SELECT COUNT(*) FROM BEMATIVO WHERE QTATUABEMATIVO = 0"), 1);
    EXPECT_GE(Count(d, "SELECT COUNT(*) FROM BEMATIVO WHERE DTULTDEPBEM IS NOT NULL"), 1);

    for (const auto& r : QueryRows(d, "SELECT NRINSJURCLIE, IDTPIJURCLIE FROM CLIENTE"))
        EXPECT_TRUE(IsCode(r[0].toString(), r[1].toString() == "F" ? 11 : 14)) << r[0].toString().toStdString();
    EXPECT_EQ(Count(d, "SELECT COUNT(DISTINCT IDTPIJURCLIE) FROM CLIENTE"), 2);
    for (const auto& r : QueryRows(d, "SELECT DESCRICAO FROM NOTAFISCAL"))
        EXPECT_LE(r[0].toString().size(), 15) << r[0].toString().toStdString();
    EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM FILIAL F WHERE NOT EXISTS (SELECT 1 FROM SERIENF S WHERE S.CDFILIAL = F.CDFILIAL)"), 0);
}

TEST_P(DemoData, SummaryCountsWhatWasWritten) {
    QSqlDatabase d = db();
    const std::pair<QString, int> expected[] = {
        {"EMPRESA", summary_.companies},          {"FILIAL", summary_.branches},
        {"CENTCUST", summary_.costCentres},       {"CENTCUSTFIL", summary_.costCentreBranches},
        {"OPERADOR", summary_.operators},         {"SETOR", summary_.sectors},
        {"TIPOOPERBEM", summary_.operationTypes}, {"MOTIVOOPER", summary_.motives},
        {"GRUPOBEM", summary_.assetGroups},       {"BEMATIVO", summary_.assets},
        {"HISTPADR", summary_.standardHistories}, {"CONTCTBL", summary_.accounts},
        {"TIPOCONTABEM", summary_.accountTypes},  {"CTBLBEMATIVO", summary_.assetAccounts},
        {"RATEIOBEM", summary_.assetApportionments}, {"CLIENTE", summary_.clients},
        {"SERIENF", summary_.invoiceSeries},      {"NOTAFISCAL", summary_.invoices},
        {"CAPAOPERABEM", summary_.transfers},     {"RATEIOITCAPA", summary_.transferApportionments},
        {"SEQUENCIA", summary_.sequences},
    };
    for (const auto& [table, count] : expected)
        EXPECT_EQ(Count(d, "SELECT COUNT(*) FROM " + table), count) << table.toStdString();
    EXPECT_EQ(summary_.assets, kAssets);
    EXPECT_EQ(summary_.companies, 3);
}

ERP_INSTANTIATE_ON_ENGINES(DemoData);

}  // namespace
