#include "orv/widgets/BaseForms.h"

#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/WindowLayout.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QVBoxLayout>

namespace orv {

const TMessages& GeneralMessages() {
    static const TMessages messages({
        QStringLiteral("Canc|Deseja cancelar as alterações?"),
        QStringLiteral("Excl|Confirma exclusão?"),
    });
    return messages;
}

namespace {

QString MessageText(const TMessages& own, const QString& key) {
    return own.Contains(key) ? own.Msg(key) : GeneralMessages().Msg(key);
}

}  // namespace

// --- TfrmPadraoGrid -------------------------------------------------------------------------------

TfrmPadraoGrid::TfrmPadraoGrid(QWidget* parent) : QWidget(parent, Qt::Window) {
    MarkFormScope(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    mnuPrincipal = new QMenuBar(this);
    mnuPrincipal->setObjectName(QStringLiteral("mnuPrincipal"));
    mnuOperacao = mnuPrincipal->addMenu(QStringLiteral("&Operação"));
    mnuOperacao->setObjectName(QStringLiteral("mnuOperacao"));
    auto item = [this](const char* name, const QString& caption) {
        auto* menuItem = new TMenuItem(this, QString::fromLatin1(name), caption);
        mnuOperacao->addAction(menuItem);
        return menuItem;
    };
    // Mnemonics I A E L T C N S: a screen adding items to this menu picks other letters.
    mnuIncluir = item("mnuIncluir", QStringLiteral("&Incluir"));
    mnuAlterar = item("mnuAlterar", QStringLiteral("&Alterar"));
    mnuExcluir = item("mnuExcluir", QStringLiteral("&Excluir"));
    mnuLocalizar = item("mnuLocalizar", QStringLiteral("&Localizar"));
    mnuVerificar = item("mnuVerificar", QStringLiteral("A&tualizar"));
    mnuOperacao->addSeparator();
    mnuConfirmar = item("mnuConfirmar", QStringLiteral("&Confirmar"));
    mnuCancelar = item("mnuCancelar", QStringLiteral("Ca&ncelar"));
    mnuOperacao->addSeparator();
    mnuListagem = item("mnuListagem", QStringLiteral("Li&stagem"));
    layout->setMenuBar(mnuPrincipal);

    panMenu = new TPanel(this, QStringLiteral("panMenu"));
    auto* toolbar = new QHBoxLayout(panMenu);
    toolbar->setContentsMargins(2, 2, 2, 2);
    toolbar->setSpacing(1);
    sbtIncluir = AddButton(QStringLiteral("sbtIncluir"), QStringLiteral("Incluir"), QStyle::SP_FileIcon,
                           &TfrmPadraoGrid::sbtIncluirClick, mnuIncluir, QKeySequence(Qt::Key_Insert));
    sbtAlterar = AddButton(QStringLiteral("sbtAlterar"), QStringLiteral("Alterar"), QStyle::SP_FileDialogDetailedView,
                           &TfrmPadraoGrid::sbtAlterarClick, mnuAlterar, QKeySequence(Qt::Key_F2));
    sbtExcluir = AddButton(QStringLiteral("sbtExcluir"), QStringLiteral("Excluir"), QStyle::SP_TrashIcon,
                           &TfrmPadraoGrid::sbtExcluirClick, mnuExcluir, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    sbtLocalizar = AddButton(QStringLiteral("sbtLocalizar"), QStringLiteral("Localizar"),
                             QStyle::SP_FileDialogContentsView, &TfrmPadraoGrid::sbtLocalizarClick, mnuLocalizar,
                             QKeySequence(Qt::CTRL | Qt::Key_F));
    sbtVerificar = AddButton(QStringLiteral("sbtVerificar"), QStringLiteral("Atualizar"), QStyle::SP_BrowserReload,
                             &TfrmPadraoGrid::sbtVerificarClick, mnuVerificar, QKeySequence(Qt::Key_F5));
    sbtImprimir = AddButton(QStringLiteral("sbtImprimir"), QStringLiteral("Imprimir"), QStyle::SP_FileDialogListView,
                            &TfrmPadraoGrid::sbtImprimirClick, mnuListagem, QKeySequence());
    sbtConfirmar = AddButton(QStringLiteral("sbtConfirmar"), QStringLiteral("Confirmar"), QStyle::SP_DialogApplyButton,
                             &TfrmPadraoGrid::sbtConfirmarClick, mnuConfirmar, QKeySequence(Qt::Key_F10));
    sbtCancelar = AddButton(QStringLiteral("sbtCancelar"), QStringLiteral("Cancelar"), QStyle::SP_DialogCancelButton,
                            &TfrmPadraoGrid::sbtCancelarClick, mnuCancelar, QKeySequence(Qt::Key_Escape));
    toolbar->addStretch(1);
    lblCodTela = new TLabel(panMenu, QStringLiteral("lblCodTela"));
    toolbar->addWidget(lblCodTela);
    layout->addWidget(panMenu);

    pgcPadrao = new TPageControl(this, QStringLiteral("pgcPadrao"));
    tshPadrao = new TTabSheet(pgcPadrao, QStringLiteral("tshPadrao"), QStringLiteral("Lista"));
    auto* listLayout = new QVBoxLayout(tshPadrao);
    listLayout->setContentsMargins(0, 0, 0, 0);
    dbgPadrao = new TDBGrid(tshPadrao, QStringLiteral("dbgPadrao"));
    dbgPadrao->SetDataSource(&dtsPadrao);
    listLayout->addWidget(dbgPadrao);
    layout->addWidget(pgcPadrao, 1);

    panNavegador = new TPanel(this, QStringLiteral("panNavegador"));
    auto* navigation = new QHBoxLayout(panNavegador);
    navigation->setContentsMargins(4, 1, 1, 1);
    dbtNome = new TDBText(panNavegador, QStringLiteral("dbtNome"));
    dbtNome->SetDataSource(&dtsPadrao);
    navigation->addWidget(dbtNome, 1);
    dbnPadrao = new TDBNavigator(panNavegador, QStringLiteral("dbnPadrao"));
    dbnPadrao->SetDataSource(&dtsPadrao);
    navigation->addWidget(dbnPadrao);
    layout->addWidget(panNavegador);

    dtsPadrao.OnStateChange = [this](TDataSource&) { Guard([this] { dtsPadraoStateChange(); }); };
    dtsPadrao.AddListener([this](TDataSource&, const DataSetEvent& event) {
        if (event.kind == DataSetEvent::DataChanged) UpdateRecordButtons();
    });
    TfrmPadraoGrid::dtsPadraoStateChange();  // no data set yet: the buttons of a closed list
    resize(760, 520);
}

TfrmPadraoGrid::~TfrmPadraoGrid() {
    // The derived screen's members are gone: no handler of it may run from here on.
    MarkFormClosing(this);
    dtsPadrao.OnStateChange = nullptr;
}

TSpeedButton* TfrmPadraoGrid::AddButton(const QString& name, const QString& caption, int icon,
                                        void (TfrmPadraoGrid::*handler)(), TMenuItem* twin, const QKeySequence& key) {
    auto* button = new TSpeedButton(panMenu, name, caption);
    button->SetHint(caption);
    button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // The key is the menu twin's, which shows it beside its caption; the button's tooltip names it.
    if (!key.isEmpty()) {
        twin->setShortcut(key);
        button->SetShortcutText(key.toString(QKeySequence::NativeText));
    }
    // The handlers are virtual: the button, its twin and the key run the derived screen's override.
    button->OnClick = [this, button, handler] { RunCommand(button, handler); };
    twin->OnClick = [this, button, handler] { RunCommand(button, handler); };
    // The twin follows its button however the button is switched, and so does the key.
    button->installEventFilter(this);
    twin->setEnabled(button->isEnabled());
    panMenu->layout()->addWidget(button);
    twins_ << qMakePair(button, twin);
    return button;
}

void TfrmPadraoGrid::RunCommand(TSpeedButton* button, void (TfrmPadraoGrid::*handler)()) {
    // A key or a menu item acts only when the button could.
    if (!button->isEnabled()) return;
    (this->*handler)();
    // A record just started is typed into at once.
    if ((button == sbtIncluir || button == sbtAlterar) && Editing()) FocusFirstField();
}

void TfrmPadraoGrid::FocusFirstField() {
    QWidget* field = FirstTabStop(pgcPadrao->currentWidget());
    if (!field) return;
    FocusControl(field);
    // As Tab into an edit: what it holds is selected, and the first key typed replaces it.
    if (auto* edit = qobject_cast<QLineEdit*>(field); edit && ActiveControl(this) == field) edit->selectAll();
}

bool TfrmPadraoGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        if (auto* button = qobject_cast<TSpeedButton*>(watched))
            if (TMenuItem* twin = TwinOf(button)) twin->setEnabled(button->isEnabled());
    return QWidget::eventFilter(watched, event);
}

bool TfrmPadraoGrid::Initialize() {
    const bool created = Guard([this] { FormCreate(); });
    Guard([this] { dtsPadraoStateChange(); });
    // The operator's own size and columns, on the screen the shell is on.
    RestoreWindowLayout(this);
    return created;
}

QList<QPair<TSpeedButton*, TMenuItem*>> TfrmPadraoGrid::ButtonTwins() const {
    QList<QPair<TSpeedButton*, TMenuItem*>> twins;
    for (const auto& pair : twins_)
        if (pair.first != sbtImprimir) twins << pair;
    return twins;
}

TMenuItem* TfrmPadraoGrid::TwinOf(const TSpeedButton* button) const {
    for (const auto& pair : twins_)
        if (pair.first == button) return pair.second;
    return nullptr;
}

void TfrmPadraoGrid::SetButtonEnabled(TSpeedButton* button, bool enabled) {
    button->setEnabled(enabled);
    if (TMenuItem* twin = TwinOf(button)) twin->setEnabled(enabled);
}

QString TfrmPadraoGrid::Msg(const QString& key) const { return MessageText(msgPadrao, key); }

bool TfrmPadraoGrid::ShowMsg(const QString& key) const { return Host().AskYesNo(Msg(key)); }

bool TfrmPadraoGrid::Editing() const {
    return dtsPadrao.State() == DataSetState::Insert || dtsPadrao.State() == DataSetState::Edit;
}

void TfrmPadraoGrid::UpdateRecordButtons() {
    TDataSet* ds = dtsPadrao.DataSet();
    SetButtonEnabled(sbtLocalizar, !Editing() && ds && ds->Active() && !ds->IsEmpty());
}

void TfrmPadraoGrid::dtsPadraoStateChange() {
    const bool editing = Editing();
    SetButtonEnabled(sbtConfirmar, editing);
    SetButtonEnabled(sbtCancelar, editing);
    // Nothing to insert into, change or delete while the data set is closed.
    const bool browsing = dtsPadrao.State() == DataSetState::Browse;
    for (TSpeedButton* button : {sbtIncluir, sbtAlterar, sbtExcluir}) SetButtonEnabled(button, browsing);
    for (TSpeedButton* button : {sbtVerificar, sbtImprimir}) SetButtonEnabled(button, !editing);
    dbnPadrao->setEnabled(!editing);
    UpdateRecordButtons();
}

void TfrmPadraoGrid::sbtIncluirClick() {
    if (TDataSet* ds = dtsPadrao.DataSet()) ds->Append();
}

void TfrmPadraoGrid::sbtAlterarClick() {
    if (TDataSet* ds = dtsPadrao.DataSet()) ds->Edit();
}

void TfrmPadraoGrid::sbtExcluirClick() {
    TDataSet* ds = dtsPadrao.DataSet();
    if (!ds || !ds->Active() || ds->IsEmpty()) return;
    if (!ShowMsg(QStringLiteral("Excl"))) return;
    ds->Delete();
}

void TfrmPadraoGrid::sbtLocalizarClick() {
    TDataSet* ds = dtsPadrao.DataSet();
    if (!ds || !ds->Active()) return;
    Host().Pesquisar(dtsPadrao, QStringLiteral("Localizar"));
}

void TfrmPadraoGrid::sbtConfirmarClick() {
    if (Editing()) dtsPadrao.DataSet()->Post();
}

void TfrmPadraoGrid::sbtCancelarClick() {
    if (!Editing()) return;
    TDataSet* ds = dtsPadrao.DataSet();
    if (ds->Modified() && !ShowMsg(QStringLiteral("Canc"))) return;
    ds->Cancel();
}

void TfrmPadraoGrid::FormClose() {
    if (!Editing()) return;
    TDataSet* ds = dtsPadrao.DataSet();
    if (ds->Modified() && !ShowMsg(QStringLiteral("Canc"))) Abort();
    ds->Cancel();
}

void TfrmPadraoGrid::closeEvent(QCloseEvent* event) {
    if (Guard([this] { FormClose(); })) {
        SaveWindowLayout(this);
        event->accept();
    } else {
        event->ignore();
    }
}

// --- TfrmRotiGeral --------------------------------------------------------------------------------

TfrmRotiGeral::TfrmRotiGeral(QWidget* parent) : QDialog(parent) {
    MarkFormScope(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);

    panMenu = new TPanel(this, QStringLiteral("panMenu"));
    auto* toolbar = new QHBoxLayout(panMenu);
    toolbar->setContentsMargins(2, 2, 2, 2);
    panBotoes = new TPanel(panMenu, QStringLiteral("panBotoes"));
    panBotoes->setFrameShape(QFrame::NoFrame);
    auto* buttons = new QHBoxLayout(panBotoes);
    buttons->setContentsMargins(0, 0, 0, 0);
    sbtConfirma = new TSpeedButton(panBotoes, QStringLiteral("sbtConfirma"), QStringLiteral("Confirmar"));
    sbtConfirma->SetHint(QStringLiteral("Confirmar"));
    sbtConfirma->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    sbtConfirma->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    sbtConfirma->OnClick = [this] { sbtConfirmaClick(); };
    buttons->addWidget(sbtConfirma);
    toolbar->addWidget(panBotoes);
    toolbar->addStretch(1);
    lblCodTela = new TLabel(panMenu, QStringLiteral("lblCodTela"));
    toolbar->addWidget(lblCodTela);
    layout->addWidget(panMenu);

    grbDadosRel = new TGroupBox(this, QStringLiteral("grbDadosRel"));
    layout->addWidget(grbDadosRel, 1);
}

TfrmRotiGeral::~TfrmRotiGeral() { MarkFormClosing(this); }

bool TfrmRotiGeral::Initialize() { return Guard([this] { FormCreate(); }); }

QString TfrmRotiGeral::Msg(const QString& key) const { return MessageText(msgPadrao, key); }

bool TfrmRotiGeral::ShowMsg(const QString& key) const { return Host().AskYesNo(Msg(key)); }

void TfrmRotiGeral::done(int result) {
    if (!Guard([this] { FormClose(); })) return;
    QDialog::done(result);
}

}  // namespace orv
