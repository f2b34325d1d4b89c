#include "orv/widgets/StdControls.h"

namespace orv {

TPanel::TPanel(QWidget* parent, const QString& name) : QFrame(parent), TControl(this, name) {
    setFrameShape(QFrame::StyledPanel);
}

TGroupBox::TGroupBox(QWidget* parent, const QString& name, const QString& caption)
    : QGroupBox(caption, parent), TControl(this, name) {}

TLabel::TLabel(QWidget* parent, const QString& name, const QString& caption)
    : QLabel(caption, parent), TControl(this, name) {}

TSpeedButton::TSpeedButton(QWidget* parent, const QString& name, const QString& caption)
    : QToolButton(parent), TControl(this, name) {
    setText(caption);
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    connect(this, &QToolButton::clicked, this, [this] { Fire(OnClick); });
}

TRadioButton::TRadioButton(QWidget* parent, const QString& name, const QString& caption)
    : QRadioButton(caption, parent), TControl(this, name) {
    connect(this, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) Fire(OnClick);
    });
}

TMenuItem::TMenuItem(QObject* parent, const QString& name, const QString& caption) : QAction(caption, parent) {
    if (!name.isEmpty()) setObjectName(name);
    connect(this, &QAction::triggered, this, [this] { Fire(OnClick); });
}

void TMenuItem::SetChecked(bool checked) {
    if (checked) setCheckable(true);
    setChecked(checked);
}

}  // namespace orv
