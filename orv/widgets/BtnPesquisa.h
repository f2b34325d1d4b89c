#pragma once

#include "orv/DataSet.h"
#include "orv/widgets/Control.h"

#include <QPointer>
#include <QToolButton>

namespace orv {

// Lookup button beside an edit (its Associate, whose enabled state it follows). A click fires
// OnBeforePesq, where the screen opens the query behind DataSource (and may set `proceed` to
// false); then the host's single-choice pick list runs over DataSource with the title
// (Title, plus "|" EmptyError when set: the text shown for an empty list); when a row is picked
// OnAfterPesq gets the data set on that row. A button with its own OnClick does its own search
// instead. Never takes the focus: F4 or Alt+Down in the associate opens the lookup as a click
// would, and the hint says so.
class TBtnPesquisa : public QToolButton, public TControl {
    Q_OBJECT
public:
    explicit TBtnPesquisa(QWidget* parent = nullptr, const QString& name = {});

    QWidget* Associate() const { return associate_; }
    void SetAssociate(QWidget* associate);
    QString Title;
    TDataSource* DataSource = nullptr;
    QString EmptyError;

    std::function<void(bool& proceed)> OnBeforePesq;
    std::function<void(TDataSet& dataSet)> OnAfterPesq;
    TNotifyEvent OnClick;

    // As a user's click (nothing while disabled).
    void Click() { click(); }
    // The lookup itself: true when a row was picked. Throws what the handlers throw.
    bool Execute();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowKeyInHint();

    QPointer<QWidget> associate_;
};

}  // namespace orv
