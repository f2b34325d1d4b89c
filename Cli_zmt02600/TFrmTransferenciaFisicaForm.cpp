// The layout of the transfer screen: controls, captions, masks, colours, tags, bindings, the
// data sets and queries with their fields, and the message table. Behaviour lives elsewhere.
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"

#include "Cli_zmt02600/Auxiliares.h"
#include "Cli_zmt02600/TransFisicaQueries.h"
#include "contracts/TransferRecord.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace zmt02600 {

using namespace orv;

namespace {

const QStringList kMensagens = {
    QStringLiteral("EMPRESA_INF|Empresa deve ser informada."),
    QStringLiteral("Excl|Confirma exclusão?"),
    QStringLiteral("EMPRESA_CAD|Empresa não cadastrada."),
    QStringLiteral("NRBEM_INF|Bem deve ser informado."),
    QStringLiteral("NRBEM_CAD|Bem não cadastrado."),
    QStringLiteral("FILIAL_INF|Filial deve ser informada."),
    QStringLiteral("FILIAL_CAD|Filial não cadastrada."),
    QStringLiteral("CENTCUST_INF|Centro de Custo deve ser informado."),
    QStringLiteral("CENTCUST_INV|Centro de custo não cadastrado."),
    QStringLiteral("SETOR_INF|Setor deve ser informado."),
    QStringLiteral("SETOR_INV|Setor não cadastrado."),
    QStringLiteral("OP_N_CAD|Operador não cadastrado."),
    QStringLiteral("TRANSFERENCIA_FISICA|TRANSFERÊNCIA FÍSICA"),
    QStringLiteral("TIPOOPER_INF|Tipo de operação deve ser informado."),
    QStringLiteral("TIPOOPER_CAD|Tipo de operação não cadastrado."),
    QStringLiteral("MOTIVOOPER_INF|Motivo de operação deve ser informado."),
    QStringLiteral("MOTIVOOPER_CAD|Motivo de operação não cadastrado."),
    QStringLiteral("1|Pendente"),
    QStringLiteral("2|Processado"),
    QStringLiteral("3|Cancelado"),
    QStringLiteral("DTOPER_INF|Data da Operação deve ser informada."),
    QStringLiteral("FILIAL_INV|Filial não cadastrada."),
    QStringLiteral("BEMATIVO|Bem Ativo"),
    QStringLiteral("BEMATIVONCAD|Não há Bens cadastrados."),
    QStringLiteral("TIPOCTBL_CAD|Tipo de Conta já cadastrada."),
    QStringLiteral("TIPOCTBL_N_CAD|Tipo de Conta não cadastrada."),
    QStringLiteral("TIPOCTBL_INF|Tipo de Conta deve ser informado."),
    QStringLiteral("CDHISTPADR_INV|Histórico padrão não cadastrado."),
    QStringLiteral("CDHISTPADR_INF|Histórico padrão deve ser informado."),
    QStringLiteral("CTBL_CAD|Conta Contábil já cadastrada."),
    QStringLiteral("CTBL_N_CAD|Conta Contábil não cadastrada."),
    QStringLiteral("CTBL_INF|Conta Contábil deve ser informada."),
    QStringLiteral("HISTPADR|Histórico Padrão"),
    QStringLiteral("CONTCTBL|Conta Contábil"),
    QStringLiteral("TIPOCONTA|Tipo Conta Contábil"),
    QStringLiteral("CONTCTBL_N_CAD|Não há Conta Contábil cadastrada."),
    QStringLiteral("TIPOCONTA_N_CAD|Não há tipo de conta Contábil cadastrada."),
    QStringLiteral("RAT_MENOR|Valor do rateio não pode ser menor que 100%."),
    QStringLiteral("RAT_MAIOR|A soma dos valores de rateio não pode ser maior que 100% ."),
    QStringLiteral("RATEIO_J_CAD|Rateio já Cadastrado."),
    QStringLiteral("VRRAT_INF|Valor do rateio deve ser informado."),
    QStringLiteral("VALOR_ZERO|Valor do rateio deve ser maior que zero."),
    QStringLiteral("N_CAD_CENT|Não há centro de custo cadastrado."),
    QStringLiteral("CENTCUST_N_CAD|Centro de custo não cadastrado."),
    QStringLiteral("FILI_N_CAD|Não há filial cadastrada."),
    QStringLiteral("CLI_N_CAD|Cliente não cadastrado."),
    QStringLiteral("SERIE_N_CAD|Série não cadastrada."),
    QStringLiteral("NOTA_N_CAD|Nota Fiscal não cadastrada."),
    QStringLiteral("SERIE_N_INF|Série NF deve ser informada."),
    QStringLiteral("CLI_N_INF|Cliente deve ser finformado."),
    QStringLiteral("DTULTDEP|Data da Transferência deve ser maior que a data da última depreciação do bem."),
    QStringLiteral("TRANS_INV|É permitido excluir apenas a ultima transferência realizada."),
    QStringLiteral("SEM_MUDAR|Localização atual não pode ser igual a localização anterior."),
    QStringLiteral("Bloq_Del|Operação Bloqueada. Só é permitido excluir a última Transferência Física cadastrada."),
    QStringLiteral("DT_MAIOR|Data da operação não pode ser menor que a última data de operação."),
    QStringLiteral("CENTCUST|Centro de Custo"),
    QStringLiteral("FILIAL|Filial"),
    QStringLiteral("LOC_REP|Localização atual não pode ser igual anterior."),
};

FieldDef Str(const char* name, int size, const char* label = "", bool visible = false, int width = 0) {
    FieldDef d{QString::fromLatin1(name), FieldType::String, size, QString::fromUtf8(label), visible, width};
    return d;
}
FieldDef Flt(const char* name, const char* label = "", bool visible = false) {
    return FieldDef{QString::fromLatin1(name), FieldType::Float, 0, QString::fromUtf8(label), visible};
}
FieldDef Dat(const char* name, const char* label = "", bool visible = false) {
    return FieldDef{QString::fromLatin1(name), FieldType::DateTime, 0, QString::fromUtf8(label), visible};
}

void Declare(TDataSet& ds, std::initializer_list<FieldDef> defs) {
    for (const FieldDef& d : defs) ds.AddField(d);
}

QHBoxLayout* Row(QGridLayout* grid, int row, QWidget* label, std::initializer_list<QWidget*> controls) {
    return AddFormRow(grid, row, label, controls);
}

// A name display gets no narrower than a dozen letters. Cut, it shows the start of the name (an
// edit would show the end) and the whole name as its tooltip.
void NameSized(QLineEdit* e) {
    e->setMinimumWidth(12 * e->fontMetrics().averageCharWidth());
    // Setting the same text again puts the cursor at the end without a change signal.
    QObject::connect(e, &QLineEdit::cursorPositionChanged, e, [e](int, int now) {
        if (now != 0 && !e->hasFocus()) e->setCursorPosition(0);
    });
    QObject::connect(e, &QLineEdit::textChanged, e, [e](const QString& text) { e->setToolTip(text); });
}

TEdit* NameDisplay(QWidget* parent, const char* name) {
    auto* e = new TEdit(parent, QString::fromLatin1(name));
    e->SetColor(ColorKind::BtnFace);
    NameSized(e);
    return e;
}

TDBEdit* Bound(QWidget* parent, const char* name, TDataSource* source, const char* field, int width,
               ColorKind color = ColorKind::Window) {
    auto* e = new TDBEdit(parent, QString::fromLatin1(name));
    e->SetDataSource(source);
    e->SetDataField(QString::fromLatin1(field));
    e->SetColor(color);
    e->setFixedWidth(width);
    return e;
}

// A data-aware display of a name: as wide as the row lets it be.
TDBEdit* BoundName(QWidget* parent, const char* name, TDataSource* source, const char* field) {
    auto* e = new TDBEdit(parent, QString::fromLatin1(name));
    e->SetDataSource(source);
    e->SetDataField(QString::fromLatin1(field));
    e->SetColor(ColorKind::BtnFace);
    NameSized(e);
    return e;
}

}  // namespace

