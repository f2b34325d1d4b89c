// The shell's pick lists: what they show, the filter, the keys, the columns' widths, and the keys a
// multi-choice list gives back.
#include "shell/PickListDialog.h"

#include "orv/Csv.h"
#include "orv/DataSet.h"
#include "orv/Host.h"
#include "orv/Packet.h"
#include "orv/ScriptedHost.h"
#include "orv/widgets/BtnPesquisa.h"
#include "orv/widgets/Edits.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Branches {
    orv::TDataSet ds{"qryFilial"};
    Branches() {
        ds.AddStringField("IDMARCADO", 1, "", true);
        ds.AddStringField("CDFILIAL", 4, "Código").SetDisplayWidth(6);
        ds.AddStringField("NMFILIAL", 30, "Nome");
        ds.AddStringField("CDEMPRESA", 2, "", false);
        ds.SetData(orv::MakePacket(ds.FieldDefs(), {{QString(), "0001", "Matriz São Paulo", "01"},
                                                    {QString(), "0002", "Filial Campinas", "01"},
                                                    {QString(), "00A1", "Depósito Jundiaí", "01"}}));
    }
};

struct Assets {
    orv::TDataSet ds{"qryBem"};
    orv::TDataSource source{"dtsBem", &ds};
    Assets() {
        // A display width far too small for the codes and the title: the list measures them.
        ds.AddStringField("CDBEMATIVO", 10, "Código do Patrimônio").SetDisplayWidth(3);
        ds.AddStringField("NMBEMATIVO", 40, "Descrição");
        ds.SetData(orv::MakePacket(ds.FieldDefs(), {{"0000000001", "Mesa de escritório"},
                                                    {"0000000002", "Cadeira giratória"},
                                                    {"0000000003", "Mesa de reunião"},
                                                    {"0000000004", "Armário de aço"},
                                                    {"0000000005", "Mesa lateral"}}));
    }
};

void ShowActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

}  // namespace

