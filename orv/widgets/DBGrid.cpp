#include "orv/widgets/DBGrid.h"

#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/TableExport.h"

#include <QAction>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

const char* const kLoadedProperty = "orvLoaded";


// Whether the clerk holds a mouse button on the grid's titles: a section resized meanwhile is a
// width of the clerk's, while the header also resizes sections of its own accord as columns come
// and go or the last one stretches.
class TitleMouse : public QObject {
public:
    TitleMouse(QWidget* titles, bool& held) : QObject(titles), held_(held) { titles->installEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: held_ = true; break;
        case QEvent::MouseButtonRelease: held_ = false; break;
        default: break;
        }
        return false;
    }

private:
    bool& held_;
};

QIcon EllipsisIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("..."));
    return QIcon(pixmap);
}

}  // namespace

// --- TDataSetModel ------------------------------------------------------------------------------

TDataSetModel::TDataSetModel(TDBGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

int TDataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shape_.rows; }

int TDataSetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_->ColumnCount(); }

TDataSetModel::Shape TDataSetModel::Measure() const {
    Shape shape;
    TDataSet* ds = grid_->DataSet();
    if (!ds || !ds->Active()) return shape;
    shape.insertRow = ds->InsertPosition();
    shape.rows = ds->RecordCount() + (shape.insertRow >= 0 ? 1 : 0);
    shape.current = shape.insertRow >= 0 ? shape.insertRow : ds->RecNo() - 1;
    return shape;
}

int TDataSetModel::CurrentRow() const { return Measure().current; }

int TDataSetModel::RecordOfRow(int row) const {
    TDataSet* ds = grid_->DataSet();
    const int insertRow = ds ? ds->InsertPosition() : -1;
    if (insertRow < 0 || row < insertRow) return row;
    return row == insertRow ? -1 : row - 1;
}

bool TDataSetModel::IsBufferRow(int row) const {
    TDataSet* ds = grid_->DataSet();
    if (!ds) return false;
    if (ds->State() == DataSetState::Insert) return row == ds->InsertPosition();
    return ds->State() == DataSetState::Edit && row == ds->RecNo() - 1;
}

TField* TDataSetModel::FieldOfColumn(int column) const {
    TDataSet* ds = grid_->DataSet();
    if (!ds || column < 0 || column >= static_cast<int>(fieldIndex_.size())) return nullptr;
    const int field = fieldIndex_[static_cast<size_t>(column)];
    return field >= 0 && field < ds->FieldCount() ? &ds->Fields(field) : nullptr;
}

QString TDataSetModel::CellText(int row, int column, bool display) const {
    TDataSet* ds = grid_->DataSet();
    TField* field = FieldOfColumn(column);
    if (!ds || !ds->Active() || !field) return QString();
    // Painting must never fail: a throwing get-text or draw handler shows an empty cell.
    try {
        auto text = [&] {
            QString t = display ? field->DisplayText() : field->Text();
            if (display && grid_->OnDrawColumnCell) grid_->OnDrawColumnCell(row, grid_->Columns(column), t);
            return t;
        };
        if (IsBufferRow(row)) return text();
        const TDataSet::RowPeek peek(*ds, RecordOfRow(row));
        return text();
    } catch (...) {
        return QString();
    }
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shape_.rows) return QVariant();
    switch (role) {
    case Qt::DisplayRole: return CellText(index.row(), index.column(), true);
    case Qt::EditRole: return CellText(index.row(), index.column(), false);
    case Qt::TextAlignmentRole: {
        const TField* field = FieldOfColumn(index.column());
        if (field && field->DataType() == FieldType::Float) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default: return QVariant();
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= grid_->ColumnCount()) return QVariant();
        const TColumn& column = grid_->Columns(section);
        if (!column.Title.isEmpty()) return column.Title;
        const TField* field = FieldOfColumn(section);
        return field ? field->DisplayLabel() : column.FieldName;
    }
    // The record indicator: the current row, "*" while inserting, "I" while editing.
    TDataSet* ds = grid_->DataSet();
    if (!ds || section != shape_.current) return QString();
    switch (ds->State()) {
    case DataSetState::Insert: return QStringLiteral("*");
    case DataSetState::Edit: return QStringLiteral("I");
    default: return QString::fromUtf8("\u25B6");
    }
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    TDataSet* ds = grid_->DataSet();
    if (grid_->Editing() && ds && !ds->ReadOnly() && FieldOfColumn(index.column()) &&
        !grid_->Columns(index.column()).ReadOnly)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    return grid_->WriteCell(index.row(), index.column(), value.toString(), true);
}

