#pragma once

#include "orv/DataSet.h"

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace shell {

class DataSetModel;

// Single- and multi-choice pick lists over a data source: the visible fields with their labels
// and display widths, a filter box, Enter or double-click picks (single), ticks (multi).
class PickListDialog : public QDialog {
public:
    PickListDialog(orv::TDataSet& dataSet, const QString& caption, bool multi, QWidget* parent = nullptr);

    // Single choice: the chosen row (0-based among the data set's rows), -1 when none.
    int ChosenRow() const { return chosen_; }
    // Multi choice: pre-ticks the rows whose key field is in `keys`; Ticked() gives them back
    // in the data set's order.
    void Tick(const QString& keyField, const QStringList& keys);
    QStringList Ticked(const QString& keyField) const;

private:
    void Accept();

    orv::TDataSet& dataSet_;
    bool multi_;
    DataSetModel* model_;
    QSortFilterProxyModel* proxy_;
    QTableView* view_;
    QLineEdit* filter_;
    int chosen_ = -1;
};

}  // namespace shell
