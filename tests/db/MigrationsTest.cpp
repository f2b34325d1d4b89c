#include "Schema.h"

#include "db/Migrations.h"
#include "db/MigrationsDetail.h"
#include "tests/support/EngineTest.h"
#include "tests/support/Fixture.h"

#include <QSqlQuery>

#include <algorithm>

using erptest::InsertRow;
using erptest::QueryRows;
using erptest::QueryValue;
using erptest::TestDatabase;

namespace {

QStringList SortedTables(const QSqlDatabase& db) {
    QStringList tables;
    for (const QString& t : db.tables(QSql::Tables)) tables << t.toUpper();
    tables.sort();
    return tables;
}

bool Inserts(QSqlDatabase db, const QString& table, const QVariantMap& values) {
    try {
        InsertRow(db, table, values);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

class FreshDatabase : public erptest::EngineTest {
protected:
    TestDatabase::Init initialSchema() const override { return TestDatabase::Init::Empty; }
};

TEST_P(FreshDatabase, MigratesToTheLatestVersionAndASecondRunChangesNothing) {
    QSqlDatabase d = db();
    EXPECT_EQ(erpdb::SchemaVersion(d), 0);

    const int latest = erpdb::LatestSchemaVersion();
    ASSERT_GE(latest, 1);
    EXPECT_EQ(erpdb::Migrate(d), latest);
    EXPECT_EQ(erpdb::SchemaVersion(d), latest);

    const QStringList tables = SortedTables(d);
    const QString history = QStringLiteral("SELECT VERSAO, NMMIGRACAO, DTAPLICACAO FROM SCHEMA_VERSION ORDER BY VERSAO");
    const auto applied = QueryRows(d, history);
    EXPECT_EQ(applied.size(), latest);

    EXPECT_EQ(erpdb::Migrate(d), latest);
    EXPECT_EQ(SortedTables(d), tables);
    EXPECT_EQ(QueryRows(d, history), applied);
}

TEST_P(FreshDatabase, FailedMigrationIsRolledBackAndCanBeRetried) {
    QSqlDatabase d = db();
    std::vector<erpdb::detail::Migration> migrations = {
        {1, "0001_um", "CREATE TABLE T_UM (X INTEGER);"},
        {2, "0002_dois", "CREATE TABLE T_DOIS (X INTEGER);\nINSERT INTO T_NAO_EXISTE VALUES (1);"},
    };
    try {
        erpdb::detail::Apply(d, migrations);
        FAIL() << "a migração com erro deveria falhar";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf(QStringLiteral("0002_dois")), -1) << e.what();
    }
    EXPECT_EQ(erpdb::SchemaVersion(d), 1);
    const QStringList tables = SortedTables(d);
    EXPECT_TRUE(tables.contains(QStringLiteral("T_UM")));
    EXPECT_FALSE(tables.contains(QStringLiteral("T_DOIS"))) << "a migração que falhou deixou a tabela criada";

    migrations[1].sql = QStringLiteral("CREATE TABLE T_DOIS (X INTEGER);");
    EXPECT_EQ(erpdb::detail::Apply(d, migrations), 2);
    EXPECT_TRUE(SortedTables(d).contains(QStringLiteral("T_DOIS")));
}

TEST_P(FreshDatabase, RefusesADatabaseNewerThanTheProgram) {
    QSqlDatabase d = db();
    erpdb::Migrate(d);
    auto older = erpdb::detail::EmbeddedMigrations();
    older.pop_back();
    EXPECT_THROW(erpdb::detail::Apply(d, older), std::runtime_error);
    EXPECT_EQ(erpdb::SchemaVersion(d), erpdb::LatestSchemaVersion());
}

ERP_INSTANTIATE_ON_ENGINES(FreshDatabase);

class MigratedSchema : public erptest::EngineTest {};

TEST_P(MigratedSchema, EveryTableHasTheColumnsTheClientUses) {
    for (const auto& [table, expected] : dbtest::ExpectedTables()) {
        const QStringList columns = dbtest::ColumnsOf(db(), table);
        ASSERT_FALSE(columns.isEmpty()) << "tabela ausente: " << table.toStdString();
        for (const QString& column : expected)
            EXPECT_TRUE(columns.contains(column)) << table.toStdString() << "." << column.toStdString();
    }
}

// Only keys are mandatory, so the screens and the server can insert minimal rows.
TEST_P(MigratedSchema, RowsWithOnlyTheirKeysAreAccepted) {
    const QString company = "01", header = "0000000001", item = "0000000001", asset = "0000000001";
    const std::vector<std::pair<QString, QVariantMap>> rows = {
        {"EMPRESA", {{"CDEMPRESA", company}}},
        {"FILIAL", {{"CDFILIAL", "0001"}}},
        {"CENTCUST", {{"CDCENTCUST", "0001"}}},
        {"CENTCUSTFIL", {{"CDCENTCUST", "0001"}, {"CDFILIAL", "0001"}}},
        {"OPERADOR", {{"CDOPERADOR", "000000000001"}}},
        {"SETOR", {{"CDSETOR", "0001"}}},
        {"TIPOOPERBEM", {{"CDEMPRESA", company}, {"CDTIPOOPERBEM", "000001"}}},
        {"MOTIVOOPER", {{"CDEMPRESA", company}, {"CDTIPOOPERBEM", "000001"}, {"CDMOTIVOOPER", "000001"}}},
        {"GRUPOBEM", {{"CDEMPRESA", company}, {"CDGRUPOBEM", "000001"}}},
        {"BEMATIVO", {{"CDBEMATIVO", asset}}},
        {"HISTPADR", {{"CDHISTPADR", "0001"}}},
        {"CONTCTBL", {{"CDCONTCTBL", "12320001"}}},
        {"CLIENTE", {{"CDCLIENTE", "000001"}}},
        {"SERIENF", {{"CDFILIAL", "0001"}, {"CDSERIE", "1"}}},
        {"NOTAFISCAL", {{"NRLANCTONF", "0000000001"}}},
        {"TIPOCONTABEM", {{"CDEMPRESA", company}, {"CDTIPOCONTABEM", "000001"}}},
        {"CTBLBEMATIVO", {{"CDEMPRESA", company}, {"CDBEMATIVO", asset}, {"CDTIPOCONTABEM", "000001"}}},
        {"RATEIOBEM", {{"CDEMPRESA", company}, {"CDBEMATIVO", asset}, {"CDFILICCUST", "00010001"}, {"CDCENTCUSBEM", "0001"}}},
        {"CAPAOPERABEM", {{"CDEMPRESA", company}, {"NRSEQCAPAOPEBEM", header}}},
        {"ITCAPAOPERABEM", {{"CDEMPRESA", company}, {"NRSEQCAPAOPEBEM", header}, {"NRSEQITCAPAOPE", item}}},
        {"RATEIOITCAPA",
         {{"CDEMPRESA", company}, {"IDSIMULOPERABEM", "R"}, {"NRSEQCAPAOPEBEM", header}, {"NRSEQITCAPAOPE", item},
          {"CDBEMATIVO", asset}, {"CDFILICCUST", "00010001"}, {"CDCENTCUSBEM", "0001"}}},
        {"SEQUENCIA", {{"CDEMPRESA", company}, {"IDSIMULOPERABEM", "R"}, {"NMSEQUENCIA", "OPERABEM"}}},
        {"MASCARA", {{"CDTIPOMASCARA", 2}}},
    };
    ASSERT_EQ(rows.size(), dbtest::ExpectedTables().size());
    for (const auto& [table, values] : rows) {
        EXPECT_NO_THROW(InsertRow(db(), table, values)) << table.toStdString();
        EXPECT_EQ(QueryValue(db(), "SELECT COUNT(*) FROM " + table).toInt(), 1) << table.toStdString();
    }
    EXPECT_EQ(QueryValue(db(), "SELECT NRULTIMO FROM SEQUENCIA").toInt(), 0);
    EXPECT_EQ(QueryValue(db(), "SELECT IDOPERATIVO FROM OPERADOR").toString(), "A");
}

TEST_P(MigratedSchema, KeysAndReferencesAreEnforcedButLocationsAreFree) {
    QSqlDatabase d = db();
    InsertRow(d, "EMPRESA", {{"CDEMPRESA", "01"}});
    InsertRow(d, "EMPRESA", {{"CDEMPRESA", "02"}});
    EXPECT_FALSE(Inserts(d, "EMPRESA", {{"CDEMPRESA", "01"}}));

    // The patrimony tag is unique within a company only.
    EXPECT_TRUE(Inserts(d, "BEMATIVO", {{"CDBEMATIVO", "0000000001"}, {"CDEMPRESA", "01"}, {"CDPATRIBEMATIVO", "100001"}}));
    EXPECT_FALSE(Inserts(d, "BEMATIVO", {{"CDBEMATIVO", "0000000002"}, {"CDEMPRESA", "01"}, {"CDPATRIBEMATIVO", "100001"}}));
    EXPECT_TRUE(Inserts(d, "BEMATIVO", {{"CDBEMATIVO", "0000000003"}, {"CDEMPRESA", "02"}, {"CDPATRIBEMATIVO", "100001"}}));

    EXPECT_FALSE(Inserts(d, "FILIAL", {{"CDFILIAL", "0001"}, {"CDEMPRESA", "99"}}));
    EXPECT_FALSE(Inserts(d, "ITCAPAOPERABEM",
                         {{"CDEMPRESA", "01"}, {"NRSEQCAPAOPEBEM", "0000000099"}, {"NRSEQITCAPAOPE", "0000000001"}}));
    EXPECT_FALSE(Inserts(d, "CAPAOPERABEM",
                         {{"CDEMPRESA", "01"}, {"NRSEQCAPAOPEBEM", "0000000001"}, {"CDTIPOOPERBEM", "999999"}}));

    // Locations of assets and items may name branches, cost centres and sectors that are gone.
    EXPECT_TRUE(Inserts(d, "BEMATIVO",
                        {{"CDBEMATIVO", "0000000004"}, {"CDFILIAL", "ZZZZ"}, {"CDCENTCUST", "ZZZZ"}, {"CDSETOR", "ZZZZ"},
                         {"CDOPERESPBEM", "999999999999"}}));
    InsertRow(d, "CAPAOPERABEM", {{"CDEMPRESA", "01"}, {"NRSEQCAPAOPEBEM", "0000000001"}});
    EXPECT_TRUE(Inserts(d, "ITCAPAOPERABEM",
                        {{"CDEMPRESA", "01"}, {"NRSEQCAPAOPEBEM", "0000000001"}, {"NRSEQITCAPAOPE", "0000000001"},
                         {"CDBEMATIVO", "0000000004"}, {"CDFILIALITCANTE", "ZZZZ"}, {"CDFILIALITCNOVO", "YYYY"}}));
}

TEST_P(MigratedSchema, DatesAndNumbersRoundTrip) {
    QSqlDatabase d = db();
    InsertRow(d, "EMPRESA", {{"CDEMPRESA", "01"}});
    InsertRow(d, "BEMATIVO", {{"CDBEMATIVO", "0000000001"}, {"DTULTDEPBEM", "2026-10-31"}, {"VRAQUIBEMATIVO", 1234.56}});
    InsertRow(d, "CAPAOPERABEM", {{"CDEMPRESA", "01"}, {"NRSEQCAPAOPEBEM", "0000000001"},
                                  {"DTCAPAOPEBEM", "2026-10-31"}, {"DTINCCAPAOPER", "2026-10-31T14:05:00"}});
    const auto asset = QueryRows(d, "SELECT DTULTDEPBEM, VRAQUIBEMATIVO FROM BEMATIVO").value(0);
    EXPECT_EQ(erptest::Canonical(asset.value(0)), "2026-10-31");
    EXPECT_DOUBLE_EQ(asset.value(1).toDouble(), 1234.56);
    const auto header = QueryRows(d, "SELECT DTCAPAOPEBEM, DTINCCAPAOPER FROM CAPAOPERABEM").value(0);
    EXPECT_EQ(erptest::Canonical(header.value(0)), "2026-10-31");
    EXPECT_EQ(erptest::Canonical(header.value(1)), "2026-10-31T14:05:00");
    // Dates compare chronologically on both engines (ISO text on SQLite).
    EXPECT_EQ(QueryValue(d, "SELECT COUNT(*) FROM CAPAOPERABEM WHERE DTCAPAOPEBEM < ?", {"2026-11-01"}).toInt(), 1);
}

ERP_INSTANTIATE_ON_ENGINES(MigratedSchema);

TEST(MigrationScripts, SplitAtSemicolonsOutsideQuotesAndComments) {
    const auto statements = erpdb::detail::SplitStatements(
        "-- comentário; com ponto e vírgula\n"
        "CREATE TABLE A (X VARCHAR(3) DEFAULT ';'); /* bloco; */\n"
        "INSERT INTO A VALUES ('it''s;');\n"
        "  ;\n"
        "SELECT 1");
    ASSERT_EQ(statements.size(), 3);
    EXPECT_EQ(statements[0], "CREATE TABLE A (X VARCHAR(3) DEFAULT ';')");
    EXPECT_EQ(statements[1], "INSERT INTO A VALUES ('it''s;')");
    EXPECT_EQ(statements[2], "SELECT 1");
}

TEST(MigrationScripts, SqliteGetsItsTypeNamesAndNothingElseChanges) {
    const QString sql = "CREATE TABLE T (DTULTDEPBEM DATE, DTINC TIMESTAMP DEFAULT CURRENT_TIMESTAMP, V DOUBLE PRECISION)";
    EXPECT_EQ(erpdb::detail::ForEngine(sql, false),
              "CREATE TABLE T (DTULTDEPBEM TEXT, DTINC TEXT DEFAULT CURRENT_TIMESTAMP, V REAL)");
    EXPECT_EQ(erpdb::detail::ForEngine(sql, true), sql);
}

}  // namespace
