#include "shell/PickListDialog.h"

#include "shell/DataSetModel.h"

#include "orv/widgets/TableExport.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

PickListDialog::PickListDialog(orv::TDataSet& dataSet, const QString& caption, bool multi, QWidget* parent)
    : QDialog(parent), dataSet_(dataSet), multi_(multi) {
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Pesquisa") : caption);
    setObjectName(QStringLiteral("frmPesquisa"));
    auto* layout = new QVBoxLayout(this);
    auto* filterLabel = new QLabel(QStringLiteral("Filtrar:"), this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("edtFiltro"));
    filter_->setPlaceholderText(QStringLiteral("Digite parte do código ou do nome"));
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
    view_->horizontalHeader()->setStretchLastSection(true);
    const int charWidth = fontMetrics().averageCharWidth();
    int total = 0;
    for (int c = 0; c < model_->columnCount(); ++c) {
        int width = 28;
        if (!(multi_ && c == 0)) {
            const orv::TField& f = dataSet_.Fields(model_->Columns()[static_cast<size_t>(model_->FieldColumn(c))]);
            width = std::clamp(f.DisplayWidth(), 4, 60) * charWidth + 12;
        }
        view_->setColumnWidth(c, width);
        total += width;
    }
    // The list can be taken to a spreadsheet, as shown (filtered); the filter box keeps the
    // focus, so the keys work anywhere in the dialog.
    const QString title = windowTitle();
    orv::AddCsvExport(view_, [title] { return title; })->setShortcutContext(Qt::WindowShortcut);
    layout->addWidget(view_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(multi_ ? QStringLiteral("Confirmar") : QStringLiteral("Escolher"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    layout->addWidget(buttons);
    resize(std::clamp(total + 40, 360, 900), 420);

    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Accept(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (!multi_) connect(view_, &QTableView::doubleClicked, this, [this] { Accept(); });
    if (proxy_->rowCount() > 0) view_->selectRow(0);
    filter_->setFocus();
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
