#include "orv/ScriptedHost.h"

#include "orv/Csv.h"
#include "orv/DataSet.h"

namespace orv {

void SplitTitle(const QString& title, QString& caption, QString& emptyText) {
    const int bar = title.indexOf(QLatin1Char('|'));
    caption = bar < 0 ? title : title.left(bar);
    emptyText = bar < 0 ? QString() : title.mid(bar + 1);
}

namespace {

// The rows a pick list offers, by the first visible column (the tick column excluded).
QStringList OfferedRows(TDataSet& ds) {
    QStringList rows;
    int column = -1;
    for (int i = 0; i < ds.FieldCount(); ++i) {
        if (ds.Fields(i).Visible() && ds.Fields(i).FieldName().compare(QLatin1String("IDMARCADO"), Qt::CaseInsensitive) != 0) {
            column = i;
            break;
        }
    }
    if (column < 0 || !ds.Active()) return rows;
    ds.First();
    while (!ds.Eof()) {
        rows << ds.Fields(column).DisplayText();
        ds.Next();
    }
    ds.First();
    return rows;
}

bool PickListColumn(const TField& field) {
    return field.Visible() && field.FieldName().compare(QLatin1String("IDMARCADO"), Qt::CaseInsensitive) != 0;
}

// The current row as an expectation names it: its first visible column.
QString PickedRow(TDataSet& ds) {
    for (int i = 0; i < ds.FieldCount(); ++i)
        if (PickListColumn(ds.Fields(i))) return ds.Fields(i).DisplayText();
    return {};
}

// A pick list as its export writes it: the titles of the columns it shows, then every row.
QList<QStringList> PickListRows(TDataSet& ds) {
    QList<QStringList> rows;
    QStringList titles;
    for (int f = 0; f < ds.FieldCount(); ++f)
        if (PickListColumn(ds.Fields(f))) titles << ds.Fields(f).DisplayLabel();
    rows << titles;
    for (int r = 0; r < ds.RecordCount(); ++r) {
        QStringList row;
        for (int f = 0; f < ds.FieldCount(); ++f)
            if (PickListColumn(ds.Fields(f))) row << ds.DisplayTextAt(r, f);
        rows << row;
    }
    return rows;
}

}  // namespace

void ScriptedHost::ShowMessage(const QString& text) {
    messages << text;
    if (onMessage) onMessage(text);
}

bool ScriptedHost::AskYesNo(const QString& text) {
    questions << text;
    if (answers.empty()) throw Unexpected("pergunta sem resposta preparada: " + text.toStdString());
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

TDataSet* ScriptedHost::ListToOffer(TDataSource& source, const QString& title, QString& caption) {
    TDataSet* ds = source.DataSet();
    QString emptyText;
    SplitTitle(title, caption, emptyText);
    lastListTitles << caption;
    lastList = ds ? OfferedRows(*ds) : QStringList();
    // Only a list that opens can be exported: an empty one shows its text instead.
    if (ds && ds->Active() && !ds->IsEmpty() && !listExports.empty()) {
        const QString path = listExports.front();
        listExports.pop_front();
        try {
            WriteCsvFile(path, PickListRows(*ds));
        } catch (const std::exception& e) {
            ShowMessage(QString::fromUtf8(e.what()));
        }
    }
    if (ds && !ds->IsEmpty()) return ds;
    if (!emptyText.isEmpty()) ShowMessage(emptyText);
    return nullptr;
}

int ScriptedHost::TypeIntoList(TDataSet&, const QString& caption, const Typing&) {
    throw Unexpected("a lista \"" + caption.toStdString() + "\" não pode receber teclas aqui");
}

bool ScriptedHost::TypeIntoTickList(TDataSet& ds, const QString& caption, const QString&, const Typing& typing, QString&) {
    TypeIntoList(ds, caption, typing);
    return false;
}

bool ScriptedHost::Pesquisar(TDataSource& source, const QString& title) {
    QString caption;
    lastPicked.clear();
    TDataSet* ds = ListToOffer(source, title, caption);
    if (!ds) {
        // An empty list still uses up the answer a script queued for it.
        if (!picks.empty()) picks.pop_front();
        return false;
    }
    if (picks.empty()) throw Unexpected("lista de pesquisa sem escolha preparada: " + caption.toStdString());
    const Pick pick = picks.front();
    picks.pop_front();
    if (pick.none) return false;
    if (!pick.typing.empty()) {
        const int row = TypeIntoList(*ds, caption, pick.typing);
        if (row < 0) return false;
        ds->SetRecNo(row + 1);
    } else if (!ds->Locate(pick.field, pick.value)) {
        throw Unexpected(QStringLiteral("a lista \"%1\" não tem %2=%3").arg(caption, pick.field, pick.value).toStdString());
    }
    lastPicked = PickedRow(*ds);
    return true;
}

bool ScriptedHost::PesquisaLista(TDataSource& source, const QString& keyField, const QString& title, QString& list) {
    QString caption;
    lastPicked.clear();
    TDataSet* ds = ListToOffer(source, title, caption);
    if (!ds) {
        if (!pickManys.empty()) pickManys.pop_front();
        return false;
    }
    if (pickManys.empty()) throw Unexpected("lista de marcação sem escolha preparada: " + caption.toStdString());
    const PickMany pick = pickManys.front();
    pickManys.pop_front();
    if (pick.none) return false;
    if (!pick.typing.empty()) {
        if (!TypeIntoTickList(*ds, caption, keyField, pick.typing, list)) return false;
        lastPicked = list.split(QLatin1Char('_'), Qt::SkipEmptyParts).join(QLatin1Char('|'));
        return true;
    }
    for (const QString& key : pick.keys) {
        if (!ds->Locate(keyField, key))
            throw Unexpected(QStringLiteral("a lista \"%1\" não tem %2=%3").arg(caption, keyField, key).toStdString());
    }
    list = pick.keys.join(QLatin1Char('_'));
    lastPicked = pick.keys.join(QLatin1Char('|'));
    return true;
}

QString ScriptedHost::ChooseSaveFile(const QString&, const QString& proposedName, const QString&) {
    proposedFiles << proposedName;
    if (saveFiles.empty()) throw Unexpected("escolha de arquivo sem nome preparado: " + proposedName.toStdString());
    const SaveFile file = saveFiles.front();
    saveFiles.pop_front();
    return file.none ? QString() : file.path;
}

void ScriptedHost::ShowStatus(const QString& text, int) { statuses << text; }

void ScriptedHost::ShowBusy(int kind) {
    ++busyDepth;
    ++busyShown;
    if (onBusy) onBusy(kind);
}

void ScriptedHost::HideBusy() {
    if (busyDepth > 0) --busyDepth;
}

}  // namespace orv
