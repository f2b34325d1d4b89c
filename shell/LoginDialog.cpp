#include "shell/LoginDialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

namespace {

constexpr int kCodeLength = 12;  // OPERADOR.CDOPERADOR

}  // namespace

LoginDialog::LoginDialog(Verify verify, const QString& operador, QWidget* parent)
    : QDialog(parent), verify_(std::move(verify)) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Entrada no sistema"));
    setModal(true);

    edtOperador_ = new QLineEdit(operador, this);
    edtOperador_->setObjectName(QStringLiteral("edtOperador"));
    edtOperador_->setMaxLength(kCodeLength);
    edtSenha_ = new QLineEdit(this);
    edtSenha_->setObjectName(QStringLiteral("edtSenha"));
    edtSenha_->setEchoMode(QLineEdit::Password);
    lblMensagem_ = new QLabel(this);
    lblMensagem_->setObjectName(QStringLiteral("lblMensagem"));
    lblMensagem_->setStyleSheet(QStringLiteral("color:#B00000;"));
    lblMensagem_->setWordWrap(true);

    btnEntrar_ = new QPushButton(QStringLiteral("Entrar"), this);
    btnEntrar_->setObjectName(QStringLiteral("btnEntrar"));
    btnEntrar_->setDefault(true);  // Enter in either field confirms
    auto* cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cancelar->setObjectName(QStringLiteral("btnCancelar"));
    cancelar->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Operador:"), edtOperador_);
    form->addRow(QStringLiteral("&Senha:"), edtSenha_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnEntrar_);
    buttons->addWidget(cancelar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblMensagem_);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    connect(edtOperador_, &QLineEdit::editingFinished, this, [this] { PadOperator(); });
    connect(btnEntrar_, &QPushButton::clicked, this, [this] { Confirm(); });
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    (operador.isEmpty() ? edtOperador_ : edtSenha_)->setFocus();
}

QString LoginDialog::Operador() const { return edtOperador_->text().trimmed(); }

void LoginDialog::PadOperator() {
    const QString code = edtOperador_->text().trimmed();
    const bool digits = !code.isEmpty() && std::all_of(code.begin(), code.end(), [](QChar c) { return c.isDigit(); });
    if (digits && code.size() < kCodeLength) edtOperador_->setText(code.rightJustified(kCodeLength, QLatin1Char('0')));
}

void LoginDialog::Confirm() {
    PadOperator();
    QString why;
    QLineEdit* retry = edtSenha_;
    if (Operador().isEmpty()) {
        why = QStringLiteral("Informe o operador.");
        retry = edtOperador_;
    } else if (edtSenha_->text().isEmpty()) {
        why = QStringLiteral("Informe a senha.");
    } else {
        lblMensagem_->clear();
        btnEntrar_->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        why = verify_(Operador(), edtSenha_->text());
        QApplication::restoreOverrideCursor();
        btnEntrar_->setEnabled(true);
        if (why.isEmpty()) {
            edtSenha_->clear();
            accept();
            return;
        }
        edtSenha_->clear();
    }
    lblMensagem_->setText(why);
    retry->setFocus();
}

}  // namespace shell
