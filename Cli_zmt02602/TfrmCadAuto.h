#pragma once

#include "orv/DataSet.h"
#include "orv/Query.h"
#include "orv/widgets/BaseForms.h"
#include "orv/widgets/BtnPesquisa.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/StdControls.h"

#include <QString>

namespace zmt02602 {

// "Cadastramento Automático" (ZMT02602): one physical transfer per selected asset, all to the
// same new location, built here and sent in one delta through the main screen's connection.
// The layout is declared in TfrmCadAutoForm.cpp; the handlers live in the files named after
// what they do (Selecao, Campos, Geracao).
class __attribute__((visibility("default"))) TfrmCadAuto : public orv::TfrmRotiGeral {
public:
    explicit TfrmCadAuto(QWidget* parent = nullptr);
    ~TfrmCadAuto() override;

    // --- data sets and queries ----------------------------------------------------------------
    orv::TADOIBQuery qryPesqGrupoBem{QStringLiteral("qryPesqGrupoBem")};
    orv::TDataSource dtsPesqGrupo{QStringLiteral("dtsPesqGrupo")};
    orv::TADOIBQuery qryBem{QStringLiteral("qryBem")};
    orv::TDataSource dtsBemAtivo{QStringLiteral("dtsBemAtivo")};
    orv::TADOIBQuery qryFilial{QStringLiteral("qryFilial")};
    orv::TDataSource dtsFilial{QStringLiteral("dtsFilial")};
    orv::TADOIBQuery qryBensListados{QStringLiteral("qryBensListados")};

    orv::TADOIBQuery qryPesqTipoOper{QStringLiteral("qryPesqTipoOper")};
    orv::TDataSource dtsPesqTipoOper{QStringLiteral("dtsPesqTipoOper")};
    orv::TADOIBQuery qryVdTipoOper{QStringLiteral("qryVdTipoOper")};
    orv::TADOIBQuery qryPesqMotivoOper{QStringLiteral("qryPesqMotivoOper")};
    orv::TDataSource dtsPesqMotivoOper{QStringLiteral("dtsPesqMotivoOper")};
    orv::TADOIBQuery qryVdMotivoOper{QStringLiteral("qryVdMotivoOper")};
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

    // The working set of the batch: the main screen's transfer record, inserts only.
    orv::TDataSet cdsCapa{QStringLiteral("cdsCapa")};
    orv::TDataSet cdsRetornaVal{QStringLiteral("cdsRetornaVal")};

    // --- controls ----------------------------------------------------------------------------
    orv::TGroupBox* grbIntervalo = nullptr;
    orv::TGroupBox* grbGrupoBem = nullptr;
    orv::TRadioButton* rbtGrupoBtodos = nullptr;
    orv::TRadioButton* rbtGrupoBLista = nullptr;
    orv::TBtnPesquisa* btpGrupo = nullptr;
    orv::TGroupBox* grbFilial = nullptr;
    orv::TRadioButton* rbtTodosFil = nullptr;
    orv::TRadioButton* rbtListaFil = nullptr;
    orv::TBtnPesquisa* BtnPesqFilial = nullptr;
    orv::TGroupBox* grbBem = nullptr;
    orv::TRadioButton* rbtBemTodos = nullptr;
    orv::TRadioButton* rbtBemLista = nullptr;
    orv::TBtnPesquisa* btpBem = nullptr;

    orv::TGroupBox* grbDadosOperacao = nullptr;
    orv::TDateEditPlus* depData = nullptr;
    orv::TEdit* dbeCdTipoOper = nullptr;
    orv::TBtnPesquisa* btnPesqTipoOper = nullptr;
    orv::TEdit* dbeNmTipoOper = nullptr;
    orv::TEdit* dbeCDMOTIVOOPER = nullptr;
    orv::TBtnPesquisa* btnPesqMotivoOper = nullptr;
    orv::TEdit* dbeNmMotivoOper = nullptr;

