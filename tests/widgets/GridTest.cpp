#include "Support.h"

#include "orv/Csv.h"
#include "orv/Routines.h"
#include "orv/widgets/DBGrid.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/StdControls.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>

using namespace orv;
using namespace widgets_test;

namespace {

struct Grid : HostTest {
    TDataSet cds{"cdsItens"};
    TDataSource dts{"dtsItens", &cds};
    QWidget window;
    TDBGrid* dbgItens = new TDBGrid(&window, "dbgItens");
    TEdit* edtOutro = new TEdit(&window, "edtOutro");
    QStringList scrolls;

    void SetUp() override {
        HostTest::SetUp();
        DeclareItems(cds);
        LoadItems(cds);
        cds.AfterScroll = [this](TDataSet& ds) { scrolls << QString::number(ds.RecNo()); };
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(dbgItens);
        layout->addWidget(edtOutro);
        dbgItens->SetDataSource(&dts);
    }

    QString Cell(int row, int column) const {
        return dbgItens->Model()->index(row, column).data(Qt::DisplayRole).toString();
    }
    // The open cell editor (closed ones linger hidden until the event loop deletes them).
    QLineEdit* Editor() const {
        for (QLineEdit* editor : dbgItens->viewport()->findChildren<QLineEdit*>())
            if (editor->isVisible()) return editor;
        return nullptr;
    }
    // The first key opens the cell editor; the rest go to the editor, as they would with focus.
    void Type(const QString& text) {
        QTest::keyClick(dbgItens, text[0].toLatin1());
        ASSERT_NE(Editor(), nullptr);
        QTest::keyClicks(Editor(), text.mid(1));
    }
};

}  // namespace

TEST_F(Grid, CellsShowTheFieldsDisplayTextsOfTheirOwnRows) {
    auto* model = dbgItens->Model();
    ASSERT_EQ(model->rowCount(), 3);
    ASSERT_EQ(model->columnCount(), 4);  // one column per visible field by default
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Descrição");
    EXPECT_EQ(Cell(0, 2), "25,00%");
    EXPECT_EQ(Cell(2, 2), "75,00%");
    EXPECT_EQ(Cell(1, 3), "03/02/2024");

    // Get-text and draw handlers read the row being drawn, not the current record.
    cds.FieldByName("NMBEM").OnGetText = [&](TField&, QString& text, bool) {
        text += " (" + cds.FieldByName("CDBEM").AsString() + ")";
    };
    dbgItens->OnDrawColumnCell = [&](int, const TColumn& column, QString& text) {
        if (column.FieldName == "PCBAIXA" && cds.FieldByName("PCBAIXA").AsFloat() > 60) text = "alto";
    };
    EXPECT_EQ(Cell(1, 1), "Bem 2 (000002)");
    EXPECT_EQ(Cell(2, 2), "alto");
    EXPECT_EQ(Cell(0, 2), "25,00%");
    EXPECT_EQ(cds.RecNo(), 1);
    EXPECT_TRUE(scrolls.isEmpty());

    // The record being edited shows its edit buffer.
    cds.Edit();
    cds.FieldByName("CDBEM").SetAsString("X");
    EXPECT_EQ(Cell(0, 1), "Bem 1 (X)");

    dbgItens->AddColumn("NMBEM", "Nome do bem");
    EXPECT_EQ(model->columnCount(), 1);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Nome do bem");
}

TEST_F(Grid, TheCurrentRowAndTheCursorFollowEachOther) {
    dbgItens->setCurrentIndex(dbgItens->Model()->index(2, 0));
    EXPECT_EQ(cds.RecNo(), 3);
    EXPECT_EQ(scrolls, QStringList({"3"}));

    cds.First();
    EXPECT_EQ(dbgItens->currentIndex().row(), 0);

    // A refused move (an abort before scrolling) puts the grid back on the cursor's row.
    cds.BeforeScroll = [](TDataSet&) { Abort(); };
    dbgItens->setCurrentIndex(dbgItens->Model()->index(1, 0));
    EXPECT_EQ(cds.RecNo(), 1);
    EXPECT_EQ(dbgItens->currentIndex().row(), 0);
}

