#include "orv/widgets/DBControls.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace orv {

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void TElidedLabel::SetText(const QString& text) {
    setText(text);
    UpdateToolTip();
}

bool TElidedLabel::Elided() const {
    const int room = contentsRect().width() - 2 * margin() - std::max(indent(), 0);
    return fontMetrics().horizontalAdvance(text()) > room;
}

QSize TElidedLabel::minimumSizeHint() const {
    // A few letters and the "…": the rest of the width is the layout's to give.
    const QMargins m = contentsMargins();
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("Nº 0…")) + m.left() + m.right() + 2 * margin();
    return {std::min(width, QLabel::minimumSizeHint().width()), QLabel::minimumSizeHint().height()};
}

void TElidedLabel::paintEvent(QPaintEvent* event) {
    if (!Elided()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = contentsRect().adjusted(margin() + std::max(indent(), 0), margin(), -margin(), -margin());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shown, foregroundRole());
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    UpdateToolTip();
}

void TElidedLabel::UpdateToolTip() { setToolTip(Elided() ? text() : QString()); }

TDBText::TDBText(QWidget* parent, const QString& name)
    : TElidedLabel(parent), TControl(this, name), link_([this](const DataSetEvent&) { Refresh(); }) {}

void TDBText::Refresh() {
    TField* field = link_.Field();
    QString text;
    if (field && link_.Active() && !link_.DataSet()->IsEmpty()) {
        try {
            text = field->DisplayText();
        } catch (...) {
            text.clear();  // a failing get-text handler must not stop the data set's events
        }
    }
    SetText(text);
}

TDBNavigator::TDBNavigator(QWidget* parent, const QString& name)
    : QWidget(parent), TControl(this, name), link_([this](const DataSetEvent&) { Refresh(); }) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const struct {
        QStyle::StandardPixmap icon;
        const char* hint;
        const char* name;
    } specs[] = {
        {QStyle::SP_MediaSkipBackward, "Primeiro", "nbFirst"},
        {QStyle::SP_MediaSeekBackward, "Anterior", "nbPrior"},
        {QStyle::SP_MediaSeekForward, "Próximo", "nbNext"},
        {QStyle::SP_MediaSkipForward, "Último", "nbLast"},
    };
    for (size_t i = 0; i < buttons_.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(specs[i].name));
        button->setIcon(style()->standardIcon(specs[i].icon));
        button->setToolTip(QString::fromUtf8(specs[i].hint));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
        const auto which = static_cast<TNavigateBtn>(i);
        connect(button, &QToolButton::clicked, this, [this, which] { BtnClick(which); });
        layout->addWidget(button);
        buttons_[i] = button;
    }
    Refresh();
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TDataSet* ds = link_.DataSet();
    if (!ds || !ds->Active()) return;
    const bool moved = Guard([ds, button] {
        switch (button) {
        case TNavigateBtn::First: ds->First(); break;
        case TNavigateBtn::Prior: ds->Prior(); break;
        case TNavigateBtn::Next: ds->Next(); break;
        case TNavigateBtn::Last: ds->Last(); break;
        }
    });
    if (moved && OnClick) Guard([this, button] { OnClick(button); });
}

void TDBNavigator::Refresh() {
    TDataSet* ds = link_.DataSet();
    const bool active = ds && ds->Active() && !ds->IsEmpty();
    const int recNo = active ? ds->RecNo() : 0;
    const int count = active ? ds->RecordCount() : 0;
    const bool inserting = active && ds->State() == DataSetState::Insert;
    // While inserting, the new record counts as a position of its own: every move leaves it.
    Button(TNavigateBtn::First)->setEnabled(active && (recNo > 1 || inserting));
    Button(TNavigateBtn::Prior)->setEnabled(active && (recNo > 1 || inserting));
    Button(TNavigateBtn::Next)->setEnabled(active && (recNo < count || inserting));
    Button(TNavigateBtn::Last)->setEnabled(active && (recNo < count || inserting));
}

}  // namespace orv
