#include "shell/FrmHistoricoLocalizacao.h"

#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/WindowLayout.h"

#include <QCloseEvent>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QStyle>
#include <QVBoxLayout>

namespace shell {

using namespace orv;

namespace {

const QLocale kBrasil(QLocale::Portuguese, QLocale::Brazil);

void Str(TADOIBQuery& q, const char* name, int size, const char* label = "", int width = 0) {
    FieldDef d;
    d.name = QString::fromLatin1(name);
    d.size = size;
    d.label = QString::fromUtf8(label);
    d.displayWidth = width;
    q.AddField(d);
}

QString Day(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

// "0001 Matriz São Paulo / 0004 / 0012": a branch with its name, then the cost centre and the
// sector, each only when there is one.
QString Place(const TDataSet& ds, const char* filial, const char* nome, const char* centCust, const char* setor) {
    QStringList parts;
    QString branch = ds.FieldByName(QLatin1String(filial)).AsString();
    const QString name = ds.FieldByName(QLatin1String(nome)).AsString();
    if (!name.isEmpty()) branch += QLatin1Char(' ') + name;
    parts << branch;
    for (const char* f : {centCust, setor}) {
        const QString code = ds.FieldByName(QLatin1String(f)).AsString();
        if (!code.isEmpty()) parts << code;
    }
    return parts.join(QStringLiteral(" / "));
}

// "0004 Logística": a code followed by its name.
QString CodeAndName(const TDataSet& ds, const char* code, const char* name) {
    const QString c = ds.FieldByName(QLatin1String(code)).AsString();
    const QString n = ds.FieldByName(QLatin1String(name)).AsString();
    return n.isEmpty() ? c : c + QLatin1Char(' ') + n;
}

TMaskEdit* CodeEdit(QWidget* parent, const char* name, const QString& mask, int length) {
    auto* e = new TMaskEdit(parent, QString::fromLatin1(name), mask);
    e->SetMaxLength(length);
    e->SetCharCase(TEditCharCase::UpperCase);
    e->setFixedWidth(60);
    return e;
}

TEdit* NameDisplay(QWidget* parent, const char* name) {
    auto* e = new TEdit(parent, QString::fromLatin1(name));
    e->SetColor(ColorKind::BtnFace);
    // A dozen letters at the least; the window's width goes to the names.
    e->setMinimumWidth(12 * e->fontMetrics().averageCharWidth());
    return e;
}

TBtnPesquisa* Lookup(QWidget* parent, const char* name, QWidget* associate, const QString& title, TDataSource* source,
                     const QString& empty) {
    auto* b = new TBtnPesquisa(parent, QString::fromLatin1(name));
    b->SetAssociate(associate);
    b->Title = title;
    b->DataSource = source;
    b->EmptyError = empty;
    return b;
}

TDateEditPlus* DateEdit(QWidget* parent, const char* name, const QDate& date) {
    auto* e = new TDateEditPlus(parent, QString::fromLatin1(name));
    e->SetColor(ColorKind::InfoBk);
    e->setFixedWidth(110);
    e->SetDate(date);
    return e;
}

}  // namespace

FrmHistoricoLocalizacao::FrmHistoricoLocalizacao(QWidget* parent) : QWidget(parent, Qt::Window) {
    DeclareDataSets();
    CreateComponents();
    BindHandlers();
    netHistorico.BeforeConnect = [](TNetConnection& net) {
        net.Host = Host().WebURL();
        net.Port = Host().WebPort();
    };
}

FrmHistoricoLocalizacao::~FrmHistoricoLocalizacao() { netHistorico.SetConnected(false); }

void FrmHistoricoLocalizacao::closeEvent(QCloseEvent* event) {
    SaveWindowLayout(this);
    QWidget::closeEvent(event);
}

QString FrmHistoricoLocalizacao::ExportContext() const {
    QString context = windowTitle();
    if (!medFilial->text().isEmpty()) context += QStringLiteral(" - filial ") + medFilial->text();
    if (!medCentCust->text().isEmpty()) context += QStringLiteral(" - centro de custo ") + medCentCust->text();
    if (!medSetor->text().isEmpty()) context += QStringLiteral(" - setor ") + medSetor->text();
    return context;
}

// --- layout -------------------------------------------------------------------------------------

void FrmHistoricoLocalizacao::DeclareDataSets() {
    auto str = [](TDataSet& ds, const char* name, int size, const char* label = "") {
        ds.AddStringField(QString::fromLatin1(name), size, QString::fromUtf8(label));
    };
    cdsHistorico.AddDateField(QStringLiteral("DTCAPAOPEBEM"), QStringLiteral("Data"));
    str(cdsHistorico, "IDMOVIMENTO", 1, "Movimento");
    str(cdsHistorico, "CDPATRIBEMATIVO", 20, "Patrimônio");
    str(cdsHistorico, "CDBEMATIVO", 10);
    str(cdsHistorico, "NMBEMATIVO", 50, "Bem");
    str(cdsHistorico, "CDFILIALITCANTE", 4, "De");
    str(cdsHistorico, "NMFILIALANTE", 30);
    str(cdsHistorico, "CDCENTCUITCANTE", 4);
    str(cdsHistorico, "CDSETORITCANTE", 4);
    str(cdsHistorico, "CDFILIALITCNOVO", 4, "Para");
    str(cdsHistorico, "NMFILIALNOVO", 30);
    str(cdsHistorico, "CDCENTCUITCNOVO", 4);
    str(cdsHistorico, "CDSETORITCNOVO", 4);
    str(cdsHistorico, "CDTIPOOPERBEM", 6);
    str(cdsHistorico, "NMTIPOOPERBEM", 50, "Tipo de operação");
    str(cdsHistorico, "CDMOTIVOOPER", 6);
    str(cdsHistorico, "NMMOTIVOOPER", 50, "Motivo");
    str(cdsHistorico, "CDOPEINCCAPA", 12);
    str(cdsHistorico, "NMOPERADOR", 40, "Operador");
    str(cdsHistorico, "NRSEQCAPAOPEBEM", 10);
    str(cdsHistorico, "NRSEQOPERABEM", 10);
    cdsHistorico.SetReadOnly(true);
    dtsHistorico.SetDataSet(&cdsHistorico);

    str(cdsBens, "CDPATRIBEMATIVO", 20, "Patrimônio");
    str(cdsBens, "CDBEMATIVO", 10);
    str(cdsBens, "NMBEMATIVO", 50, "Bem");
    cdsBens.AddFloatField(QStringLiteral("VRAQUIBEMATIVO"), QStringLiteral("Valor de aquisição"))
        .SetDisplayFormat(QStringLiteral("#,##0.00"));
    str(cdsBens, "CDFILIAL", 4);
    str(cdsBens, "NMFILIAL", 30);
    str(cdsBens, "CDCENTCUST", 4, "Centro de custo");
    str(cdsBens, "NMCENTCUST", 40);
    str(cdsBens, "CDSETOR", 4, "Setor");
    str(cdsBens, "NMSETOR", 30);
    str(cdsBens, "CDOPERESPBEM", 12);
    str(cdsBens, "NMOPERADOR", 40, "Responsável");
    cdsBens.AddDateField(QStringLiteral("DTCHEGADA"), QStringLiteral("No local desde"));
    cdsBens.SetReadOnly(true);
    dtsBens.SetDataSet(&cdsBens);

    qryEmpresa.SQL = {"SELECT CDEMPRESA, NMEMPRESA FROM EMPRESA",
                      " WHERE CDEMPRESA = :P_CDEMPRESA OR :P_TODAS = 'T'", " ORDER BY CDEMPRESA"};
    Str(qryEmpresa, "CDEMPRESA", 2, "Código", 6);
    Str(qryEmpresa, "NMEMPRESA", 40, "Nome");
    dtsEmpresa.SetDataSet(&qryEmpresa);
    qryFilial.SQL = {"SELECT CDFILIAL, NMFILIAL FROM FILIAL",
                     " WHERE CDEMPRESA = :P_CDEMPRESA AND (CDFILIAL = :P_CDFILIAL OR :P_TODAS = 'T')",
                     " ORDER BY CDFILIAL"};
    Str(qryFilial, "CDFILIAL", 4, "Código", 6);
    Str(qryFilial, "NMFILIAL", 30, "Nome");
    dtsFilial.SetDataSet(&qryFilial);
    qryCentCust.SQL = {"SELECT C.CDCENTCUST, C.NMCENTCUST FROM CENTCUST C",
                       "  JOIN CENTCUSTFIL L ON (L.CDCENTCUST = C.CDCENTCUST)",
                       " WHERE L.CDFILIAL = :P_CDFILIAL AND (C.CDCENTCUST = :P_CDCENTCUST OR :P_TODOS = 'T')",
                       " ORDER BY C.CDCENTCUST"};
    Str(qryCentCust, "CDCENTCUST", 4, "Código", 6);
    Str(qryCentCust, "NMCENTCUST", 40, "Nome");
    dtsCentCust.SetDataSet(&qryCentCust);
    // A sector belongs to a cost centre: with one on screen only its sectors are offered.
    qrySetor.SQL = {"SELECT CDSETOR, NMSETOR, CDCENTCUST FROM SETOR",
                    " WHERE (CDCENTCUST = :P_CDCENTCUST OR :P_CDCENTCUST = '')",
                    "   AND (CDSETOR = :P_CDSETOR OR :P_TODOS = 'T')", " ORDER BY CDSETOR"};
    Str(qrySetor, "CDSETOR", 4, "Código", 6);
    Str(qrySetor, "NMSETOR", 30, "Nome");
    Str(qrySetor, "CDCENTCUST", 4, "Centro de custo", 8);
    dtsSetor.SetDataSet(&qrySetor);
}

void FrmHistoricoLocalizacao::CreateComponents() {
    setObjectName(QStringLiteral("frmHistLocalizacao"));
    setWindowTitle(QStringLiteral("Histórico por Localização"));
    auto* layout = new QVBoxLayout(this);

    auto* panFiltro = new TPanel(this, QStringLiteral("panFiltro"));
    auto* grid = new QGridLayout(panFiltro);
    grid->setContentsMargins(6, 4, 6, 4);
    auto label = [&](const char* name, const QString& caption) { return new TLabel(panFiltro, QString::fromLatin1(name), caption); };

    medEmpresa = CodeEdit(panFiltro, "medEmpresa", QStringLiteral("99;0; "), 2);
    medEmpresa->SetColor(ColorKind::InfoBk);
    btpEmpresa = Lookup(panFiltro, "btpEmpresa", medEmpresa, QStringLiteral("Empresa"), &dtsEmpresa,
                        QStringLiteral("Não há empresa cadastrada."));
    edtNmEmpresa = NameDisplay(panFiltro, "edtNmEmpresa");
    medFilial = CodeEdit(panFiltro, "medFilial", {}, 4);
    medFilial->SetColor(ColorKind::InfoBk);
    btpFilial = Lookup(panFiltro, "btpFilial", medFilial, QStringLiteral("Filial"), &dtsFilial,
                       QStringLiteral("Não há filial cadastrada para a empresa."));
    edtNmFilial = NameDisplay(panFiltro, "edtNmFilial");
    medCentCust = CodeEdit(panFiltro, "medCentCust", {}, 4);
    btpCentCust = Lookup(panFiltro, "btpCentCust", medCentCust, QStringLiteral("Centro de Custo"), &dtsCentCust,
                         QStringLiteral("Não há centro de custo cadastrado para a filial."));
    edtNmCentCust = NameDisplay(panFiltro, "edtNmCentCust");
    medSetor = CodeEdit(panFiltro, "medSetor", {}, 4);
    btpSetor = Lookup(panFiltro, "btpSetor", medSetor, QStringLiteral("Setor"), &dtsSetor,
                      QStringLiteral("Não há setor cadastrado."));
    edtNmSetor = NameDisplay(panFiltro, "edtNmSetor");

    const QDate today = QDate::currentDate();
    depDataIni = DateEdit(panFiltro, "depDataIni", QDate(today.year(), today.month(), 1));
    depDataFim = DateEdit(panFiltro, "depDataFim", today);
    depDataPosicao = DateEdit(panFiltro, "depDataPosicao", today);
    sbtConsultar = new TSpeedButton(panFiltro, QStringLiteral("sbtConsultar"), QStringLiteral("Consultar"));
    sbtConsultar->SetHint(QStringLiteral("Lista as transferências do período e os bens no local na data"));
    // A button of the form, not of a toolbar: drawn as one.
    sbtConsultar->setAutoRaise(false);
    sbtConsultar->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    sbtConsultar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    int row = 0;
    auto line = [&](TLabel* caption, std::initializer_list<QWidget*> controls) {
        grid->addWidget(caption, row, 0);
        int col = 1;
        for (QWidget* w : controls) grid->addWidget(w, row, col++);
        ++row;
    };
    line(label("lblEmpresa", QStringLiteral("Empresa")), {medEmpresa, btpEmpresa, edtNmEmpresa});
    line(label("lblFilial", QStringLiteral("Filial")), {medFilial, btpFilial, edtNmFilial});
    line(label("lblCentCust", QStringLiteral("Centro de custo")), {medCentCust, btpCentCust, edtNmCentCust});
    line(label("lblSetor", QStringLiteral("Setor")), {medSetor, btpSetor, edtNmSetor});
    auto* dates = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{
             depDataIni, label("lblAte", QStringLiteral("a")), depDataFim, label("lblPosicao", QStringLiteral("Bens no local em")),
             depDataPosicao, sbtConsultar})
        dates->addWidget(w);
    dates->addStretch(1);
    grid->addWidget(label("lblPeriodo", QStringLiteral("Período")), row, 0);
    grid->addLayout(dates, row, 1, 1, 3);
    grid->setColumnStretch(3, 1);
    layout->addWidget(panFiltro);

