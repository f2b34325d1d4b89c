// New location: the four location validators with their modes, the handlers of the new
// location's edits and the four lookups.
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "Cli_zmt02600/Auxiliares.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

#include <initializer_list>
#include <utility>

namespace zmt02600 {

using namespace orv;

namespace {

const QString kTipo1 = QStringLiteral("Tipo 1");
const QString kTipo2 = QStringLiteral("Tipo 2");
const QString kTipo3 = QStringLiteral("Tipo 3");

QString Field(const TDataSet& ds, const char* name) { return ds.FieldByName(QString::fromLatin1(name)).AsString(); }

void LetterDigitKeyFilter(QChar& key) {
    const ushort c = key.unicode();
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == 8 || c == 9 || c == 13 ||
        (c >= 37 && c <= 40))
        return;
    key = QChar();
}

}  // namespace

void TFrmTransferenciaFisica::Vd_Filial(const QString& tipo) {
    Normalise(dbeCdFilialNovo, 4);
    if (tipo == kTipo1) {
        auto report = [this](const char* key) {
            pgcPadrao->SetActivePage(tshFormulario);
            FocusControl(dbeCdFilialNovo);
            MensErro(Msg(QString::fromLatin1(key)));
        };
        if (dbeCdFilialNovo->text().isEmpty()) report("FILIAL_INF");
        if (!Run(qryVd_Filial, {{"P_CDFILIAL", dbeCdFilialNovo->text()}})) report("FILIAL_INV");
        dbeNmFilialNovo->setText(Field(qryVd_Filial, "NMFILIAL"));
    } else if (tipo == kTipo2) {
        if (RunRemembered(qryVd_Filial, {{"P_CDFILIAL", Field(cdsCapa, "CDFILIALITCNOVO")}}))
            dbeNmFilialNovo->setText(Field(qryVd_Filial, "NMFILIAL"));
    } else if (tipo == kTipo3) {
        if (RunRemembered(qryVd_Filial, {{"P_CDFILIAL", Field(cdsCapa, "CDFILIALITCANTE")}}))
            dbeNmFilialAnte->setText(Field(qryVd_Filial, "NMFILIAL"));
    }
}

void TFrmTransferenciaFisica::Vd_CentroCusto(const QString& tipo) {
    Normalise(dbeCdCentCustNovo, 4);
    if (tipo == kTipo1) {
        if (dbeCdCentCustNovo->text().isEmpty()) {
            FocusControl(dbeCdCentCustNovo);
            MensErro(Msg(QStringLiteral("CENTCUST_INF")));
        }
        if (!Run(qryVd_PesqCentCust,
                 {{"P_CDFILIAL", dbeCdFilialNovo->text()}, {"P_CDCENTCUST", dbeCdCentCustNovo->text()}})) {
            FocusControl(dbeCdCentCustNovo);
            MensErro(Msg(QStringLiteral("CENTCUST_INV")));
        }
        dbeNmCentCustNovo->setText(Field(qryVd_PesqCentCust, "NMCENTCUST"));
    } else if (tipo == kTipo2) {
        if (RunRemembered(qryVd_PesqCentCust,
                {{"P_CDFILIAL", dbeCdFilialNovo->text()}, {"P_CDCENTCUST", Field(cdsCapa, "CDCENTCUITCNOVO")}}))
            dbeNmCentCustNovo->setText(Field(qryVd_PesqCentCust, "NMCENTCUST"));
    } else if (tipo == kTipo3) {
        if (RunRemembered(qryVd_PesqCentCust,
                {{"P_CDFILIAL", Field(cdsCapa, "CDFILIALITCANTE")}, {"P_CDCENTCUST", Field(cdsCapa, "CDCENTCUITCANTE")}}))
            dbeNmCentCustAnte->setText(Field(qryVd_PesqCentCust, "NMCENTCUST"));
    }
}

