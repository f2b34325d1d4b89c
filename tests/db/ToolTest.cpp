#include "db/Credentials.h"
#include "db/Demo.h"
#include "db/Migrations.h"
#include "tests/support/EngineTest.h"
#include "tests/support/Fixture.h"

#include <QProcess>
#include <QTemporaryDir>

using erptest::QueryValue;
using erptest::TestDatabase;

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// No time limit here: ctest's own timeout covers a hung tool.
Outcome RunTool(const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(ERP_DB_TOOL), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    Outcome outcome;
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

class ErpDbTool : public erptest::EngineTest {
protected:
    TestDatabase::Init initialSchema() const override { return TestDatabase::Init::Empty; }
};

TEST_P(ErpDbTool, MigratesThenFillsDemoOnceAndRefusesTheSecondTime) {
    const QString url = database().url();
    const Outcome migrate = RunTool({"migrate", "--db", url});
    ASSERT_EQ(migrate.exitCode, 0) << migrate.err.toStdString();
    QSqlDatabase d = db();
    EXPECT_EQ(erpdb::SchemaVersion(d), erpdb::LatestSchemaVersion());

    const Outcome demo = RunTool({"demo", "--db", url, "--assets", "50", "--seed", "5"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err.toStdString();
    EXPECT_EQ(demo.out.count('\n'), 1) << demo.out.toStdString();
    EXPECT_TRUE(demo.out.contains("50 bens")) << demo.out.toStdString();
    EXPECT_EQ(QueryValue(d, "SELECT COUNT(*) FROM BEMATIVO").toInt(), 50);
    const QString adminHash = QueryValue(d, "SELECT DSHASHSENHA FROM SENHAOPERADOR WHERE CDOPERADOR = '000000000001'").toString();
    EXPECT_TRUE(erpdb::VerifyPassword(adminHash.toStdString(), erpdb::kDemoPassword));
    // Not a terminal: its progress comes as a few plain lines, the last one at the commit.
    EXPECT_FALSE(demo.err.contains('\r')) << demo.err.toStdString();
    EXPECT_LE(demo.err.count('\n'), 10) << demo.err.toStdString();
    EXPECT_TRUE(demo.err.trimmed().section('\n', -1).startsWith(QString::fromUtf8("Confirmando a gravação: 100%")))
        << demo.err.toStdString();

    const Outcome again = RunTool({"demo", "--db=" + url, "--assets=50"});
    EXPECT_NE(again.exitCode, 0);
    EXPECT_TRUE(again.err.contains("empresas")) << again.err.toStdString();
    EXPECT_TRUE(again.out.isEmpty());
    EXPECT_EQ(QueryValue(d, "SELECT COUNT(*) FROM BEMATIVO").toInt(), 50);
}

TEST_P(ErpDbTool, PasswdTakesOneLineOfInputAndKeepsOnlyItsHash) {
    const QString url = database().url();
    ASSERT_EQ(RunTool({"migrate", "--db", url}).exitCode, 0);
    QSqlDatabase d = db();
    erptest::InsertRow(d, "OPERADOR", {{"CDOPERADOR", "000000000009"}, {"NMOPERADOR", "Inativo"}, {"IDOPERATIVO", "I"}});
    erptest::InsertRow(d, "SESSAOOPERADOR", {{"CDHASHSESSAO", QString(64, 'a')}, {"CDOPERADOR", "000000000009"},
                                             {"DTINICSESSAO", "2026-11-16T09:00:00"}, {"DTULTUSO", "2026-11-16T09:00:00"}});
    auto hash = [&] {
        return QueryValue(d, "SELECT DSHASHSENHA FROM SENHAOPERADOR WHERE CDOPERADOR = '000000000009'").toString();
    };

    // An inactive operator too; the line end is not part of the password; open sessions end.
    const Outcome set = RunTool({"passwd", "--db", url, "000000000009"}, "nova senha 1\r\n");
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    const QString first = hash();
    EXPECT_TRUE(first.startsWith("$argon2id$")) << first.toStdString();
    EXPECT_TRUE(erpdb::VerifyPassword(first.toStdString(), "nova senha 1"));
    EXPECT_FALSE(erpdb::VerifyPassword(first.toStdString(), "nova senha 1\r"));
    EXPECT_EQ(QueryValue(d, "SELECT COUNT(*) FROM SESSAOOPERADOR").toInt(), 0);

    const struct {
        QStringList args;
        QByteArray input;
        const char* expected;
    } refused[] = {
        {{"passwd", "--db", url, "000000000077"}, "nova senha 1\n", "não cadastrado"},
        {{"passwd", "--db", url, "000000000009"}, "curta\n", "pelo menos 8"},
        {{"passwd", "--db", url, "000000000009"}, "", "Nenhuma senha"},
    };
    for (const auto& c : refused) {
        const Outcome outcome = RunTool(c.args, c.input);
        EXPECT_NE(outcome.exitCode, 0) << c.args.join(' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(QString::fromUtf8(c.expected))) << outcome.err.toStdString();
    }
    EXPECT_EQ(hash(), first);
}

ERP_INSTANTIATE_ON_ENGINES(ErpDbTool);

TEST(ErpDbToolErrors, ReportInPortugueseWithNonZeroExit) {
    QTemporaryDir dir;
    const QString sqlite = "sqlite:" + dir.filePath("erp.db");
    const struct {
        QStringList args;
        const char* expected;
    } cases[] = {
        {{"migrate", "--db", "mysql://localhost/erp"}, "banco de dados"},
        {{"migrate", "--db", "postgresql://postgres@127.0.0.1:1/nada"}, "banco de dados"},
        {{"migrate"}, "--db"},
        {{"demo", "--db", sqlite, "--assets", "muitos"}, "inválido"},
        {{"migrate", "--db", sqlite, "--assets", "5"}, "desconhecida"},
        {{"exportar", "--db", sqlite}, "desconhecido"},
        {{}, "Uso:"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = RunTool(c.args);
        const std::string call = c.args.join(' ').toStdString();
        EXPECT_NE(outcome.exitCode, 0) << call;
        EXPECT_TRUE(outcome.err.startsWith("erp-db: ")) << call << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(QString::fromUtf8(c.expected))) << call << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << call;
    }
}

}  // namespace
