// erp-db: creates/updates the ERP schema and fills a demo database.
//   erp-db migrate --db URL
//   erp-db demo --db URL [--assets N] [--seed S]

#include "db/Demo.h"
#include "db/Migrations.h"
#include "orv/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QSqlDatabase>
#include <QStringList>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <unistd.h>

namespace {

const QString kUsage = QStringLiteral(
    "Uso:\n"
    "  erp-db migrate --db URL\n"
    "  erp-db demo --db URL [--assets N] [--seed S]\n"
    "URL: sqlite:CAMINHO ou postgresql://usuario@host:porta/banco\n");

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void BadUsage(const QString& message) { throw UsageError(message.toStdString()); }

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

// Accepts "--name value" and "--name=value"; only the options the command knows.
std::map<QString, QString> ParseOptions(const QStringList& args, const QStringList& known) {
    std::map<QString, QString> options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString name = args[i];
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals > 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            BadUsage(QStringLiteral("Falta o valor da opção %1.").arg(name));
        }
        if (!known.contains(name)) BadUsage(QStringLiteral("Opção desconhecida: %1.").arg(name));
        options[name] = value;
    }
    return options;
}

qint64 NumberOption(const std::map<QString, QString>& options, const QString& name, qint64 fallback, qint64 max) {
    const auto it = options.find(name);
    if (it == options.end()) return fallback;
    bool ok = false;
    const qint64 value = it->second.toLongLong(&ok);
    if (!ok || value < 0 || value > max)
        BadUsage(QStringLiteral("Valor inválido para %1: %2 (use um número de 0 a %3).").arg(name, it->second).arg(max));
    return value;
}

// Shows a demo's progress on standard error. On a terminal one line is rewritten in place (at
// most ten times a second); otherwise (a log, a pipe) a line at each stage and at each quarter
// of the rows, so a log stays short.
class ProgressReport {
public:
    ProgressReport() : terminal_(isatty(fileno(stderr)) != 0) { clock_.start(); }
    ~ProgressReport() {
        if (shown_ && terminal_) std::fputc('\n', stderr);
    }

    void operator()(const erpdb::DemoProgress& p) {
        const int percent = p.total > 0 ? int(p.done * 100 / p.total) : 0;
        const bool newStage = p.stage != stage_;
        stage_ = p.stage;
        if (terminal_) {
            if (!newStage && clock_.elapsed() - lastShown_ < 100) return;
            lastShown_ = clock_.elapsed();
            Print(stderr, QStringLiteral("\r\033[K") + Line(p, percent));
        } else {
            const int quarter = percent / 25;
            if (!newStage && quarter == quarter_) return;
            quarter_ = quarter;
            Print(stderr, Line(p, percent) + QLatin1Char('\n'));
        }
        shown_ = true;
        std::fflush(stderr);
    }

private:
    QString Line(const erpdb::DemoProgress& p, int percent) const {
        const QLocale br(QLocale::Portuguese, QLocale::Brazil);
        if (p.total == 0) return QStringLiteral("%1... (%2 s)").arg(p.stage).arg(clock_.elapsed() / 1000);
        return QStringLiteral("%1: %2% (%3 de %4 linhas, %5 s)")
            .arg(p.stage)
            .arg(percent)
            .arg(br.toString(p.done), br.toString(p.total))
            .arg(clock_.elapsed() / 1000);
    }

    bool terminal_;
    bool shown_ = false;
    QElapsedTimer clock_;
    qint64 lastShown_ = -1000;
    QString stage_;
    int quarter_ = -1;
};

int Run(const QStringList& args) {
    if (args.size() < 2 || args[1] == QStringLiteral("--help") || args[1] == QStringLiteral("-h")) {
        if (args.size() < 2) BadUsage(QStringLiteral("Informe o comando."));
        Print(stdout, kUsage);
        return 0;
    }
    const QString command = args[1];
    QStringList known{QStringLiteral("--db")};
    if (command == QStringLiteral("demo")) known << QStringLiteral("--assets") << QStringLiteral("--seed");
    else if (command != QStringLiteral("migrate")) BadUsage(QStringLiteral("Comando desconhecido: %1.").arg(command));

    const auto options = ParseOptions(args.mid(2), known);
    const auto db = options.find(QStringLiteral("--db"));
    if (db == options.end() || db->second.isEmpty()) BadUsage(QStringLiteral("Informe o banco de dados com --db URL."));

    erpdb::DemoOptions demo;
    demo.assets = int(NumberOption(options, QStringLiteral("--assets"), demo.assets, 5'000'000));
    demo.seed = quint32(NumberOption(options, QStringLiteral("--seed"), demo.seed, 0xFFFFFFFFll));

    const QString connection = QStringLiteral("erp-db");
    QString line;
    {
        QSqlDatabase database = orv::OpenDatabase(db->second, connection);
        if (command == QStringLiteral("migrate")) {
            const int before = erpdb::SchemaVersion(database);
            const int after = erpdb::Migrate(database);
            line = after == before
                       ? QStringLiteral("Banco de dados já está na versão %1.").arg(after)
                       : QStringLiteral("Banco de dados atualizado da versão %1 para a %2.").arg(before).arg(after);
        } else {
            ProgressReport report;
            demo.progress = [&report](const erpdb::DemoProgress& p) { report(p); };
            line = erpdb::GenerateDemo(database, demo).toString();
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
    Print(stdout, line + QLatin1Char('\n'));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // Qt SQL loads its drivers through the application
    try {
        return Run(app.arguments());
    } catch (const UsageError& e) {
        Print(stderr, QStringLiteral("erp-db: %1\n%2").arg(QString::fromUtf8(e.what()), kUsage));
        return 2;
    } catch (const std::exception& e) {
        Print(stderr, QStringLiteral("erp-db: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