TEST_F(Grid, ColumnEventsSeeTheColumnBeingLeftThenTheNewOne) {
    QStringList log;
    dbgItens->OnColExit = [&] { log << "exit:" + dbgItens->SelectedField()->FieldName(); };
    dbgItens->OnColEnter = [&] { log << "enter:" + dbgItens->SelectedField()->FieldName(); };
    dbgItens->SetSelectedIndex(2);
    EXPECT_EQ(log, QStringList({"exit:CDBEM", "enter:PCBAIXA"}));
    EXPECT_EQ(dbgItens->SelectedIndex(), 2);

    log.clear();
    dbgItens->OnColExit = [] { Abort(); };
    dbgItens->setCurrentIndex(dbgItens->Model()->index(0, 1));
    EXPECT_EQ(dbgItens->SelectedIndex(), 2);
    EXPECT_EQ(dbgItens->currentIndex().column(), 2);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(Grid, TypingInACellEditsTheRecordAndWritesTheFieldAtOnce) {
    dbgItens->SetEditing(true);
    ASSERT_TRUE(Activate(window));
    dbgItens->setFocus();
    dbgItens->setCurrentIndex(dbgItens->Model()->index(1, 1));
    Type("Mesa");
    QLineEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(cds.State(), DataSetState::Edit);
    EXPECT_EQ(cds.RecNo(), 2);
    EXPECT_EQ(cds.FieldByName("NMBEM").AsString(), editor->text());
    EXPECT_TRUE(editor->text().endsWith("Mesa"));

    // Moving to another row commits the cell and posts the record.
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(cds.State(), DataSetState::Browse);
    EXPECT_EQ(cds.RecNo(), 3);
    cds.SetRecNo(2);
    EXPECT_TRUE(cds.FieldByName("NMBEM").AsString().endsWith("Mesa"));

    // A number the field rejects is reported when the cell is left, not while typing.
    dbgItens->setFocus();
    dbgItens->setCurrentIndex(dbgItens->Model()->index(1, 2));
    Type("x");
    EXPECT_TRUE(host.messages.isEmpty());
    QTest::keyClick(Editor(), Qt::Key_Return);
    QCoreApplication::processEvents();  // Qt commits an editor's Return through a queued call
    EXPECT_EQ(host.messages.size(), 1);
}

TEST_F(Grid, AppendedRowsComeWithDownAndAnUntouchedOneGoesWhenTheGridIsLeft) {
    dbgItens->SetEditing(true);
    ASSERT_TRUE(Activate(window));
    dbgItens->setFocus();
    cds.Last();
    QTest::keyClick(dbgItens, Qt::Key_Down);
    EXPECT_EQ(cds.State(), DataSetState::Insert);
    EXPECT_EQ(dbgItens->Model()->rowCount(), 4);
    EXPECT_EQ(dbgItens->currentIndex().row(), 3);
    QTest::keyClick(dbgItens, Qt::Key_Down);  // no second empty row
    EXPECT_EQ(dbgItens->Model()->rowCount(), 4);

    edtOutro->setFocus();
    EXPECT_EQ(cds.State(), DataSetState::Browse);
    EXPECT_EQ(dbgItens->Model()->rowCount(), 3);
    EXPECT_EQ(cds.RecordCount(), 3);

    // A filled one is kept: moving up posts it.
    dbgItens->setFocus();
    cds.Last();
    QTest::keyClick(dbgItens, Qt::Key_Down);
    dbgItens->setCurrentIndex(dbgItens->Model()->index(3, 1));
    Type("Nova");
    QTest::keyClick(Editor(), Qt::Key_Up);
    EXPECT_EQ(cds.State(), DataSetState::Browse);
    EXPECT_EQ(cds.RecordCount(), 4);
    EXPECT_EQ(cds.RecNo(), 3);
    EXPECT_EQ(Cell(3, 1), "Nova");
}

TEST_F(Grid, CtrlDeleteAsksBeforeDeleting) {
    dbgItens->SetEditing(true);
    ASSERT_TRUE(Activate(window));
    dbgItens->setFocus();
    cds.SetRecNo(2);
    host.answers = {false, true};
    QTest::keyClick(dbgItens, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(cds.RecordCount(), 3);
    QTest::keyClick(dbgItens, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(cds.RecordCount(), 2);
    EXPECT_EQ(host.questions, QStringList({"Confirma exclusão?", "Confirma exclusão?"}));
    EXPECT_EQ(dbgItens->Model()->rowCount(), 2);
    EXPECT_EQ(Cell(1, 0), "000003");
    EXPECT_EQ(dbgItens->currentIndex().row(), cds.RecNo() - 1);
}

TEST_F(Grid, AListOfTenThousandRowsIsReadWhereItIs) {
    LoadItems(cds, 10000);
    auto* model = dbgItens->Model();
    EXPECT_EQ(model->rowCount(), 10000);
    EXPECT_EQ(Cell(9999, 0), "010000");
    EXPECT_EQ(Cell(9999, 2), "250.000,00%");
    cds.Last();
    EXPECT_EQ(dbgItens->currentIndex().row(), 9999);
    // Reading cells moved nothing.
    EXPECT_EQ(cds.RecNo(), 10000);
}

TEST_F(Grid, ExportWritesTheRowsAsShownAndReadsBackToTheSameCells) {
    new TLabel(&window, "lblCodTela", "ZMT02600");
    dbgItens->ExportName = "baixas/itens";
    // Texts a spreadsheet would split or mangle: accents, the separator, quotes, a line break.
    std::vector<orv::PacketRow> rows = {
        {QString("000001"), QString("Mesa; \"diretor\""), 1234.5, QDateTime(QDate(2024, 2, 1), QTime(0, 0))},
        {QString("000002"), QString("Cofre São\nsala 2"), 0.25, QVariant()},
        {QString("000003"), QString("\"Ação\""), QVariant(), QDateTime(QDate(2024, 12, 31), QTime(0, 0))}};
    cds.SetData(orv::MakePacket(cds.FieldDefs(), rows));
    cds.FieldByName("CDBEM").OnGetText = [](TField& f, QString& text, bool display) {
        if (display) text = "Nº " + f.AsString();
    };
    // As the clerk arranged it: the date before the name, the code column hidden.
    dbgItens->horizontalHeader()->moveSection(3, 1);
    dbgItens->setColumnHidden(0, true);
    ASSERT_TRUE(Activate(window));
    dbgItens->setFocus();

    QTemporaryDir dir;
    const QString path = dir.filePath("itens.csv");
    host.saveFiles.push_back({false, path});
    QTest::keyClick(dbgItens, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(host.proposedFiles, QStringList({"ZMT02600 - baixas-itens.csv"}));
    EXPECT_TRUE(host.messages.isEmpty()) << host.messages.join("; ").toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QList<QStringList> expected = {{"Data", "Descrição", "% Baixa"},
                                         {"01/02/2024", "Mesa; \"diretor\"", "1.234,50%"},
                                         {"", "Cofre São\nsala 2", "0,25%"},
                                         {"31/12/2024", "\"Ação\"", ""}};
    EXPECT_EQ(orv::ReadCsv(bytes), expected);
    // Each cell is the text the grid shows.
    for (int r = 0; r < 3; ++r) EXPECT_EQ(expected[r + 1][1], Cell(r, 1));

    // The context menu item does the same; giving up writes nothing.
    QAction* item = nullptr;
    for (QAction* a : dbgItens->actions())
        if (a->text() == QString::fromUtf8("Exportar para CSV\u2026")) item = a;
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(dbgItens->contextMenuPolicy(), Qt::ActionsContextMenu);
    host.saveFiles.push_back({true, {}});
    item->trigger();
    EXPECT_FALSE(QFile::exists(dir.filePath("outro.csv")));

    // A folder that is not there: a message, and the earlier file is left as it was.
    host.saveFiles.push_back({false, dir.filePath("falta/itens.csv")});
    item->trigger();
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages[0].startsWith(QString::fromUtf8("Não foi possível exportar para"))) << host.messages[0].toStdString();
    EXPECT_TRUE(host.messages[0].contains(QString::fromUtf8("não existe"))) << host.messages[0].toStdString();
    EXPECT_TRUE(host.saveFiles.empty());
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
}
