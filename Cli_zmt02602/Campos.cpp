// The batch dialog's operation and new-location fields: plain edits, checked against the local
// database when they are left, named beside them, and picked from lists.
#include "Cli_zmt02602/TfrmCadAuto.h"

#include "Cli_zmt02600/Auxiliares.h"

#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

namespace zmt02602 {

using namespace orv;
using zmt02600::Normalise;
using zmt02600::Run;

namespace {

bool Digit(ushort c) { return c >= '0' && c <= '9'; }
bool Control(ushort c) { return c == 8 || c == 9 || c == 13; }

void DigitsOnly(QChar& key) {
    const ushort c = key.unicode();
    if (!Digit(c) && !Control(c)) key = QChar();
}

QString Field(const TDataSet& ds, const char* name) { return ds.FieldByName(QString::fromLatin1(name)).AsString(); }

// A stop: the focus goes to the edit, the message is shown and the handler ends (MensErro throws).
void Stop(const TfrmCadAuto& dialog, QWidget* edit, const char* key) {
    FocusControl(edit);
    MensErro(dialog.Msg(QString::fromLatin1(key)));
}

}  // namespace


void TfrmCadAuto::dbeCdFilialNovoKeyPress(QChar& key) {
    const ushort c = key.unicode();
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!Digit(c) && !letter && !Control(c) && !(c >= 37 && c <= 40)) key = QChar();
}
void TfrmCadAuto::dbeCdCentCustNovoKeyPress(QChar& key) { DigitsOnly(key); }
void TfrmCadAuto::dbeCdSetorNovoKeyPress(QChar& key) { DigitsOnly(key); }
void TfrmCadAuto::dbeCdOperNovoKeyPress(QChar& key) { DigitsOnly(key); }

void TfrmCadAuto::dbeCdTipoOperChange() {
    // A new type invalidates the motive.
    dbeNmTipoOper->clear();
    dbeCDMOTIVOOPER->clear();
    dbeNmMotivoOper->clear();
}
void TfrmCadAuto::dbeCdFilialNovoChange() { dbeNmFilialNovo->clear(); }
void TfrmCadAuto::dbeCdCentCustNovoChange() { dbeNmCentCustNovo->clear(); }
void TfrmCadAuto::dbeCdSetorNovoChange() {
    dbeNmSetorNovo->clear();
    dbeRespSetorNovo->clear();
}
void TfrmCadAuto::dbeCdOperNovoChange() { dbeNmOperNovo->clear(); }

void TfrmCadAuto::depDataExit() { depData->CheckValidDate(); }

void TfrmCadAuto::dbeCdTipoOperExit() {
    if (dbeCdTipoOper->text().isEmpty()) return;
    Normalise(dbeCdTipoOper, 6);
    if (!Run(qryVdTipoOper, {{"P_CDEMPRESA", Empresa()}, {"P_CDTIPOOPERBEM", dbeCdTipoOper->text()}}))
        Stop(*this, dbeCdTipoOper, "TIPOOPER_CAD");
    dbeNmTipoOper->setText(Field(qryVdTipoOper, "NMTIPOOPERBEM"));
}

void TfrmCadAuto::dbeCDMOTIVOOPERExit() {
    if (dbeCDMOTIVOOPER->text().isEmpty()) return;
    if (dbeCdTipoOper->text().isEmpty()) Stop(*this, dbeCdTipoOper, "TIPOOPER_INF");
    Normalise(dbeCDMOTIVOOPER, 6);
    if (!Run(qryVdMotivoOper, {{"P_CDEMPRESA", Empresa()},
                               {"P_CDTIPOOPERBEM", dbeCdTipoOper->text()},
                               {"P_CDMOTIVOOPER", dbeCDMOTIVOOPER->text()}}))
        Stop(*this, dbeCDMOTIVOOPER, "MOTIVOOPER_CAD");
    dbeNmMotivoOper->setText(Field(qryVdMotivoOper, "NMMOTIVOOPER"));
}

void TfrmCadAuto::dbeCdFilialNovoExit() {
    Normalise(dbeCdFilialNovo, 4);
    if (dbeCdFilialNovo->text().isEmpty()) return;
    if (!Run(qryVd_Filial, {{"P_CDFILIAL", dbeCdFilialNovo->text()}})) Stop(*this, dbeCdFilialNovo, "FILIAL_INV");
    dbeNmFilialNovo->setText(Field(qryVd_Filial, "NMFILIAL"));
}

void TfrmCadAuto::dbeCdCentCustNovoExit() {
    if (dbeCdFilialNovo->text().isEmpty() && !dbeCdCentCustNovo->text().isEmpty()) Stop(*this, dbeCdFilialNovo, "FILIAL_INF");
    if (dbeCdCentCustNovo->text().isEmpty()) return;
    Normalise(dbeCdCentCustNovo, 4);
    if (!Run(qryVd_PesqCentCust, {{"P_CDFILIAL", dbeCdFilialNovo->text()}, {"P_CDCENTCUST", dbeCdCentCustNovo->text()}}))
        Stop(*this, dbeCdCentCustNovo, "CENTCUST_INV");
    dbeNmCentCustNovo->setText(Field(qryVd_PesqCentCust, "NMCENTCUST"));
}