void TFrmTransferenciaFisica::Vd_Setor(const QString& tipo) {
    Normalise(dbeCdSetorNovo, 4);
    if (tipo == kTipo1) {
        if (dbeCdSetorNovo->text().isEmpty()) return;  // the sector is optional
        if (!Run(qryVd_Setor, {{"P_CDCENTCUST", dbeCdCentCustNovo->text()}, {"P_CDSETOR", dbeCdSetorNovo->text()}})) {
            FocusControl(dbeCdSetorNovo);
            MensErro(Msg(QStringLiteral("SETOR_INV")));
        }
        dbeNmSetorNovo->setText(Field(qryVd_Setor, "NMSETOR"));
        dbeRespSetorNovo->setText(Field(qryVd_Setor, "OPERRESPSETOR"));
    } else if (tipo == kTipo2) {
        if (RunRemembered(qryVd_Setor,
                {{"P_CDCENTCUST", Field(cdsCapa, "CDCENTCUITCNOVO")}, {"P_CDSETOR", Field(cdsCapa, "CDSETORITCNOVO")}})) {
            dbeNmSetorNovo->setText(Field(qryVd_Setor, "NMSETOR"));
            dbeRespSetorNovo->setText(Field(qryVd_Setor, "OPERRESPSETOR"));
        }
    } else if (tipo == kTipo3) {
        if (RunRemembered(qryVd_Setor,
                {{"P_CDCENTCUST", Field(cdsCapa, "CDCENTCUITCANTE")}, {"P_CDSETOR", Field(cdsCapa, "CDSETORITCANTE")}})) {
            dbeNmSetorAnte->setText(Field(qryVd_Setor, "NMSETOR"));
            dbeRespSetorAnte->setText(Field(qryVd_Setor, "OPERRESPSETOR"));
        }
    }
}

void TFrmTransferenciaFisica::Vd_Responsavel(const QString& tipo) {
    if (tipo == kTipo1) {
        if (dbeCdOperNovo->text().isEmpty()) return;  // the responsible is optional
        Normalise(dbeCdOperNovo, 12);
        if (!Run(qryVd_Responsavel, {{"P_CDOPERADOR", dbeCdOperNovo->text()}})) {
            FocusControl(dbeCdOperNovo);
            MensErro(Msg(QStringLiteral("OP_N_CAD")));
        }
        dbeNmOperNovo->setText(Field(qryVd_Responsavel, "NMOPERADOR"));
    } else if (tipo == kTipo2) {
        if (RunRemembered(qryVd_Responsavel, {{"P_CDOPERADOR", Field(cdsCapa, "CDOPERESPBEMNOV")}}))
            dbeNmOperNovo->setText(Field(qryVd_Responsavel, "NMOPERADOR"));
    } else if (tipo == kTipo3) {
        if (RunRemembered(qryVd_Responsavel, {{"P_CDOPERADOR", Field(cdsCapa, "CDOPERESPBEMANT")}}))
            dbeNmOperAnte->setText(Field(qryVd_Responsavel, "NMOPERADOR"));
    }
}

void TFrmTransferenciaFisica::dbeCdFilialNovoExit() {
    Normalise(dbeCdFilialNovo, 4);
    if (dbeCdFilialNovo->text().isEmpty()) return;
    if (!Run(qryVd_Filial, {{"P_CDFILIAL", dbeCdFilialNovo->text()}})) {
        FocusControl(dbeCdFilialNovo);
        MensErro(Msg(QStringLiteral("FILIAL_INV")));
    }
    dbeNmFilialNovo->setText(Field(qryVd_Filial, "NMFILIAL"));
}

