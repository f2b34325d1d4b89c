// The layout of the batch dialog: controls, captions, colours, lengths, the queries and data sets
// with their fields, the message table and the wiring of every handler. Behaviour lives elsewhere.
#include "Cli_zmt02602/TfrmCadAuto.h"

#include "Cli_zmt02600/Auxiliares.h"
#include "Cli_zmt02600/TransFisicaQueries.h"
#include "Cli_zmt02602/CadAutoQueries.h"
#include "contracts/TransferRecord.h"

#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace zmt02602 {

using namespace orv;
using zmt02600::Lookup;

namespace {

const QStringList kMensagens = {
    QStringLiteral("GRUPO_N_CAD|Não há grupo de bem cadastrado para a empresa informada."),
    QStringLiteral("BEM|Bem Ativo"),
    QStringLiteral("BEM_N_CAD|Não há Bens cadastrados."),
    QStringLiteral("BEM_N_CAD|Bem não cadastrado."),
    QStringLiteral("FIL|Filial"),
    QStringLiteral("FIL_N_CAD|Filial não Cadastrada."),
    QStringLiteral("FIL_INF|Filial deve ser informada."),
    QStringLiteral("GRUPO_BEM_INF|Grupo de bem deve ser informado."),
    QStringLiteral("BEM_INF|Bem deve ser informado."),
    QStringLiteral("TIPOOPER_INF|Tipo de Operação deve ser informado."),
    QStringLiteral("TIPOOPER_CAD|Tipo de operação não cadastrado."),
    QStringLiteral("MOTIVOOPER_INF|Motivo da operação deve ser informado."),
    QStringLiteral("MOTIVOOPER_CAD|Motivo de operação não cadastrado."),
    QStringLiteral("FILIAL_INF|Filial deve ser informada."),
    QStringLiteral("FILIAL_INV|Filial não cadastrada."),
    QStringLiteral("CENTCUST_INF|Centro de custo deve ser informado."),
    QStringLiteral("CENTCUST_INV|Centro de custo não cadastrado."),
    QStringLiteral("SETOR_INV|Setor não cadastrado."),
    QStringLiteral("OP_N_CAD|Responsável não cadastrado."),
    QStringLiteral("LOC_REP|Localização atual não pode ser igual anterior."),
    QStringLiteral("Cadastr_OK|Cadastramento efetuado com sucesso."),
    QStringLiteral("BENS_IGNORADOS|Bens da lista não encontrados na empresa ou nas filiais escolhidas, "
                   "deixados sem transferência: %1."),
    QStringLiteral("PROGRESSO|%1 de %2 bens"),
    QStringLiteral("PROGRESSO_TIT|Gerando as transferências..."),
    QStringLiteral("PROGRESSO_CANC|Cancelar"),
};

FieldDef Str(const char* name, int size) { return FieldDef{QString::fromLatin1(name), FieldType::String, size}; }
FieldDef Flt(const char* name) { return FieldDef{QString::fromLatin1(name), FieldType::Float, 0}; }

TEdit* CodeEdit(QWidget* parent, const char* name, int length, bool required) {
    auto* e = new TEdit(parent, QString::fromLatin1(name));
    e->SetMaxLength(length);
    e->SetColor(required ? ColorKind::InfoBk : ColorKind::Window);
    e->setFixedWidth(length > 6 ? 110 : 60);
    return e;
}

TEdit* NameDisplay(QWidget* parent, const char* name) {
    auto* e = new TEdit(parent, QString::fromLatin1(name));
    e->SetColor(ColorKind::BtnFace);
    // A dozen letters at the least; the dialog's width goes to the names.
    e->setMinimumWidth(12 * e->fontMetrics().averageCharWidth());
    e->setEnabled(false);
    return e;
}

// A group with a "Todos" / "Lista" pair and the lookup of the list, "Lista" chosen.
TGroupBox* Choice(QWidget* parent, const char* name, const QString& caption, TRadioButton*& todos, const char* todosName,
                  TRadioButton*& lista, const char* listaName, TBtnPesquisa*& lookup, const char* lookupName,
                  TDataSource* source, const QString& empty) {
    auto* box = new TGroupBox(parent, QString::fromLatin1(name), caption);
    auto* row = new QHBoxLayout(box);
    todos = new TRadioButton(box, QString::fromLatin1(todosName), QStringLiteral("Todos"));
    lista = new TRadioButton(box, QString::fromLatin1(listaName), QStringLiteral("Lista"));
    lookup = Lookup(box, lookupName, lista, QString(), source, empty);
    lista->setChecked(true);
    row->addWidget(todos);
    row->addWidget(lista);
    row->addWidget(lookup);
    row->addStretch(1);
    return box;
}

void Row(QGridLayout* grid, int row, const QString& label, QWidget* parent, std::initializer_list<QWidget*> controls) {
    AddFormRow(grid, row, new TLabel(parent, {}, label), controls);
}

}  // namespace