    orv::TGroupBox* grbLocalNovo = nullptr;
    orv::TEdit* dbeCdFilialNovo = nullptr;
    orv::TBtnPesquisa* btpFilial = nullptr;
    orv::TEdit* dbeNmFilialNovo = nullptr;
    orv::TEdit* dbeCdCentCustNovo = nullptr;
    orv::TBtnPesquisa* btpCentCust = nullptr;
    orv::TEdit* dbeNmCentCustNovo = nullptr;
    orv::TEdit* dbeCdSetorNovo = nullptr;
    orv::TBtnPesquisa* btpSetor = nullptr;
    orv::TEdit* dbeNmSetorNovo = nullptr;
    orv::TEdit* dbeRespSetorNovo = nullptr;
    orv::TEdit* dbeCdOperNovo = nullptr;
    orv::TBtnPesquisa* btpRespBem = nullptr;
    orv::TEdit* dbeNmOperNovo = nullptr;

    // --- lifetime ----------------------------------------------------------------------------
    void FormClose() override;

    // --- asset selection ---------------------------------------------------------------------
    void rbtGrupoBtodosClick();
    void rbtGrupoBListaClick();
    void rbtTodosFilClick();
    void rbtListaFilClick();
    void rbtBemTodosClick();
    void rbtBemListaClick();
    void btpGrupoClick();
    void BtnPesqFilialClick();
    void btpBemClick();

    // --- location and operation fields ----------------------------------------------------------
    void dbeCdFilialNovoKeyPress(QChar& key);
    void dbeCdCentCustNovoKeyPress(QChar& key);
    void dbeCdSetorNovoKeyPress(QChar& key);
    void dbeCdOperNovoKeyPress(QChar& key);
    void dbeCdTipoOperChange();
    void dbeCdFilialNovoChange();
    void dbeCdCentCustNovoChange();
    void dbeCdSetorNovoChange();
    void dbeCdOperNovoChange();
    void depDataExit();
    void dbeCdTipoOperExit();
    void dbeCDMOTIVOOPERExit();
    void dbeCdFilialNovoExit();
    void dbeCdCentCustNovoExit();
    void dbeCdSetorNovoExit();
    void dbeCdOperNovoExit();
    void btnPesqTipoOperBeforePesq(bool& proceed);
    void btnPesqTipoOperAfterPesq();
    void btnPesqMotivoOperBeforePesq(bool& proceed);
    void btnPesqMotivoOperAfterPesq();
    void btpFilialBeforePesq(bool& proceed);
    void btpFilialAfterPesq();
    void btpCentCustBeforePesq(bool& proceed);
    void btpCentCustAfterPesq();
    void btpSetorBeforePesq(bool& proceed);
    void btpSetorAfterPesq();
    void btpRespBemBeforePesq(bool& proceed);
    void btpRespBemAfterPesq();
    // Attached to nothing.
    void Vd_CentroCusto(const QString&) {}
    void btnOperRespBeforePesq(bool&) {}

    // --- batch generation ----------------------------------------------------------------------
    void sbtConfirmaClick() override;
    void cdsCapaBeforePost();

    // The company of every query and record: the main screen's company edit.
    QString Empresa() const;

private:
    void DeclareDataSets();
    void CreateComponents();  // the layout, in TfrmCadAutoForm.cpp
    void BindHandlers();
    // Builds one record from the current row of qryBensListados.
    void GeraRegistro();
    // Header and item numbers for `quantidade` records, taken from the server in two calls.
    void ReservaNumeros(int quantidade);
    qint64 proxCapa_ = 0, proxItem_ = 0, reservados_ = 0;
    int ignorados_ = 0;  // listed assets the confirmation found no row for (none sent for them)
};

}  // namespace zmt02602

// The dialog's shared variables, exported by name as the main screen's are.
extern "C" {
__attribute__((visibility("default"))) extern zmt02602::TfrmCadAuto* frmCadAuto;
__attribute__((visibility("default"))) extern bool boStCriado;
__attribute__((visibility("default"))) extern QString stListaGrupo;
__attribute__((visibility("default"))) extern QString stListaBem;
__attribute__((visibility("default"))) extern QString stListaFil;
__attribute__((visibility("default"))) extern QString StTipoOper;
__attribute__((visibility("default"))) extern QString V_IDTPAPROP;
__attribute__((visibility("default"))) extern QString V_IDIDENTBEM;
__attribute__((visibility("default"))) extern QString V_IDINDICUTL;
__attribute__((visibility("default"))) extern QString V_IDNRPARC;
__attribute__((visibility("default"))) extern QString V_PisCof;

// Opens the batch registration dialog modally; returns when it closes.
__attribute__((visibility("default"))) void CriaCadAuto();
}
