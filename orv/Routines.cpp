#include "orv/Routines.h"

#include "orv/Database.h"
#include "orv/Format.h"
#include "orv/Host.h"
#include "orv/Query.h"

#include <QSqlQuery>

#include <cmath>
#include <map>

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

namespace {

struct Layouts {
    QString connection;
    bool read = false;
    std::map<int, QString> masks;
};

// A database without the table has no layouts.
std::map<int, QString> ReadLayouts(const QSqlDatabase& db) {
    std::map<int, QString> masks;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT CDTIPOMASCARA, DSMASCARA FROM MASCARA"))) return masks;
    while (q.next()) masks[q.value(0).toInt()] = q.value(1).toString().trimmed();
    return masks;
}

}  // namespace

QString DBPict(int pictureType) {
    static Layouts layouts;
    const QString connection = SharedConnectionName();
    if (!layouts.read || layouts.connection != connection) {
        const QSqlDatabase db = SharedConnection();
        if (!db.isValid() || !db.isOpen()) return QString();  // read once there is a connection
        layouts = {connection, true, ReadLayouts(db)};
    }
    const auto it = layouts.masks.find(pictureType);
    return it == layouts.masks.end() ? QString() : it->second;
}

namespace {

// The code as the table keeps it under the layout: what was typed, less the layout's literals,
// which come back only when the layout stores them.
QString IntoLayout(const QString& layout, const QString& code) {
    const EditMask mask = EditMask::Parse(layout);
    QString literals;
    for (qsizetype i = 0; i < mask.pattern.size(); ++i) {
        const QChar c = mask.pattern[i];
        if (c == QLatin1Char('\\') && i + 1 < mask.pattern.size())
            literals += mask.pattern[++i];
        else if (!IsMaskInputChar(c) && c != QLatin1Char('>') && c != QLatin1Char('<') && c != QLatin1Char('!'))
            literals += c;
    }
    QString typed;
    for (const QChar c : code)
        if (!literals.contains(c)) typed += c;
    return mask.saveLiterals ? FormatMaskText(layout, typed) : typed;
}

}  // namespace

bool ValidEx(TDataSource& source, int pictureType, QString& code, TValidExOptions options, const QString& text,
             bool abort) {
    auto* query = dynamic_cast<TADOIBQuery*>(source.DataSet());
    if (!query)
        throw EDatabaseError(QStringLiteral("%1: a validação precisa de uma consulta.").arg(source.Name()).toStdString());
    code = code.trimmed();
    const QString layout = DBPict(pictureType);
    if (!layout.isEmpty()) code = IntoLayout(layout, code);
    bool found = false;
    if (code.isEmpty()) {
        found = !options.Contains(TValidExOption::Obrigatorio);
    } else {
        query->Close();
        for (const QString& name : query->SQLParamNames()) query->ParamByName(name).SetAsString(code);
        query->Open();
        found = !query->IsEmpty();
    }
    if (!found && !options.Contains(TValidExOption::SemMensagem))
        MensErro(text.isEmpty() ? QStringLiteral("Código não cadastrado.") : text, abort);
    return found;
}

int IndiceCol(const QStringList& columnFields, const QString& fieldName) {
    for (int i = 0; i < columnFields.size(); ++i)
        if (columnFields[i].compare(fieldName, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

}  // namespace orv
