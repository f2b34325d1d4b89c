#pragma once

#include "orv/DataSet.h"
#include "orv/Messages.h"
#include "orv/widgets/DBControls.h"
#include "orv/widgets/DBGrid.h"
#include "orv/widgets/PageControl.h"
#include "orv/widgets/StdControls.h"

#include <QDialog>
#include <QKeySequence>
#include <QList>
#include <QPair>
#include <QWidget>

class QMenu;
class QMenuBar;

namespace orv {

// The general message table: what a screen's own table does not have ("Canc", "Excl").
const TMessages& GeneralMessages();

// Base of the list-and-record screens: a top-level window with the Operação menu, the toolbar,
// the list page with its grid, the navigator, the data source and the message tables.
//
// The shell constructs the screen and calls Initialize() once, which runs FormCreate(). The
// toolbar buttons, their menu twins and the twins' keys (Ins Incluir, F2 Alterar, Ctrl+Del
// Excluir, Ctrl+F Localizar, F5 Atualizar, F10 Confirmar, Esc Cancelar) run the same virtual
// handler through Guard, and only while the button is enabled; a derived screen overrides a
// handler and calls the base one where it wants the base behaviour. Once Incluir or Alterar has
// started a record, the focus goes to the first field of the current page.
class TfrmPadraoGrid : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPadraoGrid(QWidget* parent = nullptr);
    ~TfrmPadraoGrid() override;

    // Runs FormCreate() then the state-change refresh; false when FormCreate was aborted.
    bool Initialize();

    QMenuBar* mnuPrincipal;
    QMenu* mnuOperacao;
    TMenuItem* mnuIncluir;
    TMenuItem* mnuAlterar;
    TMenuItem* mnuExcluir;
    TMenuItem* mnuLocalizar;
    TMenuItem* mnuVerificar;
    TMenuItem* mnuConfirmar;
    TMenuItem* mnuCancelar;
    TMenuItem* mnuListagem;

    TPanel* panMenu;
    TSpeedButton* sbtIncluir;
    TSpeedButton* sbtAlterar;
    TSpeedButton* sbtExcluir;
    TSpeedButton* sbtLocalizar;
    TSpeedButton* sbtVerificar;
    TSpeedButton* sbtImprimir;
    TSpeedButton* sbtConfirmar;
    TSpeedButton* sbtCancelar;
    TLabel* lblCodTela;

    TPageControl* pgcPadrao;
    TTabSheet* tshPadrao;
    TDBGrid* dbgPadrao;
    TPanel* panNavegador;
    TDBText* dbtNome;
    TDBNavigator* dbnPadrao;

    TDataSource dtsPadrao{QStringLiteral("dtsPadrao")};
    TMessages msgPadrao;

    // The seven button/menu twins: Incluir, Alterar, Excluir, Localizar, Verificar, Confirmar,
    // Cancelar.
    QList<QPair<TSpeedButton*, TMenuItem*>> ButtonTwins() const;
    TMenuItem* TwinOf(const TSpeedButton* button) const;  // sbtImprimir's is mnuListagem
    // Enables or disables a toolbar button together with its menu twin.
    void SetButtonEnabled(TSpeedButton* button, bool enabled);

    // The text of a key: the screen's own table first, then the general one.
    QString Msg(const QString& key) const;
    // Asks the key's text as a yes/no question through the host.
    bool ShowMsg(const QString& key) const;

    template <class T = QObject>
    T* Find(const QString& name) const {
        return FindComponent<T>(this, name);
    }

    virtual void FormCreate() {}
    // Throws (EAbort) to refuse the close. Base: a modified pending record is abandoned only
    // after "Canc"; an untouched one is cancelled.
    virtual void FormClose();
    virtual void sbtIncluirClick();    // Append
    virtual void sbtAlterarClick();    // Edit
    virtual void sbtExcluirClick();    // "Excl", then Delete
    virtual void sbtLocalizarClick();  // pick list over dtsPadrao, which it positions
    virtual void sbtVerificarClick() {}
    virtual void sbtImprimirClick() {}
    virtual void sbtConfirmarClick();  // Post of the pending insert or edit
    virtual void sbtCancelarClick();   // cancels the pending record ("Canc" first when modified)
    // Confirmar/Cancelar only while inserting or editing; Incluir, Alterar, Excluir, Verificar and
    // Imprimir only while browsing (or closed); Localizar only while browsing a non-empty list;
    // the navigator only while browsing.
    virtual void dtsPadraoStateChange();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool Editing() const;
    // Localizar depends on the list having records.
    void UpdateRecordButtons();
    // The first control of the current page that Tab stops at, its text selected.
    void FocusFirstField();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TSpeedButton* AddButton(const QString& name, const QString& caption, int icon, void (TfrmPadraoGrid::*handler)(),
                            TMenuItem* twin, const QKeySequence& key);
    void RunCommand(TSpeedButton* button, void (TfrmPadraoGrid::*handler)());
    QList<QPair<TSpeedButton*, TMenuItem*>> twins_;
};

// Base of the routine and report dialogs: a toolbar with the Confirma button and the screen
// code, and the group box of the report's data.
class TfrmRotiGeral : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRotiGeral(QWidget* parent = nullptr);
    ~TfrmRotiGeral() override;

    bool Initialize();

    TPanel* panMenu;
    TPanel* panBotoes;
    TSpeedButton* sbtConfirma;
    TLabel* lblCodTela;
    TGroupBox* grbDadosRel;
    TMessages msgPadrao;

    QString Msg(const QString& key) const;
    bool ShowMsg(const QString& key) const;

    template <class T = QObject>
    T* Find(const QString& name) const {
        return FindComponent<T>(this, name);
    }

    virtual void FormCreate() {}
    // Throws (EAbort) to refuse the close.
    virtual void FormClose() {}
    virtual void sbtConfirmaClick() {}

    // Every way out (accept, reject, Esc, the window's close button) asks FormClose first.
    void done(int result) override;
};

}  // namespace orv
