#include "orv/widgets/BtnPesquisa.h"

#include "orv/Host.h"

#include <QEvent>
#include <QKeyEvent>
#include <QStyle>

#include <stdexcept>

namespace orv {

namespace {

const QString kKeyHint = QStringLiteral(" (F4)");

// F4 or Alt+Down, as a combo box opens its list; Alt+F4 still closes the window.
bool OpensLookup(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    return (key.key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
           (key.key() == Qt::Key_Down && modifiers == Qt::AltModifier);
}

}  // namespace

TBtnPesquisa::TBtnPesquisa(QWidget* parent, const QString& name) : QToolButton(parent), TControl(this, name) {
    setFocusPolicy(Qt::NoFocus);
    setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    setToolTip(QStringLiteral("Pesquisar"));
    connect(this, &QToolButton::clicked, this, [this] { Guard([this] { Execute(); }); });
}

void TBtnPesquisa::SetAssociate(QWidget* associate) {
    if (associate_) associate_->removeEventFilter(this);
    associate_ = associate;
    if (associate_) {
        associate_->installEventFilter(this);
        setEnabled(associate_->isEnabled());
        ShowKeyInHint();
    }
}

bool TBtnPesquisa::event(QEvent* event) {
    if (event->type() == QEvent::ToolTipChange) ShowKeyInHint();
    return QToolButton::event(event);
}

// Only a button that already has a hint and an associate to press the key in.
void TBtnPesquisa::ShowKeyInHint() {
    const QString hint = toolTip();
    if (associate_ && !hint.isEmpty() && !hint.endsWith(kKeyHint)) setToolTip(hint + kKeyHint);
}

bool TBtnPesquisa::eventFilter(QObject* watched, QEvent* event) {
    if (watched == associate_) {
        // A display-only associate makes the lookup pointless.
        if (event->type() == QEvent::EnabledChange) setEnabled(associate_->isEnabled());
        if (event->type() == QEvent::KeyPress && OpensLookup(*static_cast<QKeyEvent*>(event)) && isEnabled() &&
            !isHidden()) {
            Click();
            return true;
        }
    }
    return QToolButton::eventFilter(watched, event);
}

bool TBtnPesquisa::Execute() {
    if (OnClick) {
        OnClick();
        return false;
    }
    bool proceed = true;
    if (OnBeforePesq) OnBeforePesq(proceed);
    if (!proceed) return false;
    if (!DataSource || !DataSource->DataSet())
        throw std::logic_error(QStringLiteral("%1: pesquisa sem fonte de dados.").arg(objectName()).toStdString());
    const QString title = EmptyError.isEmpty() ? Title : Title + QLatin1Char('|') + EmptyError;
    if (!Host().Pesquisar(*DataSource, title)) return false;
    if (OnAfterPesq) OnAfterPesq(*DataSource->DataSet());
    return true;
}

}  // namespace orv
