#pragma once

#include <QLocale>
#include <QString>

namespace orv {

// Without TZ the C library reads /etc/localtime again on every local-time conversion, which
// every date of every packet needs; a program calls this once at start.
void PinLocalTimeZone();

// The locale the screens format numbers and dates with (Brazilian separators).
const QLocale& BrLocale();

// Formats a number with a display format such as "#,##0.00", "#,##0.00%" or "0": '#'/'0'
// digits, ',' thousands grouping, '.' decimal point; other characters are literals ('%' does
// not scale). An empty format gives the shortest exact text.
QString FormatFloat(const QString& format, double value);

// Mask "PATTERN;SAVELITERALS;BLANK" as in "99;0; " or "999.999.999-99".
struct EditMask {
    QString pattern;
    bool saveLiterals = true;
    QChar blank = QLatin1Char('_');
    static EditMask Parse(const QString& mask);
    // Number of characters the pattern accepts or shows.
    int Length() const;
};

bool IsMaskDigitChar(QChar maskChar);
// A pattern character that takes a typed character (0 9 # L l A a C c); the rest are literals.
bool IsMaskInputChar(QChar maskChar);
// Inserts the mask's literal characters between the characters of a raw value:
// FormatMaskText("999.999.999-99", "12345678901") -> "123.456.789-01". A value that already
// carries the literals is returned as it is.
QString FormatMaskText(const QString& mask, const QString& value);
// Removes the literals a formatted text carries (what is stored when literals are not saved).
QString StripMaskLiterals(const QString& mask, const QString& text);

}  // namespace orv
