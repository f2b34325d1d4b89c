#include "orv/widgets/StdControls.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>

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

void TSpeedButton::SetHint(const QString& hint) {
    hint_ = hint;
    UpdateToolTip();
}

void TSpeedButton::SetShortcutText(const QString& key) {
    shortcutText_ = key;
    UpdateToolTip();
}

void TSpeedButton::SetDisabledHint(const QString& reason) {
    disabledHint_ = reason;
    UpdateToolTip();
}

void TSpeedButton::changeEvent(QEvent* event) {
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) UpdateToolTip();
}

void TSpeedButton::UpdateToolTip() {
    if (!isEnabled() && !disabledHint_.isEmpty()) {
        setToolTip(disabledHint_);
        return;
    }
    setToolTip(shortcutText_.isEmpty() || hint_.isEmpty() ? hint_ : QStringLiteral("%1 (%2)").arg(hint_, shortcutText_));
}

TRadioButton::TRadioButton(QWidget* parent, const QString& name, const QString& caption)
    : QRadioButton(caption, parent), TControl(this, name) {
    connect(this, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) Fire(OnClick);
    });
}

QString WithoutMnemonic(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        plain += caption[i];
    }
    return plain;
}

TMenuItem::TMenuItem(QObject* parent, const QString& name, const QString& caption) : QAction(caption, parent) {
    if (!name.isEmpty()) setObjectName(name);
    connect(this, &QAction::triggered, this, [this] { Fire(OnClick); });
}

void TMenuItem::SetChecked(bool checked) {
    if (checked) setCheckable(true);
    setChecked(checked);
}

QHBoxLayout* AddFormRow(QGridLayout* grid, int row, QWidget* label, std::initializer_list<QWidget*> controls) {
    if (label) grid->addWidget(label, row, 0);
    auto* line = new QHBoxLayout;
    bool stretches = false;
    for (QWidget* w : controls) {
        const bool grows = (w->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag) &&
                           w->maximumWidth() > w->minimumWidth();
        line->addWidget(w, grows ? 1 : 0);
        stretches = stretches || grows;
    }
    if (!stretches) line->addStretch(1);
    grid->addLayout(line, row, 1);
    grid->setColumnStretch(1, 1);
    return line;
}

}  // namespace orv
