// The batch itself: the checks of the confirmation, one transfer record per selected asset with
// its own server numbers, and the whole batch sent in one delta.
#include "Cli_zmt02602/TfrmCadAuto.h"

#include "Cli_zmt02600/Auxiliares.h"
#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Host.h"
#include "orv/NetConnection.h"
#include "orv/Packet.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

#include <QElapsedTimer>
#include <QProgressDialog>

#include <memory>

namespace zmt02602 {

using namespace orv;

namespace {

const QString kSimulacao = QStringLiteral("R");

// Past this many assets the building shows its progress: each one costs two server calls.
constexpr int kProgressoAPartirDe = 30;

QString NumberText(const nlohmann::json& value) {
    if (value.is_string()) return QString::fromStdString(value.get<std::string>());
    if (value.is_number_integer()) return QStringLiteral("%1").arg(value.get<long long>(), 10, 10, QLatin1Char('0'));
    return QString();
}

// "Building N of M assets", with a way out; the main window keeps being painted meanwhile.
class Progresso {
public:
    Progresso(TfrmCadAuto& dialog, int total) : dialog_(dialog), total_(total) {
        if (total_ <= kProgressoAPartirDe) return;
        box_ = std::make_unique<QProgressDialog>(&dialog);
        box_->setObjectName(QStringLiteral("pgrGeracao"));
        box_->setWindowTitle(dialog.Msg(QStringLiteral("PROGRESSO_TIT")));
        box_->setCancelButtonText(dialog.Msg(QStringLiteral("PROGRESSO_CANC")));
        box_->setWindowModality(Qt::WindowModal);
        box_->setMinimumDuration(0);
        box_->setRange(0, total_);
        relogio_.start();
        Show(0);
    }
    // Before the asset number `feitos + 1`; false once the clerk asked to stop. Repainted a few
    // times a second, not per asset: the building must not wait for the window.
    bool Show(int feitos) {
        if (!box_) return true;
        if (feitos == 0 || relogio_.elapsed() >= 100) {
            box_->setLabelText(dialog_.Msg(QStringLiteral("PROGRESSO")).arg(feitos).arg(total_));
            box_->setValue(feitos);
            relogio_.restart();
        }
        return !box_->wasCanceled();
    }

private:
    TfrmCadAuto& dialog_;
    int total_;
    std::unique_ptr<QProgressDialog> box_;
    QElapsedTimer relogio_;
};

}  // namespace

void TfrmCadAuto::sbtConfirmaClick() {
    // 1. What must be given.
    auto exige = [this](bool falta, QWidget* control, const char* key) {
        if (!falta) return;
        FocusControl(control);
        MensErro(Msg(QString::fromLatin1(key)));
    };
    exige(rbtGrupoBLista->isChecked() && stListaGrupo.isEmpty(), rbtGrupoBLista, "GRUPO_BEM_INF");
    exige(rbtBemLista->isChecked() && stListaBem.isEmpty(), rbtBemLista, "BEM_INF");
    exige(dbeCdTipoOper->text().isEmpty(), dbeCdTipoOper, "TIPOOPER_INF");
    exige(dbeCDMOTIVOOPER->text().isEmpty(), dbeCDMOTIVOOPER, "MOTIVOOPER_INF");
    exige(dbeCdFilialNovo->text().isEmpty(), dbeCdFilialNovo, "FILIAL_INF");
    exige(dbeCdCentCustNovo->text().isEmpty(), dbeCdCentCustNovo, "CENTCUST_INF");

    // 2. A fresh working set: what an earlier attempt built is dropped with its numbers.
    cdsCapa.Cancel();
    if (cdsCapa.Active())
        cdsCapa.EmptyDataSet();
    else
        cdsCapa.CreateDataSet();
    ignorados_ = 0;

    const QString filiais = rbtTodosFil->isChecked() ? QStringLiteral("T") : stListaFil;
    auto abre = [this](const QString& grupos, const QString& bens, const QString& filiais) {
        qryBensListados.Close();
        qryBensListados.ParamByName(QStringLiteral("P_CDEMPRESA")).SetAsString(Empresa());
        qryBensListados.ParamByName(QStringLiteral("P_CDGRUPOS")).SetAsString(grupos);
        qryBensListados.ParamByName(QStringLiteral("P_CDBEMATIVO")).SetAsString(bens);
        qryBensListados.ParamByName(QStringLiteral("P_CDFILIAL")).SetAsString(filiais);
        qryBensListados.Open();
    };
    if (rbtBemLista->isChecked()) {
        // 4. In list order; the group choice does not apply here.
        const QStringList codigos = stListaBem.split(QLatin1Char('_'), Qt::SkipEmptyParts);
        Progresso progresso(*this, static_cast<int>(codigos.size()));
        ReservaNumeros(static_cast<int>(codigos.size()));
        for (int i = 0; i < codigos.size(); ++i) {
            if (!progresso.Show(i)) Abort();
            abre(QStringLiteral("T"), codigos[i], filiais);
            // No row, no asset: such an asset gets no record, and the clerk is told after the send.
            if (qryBensListados.IsEmpty()) {
                ++ignorados_;
                continue;
            }
            GeraRegistro();
        }
    } else {
        // 5. Every asset the choice covers, in code order.
        abre(rbtGrupoBtodos->isChecked() ? QStringLiteral("T") : stListaGrupo, rbtBemTodos->isChecked() ? QStringLiteral("T") : stListaBem,
             filiais);
        Progresso progresso(*this, qryBensListados.RecordCount());
        ReservaNumeros(qryBensListados.RecordCount());
        int feitos = 0;
        for (qryBensListados.First(); !qryBensListados.Eof(); qryBensListados.Next()) {
            if (!progresso.Show(feitos++)) Abort();
            GeraRegistro();
        }
    }

    // 7. One delta, all of it or nothing on the server.
    {
        BusyGuard busy(6);
        nlohmann::json delta = cdsCapa.Delta();
        nlohmann::json segundo;
        CheckResultServ(FrmTransferenciaFisica->Server().SetConfirmar(delta, segundo), true, 0);
    }
    FrmTransferenciaFisica->sbtVerificar->Click();
    if (ignorados_ > 0) Host().ShowMessage(Msg(QStringLiteral("BENS_IGNORADOS")).arg(ignorados_));
    accept();
}

void TfrmCadAuto::ReservaNumeros(int quantidade) {
    reservados_ = 0;
    if (quantidade <= 0) return;
    // Two calls instead of two per asset; numbers of assets left out stay unused, as the numbers
    // of a cancelled insert do. A number the server could not give stops the batch.
    contracts::IRdmTransFisica& server = FrmTransferenciaFisica->Server();
    const QString n = QString::number(quantidade);
    BusyGuard busy(1);
    proxCapa_ = NumberText(CheckResultServ(server.PrxFaixaCapaOperaBem(Empresa(), kSimulacao, n))).toLongLong();
    proxItem_ = NumberText(CheckResultServ(server.PrxFaixaItCapaOperaBem(Empresa(), kSimulacao, n))).toLongLong();
    reservados_ = quantidade;
}

void TfrmCadAuto::GeraRegistro() {
    auto f = [this](const char* name) -> TField& { return cdsCapa.FieldByName(QString::fromLatin1(name)); };
    auto q = [this](const char* name) { return qryBensListados.FieldByName(QString::fromLatin1(name)).Value(); };
    contracts::IRdmTransFisica& server = FrmTransferenciaFisica->Server();
    const QString empresa = Empresa();

    cdsCapa.Append();
    f("CDEMPRESA").SetAsString(empresa);
    // A number the server could not give stops the batch: a record without one cannot be sent.
    auto ten = [](qint64 v) { return QStringLiteral("%1").arg(v, 10, 10, QLatin1Char('0')); };
    if (reservados_ > 0) {
        --reservados_;
        f("NRSEQCAPAOPEBEM").SetAsString(ten(proxCapa_++));
        f("NRSEQITCAPAOPE").SetAsString(ten(proxItem_++));
    } else {
        const QString capa = NumberText(CheckResultServ(server.PrxCapaOperaBem(empresa, kSimulacao)));
        f("NRSEQCAPAOPEBEM").SetAsString(capa);
        f("NRSEQITCAPAOPE").SetAsString(NumberText(CheckResultServ(server.PrxItCapaOperaBem(empresa, kSimulacao, capa))));
    }
    f("DTCAPAOPEBEM").SetAsDateTime(WallClock(depData->GetDate()));
    f("CDTIPOOPERBEM").SetAsString(dbeCdTipoOper->text());
    f("CDMOTIVOOPER").SetAsString(dbeCDMOTIVOOPER->text());
    f("IDIDENTCAPAOPER").SetAsString(QStringLiteral("03"));
    f("CDBEMATIVO").SetValue(q("CDBEMATIVO"));
    f("IDSITCAPAOPER").SetAsString(QStringLiteral("2"));
    f("CDFILIALITCANTE").SetValue(q("CDFILIAL"));
    f("QTMESDEPBEM").SetValue(q("QTMESDEPBEM"));
    f("VRAQUIBEMATIVO").SetValue(q("VRAQUIBEMATIVO"));
    f("VRINIDEPBEM").SetValue(q("VRINIDEPBEM"));
    f("QTATUABEMATIVO").SetValue(q("QTATUABEMATIVO"));
    // A physical transfer moves the whole quantity and keeps the depreciation.
    f("QTITCAPAOPEANTE").SetValue(q("QTATUABEMATIVO"));
    f("QTMESDEPITCANTE").SetValue(q("QTMESDEPBEM"));
    f("VRTAXDEPITCANTE").SetValue(q("VRTAXANODEPBEM"));
    f("QTITCAPAOPENOVO").SetValue(q("QTATUABEMATIVO"));
    f("VRITCAPAOPERA").SetValue(q("VRINIDEPBEM"));
    f("QTMESDEPITCNOVO").SetValue(q("QTMESDEPBEM"));
    f("VRTAXDEPITCNOVO").SetValue(q("VRTAXANODEPBEM"));
    zmt02600::PreencheDestino(
        cdsCapa, {dbeCdFilialNovo->text(), dbeCdCentCustNovo->text(), dbeCdSetorNovo->text(), dbeCdOperNovo->text()},
        true);
    cdsCapa.Post();
}

void TfrmCadAuto::cdsCapaBeforePost() {
    TField& novo = cdsCapa.FieldByName(QStringLiteral("CDFILIALITCNOVO"));
    if (cdsCapa.FieldByName(QStringLiteral("CDFILIALITCANTE")).AsString() != novo.AsString()) return;
    // An asset already in the new branch stops the whole batch: none is skipped silently.
    novo.SetAsString(QString());
    FocusControl(dbeCdFilialNovo);
    MensErro(Msg(QStringLiteral("LOC_REP")));
}

}  // namespace zmt02602
