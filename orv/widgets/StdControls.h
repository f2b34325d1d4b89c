#pragma once

#include "orv/widgets/Control.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

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
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& hint) { setToolTip(hint); }
    // As a user's click: nothing happens while the button is disabled.
    void Click() { click(); }

    TNotifyEvent OnClick;
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

// Menu command. A screen's menu items are twins of its toolbar buttons and run the same handler.
class TMenuItem : public QAction {
    Q_OBJECT
public:
    explicit TMenuItem(QObject* parent = nullptr, const QString& name = {}, const QString& caption = {});

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);
    // As a user's choice: nothing happens while the item is disabled.
    void Click() { trigger(); }

    TNotifyEvent OnClick;
};

}  // namespace orv
