#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {

// Asks who is at the keyboard before the menu: "Operador" and "Senha". Enter confirms; a refusal
// is shown in the dialog, which stays open for another try.
class LoginDialog : public QDialog {
public:
    // Checks the pair and opens the session; gives the text to show when it could not.
    using Verify = std::function<QString(const QString& operador, const QString& senha)>;

    explicit LoginDialog(Verify verify, const QString& operador = {}, QWidget* parent = nullptr);

    // The operator as confirmed (a code typed in digits is padded to twelve, as codes are stored).
    QString Operador() const;

private:
    void Confirm();
    void PadOperator();

    Verify verify_;
    QLineEdit* edtOperador_;
    QLineEdit* edtSenha_;
    QLabel* lblMensagem_;
    QPushButton* btnEntrar_;
};

}  // namespace shell