bool TDataSetModel::FieldsChanged() const {
    TDataSet* ds = grid_->DataSet();
    const int count = ds ? ds->FieldCount() : 0;
    if (static_cast<int>(knownFields_.size()) != count) return true;
    for (int i = 0; i < count; ++i)
        if (knownFields_[static_cast<size_t>(i)] != &ds->Fields(i)) return true;
    return false;
}

void TDataSetModel::Resolve() {
    TDataSet* ds = grid_->DataSet();
    knownFields_.clear();
    if (ds)
        for (int i = 0; i < ds->FieldCount(); ++i) knownFields_.push_back(&ds->Fields(i));
    fieldIndex_.clear();
    for (int i = 0; i < grid_->ColumnCount(); ++i) {
        const TField* field = ds ? ds->FindField(grid_->Columns(i).FieldName) : nullptr;
        fieldIndex_.push_back(field ? field->Index() : -1);
    }
}

void TDataSetModel::Reset() {
    beginResetModel();
    Resolve();
    shape_ = Measure();
    indicatorRow_ = shape_.current;
    endResetModel();
}

void TDataSetModel::OnDataSetEvent(const DataSetEvent& event) {
    if (event.kind == DataSetEvent::DataChanged && FieldsChanged()) {
        grid_->RebuildAutoColumns();
        Reset();
        return;
    }
    const Shape now = Measure();
    if (now.rows != shape_.rows) {
        if (now.rows == shape_.rows + 1 && now.insertRow >= 0 && shape_.insertRow < 0) {
            beginInsertRows({}, now.insertRow, now.insertRow);  // Insert, Append
            shape_ = now;
            endInsertRows();
        } else if (now.rows == shape_.rows - 1 && shape_.insertRow >= 0 && now.insertRow < 0) {
            beginRemoveRows({}, shape_.insertRow, shape_.insertRow);  // a cancelled insert
            shape_ = now;
            endRemoveRows();
        } else if (now.rows == shape_.rows - 1 && shape_.insertRow < 0 && now.insertRow < 0 && shape_.current >= 0 &&
                   event.kind == DataSetEvent::DataChanged) {
            beginRemoveRows({}, shape_.current, shape_.current);  // Delete
            shape_ = now;
            endRemoveRows();
        } else {
            Reset();
            return;
        }
    }
    shape_ = now;
    if (shape_.rows == 0 || columnCount() == 0) return;
    switch (event.kind) {
    case DataSetEvent::Scrolled:
        break;
    case DataSetEvent::FieldChanged:
    case DataSetEvent::RecordChanged:
    case DataSetEvent::StateChanged:
        // Other columns of the row may show the changed field through get-text handlers.
        if (shape_.current >= 0) emit dataChanged(index(shape_.current, 0), index(shape_.current, columnCount() - 1));
        break;
    case DataSetEvent::DataChanged:
        emit dataChanged(index(0, 0), index(shape_.rows - 1, columnCount() - 1));
        break;
    }
    if (indicatorRow_ != shape_.current) {
        if (indicatorRow_ >= 0 && indicatorRow_ < shape_.rows) emit headerDataChanged(Qt::Vertical, indicatorRow_, indicatorRow_);
        indicatorRow_ = shape_.current;
    }
    if (indicatorRow_ >= 0) emit headerDataChanged(Qt::Vertical, indicatorRow_, indicatorRow_);
}

// --- cell editor ----------------------------------------------------------------------------------

// The record indicator's column has a fixed width, yet on every move of the indicator Qt asks
// the header for its size hint again, measuring the texts of up to two hundred rows only to
// clamp the result to that width: most of a scroll's time on the screen.
class IndicatorHeader : public QHeaderView {
public:
    explicit IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
        setSectionsClickable(true);
        setHighlightSections(true);
    }
    QSize sizeHint() const override {
        if (minimumWidth() == maximumWidth()) return QSize(maximumWidth(), defaultSectionSize());
        return QHeaderView::sizeHint();
    }
};

class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        if (!grid_->BeginCellEdit()) return nullptr;
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        const int column = index.column();
        if (const TField* field = grid_->Model()->FieldOfColumn(column); field && field->DataType() == FieldType::String)
            editor->setMaxLength(field->Size());
        if (grid_->Columns(column).ButtonStyle == TColumnButtonStyle::Ellipsis) {
            QAction* button = editor->addAction(EllipsisIcon(), QLineEdit::TrailingPosition);
            TDBGrid* grid = grid_;
            QObject::connect(button, &QAction::triggered, grid, [grid] { Fire(grid->OnEditButtonClick); });
        }
        editor->installEventFilter(grid_);
        // Written at once, as the data-aware edits do: a toolbar's Confirmar posts what is typed.
        const QPersistentModelIndex cell(index);
        TDBGrid* grid = grid_;
        QObject::connect(editor, &QLineEdit::textEdited, grid, [grid, cell](const QString& text) {
            if (cell.isValid()) grid->WriteCell(cell.row(), cell.column(), text, false);
        });
        grid_->editor_ = editor;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        // Loaded once: the row repaints on every write and must not reset what is being typed.
        if (editor->property(kLoadedProperty).toBool()) return;
        editor->setProperty(kLoadedProperty, true);
        static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
    }

