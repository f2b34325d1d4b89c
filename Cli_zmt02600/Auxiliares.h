#pragma once

// Small pieces both screens of the module use for their code fields: the check query run with
// its parameters, the code brought to its stored width, and the lookup button beside an edit.
#include "orv/DataSet.h"
#include "orv/Query.h"
#include "orv/widgets/BtnPesquisa.h"

#include <QLineEdit>
#include <QString>

#include <initializer_list>
#include <utility>

namespace zmt02600 {

// Reopens the query with its parameters; true when it found a row.
bool Run(orv::TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params);
// The same, giving the rows of an earlier run with the same values since the query's
// ForgetResults() (names shown for the list's current row).
bool RunRemembered(orv::TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params);
// Writes the code normalised to its width back into the edit (only when it changes).
void Normalise(QLineEdit* edit, int width);
// A lookup button with its associated edit, pick-list title, data source and empty-list text.
orv::TBtnPesquisa* Lookup(QWidget* parent, const char* name, QWidget* associate, const QString& title,
                          orv::TDataSource* source, const QString& empty = {});

// Where a transfer record takes the asset and who answers for it there (texts as typed).
struct Destino {
    QString filial, centCust, setor, responsavel;
};
// Fills a transfer record's new location, its responsible operator (the logged-in operator when
// none is typed) and who changed it; for a new record also who made it.
void PreencheDestino(orv::TDataSet& capa, const Destino& destino, bool novo);

}  // namespace zmt02600