TfrmCadAuto::TfrmCadAuto(QWidget* parent) : TfrmRotiGeral(parent) {
    DeclareDataSets();
    CreateComponents();
    BindHandlers();
}

TfrmCadAuto::~TfrmCadAuto() {
    if (frmCadAuto == this) frmCadAuto = nullptr;
}

void TfrmCadAuto::DeclareDataSets() {
    DeclareQryPesqGrupoBem(qryPesqGrupoBem);
    dtsPesqGrupo.SetDataSet(&qryPesqGrupoBem);
    DeclareQryBem(qryBem);
    dtsBemAtivo.SetDataSet(&qryBem);
    DeclareQryFilial(qryFilial);
    dtsFilial.SetDataSet(&qryFilial);
    DeclareQryBensListados(qryBensListados);

    zmt02600::DeclareQryPesqTipoOper(qryPesqTipoOper);
    dtsPesqTipoOper.SetDataSet(&qryPesqTipoOper);
    zmt02600::DeclareQryVdTipoOper(qryVdTipoOper);
    zmt02600::DeclareQryPesqMotivoOper(qryPesqMotivoOper);
    dtsPesqMotivoOper.SetDataSet(&qryPesqMotivoOper);
    zmt02600::DeclareQryVdMotivoOper(qryVdMotivoOper);
    zmt02600::DeclareQryPesqFilial(qryPesqFilial);
    dtsPesqFilial.SetDataSet(&qryPesqFilial);
    zmt02600::DeclareQryVd_Filial(qryVd_Filial);
    zmt02600::DeclareQryPesqCentCust(qryPesqCentCust);
    dspPesqCentCust.SetDataSet(&qryPesqCentCust);
    zmt02600::DeclareQryVd_PesqCentCust(qryVd_PesqCentCust);
    zmt02600::DeclareQryPesqSetor(qryPesqSetor);
    dspPesqSetor.SetDataSet(&qryPesqSetor);
    zmt02600::DeclareQryVd_Setor(qryVd_Setor);
    zmt02600::DeclareQryPesqResponsavel(qryPesqResponsavel);
    dtsPesqResponsavel.SetDataSet(&qryPesqResponsavel);
    zmt02600::DeclareQryVd_Responsavel(qryVd_Responsavel);

    for (const FieldDef& d : contracts::TransferRecordFields()) cdsCapa.AddField(d);
    for (const FieldDef& d : {Str("P_DEPRECIA", 1), Str("P_DEPRECIAFI", 1), Flt("P_MESES"), Flt("P_MESESFI"),
                              Flt("P_VIDAUTIL"), Flt("P_VIDAUTILFI")})
        cdsRetornaVal.AddField(d);
}