    auto list = [&](TGroupBox*& box, const char* boxName, TDBGrid*& view, const char* gridName, TLabel*& count,
                    const char* countName, TDataSource* source) {
        box = new TGroupBox(this, QString::fromLatin1(boxName));
        auto* v = new QVBoxLayout(box);
        view = new TDBGrid(box, QString::fromLatin1(gridName));
        view->SetDataSource(source);
        count = new TLabel(box, QString::fromLatin1(countName));
        v->addWidget(view, 1);
        v->addWidget(count);
        layout->addWidget(box, 1);
    };
    list(grbHistorico, "grbHistorico", dbgHistorico, "dbgHistorico", lblQtdHistorico, "lblQtdHistorico", &dtsHistorico);
    grbHistorico->SetCaption(QStringLiteral("Transferências no período"));
    dbgHistorico->AddColumn(QStringLiteral("DTCAPAOPEBEM"), {}, 78);
    dbgHistorico->AddColumn(QStringLiteral("IDMOVIMENTO"), {}, 72);
    dbgHistorico->AddColumn(QStringLiteral("CDPATRIBEMATIVO"), {}, 72);
    dbgHistorico->AddColumn(QStringLiteral("NMBEMATIVO"), {}, 190);
    dbgHistorico->AddColumn(QStringLiteral("CDFILIALITCANTE"), {}, 215);
    dbgHistorico->AddColumn(QStringLiteral("CDFILIALITCNOVO"), {}, 215);
    dbgHistorico->AddColumn(QStringLiteral("NMTIPOOPERBEM"), {}, 165);
    dbgHistorico->AddColumn(QStringLiteral("NMMOTIVOOPER"), {}, 165);
    dbgHistorico->AddColumn(QStringLiteral("NMOPERADOR"), {}, 160);
    dbgHistorico->ColumnsChanged();

