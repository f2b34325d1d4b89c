#include "orv/ScriptedHost.h"

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
    if (ds && !ds->IsEmpty()) return ds;
    if (!emptyText.isEmpty()) ShowMessage(emptyText);
    return nullptr;
}

bool ScriptedHost::Pesquisar(TDataSource& source, const QString& title) {
    QString caption;
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
    if (!ds->Locate(pick.field, pick.value))
        throw Unexpected(QStringLiteral("a lista \"%1\" não tem %2=%3").arg(caption, pick.field, pick.value).toStdString());
    return true;
}

bool ScriptedHost::PesquisaLista(TDataSource& source, const QString& keyField, const QString& title, QString& list) {
    QString caption;
    TDataSet* ds = ListToOffer(source, title, caption);
    if (!ds) {
        if (!pickManys.empty()) pickManys.pop_front();
        return false;
    }
    if (pickManys.empty()) throw Unexpected("lista de marcação sem escolha preparada: " + caption.toStdString());
    const PickMany pick = pickManys.front();
    pickManys.pop_front();
    if (pick.none) return false;
    for (const QString& key : pick.keys) {
        if (!ds->Locate(keyField, key))
            throw Unexpected(QStringLiteral("a lista \"%1\" não tem %2=%3").arg(caption, keyField, key).toStdString());
    }
    list = pick.keys.join(QLatin1Char('_'));
    return true;
}

void ScriptedHost::ShowBusy(int kind) {
    ++busyDepth;
    ++busyShown;
    if (onBusy) onBusy(kind);
}

void ScriptedHost::HideBusy() {
    if (busyDepth > 0) --busyDepth;
}

}  // namespace orv
