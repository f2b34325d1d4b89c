#include "TestScreen.h"

#include "orv/Host.h"
#include "orv/Packet.h"
#include "orv/Routines.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace shell_test {

using namespace orv;

TfrmObservacao::TfrmObservacao(QWidget* parent) : TfrmRotiGeral(parent) {
    setWindowTitle(QStringLiteral("Observação"));
    lblCodTela->SetCaption(QStringLiteral("ZTS0002"));
    edtObs = new TEdit(grbDadosRel, QStringLiteral("edtObs"));
    (new QVBoxLayout(grbDadosRel))->addWidget(edtObs);
    btnFechar = new TSpeedButton(panBotoes, QStringLiteral("btnFechar"), QStringLiteral("Fechar"));
    panBotoes->layout()->addWidget(btnFechar);
    btnFechar->OnClick = [this] { close(); };
}

TfrmTeste::TfrmTeste(QWidget* parent) : TfrmPadraoGrid(parent) {
    setObjectName(QStringLiteral("FrmTeste"));
    panFiltro = new TPanel(this, QStringLiteral("panFiltro"));
    auto* filter = new QHBoxLayout(panFiltro);
    edtEmpresa = new TMaskEdit(panFiltro, QStringLiteral("edtEmpresa"), QStringLiteral("99;0; "));
    btnEmpresa = new TBtnPesquisa(panFiltro, QStringLiteral("btnEmpresa"));
    edtNome = new TEdit(panFiltro, QStringLiteral("edtNome"));
    edtData = new TDateEditPlus(panFiltro, QStringLiteral("edtData"));
    btnVazio = new TBtnPesquisa(panFiltro, QStringLiteral("btnVazio"));
    btnMarcar = new TSpeedButton(panFiltro, QStringLiteral("btnMarcar"), QStringLiteral("Marcar"));
    btnPergunta = new TSpeedButton(panFiltro, QStringLiteral("btnPergunta"), QStringLiteral("Perguntar"));
    btnAvisos = new TSpeedButton(panFiltro, QStringLiteral("btnAvisos"), QStringLiteral("Avisos"));
    btnDialogo = new TSpeedButton(panFiltro, QStringLiteral("btnDialogo"), QStringLiteral("Observação"));
    lblMarcadas = new TLabel(panFiltro, QStringLiteral("lblMarcadas"));
    lblResposta = new TLabel(panFiltro, QStringLiteral("lblResposta"));
    lblObs = new TLabel(panFiltro, QStringLiteral("lblObs"));
    lblPagina = new TLabel(panFiltro, QStringLiteral("lblPagina"));
    for (QWidget* w : DirectChildControls(panFiltro)) filter->addWidget(w);
    static_cast<QVBoxLayout*>(layout())->insertWidget(2, panFiltro);

    mnuMarcar = new TMenuItem(this, QStringLiteral("mnuMarcar"), QStringLiteral("Marcar"));
    mnuMarcar->setCheckable(true);
    mnuOperacao->addAction(mnuMarcar);

    tshDados = new TTabSheet(pgcPadrao, QStringLiteral("tshDados"), QStringLiteral("Dados"));
    auto* data = new QVBoxLayout(tshDados);
    dbeNome = new TDBEdit(tshDados, QStringLiteral("dbeNome"));
    edtBloqueado = new TEdit(tshDados, QStringLiteral("edtBloqueado"));
    dbgItens = new TDBGrid(tshDados, QStringLiteral("dbgItens"));
    data->addWidget(dbeNome);
    data->addWidget(edtBloqueado);
    data->addWidget(dbgItens);
    tshExtra = new TTabSheet(pgcPadrao, QStringLiteral("tshExtra"), QStringLiteral("Extra"));
}

TfrmTeste::~TfrmTeste() { shell::UnregisterDataSet(&cdsRegistrado); }