    list(grbBens, "grbBens", dbgBens, "dbgBens", lblQtdBens, "lblQtdBens", &dtsBens);
    grbBens->SetCaption(QStringLiteral("Bens no local"));
    dbgBens->AddColumn(QStringLiteral("CDPATRIBEMATIVO"), {}, 80);
    dbgBens->AddColumn(QStringLiteral("NMBEMATIVO"), {}, 220);
    dbgBens->AddColumn(QStringLiteral("VRAQUIBEMATIVO"), {}, 120);
    dbgBens->AddColumn(QStringLiteral("CDCENTCUST"), {}, 200);
    dbgBens->AddColumn(QStringLiteral("CDSETOR"), {}, 200);
    dbgBens->AddColumn(QStringLiteral("NMOPERADOR"), {}, 200);
    dbgBens->AddColumn(QStringLiteral("DTCHEGADA"), {}, 100);
    dbgBens->ColumnsChanged();
    ClearLists();
    resize(1180, 680);
    RestoreWindowLayout(this);
}

void FrmHistoricoLocalizacao::BindHandlers() {
    // Where the lists show a code, the clerk reads it with its name.
    cdsHistorico.FieldByName(QStringLiteral("IDMOVIMENTO")).OnGetText = [](TField& f, QString& text, bool) {
        const QString v = f.AsString();
        text = v == QLatin1String("E") ? QStringLiteral("Entrada") : v == QLatin1String("S") ? QStringLiteral("Saída") : v;
    };
    cdsHistorico.FieldByName(QStringLiteral("CDFILIALITCANTE")).OnGetText = [this](TField&, QString& text, bool) {
        text = Place(cdsHistorico, "CDFILIALITCANTE", "NMFILIALANTE", "CDCENTCUITCANTE", "CDSETORITCANTE");
    };
    cdsHistorico.FieldByName(QStringLiteral("CDFILIALITCNOVO")).OnGetText = [this](TField&, QString& text, bool) {
        text = Place(cdsHistorico, "CDFILIALITCNOVO", "NMFILIALNOVO", "CDCENTCUITCNOVO", "CDSETORITCNOVO");
    };
    cdsBens.FieldByName(QStringLiteral("CDCENTCUST")).OnGetText = [this](TField&, QString& text, bool) {
        text = CodeAndName(cdsBens, "CDCENTCUST", "NMCENTCUST");
    };
    cdsBens.FieldByName(QStringLiteral("CDSETOR")).OnGetText = [this](TField&, QString& text, bool) {
        text = CodeAndName(cdsBens, "CDSETOR", "NMSETOR");
    };

    // A code typed anew has no name yet, and the lists no longer answer for the screen.
    const std::pair<TMaskEdit*, TEdit*> codes[] = {
        {medEmpresa, edtNmEmpresa}, {medFilial, edtNmFilial}, {medCentCust, edtNmCentCust}, {medSetor, edtNmSetor}};
    for (const auto& [code, name] : codes) {
        code->OnChange = [this, name = name] {
            name->clear();
            ClearLists();
        };
    }
    medEmpresa->OnExit = [this] { Vd_Empresa(false); };
    medFilial->OnExit = [this] { Vd_Filial(false); };
    medCentCust->OnExit = [this] { Vd_CentCust(); };
    medSetor->OnExit = [this] { Vd_Setor(); };
    for (TDateEditPlus* date : {depDataIni, depDataFim, depDataPosicao}) {
        date->OnExit = [date] { date->CheckValidDate(); };
        date->OnChange = [this] { ClearLists(); };
    }

    // The picked row's code and name go to the panel's edits.
    auto Picked = [](QLineEdit* code, const char* codeField, QLineEdit* name, const char* nameField) {
        return [=](TDataSet& ds) {
            code->setText(ds.FieldByName(QString::fromLatin1(codeField)).AsString());
            name->setText(ds.FieldByName(QString::fromLatin1(nameField)).AsString());
        };
    };
    btpEmpresa->OnBeforePesq = [this](bool&) {
        Run(qryEmpresa, {{"P_CDEMPRESA", QString()}, {"P_TODAS", QStringLiteral("T")}});
    };
    btpEmpresa->OnAfterPesq = Picked(medEmpresa, "CDEMPRESA", edtNmEmpresa, "NMEMPRESA");
    btpFilial->OnBeforePesq = [this](bool&) {
        Vd_Empresa(true);
        Run(qryFilial, {{"P_CDEMPRESA", medEmpresa->text()}, {"P_CDFILIAL", QString()}, {"P_TODAS", QStringLiteral("T")}});
    };
    btpFilial->OnAfterPesq = Picked(medFilial, "CDFILIAL", edtNmFilial, "NMFILIAL");
    btpCentCust->OnBeforePesq = [this](bool&) {
        Vd_Filial(true);
        Run(qryCentCust, {{"P_CDFILIAL", medFilial->text()}, {"P_CDCENTCUST", QString()}, {"P_TODOS", QStringLiteral("T")}});
    };
    btpCentCust->OnAfterPesq = Picked(medCentCust, "CDCENTCUST", edtNmCentCust, "NMCENTCUST");
    btpSetor->OnBeforePesq = [this](bool&) {
        Vd_CentCust();
        Run(qrySetor, {{"P_CDCENTCUST", medCentCust->text()}, {"P_CDSETOR", QString()}, {"P_TODOS", QStringLiteral("T")}});
    };
    btpSetor->OnAfterPesq = Picked(medSetor, "CDSETOR", edtNmSetor, "NMSETOR");
    sbtConsultar->OnClick = [this] { sbtConsultarClick(); };
}

// --- handlers -----------------------------------------------------------------------------------

bool FrmHistoricoLocalizacao::Run(TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params) {
    q.Close();
    for (const auto& [name, value] : params) q.ParamByName(QString::fromLatin1(name)).SetAsString(value);
    q.Open();
    return !q.IsEmpty();
}

void FrmHistoricoLocalizacao::ClearLists() {
    cdsHistorico.Close();
    cdsBens.Close();
    lblQtdHistorico->clear();
    lblQtdBens->clear();
    grbBens->SetCaption(QStringLiteral("Bens no local"));
}

void FrmHistoricoLocalizacao::Vd_Empresa(bool obrigatorio) {
    if (EmptyString(medEmpresa->text())) {
        if (!obrigatorio) return;
        FocusControl(medEmpresa);
        MensErro(QStringLiteral("Empresa deve ser informada."));
    }
    const QString code = Ajusta(medEmpresa->text(), 2);
    if (code != medEmpresa->text()) medEmpresa->setText(code);
    if (!Run(qryEmpresa, {{"P_CDEMPRESA", code}, {"P_TODAS", QString()}})) {
        FocusControl(medEmpresa);
        MensErro(QStringLiteral("Empresa não cadastrada."));
    }
    edtNmEmpresa->setText(qryEmpresa.FieldByName(QStringLiteral("NMEMPRESA")).AsString());
}

void FrmHistoricoLocalizacao::Vd_Filial(bool obrigatorio) {
    if (EmptyString(medFilial->text())) {
        if (!obrigatorio) return;
        FocusControl(medFilial);
        MensErro(QStringLiteral("Filial deve ser informada."));
    }
    Vd_Empresa(true);
    const QString code = Ajusta(medFilial->text(), 4);
    if (code != medFilial->text()) medFilial->setText(code);
    if (!Run(qryFilial, {{"P_CDEMPRESA", medEmpresa->text()}, {"P_CDFILIAL", code}, {"P_TODAS", QString()}})) {
        FocusControl(medFilial);
        MensErro(QStringLiteral("Filial não cadastrada para a empresa."));
    }
    edtNmFilial->setText(qryFilial.FieldByName(QStringLiteral("NMFILIAL")).AsString());
}

void FrmHistoricoLocalizacao::Vd_CentCust() {
    if (EmptyString(medCentCust->text())) return;
    Vd_Filial(true);
    const QString code = Ajusta(medCentCust->text(), 4);
    if (code != medCentCust->text()) medCentCust->setText(code);
    if (!Run(qryCentCust, {{"P_CDFILIAL", medFilial->text()}, {"P_CDCENTCUST", code}, {"P_TODOS", QString()}})) {
        FocusControl(medCentCust);
        MensErro(QStringLiteral("Centro de custo não cadastrado para a filial."));
    }
    edtNmCentCust->setText(qryCentCust.FieldByName(QStringLiteral("NMCENTCUST")).AsString());
}

void FrmHistoricoLocalizacao::Vd_Setor() {
    if (EmptyString(medSetor->text())) return;
    Vd_CentCust();
    const QString code = Ajusta(medSetor->text(), 4);
    if (code != medSetor->text()) medSetor->setText(code);
    if (!Run(qrySetor, {{"P_CDCENTCUST", medCentCust->text()}, {"P_CDSETOR", code}, {"P_TODOS", QString()}})) {
        FocusControl(medSetor);
        MensErro(medCentCust->text().isEmpty() ? QStringLiteral("Setor não cadastrado.")
                                               : QStringLiteral("Setor não cadastrado para o centro de custo."));
    }
    edtNmSetor->setText(qrySetor.FieldByName(QStringLiteral("NMSETOR")).AsString());
}

void FrmHistoricoLocalizacao::sbtConsultarClick() {
    Vd_Empresa(true);
    Vd_Filial(true);
    Vd_CentCust();
    Vd_Setor();
    const auto required = [](TDateEditPlus* edit, const QString& text) {
        edit->CheckValidDate();
        if (edit->IsEmpty()) {
            FocusControl(edit);
            MensErro(text);
        }
        return edit->GetDate();
    };
    const QDate inicio = required(depDataIni, QStringLiteral("Data inicial deve ser informada."));
    const QDate fim = required(depDataFim, QStringLiteral("Data final deve ser informada."));
    if (inicio > fim) {
        FocusControl(depDataIni);
        MensErro(QStringLiteral("A data inicial não pode ser posterior à data final."));
    }
    const QDate posicao = required(depDataPosicao, QStringLiteral("Data da posição deve ser informada."));

    BusyGuard busy;
    if (!netHistorico.Connected()) {
        netHistorico.SetConnected(true);
        if (!netHistorico.Connected()) MensErro(netHistorico.LastError());
    }
    const std::string empresa = medEmpresa->text().toStdString(), filial = medFilial->text().toStdString(),
                      centCust = medCentCust->text().toStdString(), setor = medSetor->text().toStdString();
    nlohmann::json historico = CheckResultServ(
        netHistorico.Call("GetHistLocalizacao", {empresa, filial, centCust, setor, Day(inicio).toStdString(), Day(fim).toStdString()}));
    nlohmann::json bens =
        CheckResultServ(netHistorico.Call("GetBensLocalizacao", {empresa, filial, centCust, setor, Day(posicao).toStdString()}));
    cdsHistorico.SetData(std::move(historico));
    cdsBens.SetData(std::move(bens));

    const int transfers = cdsHistorico.RecordCount(), assets = cdsBens.RecordCount();
    lblQtdHistorico->SetCaption(transfers == 0   ? QStringLiteral("Nenhuma transferência no período.")
                                : transfers == 1 ? QStringLiteral("1 transferência.")
                                                 : QStringLiteral("%1 transferências.").arg(kBrasil.toString(transfers)));
    lblQtdBens->SetCaption(assets == 0   ? QStringLiteral("Nenhum bem no local nessa data.")
                           : assets == 1 ? QStringLiteral("1 bem.")
                                         : QStringLiteral("%1 bens.").arg(kBrasil.toString(assets)));
    const QString dia = posicao.toString(QStringLiteral("dd/MM/yyyy"));
    grbBens->SetCaption(QStringLiteral("Bens no local em %1").arg(dia));
    dbgHistorico->ExportName = QStringLiteral("transferências de %1 a %2")
                                   .arg(inicio.toString(QStringLiteral("dd-MM-yyyy")), fim.toString(QStringLiteral("dd-MM-yyyy")));
    dbgBens->ExportName = QStringLiteral("bens em %1").arg(posicao.toString(QStringLiteral("dd-MM-yyyy")));
}

}  // namespace shell
