#include "orv/widgets/Control.h"

#include "orv/widgets/FocusManager.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>

namespace orv {

namespace {

QList<QWidget*> ChildWidgets(const QWidget* parent) {
    QList<QWidget*> controls;
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow()) continue;
        // Qt names its own parts of a widget "qt_..." (viewport, scroll bars, tab bar, ...).
        if (widget->objectName().startsWith(QLatin1String("qt_"))) continue;
        if (qobject_cast<QMenuBar*>(widget) || qobject_cast<QMenu*>(widget)) continue;
        controls << widget;
    }
    return controls;
}

}  // namespace

QColor ColorOf(ColorKind kind) {
    switch (kind) {
    case ColorKind::InfoBk: return QColor(0xFF, 0xFF, 0xE1);
    case ColorKind::BtnFace: return QColor(0xF0, 0xF0, 0xF0);
    case ColorKind::Window: break;
    }
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Base);
}

TControl::TControl(QWidget* self, const QString& name) : self_(self) {
    if (!name.isEmpty()) self_->setObjectName(name);
    FocusManager::Instance();  // focus handlers run from the first control on
}

TControl::~TControl() { FocusManager::Release(self_); }

void TControl::SetColor(ColorKind kind) {
    color_ = kind;
    QPalette palette = self_->palette();
    const QColor color = ColorOf(kind);
    // Every group: a disabled display-only edit must still show the display-only colour.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, color);
    self_->setPalette(palette);
    if (IsTextEditControl()) self_->setEnabled(kind != ColorKind::BtnFace);
}

void TControl::DoExit() {
    ExitCheck();
    if (OnExit) OnExit();
}

void TControl::DoEnter() {
    if (OnEnter) OnEnter();
}

QList<QWidget*> TControl::ChildControls() const {
    return ChildWidgets(self_);
}

QList<QWidget*> DirectChildControls(QWidget* container) {
    if (!container) return {};
    if (TControl* control = AsControl(container)) return control->ChildControls();
    return ChildWidgets(container);
}

bool IsTextEdit(QWidget* control) {
    TControl* c = AsControl(control);
    return c && c->IsTextEditControl();
}

}  // namespace orv
