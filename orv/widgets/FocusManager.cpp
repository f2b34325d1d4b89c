#include "orv/widgets/FocusManager.h"

#include "orv/widgets/Control.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>

namespace orv {

namespace {

const char* const kFormProperty = "orvForm";
const char* const kClosingProperty = "orvFormClosing";
const char* const kEnterAsTabProperty = "orvEnterAsTab";

// Bounds follow-up moves of enter handlers that keep sending the focus elsewhere.
constexpr int kMaxFollowUps = 8;

bool InMenuBar(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (qobject_cast<QMenuBar*>(w)) return true;
    return false;
}

bool Closing(QWidget* form) { return form->property(kClosingProperty).toBool(); }

// The control and its component ancestors below the form, innermost first.
QList<QPointer<QWidget>> Chain(QWidget* control, QWidget* form) {
    QList<QPointer<QWidget>> chain;
    if (!control) return chain;
    chain << control;
    for (QWidget* w = control->parentWidget(); w && w != form; w = w->parentWidget())
        if (AsControl(w)) chain << w;
    return chain;
}

bool Contains(const QList<QPointer<QWidget>>& chain, QWidget* widget) {
    for (const auto& w : chain)
        if (w == widget) return true;
    return false;
}

// Exit handlers of the widgets of `chain` not in `keep`, innermost first; false when one threw.
bool RunExits(const QList<QPointer<QWidget>>& chain, const QList<QPointer<QWidget>>& keep) {
    for (const QPointer<QWidget>& w : chain) {
        if (!w || Contains(keep, w)) continue;
        TControl* control = AsControl(w);
        if (control && !Guard([control] { control->DoExit(); })) return false;
    }
    return true;
}

// Enter handlers of the widgets of `chain` not in `entered`, outermost first; an exception
// ends the chain.
void RunEnters(const QList<QPointer<QWidget>>& chain, const QList<QPointer<QWidget>>& entered) {
    for (auto it = chain.crbegin(); it != chain.crend(); ++it) {
        QWidget* w = *it;
        if (!w || Contains(entered, w)) continue;
        TControl* control = AsControl(w);
        if (control && !Guard([control] { control->DoEnter(); })) return;
    }
}

}  // namespace

namespace {
QPointer<FocusManager> g_instance;
}

FocusManager& FocusManager::Instance() {
    if (!g_instance) g_instance = new FocusManager(QCoreApplication::instance());
    return *g_instance;
}

void FocusManager::Release(QWidget* control) {
    if (g_instance) g_instance->Forget(control);
}

FocusManager::FocusManager(QObject* parent) : QObject(parent) {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, &FocusManager::OnFocusChanged);
}

void FocusManager::Remember(QWidget* form, QWidget* control) {
    if (!current_.contains(form))
        connect(form, &QObject::destroyed, this, [this, form] { current_.remove(form); });
    current_[form] = control;
}

void FocusManager::Forget(QWidget* control) {
    for (auto it = current_.begin(); it != current_.end(); ++it)
        if (it.value() == control) it.value() = nullptr;
}

QWidget* FocusManager::ActiveControl(QWidget* widgetInForm) const {
    QWidget* form = FormOf(widgetInForm);
    return form ? current_.value(form).data() : nullptr;
}

void FocusManager::OnFocusChanged(QWidget*, QWidget* now) {
    // Focus changes made by the handlers of a move are that move's business.
    if (!now || moving_ || InMenuBar(now)) return;
    QWidget* form = FormOf(now);
    if (!form || Closing(form)) return;
    QWidget* target = ControlOf(now);
    if (current_.value(form) != target) Run(form, target);
}

void FocusManager::Sync(QWidget* widgetInForm) {
    if (moving_ || !widgetInForm) return;
    QWidget* form = FormOf(widgetInForm);
    if (!form || Closing(form)) return;
    QWidget* focus = form->focusWidget();
    if (!focus || InMenuBar(focus)) return;
    QWidget* target = ControlOf(focus);
    if (current_.value(form) != target) Run(form, target);
}

