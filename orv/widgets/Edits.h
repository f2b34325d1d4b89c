#pragma once

#include "orv/widgets/Control.h"
#include "orv/widgets/DataLink.h"

#include <QDate>
#include <QLineEdit>

#include <memory>

namespace orv {

class MaskValidator;

enum class TEditCharCase { Normal, UpperCase, LowerCase };

// Common ground of the text edits: OnChange (also for text set by program code), OnKeyPress,
// character case, maximum length, an optional edit mask and, for the data-aware descendants,
// the tie to a field.
//
// An edit mask is "PATTERN;SAVELITERALS;BLANK" ("99;0; ", "999.999.999-99"): each position
// takes the characters its pattern letter allows (9/0 digits, a/A letters or digits, L/l
// letters, c/C anything), '>' and '<' force upper and lower case, the literals are put in by the
// edit as the user types, and the mask's length limits the text unless MaxLength is set.
class TCustomEdit : public QLineEdit, public TControl {
    Q_OBJECT
public:
    TCustomEdit(QWidget* parent, const QString& name);
    ~TCustomEdit() override;

    // The text as stored: without the mask's literals when the mask does not save them.
    QString Text() const;
    // A program change: OnChange runs, and a data-aware edit in edit state writes its field.
    void SetText(const QString& text) { setText(text); }

    int MaxLength() const { return maxLength(); }
    void SetMaxLength(int length);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase charCase);

    TNotifyEvent OnChange;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnDblClick;

    bool IsTextEditControl() const override { return true; }
    QList<QWidget*> ChildControls() const override { return {}; }

protected:
    const QString& EditMaskText() const { return mask_; }
    void SetEditMaskText(const QString& mask);

    // Data-aware descendants: the link is created by EnableDataLink.
    void EnableDataLink();
    TDataLink* Link() const { return link_.get(); }
    // Puts the data set into edit for a user's change (AutoEdit); false when the edit cannot
    // change its field now.
    bool BeginUserEdit();
    virtual QString ReadFieldText(TField& field) const;
    virtual void WriteFieldText(TField& field, const QString& text);

    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void ExitCheck() override;

private:
    // Whether the key would change the text (false for a key the mask or the length refuses).
    bool KeyChangesText(const QKeyEvent* event) const;
    void OnTextChanged();
    void OnLinkEvent(const DataSetEvent& event);
    void LoadFromField();
    void WriteField(bool report);
    void UpdateDefaultMaxLength();

    MaskValidator* validator_;
    QString mask_;
    TEditCharCase charCase_ = TEditCharCase::Normal;
    bool maxLengthSet_ = false;

    std::unique_ptr<TDataLink> link_;
    bool loading_ = false;  // the text is being set from the field
    bool writing_ = false;  // the field is being set from the text
    bool pending_ = false;  // the last text could not be written to the field
};

class TEdit : public TCustomEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr, const QString& name = {});
};

class TMaskEdit : public TCustomEdit {
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget* parent = nullptr, const QString& name = {}, const QString& mask = {});
    const QString& EditMask() const { return EditMaskText(); }
    void SetEditMask(const QString& mask) { SetEditMaskText(mask); }
};

// Edit bound to a field of a data source. Shows the field's Text() and follows scrolls, state
// changes and changes of the field; in edit or insert every change of the text writes the field
// at once through TField::SetText. Typing while browsing puts the data set into edit when the
// source's AutoEdit is on (and is refused otherwise). A text the field rejects (a number that
// does not parse) is reported when the focus leaves, and keeps the focus.
class TDBEdit : public TCustomEdit {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent = nullptr, const QString& name = {});

    TDataSource* DataSource() const { return Link()->DataSource(); }
    void SetDataSource(TDataSource* source) { Link()->SetDataSource(source); }
    const QString& DataField() const { return Link()->FieldName(); }
    void SetDataField(const QString& field) { Link()->SetFieldName(field); }
    TField* Field() const { return Link()->Field(); }
};

// Date edit "dd/mm/yyyy" (date only). The weekday of a valid date shows as the tooltip and
// in the popup calendar (F4, Alt+Down or the button at the right).
class TDateEditPlus : public TCustomEdit {
    Q_OBJECT
public:
    explicit TDateEditPlus(QWidget* parent = nullptr, const QString& name = {});

    // Invalid when the text is empty or not a date.
    QDate GetDate() const;
    // An invalid date empties the edit.
    void SetDate(const QDate& date);
    // "Data inválida." through MensErro (shown, then EAbort) when the text is neither empty nor a
    // valid date.
    void CheckValidDate() const;
    bool IsEmpty() const;

    // "Domingo" ... "Sábado".
    static QString WeekdayName(const QDate& date);
    void ShowCalendar();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// TDateEditPlus bound to a date field: a valid date or an empty text writes the field, an
// unfinished or invalid date leaves it null until it is a date.
class TDBDateEditPlus : public TDateEditPlus {
    Q_OBJECT
public:
    explicit TDBDateEditPlus(QWidget* parent = nullptr, const QString& name = {});

    TDataSource* DataSource() const { return Link()->DataSource(); }
    void SetDataSource(TDataSource* source) { Link()->SetDataSource(source); }
    const QString& DataField() const { return Link()->FieldName(); }
    void SetDataField(const QString& field) { Link()->SetFieldName(field); }
    TField* Field() const { return Link()->Field(); }

protected:
    QString ReadFieldText(TField& field) const override;
    void WriteFieldText(TField& field, const QString& text) override;
};

}  // namespace orv
