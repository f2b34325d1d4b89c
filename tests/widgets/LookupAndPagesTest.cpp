#include "Support.h"

#include "orv/Routines.h"
#include "orv/widgets/BtnPesquisa.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/PageControl.h"

#include <QTabBar>
#include <QVBoxLayout>

using namespace orv;
using namespace widgets_test;

namespace {

struct Lookup : HostTest {
    TDataSet qryFilial{"qryPesqFilial"};
    TDataSource dtsFilial{"dtsPesqFilial", &qryFilial};
    TMaskEdit medFilial{nullptr, "medFilial", "9999;0; "};
    TBtnPesquisa btnFilial{nullptr, "btnFilial"};
    QStringList log;

    void SetUp() override {
        HostTest::SetUp();
        qryFilial.AddStringField("CDFILIAL", 4, "Código");
        qryFilial.AddStringField("NMFILIAL", 30, "Nome");
        btnFilial.SetAssociate(&medFilial);
        btnFilial.Title = "Filial";
        btnFilial.EmptyError = "Não há filial cadastrada.";
        btnFilial.DataSource = &dtsFilial;
        // The screen opens the query in the before handler.
        btnFilial.OnBeforePesq = [this](bool&) {
            log << "before";
            qryFilial.SetData(MakePacket(qryFilial.FieldDefs(), {{"0001", "Matriz"}, {"0002", "Filial Norte"}}));
        };
        btnFilial.OnAfterPesq = [this](TDataSet& ds) {
            log << "after:" + ds.FieldByName("CDFILIAL").AsString();
            medFilial.setText(ds.FieldByName("CDFILIAL").AsString());
        };
    }
};

}  // namespace

TEST_F(Lookup, APickRunsBeforeThenTheListThenAfterOnTheChosenRow) {
    host.picks.push_back({false, "CDFILIAL", "0002"});
    btnFilial.Click();
    EXPECT_EQ(log, QStringList({"before", "after:0002"}));
    EXPECT_EQ(medFilial.Text(), "0002");
    EXPECT_EQ(host.lastListTitles, QStringList({"Filial"}));
    EXPECT_EQ(host.lastList, QStringList({"0001", "0002"}));
    EXPECT_TRUE(host.AllConsumed());
}

TEST_F(Lookup, NoPickOrAnEmptyListRunsNoAfterHandler) {
    host.picks.push_back({true, {}, {}});
    btnFilial.Click();
    EXPECT_EQ(log, QStringList({"before"}));

    log.clear();
    btnFilial.OnBeforePesq = [this](bool&) {
        log << "before";
        qryFilial.SetData(MakePacket(qryFilial.FieldDefs(), {}));
    };
    btnFilial.Click();
    EXPECT_EQ(log, QStringList({"before"}));
    EXPECT_EQ(host.messages, QStringList({"Não há filial cadastrada."}));
    EXPECT_TRUE(medFilial.text().isEmpty());
}

TEST_F(Lookup, TheBeforeHandlerOrAnOwnOnClickReplaceTheList) {
    btnFilial.OnBeforePesq = [this](bool& proceed) {
        log << "before";
        proceed = false;
    };
    btnFilial.Click();
    EXPECT_EQ(log, QStringList({"before"}));
    EXPECT_TRUE(host.lastListTitles.isEmpty());

    log.clear();
    btnFilial.OnClick = [this] { log << "own search"; };
    btnFilial.Click();
    EXPECT_EQ(log, QStringList({"own search"}));
    EXPECT_TRUE(host.lastListTitles.isEmpty());

    // A lookup without a data source is a programming error, shown, never thrown into Qt.
    btnFilial.OnClick = nullptr;
    btnFilial.OnBeforePesq = nullptr;
    btnFilial.DataSource = nullptr;
    btnFilial.Click();
    EXPECT_EQ(host.messages.size(), 1);
}

TEST_F(Lookup, TheButtonFollowsItsAssociatesEnabledStateAndTakesNoFocus) {
    EXPECT_EQ(btnFilial.focusPolicy(), Qt::NoFocus);
    medFilial.SetColor(ColorKind::BtnFace);
    EXPECT_FALSE(btnFilial.isEnabled());
    btnFilial.Click();
    EXPECT_TRUE(log.isEmpty());
    medFilial.SetColor(ColorKind::Window);
    EXPECT_TRUE(btnFilial.isEnabled());
}

namespace {

struct Pages : HostTest {
    QWidget window;
    TEdit* edtNome = new TEdit(&window, "edtNome");
    TPageControl* pgcDados = new TPageControl(&window, "pgcDados");
    TTabSheet* tshLista = new TTabSheet(pgcDados, "tshLista", "Lista");
    TTabSheet* tshDados = new TTabSheet(pgcDados, "tshDados", "Dados");
    TTabSheet* tshItens = new TTabSheet(pgcDados, "tshItens", "Itens");
    TEdit* edtLista = new TEdit(tshLista, "edtLista");
    TEdit* edtDados = new TEdit(tshDados, "edtDados");
    QStringList log;