void FocusManager::Run(QWidget* form, QWidget* target) {
    moving_ = true;
    QPointer<QWidget> guardForm = form;
    QPointer<QWidget> from = current_.value(form);
    QPointer<QWidget> to = target;
    for (int i = 0; i < kMaxFollowUps && guardForm && to && to != from; ++i) {
        QPointer<QWidget> landed = Move(form, from, to);
        if (!guardForm) break;
        Remember(form, landed);
        QWidget* focus = form->focusWidget();
        from = landed;
        to = focus && !InMenuBar(focus) ? ControlOf(focus) : nullptr;
    }
    moving_ = false;
}

QWidget* FocusManager::Move(QWidget* form, QWidget* from, QWidget* to) {
    const QList<QPointer<QWidget>> fromChain = Chain(from, form);
    const QList<QPointer<QWidget>> toChain = Chain(to, form);
    QPointer<QWidget> guardFrom = from;
    QPointer<QWidget> guardForm = form;

    const bool exited = RunExits(fromChain, toChain);
    if (!guardForm) return nullptr;  // a handler closed the form
    QWidget* focus = form->focusWidget();
    QWidget* landed = focus ? ControlOf(focus) : nullptr;

    if (!exited) {
        // Cancelled: the focus stays where the handler put it, else goes back.
        if (!landed || landed == to || landed == from) {
            if (guardFrom) guardFrom->setFocus(Qt::OtherFocusReason);
            return guardFrom;
        }
        RunEnters(Chain(landed, form), fromChain);
        return landed;
    }
    // An exit handler may have sent the focus somewhere else without cancelling.
    if (landed && landed != to) {
        if (landed == from) return landed;
        to = landed;
    }
    QPointer<QWidget> guardTo = to;
    refused_ = false;
    RunEnters(Chain(to, form), fromChain);
    if (refused_) {
        refused_ = false;
        if (guardFrom) {
            guardFrom->setFocus(Qt::OtherFocusReason);
        } else if (QWidget* focus = form->focusWidget()) {
            focus->clearFocus();  // nowhere to go back to: no control keeps it
        }
        return guardFrom;
    }
    return guardTo;
}

void RefuseEntry() { FocusManager::Instance().RefuseEntry(); }

void MarkFormScope(QWidget* form) { form->setProperty(kFormProperty, true); }

void MarkFormClosing(QWidget* form) { form->setProperty(kClosingProperty, true); }

QWidget* FormOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (w->isWindow() || w->property(kFormProperty).toBool()) return w;
    return nullptr;
}

QWidget* ControlOf(QWidget* focusWidget) {
    QWidget* form = FormOf(focusWidget);
    for (QWidget* w = focusWidget; w; w = w->parentWidget()) {
        if (AsControl(w)) return w;
        if (w == form) break;
    }
    return focusWidget;
}

void FocusControl(QWidget* control) {
    if (!control || !control->isEnabled()) return;
    control->setFocus(Qt::OtherFocusReason);
    // Without an active window Qt reports no focus change: run the move here.
    FocusManager::Instance().Sync(control);
}

QWidget* ActiveControl(QWidget* widgetInForm) { return FocusManager::Instance().ActiveControl(widgetInForm); }

void SetEnterActsAsTab(QWidget* form, bool on) { form->setProperty(kEnterAsTabProperty, on); }

bool EnterActsAsTab(QWidget* widgetInForm) {
    QWidget* form = FormOf(widgetInForm);
    return form && form->property(kEnterAsTabProperty).toBool();
}

QWidget* FirstTabStop(QWidget* container) {
    if (!container) return nullptr;
    for (QWidget* w = container->nextInFocusChain(); w && w != container; w = w->nextInFocusChain()) {
        if (!container->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || !w->isVisible())
            continue;
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->isReadOnly()) continue;
        return w;
    }
    return nullptr;
}

}  // namespace orv
