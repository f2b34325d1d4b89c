#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QTableView;
class QWidget;

namespace orv {

// A screen that names the files its lists are exported to by what it shows: "ZMT02600 - bem
// 100001". Without one, a list takes the screen code of its window (the "lblCodTela" label),
// else the window's title.
class IExportContext {
public:
    virtual ~IExportContext();
    virtual QString ExportContext() const = 0;
};

// The context of the window a widget is in; a window that names nothing (a pick list) takes the
// one of the window it opened over.
QString ExportContextOf(const QWidget* widget);
// The file name proposed for a list: "ZMT02600 - bem 100001 - transferencias.csv".
QString ProposedCsvName(const QWidget* widget, const QString& listName);

// A table as it is shown: the titles of the visible columns in their on-screen order, then
// every row's display texts in those columns. A column without a title (a tick column) is left
// out.
QList<QStringList> ShownRows(const QTableView& view);

// Asks the host where to write, proposing the list's name, and writes the table as shown; a
// failure is shown as a message. True when the file was written.
bool ExportCsv(const QTableView& view, const QString& listName);

// Puts "Exportar para CSV…" (Ctrl+Shift+E) on the table's context menu; `listName` names the
// list at the moment of the export.
QAction* AddCsvExport(QTableView* view, std::function<QString()> listName);

}  // namespace orv
