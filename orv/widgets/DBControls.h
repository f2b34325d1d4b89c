#pragma once

#include "orv/widgets/Control.h"
#include "orv/widgets/DataLink.h"

#include <QLabel>
#include <QToolButton>

#include <array>

namespace orv {

// A one-line label that may be narrower than its text: the text stays whole (text()), the
// painting cuts it with "…" and the tooltip then shows it whole. It asks the layout for little
// width, so a long text never widens its window.
class TElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    // setText that also keeps the tooltip right.
    void SetText(const QString& text);
    // The text does not fit the width the label has.
    bool Elided() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateToolTip();
};

// Label showing a field's display text of the current record (a navigator's caption).
class TDBText : public TElidedLabel, public TControl {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent = nullptr, const QString& name = {});

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    const QString& DataField() const { return link_.FieldName(); }
    void SetDataField(const QString& field) { link_.SetFieldName(field); }
    TField* Field() const { return link_.Field(); }

private:
    void Refresh();
    TDataLink link_;
};

enum class TNavigateBtn { First, Prior, Next, Last };

// First/prior/next/last buttons over a data source. The buttons never take the focus; each is
// enabled only when it can move the cursor.
class TDBNavigator : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent = nullptr, const QString& name = {});

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }

    QToolButton* Button(TNavigateBtn button) const { return buttons_[static_cast<size_t>(button)]; }
    // As a click on the button (also when it is disabled).
    void BtnClick(TNavigateBtn button);

    // After the cursor moved.
    std::function<void(TNavigateBtn)> OnClick;

    QList<QWidget*> ChildControls() const override { return {}; }

private:
    void Refresh();
    TDataLink link_;
    std::array<QToolButton*, 4> buttons_{};
};

}  // namespace orv