void TfrmCadAuto::CreateComponents() {
    setObjectName(QStringLiteral("frmCadAuto"));
    setWindowTitle(QStringLiteral("Cadastramento Automático"));
    lblCodTela->SetCaption(QStringLiteral("ZMT02602"));
    msgPadrao.SetLines(kMensagens);

    auto* body = new QVBoxLayout(grbDadosRel);

    grbIntervalo = new TGroupBox(grbDadosRel, QStringLiteral("grbIntervalo"));
    auto* boxes = new QHBoxLayout(grbIntervalo);
    grbGrupoBem = Choice(grbIntervalo, "grbGrupoBem", QStringLiteral("Grupo de Bem"), rbtGrupoBtodos, "rbtGrupoBtodos",
                         rbtGrupoBLista, "rbtGrupoBLista", btpGrupo, "btpGrupo", &dtsPesqGrupo,
                         QStringLiteral("Não há Grupo de Bem Cadastrado"));
    grbFilial = Choice(grbIntervalo, "grbFilial", QStringLiteral("Filial"), rbtTodosFil, "rbtTodosFil", rbtListaFil,
                       "rbtListaFil", BtnPesqFilial, "BtnPesqFilial", &dtsFilial, QStringLiteral("Não há Filial Cadastrada."));
    grbBem = Choice(grbIntervalo, "grbBem", QStringLiteral("Bem"), rbtBemTodos, "rbtBemTodos", rbtBemLista, "rbtBemLista",
                    btpBem, "btpBem", &dtsBemAtivo, QString());
    for (QWidget* w : {grbGrupoBem, grbFilial, grbBem}) boxes->addWidget(w);
    body->addWidget(grbIntervalo);

    grbDadosOperacao = new TGroupBox(grbDadosRel, QStringLiteral("grbDadosOperacao"), QStringLiteral("Dados da Operação"));
    {
        auto* g = new QGridLayout(grbDadosOperacao);
        QWidget* p = grbDadosOperacao;
        depData = new TDateEditPlus(p, QStringLiteral("depData"));
        depData->SetColor(ColorKind::InfoBk);
        depData->SetDate(QDate::currentDate());  // a batch is mostly for today
        depData->setFixedWidth(110);
        dbeCdTipoOper = CodeEdit(p, "dbeCdTipoOper", 6, true);
        btnPesqTipoOper = Lookup(p, "btnPesqTipoOper", dbeCdTipoOper, QStringLiteral("Operação"), &dtsPesqTipoOper);
        dbeNmTipoOper = NameDisplay(p, "dbeNmTipoOper");
        dbeCDMOTIVOOPER = CodeEdit(p, "dbeCDMOTIVOOPER", 6, true);
        btnPesqMotivoOper =
            Lookup(p, "btnPesqMotivoOper", dbeCDMOTIVOOPER, QStringLiteral("Motivo Operação"), &dtsPesqMotivoOper);
        dbeNmMotivoOper = NameDisplay(p, "dbeNmMotivoOper");
        Row(g, 0, QStringLiteral("Data Operação"), p, {depData});
        Row(g, 1, QStringLiteral("Tipo Operação"), p, {dbeCdTipoOper, btnPesqTipoOper, dbeNmTipoOper});
        Row(g, 2, QStringLiteral("Motivo Operação"), p, {dbeCDMOTIVOOPER, btnPesqMotivoOper, dbeNmMotivoOper});
    }
    body->addWidget(grbDadosOperacao);

    grbLocalNovo = new TGroupBox(grbDadosRel, QStringLiteral("grbLocalNovo"), QStringLiteral("Localização Atual"));
    {
        auto* g = new QGridLayout(grbLocalNovo);
        QWidget* p = grbLocalNovo;
        dbeCdFilialNovo = CodeEdit(p, "dbeCdFilialNovo", 4, true);
        btpFilial = Lookup(p, "btpFilial", dbeCdFilialNovo, QStringLiteral("Filial"), &dtsPesqFilial,
                           QStringLiteral("Não há filial cadastrada."));
        dbeNmFilialNovo = NameDisplay(p, "dbeNmFilialNovo");
        dbeCdCentCustNovo = CodeEdit(p, "dbeCdCentCustNovo", 4, true);
        btpCentCust = Lookup(p, "btpCentCust", dbeCdCentCustNovo, QStringLiteral("Centro de Custo"), &dspPesqCentCust,
                             QStringLiteral("Não há Centro de Custo cadastrado"));
        dbeNmCentCustNovo = NameDisplay(p, "dbeNmCentCustNovo");
        dbeCdSetorNovo = CodeEdit(p, "dbeCdSetorNovo", 4, false);
        btpSetor = Lookup(p, "btpSetor", dbeCdSetorNovo, QStringLiteral("Setor"), &dspPesqSetor,
                          QStringLiteral("Não há setor cadastrado."));
        dbeNmSetorNovo = NameDisplay(p, "dbeNmSetorNovo");
        dbeRespSetorNovo = NameDisplay(p, "dbeRespSetorNovo");
        dbeCdOperNovo = CodeEdit(p, "dbeCdOperNovo", 12, false);
        btpRespBem = Lookup(p, "btpRespBem", dbeCdOperNovo, QStringLiteral("Responsável"), &dtsPesqResponsavel,
                            QStringLiteral("Não há responsável cadastrado."));
        dbeNmOperNovo = NameDisplay(p, "dbeNmOperNovo");
        Row(g, 0, QStringLiteral("Filial"), p, {dbeCdFilialNovo, btpFilial, dbeNmFilialNovo});
        Row(g, 1, QStringLiteral("Centro de Custo"), p, {dbeCdCentCustNovo, btpCentCust, dbeNmCentCustNovo});
        Row(g, 2, QStringLiteral("Setor"), p, {dbeCdSetorNovo, btpSetor, dbeNmSetorNovo});
        Row(g, 3, QStringLiteral("Resp. Setor"), p, {dbeRespSetorNovo});
        Row(g, 4, QStringLiteral("Resp. Bem"), p, {dbeCdOperNovo, btpRespBem, dbeNmOperNovo});
    }
    body->addWidget(grbLocalNovo);
    body->addStretch(1);

    setTabOrder(depData, dbeCdTipoOper);
    setTabOrder(dbeCdTipoOper, dbeCDMOTIVOOPER);
    setTabOrder(dbeCDMOTIVOOPER, dbeCdFilialNovo);
    setTabOrder(dbeCdFilialNovo, dbeCdCentCustNovo);
    setTabOrder(dbeCdCentCustNovo, dbeCdSetorNovo);
    setTabOrder(dbeCdSetorNovo, dbeCdOperNovo);
    resize(760, 460);
}

