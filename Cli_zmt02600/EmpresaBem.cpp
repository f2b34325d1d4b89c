// Company and asset selection: the panel above the pages, the transfer list and the previous
// location of a new transfer.
#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

#include <QDate>

namespace zmt02600 {

using namespace orv;

void TFrmTransferenciaFisica::btpEmpresaBeforePesq(bool& proceed) {
    if (!CancelaInclusaoPendente()) {
        proceed = false;
        return;
    }
    qryEmpresa.Close();
    qryEmpresa.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(QString());
    qryEmpresa.ParamByName(QStringLiteral("P_TCDEMPRESA")).SetAsString(QStringLiteral("T"));
    qryEmpresa.Open();
}

void TFrmTransferenciaFisica::btpEmpresaAfterPesq() {
    medEmpresa->setText(qryEmpresa.FieldByName(QStringLiteral("CDEMPRESA")).AsString());
    edtNmEmpresa->setText(qryEmpresa.FieldByName(QStringLiteral("NMEMPRESA")).AsString());
}

void TFrmTransferenciaFisica::Vd_Empresa() {
    if (EmptyString(medEmpresa->text())) {
        FocusControl(medEmpresa);
        MensErro(Msg(QStringLiteral("EMPRESA_INF")));
    }
    const QString adjusted = Ajusta(medEmpresa->text(), 2);
    if (medEmpresa->text() != adjusted) medEmpresa->setText(adjusted);
    qryEmpresa.Close();
    qryEmpresa.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(medEmpresa->text());
    qryEmpresa.ParamByName(QStringLiteral("P_TCDEMPRESA")).SetAsString(QString());
    qryEmpresa.Open();
    if (qryEmpresa.IsEmpty()) {
        FocusControl(medEmpresa);
        MensErro(Msg(QStringLiteral("EMPRESA_CAD")));
    }
    edtNmEmpresa->setText(qryEmpresa.FieldByName(QStringLiteral("NMEMPRESA")).AsString());
}

void TFrmTransferenciaFisica::medEmpresaChange() {
    edtNmEmpresa->clear();
    medBem->clear();
    edtNmBem->clear();
    sbtCadAut->setEnabled(false);
}

void TFrmTransferenciaFisica::medEmpresaKeyPress(QChar& key) {
    const ushort c = key.unicode();
    if ((c >= '0' && c <= '9') || c == 8) return;
    key = QChar();
}

void TFrmTransferenciaFisica::medEmpresaExit() {
    Vd_Empresa();
    const DataSetState s = dtsPadrao.State();
    sbtCadAut->setEnabled((s == DataSetState::Inactive || s == DataSetState::Browse) && !medEmpresa->text().isEmpty());
}

void TFrmTransferenciaFisica::Vd_Bem(bool obrigatorio) {
    if (obrigatorio && EmptyString(medBem->text())) {
        FocusControl(medBem);
        MensErro(Msg(QStringLiteral("NRBEM_INF")));
    }
    if (EmptyString(medBem->text())) return;
    {
        BusyGuard busy(6);
        cdsBemAtivo.SetData(CheckResultServ(Server().GetBemAtivo(Empresa(), medBem->text(), QString())));
    }
    if (cdsBemAtivo.IsEmpty()) {
        FocusControl(medBem);
        MensErro(Msg(QStringLiteral("NRBEM_CAD")));
    }
    edtNmBem->setText(cdsBemAtivo.FieldByName(QStringLiteral("NMBEMATIVO")).AsString());
    StCdBemAtivo = cdsBemAtivo.FieldByName(QStringLiteral("CDBEMATIVO")).AsString();
}

void TFrmTransferenciaFisica::btpBemClick() {
    if (!CancelaInclusaoPendente()) return;
    Vd_Empresa();
    {
        BusyGuard busy(6);
        PacketsAsText text;
        cdsBemAtivo.SetData(CheckResultServ(Server().GetBemAtivo(Empresa(), QString(), QStringLiteral("T"))));
    }
    const QString title = Msg(QStringLiteral("BEMATIVO")) + QLatin1Char('|') + Msg(QStringLiteral("BEMATIVONCAD"));
    if (!Host().Pesquisar(dtsBem, title)) return;
    FocusControl(medBem);
    StCdBemAtivo = cdsBemAtivo.FieldByName(QStringLiteral("CDBEMATIVO")).AsString();
    medBem->setText(cdsBemAtivo.FieldByName(QStringLiteral("CDPATRIBEMATIVO")).AsString());
    // The name last: changing the asset code clears it.
    edtNmBem->setText(cdsBemAtivo.FieldByName(QStringLiteral("NMBEMATIVO")).AsString());
}

void TFrmTransferenciaFisica::medBemChange() { edtNmBem->clear(); }

void TFrmTransferenciaFisica::medBemKeyPress(QChar& key) { DigitKeyFilter(key); }

void TFrmTransferenciaFisica::medBemExit() {
    Vd_Empresa();
    Vd_Bem(false);
}

void TFrmTransferenciaFisica::panEmpresaExit() {
    Vd_Empresa();
    Vd_Bem(true);
    sbtVerificarClick();
    pgcPadraoChange();
}

void TFrmTransferenciaFisica::CarregaAnte() {
    cdsCarregaAnte.SetData(
        CheckResultServ(Server().CarregaAnte(cdsBemAtivo.FieldByName(QStringLiteral("CDBEMATIVO")).AsString())));
    if (cdsCarregaAnte.IsEmpty()) return;
    cdsVd_Insert.SetData(CheckResultServ(Server().GetVd_Insert(Empresa(), StCdBemAtivo)));

    // Never propose a date before the asset's last operation.
    const QDate today = QDate::currentDate();
    const TField& last = cdsVd_Insert.FieldByName(QStringLiteral("DTCAPAOPEBEM"));
    const QDate lastDate = last.IsNull() ? QDate() : last.AsDateTime().date();
    depDataTransf->SetDate(!lastDate.isValid() || today >= lastDate ? today : lastDate);

    auto copy = [this](const char* field, const char* from) {
        cdsCapa.FieldByName(QString::fromLatin1(field))
            .SetAsString(cdsCarregaAnte.FieldByName(QString::fromLatin1(from)).AsString());
    };
    auto name = [this](const char* from) { return cdsCarregaAnte.FieldByName(QString::fromLatin1(from)).AsString(); };
    copy("CDFILIALITCANTE", "CDFILIAL");
    dbeNmFilialAnte->setText(name("NMFILIAL"));
    copy("CDCENTCUITCANTE", "CDCENTCUST");
    dbeNmCentCustAnte->setText(name("NMCENTCUST"));
    copy("CDSETORITCANTE", "CDSETOR");
    dbeNmSetorAnte->setText(name("NMSETOR"));
    copy("CDOPERESPBEMANT", "CDOPERADOR");
    dbeNmOperAnte->setText(name("NMOPERADOR"));
}

void TFrmTransferenciaFisica::sbtVerificarClick() {
    // A reload would drop the record being inserted or edited; it waits for its confirmation.
    if (cdsCapa.State() == DataSetState::Insert || cdsCapa.State() == DataSetState::Edit) return;
    // The names shown beside each row are looked up afresh for the new list, then remembered.
    for (TADOIBQuery* q : {&qryVd_Filial, &qryVd_PesqCentCust, &qryVd_Setor, &qryVd_Responsavel}) q->ForgetResults();
    const QString current = cdsCapa.Active() && !cdsCapa.IsEmpty()
                                ? cdsCapa.FieldByName(QStringLiteral("NRSEQCAPAOPEBEM")).AsString()
                                : QString();
    {
        BusyGuard busy(6);
        PacketsAsText text;
        cdsCapa.SetData(CheckResultServ(Server().GetCapa(Empresa(), StCdBemAtivo)));
    }
    if (!current.isEmpty()) cdsCapa.Locate(QStringLiteral("NRSEQCAPAOPEBEM"), current, loCaseInsensitive);
}

}  // namespace zmt02600
