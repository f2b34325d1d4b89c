// Screen state: which pages, groups, toolbar buttons and menu items are usable, the rule that
// only the asset's last transfer may change, and the page switching.
#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

namespace zmt02600 {

using namespace orv;

namespace {

bool Browsing(DataSetState s) { return s == DataSetState::Browse; }
bool InactiveOrBrowsing(DataSetState s) { return s == DataSetState::Inactive || s == DataSetState::Browse; }
bool Changing(DataSetState s) { return s == DataSetState::Insert || s == DataSetState::Edit; }

const QString kSoUltima = QStringLiteral("Só a última transferência do bem pode ser alterada ou excluída.");

}  // namespace

void TFrmTransferenciaFisica::VerificaUltimaTransferencia() {
    const DataSetState state = dtsPadrao.State();
    QWidget* const pages[] = {tshFormulario, tshParamContabil, tshRateio};
    if (Browsing(state)) {
        cdsUltFecha.SetData(CheckResultServ(Server().VerificaUltimaTransferencia(Empresa(), StCdBemAtivo)));
        // An empty list has no current record, and so no last transfer to change.
        const bool last = cdsCapa.Active() && !cdsCapa.IsEmpty() && !cdsUltFecha.IsEmpty() &&
                          cdsCapa.FieldByName(QStringLiteral("NRSEQCAPAOPEBEM")).AsString() ==
                              cdsUltFecha.FieldByName(QStringLiteral("NRSEQCAPAOPEBEM")).AsString();
        ultimaTransferencia_ = last;
        QWidget* page = pgcPadrao->currentWidget();
        if (!last) {
            for (QWidget* p : pages) SetChildEnabledNovo(p, false);
            sbtAlterar->setEnabled(false);
            sbtExcluir->setEnabled(false);
            const bool list = page == tshPadrao;
            sbtIncluir->setEnabled(list);
            // Nothing to find in an empty list.
            sbtLocalizar->setEnabled(list && cdsCapa.Active() && !cdsCapa.IsEmpty());
            sbtVerificar->setEnabled(list);
        } else {
            for (QWidget* p : pages) SetChildEnabledNovo(p, true);
            sbtAlterar->setEnabled(true);
            sbtIncluir->setEnabled(true);
            if (page == tshPadrao || page == tshFormulario) {
                sbtExcluir->setEnabled(true);
            } else if (page == tshRateio) {
                const bool rows = cdsRateio.Active() && !cdsRateio.IsEmpty();
                sbtExcluir->setEnabled(rows);
                sbtAlterar->setEnabled(rows);
            } else if (page == tshParamContabil) {
                const bool rows = cdsCtblBemAtivo.Active() && !cdsCtblBemAtivo.IsEmpty();
                sbtExcluir->setEnabled(rows);
                sbtAlterar->setEnabled(rows);
            }
        }
    } else if (Changing(state)) {
        for (QWidget* p : pages) SetChildEnabledNovo(p, true);
        for (TSpeedButton* b : {sbtAlterar, sbtExcluir, sbtIncluir, sbtLocalizar, sbtVerificar}) b->setEnabled(false);
        sbtConfirmar->setEnabled(true);
        sbtCancelar->setEnabled(true);
    }
}

void TFrmTransferenciaFisica::HabilitaBotao() {
    for (const auto& [button, twin] : ButtonTwins()) twin->setEnabled(button->isEnabled());
    // A change or an undo refused by the last-transfer rule says why on its button.
    const bool antiga = Browsing(dtsPadrao.State()) && cdsCapa.Active() && !cdsCapa.IsEmpty() && !ultimaTransferencia_;
    for (TSpeedButton* b : {sbtAlterar, sbtExcluir}) b->SetDisabledHint(antiga ? kSoUltima : QString());
}

void TFrmTransferenciaFisica::SetChildEnabledNovo(QWidget* container, bool enable) {
    for (QWidget* child : DirectChildControls(container)) {
        TControl* control = AsControl(child);
        if (IsTextEdit(child) && control && control->Color() == ColorKind::BtnFace) continue;
        if (control && control->Tag() == 99) continue;
        child->setEnabled(enable);
    }
}

void TFrmTransferenciaFisica::dtsPadraoStateChange() {
    TfrmPadraoGrid::dtsPadraoStateChange();
    // Nothing to print on this screen.
    sbtImprimir->setEnabled(false);
    mnuListagem->setEnabled(false);
    const DataSetState padrao = dtsPadrao.State();
    const bool capaChanging = Changing(cdsCapa.State());

    // 1. Nothing to show: only the list page.
    const bool empty = !cdsCapa.Active() || (cdsCapa.IsEmpty() && !capaChanging);
    for (TTabSheet* p : {tshFormulario, tshParamContabil, tshRateio}) p->SetEnabled(!empty);
    mnuFormulario->setEnabled(!empty);

    // 2. A record being changed is reached through the form only.
    if (capaChanging) {
        tshFormulario->SetEnabled(true);
        mnuFormulario->setEnabled(true);
        tshPadrao->SetEnabled(false);
        mnuFolhaDados->setEnabled(false);
    } else {
        tshPadrao->SetEnabled(true);
        mnuFolhaDados->setEnabled(true);
    }

    // 3. Editing happens on the form. Before the groups below: an edit started on the list
    // would otherwise reach the form with date, type and motive still open.
    if (cdsCapa.State() == DataSetState::Edit) pgcPadrao->SetActivePage(tshFormulario);

    // 4. The form's groups: date, type and motive only while inserting.
    if (pgcPadrao->currentWidget() == tshFormulario && Changing(padrao)) {
        SetChildEnabledNovo(grbTipoOper, padrao == DataSetState::Insert);
        SetChildEnabledNovo(grbLocalNovo, true);
        SetChildEnabledNovo(grbDadosTransferencia, true);
    } else {
        SetChildEnabledNovo(panEmpresa, InactiveOrBrowsing(padrao));
    }

    // 5. The page being edited is the only reachable one.
    if (Changing(padrao)) {
        QWidget* page = pgcPadrao->currentWidget();
        if (page == tshFormulario) {
            for (TTabSheet* p : {tshParamContabil, tshRateio, tshPadrao}) p->SetEnabled(false);
            mnuFolhaDados->setEnabled(false);
        } else if (page == tshParamContabil) {
            for (TTabSheet* p : {tshFormulario, tshRateio, tshPadrao}) p->SetEnabled(false);
            mnuFormulario->setEnabled(false);
            mnuFolhaDados->setEnabled(false);
        } else if (page == tshRateio) {
            for (TTabSheet* p : {tshFormulario, tshParamContabil, tshPadrao}) p->SetEnabled(false);
            mnuFormulario->setEnabled(false);
            mnuFolhaDados->setEnabled(false);
        }
    }

    // 6. The batch dialog only while browsing a company.
    sbtCadAut->setEnabled(InactiveOrBrowsing(padrao) && !medEmpresa->text().isEmpty());

    // 7.
    HabilitaBotaoLinhas();
    HabilitaBotao();
}

void TFrmTransferenciaFisica::HabilitaBotaoLinhas() {
    if (dtsPadrao.State() != DataSetState::Browse) return;
    QWidget* page = pgcPadrao->currentWidget();
    const TDataSet* linhas = page == tshRateio ? &cdsRateio : page == tshParamContabil ? &cdsCtblBemAtivo : nullptr;
    if (!linhas) return;
    const bool temLinhas = linhas->Active() && !linhas->IsEmpty();
    sbtLocalizar->setEnabled(false);  // it searches the transfer list only
    sbtIncluir->setEnabled(ultimaTransferencia_);
    sbtAlterar->setEnabled(ultimaTransferencia_ && temLinhas);
    sbtExcluir->setEnabled(ultimaTransferencia_ && temLinhas);
    HabilitaBotao();
}

void TFrmTransferenciaFisica::pgcPadraoChange() {
    VerificaUltimaTransferencia();
    HabilitaBotao();
    QWidget* page = pgcPadrao->currentWidget();
    if (page == tshPadrao || page == tshFormulario) {
        dtsPadrao.SetDataSet(&cdsCapa);
        atualiza_rateio();
        sbtLocalizar->setEnabled(cdsCapa.Active() && cdsCapa.RecordCount() > 0);
    } else if (page == tshRateio) {
        dtsPadrao.SetDataSet(&cdsRateio);
        atualiza_rateio();
        sbtLocalizar->setEnabled(false);
    } else if (page == tshParamContabil) {
        dtsPadrao.SetDataSet(&cdsCtblBemAtivo);
        Atualiza_CtblBem();
        sbtLocalizar->setEnabled(false);
    }
    mnuFolhaDados->SetChecked(page == tshPadrao);
    mnuFormulario->SetChecked(page == tshFormulario);
    sbtVerificarClick();
}

void TFrmTransferenciaFisica::pgcPadraoEnter() {
    if (dtsPadrao.State() == DataSetState::Insert) {
        if (pgcPadrao->currentWidget() != tshFormulario) return;
        for (TTabSheet* p : {tshParamContabil, tshRateio, tshPadrao}) p->SetEnabled(false);
        mnuFolhaDados->setEnabled(false);
        tshFormulario->SetEnabled(true);
        mnuFormulario->setEnabled(true);
        return;
    }
    if (!cdsCapa.Active() || cdsCapa.IsEmpty()) return;
    for (TTabSheet* p : {tshPadrao, tshFormulario, tshParamContabil, tshRateio}) p->SetEnabled(true);
    mnuFolhaDados->setEnabled(true);
    mnuFormulario->setEnabled(true);
}

void TFrmTransferenciaFisica::mnuFolhaDadosClick() {
    pgcPadrao->SetActivePage(tshPadrao);
    pgcPadraoChange();
}

void TFrmTransferenciaFisica::mnuFormularioClick() {
    if (Changing(dtsPadrao.State())) {
        // The record being typed stays: no reload, which would drop it.
        pgcPadrao->SetActivePage(tshFormulario);
        mnuFolhaDados->SetChecked(false);
        mnuFormulario->SetChecked(true);
        return;
    }
    tshFormulario->SetEnabled(true);
    mnuFormulario->setEnabled(true);
    pgcPadrao->SetActivePage(tshFormulario);
    pgcPadraoChange();
}

bool TFrmTransferenciaFisica::CancelaInclusaoPendente() {
    if (cdsCapa.State() != DataSetState::Insert) return true;
    if (!ShowMsg(QStringLiteral("Canc"))) return false;
    cdsCapa.Cancel();
    return true;
}

void TFrmTransferenciaFisica::medEmpresaEnter() {
    // Going back to the company or asset closes the list: a record being inserted goes only
    // when the clerk says so, otherwise the focus returns where it was.
    if (!CancelaInclusaoPendente()) {
        RefuseEntry();
        Abort();
    }
    cdsCapa.Close();
    for (TTabSheet* p : {tshFormulario, tshParamContabil, tshRateio}) p->SetEnabled(false);
    pgcPadrao->SetActivePage(tshPadrao);
    mnuFormulario->setEnabled(false);
    mnuFolhaDados->setEnabled(false);
}

void TFrmTransferenciaFisica::medBemEnter() {
    if (dtsCapa.State() == DataSetState::Edit || conferindoBem_) return;
    medEmpresaEnter();
}

}  // namespace zmt02600
