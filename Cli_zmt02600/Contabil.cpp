// Accounting parameters of the asset: the grid of account type, ledger account and standard
// history, each code checked as it is typed or picked, each row saved on the server as soon as
// it is posted or deleted. The rows belong to the asset, not to the transfer shown.
#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

#include <QScopedValueRollback>

namespace zmt02600 {

using namespace orv;

namespace {

const QString kTipo = QStringLiteral("CDTIPOCONTABEM");
const QString kNmTipo = QStringLiteral("NMTIPOCONTABEM");
const QString kConta = QStringLiteral("CDCONTCTBLBEM");
const QString kNmConta = QStringLiteral("NMCONTCTBL");
const QString kHist = QStringLiteral("CDHISTPADR");
const QString kDsHist = QStringLiteral("DSHISTPADR");
constexpr int kPictConta = 2;  // the ledger account's picture type

bool Changing(const TDataSet& ds) { return ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert; }

// The name a code column fills; empty for the other columns.
QString NomeDoCodigo(const QString& coluna) {
    if (coluna == kTipo) return kNmTipo;
    if (coluna == kConta) return kNmConta;
    if (coluna == kHist) return kDsHist;
    return QString();
}

}  // namespace

QString TFrmTransferenciaFisica::CtblColuna() const {
    const TField* field = dbgCtblBemAtivo->SelectedField();
    return field ? field->FieldName() : QString();
}

void TFrmTransferenciaFisica::FocaColunaCtbl(const QString& field) {
    // The check that moves the focus has its own message: the column left on the way is not
    // checked as well.
    const QScopedValueRollback<bool> focando(saindoColunaCtbl_, true);
    FocusControl(dbgCtblBemAtivo);
    QStringList fields;
    for (int i = 0; i < dbgCtblBemAtivo->ColumnCount(); ++i) fields << dbgCtblBemAtivo->Columns(i).FieldName;
    const int column = IndiceCol(fields, field);
    if (column >= 0) dbgCtblBemAtivo->SetSelectedIndex(column);
}

void TFrmTransferenciaFisica::FalhaCtbl(const QString& field, const char* key) {
    FocaColunaCtbl(field);
    MensErro(Msg(QString::fromLatin1(key)), false);
    Abort();
}

void TFrmTransferenciaFisica::ContagemCtbl(const TDataSet& retorno, const QString& field, const char* naoCadastrado,
                                           const char* jaCadastrado) {
    if (retorno.IsEmpty()) FalhaCtbl(field, naoCadastrado);
    if (retorno.RecordCount() > 1) FalhaCtbl(field, jaCadastrado);
}

void TFrmTransferenciaFisica::Atualiza_CtblBem() {
    {
        BusyGuard busy(6);
        cdsCtblBemAtivo.SetData(CheckResultServ(Server().GetCtblBemAtivo(Empresa(), StCdBemAtivo)));
    }
    HabilitaBotaoLinhas();
}

void TFrmTransferenciaFisica::Vd_TipoConta(bool obrigatorio) {
    TField& tipo = cdsCtblBemAtivo.FieldByName(kTipo);
    TField& nome = cdsCtblBemAtivo.FieldByName(kNmTipo);
    if (EmptyString(tipo.AsString())) {
        if (obrigatorio) FalhaCtbl(kTipo, "TIPOCTBL_INF");
        return;
    }
    try {
        tipo.SetAsString(Ajusta(tipo.AsString(), 6));
        cdsVd_TipoConta.SetData(CheckResultServ(Server().GetVd_TipoConta(Empresa(), tipo.AsString(), StCdBemAtivo)));
        const bool existente = cdsCtblBemAtivo.State() == DataSetState::Edit;
        const bool mudou = !existente || tipo.AsString() != tipo.OldValue().toString();
        // An existing row keeping its type was counted once by the server already.
        if (mudou) ContagemCtbl(cdsVd_TipoConta, kTipo, "TIPOCTBL_N_CAD", "TIPOCTBL_CAD");
        if (cdsVd_TipoConta.IsEmpty()) {
            // The type kept while the server no longer finds it: the row stays as stored.
            tipo.SetAsString(tipo.OldValue().toString());
            nome.SetAsString(nome.OldValue().toString());
            return;
        }
        tipo.SetAsString(cdsVd_TipoConta.FieldByName(kTipo).AsString());
        nome.SetAsString(cdsVd_TipoConta.FieldByName(kNmTipo).AsString());
    } catch (...) {
        FocaColunaCtbl(kTipo);
        throw;
    }
}

void TFrmTransferenciaFisica::Vd_ContCtbl(bool obrigatorio) {
    TField& conta = cdsCtblBemAtivo.FieldByName(kConta);
    TField& nome = cdsCtblBemAtivo.FieldByName(kNmConta);
    if (EmptyString(conta.AsString())) {
        if (obrigatorio) FalhaCtbl(kConta, "CTBL_INF");
        return;
    }
    try {
        // Sent as typed: the server knows the accounts' own form.
        cdsVd_ContCtbl.SetData(CheckResultServ(Server().GetVd_ContCtbl(conta.AsString(), Empresa(), StCdBemAtivo)));
        const bool existente = cdsCtblBemAtivo.State() == DataSetState::Edit;
        if (!existente || conta.AsString() != conta.OldValue().toString()) {
            // The host's own look at the account table; the server's rows decide.
            QString codigo = conta.AsString();
            ValidEx(dtsContCtbl, kPictConta, codigo, {TValidExOption::SemMensagem}, QString(), true);
            ContagemCtbl(cdsVd_ContCtbl, kConta, "CTBL_N_CAD", "CTBL_CAD");
        }
        if (cdsVd_ContCtbl.IsEmpty()) {
            // The account kept while the server no longer finds it: the row stays as stored.
            conta.SetAsString(conta.OldValue().toString());
            nome.SetAsString(nome.OldValue().toString());
            return;
        }
        conta.SetAsString(cdsVd_ContCtbl.FieldByName(QStringLiteral("CDCONTCTBL")).AsString());
        nome.SetAsString(cdsVd_ContCtbl.FieldByName(kNmConta).AsString());
    } catch (...) {
        FocaColunaCtbl(kConta);
        throw;
    }
}

void TFrmTransferenciaFisica::Vd_HistPadr(bool obrigatorio) {
    TField& hist = cdsCtblBemAtivo.FieldByName(kHist);
    if (Changing(cdsCtblBemAtivo)) hist.SetAsString(Ajusta(hist.AsString(), 4));
    const QString codigo = hist.AsString();
    if (EmptyString(codigo)) {
        if (obrigatorio) FalhaCtbl(kHist, "CDHISTPADR_INF");
        return;
    }
    try {
        qryPesqHistPadr.Close();
        qryPesqHistPadr.ParamByName(QStringLiteral("P_TCDHISTPADR")).SetAsString(QString());
        qryPesqHistPadr.ParamByName(QStringLiteral("P_CDHISTPADR")).SetAsString(codigo);
        qryPesqHistPadr.Open();
        if (qryPesqHistPadr.IsEmpty()) FalhaCtbl(kHist, "CDHISTPADR_INV");
        cdsCtblBemAtivo.FieldByName(kDsHist).SetAsString(qryPesqHistPadr.FieldByName(kDsHist).AsString());
    } catch (...) {
        FocaColunaCtbl(kHist);
        throw;
    }
}

void TFrmTransferenciaFisica::dbgCtblBemAtivoEnter() { dbgCtblBemAtivoColEnter(); }

void TFrmTransferenciaFisica::dbgCtblBemAtivoColEnter() {
    const int indice = dbgCtblBemAtivo->SelectedIndex();
    if (indice < 0 || indice >= dbgCtblBemAtivo->ColumnCount()) return;
    TColumn& coluna = dbgCtblBemAtivo->Columns(indice);
    // Only the codes are typed; the names come from their checks.
    coluna.ReadOnly = NomeDoCodigo(coluna.FieldName).isEmpty();
    const DataSetState estado = cdsCtblBemAtivo.State();
    if (coluna.FieldName == kHist && (estado == DataSetState::Insert || estado == DataSetState::Browse))
        coluna.ButtonStyle = TColumnButtonStyle::Ellipsis;
}

void TFrmTransferenciaFisica::dbgCtblBemAtivoColExit() {
    // Moving the focus back from in here leaves this column again: once is enough.
    if (saindoColunaCtbl_) return;
    const QScopedValueRollback<bool> saindo(saindoColunaCtbl_, true);
    if (!Changing(cdsCtblBemAtivo)) return;
    const QString coluna = CtblColuna();
    if (coluna == kTipo)
        Vd_TipoConta(false);
    else if (coluna == kConta)
        Vd_ContCtbl(false);
    else if (coluna == kHist)
        Vd_HistPadr(false);
}

void TFrmTransferenciaFisica::dbgCtblBemAtivoKeyPress(QChar& key) {
    const QString nome = NomeDoCodigo(CtblColuna());
    if (nome.isEmpty()) return;
    const ushort c = key.unicode();
    // Enter and Escape are the grid's commands, not part of a code.
    if (c == '\r' || c == 0x1b) return;
    if (!((c >= '0' && c <= '9') || c == '\b')) {
        key = QChar();
        return;
    }
    if (!cdsCtblBemAtivo.Active()) return;
    // Typing changes the row under the cursor, or makes the first one.
    if (cdsCtblBemAtivo.State() == DataSetState::Browse) {
        if (cdsCtblBemAtivo.IsEmpty())
            cdsCtblBemAtivo.Insert();
        else
            cdsCtblBemAtivo.Edit();
    }
    cdsCtblBemAtivo.FieldByName(nome).Clear();
}

void TFrmTransferenciaFisica::IniciaLinhaCtbl() {
    // A pick while browsing never changes a row already there: it makes a new one.
    if (cdsCtblBemAtivo.State() == DataSetState::Browse) cdsCtblBemAtivo.Insert();
}

void TFrmTransferenciaFisica::dbgCtblBemAtivoEditButtonClick() {
    const QString coluna = CtblColuna();
    if (coluna == kTipo) {
        {
            BusyGuard busy(6);
            cdsPesqTipoContaBem.SetData(CheckResultServ(Server().GetPesqTipoContaBem(Empresa(), StCdBemAtivo)));
        }
        if (!Host().Pesquisar(dtsPesqTipoContaBem,
                              Msg(QStringLiteral("TIPOCONTA")) + QLatin1Char('|') + Msg(QStringLiteral("TIPOCONTA_N_CAD"))))
            return;
        IniciaLinhaCtbl();
        cdsCtblBemAtivo.FieldByName(kTipo).SetAsString(cdsPesqTipoContaBem.FieldByName(kTipo).AsString());
        cdsCtblBemAtivo.FieldByName(kNmTipo).SetAsString(cdsPesqTipoContaBem.FieldByName(kNmTipo).AsString());
    } else if (coluna == kConta) {
        const QString codigo = QStringLiteral("CDCONTCTBL");
        cdsPesqContCtbl.FieldByName(codigo).SetEditMask(DBPict(kPictConta));
        {
            BusyGuard busy(6);
            cdsPesqContCtbl.SetData(CheckResultServ(Server().GetPesqContCtbl(Empresa(), StCdBemAtivo)));
        }
        if (!Host().Pesquisar(dtsPesqContCtbl,
                              Msg(QStringLiteral("CONTCTBL")) + QLatin1Char('|') + Msg(QStringLiteral("CONTCTBL_N_CAD"))))
            return;
        IniciaLinhaCtbl();
        cdsCtblBemAtivo.FieldByName(kConta).SetAsString(cdsPesqContCtbl.FieldByName(codigo).AsString());
        cdsCtblBemAtivo.FieldByName(kNmConta).SetAsString(cdsPesqContCtbl.FieldByName(kNmConta).AsString());
    } else if (coluna == kHist) {
        qryPesqHistPadr.Close();
        qryPesqHistPadr.ParamByName(QStringLiteral("P_TCDHISTPADR")).SetAsString(QStringLiteral("T"));
        qryPesqHistPadr.ParamByName(QStringLiteral("P_CDHISTPADR")).SetAsString(QString());
        qryPesqHistPadr.Open();
        if (!Host().Pesquisar(dtsHistPadr, Msg(QStringLiteral("HISTPADR")))) return;
        IniciaLinhaCtbl();
        cdsCtblBemAtivo.FieldByName(kHist).SetAsString(qryPesqHistPadr.FieldByName(kHist).AsString());
        cdsCtblBemAtivo.FieldByName(kDsHist).SetAsString(qryPesqHistPadr.FieldByName(kDsHist).AsString());
    }
}

void TFrmTransferenciaFisica::cdsCtblBemAtivoBeforePost() {
    Vd_TipoConta(true);
    Vd_ContCtbl(true);
    Vd_HistPadr(true);
    const QString operador = Host().Operador();
    if (cdsCtblBemAtivo.State() == DataSetState::Insert) {
        cdsCtblBemAtivo.FieldByName(QStringLiteral("CDEMPRESA")).SetAsString(Empresa());
        cdsCtblBemAtivo.FieldByName(QStringLiteral("CDBEMATIVO")).SetAsString(StCdBemAtivo);
        cdsCtblBemAtivo.FieldByName(QStringLiteral("CDOPEINCCTBLBEM")).SetAsString(operador);
    }
    cdsCtblBemAtivo.FieldByName(QStringLiteral("CDOPEATUCTBLBEM")).SetAsString(operador);
}

void TFrmTransferenciaFisica::SalvaCtblBem() {
    if (cdsCtblBemAtivo.ChangeCount() > 0) {
        BusyGuard busy(6);
        CheckResultServ(Server().SetCtblBemAtivo(cdsCtblBemAtivo.Delta()));
        if (cdsCtblBemAtivo.LogChanges()) cdsCtblBemAtivo.MergeChangeLog();
    }
    HabilitaBotaoLinhas();
}

void TFrmTransferenciaFisica::cdsCtblBemAtivoAfterPost() { SalvaCtblBem(); }

void TFrmTransferenciaFisica::cdsCtblBemAtivoAfterDelete() { SalvaCtblBem(); }

}  // namespace zmt02600