private:
    TDBGrid* grid_;
};

// --- TDBGrid ------------------------------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent, const QString& name)
    : QTableView(parent),
      TControl(this, name),
      link_([this](const DataSetEvent& event) { OnLinkEvent(event); }),
      model_(new TDataSetModel(this)) {
    setModel(model_);
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setVerticalHeader(new IndicatorHeader(this));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) + 8);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    new TitleMouse(horizontalHeader()->viewport(), titleMouseHeld_);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) { ColumnResized(column, size); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { ApplyColumns(); });
    connect(this, &QAbstractItemView::clicked, this, [this] { Fire(OnCellClick); });
    AddCsvExport(this, [this] { return ExportName; });
    SetEditing(false);
}

TDBGrid::~TDBGrid() = default;

TColumn& TDBGrid::AddColumn(const QString& fieldName, const QString& title, int width) {
    if (!customColumns_) columns_.clear();
    customColumns_ = true;
    auto column = std::make_unique<TColumn>();
    column->FieldName = fieldName;
    column->Title = title;
    column->Width = width;
    columns_.push_back(std::move(column));
    model_->Reset();
    return *columns_.back();
}

void TDBGrid::ClearColumns() {
    customColumns_ = false;
    RebuildAutoColumns();
    model_->Reset();
}

void TDBGrid::ColumnsChanged() { model_->Reset(); }

void TDBGrid::RebuildAutoColumns() {
    if (customColumns_) return;
    columns_.clear();
    TDataSet* ds = DataSet();
    if (!ds) return;
    for (int i = 0; i < ds->FieldCount(); ++i) {
        if (!ds->Fields(i).Visible()) continue;
        auto column = std::make_unique<TColumn>();
        column->FieldName = ds->Fields(i).FieldName();
        columns_.push_back(std::move(column));
    }
}

void TDBGrid::ApplyColumns() {
    const QScopedValueRollback<bool> applying(applyingColumns_, true);
    for (int i = 0; i < ColumnCount(); ++i) {
        const TColumn& column = Columns(i);
        setColumnHidden(i, !column.Visible);
        const int own = userWidths_.value(column.FieldName);
        setColumnWidth(i, own > 0 ? own : NaturalWidth(i));
    }
    if (selectedIndex_ >= ColumnCount()) selectedIndex_ = 0;
    SyncFromDataSet();
}

int TDBGrid::NaturalWidth(int column) const {
    const TColumn& col = Columns(column);
    const TField* field = model_->FieldOfColumn(column);
    const QString key = col.Title + QChar(0x1f) + col.Samples.join(QChar(0x1f)) + QChar(0x1f) + QString::number(col.Width) +
                        QChar(0x1f) + (field ? field->FieldName() + QChar(0x1f) + QString::number(field->DisplayWidth()) : QString());
    if (const auto it = naturalWidths_.constFind(key); it != naturalWidths_.cend()) return *it;
    // What a cell adds to its text: the delegate's margins on both sides and the grid line.
    const int cellMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 1;
    int width = col.Width;
    // Measured as the cell lays it out, in fractions of a pixel: a rounded measure may miss by one
    // and cut the sample's last letters.
    const QFontMetricsF metrics(font());
    for (const QString& sample : col.Samples)
        width = std::max(width, static_cast<int>(std::ceil(metrics.horizontalAdvance(sample))) + cellMargins);
    if (width <= 0) width = field ? field->DisplayWidth() * fontMetrics().averageCharWidth() + cellMargins : 0;
    // The header's own measure of the title, with its margins (and sort arrow, where shown).
    const int title = horizontalHeader()->sectionSizeHint(column);
    return naturalWidths_[key] = std::max(width, title);
}

int TDBGrid::LastVisibleColumn() const {
    for (int i = ColumnCount() - 1; i >= 0; --i)
        if (!isColumnHidden(i)) return i;
    return -1;
}

