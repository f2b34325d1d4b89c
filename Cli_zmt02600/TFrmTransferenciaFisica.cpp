// Lifetime of the transfer screen: creation, connection to the application server, closing,
// and the wiring of every handler to its component.
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"

#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02602/TfrmCadAuto.h"
#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

namespace zmt02600 {

using namespace orv;

TFrmTransferenciaFisica::TFrmTransferenciaFisica(QWidget* parent) : TfrmPadraoGrid(parent) {
    DeclareDataSets();
    CreateComponents();
    BindHandlers();
    // Enter moves on as Tab does; from the asset both go on to its list, not to the page tabs.
    SetEnterActsAsTab(this, true);
    setTabOrder(medBem, dbgPadrao);
}

TFrmTransferenciaFisica::~TFrmTransferenciaFisica() {
    // Nobody may reach a screen that is gone.
    if (FrmTransferenciaFisica == this) FrmTransferenciaFisica = nullptr;
}

QString TFrmTransferenciaFisica::ExportContext() const {
    const QString bem = medBem->text().trimmed();
    return bem.isEmpty() ? lblCodTela->text() : QStringLiteral("%1 - bem %2").arg(lblCodTela->text(), bem);
}

QString TFrmTransferenciaFisica::Empresa() const { return medEmpresa->text(); }

bool TFrmTransferenciaFisica::Inserting() const { return cdsCapa.State() == DataSetState::Insert; }

bool TFrmTransferenciaFisica::EditingOrInserting() const {
    return cdsCapa.State() == DataSetState::Edit || cdsCapa.State() == DataSetState::Insert;
}

void TFrmTransferenciaFisica::DigitKeyFilter(QChar& key) {
    const ushort c = key.unicode();
    if ((c >= '0' && c <= '9') || c == 8 || c == 9 || c == 13) return;
    key = QChar();
}

void TFrmTransferenciaFisica::EnsureEditing() {
    const DataSetState s = dtsPadrao.State();
    if (s != DataSetState::Edit && s != DataSetState::Insert) cdsCapa.Edit();
}

// --- creation and closing ---------------------------------------------------------------------

void TFrmTransferenciaFisica::FormCreate() {
    TfrmPadraoGrid::FormCreate();
    netTransFisica.SetConnected(true);
    if (!netTransFisica.Connected()) MensErro(netTransFisica.LastError());
    VerificaUltimaTransferencia();
    HabilitaBotao();
}

void TFrmTransferenciaFisica::FormClose() {
    // The apportionment check runs before anything is torn down: when it refuses, the screen
    // stays open, connected and marked as created.
    if (pgcPadrao->currentWidget() == tshRateio) vd_valor(true);
    TfrmPadraoGrid::FormClose();
    netTransFisica.SetConnected(false);
    boIdCriado = false;
}

void TFrmTransferenciaFisica::netTransFisicaBeforeConnect() {
    netTransFisica.Host = Host().WebURL();
    netTransFisica.Port = Host().WebPort();
}

void TFrmTransferenciaFisica::sbtCadAutClick() { ::CriaCadAuto(); }

// --- wiring -----------------------------------------------------------------------------------

void TFrmTransferenciaFisica::BindHandlers() {
    netTransFisica.ThrowException = false;
    netTransFisica.BeforeConnect = [this](TNetConnection&) { netTransFisicaBeforeConnect(); };

    cdsCapa.BeforeInsert = [this](TDataSet&) { cdsCapaBeforeInsert(); };
    cdsCapa.AfterInsert = [this](TDataSet&) { cdsCapaAfterInsert(); };
    cdsCapa.BeforePost = [this](TDataSet&) { cdsCapaBeforePost(); };
    cdsCapa.AfterPost = [this](TDataSet&) { cdsCapaAfterPost(); };
    cdsCapa.AfterCancel = [this](TDataSet&) { cdsCapaAfterCancel(); };
    cdsCapa.AfterDelete = [this](TDataSet&) { cdsCapaAfterDelete(); };
    cdsCapa.AfterScroll = [this](TDataSet&) { cdsCapaAfterScroll(); };
    cdsItCapa.AfterScroll = [this](TDataSet&) { cdsItCapaAfterScroll(); };
    cdsCapa.FieldByName(QStringLiteral("IDSITCAPAOPER")).OnGetText =
        [this](TField& f, QString& t, bool d) { cdsCapaIDSITCAPAOPERGetText(f, t, d); };
    cdsCapa.FieldByName(QStringLiteral("IDIDENTCAPAOPER")).OnGetText =
        [this](TField& f, QString& t, bool d) { cdsCapaIDIDENTCAPAOPERGetText(f, t, d); };
    cdsCapa.FieldByName(QStringLiteral("IDIDENTCAPAOPER")).OnSetText =
        [this](TField& f, const QString& t) { cdsCapaIDIDENTCAPAOPERSetText(f, t); };
    cdsCapa.FieldByName(QStringLiteral("NRINSJURCLIE")).OnGetText =
        [this](TField& f, QString& t, bool d) { cdsCapaNRINSJURCLIEGetText(f, t, d); };

    dtsPadrao.OnStateChange = [this](TDataSource&) { Guard([this] { dtsPadraoStateChange(); }); };
    sbtCadAut->OnClick = [this] { sbtCadAutClick(); };
    mnuFolhaDados->OnClick = [this] { mnuFolhaDadosClick(); };
    mnuFormulario->OnClick = [this] { mnuFormularioClick(); };
    pgcPadrao->OnChange = [this] { pgcPadraoChange(); };
    pgcPadrao->OnEnter = [this] { pgcPadraoEnter(); };
    pgcPadrao->OnChanging = [this](bool& allow) { pgcPadraoChanging(allow); };
    pgcPadrao->OnExit = [this] { pgcPadraoExit(); };

    btpEmpresa->OnBeforePesq = [this](bool& p) { btpEmpresaBeforePesq(p); };
    btpEmpresa->OnAfterPesq = [this](TDataSet&) { btpEmpresaAfterPesq(); };
    medEmpresa->OnChange = [this] { medEmpresaChange(); };
    medEmpresa->OnKeyPress = [this](QChar& k) { medEmpresaKeyPress(k); };
    medEmpresa->OnExit = [this] { medEmpresaExit(); };
    medEmpresa->OnEnter = [this] { medEmpresaEnter(); };
    btpBem->OnClick = [this] { btpBemClick(); };
    medBem->OnChange = [this] { medBemChange(); };
    medBem->OnKeyPress = [this](QChar& k) { medBemKeyPress(k); };
    medBem->OnExit = [this] { medBemExit(); };
    medBem->OnEnter = [this] { medBemEnter(); };
    panEmpresa->OnExit = [this] { panEmpresaExit(); };

    depDataTransf->OnExit = [this] { depDataTransfExit(); };
    dbeCdTipoOper->OnExit = [this] { dbeCdTipoOperExit(); };
    dbeCdTipoOper->OnChange = [this] { dbeCdTipoOperChange(); };
    dbeCdTipoOper->OnKeyPress = [this](QChar& k) { dbeCdTipoOperKeyPress(k); };
    dbeCdMotivoOper->OnExit = [this] { dbeCdMotivoOperExit(); };
    dbeCdMotivoOper->OnChange = [this] { dbeCdMotivoOperChange(); };
    dbeCdMotivoOper->OnKeyPress = [this](QChar& k) { dbeCdMotivoOperKeyPress(k); };
    btnPesqTipoOper->OnBeforePesq = [this](bool& p) { btnPesqTipoOperBeforePesq(p); };
    btnPesqTipoOper->OnAfterPesq = [this](TDataSet&) { btnPesqTipoOperAfterPesq(); };
    btnPesqMotivoOper->OnBeforePesq = [this](bool& p) { btnPesqMotivoOperBeforePesq(p); };
    btnPesqMotivoOper->OnAfterPesq = [this](TDataSet&) { btnPesqMotivoOperAfterPesq(); };

    dbeCdFilialNovo->OnExit = [this] { dbeCdFilialNovoExit(); };
    dbeCdFilialNovo->OnChange = [this] { dbeCdFilialNovoChange(); };
    dbeCdFilialNovo->OnKeyPress = [this](QChar& k) { dbeCdFilialNovoKeyPress(k); };
    dbeCdCentCustNovo->OnExit = [this] { dbeCdCentCustNovoExit(); };
    dbeCdCentCustNovo->OnChange = [this] { dbeCdCentCustNovoChange(); };
    dbeCdCentCustNovo->OnKeyPress = [this](QChar& k) { dbeCdCentCustNovoKeyPress(k); };
    dbeCdSetorNovo->OnExit = [this] { dbeCdSetorNovoExit(); };
    dbeCdSetorNovo->OnChange = [this] { dbeCdSetorNovoChange(); };
    dbeCdSetorNovo->OnKeyPress = [this](QChar& k) { dbeCdSetorNovoKeyPress(k); };
    dbeCdOperNovo->OnExit = [this] { dbeCdOperNovoExit(); };
    dbeCdOperNovo->OnChange = [this] { dbeCdOperNovoChange(); };
    dbeCdOperNovo->OnKeyPress = [this](QChar& k) { dbeCdOperNovoKeyPress(k); };
    btpFilial->OnBeforePesq = [this](bool& p) { btpFilialBeforePesq(p); };
    btpFilial->OnAfterPesq = [this](TDataSet&) { btpFilialAfterPesq(); };
    btpCentCust->OnBeforePesq = [this](bool& p) { btpCentCustBeforePesq(p); };
    btpCentCust->OnAfterPesq = [this](TDataSet&) { btpCentCustAfterPesq(); };
    btpSetor->OnBeforePesq = [this](bool& p) { btpSetorBeforePesq(p); };
    btpSetor->OnAfterPesq = [this](TDataSet&) { btpSetorAfterPesq(); };
    btpRespBem->OnBeforePesq = [this](bool& p) { btpRespBemBeforePesq(p); };
    btpRespBem->OnAfterPesq = [this](TDataSet&) { btpRespBemAfterPesq(); };

    cdsRateio.BeforePost = [this](TDataSet&) { cdsRateioBeforePost(); };
    cdsRateio.AfterPost = [this](TDataSet&) { cdsRateioAfterPost(); };
    cdsRateio.AfterDelete = [this](TDataSet&) { cdsRateioAfterDelete(); };
    dbgRateio->OnColEnter = [this] { dbgRateioColEnter(); };
    dbgRateio->OnColExit = [this] { dbgRateioColExit(); };
    dbgRateio->OnEditButtonClick = [this] { dbgRateioEditButtonClick(); };
    dbgRateio->OnDrawColumnCell = [this](int row, const TColumn& c, QString& t) { dbgRateioDrawColumnCell(row, c, t); };
    dbgRateio->OnEnter = [this] { dbgRateioEnter(); };
    dbgRateio->OnExit = [this] { dbgRateioExit(); };

    cdsCtblBemAtivo.BeforePost = [this](TDataSet&) { cdsCtblBemAtivoBeforePost(); };
    cdsCtblBemAtivo.AfterPost = [this](TDataSet&) { cdsCtblBemAtivoAfterPost(); };
    cdsCtblBemAtivo.AfterDelete = [this](TDataSet&) { cdsCtblBemAtivoAfterDelete(); };
    dbgCtblBemAtivo->OnColEnter = [this] { dbgCtblBemAtivoColEnter(); };
    dbgCtblBemAtivo->OnColExit = [this] { dbgCtblBemAtivoColExit(); };
    dbgCtblBemAtivo->OnKeyPress = [this](QChar& k) { dbgCtblBemAtivoKeyPress(k); };
    dbgCtblBemAtivo->OnEditButtonClick = [this] { dbgCtblBemAtivoEditButtonClick(); };
    dbgCtblBemAtivo->OnEnter = [this] { dbgCtblBemAtivoEnter(); };

    dbeNF->OnExit = [this] { dbeNFExit(); };
    dbeNrNota->OnExit = [this] { dbeNrNotaExit(); };
    dbeNrNota->OnKeyPress = [this](QChar& k) { dbeNrNotaKeyPress(k); };
    btpPesqNF->OnBeforePesq = [this](bool& p) { btpPesqNFBeforePesq(p); };
    btpPesqNF->OnAfterPesq = [this](TDataSet&) { btpPesqNFAfterPesq(); };
}

}  // namespace zmt02600