void TFrmTransferenciaFisica::dbeCdCentCustNovoExit() {
    Normalise(dbeCdCentCustNovo, 4);
    if (!EditingOrInserting()) return;
    const bool branch = !dbeCdFilialNovo->text().isEmpty();
    const bool centre = !dbeCdCentCustNovo->text().isEmpty();
    if (branch && centre) {
        Vd_CentroCusto(kTipo1);
    } else if (!branch && centre) {
        FocusControl(dbeCdFilialNovo);
        MensErro(Msg(QStringLiteral("FILIAL_INF")));
    }
}

void TFrmTransferenciaFisica::dbeCdFilialNovoChange() {
    if (EditingOrInserting()) dbeNmFilialNovo->clear();
}

void TFrmTransferenciaFisica::dbeCdCentCustNovoChange() {
    if (EditingOrInserting()) dbeNmCentCustNovo->clear();
}

void TFrmTransferenciaFisica::dbeCdSetorNovoChange() {
    if (!EditingOrInserting()) return;
    dbeNmSetorNovo->clear();
    dbeRespSetorNovo->clear();
}

void TFrmTransferenciaFisica::dbeCdOperNovoChange() {
    if (EditingOrInserting()) dbeNmOperNovo->clear();
}

void TFrmTransferenciaFisica::dbeCdFilialNovoKeyPress(QChar& key) { LetterDigitKeyFilter(key); }
void TFrmTransferenciaFisica::dbeCdCentCustNovoKeyPress(QChar& key) { DigitKeyFilter(key); }
void TFrmTransferenciaFisica::dbeCdSetorNovoKeyPress(QChar& key) { DigitKeyFilter(key); }
void TFrmTransferenciaFisica::dbeCdOperNovoKeyPress(QChar& key) { DigitKeyFilter(key); }

void TFrmTransferenciaFisica::btpFilialBeforePesq(bool&) {
    Run(qryPesqFilial, {{"P_CDEMPRESA", Empresa()}});
}

void TFrmTransferenciaFisica::btpFilialAfterPesq() {
    EnsureEditing();
    dbeCdFilialNovo->setText(Field(qryPesqFilial, "CDFILIAL"));
    dbeNmFilialNovo->setText(Field(qryPesqFilial, "NMFILIAL"));
}

void TFrmTransferenciaFisica::btpCentCustBeforePesq(bool&) {
    if (dbeCdFilialNovo->text().isEmpty()) {
        FocusControl(dbeCdFilialNovo);
        MensErro(Msg(QStringLiteral("FILIAL_INF")));
    }
    Run(qryPesqCentCust, {{"P_CDFILIAL", dbeCdFilialNovo->text()}});
}

void TFrmTransferenciaFisica::btpCentCustAfterPesq() {
    EnsureEditing();
    dbeCdCentCustNovo->setText(Field(qryPesqCentCust, "CDCENTCUST"));
    dbeNmCentCustNovo->setText(Field(qryPesqCentCust, "NMCENTCUST"));
}

void TFrmTransferenciaFisica::btpSetorBeforePesq(bool&) {
    Vd_CentroCusto(kTipo1);
    Run(qryPesqSetor, {{"P_CDCENTCUST", dbeCdCentCustNovo->text()}});
}

void TFrmTransferenciaFisica::btpSetorAfterPesq() {
    EnsureEditing();
    dbeCdSetorNovo->setText(Field(qryPesqSetor, "CDSETOR"));
    dbeNmSetorNovo->setText(Field(qryPesqSetor, "NMSETOR"));
    dbeRespSetorNovo->setText(Field(qryPesqSetor, "OPERRESPSETOR"));
}

void TFrmTransferenciaFisica::btpRespBemBeforePesq(bool&) {
    qryPesqResponsavel.Close();
    qryPesqResponsavel.Open();
}

void TFrmTransferenciaFisica::btpRespBemAfterPesq() {
    EnsureEditing();
    dbeCdOperNovo->setText(Field(qryPesqResponsavel, "CDOPERADOR"));
    dbeNmOperNovo->setText(Field(qryPesqResponsavel, "NMOPERADOR"));
}

}  // namespace zmt02600
