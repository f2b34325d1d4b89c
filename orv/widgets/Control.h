#pragma once

#include "orv/widgets/Guard.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QWidget>

namespace orv {

// Background of a control, applied to the palette's base colour.
enum class ColorKind {
    Window,   // normal
    InfoBk,   // required field (pale yellow #FFFFE1)
    BtnFace,  // display only (#F0F0F0); a display-only edit is disabled
};

QColor ColorOf(ColorKind kind);

// What every component adds to its Qt widget: the component name (its object name), the tag,
// the colour kind and the focus handlers the focus manager runs.
class TControl {
public:
    TControl(QWidget* self, const QString& name);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    QWidget* Widget() const { return self_; }
    QString Name() const { return self_->objectName(); }

    // Free integer for the screen; 99 marks controls a container switch must leave alone.
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    ColorKind Color() const { return color_; }
    // On a text edit the colour also says whether it can be typed into: display only (BtnFace)
    // disables it, the other kinds enable it.
    void SetColor(ColorKind kind);

    // Run when the focus moves between controls of the same window (see FocusManager.h).
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // The control's own check when the focus leaves (a value that could not be written), then
    // OnExit. Throws to keep the focus.
    void DoExit();
    void DoEnter();

    // The controls this one holds, in creation order (a page control answers its pages).
    virtual QList<QWidget*> ChildControls() const;
    virtual bool IsTextEditControl() const { return false; }

protected:
    virtual void ExitCheck() {}

private:
    QWidget* self_;
    int tag_ = 0;
    ColorKind color_ = ColorKind::Window;
};

// The control part of a widget, or null for a plain Qt widget.
inline TControl* AsControl(QWidget* widget) { return dynamic_cast<TControl*>(widget); }

// A container's direct child controls in creation order, without Qt's internal children
// (viewports, scroll bars, tab bars, menu bars) and without separate windows.
QList<QWidget*> DirectChildControls(QWidget* container);

// A plain, masked, data-bound or date edit.
bool IsTextEdit(QWidget* control);

// Looks a component (widget, menu item) up by name anywhere below the root.
template <class T = QObject>
T* FindComponent(const QObject* root, const QString& name) {
    return root ? root->findChild<T*>(name) : nullptr;
}

}  // namespace orv
