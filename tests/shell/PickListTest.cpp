// The shell's pick lists: what they show, the filter, and the keys a multi-choice list gives back.
#include "shell/PickListDialog.h"

#include "orv/Csv.h"
#include "orv/DataSet.h"
#include "orv/Host.h"
#include "orv/Packet.h"
#include "orv/ScriptedHost.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

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

}  // namespace

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
