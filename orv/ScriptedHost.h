#pragma once

#include "contracts/HostServices.h"

#include <QStringList>

#include <deque>
#include <functional>

namespace orv {

class TDataSet;

// Host services for tests and scripted sessions: records every message and answers questions
// and pick lists from queues. An unexpected question or pick list is an error, never a wait.
class ScriptedHost : public contracts::IHostServices {
public:
    // Typed into the real pick list instead of answering for it: the filter text, then the
    // names of the keys pressed (as a script's key command names them).
    struct Typing {
        QString text;
        QStringList keys;
        bool empty() const { return keys.isEmpty(); }
    };
    struct Pick {
        bool none = false;  // closed without a choice
        QString field;
        QString value;
        Typing typing;
    };
    struct PickMany {
        bool none = false;
        QStringList keys;
        Typing typing;
    };
    struct SaveFile {
        bool none = false;  // the dialog closed without a name
        QString path;
    };

    // Thrown when the session asks something that nothing was queued for.
    class Unexpected : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    QString operador = QStringLiteral("000000000001");
    QString nomeOperador = QStringLiteral("Administrador do Sistema");
    QString webUrl = QStringLiteral("127.0.0.1");
    int webPort = 0;
    QString token;
    QString caFile;

    std::deque<bool> answers;
    std::deque<Pick> picks;
    std::deque<PickMany> pickManys;
    std::deque<SaveFile> saveFiles;
    // Files the next pick lists are exported to, as their "Exportar para CSV" writes them.
    std::deque<QString> listExports;

    QStringList messages;           // every message shown, in order
    QStringList questions;          // every question asked
    QStringList lastList;           // rows offered by the last pick list (first visible column)
    QStringList lastListTitles;     // titles of every pick list
    // What the last pick list gave back: the picked row's first visible column, or the ticked
    // keys joined by "|"; empty when it closed without a choice.
    QString lastPicked;
    QStringList cacheRefreshes;     // tables asked to refresh
    QStringList proposedFiles;      // the names every save-file dialog proposed
    QStringList statuses;           // every status-bar note, in order
    int busyDepth = 0;
    int busyShown = 0;
    // Called whenever a message is shown (a script driver checks order with it).
    std::function<void(const QString&)> onMessage;
    // Called whenever the busy animation starts (a test steps in before a server call with it).
    std::function<void(int kind)> onBusy;

    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    bool Pesquisar(TDataSource& source, const QString& title) override;
    bool PesquisaLista(TDataSource& source, const QString& keyField, const QString& title, QString& list) override;
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
    void AtualizaLocalCache(const QStringList& tables) override { cacheRefreshes << tables; }

    // Unused answers at the end of a session are a fault of the script.
    bool AllConsumed() const {
        return answers.empty() && picks.empty() && pickManys.empty() && saveFiles.empty() && listExports.empty();
    }

protected:
    // The real pick list with the keys typed into it (only a shell's session has one): the row
    // picked (0-based), -1 when it closed without a choice; for a multi-choice list, false when
    // it closed without confirming, else `list` holds the ticked keys as PesquisaLista gives them.
    virtual int TypeIntoList(TDataSet& ds, const QString& caption, const Typing& typing);
    virtual bool TypeIntoTickList(TDataSet& ds, const QString& caption, const QString& keyField,
                                  const Typing& typing, QString& list);

private:
    // Records what the list offers; the data set, or null after showing the empty-list text.
    TDataSet* ListToOffer(TDataSource& source, const QString& title, QString& caption);
};

// Splits "caption|empty text".
void SplitTitle(const QString& title, QString& caption, QString& emptyText);

}  // namespace orv
