// The invoice of a transfer: series check, invoice description and search, and the display of
// the recipient's registration number.
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Format.h"
#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

namespace zmt02600 {

using namespace orv;

void TFrmTransferenciaFisica::vd_serie() {
    if (!EditingOrInserting() || dbeNF->text().isEmpty()) return;
    const TField& serie = cdsCapa.FieldByName(QStringLiteral("CDSERIENFITCAPA"));
    const QVariant old = serie.OldValue();
    if (old.isValid() && old.toString() == serie.AsString()) return;  // unchanged: no call
    BusyGuard busy(6);
    if (dbeCdFilialNovo->text().isEmpty()) {
        FocusControl(dbeCdFilialNovo);
        dbeNF->clear();
        MensErro(Msg(QStringLiteral("FILIAL_INF")));
    }
    // The rows are not examined: an unknown series is accepted; only a server failure stops.
    cdsVDserie.SetData(CheckResultServ(Server().GetVDSerie(
        cdsCapa.FieldByName(QStringLiteral("CDFILIALITCNOVO")).AsString(), dbeNF->text())));
}

void TFrmTransferenciaFisica::vd_notafiscal() {
    dbeDescriNF->clear();
    if (dbeNrNota->text().isEmpty()) return;
    cdsPesqNF.SetData(CheckResultServ(Server().GetPesqNF(
        dbeNrNota->text(), cdsCapa.FieldByName(QStringLiteral("CDFILIALITCNOVO")).AsString(), dbeNF->text(),
        cdsCapa.FieldByName(QStringLiteral("CDFILIALITCANTE")).AsString())));
    if (!cdsPesqNF.IsEmpty()) {
        cdsPesqNF.First();
        dbeDescriNF->setText(cdsPesqNF.FieldByName(QStringLiteral("DESCRICAO")).AsString());
    }
}

void TFrmTransferenciaFisica::dbeNFExit() { vd_serie(); }
void TFrmTransferenciaFisica::dbeNrNotaExit() { vd_notafiscal(); }
void TFrmTransferenciaFisica::dbeNrNotaKeyPress(QChar& key) { DigitKeyFilter(key); }

void TFrmTransferenciaFisica::btpPesqNFBeforePesq(bool&) {
    cdsPesqNF.SetData(CheckResultServ(Server().GetPesqNF(
        QStringLiteral("T"), cdsCapa.FieldByName(QStringLiteral("CDFILIALITCNOVO")).AsString(), dbeNF->text(),
        cdsCapa.FieldByName(QStringLiteral("CDFILIALITCANTE")).AsString())));
}

void TFrmTransferenciaFisica::btpPesqNFAfterPesq() {
    // The picked invoice becomes the record's: a pick while browsing starts editing it.
    EnsureEditing();
    cdsCapa.FieldByName(QStringLiteral("NRNOTAFIITCAPA")).SetAsString(cdsPesqNF.FieldByName(QStringLiteral("NRLANCTONF")).AsString());
    cdsCapa.FieldByName(QStringLiteral("CDSERIENFITCAPA")).SetAsString(cdsPesqNF.FieldByName(QStringLiteral("CDSERIE")).AsString());
    dbeDescriNF->setText(cdsPesqNF.FieldByName(QStringLiteral("DESCRICAO")).AsString());
}

void TFrmTransferenciaFisica::cdsCapaNRINSJURCLIEGetText(TField& field, QString& text, bool) {
    const QString mask = PictPess(cdsCapa.FieldByName(QStringLiteral("IDTPIJURCLIE")).AsString());
    text = mask.isEmpty() ? field.AsString() : FormatMaskText(mask, field.AsString());
}

void TFrmTransferenciaFisica::cdsCapaIDSITCAPAOPERGetText(TField& field, QString& text, bool) {
    text = field.IsNull() ? QString() : Msg(field.AsString());
}

}  // namespace zmt02600