void TDBGrid::ColumnResized(int column, int size) {
    // The last column's width follows the grid's: it is never the clerk's to keep.
    if (!titleMouseHeld_ || applyingColumns_ || size <= 0 || column < 0 || column >= ColumnCount() ||
        column == LastVisibleColumn())
        return;
    userWidths_[Columns(column).FieldName] = size;
}

void TDBGrid::SetUserColumnWidths(const QHash<QString, int>& widths) {
    userWidths_ = widths;
    ApplyColumns();
}

void TDBGrid::SetEditing(bool editing) {
    editing_ = editing;
    setEditTriggers(editing ? QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                                  QAbstractItemView::EditKeyPressed
                            : QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(editing ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    setTabKeyNavigation(editing);
}

TField* TDBGrid::SelectedField() const { return model_->FieldOfColumn(selectedIndex_); }

void TDBGrid::SetSelectedIndex(int column) {
    if (column < 0 || column >= ColumnCount() || column == selectedIndex_) return;
    const int row = model_->CurrentRow();
    if (row < 0) {
        // No row to put the cursor on: the column still changes, with its events.
        if (!Fire(OnColExit)) return;
        selectedIndex_ = column;
        Fire(OnColEnter);
        return;
    }
    setCurrentIndex(model_->index(row, column));
}

void TDBGrid::OnLinkEvent(const DataSetEvent& event) {
    model_->OnDataSetEvent(event);
    if (!movingCursor_) SyncFromDataSet();
}

void TDBGrid::SyncFromDataSet() {
    // A column's exit handler may write fields: the cell being moved to stays the current one.
    if (syncing_ || leavingColumn_) return;
    const int row = model_->CurrentRow();
    if (row < 0 || row >= model_->rowCount()) return;
    const int column = selectedIndex_ >= 0 && selectedIndex_ < ColumnCount() ? selectedIndex_ : 0;
    const QModelIndex target = model_->index(row, column);
    if (!target.isValid() || currentIndex() == target) return;
    syncing_ = true;
    const auto rows = editing_ ? QItemSelectionModel::NoUpdate : QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | rows);
    scrollTo(target);
    syncing_ = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);  // commits and closes the editor of the cell left
    if (syncing_ || !current.isValid()) return;
    const bool columnChanged = current.column() != selectedIndex_;
    if (columnChanged) {
        bool left = false;
        {
            const QScopedValueRollback<bool> leaving(leavingColumn_, true);
            left = Fire(OnColExit);
        }
        if (!left) {
            SyncFromDataSet();
            return;
        }
        selectedIndex_ = current.column();
    }
    if (current.row() != model_->CurrentRow()) {
        MoveCursorToRow(current.row());
        // Where the data set really is: the move may have been refused, or a post shifted the rows.
        const int row = model_->CurrentRow();
        if (row >= 0 && currentIndex().row() != row) {
            syncing_ = true;
            const auto rows = editing_ ? QItemSelectionModel::NoUpdate : QItemSelectionModel::Rows;
            selectionModel()->setCurrentIndex(model_->index(row, selectedIndex_), QItemSelectionModel::ClearAndSelect | rows);
            syncing_ = false;
        }
    }
    if (columnChanged) Fire(OnColEnter);
}

bool TDBGrid::MoveCursorToRow(int row) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || row == model_->CurrentRow()) return true;
    movingCursor_ = true;
    const bool moved = Guard([&] {
        int target = model_->RecordOfRow(row);
        if (ds->State() == DataSetState::Insert) {
            // Posting the new record shifts the rows from its position on by one.
            const int insertRow = ds->InsertPosition();
            const int before = ds->RecordCount();
            ds->CheckBrowseMode();
            if (ds->RecordCount() > before && target >= insertRow) ++target;
        }
        ds->SetRecNo(target + 1);
    });
    movingCursor_ = false;
    return moved;
}

bool TDBGrid::BeginCellEdit() {
    TDataSet* ds = DataSet();
    TDataSource* source = DataSource();
    if (!editing_ || !ds || !ds->Active() || ds->ReadOnly()) return false;
    return ds->State() != DataSetState::Browse || source->AutoEdit;
}

bool TDBGrid::WriteCell(int row, int column, const QString& text, bool report) {
    TDataSet* ds = DataSet();
    TField* field = model_->FieldOfColumn(column);
    if (!ds || !field) return false;
    auto write = [&] {
        if (row != model_->CurrentRow() && !MoveCursorToRow(row)) Abort();
        if (ds->State() == DataSetState::Browse) ds->Edit();
        field->SetText(text);
    };
    if (report) return Guard(write);
    // While typing, a half-written value is no error yet; the commit reports it.
    try {
        write();
        return true;
    } catch (...) {
        return false;
    }
}

