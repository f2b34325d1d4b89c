#include "orv/Format.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace orv {

void PinLocalTimeZone() {
    setenv("TZ", ":/etc/localtime", 0);
    tzset();
}

const QLocale& BrLocale() {
    static const QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    return locale;
}

QString FormatFloat(const QString& format, double value) {
    if (format.isEmpty()) return BrLocale().toString(value, 'g', 15);
    auto isNumeric = [](QChar c) { return c == '#' || c == '0' || c == ',' || c == '.'; };
    int begin = 0;
    while (begin < format.size() && !isNumeric(format[begin])) ++begin;
    int end = format.size();
    while (end > begin && !isNumeric(format[end - 1])) --end;
    const QString prefix = format.left(begin);
    const QString suffix = format.mid(end);
    const QString number = format.mid(begin, end - begin);

    const int point = number.indexOf(QLatin1Char('.'));
    const QString intPart = point < 0 ? number : number.left(point);
    const QString decPart = point < 0 ? QString() : number.mid(point + 1);
    const int maxDecimals = static_cast<int>(decPart.size());
    const int minDecimals = static_cast<int>(decPart.count(QLatin1Char('0')));
    const bool grouping = intPart.contains(QLatin1Char(','));

    QLocale locale = BrLocale();
    locale.setNumberOptions(grouping ? QLocale::NumberOptions() : QLocale::OmitGroupSeparator);
    QString text = locale.toString(value, 'f', maxDecimals);
    if (maxDecimals > minDecimals) {
        const QChar decimalPoint = locale.decimalPoint().at(0);
        int keep = static_cast<int>(text.size());
        int decimals = maxDecimals;
        while (decimals > minDecimals && text[keep - 1] == QLatin1Char('0')) {
            --keep;
            --decimals;
        }
        text.truncate(keep);
        if (decimals == 0 && text.endsWith(decimalPoint)) text.chop(1);
    }
    if (text == QLatin1String("-0") || text.startsWith(QLatin1String("-0,")) ) {
        bool allZero = true;
        for (QChar c : text.mid(1))
            if (c.isDigit() && c != QLatin1Char('0')) allZero = false;
        if (allZero) text = text.mid(1);
    }
    return prefix + text + suffix;
}

EditMask EditMask::Parse(const QString& mask) {
    EditMask m;
    // The two trailing fields are separated by ';' (an escaped "\;" belongs to the pattern).
    QStringList parts;
    QString current;
    for (int i = 0; i < mask.size(); ++i) {
        if (mask[i] == QLatin1Char('\\') && i + 1 < mask.size()) {
            current += mask[i];
            current += mask[++i];
        } else if (mask[i] == QLatin1Char(';') && parts.size() < 2) {
            parts << current;
            current.clear();
        } else {
            current += mask[i];
        }
    }
    parts << current;
    m.pattern = parts.value(0);
    if (parts.size() > 1) m.saveLiterals = parts[1].trimmed() != QLatin1String("0");
    if (parts.size() > 2 && !parts[2].isEmpty()) m.blank = parts[2].at(0);
    return m;
}

namespace {

bool IsControl(QChar c) { return c == '>' || c == '<' || c == '!'; }

}  // namespace

bool IsMaskInputChar(QChar c) {
    switch (c.unicode()) {
    case '0': case '9': case '#': case 'L': case 'l': case 'A': case 'a': case 'C': case 'c':
        return true;
    default:
        return false;
    }
}

bool IsMaskDigitChar(QChar maskChar) { return maskChar == '0' || maskChar == '9' || maskChar == '#'; }

int EditMask::Length() const {
    int n = 0;
    for (int i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == QLatin1Char('\\')) { ++i; ++n; continue; }
        if (IsControl(pattern[i])) continue;
        ++n;
    }
    return n;
}

QString FormatMaskText(const QString& mask, const QString& value) {
    const EditMask m = EditMask::Parse(mask);
    QString out;
    int v = 0;
    int caseMode = 0;  // 1 upper, -1 lower
    for (int i = 0; i < m.pattern.size() && v < value.size(); ++i) {
        QChar c = m.pattern[i];
        if (c == QLatin1Char('>')) {
            if (i + 1 < m.pattern.size() && m.pattern[i + 1] == QLatin1Char('<')) { caseMode = 0; ++i; }
            else caseMode = 1;
            continue;
        }
        if (c == QLatin1Char('<')) { caseMode = -1; continue; }
        if (c == QLatin1Char('!')) continue;
        if (c == QLatin1Char('\\') && i + 1 < m.pattern.size()) {
            const QChar lit = m.pattern[++i];
            if (value[v] == lit) ++v;
            out += lit;
            continue;
        }
        if (IsMaskInputChar(c)) {
            QChar ch = value[v++];
            if (caseMode > 0) ch = ch.toUpper();
            if (caseMode < 0) ch = ch.toLower();
            out += ch;
        } else {
            if (value[v] == c) ++v;  // the value already carries this literal
            out += c;
        }
    }
    return out;
}

QString StripMaskLiterals(const QString& mask, const QString& text) {
    const EditMask m = EditMask::Parse(mask);
    QString out;
    int t = 0;
    for (int i = 0; i < m.pattern.size() && t < text.size(); ++i) {
        const QChar c = m.pattern[i];
        if (IsControl(c)) continue;
        if (c == QLatin1Char('\\') && i + 1 < m.pattern.size()) { ++i; ++t; continue; }
        if (IsMaskInputChar(c)) {
            if (text[t] != m.blank) out += text[t];
        }
        ++t;
    }
    return out;
}

}  // namespace orv
