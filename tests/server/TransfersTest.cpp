// Confirming, editing and deleting transfers: where the asset ends up, and that a refused
// write leaves the database exactly as it was.

#include "tests/server/Harness.h"

#include "orv/Messages.h"
#include "orv/Routines.h"
#include "tests/support/Fixture.h"

namespace srvtest {
namespace {

using namespace fx;

class ServerTransfers : public ServerTest {};

int TransferRows(Harness& h, const QString& bem) {
    return erptest::QueryValue(h.db(), QStringLiteral("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDBEMATIVO = ?"), {bem}).toInt();
}

bool HeaderStored(Harness& h, const QString& capa) {
    return erptest::QueryValue(h.db(), QStringLiteral("SELECT COUNT(*) FROM CAPAOPERABEM WHERE CDEMPRESA = ? AND NRSEQCAPAOPEBEM = ?"),
                               {kEmpresa, capa})
               .toInt() == 1;
}

void ExpectAt(Harness& h, const QString& bem, const server::Location& where) {
    const server::Location at = h.AssetAt(bem);
    EXPECT_EQ(at.filial, where.filial) << bem.toStdString();
    EXPECT_EQ(at.centCust, where.centCust) << bem.toStdString();
    EXPECT_EQ(at.setor, where.setor) << bem.toStdString();
    EXPECT_EQ(at.oper, where.oper) << bem.toStdString();
}

TEST_P(ServerTransfers, ConfirmMovesTheAssetAndDeletingTheLastPutsItBack) {
    TransferRow t{kMesa, kMesaAt, kEmSaoPaulo};
    h().MustConfirm(t);
    ExpectAt(h(), kMesa, kEmSaoPaulo);
    const auto item = erptest::QueryRows(
        h().db(),
        QStringLiteral("SELECT I.CDFILIALITCANTE, I.CDCENTCUITCANTE, I.CDSETORITCANTE, I.CDOPERESPBEMANT,"
                       "       I.CDFILIALITCNOVO, I.CDSETORITCNOVO, I.IDSIMULOPERABEM, I.NRSEQOPERABEM, C.DTCAPAOPEBEM,"
                       "       C.IDSITCAPAOPER, C.CDTIPOOPERBEM, I.DTINCITCAPAOPER"
                       "  FROM ITCAPAOPERABEM I JOIN CAPAOPERABEM C"
                       "    ON C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM"
                       " WHERE I.CDEMPRESA = ? AND I.NRSEQCAPAOPEBEM = ? AND I.NRSEQITCAPAOPE = ?"),
        {kEmpresa, t.capa, t.item});
    ASSERT_EQ(item.size(), 1);
    const QVariantList& r = item[0];
    EXPECT_EQ(Str(r[0]), kMatriz);
    EXPECT_EQ(Str(r[1]), kAdm);
    EXPECT_EQ(Str(r[2]), kContab);
    EXPECT_EQ(Str(r[3]), kMaria);
    EXPECT_EQ(Str(r[4]), kSaoPaulo);
    EXPECT_EQ(Str(r[5]), kExped);
    EXPECT_EQ(Str(r[6]), QLatin1String("R"));
    EXPECT_EQ(Str(r[7]).size(), 10);
    EXPECT_EQ(erptest::Canonical(r[8]), QLatin1String("2026-11-16"));
    EXPECT_EQ(Str(r[9]), QLatin1String("2"));
    EXPECT_EQ(Str(r[10]), kTipoTransf);
    EXPECT_FALSE(r[11].isNull());
    QString bem = kMesa;
    EXPECT_TRUE(orv::ParsePacket(h().app().CarregaAnte(bem).value).rows.size() == 1);

    const auto deleted = h().app().SetTransFisica(DeleteDelta(h().Transfers(kMesa), t.capa));
    ASSERT_TRUE(deleted.ok) << Why(deleted);
    ExpectAt(h(), kMesa, kMesaAt);
    EXPECT_EQ(TransferRows(h(), kMesa), 0);
    EXPECT_FALSE(HeaderStored(h(), t.capa));
}

TEST_P(ServerTransfers, AnAssetWithoutLocationGoesBackToNowhere) {
    TransferRow t{kTorno, {}, kEmSaoPaulo};
    h().MustConfirm(t);
    ExpectAt(h(), kTorno, kEmSaoPaulo);
    ASSERT_TRUE(h().app().SetTransFisica(DeleteDelta(h().Transfers(kTorno), t.capa)).ok);
    ExpectAt(h(), kTorno, {});
    EXPECT_TRUE(orv::ParsePacket(h().app().CarregaAnte(kTorno).value).rows.empty());
}

TEST_P(ServerTransfers, OnlyTheLastTransferCanBeChangedOrDeleted) {
    TransferRow first{kMesa, kMesaAt, kEmSaoPaulo};
    h().MustConfirm(first);
    TransferRow second{kMesa, kEmSaoPaulo, kNoNorte};
    h().MustConfirm(second);
    const QString before = h().Snapshot();

    const auto refused = h().app().SetTransFisica(DeleteDelta(h().Transfers(kMesa), first.capa));
    EXPECT_TRUE(RefusedWith(refused, QString::fromUtf8(
                                         "Operação Bloqueada. Só é permitido excluir a última Transferência Física cadastrada.")));
    EXPECT_EQ(h().Snapshot(), before);

    orv::TDataSet cds;
    OpenTransferRecord(cds, h().Transfers(kMesa));
    ASSERT_TRUE(cds.Locate(QStringLiteral("NRSEQCAPAOPEBEM"), first.capa));
    cds.Edit();
    cds.FieldByName("CDSETORITCNOVO").SetAsString(QString());
    cds.Post();
    EXPECT_TRUE(RefusedWith(h().app().SetTransFisica(cds.Delta()),
                            QString::fromUtf8("Só é permitido alterar a última transferência física do bem.")));
    EXPECT_EQ(h().Snapshot(), before);

    // The screen shows the refusal and ends the operation.
    EXPECT_THROW(orv::CheckResultServ(refused), orv::EAbort);
    ASSERT_FALSE(h().host().messages.isEmpty());
    EXPECT_TRUE(h().host().messages.last().startsWith(QString::fromUtf8("Operação Bloqueada.")));

    // Deleting the last one makes the older one the last; a second client's delete of the
    // same transfer, from the list it read before, finds it gone.
    const orv::Packet deleteSecond = DeleteDelta(h().Transfers(kMesa), second.capa);
    ASSERT_TRUE(h().app().SetTransFisica(deleteSecond).ok);
    ExpectAt(h(), kMesa, kEmSaoPaulo);
    const QString afterDelete = h().Snapshot();
    EXPECT_TRUE(RefusedWith(h().app().SetTransFisica(deleteSecond),
                            QString::fromUtf8("A transferência %1 não existe mais.").arg(second.capa)));
    EXPECT_EQ(h().Snapshot(), afterDelete);
}

TEST_P(ServerTransfers, InsertRefusalsWriteNothing) {
    struct Case {
        const char* why;
        TransferRow row;
        QString message;
    };
    TransferRow noBem{QString(), kMesaAt, kEmSaoPaulo};
    TransferRow unknownBem{QStringLiteral("0000000999"), kMesaAt, kEmSaoPaulo};
    TransferRow otherCompany{kEmpilhadeira, {kFilialDois, kProd, {}, {}}, kEmSaoPaulo};
    TransferRow wrongPlace{kMesa, kArmarioAt, kEmSaoPaulo};
    TransferRow noBranch{kMesa, kMesaAt, {QString(), kLog, kExped, kJoao}};
    TransferRow unknownBranch{kMesa, kMesaAt, {QStringLiteral("XX99"), kLog, kExped, kJoao}};
    TransferRow noCentre{kMesa, kMesaAt, {kSaoPaulo, QString(), kExped, kJoao}};
    TransferRow centreOfAnotherBranch{kMesa, kMesaAt, {kSaoPaulo, kAdm, kExped, kJoao}};
    TransferRow noDate{kMesa, kMesaAt, kEmSaoPaulo};
    noDate.nullDate = true;
    TransferRow otherKind{kMesa, kMesaAt, kEmSaoPaulo};
    otherKind.tipo = kTipoAquis;  // an acquisition is no physical transfer
    TransferRow unknownMotive{kMesa, kMesaAt, kEmSaoPaulo};
    unknownMotive.motivo = QStringLiteral("999999");
    TransferRow unknownClient{kMesa, kMesaAt, kEmSaoPaulo};
    unknownClient.cliente = QStringLiteral("999");
    TransferRow noNumbers{kMesa, kMesaAt, kEmSaoPaulo};
    noNumbers.capa = QStringLiteral(" ");
    noNumbers.item = QStringLiteral(" ");
    TransferRow sameBranch{kMesa, kMesaAt, {kMatriz, kProd, kManut, kJoao}};
    TransferRow foreignBranch{kMesa, kMesaAt, {kFilialDois, kProd, {}, {}}};
    TransferRow capaNotHandedOut{kMesa, kMesaAt, kEmSaoPaulo};
    capaNotHandedOut.capa = QStringLiteral("9999999999");
    TransferRow itemZero{kMesa, kMesaAt, kEmSaoPaulo};
    itemZero.item = QStringLiteral("0000000000");
    const std::vector<Case> cases = {
        {"no asset", noBem, QString::fromUtf8("Bem deve ser informado.")},
        {"unknown asset", unknownBem, QString::fromUtf8("Bem 0000000999 não cadastrado.")},
        {"asset of another company", otherCompany, QString::fromUtf8("não pertence à empresa 01")},
        {"asset not where the client saw it", wrongPlace, QString::fromUtf8("foi movimentado por outro usuário")},
        {"no new branch", noBranch, QString::fromUtf8("Filial deve ser informada.")},
        {"unknown new branch", unknownBranch, QString::fromUtf8("Filial não cadastrada.")},
        {"no cost centre", noCentre, QString::fromUtf8("Centro de Custo deve ser informado.")},
        {"cost centre of another branch", centreOfAnotherBranch, QString::fromUtf8("Centro de custo não cadastrado.")},
        {"null date", noDate, QString::fromUtf8("Data da Operação deve ser informada.")},
        {"no numbers", noNumbers, QString::fromUtf8("Transferência sem número")},
        {"type of another kind", otherKind, QString::fromUtf8("Tipo de operação não cadastrado.")},
        {"unknown motive", unknownMotive, QString::fromUtf8("Motivo de operação não cadastrado.")},
        {"unknown recipient", unknownClient, QString::fromUtf8("Cliente não cadastrado.")},
        {"same branch as now", sameBranch, QString::fromUtf8("Localização atual não pode ser igual anterior.")},
        {"branch of another company", foreignBranch, QString::fromUtf8("A filial 0201 não pertence à empresa 01.")},
        {"header number above the counter", capaNotHandedOut,
         QString::fromUtf8("Número de transferência 9999999999 não foi fornecido pelo servidor.")},
        {"item number zero", itemZero,
         QString::fromUtf8("Número de item de transferência 0000000000 não foi fornecido pelo servidor.")},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.why);
        h().Number(c.row, h().app());
        const QString before = h().Snapshot();
        EXPECT_TRUE(RefusedWith(h().Confirm(c.row), c.message));
        EXPECT_EQ(h().Snapshot(), before);
    }

