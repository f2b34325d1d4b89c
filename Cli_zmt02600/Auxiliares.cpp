#include "Cli_zmt02600/Auxiliares.h"

#include "orv/Routines.h"

namespace zmt02600 {

bool Run(orv::TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params) {
    q.Close();
    for (const auto& [name, value] : params) q.ParamByName(QString::fromLatin1(name)).SetAsString(value);
    q.Open();
    return !q.IsEmpty();
}

void Normalise(QLineEdit* edit, int width) {
    const QString adjusted = orv::Ajusta(edit->text(), width);
    if (adjusted != edit->text()) edit->setText(adjusted);
}

orv::TBtnPesquisa* Lookup(QWidget* parent, const char* name, QWidget* associate, const QString& title,
                          orv::TDataSource* source, const QString& empty) {
    auto* b = new orv::TBtnPesquisa(parent, QString::fromLatin1(name));
    b->SetAssociate(associate);
    b->Title = title;
    b->DataSource = source;
    b->EmptyError = empty;
    b->setToolTip(QStringLiteral("Pesquisar"));
    return b;
}

}  // namespace zmt02600
