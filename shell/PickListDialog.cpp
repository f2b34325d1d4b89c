#include "shell/PickListDialog.h"

#include "shell/DataSetModel.h"

#include "orv/widgets/TableExport.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

namespace {

// Rows measured for the column widths: every row of a usual list, an even sample of a long one.
constexpr int kSampledRows = 500;
// A column wider than this many characters shows the rest on a wider dialog, not by default.
constexpr int kWidestColumnChars = 40;
constexpr int kNaturalHeight = 420;
constexpr int kAir = 6;

QRect AvailableArea(const QWidget* parent) {
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 720);
}

}  // namespace

PickListDialog::PickListDialog(orv::TDataSet& dataSet, const QString& caption, bool multi, QWidget* parent)
    : QDialog(parent), dataSet_(dataSet), multi_(multi) {
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Pesquisa") : caption);
    setObjectName(QStringLiteral("frmPesquisa"));
    auto* layout = new QVBoxLayout(this);
    auto* filterLabel = new QLabel(QStringLiteral("Filtrar:"), this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("edtFiltro"));
    filter_->setPlaceholderText(QStringLiteral("Digite parte do código ou do nome"));
    filter_->installEventFilter(this);
    layout->addWidget(filterLabel);
    layout->addWidget(filter_);

    model_ = new DataSetModel(dataSet_, multi_, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy_->setFilterKeyColumn(-1);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("dbgPesquisa"));
    view_->setModel(proxy_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->verticalHeader()->hide();
    view_->viewport()->installEventFilter(this);
    MeasureColumns();
    FitColumns(1.0);
    connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) { ColumnDragged(column, size); });
    // The list can be taken to a spreadsheet, as shown (filtered); the filter box keeps the
    // focus, so the keys work anywhere in the dialog.
    const QString title = windowTitle();
    orv::AddCsvExport(view_, [title] { return title; })->setShortcutContext(Qt::WindowShortcut);
    layout->addWidget(view_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(multi_ ? QStringLiteral("Confirmar") : QStringLiteral("Escolher"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    layout->addWidget(buttons);

    // Wide enough for every column at its measured width beside a vertical scroll bar.
    const QMargins margins = layout->contentsMargins();
    const int natural = tickWidth_ + qRound(reference_) + 2 * view_->frameWidth() +
                        style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view_) + margins.left() +
                        margins.right();
    const QRect area = AvailableArea(parent);
    resize(std::clamp(natural, 360, std::max(360, area.width() - 40)), std::min(kNaturalHeight, area.height()));
    const QSize saved = QSettings().value(SettingsGroup() + QStringLiteral("/size")).toSize();
    if (saved.isValid() && !saved.isEmpty()) resize(saved.boundedTo(area.size()));

    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);
    connect(filter_, &QLineEdit::textChanged, this, [this] { SelectRow(0); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Accept(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (!multi_) connect(view_, &QTableView::doubleClicked, this, [this] { Accept(); });
    SelectRow(0);
    filter_->setFocus();
}

void PickListDialog::done(int result) {
    QSettings().setValue(SettingsGroup() + QStringLiteral("/size"), size());
    QDialog::done(result);
}

QString PickListDialog::SettingsGroup() const {
    // A slash would open a group of its own.
    QString title = windowTitle();
    title.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return QStringLiteral("pesquisa/") + title;
}

bool PickListDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return FilterKey(key->key(), key->modifiers());
    }
    if (watched == view_->viewport() && event->type() == QEvent::Resize)
        FitColumns(std::max(1, view_->viewport()->width() - tickWidth_) / std::max(1.0, reference_));
    return QDialog::eventFilter(watched, event);
}

bool PickListDialog::FilterKey(int key, Qt::KeyboardModifiers modifiers) {
    modifiers &= ~Qt::KeypadModifier;
    const int current = view_->currentIndex().isValid() ? view_->currentIndex().row() : -1;
    if (modifiers == Qt::ControlModifier && (key == Qt::Key_Home || key == Qt::Key_End)) {
        SelectRow(key == Qt::Key_Home ? 0 : proxy_->rowCount() - 1);
        return true;
    }
    if (modifiers != Qt::NoModifier) return false;
    switch (key) {
    case Qt::Key_Up: SelectRow(std::max(0, current - 1)); return true;
    case Qt::Key_Down: SelectRow(current + 1); return true;
    case Qt::Key_PageUp: SelectRow(std::max(0, current - PageRows())); return true;
    case Qt::Key_PageDown: SelectRow(std::max(0, current) + PageRows()); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: Accept(); return true;
    case Qt::Key_Space: {
        if (!multi_ || !filter_->text().isEmpty() || current < 0) return false;
        const QModelIndex tick = proxy_->index(current, 0);
        const bool on = tick.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        proxy_->setData(tick, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return true;
    }
    default: return false;
    }
}

void PickListDialog::SelectRow(int row) {
    const int rows = proxy_->rowCount();
    if (rows == 0) return;
    // The first column: in a multi-choice list the tick, which Space in the list then toggles.
    const QModelIndex index = proxy_->index(std::clamp(row, 0, rows - 1), 0);
    view_->selectionModel()->setCurrentIndex(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_->scrollTo(index);
}

// The rows a page shows, less one kept in sight.
int PickListDialog::PageRows() const {
    const int rowHeight = std::max(1, view_->verticalHeader()->defaultSectionSize());
    return std::max(1, view_->viewport()->height() / rowHeight - 1);
}

void PickListDialog::MeasureColumns() {
    const QFontMetrics metrics(view_->font());
    const QStyle* style = view_->style();
    // The cell's text margins and grid line, as the item delegate lays them out, and some air.
    const int padding = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1) + 1 + kAir;
    const int widest = kWidestColumnChars * metrics.averageCharWidth();
    const QHeaderView* header = view_->horizontalHeader();
    const int first = multi_ ? 1 : 0;
    if (multi_) tickWidth_ = std::max(28, style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, view_) + padding);
    const int rows = model_->rowCount();
    const int step = std::max(1, rows / kSampledRows);
    base_.clear();
    reference_ = 0;
    for (int c = first; c < model_->columnCount(); ++c) {
        int content = 0;
        for (int r = 0; r < rows; r += step)
            content = std::max(content, metrics.horizontalAdvance(model_->data(model_->index(r, c), Qt::DisplayRole).toString()));
        // The title always fits, with the same air: the header measures it in bold, as it shows
        // a selected row's.
        const int width = std::max(header->sectionSizeHint(c) + kAir, std::min(content + padding, widest));
        base_.push_back(width);
        reference_ += width;
    }
}

// Every column by the same ratio (the list's width over the reference, once shown); the edges
// are rounded from the running total so the columns fill the list exactly.
void PickListDialog::FitColumns(double ratio) {
    if (base_.empty() || fitting_) return;
    fitting_ = true;
    const int first = multi_ ? 1 : 0;
    if (multi_) view_->setColumnWidth(0, tickWidth_);
    double total = 0;
    int placed = 0;
    for (size_t i = 0; i < base_.size(); ++i) {
        total += base_[i];
        const int edge = qRound(total * ratio);
        view_->setColumnWidth(first + static_cast<int>(i), edge - placed);
        placed = edge;
    }
    fitting_ = false;
}

// A column the user widened or narrowed keeps its new share from then on.
void PickListDialog::ColumnDragged(int column, int size) {
    if (fitting_) return;
    if (multi_ && column == 0) {
        tickWidth_ = size;
        return;
    }
    const size_t i = static_cast<size_t>(column - (multi_ ? 1 : 0));
    if (i >= base_.size() || !view_->isVisible()) return;
    const int width = view_->viewport()->width() - tickWidth_;
    if (width > 0) base_[i] = size * reference_ / width;
}

void PickListDialog::Accept() {
    if (!multi_) {
        const QModelIndex current = view_->currentIndex();
        if (!current.isValid()) return;
        chosen_ = proxy_->mapToSource(current).row();
    }
    accept();
}

void PickListDialog::Tick(const QString& keyField, const QStringList& keys) {
    const orv::TField* key = dataSet_.FindField(keyField);
    if (!key) return;
    for (int r = 0; r < dataSet_.RecordCount(); ++r)
        if (keys.contains(dataSet_.ValueAt(r, key->Index()).toString())) model_->SetChecked(r, true);
}

QStringList PickListDialog::Ticked(const QString& keyField) const {
    QStringList keys;
    const orv::TField* key = dataSet_.FindField(keyField);
    if (!key) return keys;
    for (int r = 0; r < dataSet_.RecordCount(); ++r)
        if (model_->Checked(r)) keys << dataSet_.ValueAt(r, key->Index()).toString();
    return keys;
}

}  // namespace shell
