#pragma once

#include "orv/widgets/Control.h"
#include "orv/widgets/DataLink.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <memory>
#include <vector>

namespace orv {

enum class TColumnButtonStyle { Auto, Ellipsis, None };

// A grid column. Title empty: the field's label. Width 0: wide enough for the widest of the
// Samples (the column's usual contents, measured with the grid's font), else for the field's
// display width. Never narrower than its title; the last visible column takes the spare width.
struct TColumn {
    QString FieldName;
    QString Title;
    int Width = 0;
    QStringList Samples;
    bool ReadOnly = false;
    bool Visible = true;
    TColumnButtonStyle ButtonStyle = TColumnButtonStyle::Auto;  // Ellipsis: a "..." button in the cell editor
};

class TDBGrid;

// Qt's view of the grid's data set: one row per record plus the record being inserted, where it
// shows. Answers every cell from the data set without moving its cursor and without per-row
// bookkeeping, so a list of ten thousand rows costs what the visible cells cost.
class TDataSetModel : public QAbstractTableModel {
public:
    explicit TDataSetModel(TDBGrid* grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The model row of the data set's current record (the one being inserted included); -1 none.
    int CurrentRow() const;
    // The data set's row (0-based) shown at a model row; -1 for the record being inserted.
    int RecordOfRow(int row) const;
    TField* FieldOfColumn(int column) const;

    void OnDataSetEvent(const DataSetEvent& event);
    void Reset();  // columns or fields changed

private:
    struct Shape {
        int rows = 0;
        int insertRow = -1;
        int current = -1;
    };
    Shape Measure() const;
    bool IsBufferRow(int row) const;
    QString CellText(int row, int column, bool display) const;
    bool FieldsChanged() const;
    void Resolve();

    TDBGrid* grid_;
    Shape shape_;
    std::vector<int> fieldIndex_;           // per column; -1 when the data set lacks the field
    std::vector<const TField*> knownFields_;  // to notice a data set whose fields were replaced
    int indicatorRow_ = -1;
};

// Data-aware grid. Its current row follows the data set's cursor and the other way round
// (choosing a row scrolls the data set). Read-only by default, the list grid of a screen; with
// SetEditing(true) cells are edited in place: the first change puts the data set into edit, each
// change writes the field through TField::SetText, Down on the last row appends, Insert inserts,
// Ctrl+Enter presses the "..." of an Ellipsis column, Ctrl+Delete deletes (after "Confirma
// exclusão?" when ConfirmDelete), Esc cancels the record. The keys it gives a meaning of its own
// (those, F2, and Esc in an open cell editor) go to it before any shortcut of its window.
// A new record left unmodified in an editing grid is discarded when the grid loses the focus
// (CancelOnExit).
class TDBGrid : public QTableView, public TControl {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr, const QString& name = {});
    ~TDBGrid() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    TDataSet* DataSet() const { return link_.DataSet(); }

    // Without columns of its own the grid shows one column per visible field.
    TColumn& AddColumn(const QString& fieldName, const QString& title = {}, int width = 0);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TColumn& Columns(int index) const { return *columns_.at(static_cast<size_t>(index)); }
    void ClearColumns();
    // Applies changes made to the columns after they were added.
    void ColumnsChanged();
    // The widths the clerk dragged columns to, by field name; they win over the columns' own until
    // the grid goes. A screen keeps them between sessions (see WindowLayout.h).
    QHash<QString, int> UserColumnWidths() const { return userWidths_; }
    void SetUserColumnWidths(const QHash<QString, int>& widths);

    // What the list is, for the file its export proposes ("transferências"); its context menu
    // and Ctrl+Shift+E export the rows as shown (see TableExport.h).
    QString ExportName;

    bool Editing() const { return editing_; }
    void SetEditing(bool editing);
    bool ConfirmDelete = true;
    bool CancelOnExit = true;

    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int column);
    TField* SelectedField() const;

    TNotifyEvent OnColEnter;  // the current column changed (SelectedIndex is the new one)
    TNotifyEvent OnColExit;   // the current column is being left (SelectedIndex is still it)
    TNotifyEvent OnCellClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEditButtonClick;  // the "..." of an Ellipsis column
    TKeyPressEvent OnKeyPress;       // also for keys typed into a cell editor
    // The text a cell shows; the data set's fields read the painted row meanwhile.
    std::function<void(int row, const TColumn& column, QString& text)> OnDrawColumnCell;

    TDataSetModel* Model() const { return model_; }
    // A cell editor is open (the grid in editor mode).
    bool EditorOpen() const { return state() == QAbstractItemView::EditingState; }
    // Writes the open cell editor's text and closes it.
    void CommitEditor();
    // Asks (when ConfirmDelete) and deletes the current record.
    void DeleteRecord();

    QList<QWidget*> ChildControls() const override { return {}; }

protected:
    bool event(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ExitCheck() override;

private:
    friend class TDataSetModel;
    friend class GridDelegate;

    void OnLinkEvent(const DataSetEvent& event);
    void RebuildAutoColumns();
    void ApplyColumns();
    int NaturalWidth(int column) const;
    int LastVisibleColumn() const;
    void ColumnResized(int column, int size);
    void SyncFromDataSet();
    bool MoveCursorToRow(int row);
    bool WriteCell(int row, int column, const QString& text, bool report);
    bool BeginCellEdit();
    bool KeyPressAllowed(QKeyEvent* event, std::unique_ptr<QKeyEvent>& replaced);
    bool EllipsisKey(const QKeyEvent* event) const;
    bool ClaimsKey(const QKeyEvent* event) const;

    TDataLink link_;
    TDataSetModel* model_;
    std::vector<std::unique_ptr<TColumn>> columns_;
    bool customColumns_ = false;
    QHash<QString, int> userWidths_;
    // Natural widths by what they are measured from (title, samples, set width): a list reloaded
    // on every scroll (the apportionment) measured its texts again each time.
    mutable QHash<QString, int> naturalWidths_;
    bool applyingColumns_ = false;  // the widths being set are the grid's, not the clerk's
    bool titleMouseHeld_ = false;   // the clerk holds a mouse button on the titles
    bool editing_ = false;
    int selectedIndex_ = 0;
    bool syncing_ = false;       // the view is being set from the data set
    bool movingCursor_ = false;  // the data set is being moved from the view
    bool leavingColumn_ = false; // the current column's exit handler is running
    QPointer<QWidget> editor_;
    const QEvent* keyInFlight_ = nullptr;  // a grid key the cell editor is about to receive
};

}  // namespace orv
