#include "shell/DataSetModel.h"

namespace shell {

DataSetModel::DataSetModel(orv::TDataSet& dataSet, bool checkable, QObject* parent)
    : QAbstractTableModel(parent), dataSet_(dataSet), checkable_(checkable) {
    for (int i = 0; i < dataSet_.FieldCount(); ++i) {
        const orv::TField& f = dataSet_.Fields(i);
        if (f.Visible() && f.FieldName().compare(QLatin1String("IDMARCADO"), Qt::CaseInsensitive) != 0) columns_.push_back(i);
    }
    checked_.assign(static_cast<size_t>(dataSet_.RecordCount()), false);
}

int DataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : dataSet_.RecordCount(); }

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size()) + (checkable_ ? 1 : 0);
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (checkable_ && index.column() == 0) {
        if (role == Qt::CheckStateRole) return Checked(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role != Qt::DisplayRole) return {};
    const int field = columns_[static_cast<size_t>(FieldColumn(index.column()))];
    return dataSet_.DisplayTextAt(index.row(), field);
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (checkable_ && section == 0) return QString();
    return dataSet_.Fields(columns_[static_cast<size_t>(FieldColumn(section))]).DisplayLabel();
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (checkable_ && index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkable_ || index.column() != 0 || role != Qt::CheckStateRole) return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

}  // namespace shell
