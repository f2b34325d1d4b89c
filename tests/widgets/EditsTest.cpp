#include "Support.h"

#include "orv/Routines.h"
#include "orv/widgets/DBGrid.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/PageControl.h"
#include "orv/widgets/StdControls.h"

#include <QVBoxLayout>

using namespace orv;
using namespace widgets_test;

namespace {

struct BoundEdits : HostTest {
    TDataSet cds{"cdsItens"};
    TDataSource dts{"dtsItens", &cds};
    QWidget window;
    TDBEdit* dbeNome = new TDBEdit(&window, "dbeNome");
    TDBEdit* dbePerc = new TDBEdit(&window, "dbePerc");
    TDBDateEditPlus* dedData = new TDBDateEditPlus(&window, "dedData");
    TEdit* edtOutro = new TEdit(&window, "edtOutro");

    void SetUp() override {
        HostTest::SetUp();
        DeclareItems(cds);
        LoadItems(cds);
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*>{dbeNome, dbePerc, dedData, edtOutro}) layout->addWidget(w);
        dbeNome->SetDataSource(&dts);
        dbeNome->SetDataField("NMBEM");
        dbePerc->SetDataSource(&dts);
        dbePerc->SetDataField("PCBAIXA");
        dedData->SetDataSource(&dts);
        dedData->SetDataField("DTOPER");
    }
};

}  // namespace

TEST_F(BoundEdits, FollowScrollsAndShowTheFieldsTextThroughGetText) {
    EXPECT_EQ(dbeNome->text(), "Bem 1");
    EXPECT_EQ(dbeNome->MaxLength(), 20);
    EXPECT_EQ(dedData->text(), "02/02/2024");
    cds.Next();
    EXPECT_EQ(dbeNome->text(), "Bem 2");
    EXPECT_EQ(dbePerc->text(), "50");
    EXPECT_EQ(dedData->GetDate(), QDate(2024, 2, 3));

    cds.FieldByName("NMBEM").OnGetText = [](TField& f, QString& text, bool) { text = "<" + f.AsString() + ">"; };
    cds.Last();
    EXPECT_EQ(dbeNome->text(), "<Bem 3>");

    // A change made by code to the record shows at once.
    cds.Edit();
    cds.FieldByName("NMBEM").SetAsString("Trocado");
    EXPECT_EQ(dbeNome->text(), "<Trocado>");
    cds.Cancel();
    EXPECT_EQ(dbeNome->text(), "<Bem 3>");
}

TEST_F(BoundEdits, ChangesInEditStateWriteTheFieldBeforeOnChangeRuns) {
    QString seen;
    dbeNome->OnChange = [&] { seen = cds.FieldByName("NMBEM").AsString(); };
    cds.Edit();
    dbeNome->setText("Impressora");
    EXPECT_EQ(cds.FieldByName("NMBEM").AsString(), "Impressora");
    EXPECT_EQ(seen, "Impressora");
    EXPECT_TRUE(cds.Modified());

    // A scroll reloads the edit, which runs OnChange too, and writes nothing.
    cds.Post();
    cds.Next();
    EXPECT_EQ(seen, "Bem 2");
    EXPECT_EQ(cds.State(), DataSetState::Browse);
    cds.First();
    EXPECT_EQ(cds.FieldByName("NMBEM").AsString(), "Impressora");

    // While browsing, text set by code changes the edit only.
    dbeNome->setText("Sem gravar");
    EXPECT_EQ(cds.FieldByName("NMBEM").AsString(), "Impressora");
}

TEST_F(BoundEdits, TypingWhileBrowsingEditsWhenAutoEditIsOnAndIsRefusedOtherwise) {
    ASSERT_TRUE(Activate(window));
    dbeNome->setFocus();
    dbeNome->end(false);
    QTest::keyClicks(dbeNome, "X");
    EXPECT_EQ(cds.State(), DataSetState::Edit);
    EXPECT_EQ(cds.FieldByName("NMBEM").AsString(), "Bem 1X");
    cds.Cancel();

    dts.AutoEdit = false;
    QTest::keyClicks(dbeNome, "Y");
    QTest::keyClick(dbeNome, Qt::Key_Backspace);
    EXPECT_EQ(cds.State(), DataSetState::Browse);
    EXPECT_EQ(dbeNome->text(), "Bem 1");
}