TEST(PickList, WalkedFromTheFilterWithColumnsThatFitScaleAndASizeKeptPerTitle) {
    Assets a;
    auto dialog = std::make_unique<shell::PickListDialog>(a.ds, "Bem", false);
    ShowActive(*dialog);
    auto* view = dialog->findChild<QTableView*>("dbgPesquisa");
    auto* filter = dialog->findChild<QLineEdit*>("edtFiltro");
    const QHeaderView* header = view->horizontalHeader();

    // Titles and codes whole at the natural size.
    EXPECT_GE(view->columnWidth(0), header->sectionSizeHint(0));
    EXPECT_GE(view->columnWidth(1), header->sectionSizeHint(1));
    EXPECT_GT(view->columnWidth(0), view->fontMetrics().horizontalAdvance("0000000001"));
    EXPECT_EQ(view->columnWidth(0) + view->columnWidth(1), view->viewport()->width());

    // Wider or narrower, every column by the same ratio.
    const int natural = dialog->width();
    const std::vector<int> widths = {view->columnWidth(0), view->columnWidth(1)};
    const int listWidth = view->viewport()->width();
    for (const int change : {200, -80}) {
        dialog->resize(natural + change, dialog->height());
        const double ratio = double(view->viewport()->width()) / listWidth;
        EXPECT_NEAR(view->columnWidth(0), widths[0] * ratio, 1.0) << change;
        EXPECT_NEAR(view->columnWidth(1), widths[1] * ratio, 1.0) << change;
    }

    // "mesa" leaves rows 1, 3 and 5; the keys move in what it leaves, the filter keeps the focus.
    QTest::keyClicks(filter, "mesa");
    for (int i = 0; i < 3; ++i) QTest::keyClick(filter, Qt::Key_Down);
    EXPECT_EQ(view->currentIndex().row(), 2);
    QTest::keyClick(filter, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(filter, Qt::Key_PageDown);  // the list fits in a page: its last row
    EXPECT_EQ(view->currentIndex().row(), 2);
    QTest::keyClick(filter, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), filter);
    EXPECT_EQ(filter->text(), "mesa");
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->ChosenRow(), 2);
    const QSize left = dialog->size();
    dialog.reset();

    // The next list of the same title opens as the last was left; another keeps its own.
    EXPECT_EQ(shell::PickListDialog(a.ds, "Bem", false).size(), left);
    EXPECT_NE(shell::PickListDialog(a.ds, "Bem ativo", false).size(), left);

    // F4 or Alt+Down in the code edit opens its lookup; not while the button is disabled.
    QWidget screen;
    auto* edit = new orv::TMaskEdit(&screen, "medBem");
    auto* button = new orv::TBtnPesquisa(&screen, "btpBem");
    button->SetAssociate(edit);
    button->Title = "Bem";
    button->DataSource = &a.source;
    auto* row = new QHBoxLayout(&screen);
    row->addWidget(edit);
    row->addWidget(button);
    EXPECT_EQ(button->toolTip(), "Pesquisar (F4)");
    ShowActive(screen);
    orv::ScriptedHost host;
    orv::InstallHost(&host);
    host.picks.push_back({false, "CDBEMATIVO", "0000000004"});
    host.picks.push_back({false, "CDBEMATIVO", "0000000002"});
    QTest::keyClick(edit, Qt::Key_F4);
    EXPECT_EQ(host.lastPicked, "0000000004");
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(host.lastPicked, "0000000002");
    button->setEnabled(false);
    QTest::keyClick(edit, Qt::Key_F4);
    orv::InstallHost(nullptr);
    EXPECT_EQ(host.lastListTitles, QStringList({"Bem", "Bem"}));
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST(PickList, ShowsTheVisibleFieldsWithTheirLabelsAndPicksThroughTheFilter) {
    Branches b;
    shell::PickListDialog dialog(b.ds, "Filial", false);
    auto* view = dialog.findChild<QTableView*>("dbgPesquisa");
    ASSERT_NE(view, nullptr);
    // The tick column and hidden fields are not shown.
    ASSERT_EQ(view->model()->columnCount(), 2);
    EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString(), "Código");
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "Nome");
    EXPECT_EQ(dialog.windowTitle(), "Filial");

    auto* filter = dialog.findChild<QLineEdit*>("edtFiltro");
    QTest::keyClicks(filter, "jund");
    ASSERT_EQ(view->model()->rowCount(), 1);

    // Exported as shown, from the filter box too: the rows the filter leaves.
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    orv::ScriptedHost host;
    orv::InstallHost(&host);
    QTemporaryDir dir;
    host.saveFiles.push_back({false, dir.filePath("filiais.csv")});
    QTest::keyClick(filter, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    orv::InstallHost(nullptr);
    EXPECT_EQ(host.proposedFiles, QStringList({"Filial.csv"}));
    QFile file(dir.filePath("filiais.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(orv::ReadCsv(file.readAll()),
              QList<QStringList>({{"Código", "Nome"}, {"00A1", QString::fromUtf8("Depósito Jundiaí")}}));
    view->selectRow(0);
    view->setCurrentIndex(view->model()->index(0, 0));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenRow(), 2);  // the data set's row, not the filtered one
}

TEST(PickList, MultiChoicePreTicksTheListAndGivesTheTickedKeysInOrder) {
    Branches b;
    shell::PickListDialog dialog(b.ds, "Filial", true);
    dialog.Tick("CDFILIAL", {"00A1", "9999"});
    EXPECT_EQ(dialog.Ticked("CDFILIAL"), QStringList({"00A1"}));
    auto* view = dialog.findChild<QTableView*>("dbgPesquisa");
    ASSERT_EQ(view->model()->columnCount(), 3);  // the tick column first
    view->model()->setData(view->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(dialog.Ticked("CDFILIAL"), QStringList({"0001", "00A1"}));
}