    // A header number confirmed twice: the second is refused and the first stays as it was.
    TransferRow once{kMesa, kMesaAt, kEmSaoPaulo};
    h().MustConfirm(once);
    TransferRow again{kCadeira, kMesaAt, kEmSaoPaulo};
    again.capa = once.capa;
    h().Number(again, h().app());
    const QString before = h().Snapshot();
    EXPECT_TRUE(RefusedWith(h().Confirm(again), QString::fromUtf8("A transferência %1 já foi gravada.").arg(once.capa)));
    EXPECT_EQ(h().Snapshot(), before);

    // A value longer than its column, which a client data set would have cut.
    TransferRow overlong{kArmario, kArmarioAt, kEmSaoPaulo};
    h().Number(overlong, h().app());
    orv::Packet delta = InsertDelta({overlong});
    SetOnWire(delta, "IDIDENTCAPAOPER", std::string(100007, 'X'));
    nlohmann::json second = nullptr;
    const QString numbered = h().Snapshot();
    EXPECT_TRUE(RefusedWith(h().app().SetConfirmar(delta, second),
                            QString::fromUtf8("O campo IDIDENTCAPAOPER aceita no máximo 2 caracteres.")));
    EXPECT_EQ(h().Snapshot(), numbered);
}

TEST_P(ServerTransfers, OperationDateMustBeSetAndNotBeforeThePreviousOne) {
    TransferRow first{kMesa, kMesaAt, kEmSaoPaulo, QDate(2026, 11, 16)};
    h().MustConfirm(first);

    TransferRow earlier{kMesa, kEmSaoPaulo, kNoNorte, QDate(2026, 11, 15)};
    h().Number(earlier, h().app());
    const QString before = h().Snapshot();
    EXPECT_TRUE(RefusedWith(h().Confirm(earlier),
                            QString::fromUtf8("Data da operação não pode ser menor que a última data de operação.")));
    EXPECT_EQ(h().Snapshot(), before);

    TransferRow sameDay{kMesa, kEmSaoPaulo, kNoNorte, QDate(2026, 11, 16)};
    h().MustConfirm(sameDay);
    ExpectAt(h(), kMesa, kNoNorte);

    // An edit obeys the same rules, against the transfer before the one edited.
    auto editDate = [this](const QVariant& date) {
        orv::TDataSet cds;
        OpenTransferRecord(cds, h().Transfers(kMesa));
        cds.Last();
        cds.Edit();
        cds.FieldByName("DTCAPAOPEBEM").SetValue(date);
        cds.Post();
        return h().app().SetTransFisica(cds.Delta());
    };
    const QString edited = h().Snapshot();
    EXPECT_TRUE(RefusedWith(editDate(QVariant()), QString::fromUtf8("Data da Operação deve ser informada.")));
    EXPECT_TRUE(RefusedWith(editDate(QDateTime(QDate(2026, 11, 15), QTime(0, 0))),
                            QString::fromUtf8("Data da operação não pode ser menor que a última data de operação.")));
    EXPECT_EQ(h().Snapshot(), edited);
    ASSERT_TRUE(editDate(QDateTime(QDate(2026, 11, 18), QTime(0, 0))).ok);
    const auto back = editDate(QDateTime(QDate(2026, 11, 16), QTime(0, 0)));  // earlier than itself, not than the previous
    EXPECT_TRUE(back.ok) << Why(back);
}

TEST_P(ServerTransfers, StaleBatchWritesNothingAtAll) {
    // Batch records carry only the previous branch; the server fills in the rest.
    TransferRow a{kMesa, {kMatriz, {}, {}, {}}, kEmSaoPaulo};
    TransferRow b{kArmario, {kNorte, {}, {}, {}}, kEmSaoPaulo};  // the asset is in Matriz: stale
    TransferRow c{kArquivo, {kMatriz, {}, {}, {}}, kEmSaoPaulo};
    for (TransferRow* row : {&a, &b, &c}) h().Number(*row, h().app());
    const QString before = h().Snapshot();
    nlohmann::json delta = InsertDelta({a, b, c});
    nlohmann::json second = nullptr;
    EXPECT_TRUE(RefusedWith(h().app().SetConfirmar(delta, second),
                            QString::fromUtf8("O bem %1 foi movimentado por outro usuário").arg(kArmario)));
    EXPECT_EQ(h().Snapshot(), before);

    b.ante.filial = kMatriz;
    delta = InsertDelta({a, b, c});
    const auto ok = h().app().SetConfirmar(delta, second);
    ASSERT_TRUE(ok.ok) << Why(ok);
    ExpectAt(h(), kMesa, kEmSaoPaulo);
    ExpectAt(h(), kArmario, kEmSaoPaulo);
    ExpectAt(h(), kArquivo, kEmSaoPaulo);
    // The stored previous location is the whole one, so an undo restores all of it.
    orv::TDataSet cds;
    OpenTransferRecord(cds, h().Transfers(kArmario));
    ASSERT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(cds.FieldByName("CDCENTCUITCANTE").AsString(), kProd);
    EXPECT_EQ(cds.FieldByName("CDSETORITCANTE").AsString(), kManut);
    EXPECT_EQ(cds.FieldByName("CDOPERESPBEMANT").AsString(), kJoao);
    ASSERT_TRUE(h().app().SetTransFisica(DeleteDelta(h().Transfers(kArmario), b.capa)).ok);
    ExpectAt(h(), kArmario, kArmarioAt);
}

TEST_P(ServerTransfers, AnEditKeepsTheStoredOriginSoTheUndoReturnsThere) {
    TransferRow t{kMesa, kMesaAt, kEmSaoPaulo};
    h().MustConfirm(t);

    // The screen rewrites the whole record on an edit, previous location included: a made-up
    // one is ignored, and the new branch is checked against the stored origin.
    TransferRow edited = t;
    edited.ante = {QStringLiteral("ZZZZ"), QStringLiteral("9999"), kManut, kJoao};
    auto edit = [&](const server::Location& destination) {
        orv::TDataSet cds;
        OpenTransferRecord(cds, h().Transfers(kMesa));
        cds.Last();
        cds.Edit();
        edited.novo = destination;
        FillRecord(cds, edited);
        cds.Post();
        return h().app().SetTransFisica(cds.Delta());
    };
    const QString before = h().Snapshot();
    EXPECT_TRUE(RefusedWith(edit({kMatriz, kProd, kManut, kJoao}),
                            QString::fromUtf8("Localização atual não pode ser igual anterior.")));
    EXPECT_TRUE(RefusedWith(edit({kFilialDois, kProd, {}, {}}), QString::fromUtf8("A filial 0201 não pertence à empresa 01.")));
    EXPECT_EQ(h().Snapshot(), before);
    const server::Location destination{kNorte, kAdm, kContab, kAdmin};
    const auto updated = edit(destination);
    ASSERT_TRUE(updated.ok) << Why(updated);
    ExpectAt(h(), kMesa, destination);
    const auto ante = erptest::QueryRows(h().db(),
                                         QStringLiteral("SELECT CDFILIALITCANTE, CDCENTCUITCANTE, CDSETORITCANTE, CDOPERESPBEMANT"
                                                        "  FROM ITCAPAOPERABEM WHERE CDEMPRESA = ? AND NRSEQCAPAOPEBEM = ?"),
                                         {kEmpresa, t.capa});
    ASSERT_EQ(ante.size(), 1);
    EXPECT_EQ(QStringList({Str(ante[0][0]), Str(ante[0][1]), Str(ante[0][2]), Str(ante[0][3])}),
              QStringList({kMatriz, kAdm, kContab, kMaria}));

    // Retorna_Dados offers the undo towards the origin, and the undo goes there.
    QString bem = kMesa, capa = t.capa;
    const auto step = orv::ParsePacket(h().app().Retorna_Dados(kEmpresa, bem, capa, QStringLiteral("01"), {}, {}, {}, {}).value);
    ASSERT_EQ(step.rows.size(), 1u);
    EXPECT_EQ(step.rows[0][1].toString(), kMatriz);
    EXPECT_EQ(step.rows[0][2].toString(), kAdm);
    const auto deleted = h().app().SetTransFisica(DeleteDelta(h().Transfers(kMesa), t.capa));
    ASSERT_TRUE(deleted.ok) << Why(deleted);
    ExpectAt(h(), kMesa, kMesaAt);
}

TEST_P(ServerTransfers, AnEditBasedOnAStaleListIsRefused) {
    TransferRow t{kMesa, kMesaAt, kEmSaoPaulo};
    h().MustConfirm(t);
    orv::TDataSet stale;
    OpenTransferRecord(stale, h().Transfers(kMesa));

    // Someone else edits the destination first.
    orv::TDataSet cds;
    OpenTransferRecord(cds, h().Transfers(kMesa));
    cds.Edit();
    cds.FieldByName("CDFILIALITCNOVO").SetAsString(kNorte);
    cds.FieldByName("CDCENTCUITCNOVO").SetAsString(kAdm);
    cds.Post();
    ASSERT_TRUE(h().app().SetTransFisica(cds.Delta()).ok);

    stale.Edit();
    stale.FieldByName("CDSETORITCNOVO").SetAsString(kManut);
    stale.Post();
    const QString before = h().Snapshot();
    EXPECT_TRUE(RefusedWith(h().app().SetTransFisica(stale.Delta()), QString::fromUtf8("foi movimentado por outro usuário")));
    EXPECT_EQ(h().Snapshot(), before);
}

TEST_P(ServerTransfers, TheTransferConfirmedLastIsTheLastOneWhateverItsHeaderNumber) {
    auto other = h().Connect();
    TransferRow early{kMesa, kEmSaoPaulo, kNoNorte};
    h().Number(early, h().app());  // taken first ...
    TransferRow late{kMesa, kMesaAt, kEmSaoPaulo};
    h().Number(late, other->AppServer());
    ASSERT_LT(early.capa, late.capa);

    const auto l = h().Confirm(late, other->AppServer());  // ... but confirmed second
    ASSERT_TRUE(l.ok) << Why(l);
    const auto e = h().Confirm(early);
    ASSERT_TRUE(e.ok) << Why(e);
    ExpectAt(h(), kMesa, kNoNorte);

    QString bem = kMesa;
    const auto last = orv::ParsePacket(h().app().VerificaUltimaTransferencia(kEmpresa, bem).value);
    ASSERT_EQ(last.rows.size(), 1u);
    EXPECT_EQ(last.rows[0][0].toString(), early.capa);
    EXPECT_EQ(last.rows[0][1].toString(), early.item);

    const auto list = orv::ParsePacket(h().Transfers(kMesa));
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0][3].toString(), late.capa);
    EXPECT_EQ(list.rows[1][3].toString(), early.capa);

    QString capa = late.capa;
    const auto notLast = orv::ParsePacket(h().app().Retorna_Dados(kEmpresa, bem, capa, QStringLiteral("01"), {}, {}, {}, {}).value);
    EXPECT_EQ(notLast.rows[0][0].toString(), QLatin1String("NAO"));
    EXPECT_TRUE(RefusedWith(h().app().SetTransFisica(DeleteDelta(h().Transfers(kMesa), late.capa)), QString::fromUtf8("Operação Bloqueada.")));
    ASSERT_TRUE(h().app().SetTransFisica(DeleteDelta(h().Transfers(kMesa), early.capa)).ok);
    ExpectAt(h(), kMesa, kEmSaoPaulo);
}

ERP_INSTANTIATE_ON_ENGINES(ServerTransfers);

}  // namespace
}  // namespace srvtest