TEST_F(BoundEdits, CharCaseUpperAndOnKeyPressShapeWhatIsTyped) {
    ASSERT_TRUE(Activate(window));
    dbeNome->SetCharCase(TEditCharCase::UpperCase);
    dbeNome->OnKeyPress = [](QChar& key) {
        if (key == '#') key = QChar();          // discarded
        if (key == '.') key = QLatin1Char(',');  // replaced
    };
    dbeNome->setFocus();
    dbeNome->selectAll();
    QTest::keyClicks(dbeNome, "ab#.c");
    EXPECT_EQ(dbeNome->text(), "AB,C");
    EXPECT_EQ(cds.FieldByName("NMBEM").AsString(), "AB,C");
}

TEST_F(BoundEdits, ANumberTheFieldRejectsIsReportedOnExitAndKeepsTheFocus) {
    ASSERT_TRUE(Activate(window));
    dbePerc->setFocus();
    dbePerc->selectAll();
    QTest::keyClicks(dbePerc, "12x");
    EXPECT_EQ(cds.State(), DataSetState::Edit);
    EXPECT_TRUE(host.messages.isEmpty());  // half-typed values are no error yet

    edtOutro->setFocus();
    EXPECT_EQ(host.messages, QStringList({"'12x' não é um valor numérico válido."}));
    EXPECT_EQ(QApplication::focusWidget(), dbePerc);

    dbePerc->selectAll();
    QTest::keyClicks(dbePerc, "2,5");
    edtOutro->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), edtOutro);
    EXPECT_DOUBLE_EQ(cds.FieldByName("PCBAIXA").AsFloat(), 2.5);
}

TEST_F(BoundEdits, ADateEditWritesWholeDatesAndClearsTheFieldOnAnUnfinishedOne) {
    ASSERT_TRUE(Activate(window));
    dedData->setFocus();
    dedData->selectAll();
    QTest::keyClicks(dedData, "29022024");
    EXPECT_EQ(dedData->text(), "29/02/2024");
    EXPECT_EQ(cds.FieldByName("DTOPER").AsDateTime().date(), QDate(2024, 2, 29));
    EXPECT_EQ(dedData->toolTip(), "Quinta-feira");

    QTest::keyClick(dedData, Qt::Key_Backspace);
    EXPECT_TRUE(cds.FieldByName("DTOPER").IsNull());
    EXPECT_THROW(dedData->CheckValidDate(), EAbort);
    EXPECT_EQ(host.messages, QStringList({"Data inválida."}));
}

TEST(DateEdit, ValidatesDatesAndNamesWeekdays) {
    ScriptedHost host;
    InstallHost(&host);
    TDateEditPlus edit(nullptr, "dedInicio");
    EXPECT_FALSE(edit.GetDate().isValid());
    EXPECT_NO_THROW(edit.CheckValidDate());  // empty is allowed

    edit.setText("31022024");  // literals are put in also for text set by code
    EXPECT_EQ(edit.text(), "31/02/2024");
    EXPECT_THROW(edit.CheckValidDate(), EAbort);
    edit.SetDate(QDate(2024, 3, 3));
    EXPECT_EQ(edit.text(), "03/03/2024");
    EXPECT_NO_THROW(edit.CheckValidDate());
    EXPECT_EQ(TDateEditPlus::WeekdayName(QDate(2024, 3, 3)), "Domingo");
    EXPECT_EQ(TDateEditPlus::WeekdayName(QDate(2024, 3, 9)), "Sábado");
    edit.SetDate(QDate());
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(host.messages, QStringList({"Data inválida."}));
    InstallHost(nullptr);
}

