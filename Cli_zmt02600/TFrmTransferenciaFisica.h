#pragma once

#include "orv/DataSet.h"
#include "orv/NetConnection.h"
#include "orv/Query.h"
#include "orv/widgets/BaseForms.h"
#include "orv/widgets/BtnPesquisa.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/TableExport.h"

namespace zmt02600 {

// "Transferência Física" (ZMT02600): the transfers of one asset of one company, the record of
// a new one, its confirmation and the undoing of the last one. The layout is declared in
// TFrmTransferenciaFisicaForm.cpp; the handlers live in the files named after what they do.
class __attribute__((visibility("default"))) TFrmTransferenciaFisica : public orv::TfrmPadraoGrid,
                                                                      public orv::IExportContext {
public:
    explicit TFrmTransferenciaFisica(QWidget* parent = nullptr);
    ~TFrmTransferenciaFisica() override;

    // Exported lists are named after the screen and the asset: "ZMT02600 - bem 100001".
    QString ExportContext() const override;

    // --- server connection and data sets -------------------------------------------------------
    orv::TNetConnection netTransFisica{QStringLiteral("netTransFisica")};

    orv::TDataSet cdsCapa{QStringLiteral("cdsCapa")};
    orv::TDataSource dtsCapa{QStringLiteral("dtsCapa")};
    orv::TDataSet cdsItCapa{QStringLiteral("cdsItCapa")};
    orv::TDataSet cdsVd_Delete{QStringLiteral("cdsVd_Delete")};
    orv::TADOIBQuery qryBem{QStringLiteral("qryBem")};

    orv::TDataSet cdsBemAtivo{QStringLiteral("cdsBemAtivo")};
    orv::TDataSource dtsBem{QStringLiteral("dtsBem")};
    orv::TDataSet cdsCarregaAnte{QStringLiteral("cdsCarregaAnte")};
    orv::TDataSet cdsVdDtultDep{QStringLiteral("cdsVdDtultDep")};
    orv::TDataSet cdsVd_Insert{QStringLiteral("cdsVd_Insert")};
    orv::TDataSet cdsUltFecha{QStringLiteral("cdsUltFecha")};
    orv::TDataSet cdsValida_Del{QStringLiteral("cdsValida_Del")};

    orv::TADOIBQuery qryEmpresa{QStringLiteral("qryEmpresa")};
    orv::TDataSource dtsEmpresa{QStringLiteral("dtsEmpresa")};

    orv::TADOIBQuery qryPesqFilial{QStringLiteral("qryPesqFilial")};
    orv::TDataSource dtsPesqFilial{QStringLiteral("dtsPesqFilial")};
    orv::TADOIBQuery qryVd_Filial{QStringLiteral("qryVd_Filial")};
    orv::TADOIBQuery qryPesqCentCust{QStringLiteral("qryPesqCentCust")};
    orv::TDataSource dspPesqCentCust{QStringLiteral("dspPesqCentCust")};
    orv::TADOIBQuery qryVd_PesqCentCust{QStringLiteral("qryVd_PesqCentCust")};
    orv::TADOIBQuery qryPesqSetor{QStringLiteral("qryPesqSetor")};
    orv::TDataSource dspPesqSetor{QStringLiteral("dspPesqSetor")};
    orv::TADOIBQuery qryVd_Setor{QStringLiteral("qryVd_Setor")};
    orv::TADOIBQuery qryPesqResponsavel{QStringLiteral("qryPesqResponsavel")};
    orv::TDataSource dtsPesqResponsavel{QStringLiteral("dtsPesqResponsavel")};
    orv::TADOIBQuery qryVd_Responsavel{QStringLiteral("qryVd_Responsavel")};

    orv::TADOIBQuery qryPesqTipoOper{QStringLiteral("qryPesqTipoOper")};
    orv::TDataSource dtsPesqTipoOper{QStringLiteral("dtsPesqTipoOper")};
    orv::TADOIBQuery qryVdTipoOper{QStringLiteral("qryVdTipoOper")};
    orv::TADOIBQuery qryPesqMotivoOper{QStringLiteral("qryPesqMotivoOper")};
    orv::TDataSource dtsPesqMotivoOper{QStringLiteral("dtsPesqMotivoOper")};
    orv::TADOIBQuery qryVdMotivoOper{QStringLiteral("qryVdMotivoOper")};

    orv::TDataSet cdsRateio{QStringLiteral("cdsRateio")};
    orv::TDataSource dtsRateio{QStringLiteral("dtsRateio")};
    orv::TDataSet cdsVdRateio{QStringLiteral("cdsVdRateio")};
    orv::TDataSet cdsVdFilialRat{QStringLiteral("cdsVdFilialRat")};
    orv::TDataSource dtsVdFilialRat{QStringLiteral("dtsVdFilialRat")};
    orv::TDataSet cdsVdCentCustRat{QStringLiteral("cdsVdCentCustRat")};
    orv::TDataSource dtsCentCustRat{QStringLiteral("dtsCentCustRat")};

    orv::TDataSet cdsCtblBemAtivo{QStringLiteral("cdsCtblBemAtivo")};
    orv::TDataSource dtsCtblBemAtivo{QStringLiteral("dtsCtblBemAtivo")};
    orv::TDataSet cdsPesqContCtbl{QStringLiteral("cdsPesqContCtbl")};
    orv::TDataSource dtsPesqContCtbl{QStringLiteral("dtsPesqContCtbl")};
    orv::TDataSet cdsPesqTipoContaBem{QStringLiteral("cdsPesqTipoContaBem")};
    orv::TDataSource dtsPesqTipoContaBem{QStringLiteral("dtsPesqTipoContaBem")};
    orv::TDataSet cdsVd_ContCtbl{QStringLiteral("cdsVd_ContCtbl")};
    orv::TDataSet cdsCtblGrupoBem{QStringLiteral("cdsCtblGrupoBem")};
    orv::TDataSet cdsVd_TipoConta{QStringLiteral("cdsVd_TipoConta")};
    orv::TADOIBQuery qryPesqHistPadr{QStringLiteral("qryPesqHistPadr")};
    orv::TDataSource dtsHistPadr{QStringLiteral("dtsHistPadr")};
    orv::TADOIBQuery qryContCtbl{QStringLiteral("qryContCtbl")};
    orv::TDataSource dtsContCtbl{QStringLiteral("dtsContCtbl")};

    orv::TDataSet cdsPesqDesti{QStringLiteral("cdsPesqDesti")};
    orv::TDataSet cdsPesqSerie{QStringLiteral("cdsPesqSerie")};
    orv::TDataSet cdsVDserie{QStringLiteral("cdsVDserie")};
    orv::TDataSet cdsPesqNF{QStringLiteral("cdsPesqNF")};
    orv::TDataSource dtsPesqNF{QStringLiteral("dtsPesqNF")};

    // --- controls ----------------------------------------------------------------------------
    orv::TSpeedButton* sbtCadAut = nullptr;
    orv::TMenuItem* mnuFolhaDados = nullptr;
    orv::TMenuItem* mnuFormulario = nullptr;

    orv::TPanel* panEmpresa = nullptr;
    orv::TMaskEdit* medEmpresa = nullptr;
    orv::TBtnPesquisa* btpEmpresa = nullptr;
    orv::TEdit* edtNmEmpresa = nullptr;
    orv::TBtnPesquisa* btpBem = nullptr;
    orv::TEdit* edtNmBem = nullptr;
    orv::TMaskEdit* medBem = nullptr;

    orv::TTabSheet* tshFormulario = nullptr;
    orv::TTabSheet* tshParamContabil = nullptr;
    orv::TTabSheet* tshRateio = nullptr;

    orv::TGroupBox* grbTipoOper = nullptr;
    orv::TDBDateEditPlus* depDataTransf = nullptr;
    orv::TDBEdit* dbeCdTipoOper = nullptr;
    orv::TBtnPesquisa* btnPesqTipoOper = nullptr;
    orv::TDBEdit* dbeNmTipoOper = nullptr;
    orv::TDBEdit* dbeIdTipoOper = nullptr;
    orv::TDBEdit* dbeCdMotivoOper = nullptr;
    orv::TBtnPesquisa* btnPesqMotivoOper = nullptr;
    orv::TDBEdit* dbeNmMotivoOper = nullptr;

    orv::TGroupBox* grbLocalAnte = nullptr;
    orv::TDBEdit* dbeCdFilialAnte = nullptr;
    orv::TEdit* dbeNmFilialAnte = nullptr;
    orv::TDBEdit* dbeCdCentCustAnte = nullptr;
    orv::TEdit* dbeNmCentCustAnte = nullptr;
    orv::TDBEdit* dbeCdSetorAnte = nullptr;
    orv::TEdit* dbeNmSetorAnte = nullptr;
    orv::TEdit* dbeRespSetorAnte = nullptr;
    orv::TDBEdit* dbeCdOperAnte = nullptr;
    orv::TEdit* dbeNmOperAnte = nullptr;

    orv::TGroupBox* grbLocalNovo = nullptr;
    orv::TDBEdit* dbeCdFilialNovo = nullptr;
    orv::TBtnPesquisa* btpFilial = nullptr;
    orv::TEdit* dbeNmFilialNovo = nullptr;
    orv::TDBEdit* dbeCdCentCustNovo = nullptr;
    orv::TBtnPesquisa* btpCentCust = nullptr;
    orv::TEdit* dbeNmCentCustNovo = nullptr;
    orv::TDBEdit* dbeCdSetorNovo = nullptr;
    orv::TBtnPesquisa* btpSetor = nullptr;
    orv::TEdit* dbeNmSetorNovo = nullptr;
    orv::TEdit* dbeRespSetorNovo = nullptr;
    orv::TDBEdit* dbeCdOperNovo = nullptr;
    orv::TBtnPesquisa* btpRespBem = nullptr;
    orv::TEdit* dbeNmOperNovo = nullptr;

    orv::TGroupBox* grbDadosTransferencia = nullptr;
    orv::TDBEdit* dbeNF = nullptr;
    orv::TDBEdit* dbeNrNota = nullptr;
    orv::TBtnPesquisa* btpPesqNF = nullptr;
    orv::TEdit* dbeDescriNF = nullptr;

    orv::TDBGrid* dbgCtblBemAtivo = nullptr;
    orv::TDBGrid* dbgRateio = nullptr;

    // --- lifetime ----------------------------------------------------------------------------
    void FormCreate() override;
    void FormClose() override;
    void netTransFisicaBeforeConnect();
    void sbtCadAutClick();

    // --- company and asset --------------------------------------------------------------------
    void sbtVerificarClick() override;
    void btpEmpresaBeforePesq(bool& proceed);
    void btpEmpresaAfterPesq();
    void Vd_Empresa();
    void medEmpresaChange();
    void medEmpresaKeyPress(QChar& key);
    void medEmpresaExit();
    void Vd_Bem(bool obrigatorio);
    void btpBemClick();
    void medBemChange();
    void medBemKeyPress(QChar& key);
    void medBemExit();
    void panEmpresaExit();
    void CarregaAnte();

    // --- screen state -------------------------------------------------------------------------
    void VerificaUltimaTransferencia();
    void HabilitaBotao();
    void SetChildEnabledNovo(QWidget* container, bool enable);
    void dtsPadraoStateChange() override;
    void pgcPadraoChange();
    void pgcPadraoEnter();
    void mnuFolhaDadosClick();
    void mnuFormularioClick();
    void medEmpresaEnter();
    void medBemEnter();

    // --- transfer record ----------------------------------------------------------------------
    void cdsCapaBeforeInsert();
    void cdsCapaAfterInsert();
    void depDataTransfExit();
    void VdDataTransferencia(bool soVazio);
    void cdsCapaBeforePost();
    void Vd_Localiza();
    void vd_Valores();
    void cdsCapaAfterPost();

    // --- confirmation and deletion ------------------------------------------------------------
    void sbtConfirmarClick() override;
    void sbtIncluirClick() override;
    void sbtAlterarClick() override;
    void sbtExcluirClick() override;
    void sbtCancelarClick() override;
    void cdsCapaAfterDelete();
    void cdsCapaAfterCancel();
    void cdsCapaAfterScroll();
    void cdsItCapaAfterScroll() {}
    void cdsCapaIDSITCAPAOPERGetText(orv::TField& field, QString& text, bool displayText);

    // --- new location -------------------------------------------------------------------------
    void Vd_Filial(const QString& tipo);
    void Vd_CentroCusto(const QString& tipo);
    void Vd_Setor(const QString& tipo);
    void Vd_Responsavel(const QString& tipo);
    void dbeCdFilialNovoExit();
    void dbeCdFilialNovoChange();
    void dbeCdFilialNovoKeyPress(QChar& key);
    void dbeCdCentCustNovoExit();
    void dbeCdCentCustNovoChange();
    void dbeCdCentCustNovoKeyPress(QChar& key);
    void dbeCdSetorNovoExit() {}
    void dbeCdSetorNovoChange();
    void dbeCdSetorNovoKeyPress(QChar& key);
    void dbeCdOperNovoExit() {}
    void dbeCdOperNovoChange();
    void dbeCdOperNovoKeyPress(QChar& key);
    void btpFilialBeforePesq(bool& proceed);
    void btpFilialAfterPesq();
    void btpCentCustBeforePesq(bool& proceed);
    void btpCentCustAfterPesq();
    void btpSetorBeforePesq(bool& proceed);
    void btpSetorAfterPesq();
    void btpRespBemBeforePesq(bool& proceed);
    void btpRespBemAfterPesq();

    // --- operation type and motive ------------------------------------------------------------
    void Vd_CdTipoOper(bool obrigatorio);
    void Vd_CdMotivoOper(bool obrigatorio);
    void dbeCdTipoOperExit();
    void dbeCdTipoOperChange();
    void dbeCdTipoOperKeyPress(QChar& key);
    void dbeCdMotivoOperExit();
    void dbeCdMotivoOperChange();
    void dbeCdMotivoOperKeyPress(QChar& key);
    void btnPesqTipoOperBeforePesq(bool& proceed);
    void btnPesqTipoOperAfterPesq();
    void btnPesqMotivoOperBeforePesq(bool& proceed);
    void btnPesqMotivoOperAfterPesq();
    void cdsCapaIDIDENTCAPAOPERGetText(orv::TField& field, QString& text, bool displayText);
    void cdsCapaIDIDENTCAPAOPERSetText(orv::TField& field, const QString& text);

    // --- invoice ------------------------------------------------------------------------------
    void vd_serie();
    void vd_notafiscal();
    void dbeNFExit();
    void dbeNrNotaExit();
    void dbeNrNotaKeyPress(QChar& key);
    void btpPesqNFBeforePesq(bool& proceed);
    void btpPesqNFAfterPesq();
    void cdsCapaNRINSJURCLIEGetText(orv::TField& field, QString& text, bool displayText);

    // --- apportionment -----------------------------------------------------------------------
    void atualiza_rateio();
    void vd_rateio();
    void vd_valor(bool completo);
    void dbgRateioColEnter();
    void dbgRateioColExit();
    void dbgRateioEditButtonClick();
    void dbgRateioDrawColumnCell(int row, const orv::TColumn& column, QString& text);
    void dbgRateioEnter();
    void dbgRateioExit();
    void cdsRateioBeforePost();
    void cdsRateioAfterPost();
    void cdsRateioAfterDelete();
    void pgcPadraoChanging(bool& allowChange);
    void pgcPadraoExit();

    // --- accounting parameters ----------------------------------------------------------------
    void Atualiza_CtblBem();
    void Vd_TipoConta(bool obrigatorio);
    void Vd_ContCtbl(bool obrigatorio);
    void Vd_HistPadr(bool obrigatorio);
    void dbgCtblBemAtivoEnter();
    void dbgCtblBemAtivoColEnter();
    void dbgCtblBemAtivoColExit();
    void dbgCtblBemAtivoKeyPress(QChar& key);
    void dbgCtblBemAtivoEditButtonClick();
    void cdsCtblBemAtivoBeforePost();
    void cdsCtblBemAtivoAfterPost();
    void cdsCtblBemAtivoAfterDelete();

    // The company code as every server call reads it: the text of the company edit.
    QString Empresa() const;
    contracts::IRdmTransFisica& Server() { return netTransFisica.AppServer(); }

private:
    void CreateComponents();  // the layout, in TFrmTransferenciaFisicaForm.cpp
    void DeclareDataSets();
    void BindHandlers();
    // A digit, backspace, tab or carriage return passes; anything else is discarded.
    static void DigitKeyFilter(QChar& key);
    // The after-lookup rule: a pick while browsing puts the transfer record into edit.
    void EnsureEditing();
    // Before anything that would drop a record being inserted: asks "Canc"; true when none is
    // pending or the clerk cancelled it.
    bool CancelaInclusaoPendente();
    // On the apportionment and accounting pages, while browsing: change and delete only when
    // the page's data set has rows, and nothing at all on an older transfer.
    void HabilitaBotaoLinhas();
    QString RateioColuna() const;  // the field of the apportionment grid's current column
    void FocaColunaRateio(const QString& field);
    QString CtblColuna() const;  // the field of the accounting grid's current column
    void FocaColunaCtbl(const QString& field);
    // Focuses the column, then shows the keyed message and ends the operation.
    [[noreturn]] void FalhaCtbl(const QString& field, const char* key);
    // A check's rows from the server: none is not registered, more than one already is.
    void ContagemCtbl(const orv::TDataSet& retorno, const QString& field, const char* naoCadastrado,
                      const char* jaCadastrado);
    void IniciaLinhaCtbl();  // the row a pick fills
    void SalvaCtblBem();     // sends what was posted or deleted
    bool saindoColunaCtbl_ = false;  // a column of the accounting grid is being left or focused
    bool ultimaTransferencia_ = false;  // the current transfer is the asset's last, as last asked
    bool conferindoBem_ = false;        // the record's asset is being checked before a post
    bool saindoColunaRateio_ = false;   // a column of the apportionment grid is being left
    bool Inserting() const;
    bool EditingOrInserting() const;
};

}  // namespace zmt02600
