#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace orv {
class TDataSource;
}

namespace contracts {

// What the host shell offers every screen: messages, questions, pick lists, the busy
// animation, the operator's identity, the application server's address and the local cache.
// The shell installs its Qt implementation; tests and scripted sessions install a scripted one.
class IHostServices {
public:
    virtual ~IHostServices() = default;

    // Error/information message box (MensErro shows through it).
    virtual void ShowMessage(const QString& text) = 0;
    // Yes/no question; true for yes.
    virtual bool AskYesNo(const QString& text) = 0;

    // Single-choice pick list over the visible fields of the data source's data set. `title` is
    // "caption" or "caption|text shown when the list is empty". On a pick the data set is left
    // on the chosen row and true is returned.
    virtual bool Pesquisar(orv::TDataSource& source, const QString& title) = 0;
    // Multi-choice pick list with a tick column; `list` holds the keys joined by "_" on the way
    // in (pre-ticked) and out. Returns false when closed without confirming (list unchanged).
    virtual bool PesquisaLista(orv::TDataSource& source, const QString& keyField, const QString& title,
                               QString& list) = 0;

    // The save-file dialog of an export: proposes `proposedName` (a file name, no folder) with
    // the file type `filter` ("Arquivos CSV (*.csv)"); gives the path chosen, empty when the user
    // gave up.
    virtual QString ChooseSaveFile(const QString& title, const QString& proposedName, const QString& filter) = 0;

    // A short note in the shell's status bar, gone after `msecs` ("Transferência nº ... gravada").
    // Hosts without a status bar need not show it.
    virtual void ShowStatus(const QString& /*text*/, int /*msecs*/) {}

    // Busy animation over a window; kind 1 or 6.
    virtual void ShowBusy(int kind) = 0;
    virtual void HideBusy() = 0;

    // The logged-in operator: the one the server writes in the name of.
    virtual QString Operador() = 0;
    virtual QString NomeOperador() = 0;
    virtual QString WebURL() = 0;
    virtual int WebPort() = 0;
    // Access token the server connection presents: the logged-in operator's session.
    virtual QString AccessToken() = 0;
    // CA certificates (PEM) the server's certificate is checked against over https; empty: the
    // system's authorities.
    virtual QString CaFile() { return {}; }

    virtual void AtualizaLocalCache(const QStringList& tables) = 0;

    // The shell's main window, which owns the screens a module creates (null without a shell).
    virtual QObject* MainWindow() { return nullptr; }
};

}  // namespace contracts