void TFrmTransferenciaFisica::DeclareDataSets() {
    // The transfer record: 52 fields, the list grid's labels and flags.
    for (const FieldDef& d : contracts::TransferRecordFields()) cdsCapa.AddField(d);
    dtsCapa.SetDataSet(&cdsCapa);

    Declare(cdsBemAtivo, {Str("CDPATRIBEMATIVO", 20, "Código do Patrimônio", true), Str("CDBEMATIVO", 15),
                          Str("NMBEMATIVO", 40, "Nome", true, 40), Flt("VRAQUIBEMATIVO"), Str("CDFILIAL", 4),
                          Flt("QTMESDEPBEM"), Flt("VRINIDEPBEM"), Flt("QTATUABEMATIVO"), Str("CDSETOR", 4),
                          Str("CDCENTCUST", 4), Flt("VRTAXANODEPBEM")});
    dtsBem.SetDataSet(&cdsBemAtivo);
    Declare(cdsCarregaAnte, {Str("CDFILIAL", 4), Str("NMFILIAL", 30), Str("CDCENTCUST", 4), Str("NMCENTCUST", 40),
                             Str("CDSETOR", 4), Str("NMSETOR", 30), Str("CDOPERADOR", 12), Str("NMOPERADOR", 40)});
    Declare(cdsVdDtultDep, {Dat("DTULTDEPBEM")});
    Declare(cdsVd_Insert, {Dat("DTCAPAOPEBEM"), Str("NRSEQITCAPAOPE", 10)});
    Declare(cdsUltFecha, {Str("NRSEQCAPAOPEBEM", 10), Str("NRSEQITCAPAOPE", 10)});
    Declare(cdsValida_Del, {Str("Retorno", 20), Str("Filial", 20), Str("CentCust", 20), Str("Setor", 20),
                            Str("OperRespons", 20)});

    DeclareQryEmpresa(qryEmpresa);
    dtsEmpresa.SetDataSet(&qryEmpresa);
    DeclareQryPesqFilial(qryPesqFilial);
    dtsPesqFilial.SetDataSet(&qryPesqFilial);
    DeclareQryVd_Filial(qryVd_Filial);
    DeclareQryPesqCentCust(qryPesqCentCust);
    dspPesqCentCust.SetDataSet(&qryPesqCentCust);
    DeclareQryVd_PesqCentCust(qryVd_PesqCentCust);
    DeclareQryPesqSetor(qryPesqSetor);
    dspPesqSetor.SetDataSet(&qryPesqSetor);
    DeclareQryVd_Setor(qryVd_Setor);
    DeclareQryPesqResponsavel(qryPesqResponsavel);
    dtsPesqResponsavel.SetDataSet(&qryPesqResponsavel);
    DeclareQryVd_Responsavel(qryVd_Responsavel);
    DeclareQryPesqTipoOper(qryPesqTipoOper);
    dtsPesqTipoOper.SetDataSet(&qryPesqTipoOper);
    DeclareQryVdTipoOper(qryVdTipoOper);
    DeclareQryPesqMotivoOper(qryPesqMotivoOper);
    dtsPesqMotivoOper.SetDataSet(&qryPesqMotivoOper);
    DeclareQryVdMotivoOper(qryVdMotivoOper);
    DeclareQryPesqHistPadr(qryPesqHistPadr);
    dtsHistPadr.SetDataSet(&qryPesqHistPadr);
    DeclareQryContCtbl(qryContCtbl);
    dtsContCtbl.SetDataSet(&qryContCtbl);

    // Apportionment of the transfer item.
    auto rateio = [](TDataSet& ds, int branchSize) {
        ds.AddField(Str("CDEMPRESA", 2));
        ds.AddField(Str("IDSIMULOPERABEM", 1));
        ds.AddField(Str("NRSEQCAPAOPEBEM", 10));
        ds.AddField(Str("NRSEQITCAPAOPE", 10));
        ds.AddField(Str("CDBEMATIVO", 10));
        FieldDef filial = Str("CDFILICCUST", branchSize, "Filial", true);
        filial.editMask = QStringLiteral(">aaaa;0; ");
        ds.AddField(filial);
        FieldDef cc = Str("CDCENTCUSBEM", 4, "Centro de Custo", true);
        cc.editMask = QStringLiteral("9999;1; ");
        ds.AddField(cc);
        FieldDef vr = Flt("VRRATEBEM", "Vr.Rateio (%)", true);
        vr.displayFormat = QStringLiteral("#,##0.00%");
        ds.AddField(vr);
        ds.AddField(Str("NMCENTCUST", 40, "Centro de Custo"));
        ds.AddField(Str("NMFILIAL", 30, "Filial"));
    };
    rateio(cdsRateio, 8);
    rateio(cdsVdRateio, 4);
    dtsRateio.SetDataSet(&cdsRateio);
    Declare(cdsVdFilialRat, {Str("CDFILIAL", 10, "Código", true), Str("NMFILIAL", 45, "Nome", true)});
    dtsVdFilialRat.SetDataSet(&cdsVdFilialRat);
    Declare(cdsVdCentCustRat, {Str("CDCENTCUST", 10, "Código", true), Str("NMCENTCUST", 45, "Nome", true)});
    dtsCentCustRat.SetDataSet(&cdsVdCentCustRat);

    // Accounting parameters of the asset.
    Declare(cdsCtblBemAtivo, {Str("CDEMPRESA", 2), Str("CDBEMATIVO", 10), Str("CDTIPOCONTABEM", 6, "Código", true),
                              Str("CDHISTPADR", 4, "Histórico padrão", true),
                              Str("DSHISTPADR", 60, "Descrição do histórico padrão", true),
                              Str("CDCONTCTBLBEM", 20, "Conta Contábil", true), Str("CDOPEATUCTBLBEM", 12),
                              Dat("DTULTATU"), Str("CDOPEINCCTBLBEM", 12), Dat("DTINCLUCTBLBEM"),
                              Str("NMCONTCTBL", 40, "Nome Conta Contábil", true),
                              Str("NMTIPOCONTABEM", 50, "Tipo de Conta do Bem", true)});
    dtsCtblBemAtivo.SetDataSet(&cdsCtblBemAtivo);
    Declare(cdsPesqTipoContaBem, {Str("CDTIPOCONTABEM", 6, "Código", true), Str("NMTIPOCONTABEM", 50, "Nome", true)});
    dtsPesqTipoContaBem.SetDataSet(&cdsPesqTipoContaBem);
    Declare(cdsVd_TipoConta, {Str("CDTIPOCONTABEM", 6), Str("NMTIPOCONTABEM", 50)});
    Declare(cdsPesqContCtbl, {Str("CDCONTCTBL", 20, "Código", true), Str("CDCONTREDU", 20, "Código Reduzido", true),
                              Str("NMCONTCTBL", 40, "Nome", true)});
    dtsPesqContCtbl.SetDataSet(&cdsPesqContCtbl);
    Declare(cdsVd_ContCtbl, {Str("CDCONTCTBL", 20), Str("CDCONTREDU", 20), Str("NMCONTCTBL", 40)});

    // Invoice data.
    Declare(cdsPesqNF, {Str("NRLANCTONF", 20, "Nota Fiscal", true), Str("NRNOTAFISC", 20, "Nota Fiscal"),
                        Str("DESCRICAO", 15), Dat("DTENTRSAID", "Dt. Entrada", true),
                        Str("CDFILIRECE", 4, "Filial Rece.", true), Str("CDFILIEMIT", 4, "Filial Emis.", true),
                        Str("CDTIPOOPER", 2, "Tp. Oper.", true), Str("CDSERIE", 5, "Serie", true),
                        Str("IDENTRSAIDOP", 1, "E/S", true), Str("CDFILIAL", 4)});
    dtsPesqNF.SetDataSet(&cdsPesqNF);
    Declare(cdsVDserie, {Str("CDSERIE", 5)});
}

