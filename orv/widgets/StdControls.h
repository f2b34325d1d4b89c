#pragma once

#include "orv/widgets/Control.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

#include <initializer_list>

class QGridLayout;
class QHBoxLayout;

namespace orv {

// Plain container (a toolbar, a data area).
class TPanel : public QFrame, public TControl {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr, const QString& name = {});
};

// Framed container with an optional caption.
class TGroupBox : public QGroupBox, public TControl {
    Q_OBJECT
public:
    explicit TGroupBox(QWidget* parent = nullptr, const QString& name = {}, const QString& caption = {});
    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
};

class TLabel : public QLabel, public TControl {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent = nullptr, const QString& name = {}, const QString& caption = {});
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
};

// Toolbar button: never takes the focus, so pressing it leaves the focused control alone.
class TSpeedButton : public QToolButton, public TControl {
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent = nullptr, const QString& name = {}, const QString& caption = {});

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // The hint is the button's own text for its tooltip; the tooltip shown adds the key that
    // presses the button ("Incluir (Ins)"), and while the button is disabled a reason set for it
    // replaces both.
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    void SetShortcutText(const QString& key);
    QString DisabledHint() const { return disabledHint_; }
    void SetDisabledHint(const QString& reason);
    // As a user's click: nothing happens while the button is disabled.
    void Click() { click(); }

    TNotifyEvent OnClick;

protected:
    void changeEvent(QEvent* event) override;

private:
    void UpdateToolTip();
    QString hint_;
    QString shortcutText_;
    QString disabledHint_;
};

// OnClick runs whenever the button becomes checked, by the user or by program code.
class TRadioButton : public QRadioButton, public TControl {
    Q_OBJECT
public:
    explicit TRadioButton(QWidget* parent = nullptr, const QString& name = {}, const QString& caption = {});

    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }

    TNotifyEvent OnClick;
};

// A caption as it reads: each '&' that marks a mnemonic dropped, "&&" a plain '&'.
QString WithoutMnemonic(const QString& caption);

// Menu command. A screen's menu items are twins of its toolbar buttons and run the same handler.
class TMenuItem : public QAction {
    Q_OBJECT
public:
    explicit TMenuItem(QObject* parent = nullptr, const QString& name = {}, const QString& caption = {});

    // The caption as the menu shows it: without the '&' that marks its mnemonic.
    QString Caption() const { return WithoutMnemonic(text()); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);
    // As a user's choice: nothing happens while the item is disabled.
    void Click() { trigger(); }

    TNotifyEvent OnClick;
};

// One row of a form's grid: the label in the first column, then the controls side by side. Codes
// and buttons keep their widths, controls that can grow (name displays) share what is left; a row
// with none of them keeps its controls to the left. Returns the row's layout.
QHBoxLayout* AddFormRow(QGridLayout* grid, int row, QWidget* label, std::initializer_list<QWidget*> controls);

}  // namespace orv
