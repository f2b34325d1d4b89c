// Cost-centre apportionment of the current transfer item: the grid of branch / cost-centre
// shares, each row saved on the server as soon as it is posted or deleted, and the 100 % rule.
#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

#include <QScopedValueRollback>

namespace zmt02600 {

using namespace orv;

namespace {

const QString kFilial = QStringLiteral("CDFILICCUST");
const QString kCentCust = QStringLiteral("CDCENTCUSBEM");
const QString kValor = QStringLiteral("VRRATEBEM");
const QString kFormatoValor = QStringLiteral("#,##0.00%");

bool Changing(const TDataSet& ds) { return ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert; }

}  // namespace

QString TFrmTransferenciaFisica::RateioColuna() const {
    const TField* field = dbgRateio->SelectedField();
    return field ? field->FieldName() : QString();
}

void TFrmTransferenciaFisica::FocaColunaRateio(const QString& field) {
    FocusControl(dbgRateio);
    QStringList fields;
    for (int i = 0; i < dbgRateio->ColumnCount(); ++i) fields << dbgRateio->Columns(i).FieldName;
    const int column = IndiceCol(fields, field);
    if (column >= 0) dbgRateio->SetSelectedIndex(column);
}

void TFrmTransferenciaFisica::atualiza_rateio() {
    BusyGuard busy(1);
    // No saved transfer, no rows: a record being inserted has none on the server yet.
    if (!cdsCapa.Active() || cdsCapa.IsEmpty() || cdsCapa.State() == DataSetState::Insert) {
        cdsRateio.SetData(nullptr);
        return;
    }
    cdsRateio.SetData(CheckResultServ(Server().GetRateio(Empresa(), StCdBemAtivo,
                                                         cdsCapa.FieldByName(QStringLiteral("NRSEQCAPAOPEBEM")).AsString(),
                                                         cdsCapa.FieldByName(QStringLiteral("NRSEQITCAPAOPE")).AsString())));
    HabilitaBotaoLinhas();
}

void TFrmTransferenciaFisica::vd_rateio() {
    if (cdsRateio.FieldByName(kFilial).AsString().isEmpty()) {
        FocaColunaRateio(kFilial);
        MensErro(Msg(QStringLiteral("FILIAL_INF")));
    }
    if (cdsRateio.FieldByName(kCentCust).AsString().isEmpty()) {
        FocaColunaRateio(kCentCust);
        MensErro(Msg(QStringLiteral("CENTCUST_INF")));
    }
    const TField& valor = cdsRateio.FieldByName(kValor);
    if (valor.IsNull()) {
        FocaColunaRateio(kValor);
        MensErro(Msg(QStringLiteral("VRRAT_INF")));
    }
    if (valor.AsFloat() <= 0) {
        FocaColunaRateio(kValor);
        MensErro(Msg(QStringLiteral("VALOR_ZERO")));
    }
}

void TFrmTransferenciaFisica::vd_valor(bool completo) {
    if (!cdsRateio.Active() || cdsRateio.IsEmpty()) return;
    double total = 0;
    for (cdsRateio.First(); !cdsRateio.Eof(); cdsRateio.Next()) total += cdsRateio.FieldByName(kValor).AsFloat();
    // Only the total is rounded, to cents: 3 x 33.333 makes 100.00.
    const double arredondado = RoundDec(total, 2);
    const char* recusa = arredondado > 100.0 ? "RAT_MAIOR" : completo && arredondado < 100.0 ? "RAT_MENOR" : nullptr;
    if (!recusa) return;
    FocaColunaRateio(kValor);
    atualiza_rateio();
    MensErro(Msg(QString::fromLatin1(recusa)));
}

void TFrmTransferenciaFisica::dbgRateioColEnter() {
    const QString coluna = RateioColuna();
    if (coluna == kValor) cdsRateio.FieldByName(kValor).SetDisplayFormat(QString());
    dbgRateio->SetEditing(true);
    if (!Changing(cdsRateio)) return;
    // The cell shows the name field: while typing, it shows the code typed.
    if (coluna == kFilial)
        cdsRateio.FieldByName(QStringLiteral("NMFILIAL")).SetAsString(cdsRateio.FieldByName(kFilial).AsString());
    else if (coluna == kCentCust)
        cdsRateio.FieldByName(QStringLiteral("NMCENTCUST")).SetAsString(cdsRateio.FieldByName(kCentCust).AsString());
}

void TFrmTransferenciaFisica::dbgRateioColExit() {
    // Moving the focus to another column from in here leaves this column again: once is enough.
    if (saindoColunaRateio_) return;
    const QScopedValueRollback<bool> saindo(saindoColunaRateio_, true);
    const QString coluna = RateioColuna();
    if (coluna == kValor) cdsRateio.FieldByName(kValor).SetDisplayFormat(kFormatoValor);
    if (!Changing(cdsRateio)) return;
    TField& filial = cdsRateio.FieldByName(kFilial);
    if (coluna == kFilial && !filial.AsString().isEmpty()) {
        filial.SetAsString(Ajusta(filial.AsString(), 4));
        {
            BusyGuard busy(6);
            cdsVdFilialRat.SetData(CheckResultServ(Server().VdFilialRat(Empresa(), filial.AsString())));
        }
        if (cdsVdFilialRat.IsEmpty() || cdsVdFilialRat.FieldByName(QStringLiteral("CDFILIAL")).AsString().isEmpty()) {
            FocaColunaRateio(kFilial);
            MensErro(Msg(QStringLiteral("FILIAL_INV")));
        }
        filial.SetAsString(cdsVdFilialRat.FieldByName(QStringLiteral("CDFILIAL")).AsString());
        cdsRateio.FieldByName(QStringLiteral("NMFILIAL"))
            .SetAsString(cdsVdFilialRat.FieldByName(QStringLiteral("NMFILIAL")).AsString());
        return;
    }
    TField& centCust = cdsRateio.FieldByName(kCentCust);
    if (coluna == kCentCust && !centCust.AsString().isEmpty()) {
        if (filial.AsString().isEmpty()) {
            FocaColunaRateio(kFilial);
            centCust.Clear();
            MensErro(Msg(QStringLiteral("FILIAL_INF")));
        }
        centCust.SetAsString(Ajusta(centCust.AsString(), 4));
        {
            BusyGuard busy(6);
            cdsVdCentCustRat.SetData(CheckResultServ(Server().VdCentCustRat(centCust.AsString(), filial.AsString())));
        }
        if (cdsVdCentCustRat.IsEmpty() ||
            cdsVdCentCustRat.FieldByName(QStringLiteral("CDCENTCUST")).AsString().isEmpty()) {
            FocaColunaRateio(kCentCust);
            MensErro(Msg(QStringLiteral("CENTCUST_N_CAD")));
        }
        centCust.SetAsString(cdsVdCentCustRat.FieldByName(QStringLiteral("CDCENTCUST")).AsString());
        cdsRateio.FieldByName(QStringLiteral("NMCENTCUST"))
            .SetAsString(cdsVdCentCustRat.FieldByName(QStringLiteral("NMCENTCUST")).AsString());
    }
}

void TFrmTransferenciaFisica::dbgRateioEditButtonClick() {
    const QString coluna = RateioColuna();
    // A pick while browsing changes the current row, or makes the first one.
    auto editar = [this] {
        if (cdsRateio.State() != DataSetState::Browse) return;
        if (cdsRateio.IsEmpty())
            cdsRateio.Insert();
        else
            cdsRateio.Edit();
    };
    if (coluna == kFilial) {
        {
            BusyGuard busy(6);
            cdsVdFilialRat.SetData(CheckResultServ(Server().VdFilialRat(Empresa(), QStringLiteral("T"))));
        }
        if (!Host().Pesquisar(dtsVdFilialRat, Msg(QStringLiteral("FILIAL")) + QLatin1Char('|') + Msg(QStringLiteral("FILI_N_CAD"))))
            return;
        editar();
        cdsRateio.FieldByName(QStringLiteral("NMFILIAL"))
            .SetAsString(cdsVdFilialRat.FieldByName(QStringLiteral("NMFILIAL")).AsString());
        cdsRateio.FieldByName(kFilial).SetAsString(cdsVdFilialRat.FieldByName(QStringLiteral("CDFILIAL")).AsString());
    } else if (coluna == kCentCust) {
        const QString filial = cdsRateio.Active() ? cdsRateio.FieldByName(kFilial).AsString() : QString();
        if (filial.isEmpty()) return;
        {
            BusyGuard busy(6);
            cdsVdCentCustRat.SetData(CheckResultServ(Server().VdCentCustRat(QStringLiteral("T"), filial)));
        }
        if (!Host().Pesquisar(dtsCentCustRat,
                              Msg(QStringLiteral("CENTCUST")) + QLatin1Char('|') + Msg(QStringLiteral("N_CAD_CENT"))))
            return;
        editar();
        cdsRateio.FieldByName(QStringLiteral("NMCENTCUST"))
            .SetAsString(cdsVdCentCustRat.FieldByName(QStringLiteral("NMCENTCUST")).AsString());
        cdsRateio.FieldByName(kCentCust).SetAsString(cdsVdCentCustRat.FieldByName(QStringLiteral("CDCENTCUST")).AsString());
    }
}

void TFrmTransferenciaFisica::dbgRateioDrawColumnCell(int row, const TColumn& column, QString& text) {
    const QString fields[] = {kFilial, kCentCust};
    const int kind = IndiceCol({fields[0], fields[1]}, column.FieldName);
    if (kind < 0) return;  // the share keeps its own drawing
    const QString codigo = AllTrim(cdsRateio.FieldByName(fields[kind]).AsString());
    // The cell being typed into shows the code under its editor.
    const bool celulaEditada = cdsRateio.State() == DataSetState::Browse &&
                               dbgRateio->EditorOpen() &&
                               row == dbgRateio->currentIndex().row() && RateioColuna() == column.FieldName;
    if (celulaEditada || codigo.isEmpty()) {
        text = codigo;
        return;
    }
    text = cdsRateio.FieldByName(kind == 0 ? QStringLiteral("NMFILIAL") : QStringLiteral("NMCENTCUST")).AsString();
}

void TFrmTransferenciaFisica::dbgRateioEnter() { dbgRateioColEnter(); }

void TFrmTransferenciaFisica::dbgRateioExit() { dbgRateioColExit(); }

void TFrmTransferenciaFisica::cdsRateioBeforePost() {
    vd_rateio();
    auto f = [this](const char* name) -> TField& { return cdsRateio.FieldByName(QString::fromLatin1(name)); };
    const QString capa = cdsCapa.FieldByName(QStringLiteral("NRSEQCAPAOPEBEM")).AsString();
    const QString item = cdsCapa.FieldByName(QStringLiteral("NRSEQITCAPAOPE")).AsString();
    f("CDBEMATIVO").SetAsString(StCdBemAtivo);
    f("CDEMPRESA").SetAsString(Empresa());
    f("IDSIMULOPERABEM").SetAsString(QStringLiteral("R"));
    f("NRSEQCAPAOPEBEM").SetAsString(capa);
    f("NRSEQITCAPAOPE").SetAsString(item);
    cdsVdRateio.SetData(CheckResultServ(
        Server().VdRateio(StCdBemAtivo, Empresa(), f("CDFILICCUST").AsString(), f("CDCENTCUSBEM").AsString(), capa, item)));
    // A code typed and not yet left is checked now.
    dbgRateioColExit();
    const bool parMudou = cdsRateio.State() == DataSetState::Insert ||
                          f("CDFILICCUST").AsString() != f("CDFILICCUST").OldValue().toString() ||
                          f("CDCENTCUSBEM").AsString() != f("CDCENTCUSBEM").OldValue().toString();
    if (parMudou && !cdsVdRateio.IsEmpty()) {
        FocaColunaRateio(kFilial);
        MensErro(Msg(QStringLiteral("RATEIO_J_CAD")));
    }
}

void TFrmTransferenciaFisica::cdsRateioAfterPost() {
    // The excess is refused before anything is sent: the server never sees more than 100 %.
    vd_valor(false);
    if (cdsRateio.ChangeCount() > 0) {
        BusyGuard busy(6);
        CheckResultServ(Server().SetRateio(cdsRateio.Delta()));
        CheckResultServ(Server().Atualiza_RatBem(cdsRateio.Data()));
        Host().AtualizaLocalCache({QStringLiteral("RATEIOBEM")});
        if (cdsRateio.LogChanges()) cdsRateio.MergeChangeLog();
    }
    HabilitaBotaoLinhas();
}

void TFrmTransferenciaFisica::cdsRateioAfterDelete() {
    if (cdsRateio.ChangeCount() > 0) {
        BusyGuard busy(6);
        CheckResultServ(Server().SetRateio(cdsRateio.Delta()));
        if (cdsRateio.LogChanges()) cdsRateio.MergeChangeLog();
    }
    HabilitaBotaoLinhas();
}

void TFrmTransferenciaFisica::pgcPadraoChanging(bool&) {
    if (pgcPadrao->currentWidget() == tshRateio) vd_valor(true);
}

void TFrmTransferenciaFisica::pgcPadraoExit() {
    if (pgcPadrao->currentWidget() == tshRateio) vd_valor(true);
}

}  // namespace zmt02600