void TFrmTransferenciaFisica::CreateComponents() {
    setWindowTitle(QStringLiteral("Transferência Física"));
    setObjectName(QStringLiteral("FrmTransferenciaFisica"));
    lblCodTela->SetCaption(QStringLiteral("ZMT02600"));
    msgPadrao.SetLines(kMensagens);

    // Toolbar: the batch registration button; nothing to print here.
    sbtCadAut = new TSpeedButton(panMenu, QStringLiteral("sbtCadAut"), QStringLiteral("Cad. Automático"));
    sbtCadAut->SetHint(QStringLiteral("Cadastramento Automático"));
    sbtCadAut->setEnabled(false);
    static_cast<QBoxLayout*>(panMenu->layout())->insertWidget(panMenu->layout()->indexOf(lblCodTela), sbtCadAut);
    sbtImprimir->setEnabled(false);
    mnuListagem->setEnabled(false);

    // Operation menu: the two page items at its top, then a separator.
    mnuFolhaDados = new TMenuItem(this, QStringLiteral("mnuFolhaDados"), QStringLiteral("Folha de &Dados (Grade)"));
    mnuFormulario = new TMenuItem(this, QStringLiteral("mnuFormulario"), QStringLiteral("&Formulário"));
    mnuFolhaDados->setCheckable(true);
    mnuFormulario->setCheckable(true);
    QAction* first = mnuOperacao->actions().value(0);
    mnuOperacao->insertAction(first, mnuFolhaDados);
    mnuOperacao->insertAction(first, mnuFormulario);
    mnuOperacao->insertSeparator(first);

    // Company and asset panel, above the pages.
    panEmpresa = new TPanel(this, QStringLiteral("panEmpresa"));
    auto* pan = new QHBoxLayout(panEmpresa);
    pan->setContentsMargins(6, 4, 6, 4);
    auto* lblEmpresa = new TLabel(panEmpresa, QStringLiteral("lblEmpresa"), QStringLiteral("Empresa"));
    medEmpresa = new TMaskEdit(panEmpresa, QStringLiteral("medEmpresa"), QStringLiteral("99;0; "));
    medEmpresa->SetMaxLength(2);
    medEmpresa->SetColor(ColorKind::InfoBk);
    medEmpresa->setFixedWidth(36);
    btpEmpresa = Lookup(panEmpresa, "btpEmpresa", medEmpresa, QStringLiteral("Empresa"), &dtsEmpresa,
                        QStringLiteral("Não há empresa cadastrada"));
    edtNmEmpresa = NameDisplay(panEmpresa, "edtNmEmpresa");
    auto* lblBem = new TLabel(panEmpresa, QStringLiteral("lblBem"), QStringLiteral("Bem"));
    btpBem = Lookup(panEmpresa, "btpBem", nullptr, QStringLiteral("Bem"), &dtsBem, QStringLiteral("Não há bem cadastrado."));
    edtNmBem = NameDisplay(panEmpresa, "edtNmBem");
    medBem = new TMaskEdit(panEmpresa, QStringLiteral("medBem"));
    medBem->SetMaxLength(10);
    medBem->SetColor(ColorKind::InfoBk);
    medBem->setFixedWidth(100);
    btpBem->SetAssociate(medBem);
    for (QWidget* w : std::initializer_list<QWidget*>{lblEmpresa, medEmpresa, btpEmpresa, edtNmEmpresa, lblBem, medBem,
                                                      btpBem, edtNmBem})
        pan->addWidget(w);
    // The asset's name is the longer one.
    pan->setStretchFactor(edtNmEmpresa, 2);
    pan->setStretchFactor(edtNmBem, 3);
    medEmpresa->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    static_cast<QBoxLayout*>(layout())->insertWidget(layout()->indexOf(pgcPadrao), panEmpresa);

    // The list page: the transfers of the asset.
    tshPadrao->SetCaption(QStringLiteral("Folha de Dados (Grade)"));
    dbgPadrao->SetDataSource(&dtsCapa);
    // The columns fit their titles and what they usually show; the operator's name takes the rest.
    TColumn& situacao = dbgPadrao->AddColumn(QStringLiteral("IDSITCAPAOPER"), QStringLiteral("Situação"));
    situacao.ReadOnly = true;
    situacao.Samples = {Msg(QStringLiteral("1")), Msg(QStringLiteral("2")), Msg(QStringLiteral("3"))};
    dbgPadrao->AddColumn(QStringLiteral("DTCAPAOPEBEM"), QStringLiteral("Data da Operação")).Samples = {
        QStringLiteral("00/00/0000")};
    dbgPadrao->AddColumn(QStringLiteral("NMTIPOOPERBEM"), QStringLiteral("Tipo de Operação")).Samples = {
        QStringLiteral("Transferência para conserto em outra filial")};
    dbgPadrao->AddColumn(QStringLiteral("DTINCCAPAOPER"), QStringLiteral("Data da Inclusão")).Samples = {
        QStringLiteral("00/00/0000 00:00:00")};
    dbgPadrao->AddColumn(QStringLiteral("OPERINCL"), QStringLiteral("Operador de Inclusão"));
    dbgPadrao->ColumnsChanged();
    dbgPadrao->ExportName = QStringLiteral("transferências");
    dbtNome->SetDataSource(&dtsCapa);
    dbtNome->SetDataField(QStringLiteral("CAPADBTNOME"));
    dbnPadrao->SetDataSource(&dtsCapa);

    // The form page.
    tshFormulario = new TTabSheet(pgcPadrao, QStringLiteral("tshFormulario"), QStringLiteral("Formulário"));
    auto* form = new QVBoxLayout(tshFormulario);

    grbTipoOper = new TGroupBox(tshFormulario, QStringLiteral("grbTipoOper"));
    {
        auto* g = new QGridLayout(grbTipoOper);
        depDataTransf = new TDBDateEditPlus(grbTipoOper, QStringLiteral("depDataTransf"));
        depDataTransf->SetDataSource(&dtsCapa);
        depDataTransf->SetDataField(QStringLiteral("DTCAPAOPEBEM"));
        depDataTransf->SetColor(ColorKind::InfoBk);
        depDataTransf->setFixedWidth(110);
        dbeCdTipoOper = Bound(grbTipoOper, "dbeCdTipoOper", &dtsCapa, "CDTIPOOPERBEM", 70, ColorKind::InfoBk);
        btnPesqTipoOper = Lookup(grbTipoOper, "btnPesqTipoOper", dbeCdTipoOper, QStringLiteral("Tipo Operação"),
                                 &dtsPesqTipoOper);
        dbeNmTipoOper = BoundName(grbTipoOper, "dbeNmTipoOper", &dtsCapa, "NMTIPOOPERBEM");
        dbeIdTipoOper = BoundName(grbTipoOper, "dbeIdTipoOper", &dtsCapa, "IDIDENTCAPAOPER");
        dbeIdTipoOper->SetMaxLength(40);  // shows the identity's name, longer than its stored code
        dbeCdMotivoOper = Bound(grbTipoOper, "dbeCdMotivoOper", &dtsCapa, "CDMOTIVOOPER", 70, ColorKind::InfoBk);
        btnPesqMotivoOper = Lookup(grbTipoOper, "btnPesqMotivoOper", dbeCdMotivoOper, QStringLiteral("Motivo Operação"),
                                   &dtsPesqMotivoOper);
        dbeNmMotivoOper = BoundName(grbTipoOper, "dbeNmMotivoOper", &dtsCapa, "NMMOTIVOOPER");
        Row(g, 0, new TLabel(grbTipoOper, QStringLiteral("lblDataOperacao"), QStringLiteral("Data Operação")),
            {depDataTransf});
        QHBoxLayout* tipo =
            Row(g, 1, new TLabel(grbTipoOper, QStringLiteral("lblTipoOperacao"), QStringLiteral("Tipo Operação")),
                {dbeCdTipoOper, btnPesqTipoOper, dbeNmTipoOper, dbeIdTipoOper});
        tipo->setStretchFactor(dbeNmTipoOper, 2);
        Row(g, 2, new TLabel(grbTipoOper, QStringLiteral("lblMotivoOperacao"), QStringLiteral("Motivo Operação")),
            {dbeCdMotivoOper, btnPesqMotivoOper, dbeNmMotivoOper});
    }
    form->addWidget(grbTipoOper);

    grbLocalAnte = new TGroupBox(tshFormulario, QStringLiteral("grbLocalAnte"), QStringLiteral("Localização Anterior"));
    {
        auto* g = new QGridLayout(grbLocalAnte);
        QWidget* p = grbLocalAnte;
        dbeCdFilialAnte = Bound(p, "dbeCdFilialAnte", &dtsCapa, "CDFILIALITCANTE", 60, ColorKind::BtnFace);
        dbeNmFilialAnte = NameDisplay(p, "dbeNmFilialAnte");
        dbeCdCentCustAnte = Bound(p, "dbeCdCentCustAnte", &dtsCapa, "CDCENTCUITCANTE", 60, ColorKind::BtnFace);
        dbeNmCentCustAnte = NameDisplay(p, "dbeNmCentCustAnte");
        dbeCdSetorAnte = Bound(p, "dbeCdSetorAnte", &dtsCapa, "CDSETORITCANTE", 60, ColorKind::BtnFace);
        dbeNmSetorAnte = NameDisplay(p, "dbeNmSetorAnte");
        dbeRespSetorAnte = NameDisplay(p, "dbeRespSetorAnte");
        dbeCdOperAnte = Bound(p, "dbeCdOperAnte", &dtsCapa, "CDOPERESPBEMANT", 110, ColorKind::BtnFace);
        dbeNmOperAnte = NameDisplay(p, "dbeNmOperAnte");
        Row(g, 0, new TLabel(p, QStringLiteral("lblFilialAnte"), QStringLiteral("Filial")), {dbeCdFilialAnte, dbeNmFilialAnte});
        Row(g, 1, new TLabel(p, QStringLiteral("lblCentCustAnte"), QStringLiteral("Centro de Custo")),
            {dbeCdCentCustAnte, dbeNmCentCustAnte});
        Row(g, 2, new TLabel(p, QStringLiteral("lblSetorAnte"), QStringLiteral("Setor")), {dbeCdSetorAnte, dbeNmSetorAnte});
        Row(g, 3, new TLabel(p, QStringLiteral("lblRespSetorAnte"), QStringLiteral("Resp. Setor")), {dbeRespSetorAnte});
        Row(g, 4, new TLabel(p, QStringLiteral("lblOperAnte"), QStringLiteral("Resp. Bem")), {dbeCdOperAnte, dbeNmOperAnte});
    }
    grbLocalNovo = new TGroupBox(tshFormulario, QStringLiteral("grbLocalNovo"), QStringLiteral("Localização Atual"));
    {
        auto* g = new QGridLayout(grbLocalNovo);
        QWidget* p = grbLocalNovo;
        dbeCdFilialNovo = Bound(p, "dbeCdFilialNovo", &dtsCapa, "CDFILIALITCNOVO", 60, ColorKind::InfoBk);
        dbeCdFilialNovo->SetCharCase(TEditCharCase::UpperCase);
        btpFilial = Lookup(p, "btpFilial", dbeCdFilialNovo, QStringLiteral("Filial"), &dtsPesqFilial,
                           QStringLiteral("Não há filial cadastrada."));
        dbeNmFilialNovo = NameDisplay(p, "dbeNmFilialNovo");
        dbeCdCentCustNovo = Bound(p, "dbeCdCentCustNovo", &dtsCapa, "CDCENTCUITCNOVO", 60, ColorKind::InfoBk);
        btpCentCust = Lookup(p, "btpCentCust", dbeCdCentCustNovo, QStringLiteral("Centro de Custo"), &dspPesqCentCust,
                             QStringLiteral("Não há Centro de Custo cadastrado"));
        dbeNmCentCustNovo = NameDisplay(p, "dbeNmCentCustNovo");
        dbeCdSetorNovo = Bound(p, "dbeCdSetorNovo", &dtsCapa, "CDSETORITCNOVO", 60);
        btpSetor = Lookup(p, "btpSetor", dbeCdSetorNovo, QStringLiteral("Setor"), &dspPesqSetor,
                          QStringLiteral("Não há setor cadastrado."));
        dbeNmSetorNovo = NameDisplay(p, "dbeNmSetorNovo");
        dbeRespSetorNovo = NameDisplay(p, "dbeRespSetorNovo");
        dbeCdOperNovo = Bound(p, "dbeCdOperNovo", &dtsCapa, "CDOPERESPBEMNOV", 110);
        btpRespBem = Lookup(p, "btpRespBem", dbeCdOperNovo, QStringLiteral("Responsável"), &dtsPesqResponsavel,
                            QStringLiteral("Não há responsável cadastrado."));
        dbeNmOperNovo = NameDisplay(p, "dbeNmOperNovo");
        Row(g, 0, new TLabel(p, QStringLiteral("lblFilialNovo"), QStringLiteral("Filial")),
            {dbeCdFilialNovo, btpFilial, dbeNmFilialNovo});
        Row(g, 1, new TLabel(p, QStringLiteral("lblCentCustNovo"), QStringLiteral("Centro de Custo")),
            {dbeCdCentCustNovo, btpCentCust, dbeNmCentCustNovo});
        Row(g, 2, new TLabel(p, QStringLiteral("lblSetorNovo"), QStringLiteral("Setor")),
            {dbeCdSetorNovo, btpSetor, dbeNmSetorNovo});
        Row(g, 3, new TLabel(p, QStringLiteral("lblRespSetorNovo"), QStringLiteral("Resp. Setor")), {dbeRespSetorNovo});
        Row(g, 4, new TLabel(p, QStringLiteral("lblOperNovo"), QStringLiteral("Resp. Bem")),
            {dbeCdOperNovo, btpRespBem, dbeNmOperNovo});
    }
    auto* locations = new QHBoxLayout;
    locations->addWidget(grbLocalAnte, 1);
    locations->addWidget(grbLocalNovo, 1);
    form->addLayout(locations);

    grbDadosTransferencia = new TGroupBox(tshFormulario, QStringLiteral("grbDadosTransferencia"),
                                          QStringLiteral("Dados de Tranferência do Bem"));
    {
        auto* h = new QHBoxLayout(grbDadosTransferencia);
        QWidget* p = grbDadosTransferencia;
        auto* lblNF = new TLabel(p, QStringLiteral("lblNF"), QStringLiteral("Série/ NF Saída"));
        dbeNF = Bound(p, "dbeNF", &dtsCapa, "CDSERIENFITCAPA", 43);
        auto* lblBarra = new TLabel(p, QStringLiteral("lblBarra"), QStringLiteral("/"));
        dbeNrNota = Bound(p, "dbeNrNota", &dtsCapa, "NRNOTAFIITCAPA", 100);
        btpPesqNF = Lookup(p, "btpPesqNF", dbeNrNota, QStringLiteral("NF. Saída"), &dtsPesqNF,
                           QStringLiteral("Não há nota cadastrada"));
        dbeDescriNF = NameDisplay(p, "dbeDescriNF");
        for (QWidget* w : std::initializer_list<QWidget*>{lblNF, dbeNF, lblBarra, dbeNrNota, btpPesqNF})
            h->addWidget(w);
        h->addWidget(dbeDescriNF, 1);
    }
    form->addWidget(grbDadosTransferencia);
    form->addStretch(1);

    // Accounting parameters page.
    tshParamContabil = new TTabSheet(pgcPadrao, QStringLiteral("tshParamContabil"), QStringLiteral("Parametrização Contábil"));
    {
        auto* v = new QVBoxLayout(tshParamContabil);
        dbgCtblBemAtivo = new TDBGrid(tshParamContabil, QStringLiteral("dbgCtblBemAtivo"));
        dbgCtblBemAtivo->SetDataSource(&dtsCtblBemAtivo);
        dbgCtblBemAtivo->AddColumn(QStringLiteral("CDTIPOCONTABEM"), {}, 53).ButtonStyle = TColumnButtonStyle::Ellipsis;
        dbgCtblBemAtivo->AddColumn(QStringLiteral("NMTIPOCONTABEM"), {}, 197);
        dbgCtblBemAtivo->AddColumn(QStringLiteral("CDCONTCTBLBEM")).ButtonStyle = TColumnButtonStyle::Ellipsis;
        dbgCtblBemAtivo->AddColumn(QStringLiteral("NMCONTCTBL"), {}, 237);
        dbgCtblBemAtivo->AddColumn(QStringLiteral("CDHISTPADR"));
        dbgCtblBemAtivo->AddColumn(QStringLiteral("DSHISTPADR"));
        dbgCtblBemAtivo->ColumnsChanged();
        dbgCtblBemAtivo->SetEditing(true);
        dbgCtblBemAtivo->ExportName = QStringLiteral("parametrização contábil");
        v->addWidget(dbgCtblBemAtivo);
    }
    // Apportionment page.
    tshRateio = new TTabSheet(pgcPadrao, QStringLiteral("tshRateio"), QStringLiteral("Rateio Contábil"));
    {
        auto* v = new QVBoxLayout(tshRateio);
        dbgRateio = new TDBGrid(tshRateio, QStringLiteral("dbgRateio"));
        dbgRateio->SetDataSource(&dtsRateio);
        dbgRateio->AddColumn(QStringLiteral("CDFILICCUST"), {}, 150).ButtonStyle = TColumnButtonStyle::Ellipsis;
        dbgRateio->AddColumn(QStringLiteral("CDCENTCUSBEM"), {}, 225).ButtonStyle = TColumnButtonStyle::Ellipsis;
        dbgRateio->AddColumn(QStringLiteral("VRRATEBEM"), {}, 104);
        dbgRateio->ColumnsChanged();
        dbgRateio->SetEditing(true);
        dbgRateio->ExportName = QStringLiteral("rateio");
        v->addWidget(dbgRateio);
    }

    // The form page is the designed active page; the list page's data source is the record's.
    dtsPadrao.SetDataSet(&cdsCapa);
    pgcPadrao->SetActivePage(tshFormulario);
    resize(980, 640);
}

}  // namespace zmt02600
