#pragma once

#include <QString>
#include <QStringList>

#include <exception>
#include <initializer_list>

namespace orv {

class TDataSource;

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
// The code layout configured for a picture type (2: ledger account) as an edit mask such as
// "9.9.9.9.9999;0;_"; empty when the installation configured none. Read once from the MASCARA
// table of the shared connection (again only when the shared connection changes).
QString DBPict(int pictureType);

// Options of ValidEx, numbered as the host numbers them.
enum class TValidExOption { Obrigatorio = 0, SemMensagem = 1 };
class TValidExOptions {
public:
    TValidExOptions(std::initializer_list<TValidExOption> options = {}) {
        for (const TValidExOption o : options) bits_ |= 1u << static_cast<unsigned>(o);
    }
    bool Contains(TValidExOption o) const { return (bits_ & (1u << static_cast<unsigned>(o))) != 0; }

private:
    unsigned bits_ = 0;
};

// The host's check of a typed code against its table: the query behind the source, with every
// parameter set to the code, must find a row. With a layout configured for the picture type the
// code is first brought into its stored form: the characters typed, without the layout's
// literals, which are put back when the layout stores them ("12320001" -> "1.2.3.2.0001" for
// "9.9.9.9.9999;1;_"); `code` comes back in that form. An empty code passes unless Obrigatorio.
// A code not found is reported with `text` ("Código não cadastrado." when empty) through
// MensErro, which ends the operation when `abort`, unless SemMensagem. True when found.
bool ValidEx(TDataSource& source, int pictureType, QString& code, TValidExOptions options, const QString& text,
             bool abort);
// Index of the entry whose field name matches (case-insensitive), -1 when absent.
int IndiceCol(const QStringList& columnFields, const QString& fieldName);

}  // namespace orv