TEST(MaskEdit, TheMaskLimitsFiltersAndCasesWhatIsTyped) {
    QWidget window;
    TMaskEdit empresa(&window, "medEmpresa", "99;0; ");
    EXPECT_EQ(empresa.MaxLength(), 2);
    empresa.setFocus();
    QTest::keyClicks(&empresa, "1a234");
    EXPECT_EQ(empresa.text(), "12");
    EXPECT_EQ(empresa.Text(), "12");

    TMaskEdit sigla(&window, "medSigla", ">LLaa;0; ");
    QTest::keyClicks(&sigla, "a1bc9d");
    EXPECT_EQ(sigla.text(), "ABC9");

    // Literals come in as the user types and stay out of Text() when the mask does not save them.
    TMaskEdit conta(&window, "medConta", "9.9.99;0;_");
    QTest::keyClicks(&conta, "1234");
    EXPECT_EQ(conta.text(), "1.2.34");
    EXPECT_EQ(conta.Text(), "1234");
    TMaskEdit cpf(&window, "medCpf", "999.999.999-99");
    QTest::keyClicks(&cpf, "12345678901");
    EXPECT_EQ(cpf.text(), "123.456.789-01");
    EXPECT_EQ(cpf.Text(), "123.456.789-01");

    // An explicit MaxLength wins over the mask's length.
    TMaskEdit codigo(&window, "medCodigo", "999999;0; ");
    codigo.SetMaxLength(3);
    QTest::keyClicks(&codigo, "12345");
    EXPECT_EQ(codigo.Text(), "123");
}

TEST(Controls, DirectChildControlsInCreationOrderAndTextEdits) {
    TPanel panel(nullptr, "panDados");
    auto* label = new TLabel(&panel, "lblEmpresa", "Empresa");
    auto* edit = new TEdit(&panel, "edtNome");
    auto* mask = new TMaskEdit(&panel, "medEmpresa", "99;0; ");
    auto* group = new TGroupBox(&panel, "grbPeriodo");
    auto* inner = new TDateEditPlus(group, "dedInicio");
    auto* dbEdit = new TDBEdit(&panel, "dbeNome");
    auto* grid = new TDBGrid(&panel, "dbgItens");
    auto* pages = new TPageControl(&panel, "pgcDados");
    auto* page1 = new TTabSheet(pages, "tshLista", "Lista");
    auto* page2 = new TTabSheet(pages, "tshDados", "Dados");
    new QVBoxLayout(&panel);  // a layout is no control

    EXPECT_EQ(DirectChildControls(&panel),
              QList<QWidget*>({label, edit, mask, group, dbEdit, grid, pages}));
    EXPECT_EQ(DirectChildControls(group), QList<QWidget*>({inner}));
    EXPECT_EQ(DirectChildControls(pages), QList<QWidget*>({page1, page2}));
    EXPECT_TRUE(DirectChildControls(grid).isEmpty());

    for (QWidget* w : std::initializer_list<QWidget*>{edit, mask, inner, dbEdit}) EXPECT_TRUE(IsTextEdit(w));
    for (QWidget* w : std::initializer_list<QWidget*>{label, group, grid, pages}) EXPECT_FALSE(IsTextEdit(w));

    EXPECT_EQ(panel.findChild<TMaskEdit*>("medEmpresa"), mask);
    EXPECT_EQ(FindComponent<TDateEditPlus>(&panel, "dedInicio"), inner);
}

TEST(Controls, ColourKindsSetTheBaseColourAndDisplayOnlyEditsAreDisabled) {
    TEdit edit(nullptr, "edtNome");
    edit.SetTag(99);
    EXPECT_EQ(edit.Tag(), 99);
    edit.SetColor(ColorKind::BtnFace);
    EXPECT_FALSE(edit.isEnabled());
    EXPECT_EQ(edit.palette().color(QPalette::Disabled, QPalette::Base), QColor("#F0F0F0"));
    edit.SetColor(ColorKind::InfoBk);
    EXPECT_TRUE(edit.isEnabled());
    EXPECT_EQ(edit.palette().color(QPalette::Active, QPalette::Base), QColor("#FFFFE1"));

    TPanel panel(nullptr, "panDados");
    panel.SetColor(ColorKind::BtnFace);  // not an edit: stays enabled
    EXPECT_TRUE(panel.isEnabled());
}
