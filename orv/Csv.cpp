#include "orv/Csv.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace orv {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

[[noreturn]] void Fail(const QString& path, const QString& why) {
    throw std::runtime_error(
        QStringLiteral("Não foi possível exportar para \"%1\": %2").arg(QDir::toNativeSeparators(path), why).toStdString());
}

}  // namespace

QString CsvField(const QString& text) {
    const bool quote = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quote) return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray CsvBytes(const QList<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0) text += QLatin1Char(';');
            text += CsvField(row[i]);
        }
        text += QLatin1String("\r\n");
    }
    return kBom + text.toUtf8();
}

QList<QStringList> ReadCsv(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes.startsWith(kBom) ? bytes.mid(kBom.size()) : bytes);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false;  // something of the current line was read
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(';')) {
            row << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            row << field;
            rows << row;
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any) {
        row << field;
        rows << row;
    }
    return rows;
}

void WriteCsvFile(const QString& path, const QList<QStringList>& rows) {
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    // Said plainly before trying: the save file's own errors do not tell these apart.
    if (!folder.exists()) Fail(path, QStringLiteral("a pasta %1 não existe.").arg(QDir::toNativeSeparators(folder.filePath())));
    if (target.isDir()) Fail(path, QStringLiteral("já existe uma pasta com esse nome."));
    if (!folder.isWritable()) Fail(path, QStringLiteral("sem permissão para gravar na pasta %1.").arg(QDir::toNativeSeparators(folder.filePath())));

    // The system's own texts are in English: the cause is told in the user's words.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        Fail(path, file.error() == QFileDevice::PermissionsError ? QStringLiteral("sem permissão para criar o arquivo.")
                                                                 : QStringLiteral("o arquivo não pôde ser criado."));
    const QByteArray bytes = CsvBytes(rows);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        Fail(path, QStringLiteral("falha ao gravar; o disco pode estar cheio."));
    }
    if (!file.commit())
        Fail(path, file.error() == QFileDevice::RenameError
                       ? QStringLiteral("o arquivo existente não pôde ser substituído.")
                       : QStringLiteral("falha ao gravar; o disco pode estar cheio."));
}

QString SafeFileName(const QString& name) {
    QString out;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing) continue;  // the accent of a decomposed letter
        if (c.unicode() < 0x20 || c == QChar(0x7F)) {
            out += QLatin1Char(' ');
        } else if (QStringLiteral("/\\:*?\"<>|").contains(c)) {
            out += QLatin1Char('-');
        } else {
            out += c;
        }
    }
    out = out.simplified();
    while (out.endsWith(QLatin1Char('.')) || out.endsWith(QLatin1Char(' '))) out.chop(1);
    while (out.startsWith(QLatin1Char('.'))) out.remove(0, 1);
    // Room for ".csv" and a folder within the usual 255-byte limit of a name.
    if (out.size() > 180) out = out.left(180).trimmed();
    return out.isEmpty() ? QStringLiteral("lista") : out;
}

}  // namespace orv
