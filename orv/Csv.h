#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace orv {

// Lists exported for a spreadsheet: ';' between fields (a Brazilian spreadsheet takes ',' as the
// decimal comma), CRLF between lines, UTF-8 with a byte-order mark so the accents open intact.
// A field holding ';', '"', CR or LF is quoted, its quotes doubled.
QString CsvField(const QString& text);
QByteArray CsvBytes(const QList<QStringList>& rows);

// Reads such bytes back into rows (BOM optional); the reverse of CsvBytes.
QList<QStringList> ReadCsv(const QByteArray& bytes);

// Writes the rows to a temporary file beside `path` and renames it over `path` only once it is
// whole, so a failure never leaves half a file nor spoils an older one. Throws
// std::runtime_error with a Portuguese message saying what went wrong.
void WriteCsvFile(const QString& path, const QList<QStringList>& rows);

// A file name any disk takes: accents folded to plain letters, no path separators, reserved or
// control characters, blanks collapsed, no trailing dots. "lista" when nothing is left.
QString SafeFileName(const QString& name);

}  // namespace orv