void TfrmCadAuto::dbeCdSetorNovoExit() {
    if (dbeCdSetorNovo->text().isEmpty()) return;
    if (dbeCdCentCustNovo->text().isEmpty()) Stop(*this, dbeCdCentCustNovo, "CENTCUST_INF");
    Normalise(dbeCdSetorNovo, 4);
    if (!Run(qryVd_Setor, {{"P_CDCENTCUST", dbeCdCentCustNovo->text()}, {"P_CDSETOR", dbeCdSetorNovo->text()}}))
        Stop(*this, dbeCdSetorNovo, "SETOR_INV");
    dbeNmSetorNovo->setText(Field(qryVd_Setor, "NMSETOR"));
    dbeRespSetorNovo->setText(Field(qryVd_Setor, "OPERRESPSETOR"));
}

void TfrmCadAuto::dbeCdOperNovoExit() {
    if (dbeCdOperNovo->text().isEmpty()) return;
    Normalise(dbeCdOperNovo, 12);
    if (!Run(qryVd_Responsavel, {{"P_CDOPERADOR", dbeCdOperNovo->text()}})) Stop(*this, dbeCdOperNovo, "OP_N_CAD");
    dbeNmOperNovo->setText(Field(qryVd_Responsavel, "NMOPERADOR"));
}

// --- lookups: the list prepared before, the chosen row copied after ----------------------------

void TfrmCadAuto::btnPesqTipoOperBeforePesq(bool&) { Run(qryPesqTipoOper, {{"P_CDEMPRESA", Empresa()}}); }

void TfrmCadAuto::btnPesqTipoOperAfterPesq() {
    dbeCdTipoOper->setText(Field(qryPesqTipoOper, "CDTIPOOPERBEM"));
    dbeNmTipoOper->setText(Field(qryPesqTipoOper, "NMTIPOOPERBEM"));
}

void TfrmCadAuto::btnPesqMotivoOperBeforePesq(bool&) {
    if (dbeCdTipoOper->text().isEmpty()) Stop(*this, dbeCdTipoOper, "TIPOOPER_INF");
    Run(qryPesqMotivoOper, {{"P_CDEMPRESA", Empresa()}, {"P_CDTIPOOPERBEM", dbeCdTipoOper->text()}});
}

void TfrmCadAuto::btnPesqMotivoOperAfterPesq() {
    dbeCDMOTIVOOPER->setText(Field(qryPesqMotivoOper, "CDMOTIVOOPER"));
    dbeNmMotivoOper->setText(Field(qryPesqMotivoOper, "NMMOTIVOOPER"));
}

void TfrmCadAuto::btpFilialBeforePesq(bool&) { Run(qryPesqFilial, {{"P_CDEMPRESA", Empresa()}}); }

void TfrmCadAuto::btpFilialAfterPesq() {
    dbeCdFilialNovo->setText(Field(qryPesqFilial, "CDFILIAL"));
    dbeNmFilialNovo->setText(Field(qryPesqFilial, "NMFILIAL"));
}

void TfrmCadAuto::btpCentCustBeforePesq(bool&) {
    if (dbeCdFilialNovo->text().isEmpty()) Stop(*this, dbeCdFilialNovo, "FILIAL_INF");
    Run(qryPesqCentCust, {{"P_CDFILIAL", dbeCdFilialNovo->text()}});
}

void TfrmCadAuto::btpCentCustAfterPesq() {
    dbeCdCentCustNovo->setText(Field(qryPesqCentCust, "CDCENTCUST"));
    dbeNmCentCustNovo->setText(Field(qryPesqCentCust, "NMCENTCUST"));
}

void TfrmCadAuto::btpSetorBeforePesq(bool&) {
    if (dbeCdCentCustNovo->text().isEmpty()) Stop(*this, dbeCdCentCustNovo, "CENTCUST_INF");
    Run(qryPesqSetor, {{"P_CDCENTCUST", dbeCdCentCustNovo->text()}});
}

void TfrmCadAuto::btpSetorAfterPesq() {
    dbeCdSetorNovo->setText(Field(qryPesqSetor, "CDSETOR"));
    dbeNmSetorNovo->setText(Field(qryPesqSetor, "NMSETOR"));
    dbeRespSetorNovo->setText(Field(qryPesqSetor, "OPERRESPSETOR"));
}

void TfrmCadAuto::btpRespBemBeforePesq(bool&) { Run(qryPesqResponsavel, {}); }

void TfrmCadAuto::btpRespBemAfterPesq() {
    dbeCdOperNovo->setText(Field(qryPesqResponsavel, "CDOPERADOR"));
    dbeNmOperNovo->setText(Field(qryPesqResponsavel, "NMOPERADOR"));
}

}  // namespace zmt02602
