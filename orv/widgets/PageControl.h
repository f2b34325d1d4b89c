#pragma once

#include "orv/widgets/Control.h"

#include <QTabWidget>

namespace orv {

class TPageControl;

// A page of a page control; it adds itself as the last page.
class TTabSheet : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TTabSheet(TPageControl* pageControl, const QString& name = {}, const QString& caption = {});

    TPageControl* PageControl() const { return pageControl_; }
    int PageIndex() const;
    QString Caption() const;
    void SetCaption(const QString& caption);
    // Tab and page together: a disabled page can neither be chosen nor typed into.
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool TabVisible() const;
    void SetTabVisible(bool visible);

private:
    friend class TPageControl;
    TPageControl* pageControl_;
    bool enabled_ = true;
};

// Pages with tabs. As in Delphi, changing ActivePage by code fires neither OnChanging nor
// OnChange (but the focus, when on the page being left, moves into the new page, running the
// exit and enter handlers; an exit handler that keeps the focus keeps the page). A user's switch
// (a tab click, the keyboard) first moves the focus to the page control, then asks OnChanging,
// which may refuse (allow = false, or an abort), then switches and fires OnChange.
class TPageControl : public QTabWidget, public TControl {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr, const QString& name = {});

    int PageCount() const { return count(); }
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return currentIndex(); }
    void SetActivePageIndex(int index);

    // The user's way to another page; false when it was refused or not possible.
    bool SelectPage(int index);

    std::function<void(bool& allowChange)> OnChanging;
    TNotifyEvent OnChange;

    QList<QWidget*> ChildControls() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TTabSheet;
    int NextEnabled(int from, int step) const;
    bool PageEnabled(int index) const;
    // Tabs of pages disabled while current are disabled once another page is current.
    void ApplyTabStates();
    bool UserSwitch(int index);
};

}  // namespace orv
