#include "orv/Routines.h"

#include "orv/Host.h"

#include <cmath>

namespace orv {

void Abort() { throw EAbort(); }

void MensErro(const QString& text, bool abort) {
    Host().ShowMessage(text);
    if (abort) Abort();
}

QString Ajusta(const QString& code, int width) {
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty()) return QString(QLatin1String(""));
    if (trimmed.size() >= width) return trimmed;
    return QString(width - trimmed.size(), QLatin1Char('0')) + trimmed;
}

bool EmptyString(const QString& text) { return text.trimmed().isEmpty(); }

QString AllTrim(const QString& text) { return text.trimmed(); }

double RoundDec(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    // Re-read the value at 15 significant digits first: that drops the binary noise of sums and
    // products (33.333 * 3 = 99.99900000000001) before the decimal rounding.
    const double clean = std::stod(QString::number(value, 'g', 15).toStdString());
    const long double scale = std::pow(10.0L, decimals);
    const long double x = static_cast<long double>(clean) * scale;
    const long double whole = std::trunc(x);
    const long double frac = std::fabs(x - whole);
    long double rounded;
    if (std::fabs(frac - 0.5L) < 1e-7L)
        rounded = whole + (x < 0 ? -1 : 1);  // a tie: half away from zero
    else
        rounded = std::round(x);
    const double result = static_cast<double>(rounded / scale);
    return result == 0.0 ? 0.0 : result;  // no "-0"
}

QString PictPess(const QString& personType) {
    const QString t = personType.trimmed().toUpper();
    if (t == QLatin1String("F")) return QStringLiteral("999.999.999-99");
    if (t == QLatin1String("J")) return QStringLiteral("99.999.999/9999-99");
    return QString();
}

QString DBPict(int pictureType) {
    switch (pictureType) {
    case 2: return QStringLiteral("9.9.9.99.9999;0;_");  // ledger account
    default: return QString();
    }
}

int IndiceCol(const QStringList& columnFields, const QString& fieldName) {
    for (int i = 0; i < columnFields.size(); ++i)
        if (columnFields[i].compare(fieldName, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

}  // namespace orv
