#pragma once

// Small pieces both screens of the module use for their code fields: the check query run with
// its parameters, the code brought to its stored width, and the lookup button beside an edit.
#include "orv/Query.h"
#include "orv/widgets/BtnPesquisa.h"

#include <QLineEdit>
#include <QString>

#include <initializer_list>
#include <utility>

namespace zmt02600 {

// Reopens the query with its parameters; true when it found a row.
bool Run(orv::TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params);
// Writes the code normalised to its width back into the edit (only when it changes).
void Normalise(QLineEdit* edit, int width);
// A lookup button with its associated edit, pick-list title, data source and empty-list text.
orv::TBtnPesquisa* Lookup(QWidget* parent, const char* name, QWidget* associate, const QString& title,
                          orv::TDataSource* source, const QString& empty = {});

}  // namespace zmt02600
