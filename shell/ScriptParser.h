#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace shell {

// One command line of a session script.
struct ScriptLine {
    int number = 0;     // 1-based line of the file
    QString text;       // as written, without its comment, trimmed
    QStringList args;   // command and arguments, quotes removed, ${TODAY} expanded
    QString error;      // why the line could not be read (an unclosed quote)
};

// Splits a line into its arguments: blanks separate them, double quotes keep blanks (and take
// \" \\ \n for a quote, a backslash and a line break), '#' outside quotes starts a comment.
// `commentAt` receives where the comment starts (the line's size when there is none).
QStringList SplitScriptLine(const QString& line, QString* error = nullptr, qsizetype* commentAt = nullptr);

// The command lines of a script, blank and comment-only lines left out. ${TODAY} becomes
// `today` as dd/mm/yyyy anywhere in a line.
QList<ScriptLine> ParseScript(const QString& content, const QDate& today);

}  // namespace shell
