// The transfer record: server-issued numbers on insert, the date rules, the checks and the
// completion of the fields before a record is posted, and the name displays after it.
#include "Cli_zmt02600/Auxiliares.h"
#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Host.h"
#include "orv/Packet.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

#include <QScopedValueRollback>

namespace zmt02600 {

using namespace orv;

namespace {

const QString kSimulacao = QStringLiteral("R");

// A sequence number as text: the server answers a string of ten digits.
QString NumberText(const nlohmann::json& value) {
    if (value.is_string()) return QString::fromStdString(value.get<std::string>());
    if (value.is_number_integer()) return QStringLiteral("%1").arg(value.get<long long>(), 10, 10, QLatin1Char('0'));
    return QString();
}

}  // namespace

void TFrmTransferenciaFisica::cdsCapaBeforeInsert() { mnuFormularioClick(); }

void TFrmTransferenciaFisica::cdsCapaAfterInsert() {
    try {
        BusyGuard busy(1);
        // A failed call is reported and the insert is given up: a record without its numbers
        // could only be refused at confirmation.
        const QString capa = NumberText(CheckResultServ(Server().PrxCapaOperaBem(Empresa(), kSimulacao)));
        cdsCapa.FieldByName(QStringLiteral("NRSEQCAPAOPEBEM")).SetAsString(capa);
        BusyGuard busyItem(1);
        const QString item = NumberText(CheckResultServ(Server().PrxItCapaOperaBem(Empresa(), kSimulacao, capa)));
        cdsCapa.FieldByName(QStringLiteral("NRSEQITCAPAOPE")).SetAsString(item);
    } catch (...) {
        // The failure was shown; the list that the cancel scrolls back to may call the same
        // unreachable server, and the clerk needs to read it once.
        QuietServerErrors quiet;
        try {
            cdsCapa.Cancel();
        } catch (const EAbort&) {
        }
        throw;
    }
}

void TFrmTransferenciaFisica::depDataTransfExit() {
    // Only a date being typed is checked: a stored transfer dated before a later depreciation
    // must not keep the focus in the edit while browsing.
    if (EditingOrInserting() && !depDataTransf->IsEmpty()) VdDataTransferencia(false);
}

void TFrmTransferenciaFisica::VdDataTransferencia(bool soVazio) {
    if (soVazio) {
        if (depDataTransf->IsEmpty()) {
            FocusControl(depDataTransf);
            MensErro(Msg(QStringLiteral("DTOPER_INF")));
        }
        return;
    }
    depDataTransf->CheckValidDate();
    {
        BusyGuard busy(6);
        cdsVdDtultDep.SetData(CheckResultServ(
            Server().GetDtultdep(Empresa(), cdsBemAtivo.FieldByName(QStringLiteral("CDBEMATIVO")).AsString())));
    }
    const TField& dep = cdsVdDtultDep.FieldByName(QStringLiteral("DTULTDEPBEM"));
    // The same day as the last depreciation is accepted.
    if (!cdsVdDtultDep.IsEmpty() && !dep.IsNull() && depDataTransf->GetDate() < dep.AsDateTime().date()) {
        FocusControl(depDataTransf);
        MensErro(Msg(QStringLiteral("DTULTDEP")));
    }
}

void TFrmTransferenciaFisica::Vd_Localiza() {
    TField& novo = cdsCapa.FieldByName(QStringLiteral("CDFILIALITCNOVO"));
    if (cdsCapa.FieldByName(QStringLiteral("CDFILIALITCANTE")).AsString() == novo.AsString()) {
        novo.SetAsString(QString());
        FocusControl(dbeCdFilialNovo);
        MensErro(Msg(QStringLiteral("LOC_REP")));
    }
}

void TFrmTransferenciaFisica::vd_Valores() {
    if (dbeCdFilialNovo->text() == dbeCdFilialAnte->text() && dbeCdCentCustNovo->text() == dbeCdCentCustAnte->text() &&
        dbeCdSetorNovo->text() == dbeCdSetorAnte->text() && dbeCdOperNovo->text() == dbeCdOperAnte->text()) {
        FocusControl(dbeCdFilialNovo);
        MensErro(Msg(QStringLiteral("SEM_MUDAR")));
    }
}

void TFrmTransferenciaFisica::cdsCapaBeforePost() {
    // The checks, in this order: the first that fails wins.
    depDataTransf->CheckValidDate();
    VdDataTransferencia(true);
    Vd_CdTipoOper(true);
    Vd_CdMotivoOper(true);
    Vd_Filial(QStringLiteral("Tipo 1"));
    Vd_Localiza();
    if (EditingOrInserting()) {
        Vd_CentroCusto(QStringLiteral("Tipo 1"));
        Vd_Setor(QStringLiteral("Tipo 1"));
        Vd_Responsavel(QStringLiteral("Tipo 1"));
    }
    vd_serie();
    vd_notafiscal();
    if (cdsCapa.FieldByName(QStringLiteral("NMFANTCLIE")).AsString().isEmpty())
        cdsCapa.FieldByName(QStringLiteral("CDCLIENTE")).Clear();
    depDataTransf->CheckValidDate();
    {
        // A missing asset sends the focus to its edit to point at the fault: no return to the
        // panel, which would ask whether to drop the record.
        const QScopedValueRollback<bool> conferindo(conferindoBem_, true);
        Vd_Bem(true);
    }
    vd_Valores();
    cdsVd_Insert.SetData(CheckResultServ(Server().GetVd_Insert(Empresa(), StCdBemAtivo)));
    const TField& lastOp = cdsVd_Insert.FieldByName(QStringLiteral("DTCAPAOPEBEM"));
    if (!cdsVd_Insert.IsEmpty() && !lastOp.IsNull() && depDataTransf->GetDate() < lastOp.AsDateTime().date()) {
        FocusControl(depDataTransf);
        MensErro(Msg(QStringLiteral("DT_MAIOR")));
    }

    // Completion of the fields.
    const bool inserting = cdsCapa.State() == DataSetState::Insert;
    auto f = [this](const char* name) -> TField& { return cdsCapa.FieldByName(QString::fromLatin1(name)); };
    auto bem = [this](const char* name) { return cdsBemAtivo.FieldByName(QString::fromLatin1(name)).Value(); };

    f("DTCAPAOPEBEM").SetAsDateTime(WallClock(depDataTransf->GetDate()));
    f("CDEMPRESA").SetAsString(Empresa());
    f("IDSITCAPAOPER").SetAsString(QStringLiteral("2"));
    f("IDIDENTCAPAOPER").SetAsString(QStringLiteral("03"));
    f("CDBEMATIVO").SetAsString(StCdBemAtivo);
    f("QTMESDEPBEM").SetValue(bem("QTMESDEPBEM"));
    f("VRAQUIBEMATIVO").SetValue(bem("VRAQUIBEMATIVO"));
    f("VRINIDEPBEM").SetValue(bem("VRINIDEPBEM"));
    f("QTATUABEMATIVO").SetValue(bem("QTATUABEMATIVO"));
    if (inserting) {
        // A physical transfer changes the location, not the quantity or the depreciation.
        f("QTITCAPAOPEANTE").SetValue(f("QTATUABEMATIVO").Value());
        f("QTMESDEPITCANTE").SetValue(f("QTMESDEPBEM").Value());
        f("VRTAXDEPITCANTE").SetValue(bem("VRTAXANODEPBEM"));
    }
    f("QTITCAPAOPENOVO").SetValue(f("QTATUABEMATIVO").Value());
    f("VRITCAPAOPERA").SetValue(f("VRINIDEPBEM").Value());
    f("QTMESDEPITCNOVO").SetValue(f("QTMESDEPBEM").Value());
    f("VRTAXDEPITCNOVO").SetValue(bem("VRTAXANODEPBEM"));
    // An edit corrects where the last transfer took the asset; where it came from stays as
    // stored, or the history would lose a move and undoing it would restore the wrong place.
    PreencheDestino(cdsCapa,
                    {dbeCdFilialNovo->text(), dbeCdCentCustNovo->text(), dbeCdSetorNovo->text(), dbeCdOperNovo->text()},
                    inserting);
}

void TFrmTransferenciaFisica::cdsCapaAfterPost() {
    auto refresh = [this](QLineEdit* edit, const char* field) {
        edit->setText(cdsCapa.FieldByName(QString::fromLatin1(field)).AsString());
    };
    refresh(dbeCdFilialNovo, "CDFILIALITCNOVO");
    Vd_Filial(QStringLiteral("Tipo 2"));
    refresh(dbeCdCentCustNovo, "CDCENTCUITCNOVO");
    Vd_CentroCusto(QStringLiteral("Tipo 2"));
    refresh(dbeCdSetorNovo, "CDSETORITCNOVO");
    Vd_Setor(QStringLiteral("Tipo 2"));
    refresh(dbeCdOperNovo, "CDOPERESPBEMNOV");
    Vd_Responsavel(QStringLiteral("Tipo 2"));
}

}  // namespace zmt02600
