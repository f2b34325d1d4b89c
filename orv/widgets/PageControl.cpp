#include "orv/widgets/PageControl.h"

#include "orv/widgets/FocusManager.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>

namespace orv {

TTabSheet::TTabSheet(TPageControl* pageControl, const QString& name, const QString& caption)
    : QWidget(nullptr), TControl(this, name), pageControl_(pageControl) {
    pageControl_->addTab(this, caption);
}

int TTabSheet::PageIndex() const { return pageControl_->indexOf(const_cast<TTabSheet*>(this)); }

QString TTabSheet::Caption() const { return pageControl_->tabText(PageIndex()); }

void TTabSheet::SetCaption(const QString& caption) { pageControl_->setTabText(PageIndex(), caption); }

bool TTabSheet::Enabled() const { return enabled_ && isEnabled(); }

void TTabSheet::SetEnabled(bool enabled) {
    // Qt moves away from a current tab that gets disabled, and the focus with it; a Delphi page
    // control stays where it is. The current page's tab is disabled once it is left.
    enabled_ = enabled;
    setEnabled(enabled);
    if (enabled || PageIndex() != pageControl_->currentIndex()) pageControl_->setTabEnabled(PageIndex(), enabled);
}

bool TTabSheet::TabVisible() const { return pageControl_->isTabVisible(PageIndex()); }

void TTabSheet::SetTabVisible(bool visible) { pageControl_->setTabVisible(PageIndex(), visible); }

TPageControl::TPageControl(QWidget* parent, const QString& name) : QTabWidget(parent), TControl(this, name) {
    tabBar()->installEventFilter(this);
    connect(this, &QTabWidget::currentChanged, this, [this] { ApplyTabStates(); });
}

bool TPageControl::PageEnabled(int index) const {
    const TTabSheet* page = Pages(index);
    return page ? page->enabled_ : isTabEnabled(index);
}

void TPageControl::ApplyTabStates() {
    for (int i = 0; i < count(); ++i)
        if (i != currentIndex() && isTabEnabled(i) != PageEnabled(i)) setTabEnabled(i, PageEnabled(i));
}

TTabSheet* TPageControl::Pages(int index) const { return dynamic_cast<TTabSheet*>(widget(index)); }

TTabSheet* TPageControl::ActivePage() const { return dynamic_cast<TTabSheet*>(currentWidget()); }

void TPageControl::SetActivePage(TTabSheet* page) {
    if (!page || page == currentWidget()) return;
    // As Delphi does: with the focus on the page being left, the focus first moves to that page
    // (its controls' exit handlers run and may keep it there, and the page with it); Qt then
    // moves it into the new page.
    TTabSheet* old = ActivePage();
    QWidget* active = ActiveControl(this);
    if (old && active && old->isAncestorOf(active) && old->isEnabled()) {
        FocusControl(old);
        if (ActiveControl(this) != old) return;
    }
    setCurrentWidget(page);
    FocusManager::Instance().Sync(this);
}

void TPageControl::SetActivePageIndex(int index) { SetActivePage(Pages(index)); }

QList<QWidget*> TPageControl::ChildControls() const {
    QList<QWidget*> pages;
    for (int i = 0; i < count(); ++i) pages << widget(i);
    return pages;
}

bool TPageControl::SelectPage(int index) {
    if (index < 0 || index >= count() || index == currentIndex() || !PageEnabled(index) || !isTabVisible(index))
        return false;
    bool allow = true;
    if (OnChanging && (!Guard([&] { OnChanging(allow); }) || !allow)) return false;
    setCurrentIndex(index);
    Fire(OnChange);
    return true;
}

bool TPageControl::UserSwitch(int index) {
    if (index < 0 || index == currentIndex() || !PageEnabled(index)) return false;
    // As a click on a Delphi page control: it takes the focus first, and an exit handler that
    // keeps the focus where it was keeps the page too.
    FocusControl(tabBar());
    if (ActiveControl(this) != this) return false;
    return SelectPage(index);
}

int TPageControl::NextEnabled(int from, int step) const {
    for (int i = from + step; i >= 0 && i < count(); i += step)
        if (PageEnabled(i) && isTabVisible(i)) return i;
    return -1;
}

bool TPageControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched != tabBar()) return QTabWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return true;
        const int index = tabBar()->tabAt(mouse->position().toPoint());
        if (index >= 0 && index != currentIndex()) UserSwitch(index);
        return true;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        int target = -1;
        if (key == Qt::Key_Left || key == Qt::Key_Up) target = NextEnabled(currentIndex(), -1);
        else if (key == Qt::Key_Right || key == Qt::Key_Down) target = NextEnabled(currentIndex(), 1);
        else if (key == Qt::Key_Home) target = NextEnabled(-1, 1);
        else if (key == Qt::Key_End) target = NextEnabled(count(), -1);
        else return false;
        if (target >= 0) SelectPage(target);
        return true;
    }
    case QEvent::Wheel:
        return true;  // no page switch by scrolling over the tabs
    default:
        return false;
    }
}

void TPageControl::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int step = 0;
    if (ctrl && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_PageDown)) step = 1;
    if (ctrl && (event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp)) step = -1;
    if (step == 0) {
        QTabWidget::keyPressEvent(event);
        return;
    }
    const int target = NextEnabled(currentIndex(), step);
    if (target >= 0) UserSwitch(target);
    event->accept();
}

}  // namespace orv