void TfrmTeste::FormCreate() {
    setWindowTitle(QStringLiteral("Teste de roteiro"));
    lblCodTela->SetCaption(QStringLiteral("ZTS0001"));

    cdsBens.AddStringField(QStringLiteral("CDBEM"), 6, QStringLiteral("Bem"));
    cdsBens.AddStringField(QStringLiteral("NMBEM"), 20, QStringLiteral("Descrição"));
    cdsBens.AddDateField(QStringLiteral("DTAQUIS"), QStringLiteral("Aquisição"));
    cdsBens.SetData(MakePacket(cdsBens.FieldDefs(),
                               {{QStringLiteral("000001"), QStringLiteral("Mesa"),
                                 QDateTime(QDate(2024, 1, 10), QTime(0, 0))},
                                {QStringLiteral("000002"), QStringLiteral("Cadeira"),
                                 QDateTime(QDate(2024, 2, 20), QTime(0, 0))},
                                {QStringLiteral("000003"), QStringLiteral("Armário"),
                                 QDateTime(QDate(2024, 3, 15), QTime(14, 30))}}));
    dtsPadrao.SetDataSet(&cdsBens);
    dbtNome->SetDataField(QStringLiteral("NMBEM"));
    dbeNome->SetDataSource(&dtsPadrao);
    dbeNome->SetDataField(QStringLiteral("NMBEM"));

    cdsEmpresas.AddStringField(QStringLiteral("CDEMPRESA"), 2, QStringLiteral("Empresa"));
    cdsEmpresas.AddStringField(QStringLiteral("NMEMPRESA"), 30, QStringLiteral("Nome"));
    cdsEmpresas.SetData(MakePacket(cdsEmpresas.FieldDefs(), {{QStringLiteral("01"), QStringLiteral("Empresa Um")},
                                                             {QStringLiteral("02"), QStringLiteral("Empresa Dois")}}));
    cdsVazia.AddStringField(QStringLiteral("CDBEM"), 6);
    cdsVazia.CreateDataSet();
    cdsItens.AddStringField(QStringLiteral("CDITEM"), 4, QStringLiteral("Item"));
    cdsItens.AddFloatField(QStringLiteral("QTITEM"), QStringLiteral("Quantidade"));
    cdsItens.SetData(MakePacket(cdsItens.FieldDefs(), {{QStringLiteral("A1"), 1.0}}));
    dbgItens->SetDataSource(&dtsItens);
    dbgItens->SetEditing(true);
    cdsHistorico.AddStringField(QStringLiteral("EVENTO"), 20);
    cdsHistorico.SetData(MakePacket(cdsHistorico.FieldDefs(), {{QStringLiteral("aberta")}}));
    cdsRegistrado.AddStringField(QStringLiteral("X"), 1);
    cdsRegistrado.CreateDataSet();
    shell::RegisterDataSet(this, &cdsRegistrado);

    edtEmpresa->OnExit = [this] {
        if (EmptyString(edtEmpresa->Text())) MensErro(QStringLiteral("Empresa deve ser informada."));
    };
    btnEmpresa->SetAssociate(edtEmpresa);
    btnEmpresa->Title = QStringLiteral("Empresas");
    btnEmpresa->DataSource = &dtsEmpresas;
    btnEmpresa->OnAfterPesq = [this](TDataSet& ds) {
        edtEmpresa->SetText(ds.FieldByName(QStringLiteral("CDEMPRESA")).AsString());
    };
    btnVazio->Title = QStringLiteral("Bens");
    btnVazio->EmptyError = QStringLiteral("Nenhum registro encontrado.");
    btnVazio->DataSource = &dtsVazia;

    edtNome->SetCharCase(TEditCharCase::UpperCase);
    edtNome->SetMaxLength(10);
    edtNome->OnKeyPress = [](QChar& key) {
        if (key.isDigit()) key = QChar();
    };

    btnMarcar->OnClick = [this] {
        QString list = lblMarcadas->Caption();
        if (Host().PesquisaLista(dtsEmpresas, QStringLiteral("CDEMPRESA"), QStringLiteral("Empresas"), list))
            lblMarcadas->SetCaption(list);
    };
    btnPergunta->OnClick = [this] {
        lblResposta->SetCaption(Host().AskYesNo(QStringLiteral("Deseja continuar?")) ? QStringLiteral("sim")
                                                                                      : QStringLiteral("não"));
    };
    btnAvisos->OnClick = [] {
        Host().ShowMessage(QStringLiteral("Primeira."));
        Host().ShowMessage(QStringLiteral("Segunda."));
    };
    btnDialogo->OnClick = [this] {
        if (!dialog) {
            dialog = new TfrmObservacao(this);
            dialog->Initialize();
        }
        dialog->edtObs->SetText(QString());
        dialog->exec();
        lblObs->SetCaption(dialog->edtObs->Text());
        Host().ShowMessage(QStringLiteral("Observação registrada."));
    };
    mnuMarcar->OnClick = [this] { lblPagina->SetCaption(QStringLiteral("menu")); };

    edtBloqueado->setEnabled(false);
    tshExtra->SetEnabled(false);
    pgcPadrao->OnChange = [this] { lblPagina->SetCaption(pgcPadrao->ActivePage()->Caption()); };
}

TDataSet* TfrmTeste::FindDataSet(const QString& name) {
    return name.compare(cdsHistorico.Name(), Qt::CaseInsensitive) == 0 ? &cdsHistorico : nullptr;
}

}  // namespace shell_test
