#pragma once

#include <QString>
#include <QStringList>

#include <exception>

namespace orv {

// Ends the current operation quietly: thrown by MensErro after its message was shown. Event
// entry points catch it silently; a post whose before-post handler throws it is abandoned.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "operação interrompida"; }
};

[[noreturn]] void Abort();

// Shows the text through the host; with abort (the usual call) it then ends the operation.
void MensErro(const QString& text, bool abort = true);

// Trims blanks, then left-pads with zeros to the width: "1" -> "01" for a company. Empty stays
// empty; a longer code is left as it is.
QString Ajusta(const QString& code, int width);
// Blanks count as empty.
bool EmptyString(const QString& text);
QString AllTrim(const QString& text);
// Rounds half away from zero, immune to binary noise (33.333 * 3 -> 100.00).
double RoundDec(double value, int decimals);

// Edit mask of a registration number: "F" person, "J" company.
QString PictPess(const QString& personType);
// Edit mask of a picture type (2: ledger account).
QString DBPict(int pictureType);
// Index of the entry whose field name matches (case-insensitive), -1 when absent.
int IndiceCol(const QStringList& columnFields, const QString& fieldName);

}  // namespace orv
