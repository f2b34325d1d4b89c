#pragma once

#include "orv/DataSet.h"

#include <QAbstractTableModel>

#include <vector>

namespace shell {

// Read-only view of a data set's visible fields for the pick lists: column titles are the
// field labels; an optional first column holds tick boxes.
class DataSetModel : public QAbstractTableModel {
public:
    DataSetModel(orv::TDataSet& dataSet, bool checkable, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    const std::vector<int>& Columns() const { return columns_; }  // field indexes shown
    bool Checked(int row) const { return checked_[static_cast<size_t>(row)]; }
    void SetChecked(int row, bool on) { checked_[static_cast<size_t>(row)] = on; }
    int FieldColumn(int column) const { return checkable_ ? column - 1 : column; }

private:
    orv::TDataSet& dataSet_;
    bool checkable_;
    std::vector<int> columns_;
    std::vector<bool> checked_;
};

}  // namespace shell
