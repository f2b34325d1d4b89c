#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace orv {

// Runs the OnExit/OnEnter handlers of the controls as a Delphi form does, whenever the focus
// moves between controls of the same form (a top-level window, or a widget marked as a form).
//
// On a move from control A to control B: A's OnExit, then the OnExit of each container holding A
// but not B, innermost first; then the OnEnter of each container holding B but not A, outermost
// first, then B's OnEnter. An exception (EAbort included) from an exit handler cancels the rest
// of the move: the focus stays where the handler put it, or goes back to A when the handler
// put it nowhere new; a third control C the handler focused counts as entered (the OnEnter of the
// containers holding C but not A, then C's). Focus changes made by handlers during a move start
// no nested move; an enter handler that moves the focus starts a follow-up move once it returns.
//
// Each form remembers the control the handlers last saw entered, so the focus going to another
// window (a message box, a pick list) and back to that control runs nothing. Focus on a widget
// inside a component (a grid's cell editor, a tab bar) counts as focus on the component. The
// menu bar never takes part.
class FocusManager : public QObject {
public:
    static FocusManager& Instance();
    // A control is going away: no handler of it runs any more (nothing to do once the
    // application is gone).
    static void Release(QWidget* control);

    // Runs the move when the focus of the widget's form is not where the handlers last saw it
    // (a setFocus() while the window was not active).
    void Sync(QWidget* widgetInForm);
    // The control last entered in the widget's form; null when none.
    QWidget* ActiveControl(QWidget* widgetInForm) const;
    bool Moving() const { return moving_; }
    // Called by an enter handler that refuses the move (before it aborts): the focus goes back
    // to the control it came from, and no exit or enter handler runs on the way back.
    void RefuseEntry() { refused_ = moving_; }

private:
    explicit FocusManager(QObject* parent);
    void OnFocusChanged(QWidget* old, QWidget* now);
    void Run(QWidget* form, QWidget* target);
    QWidget* Move(QWidget* form, QWidget* from, QWidget* to);
    void Remember(QWidget* form, QWidget* control);
    void Forget(QWidget* control);

    QHash<QWidget*, QPointer<QWidget>> current_;  // form -> control last entered
    bool moving_ = false;
    bool refused_ = false;
};

// Makes a widget a form of its own for the focus handlers although it is not a window.
void MarkFormScope(QWidget* form);
// The form is being destroyed: focus changes inside it run no handler any more.
void MarkFormClosing(QWidget* form);
// The form a widget belongs to: the nearest marked form or window.
QWidget* FormOf(QWidget* widget);
// The component a focused widget belongs to (itself when it is part of no component).
QWidget* ControlOf(QWidget* focusWidget);

// An enter handler's refusal of the move under way (see FocusManager::RefuseEntry); it then aborts.
void RefuseEntry();
// Moves the focus to the control as a click would, running the handlers of the move.
void FocusControl(QWidget* control);
// The control last entered in the widget's form (Delphi's ActiveControl).
QWidget* ActiveControl(QWidget* widgetInForm);

// A form whose edits take Enter as Tab: the focus moves on to the next control, with the same
// exit checks (an edit's own key handler never sees that Enter). Grids, lookups and dialogs
// that give Enter a meaning of their own keep it.
void SetEnterActsAsTab(QWidget* form, bool on);
bool EnterActsAsTab(QWidget* widgetInForm);
// The first control inside the container that Tab would stop at (enabled, shown, accepting Tab
// and, for an edit, not read-only), in the form's tab order; null when there is none.
QWidget* FirstTabStop(QWidget* container);

}  // namespace orv
