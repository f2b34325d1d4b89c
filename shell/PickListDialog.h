#pragma once

#include "orv/DataSet.h"

#include <QDialog>
#include <QStringList>

#include <vector>

class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace shell {

class DataSetModel;

// Single- and multi-choice pick lists over a data source: the visible fields with their labels,
// a filter box, Enter or double-click picks (single), ticks (multi).
//
// The filter box keeps the focus while the list is walked from it: Up, Down, PageUp, PageDown,
// Ctrl+Home and Ctrl+End move the selected row, Enter picks it (single) or confirms the ticks
// (multi); in a multi-choice list Space ticks the selected row while the filter is empty (a
// leading blank filters nothing). Typing in the filter selects the first row it leaves.
//
// The columns fit their titles and their contents and keep their proportions when the dialog
// is resized; the dialog's size is remembered per title.
class PickListDialog : public QDialog {
public:
    PickListDialog(orv::TDataSet& dataSet, const QString& caption, bool multi, QWidget* parent = nullptr);

    // Single choice: the chosen row (0-based among the data set's rows), -1 when none.
    int ChosenRow() const { return chosen_; }
    // Multi choice: pre-ticks the rows whose key field is in `keys`; Ticked() gives them back
    // in the data set's order.
    void Tick(const QString& keyField, const QStringList& keys);
    QStringList Ticked(const QString& keyField) const;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Accept();
    bool FilterKey(int key, Qt::KeyboardModifiers modifiers);
    void SelectRow(int row);
    int PageRows() const;
    void MeasureColumns();
    void FitColumns(double ratio);
    void ColumnDragged(int column, int size);
    QString SettingsGroup() const;

    orv::TDataSet& dataSet_;
    bool multi_;
    DataSetModel* model_;
    QSortFilterProxyModel* proxy_;
    QTableView* view_;
    QLineEdit* filter_;
    int chosen_ = -1;
    // Column widths at the reference width of the list; every width scales by the list's width
    // over the reference. The tick column keeps its width.
    std::vector<double> base_;
    double reference_ = 0;
    int tickWidth_ = 0;
    bool fitting_ = false;
};

}  // namespace shell
