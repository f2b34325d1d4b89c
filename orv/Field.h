#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

namespace orv {

class TDataSet;

enum class FieldType { String, Float, DateTime };

QString FieldTypeName(FieldType type);
FieldType FieldTypeFromName(const QString& name);

// Declared shape of a field. A string field without a stated size holds 20 characters.
struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;
    QString label;
    bool visible = true;
    int displayWidth = 0;
    QString displayFormat;
    QString editMask;

    int EffectiveSize() const { return type == FieldType::String && size <= 0 ? 20 : size; }
};

// One column of a data set. Values are QVariant: an invalid QVariant is null, distinct from an
// empty string. Reads and writes go through the data set's current record (or edit buffer).
class TField {
public:
    using GetTextHandler = std::function<void(TField& field, QString& text, bool displayText)>;
    using SetTextHandler = std::function<void(TField& field, const QString& text)>;

    TField(TDataSet& owner, int index, FieldDef def);

    const QString& FieldName() const { return def_.name; }
    FieldType DataType() const { return def_.type; }
    int Size() const { return def_.EffectiveSize(); }
    int Index() const { return index_; }
    TDataSet& DataSet() const { return owner_; }
    const FieldDef& Def() const { return def_; }

    QString DisplayLabel() const { return def_.label.isEmpty() ? def_.name : def_.label; }
    void SetDisplayLabel(const QString& label) { def_.label = label; }
    bool Visible() const { return def_.visible; }
    void SetVisible(bool visible) { def_.visible = visible; }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { def_.displayWidth = width; }
    const QString& DisplayFormat() const { return def_.displayFormat; }
    void SetDisplayFormat(const QString& format) { def_.displayFormat = format; }
    const QString& EditMask() const { return def_.editMask; }
    void SetEditMask(const QString& mask) { def_.editMask = mask; }

    GetTextHandler OnGetText;
    SetTextHandler OnSetText;

    QVariant Value() const;
    void SetValue(const QVariant& value);
    bool IsNull() const;
    void Clear() { SetValue(QVariant()); }

    QString AsString() const;
    void SetAsString(const QString& value);
    double AsFloat() const;
    void SetAsFloat(double value);
    QDateTime AsDateTime() const;
    void SetAsDateTime(const QDateTime& value);

    // The value as read for the record (before the pending edit and the unmerged changes).
    QVariant OldValue() const;

    // Text for editing and for display, through the get-text event when one is set.
    QString Text();
    QString DisplayText();
    // Writes a text typed by the user, through the set-text event when one is set.
    void SetText(const QString& text);

    // Converts any value to this field's type (cutting strings to the size). Null stays null.
    QVariant Coerce(const QVariant& value) const;

private:
    QString DefaultText(bool displayText) const;

    TDataSet& owner_;
    int index_;
    FieldDef def_;
};

}  // namespace orv
