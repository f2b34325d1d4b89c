#include "Cli_zmt02600/Auxiliares.h"

#include "orv/Host.h"
#include "orv/Routines.h"

namespace zmt02600 {

namespace {
void SetParams(orv::TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params) {
    q.Close();
    for (const auto& [name, value] : params) q.ParamByName(QString::fromLatin1(name)).SetAsString(value);
}
}  // namespace

bool Run(orv::TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params) {
    SetParams(q, params);
    q.Open();
    return !q.IsEmpty();
}

bool RunRemembered(orv::TADOIBQuery& q, std::initializer_list<std::pair<const char*, QString>> params) {
    SetParams(q, params);
    q.OpenRemembered();
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

void PreencheDestino(orv::TDataSet& capa, const Destino& destino, bool novo) {
    auto f = [&capa](const char* name) -> orv::TField& { return capa.FieldByName(QString::fromLatin1(name)); };
    const QString operador = orv::Host().Operador();
    const QString nomeOperador = orv::Host().NomeOperador();
    f("CDFILIALITCNOVO").SetAsString(destino.filial);
    f("CDCENTCUITCNOVO").SetAsString(destino.centCust);
    f("CDSETORITCNOVO").SetAsString(destino.setor);
    f("CDOPERESPOPERA").SetAsString(destino.responsavel.isEmpty() ? operador : destino.responsavel);
    f("CDOPEATUCAPA").SetAsString(operador);
    f("CDOPEATUITCAPA").SetAsString(operador);
    f("OPERATU").SetAsString(nomeOperador);
    if (!novo) return;
    f("CDOPEINCITCAPA").SetAsString(operador);
    f("CDOPEINCCAPA").SetAsString(operador);
    f("OPERINCL").SetAsString(nomeOperador);
    f("CDOPERESPBEMNOV").SetAsString(destino.responsavel);
}

}  // namespace zmt02600
