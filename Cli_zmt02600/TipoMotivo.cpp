// Operation type and motive: their validators, edits, lookups and the display of the
// operation identity.
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

namespace zmt02600 {

using namespace orv;

void TFrmTransferenciaFisica::Vd_CdTipoOper(bool obrigatorio) {
    if (obrigatorio && dbeCdTipoOper->text().isEmpty()) {
        FocusControl(dbeCdTipoOper);
        MensErro(Msg(QStringLiteral("TIPOOPER_INF")));
    }
    if (dbeCdTipoOper->text().isEmpty()) return;
    // The normalised code goes into the record first, so a refused code stays in that form.
    cdsCapa.FieldByName(QStringLiteral("CDTIPOOPERBEM")).SetAsString(Ajusta(dbeCdTipoOper->text(), 6));
    qryVdTipoOper.Close();
    qryVdTipoOper.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(Empresa());
    qryVdTipoOper.ParamByName(QStringLiteral("P_CDTIPOOPERBEM")).SetAsString(dbeCdTipoOper->text());
    qryVdTipoOper.Open();
    if (qryVdTipoOper.IsEmpty()) {
        FocusControl(dbeCdTipoOper);
        MensErro(Msg(QStringLiteral("TIPOOPER_CAD")));
    }
    dbeNmTipoOper->setText(qryVdTipoOper.FieldByName(QStringLiteral("NMTIPOOPERBEM")).AsString());
    dbeIdTipoOper->setText(Msg(QStringLiteral("TRANSFERENCIA_FISICA")));
}

void TFrmTransferenciaFisica::Vd_CdMotivoOper(bool obrigatorio) {
    if (obrigatorio) {
        if (dbeCdTipoOper->text().isEmpty()) {
            FocusControl(dbeCdTipoOper);
            MensErro(Msg(QStringLiteral("TIPOOPER_INF")));
        }
        if (dbeCdMotivoOper->text().isEmpty()) {
            FocusControl(dbeCdMotivoOper);
            MensErro(Msg(QStringLiteral("MOTIVOOPER_INF")));
        }
    }
    if (dbeCdMotivoOper->text().isEmpty()) return;
    cdsCapa.FieldByName(QStringLiteral("CDMOTIVOOPER")).SetAsString(Ajusta(dbeCdMotivoOper->text(), 6));
    qryVdMotivoOper.Close();
    qryVdMotivoOper.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(Empresa());
    qryVdMotivoOper.ParamByName(QStringLiteral("P_CDTIPOOPERBEM")).SetAsString(dbeCdTipoOper->text());
    qryVdMotivoOper.ParamByName(QStringLiteral("P_CDMOTIVOOPER")).SetAsString(dbeCdMotivoOper->text());
    qryVdMotivoOper.Open();
    if (qryVdMotivoOper.IsEmpty()) {
        FocusControl(dbeCdMotivoOper);
        MensErro(Msg(QStringLiteral("MOTIVOOPER_CAD")));
    }
    dbeNmMotivoOper->setText(qryVdMotivoOper.FieldByName(QStringLiteral("NMMOTIVOOPER")).AsString());
}

void TFrmTransferenciaFisica::dbeCdTipoOperExit() {
    if (EditingOrInserting()) Vd_CdTipoOper(false);
}

void TFrmTransferenciaFisica::dbeCdMotivoOperExit() {
    if (!EditingOrInserting()) return;
    if (!dbeCdTipoOper->text().isEmpty()) {
        Vd_CdMotivoOper(false);
    } else if (!dbeCdMotivoOper->text().isEmpty()) {
        FocusControl(dbeCdTipoOper);
        MensErro(Msg(QStringLiteral("TIPOOPER_INF")));
    }
}

void TFrmTransferenciaFisica::dbeCdTipoOperChange() {
    if (!EditingOrInserting()) return;
    dbeNmTipoOper->clear();
    dbeIdTipoOper->clear();
}

void TFrmTransferenciaFisica::dbeCdMotivoOperChange() {
    if (EditingOrInserting()) dbeNmMotivoOper->clear();
}

void TFrmTransferenciaFisica::dbeCdTipoOperKeyPress(QChar& key) { DigitKeyFilter(key); }
void TFrmTransferenciaFisica::dbeCdMotivoOperKeyPress(QChar& key) { DigitKeyFilter(key); }

void TFrmTransferenciaFisica::btnPesqTipoOperBeforePesq(bool&) {
    qryPesqTipoOper.Close();
    qryPesqTipoOper.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(Empresa());
    qryPesqTipoOper.Open();
}

void TFrmTransferenciaFisica::btnPesqTipoOperAfterPesq() {
    EnsureEditing();
    dbeCdTipoOper->setText(qryPesqTipoOper.FieldByName(QStringLiteral("CDTIPOOPERBEM")).AsString());
    dbeNmTipoOper->setText(qryPesqTipoOper.FieldByName(QStringLiteral("NMTIPOOPERBEM")).AsString());
    dbeIdTipoOper->setText(Msg(QStringLiteral("TRANSFERENCIA_FISICA")));
}

void TFrmTransferenciaFisica::btnPesqMotivoOperBeforePesq(bool&) {
    if (dbeCdTipoOper->text().isEmpty()) {
        FocusControl(dbeCdTipoOper);
        MensErro(Msg(QStringLiteral("TIPOOPER_INF")));
    }
    qryPesqMotivoOper.Close();
    qryPesqMotivoOper.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(Empresa());
    qryPesqMotivoOper.ParamByName(QStringLiteral("P_CDTIPOOPERBEM")).SetAsString(dbeCdTipoOper->text());
    qryPesqMotivoOper.Open();
}

void TFrmTransferenciaFisica::btnPesqMotivoOperAfterPesq() {
    EnsureEditing();
    dbeCdMotivoOper->setText(qryPesqMotivoOper.FieldByName(QStringLiteral("CDMOTIVOOPER")).AsString());
    dbeNmMotivoOper->setText(qryPesqMotivoOper.FieldByName(QStringLiteral("NMMOTIVOOPER")).AsString());
}

void TFrmTransferenciaFisica::cdsCapaIDIDENTCAPAOPERGetText(TField& field, QString& text, bool) {
    text = field.AsString() == QLatin1String("03") ? Msg(QStringLiteral("TRANSFERENCIA_FISICA")) : QString();
}

void TFrmTransferenciaFisica::cdsCapaIDIDENTCAPAOPERSetText(TField& field, const QString& text) {
    // Clearing the display never clears the stored identity.
    if (text == Msg(QStringLiteral("TRANSFERENCIA_FISICA"))) field.SetAsString(QStringLiteral("03"));
}

}  // namespace zmt02600
