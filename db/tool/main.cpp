// erp-db: creates/updates the ERP schema, fills a demo database and sets operators' passwords.
//   erp-db migrate --db URL
//   erp-db demo --db URL [--assets N] [--seed S]
//   erp-db passwd --db URL OPERADOR

#include "db/Credentials.h"
#include "db/Demo.h"
#include "db/Migrations.h"
#include "orv/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QSqlDatabase>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace {

const QString kUsage = QStringLiteral(
    "Uso:\n"
    "  erp-db migrate --db URL\n"
    "  erp-db demo --db URL [--assets N] [--seed S]\n"
    "  erp-db passwd --db URL OPERADOR\n"
    "URL: sqlite:CAMINHO ou postgresql://usuario@host:porta/banco\n"
    "passwd define a senha do operador (ativo ou não) e encerra as sessões dele: lida do terminal\n"
    "sem eco, ou uma linha da entrada padrão quando ela não é um terminal; nunca da linha de comando.\n");

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void BadUsage(const QString& message) { throw UsageError(message.toStdString()); }

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

// Accepts "--name value" and "--name=value"; only the options the command knows. Arguments that
// are not options go to `positional` when the command takes them.
std::map<QString, QString> ParseOptions(const QStringList& args, const QStringList& known,
                                        QStringList* positional = nullptr) {
    std::map<QString, QString> options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString name = args[i];
        if (positional && !name.startsWith(QLatin1String("--"))) {
            *positional << name;
            continue;
        }
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

// The new password: typed on the terminal without echo, or the first line of standard input
// (its line end stripped) when a script or another program gives it.
QString ReadPassword(const QString& operador) {
    std::string line;
    if (isatty(STDIN_FILENO)) {
        Print(stderr, QStringLiteral("Nova senha do operador %1: ").arg(operador));
        std::fflush(stderr);
        termios saved{};
        const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
        if (quiet) {
            termios silent = saved;
            silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
        }
        const bool read = static_cast<bool>(std::getline(std::cin, line));
        if (quiet) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        Print(stderr, QStringLiteral("\n"));
        if (!read) throw std::runtime_error("Nenhuma senha foi digitada.");
    } else if (!std::getline(std::cin, line) && line.empty()) {
        throw std::runtime_error("Nenhuma senha recebida na entrada padrão.");
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QString::fromStdString(line);
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
    const bool passwd = command == QStringLiteral("passwd");
    if (command == QStringLiteral("demo")) known << QStringLiteral("--assets") << QStringLiteral("--seed");
    else if (command != QStringLiteral("migrate") && !passwd)
        BadUsage(QStringLiteral("Comando desconhecido: %1.").arg(command));

    QStringList positional;
    const auto options = ParseOptions(args.mid(2), known, passwd ? &positional : nullptr);
    if (passwd && positional.size() != 1) BadUsage(QStringLiteral("Informe um operador: erp-db passwd --db URL OPERADOR."));
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
        } else if (passwd) {
            erpdb::Migrate(database);
            const QString operador = positional.constFirst();
            erpdb::SetPassword(database, operador, ReadPassword(operador));
            line = QStringLiteral("Senha do operador %1 definida; as sessões abertas dele foram encerradas.").arg(operador);
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
