#include "shell/ScriptParser.h"

namespace shell {

QStringList SplitScriptLine(const QString& line, QString* error, qsizetype* commentAt) {
    if (commentAt) *commentAt = line.size();
    QStringList args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            const QChar next = i + 1 < line.size() ? line[i + 1] : QChar();
            if (c == QLatin1Char('\\') && (next == QLatin1Char('"') || next == QLatin1Char('\\'))) {
                current += line[++i];
            } else if (c == QLatin1Char('\\') && next == QLatin1Char('n')) {
                current += QLatin1Char('\n');  // messages with line breaks
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
            continue;
        }
        if (c == QLatin1Char('#')) {
            if (commentAt) *commentAt = i;
            break;
        }
        if (c.isSpace()) {
            if (inArg) args << current;
            current.clear();
            inArg = false;
            continue;
        }
        inArg = true;
        if (c == QLatin1Char('"'))
            quoted = true;
        else
            current += c;
    }
    if (quoted && error) *error = QStringLiteral("aspas não fechadas");
    if (inArg) args << current;
    return args;
}

QList<ScriptLine> ParseScript(const QString& content, const QDate& today) {
    const QString todayText = today.toString(QStringLiteral("dd/MM/yyyy"));
    QList<ScriptLine> lines;
    const QStringList raw = content.split(QLatin1Char('\n'));
    for (int i = 0; i < raw.size(); ++i) {
        QString text = raw[i];
        if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
        ScriptLine line;
        line.number = i + 1;
        qsizetype commentAt = 0;
        SplitScriptLine(text, nullptr, &commentAt);
        line.text = text.left(commentAt).trimmed();
        text.replace(QStringLiteral("${TODAY}"), todayText);
        line.args = SplitScriptLine(text, &line.error);
        if (line.args.isEmpty() && line.error.isEmpty()) continue;
        lines << line;
    }
    return lines;
}

}  // namespace shell