void TfrmCadAuto::BindHandlers() {
    rbtGrupoBtodos->OnClick = [this] { rbtGrupoBtodosClick(); };
    rbtGrupoBLista->OnClick = [this] { rbtGrupoBListaClick(); };
    rbtTodosFil->OnClick = [this] { rbtTodosFilClick(); };
    rbtListaFil->OnClick = [this] { rbtListaFilClick(); };
    rbtBemTodos->OnClick = [this] { rbtBemTodosClick(); };
    rbtBemLista->OnClick = [this] { rbtBemListaClick(); };
    btpGrupo->OnClick = [this] { btpGrupoClick(); };
    BtnPesqFilial->OnClick = [this] { BtnPesqFilialClick(); };
    btpBem->OnClick = [this] { btpBemClick(); };

    dbeCdFilialNovo->OnKeyPress = [this](QChar& k) { dbeCdFilialNovoKeyPress(k); };
    dbeCdCentCustNovo->OnKeyPress = [this](QChar& k) { dbeCdCentCustNovoKeyPress(k); };
    dbeCdSetorNovo->OnKeyPress = [this](QChar& k) { dbeCdSetorNovoKeyPress(k); };
    dbeCdOperNovo->OnKeyPress = [this](QChar& k) { dbeCdOperNovoKeyPress(k); };
    dbeCdTipoOper->OnChange = [this] { dbeCdTipoOperChange(); };
    dbeCdFilialNovo->OnChange = [this] { dbeCdFilialNovoChange(); };
    dbeCdCentCustNovo->OnChange = [this] { dbeCdCentCustNovoChange(); };
    dbeCdSetorNovo->OnChange = [this] { dbeCdSetorNovoChange(); };
    dbeCdOperNovo->OnChange = [this] { dbeCdOperNovoChange(); };
    depData->OnExit = [this] { depDataExit(); };
    dbeCdTipoOper->OnExit = [this] { dbeCdTipoOperExit(); };
    dbeCDMOTIVOOPER->OnExit = [this] { dbeCDMOTIVOOPERExit(); };
    dbeCdFilialNovo->OnExit = [this] { dbeCdFilialNovoExit(); };
    dbeCdCentCustNovo->OnExit = [this] { dbeCdCentCustNovoExit(); };
    dbeCdSetorNovo->OnExit = [this] { dbeCdSetorNovoExit(); };
    dbeCdOperNovo->OnExit = [this] { dbeCdOperNovoExit(); };
    btnPesqTipoOper->OnBeforePesq = [this](bool& p) { btnPesqTipoOperBeforePesq(p); };
    btnPesqTipoOper->OnAfterPesq = [this](TDataSet&) { btnPesqTipoOperAfterPesq(); };
    btnPesqMotivoOper->OnBeforePesq = [this](bool& p) { btnPesqMotivoOperBeforePesq(p); };
    btnPesqMotivoOper->OnAfterPesq = [this](TDataSet&) { btnPesqMotivoOperAfterPesq(); };
    btpFilial->OnBeforePesq = [this](bool& p) { btpFilialBeforePesq(p); };
    btpFilial->OnAfterPesq = [this](TDataSet&) { btpFilialAfterPesq(); };
    btpCentCust->OnBeforePesq = [this](bool& p) { btpCentCustBeforePesq(p); };
    btpCentCust->OnAfterPesq = [this](TDataSet&) { btpCentCustAfterPesq(); };
    btpSetor->OnBeforePesq = [this](bool& p) { btpSetorBeforePesq(p); };
    btpSetor->OnAfterPesq = [this](TDataSet&) { btpSetorAfterPesq(); };
    btpRespBem->OnBeforePesq = [this](bool& p) { btpRespBemBeforePesq(p); };
    btpRespBem->OnAfterPesq = [this](TDataSet&) { btpRespBemAfterPesq(); };

    cdsCapa.BeforePost = [this](TDataSet&) { cdsCapaBeforePost(); };
}

}  // namespace zmt02602
