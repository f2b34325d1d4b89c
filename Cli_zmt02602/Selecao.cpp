// The batch dialog's lifetime, its shared variables and the choice of the assets: groups,
// branches and assets, each "Todos" or a list ticked in a multi-choice pick list.
#include "Cli_zmt02602/TfrmCadAuto.h"

#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/Guard.h"

#include <QApplication>

extern "C" {
zmt02602::TfrmCadAuto* frmCadAuto = nullptr;
bool boStCriado = false;
QString stListaGrupo;
QString stListaBem;
QString stListaFil;
QString StTipoOper;
QString V_IDTPAPROP;
QString V_IDIDENTBEM;
QString V_IDINDICUTL;
QString V_IDNRPARC;
QString V_PisCof;
}

namespace {

// Unloading the module empties what a next load must not see. Defined after the variables, so
// it is destroyed before them.
struct EmptyOnUnload {
    ~EmptyOnUnload() {
        for (QString* s : {&stListaGrupo, &stListaBem, &stListaFil, &StTipoOper, &V_IDTPAPROP, &V_IDIDENTBEM,
                           &V_IDINDICUTL, &V_IDNRPARC, &V_PisCof})
            s->clear();
        frmCadAuto = nullptr;
    }
} g_emptyOnUnload;

}  // namespace

extern "C" void CriaCadAuto() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    orv::Guard([] {
        if (!frmCadAuto) {
            frmCadAuto = new zmt02602::TfrmCadAuto(FrmTransferenciaFisica);
            boStCriado = true;
        }
        zmt02602::TfrmCadAuto* dialog = frmCadAuto;
        dialog->setVisible(false);
        // The hourglass is for the opening only, not for the time the clerk spends in it.
        QApplication::restoreOverrideCursor();
        dialog->exec();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // Closed: nothing reaches it any more, and the next opening starts afresh.
        if (frmCadAuto != dialog) dialog->deleteLater();
    });
    QApplication::restoreOverrideCursor();
}

namespace zmt02602 {

using namespace orv;

QString TfrmCadAuto::Empresa() const {
    return FrmTransferenciaFisica ? FrmTransferenciaFisica->medEmpresa->text() : QString();
}

void TfrmCadAuto::FormClose() {
    TfrmRotiGeral::FormClose();
    stListaGrupo.clear();
    if (frmCadAuto == this) frmCadAuto = nullptr;
}

void TfrmCadAuto::rbtGrupoBtodosClick() { btpGrupo->setEnabled(rbtGrupoBLista->isChecked()); }
void TfrmCadAuto::rbtGrupoBListaClick() { btpGrupo->setEnabled(rbtGrupoBLista->isChecked()); }
void TfrmCadAuto::rbtTodosFilClick() { BtnPesqFilial->setEnabled(rbtListaFil->isChecked()); }
void TfrmCadAuto::rbtListaFilClick() { BtnPesqFilial->setEnabled(rbtListaFil->isChecked()); }
void TfrmCadAuto::rbtBemTodosClick() { btpBem->setEnabled(rbtBemLista->isChecked()); }
void TfrmCadAuto::rbtBemListaClick() { btpBem->setEnabled(rbtBemLista->isChecked()); }

void TfrmCadAuto::btpGrupoClick() {
    qryPesqGrupoBem.Close();
    qryPesqGrupoBem.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(Empresa());
    qryPesqGrupoBem.Open();
    const QString title = QStringLiteral("Grupo de Bem|") + Msg(QStringLiteral("GRUPO_N_CAD"));
    Host().PesquisaLista(dtsPesqGrupo, QStringLiteral("CDGRUPOBEM"), title, stListaGrupo);
}

void TfrmCadAuto::BtnPesqFilialClick() {
    qryFilial.Close();
    qryFilial.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(Empresa());
    // Once a list exists, only its branches are offered again.
    const bool todas = rbtTodosFil->isChecked() || stListaFil.isEmpty();
    qryFilial.ParamByName(QStringLiteral("P_CDFILIAL")).SetAsString(todas ? QStringLiteral("T") : stListaFil);
    qryFilial.Open();
    const QString title = Msg(QStringLiteral("FIL")) + QLatin1Char('|') + Msg(QStringLiteral("FIL_N_CAD"));
    Host().PesquisaLista(dtsFilial, QStringLiteral("CDFILIAL"), title, stListaFil);
}

void TfrmCadAuto::btpBemClick() {
    if (rbtGrupoBLista->isChecked() && stListaGrupo.isEmpty()) {
        FocusControl(rbtGrupoBLista);
        MensErro(Msg(QStringLiteral("GRUPO_BEM_INF")));
    }
    if (rbtListaFil->isChecked() && stListaFil.isEmpty()) {
        FocusControl(rbtListaFil);
        MensErro(Msg(QStringLiteral("FIL_INF")));
    }
    qryBem.Close();
    qryBem.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(Empresa());
    const bool grupos = stListaGrupo.isEmpty() || rbtGrupoBtodos->isChecked();
    qryBem.ParamByName(QStringLiteral("P_CDGRUPOS")).SetAsString(grupos ? QStringLiteral("T") : stListaGrupo);
    qryBem.ParamByName(QStringLiteral("P_CDFILIAL")).SetAsString(rbtTodosFil->isChecked() ? QStringLiteral("T") : stListaFil);
    qryBem.Open();
    const QString title = Msg(QStringLiteral("BEM")) + QLatin1Char('|') + Msg(QStringLiteral("BEM_N_CAD"));
    Host().PesquisaLista(dtsBemAtivo, QStringLiteral("CDBEMATIVO"), title, stListaBem);
}

}  // namespace zmt02602
