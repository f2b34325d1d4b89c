#include "orv/widgets/TableExport.h"

#include "orv/Csv.h"
#include "orv/Host.h"
#include "orv/widgets/Guard.h"
#include "orv/widgets/StdControls.h"

#include <QAction>
#include <QHeaderView>
#include <QTableView>

#include <vector>

namespace orv {

IExportContext::~IExportContext() = default;

QString ExportContextOf(const QWidget* widget) {
    // The nearest window that names itself: a pick list is named after the screen it opened
    // over, a dialog with its own code after itself.
    for (const QWidget* w = widget ? widget->window() : nullptr; w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (const auto* context = dynamic_cast<const IExportContext*>(w)) return context->ExportContext();
        if (const auto* code = w->findChild<const TLabel*>(QStringLiteral("lblCodTela")); code && !code->text().isEmpty())
            return code->text();
    }
    return widget ? widget->window()->windowTitle() : QString();
}

QString ProposedCsvName(const QWidget* widget, const QString& listName) {
    const QString context = ExportContextOf(widget).trimmed();
    const QString list = listName.trimmed().isEmpty() ? QStringLiteral("lista") : listName.trimmed();
    // A dialog on its own is its own context: "Filial", not "Filial - Filial".
    const bool bare = context.isEmpty() || context.compare(list, Qt::CaseInsensitive) == 0;
    return SafeFileName(bare ? list : context + QStringLiteral(" - ") + list) + QStringLiteral(".csv");
}

QList<QStringList> ShownRows(const QTableView& view) {
    QList<QStringList> rows;
    const QAbstractItemModel* model = view.model();
    if (!model) return rows;
    const QHeaderView* header = view.horizontalHeader();
    std::vector<int> columns;
    QStringList titles;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (column < 0 || view.isColumnHidden(column)) continue;
        const QString title = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        if (title.isEmpty()) continue;
        columns.push_back(column);
        titles << title;
    }
    rows << titles;
    const int count = model->rowCount();
    rows.reserve(count + 1);
    for (int r = 0; r < count; ++r) {
        if (view.isRowHidden(r)) continue;
        QStringList row;
        row.reserve(qsizetype(columns.size()));
        for (const int c : columns) row << model->data(model->index(r, c), Qt::DisplayRole).toString();
        rows << row;
    }
    return rows;
}

bool ExportCsv(const QTableView& view, const QString& listName) {
    const QString path = Host().ChooseSaveFile(QStringLiteral("Exportar para CSV"), ProposedCsvName(&view, listName),
                                               QStringLiteral("Arquivos CSV (*.csv)"));
    if (path.isEmpty()) return false;
    try {
        BusyGuard busy;
        WriteCsvFile(path, ShownRows(view));
    } catch (const std::exception& e) {
        Host().ShowMessage(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

QAction* AddCsvExport(QTableView* view, std::function<QString()> listName) {
    auto* action = new QAction(QStringLiteral("Exportar para CSV…"), view);
    action->setObjectName(QStringLiteral("actExportarCsv"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    // Only the list that has the focus answers the keys: a screen may show several.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view->addAction(action);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(action, &QAction::triggered, view, [view, listName = std::move(listName)] {
        Guard([&] { ExportCsv(*view, listName ? listName() : QString()); });
    });
    return action;
}

}  // namespace orv
