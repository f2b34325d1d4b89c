#pragma once

#include "contracts/HostServices.h"

#include <QPointer>
#include <QString>

class QLabel;

namespace orv {
class TDataSet;
}
class QWidget;

namespace shell {

// The shell's host services: Qt message boxes and pick lists, a wait cursor with a small
// overlay as the busy animation, the logged-in operator, the server's address and the session.
class ShellHost : public contracts::IHostServices {
public:
    QString operador, nomeOperador, webUrl = QStringLiteral("127.0.0.1"), token, caFile;
    int webPort = 0;

    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    bool Pesquisar(orv::TDataSource& source, const QString& title) override;
    bool PesquisaLista(orv::TDataSource& source, const QString& keyField, const QString& title, QString& list) override;
    QString ChooseSaveFile(const QString& title, const QString& proposedName, const QString& filter) override;
    void ShowStatus(const QString& text, int msecs) override;
    void ShowBusy(int kind) override;
    void HideBusy() override;
    QString Operador() override { return operador; }
    QString NomeOperador() override { return nomeOperador; }
    QString WebURL() override { return webUrl; }
    int WebPort() override { return webPort; }
    QString AccessToken() override { return token; }
    QString CaFile() override { return caFile; }
    // Screens read the shared database directly, so there is no local copy to refresh.
    void AtualizaLocalCache(const QStringList&) override {}
    QObject* MainWindow() override { return mainWindow; }

    QObject* mainWindow = nullptr;

private:
    // The data set to offer, or null after showing the empty-list text.
    orv::TDataSet* ListToOffer(orv::TDataSource& source, const QString& title, QString& caption);

    QString saveFolder_;  // where the last file was saved, proposed again
    int busyDepth_ = 0;
    QPointer<QLabel> overlay_;
};

}  // namespace shell
