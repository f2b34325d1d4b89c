#include "orv/Field.h"

#include "orv/DataSet.h"
#include "orv/Format.h"
#include "orv/Packet.h"

namespace orv {

QString FieldTypeName(FieldType type) {
    switch (type) {
    case FieldType::String: return QStringLiteral("string");
    case FieldType::Float: return QStringLiteral("float");
    case FieldType::DateTime: return QStringLiteral("date");
    }
    return QStringLiteral("string");
}

FieldType FieldTypeFromName(const QString& name) {
    if (name == QLatin1String("string")) return FieldType::String;
    if (name == QLatin1String("float")) return FieldType::Float;
    if (name == QLatin1String("date")) return FieldType::DateTime;
    throw std::invalid_argument("unknown field type: " + name.toStdString());
}

TField::TField(TDataSet& owner, int index, FieldDef def) : owner_(owner), index_(index), def_(std::move(def)) {}

int TField::DisplayWidth() const {
    if (def_.displayWidth > 0) return def_.displayWidth;
    switch (def_.type) {
    case FieldType::String: return Size();
    case FieldType::Float: return 10;
    case FieldType::DateTime: return 10;
    }
    return 10;
}

QVariant TField::Value() const { return owner_.FieldValue(index_); }
void TField::SetValue(const QVariant& value) { owner_.SetFieldValue(index_, Coerce(value)); }
bool TField::IsNull() const { return !Value().isValid(); }
QVariant TField::OldValue() const { return owner_.FieldOldValue(index_); }

QString TField::AsString() const {
    const QVariant v = Value();
    if (!v.isValid()) return QString();
    switch (def_.type) {
    case FieldType::String: return v.toString();
    case FieldType::Float: return QString::number(v.toDouble(), 'g', 17);
    case FieldType::DateTime: return DateTimeToWire(v.toDateTime());
    }
    return v.toString();
}

void TField::SetAsString(const QString& value) { SetValue(value); }
double TField::AsFloat() const { return Value().toDouble(); }
void TField::SetAsFloat(double value) { SetValue(value); }
QDateTime TField::AsDateTime() const { return Value().toDateTime(); }
void TField::SetAsDateTime(const QDateTime& value) { SetValue(value.isValid() ? QVariant(value) : QVariant()); }

QVariant TField::Coerce(const QVariant& value) const {
    if (!value.isValid() || value.isNull()) {
        // A null QString still means "empty text" for a string field.
        if (value.isValid() && def_.type == FieldType::String && value.typeId() == QMetaType::QString)
            return QString(QLatin1String(""));
        return QVariant();
    }
    switch (def_.type) {
    case FieldType::String: {
        QString s = value.typeId() == QMetaType::QDateTime ? DateTimeToWire(value.toDateTime())
                    : value.typeId() == QMetaType::Double   ? QString::number(value.toDouble(), 'g', 17)
                                                            : value.toString();
        if (s.size() > Size()) s.truncate(Size());
        return s;
    }
    case FieldType::Float: {
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty()) return QVariant();
            bool ok = false;
            double d = s.toDouble(&ok);
            if (!ok) d = BrLocale().toDouble(s, &ok);
            if (!ok) throw EDatabaseError(QStringLiteral("'%1' não é um valor numérico válido.").arg(s).toStdString());
            return d;
        }
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok) throw EDatabaseError("valor numérico inválido");
        return d;
    }
    case FieldType::DateTime: {
        if (value.typeId() == QMetaType::QDateTime) return WallClock(value.toDateTime());
        if (value.typeId() == QMetaType::QDate) return WallClock(value.toDate());
        const QString s = value.toString().trimmed();
        if (s.isEmpty()) return QVariant();
        const QDateTime dt = DateTimeFromWire(s);
        if (!dt.isValid()) throw EDatabaseError(QStringLiteral("'%1' não é uma data válida.").arg(s).toStdString());
        return dt;
    }
    }
    return value;
}

QString TField::DefaultText(bool displayText) const {
    const QVariant v = Value();
    if (!v.isValid()) return QString();
    switch (def_.type) {
    case FieldType::String:
        if (displayText && !def_.editMask.isEmpty()) return FormatMaskText(def_.editMask, v.toString());
        return v.toString();
    case FieldType::Float:
        if (displayText && !def_.displayFormat.isEmpty()) return FormatFloat(def_.displayFormat, v.toDouble());
        return BrLocale().toString(v.toDouble(), 'g', 15);
    case FieldType::DateTime: {
        const QDateTime dt = v.toDateTime();
        if (dt.time() == QTime(0, 0)) return dt.toString(QStringLiteral("dd/MM/yyyy"));
        return dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    }
    return v.toString();
}

QString TField::Text() {
    QString text = DefaultText(false);
    if (OnGetText) OnGetText(*this, text, false);
    return text;
}

QString TField::DisplayText() {
    QString text = DefaultText(true);
    if (OnGetText) OnGetText(*this, text, true);
    return text;
}

void TField::SetText(const QString& text) {
    if (OnSetText) {
        OnSetText(*this, text);
        return;
    }
    if (def_.type == FieldType::String) {
        SetValue(text);
        return;
    }
    if (def_.type == FieldType::DateTime) {
        const QString t = text.trimmed();
        if (t.isEmpty()) { Clear(); return; }
        QDateTime dt = WallClock(QDate::fromString(t, QStringLiteral("dd/MM/yyyy")));
        if (!dt.isValid()) {
            dt = QDateTime::fromString(t, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
            dt.setTimeSpec(Qt::UTC);
        }
        if (!dt.isValid()) dt = DateTimeFromWire(t);
        if (!dt.isValid()) throw EDatabaseError(QStringLiteral("'%1' não é uma data válida.").arg(t).toStdString());
        SetValue(dt);
        return;
    }
    SetValue(text);
}

}  // namespace orv
