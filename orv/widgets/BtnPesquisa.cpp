#include "orv/widgets/BtnPesquisa.h"

#include "orv/Host.h"

#include <QEvent>
#include <QStyle>

#include <stdexcept>

namespace orv {

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
    }
}

bool TBtnPesquisa::eventFilter(QObject* watched, QEvent* event) {
    // A display-only associate makes the lookup pointless.
    if (watched == associate_ && event->type() == QEvent::EnabledChange) setEnabled(associate_->isEnabled());
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
