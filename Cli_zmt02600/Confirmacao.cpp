// Confirmation and deletion: the toolbar's insert, edit, delete, confirm and cancel, the undoing
// of the last transfer on the server, and what follows every move to another transfer.
#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Host.h"
#include "orv/Routines.h"

namespace zmt02600 {

using namespace orv;

namespace {

// How long the status bar tells that a transfer was recorded.
constexpr int kGravadaMsecs = 5000;

}  // namespace

void TFrmTransferenciaFisica::sbtConfirmarClick() {
    TfrmPadraoGrid::sbtConfirmarClick();
    QString gravada;  // the number of the transfer the server took, as the navigator shows it
    {
        BusyGuard busy(1);
        const bool changed = cdsCapa.ChangeCount() > 0;
        nlohmann::json delta = changed ? cdsCapa.Delta() : nlohmann::json();
        nlohmann::json segundo;
        CheckResultServ(Server().SetConfirmar(delta, segundo));
        if (changed) gravada = cdsCapa.FieldByName(QStringLiteral("NRSEQCAPAOPEBEM")).AsString();
        cdsCapa.MergeChangeLog();
    }
    if (!gravada.isEmpty()) Host().ShowStatus(QStringLiteral("Transferência nº %1 gravada").arg(gravada), kGravadaMsecs);
    sbtVerificarClick();
}

void TFrmTransferenciaFisica::sbtIncluirClick() {
    TfrmPadraoGrid::sbtIncluirClick();
    if (dtsPadrao.DataSet() == &cdsCapa) CarregaAnte();
}

void TFrmTransferenciaFisica::sbtAlterarClick() {
    TfrmPadraoGrid::sbtAlterarClick();
    const DataSetState s = dtsCapa.State();
    SetChildEnabledNovo(panEmpresa, s == DataSetState::Inactive || s == DataSetState::Browse);
}

void TFrmTransferenciaFisica::sbtExcluirClick() {
    p_nrseqop = cdsCapa.FieldByName(QStringLiteral("NRSEQCAPAOPEBEM")).AsString();
    TfrmPadraoGrid::sbtExcluirClick();
    if (pgcPadrao->currentWidget() == tshFormulario) pgcPadrao->SetActivePage(tshPadrao);
}

void TFrmTransferenciaFisica::sbtCancelarClick() {
    TDataSet* ds = dtsPadrao.DataSet();
    const bool changing = ds && (ds->State() == DataSetState::Insert || ds->State() == DataSetState::Edit);
    if (changing && !ShowMsg(QStringLiteral("Canc"))) return;
    if (changing) ds->Cancel();
    sbtVerificarClick();
    if (!cdsCapa.Active() || cdsCapa.IsEmpty()) pgcPadrao->SetActivePage(tshPadrao);
}

void TFrmTransferenciaFisica::cdsCapaAfterDelete() {
    if (cdsCapa.ChangeCount() == 0) return;
    QString recusa;
    {
        BusyGuard busy(1);
        const QString empty;
        cdsValida_Del.SetData(CheckResultServ(
            Server().Retorna_Dados(Empresa(), StCdBemAtivo, p_nrseqop, QStringLiteral("01"), empty, empty, empty, empty)));
        if (cdsValida_Del.FieldByName(QStringLiteral("Retorno")).AsString() == QLatin1String("SIM")) {
            // Another clerk may have moved the asset since the verdict: the server's refusal
            // then reads as the verdict's, over a list that shows the record again.
            const contracts::ServerResult sent = Server().SetTransFisica(cdsCapa.Delta());
            if (sent.ok) {
                auto v = [this](const char* name) { return cdsValida_Del.FieldByName(QString::fromLatin1(name)).AsString(); };
                CheckResultServ(Server().Retorna_Dados(Empresa(), StCdBemAtivo, p_nrseqop, QStringLiteral("02"),
                                                       v("Filial"), v("CentCust"), v("Setor"), v("OperRespons")));
                cdsCapa.MergeChangeLog();
                return;
            }
            recusa = sent.error;
        }
    }
    // Refused: the reload brings the record back.
    sbtVerificarClick();
    MensErro(recusa.isEmpty() ? Msg(QStringLiteral("Bloq_Del")) : recusa);
}

void TFrmTransferenciaFisica::cdsCapaAfterCancel() { pgcPadrao->SetActivePage(tshPadrao); }

void TFrmTransferenciaFisica::cdsCapaAfterScroll() {
    atualiza_rateio();
    VerificaUltimaTransferencia();
    HabilitaBotao();
    vd_serie();
    vd_notafiscal();

    dbeNmFilialNovo->clear();
    Vd_Filial(QStringLiteral("Tipo 2"));
    dbeNmCentCustNovo->clear();
    Vd_CentroCusto(QStringLiteral("Tipo 2"));
    dbeNmSetorNovo->clear();
    dbeRespSetorNovo->clear();
    Vd_Setor(QStringLiteral("Tipo 2"));
    dbeNmOperNovo->clear();
    Vd_Responsavel(QStringLiteral("Tipo 2"));

    dbeNmFilialAnte->clear();
    Vd_Filial(QStringLiteral("Tipo 3"));
    dbeNmCentCustAnte->clear();
    Vd_CentroCusto(QStringLiteral("Tipo 3"));
    dbeNmSetorAnte->clear();
    dbeRespSetorAnte->clear();
    Vd_Setor(QStringLiteral("Tipo 3"));
    dbeNmOperAnte->clear();
    Vd_Responsavel(QStringLiteral("Tipo 3"));
}

}  // namespace zmt02600