    void SetUp() override {
        HostTest::SetUp();
        new QVBoxLayout(tshLista);
        tshLista->layout()->addWidget(edtLista);
        new QVBoxLayout(tshDados);
        tshDados->layout()->addWidget(edtDados);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(edtNome);
        layout->addWidget(pgcDados);
        pgcDados->OnChanging = [this](bool&) { log << "changing:" + pgcDados->ActivePage()->Name(); };
        pgcDados->OnChange = [this] { log << "change:" + pgcDados->ActivePage()->Name(); };
        ASSERT_TRUE(Activate(window));
        edtNome->setFocus();
    }

    void ClickTab(int index) {
        QTest::mouseClick(pgcDados->tabBar(), Qt::LeftButton, {}, pgcDados->tabBar()->tabRect(index).center());
    }
};

}  // namespace

TEST_F(Pages, ATabClickAsksOnChangingWhileTheOldPageIsActiveThenFiresOnChange) {
    ClickTab(1);
    EXPECT_EQ(pgcDados->ActivePage(), tshDados);
    EXPECT_EQ(log, QStringList({"changing:tshLista", "change:tshDados"}));
    EXPECT_EQ(ActiveControl(&window), pgcDados);  // the page control took the focus, as a click does

    // Setting the page by code fires nothing.
    log.clear();
    pgcDados->SetActivePage(tshItens);
    EXPECT_EQ(pgcDados->ActivePageIndex(), 2);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(Pages, OnChangingRefusesByFlagOrByAbortAndAnExitHandlerCanKeepThePage) {
    pgcDados->OnChanging = [](bool& allow) { allow = false; };
    ClickTab(1);
    EXPECT_EQ(pgcDados->ActivePage(), tshLista);

    pgcDados->OnChanging = [](bool&) { MensErro("Informe a filial."); };
    ClickTab(2);
    EXPECT_EQ(pgcDados->ActivePage(), tshLista);
    EXPECT_EQ(host.messages, QStringList({"Informe a filial."}));
    EXPECT_TRUE(log.isEmpty());

    // The click moves the focus first: a validator on the edit keeps both focus and page.
    pgcDados->OnChanging = nullptr;
    edtNome->setFocus();
    edtNome->OnExit = [this] {
        edtNome->setFocus();
        Abort();
    };
    ClickTab(1);
    EXPECT_EQ(pgcDados->ActivePage(), tshLista);
    EXPECT_EQ(QApplication::focusWidget(), edtNome);
}

TEST_F(Pages, ADisabledPageCannotBeChosenAndDisablingTheCurrentOneStaysOnIt) {
    tshDados->SetEnabled(false);
    EXPECT_FALSE(tshDados->Enabled());
    EXPECT_FALSE(tshDados->isEnabled());
    ClickTab(1);
    EXPECT_EQ(pgcDados->ActivePage(), tshLista);
    EXPECT_FALSE(pgcDados->SelectPage(1));

    tshLista->SetEnabled(false);
    EXPECT_EQ(pgcDados->ActivePage(), tshLista);

    tshDados->SetEnabled(true);
    EXPECT_TRUE(pgcDados->SelectPage(1));
    EXPECT_EQ(pgcDados->ActivePage(), tshDados);
}

TEST_F(Pages, SettingThePageByCodeTakesTheFocusAlongAndAnExitHandlerCanKeepIt) {
    QStringList focus;
    for (TControl* c : std::initializer_list<TControl*>{tshLista, edtLista, tshDados, edtDados}) {
        c->OnEnter = [&focus, c] { focus << "enter:" + c->Name(); };
        c->OnExit = [&focus, c] { focus << "exit:" + c->Name(); };
    }
    edtLista->setFocus();
    focus.clear();
    pgcDados->SetActivePage(tshDados);
    EXPECT_EQ(pgcDados->ActivePage(), tshDados);
    EXPECT_EQ(focus, QStringList({"exit:edtLista", "exit:tshLista", "enter:tshDados", "enter:edtDados"}));
    EXPECT_EQ(QApplication::focusWidget(), edtDados);
    EXPECT_TRUE(log.isEmpty());

    focus.clear();
    edtDados->OnExit = [this] {
        edtDados->setFocus();
        Abort();
    };
    pgcDados->SetActivePageIndex(0);
    EXPECT_EQ(pgcDados->ActivePage(), tshDados);
    EXPECT_EQ(QApplication::focusWidget(), edtDados);
}