void TDBGrid::CommitEditor() {
    if (!editor_ || state() != QAbstractItemView::EditingState) return;
    QWidget* editor = editor_;
    editor_ = nullptr;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::DeleteRecord() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || (ds->IsEmpty() && ds->State() != DataSetState::Insert)) return;
    Guard([&] {
        if (ConfirmDelete && !Host().AskYesNo(QStringLiteral("Confirma exclusão?"))) return;
        ds->Delete();
    });
}

bool TDBGrid::KeyPressAllowed(QKeyEvent* event, std::unique_ptr<QKeyEvent>& replaced) {
    const QChar key = KeyCharOf(event);
    if (key.isNull() || !OnKeyPress) return true;
    QChar changed = key;
    if (!Guard([&] { OnKeyPress(changed); }) || changed.isNull()) return false;
    if (changed != key && changed.isPrint())
        replaced = std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_unknown, event->modifiers(), QString(changed));
    return true;
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    std::unique_ptr<QKeyEvent> replaced;
    if (state() != QAbstractItemView::EditingState && !KeyPressAllowed(event, replaced)) {
        event->accept();
        return;
    }
    TDataSet* ds = DataSet();
    if (editing_ && ds && ds->Active() && !ds->ReadOnly()) {
        const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
        const bool inserting = ds->State() == DataSetState::Insert;
        if (plain && event->key() == Qt::Key_Down && currentIndex().row() == model_->rowCount() - 1) {
            CommitEditor();
            // An untouched new record stays the last one: no second empty row.
            if (!(inserting && !ds->Modified())) Guard([ds] { ds->Append(); });
            event->accept();
            return;
        }
        if (plain && event->key() == Qt::Key_Insert) {
            CommitEditor();
            Guard([ds] { ds->Insert(); });
            event->accept();
            return;
        }
        if (EllipsisKey(event)) {
            Fire(OnEditButtonClick);
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
            CommitEditor();
            DeleteRecord();
            event->accept();
            return;
        }
        if (plain && event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState &&
            ds->State() != DataSetState::Browse) {
            Guard([ds] { ds->Cancel(); });
            event->accept();
            return;
        }
    }
    QKeyEvent* effective = replaced ? replaced.get() : event;
    keyInFlight_ = effective;
    QTableView::keyPressEvent(effective);
    keyInFlight_ = nullptr;
    if (replaced) event->setAccepted(replaced->isAccepted());
}

bool TDBGrid::event(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) naturalWidths_.clear();
    // Asked for the focused grid and for its cell editor alike (the question climbs to the grid).
    if (event->type() == QEvent::ShortcutOverride && ClaimsKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

bool TDBGrid::ClaimsKey(const QKeyEvent* event) const {
    // Esc in a cell editor gives the cell its text back; without one it is the window's.
    if (event->key() == Qt::Key_Escape) return EditorOpen();
    TDataSet* ds = DataSet();
    if (!editing_ || !ds || !ds->Active() || ds->ReadOnly()) return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) return event->key() == Qt::Key_Insert || event->key() == Qt::Key_F2;
    return modifiers == Qt::ControlModifier && event->key() == Qt::Key_Delete;
}

bool TDBGrid::EllipsisKey(const QKeyEvent* event) const {
    // The keyboard's way to the "..." of the cell, as the mouse's click on it.
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           event->modifiers() == Qt::ControlModifier && selectedIndex_ >= 0 && selectedIndex_ < ColumnCount() &&
           Columns(selectedIndex_).ButtonStyle == TColumnButtonStyle::Ellipsis;
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == editor_ && EllipsisKey(static_cast<QKeyEvent*>(event))) {
        Fire(OnEditButtonClick);
        return true;
    }
    // Keys typed into a cell editor reach the grid's OnKeyPress first, as in Delphi; the key that
    // opened the editor already went through it.
    if (event->type() == QEvent::KeyPress && watched == editor_ && event != keyInFlight_) {
        std::unique_ptr<QKeyEvent> replaced;
        if (!KeyPressAllowed(static_cast<QKeyEvent*>(event), replaced)) return true;
        if (replaced) {
            keyInFlight_ = replaced.get();
            QCoreApplication::sendEvent(watched, replaced.get());
            keyInFlight_ = nullptr;
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    Fire(OnDblClick);
}

void TDBGrid::ExitCheck() {
    TDataSet* ds = DataSet();
    // Only an editing grid makes rows of its own: a list grid must not cancel the record a
    // toolbar's Incluir just started while the focus was on the list.
    if (editing_ && CancelOnExit && ds && ds->State() == DataSetState::Insert && !ds->Modified()) ds->Cancel();
}

}  // namespace orv
