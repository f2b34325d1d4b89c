#pragma once

// Readable GoogleTest failure messages for Qt values (found by argument-dependent lookup,
// hence the global namespace).

#include <QString>
#include <QStringList>
#include <QVariant>

#include <ostream>

inline void PrintTo(const QString& value, std::ostream* os) { *os << '"' << value.toStdString() << '"'; }

inline void PrintTo(const QVariant& value, std::ostream* os) {
    if (value.isNull()) *os << "<null>";
    else *os << value.typeName() << ' ' << value.toString().toStdString();
}

inline void PrintTo(const QStringList& values, std::ostream* os) {
    *os << '[' << values.join(QStringLiteral(", ")).toStdString() << ']';
}
