// The zmt02600-server executable as operations run it: a child process on a throwaway
// database, stopped by SIGTERM.

#include "tests/support/EngineTest.h"
#include "tests/support/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <httplib.h>

#include <gtest/gtest.h>

namespace srvtest {
namespace {

class ServerExecutable : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "postgresql" && !erptest::PostgresAvailable())
            GTEST_SKIP() << "PostgreSQL não configurado: defina ERP_TEST_PG_URL.";
        database_.emplace(erptest::TestDatabase::ForEngine(QString::fromStdString(GetParam())));
        ASSERT_TRUE(dir_.isValid());
    }

    QString WriteTokenFile(const QByteArray& contents) {
        const QString path = dir_.filePath(QStringLiteral("token"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("token file");
        f.write(contents);
        return path;
    }

    // The child sees none of the ERP_* variables of whoever runs the tests.
    void Prepare(QProcess& p, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& key : env.keys())
            if (key.startsWith(QLatin1String("ERP_"))) env.remove(key);
        p.setProcessEnvironment(env);
        p.setProgram(QStringLiteral(ZMT02600_SERVER_EXE));
        p.setArguments(args);
    }

    std::optional<erptest::TestDatabase> database_;
    QTemporaryDir dir_;
};

TEST_P(ServerExecutable, ServesUntilSigtermThenExitsCleanly) {
    const std::string token = "segredo-do-teste-0f3a9c";
    QProcess p;
    Prepare(p, {QStringLiteral("--db"), database_->url(), QStringLiteral("--port"), QStringLiteral("0"),
                QStringLiteral("--token-file"), WriteTokenFile(QByteArray::fromStdString(token) + "\n"),
                QStringLiteral("--threads"), QStringLiteral("2")});
    p.start();
    ASSERT_TRUE(p.waitForStarted()) << p.errorString().toStdString();

    // Readiness is the first line on standard output.
    while (!p.canReadLine() && p.state() == QProcess::Running) p.waitForReadyRead(-1);
    const QString line = QString::fromUtf8(p.readLine()).trimmed();
    const auto match = QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$")).match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString() << "\n" << p.readAllStandardError().toStdString();
    const int port = match.captured(1).toInt();
    ASSERT_GT(port, 0);

    {
        httplib::Client client("127.0.0.1", port);
        client.set_tcp_nodelay(true);
        auto health = client.Get("/health");
        ASSERT_TRUE(health) << httplib::to_string(health.error());
        EXPECT_EQ(health->status, 200);
        EXPECT_EQ(health->body, "ok\n");
        // The token file's trailing newline is not part of the token.
        const std::string ping = R"({"jsonrpc":"2.0","id":1,"method":"rpc.ping","params":[]})";
        auto ok = client.Post("/rpc/Zmt02600.rdmTransFisica", {{"Authorization", "Bearer " + token}}, ping, "application/json");
        ASSERT_TRUE(ok);
        EXPECT_EQ(ok->status, 200);
        auto refused = client.Post("/rpc/Zmt02600.rdmTransFisica", {{"Authorization", "Bearer x"}}, ping, "application/json");
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 401);
        // A method name that tries to write a line of its own into the log.
        const std::string forged = R"({"jsonrpc":"2.0","id":2,"method":"Nada\nlinha forjada","params":[]})";
        ASSERT_TRUE(client.Post("/rpc/Zmt02600.rdmTransFisica", {{"Authorization", "Bearer " + token}}, forged,
                                "application/json"));
    }

    p.terminate();  // SIGTERM
    ASSERT_TRUE(p.waitForFinished(-1));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const QString log = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(log.contains(QLatin1String("encerrando"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QLatin1String("127.0.0.1 rpc rpc.ping"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QLatin1String("rpc Nada\\x0alinha forjada"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QLatin1String("\nlinha forjada"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QString::fromStdString(token))) << "the log shows the token";
}

TEST_P(ServerExecutable, RefusesToStartWithoutAUsableTokenOrOnTheNetworkInTheClear) {
    struct Case {
        const char* why;
        QStringList args;
        QString message;
    };
    const QString db = database_->url();
    const QString empty = WriteTokenFile("  \n");
    const std::vector<Case> cases = {
        {"beyond the machine without TLS", {"--db", db, "--listen", "0.0.0.0", "--port", "0"}, QString::fromUtf8("sem TLS")},
        {"empty token file", {"--db", db, "--port", "0", "--token-file", empty}, QString::fromUtf8("o arquivo de token está vazio.")},
        {"missing token file",
         {"--db", db, "--port", "0", "--token-file", dir_.filePath(QStringLiteral("nao-existe"))},
         QString::fromUtf8("não foi possível ler o arquivo de token")},
        {"unknown option", {"--porta", "0"}, QString::fromUtf8("opção desconhecida: --porta")},
        {"malformed port", {"--port", "80a"}, QString::fromUtf8("valor inválido para --port: '80a'")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        QProcess p;
        Prepare(p, c.args);
        p.start();
        ASSERT_TRUE(p.waitForStarted()) << p.errorString().toStdString();
        ASSERT_TRUE(p.waitForFinished(-1));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(p.exitCode(), 0);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_TRUE(err.contains(c.message)) << err.toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());  // never claimed to listen
    }
}

// A port another program holds is refused, not shared: a second server there would take half
// of the calls meant for the first.
TEST_P(ServerExecutable, RefusesAPortAlreadyTaken) {
    httplib::Server other;  // httplib's defaults, SO_REUSEPORT included
    const int port = other.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    QProcess p;
    Prepare(p, {QStringLiteral("--db"), database_->url(), QStringLiteral("--port"), QString::number(port),
                QStringLiteral("--token-file"), WriteTokenFile("segredo-do-teste-0f3a9c\n")});
    p.start();
    ASSERT_TRUE(p.waitForFinished(-1));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QString::fromUtf8("não foi possível escutar")));
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
}

ERP_INSTANTIATE_ON_ENGINES(ServerExecutable);

}  // namespace
}  // namespace srvtest
