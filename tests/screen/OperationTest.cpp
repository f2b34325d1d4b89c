// Operation type and motive of a transfer: typed, looked up and checked, and the identity of
// the operation shown for its stored code.
#include "tests/screen/ScreenHarness.h"
#include "tests/support/Printers.h"

#include "orv/widgets/FocusManager.h"
#include "orv/widgets/Widgets.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace screentest;
using orv::DataSetState;
using zmt02600::TFrmTransferenciaFisica;

namespace {

const QString kIdentidade = QStringLiteral("TRANSFERÊNCIA FÍSICA");

}  // namespace

TEST(Operation, TypeOfAnotherKindIsRefusedOnExitAndNeverListed) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();

    // Only company 01's physical transfer types are offered (000003 is an acquisition).
    h.host().picks.push_back({true, {}, {}});
    h.Click(f.btnPesqTipoOper);
    EXPECT_EQ(h.host().lastList, QStringList({"000001", "000002"}));

    h.Type(f.dbeCdTipoOper, "3");
    h.Focus(f.dbeCdMotivoOper);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Tipo de operação não cadastrado."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdTipoOper);
    EXPECT_EQ(f.dbeCdTipoOper->text(), "000003");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDTIPOOPERBEM"), "000003");
    EXPECT_EQ(f.dbeNmTipoOper->text(), "");
    EXPECT_EQ(f.dbeIdTipoOper->text(), "");

    // Refused again before post; an empty one is asked for.
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Tipo de operação não cadastrado."}));
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Insert);
    h.Set(f.dbeCdTipoOper, "");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Tipo de operação deve ser informado."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdTipoOper);

    // Leaving it empty says nothing.
    h.Focus(f.dbeCdMotivoOper);
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    // A pick writes code, name and identity.
    h.host().picks.push_back({false, "CDTIPOOPERBEM", "000002"});
    h.Click(f.btnPesqTipoOper);
    EXPECT_EQ(FieldText(f.cdsCapa, "CDTIPOOPERBEM"), "000002");
    EXPECT_EQ(f.dbeNmTipoOper->text(), "Remanejamento");
    EXPECT_EQ(f.dbeIdTipoOper->text(), kIdentidade);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(Operation, MotiveOfTheOldTypeIsRefusedAfterTheTypeChanges) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();

    h.Type(f.dbeCdTipoOper, "1");
    h.Type(f.dbeCdMotivoOper, "1");
    h.Focus(f.dbeCdFilialNovo);
    ASSERT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.dbeNmTipoOper->text(), "Transferência entre filiais");
    EXPECT_EQ(f.dbeCdMotivoOper->text(), "000001");
    EXPECT_EQ(f.dbeNmMotivoOper->text(), "Reestruturação de área");

    // The type changes: its own displays clear, the motive's name stays.
    h.Set(f.dbeCdTipoOper, "");
    h.Type(f.dbeCdTipoOper, "2");
    EXPECT_EQ(f.dbeNmTipoOper->text(), "");
    EXPECT_EQ(f.dbeIdTipoOper->text(), "");
    h.Focus(f.dbeCdMotivoOper);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.dbeNmTipoOper->text(), "Remanejamento");
    EXPECT_EQ(f.dbeNmMotivoOper->text(), "Reestruturação de área");

    // The motive belongs to type 000001 only.
    h.Focus(f.dbeCdFilialNovo);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Motivo de operação não cadastrado."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdMotivoOper);

    h.Set(f.dbeCdFilialNovo, "0002");
    h.Set(f.dbeCdCentCustNovo, "0001");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Motivo de operação não cadastrado."}));
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Insert);

    // Its own motive passes, and the record posts with both.
    h.Set(f.dbeCdMotivoOper, "3");
    EXPECT_EQ(f.dbeNmMotivoOper->text(), "");
    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Browse);
    EXPECT_EQ(h.Sql("SELECT CDTIPOOPERBEM || '/' || CDMOTIVOOPER || '/' || IDIDENTCAPAOPER FROM CAPAOPERABEM"
                    " WHERE NRSEQCAPAOPEBEM = '0000000004'")
                  .toString(),
              "000002/000003/03");
}

TEST(Operation, MotiveNeedsAType) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();

    const int lists = h.host().lastListTitles.size();
    h.Click(f.btnPesqMotivoOper);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Tipo de operação deve ser informado."}));
    EXPECT_EQ(h.host().lastListTitles.size(), lists);
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdTipoOper);

    h.Type(f.dbeCdMotivoOper, "1");
    h.Focus(f.dbeCdFilialNovo);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Tipo de operação deve ser informado."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdTipoOper);

    // With the type filled in, the motive is mandatory before post and listed by type.
    h.Type(f.dbeCdTipoOper, "1");
    h.Set(f.dbeCdMotivoOper, "");
    h.Focus(f.dbeCdFilialNovo);
    h.TakeMessages();
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Motivo de operação deve ser informado."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdMotivoOper);

    h.host().picks.push_back({false, "CDMOTIVOOPER", "000002"});
    h.Click(f.btnPesqMotivoOper);
    EXPECT_EQ(h.host().lastList, QStringList({"000001", "000002"}));
    EXPECT_EQ(FieldText(f.cdsCapa, "CDMOTIVOOPER"), "000002");
    EXPECT_EQ(f.dbeNmMotivoOper->text(), "Abertura de filial");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(Operation, IdentityShowsForTheStoredCodeOnly) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset(fx::kEmpresa, "100004");
    h.Trigger(f.mnuFormulario);
    EXPECT_EQ(f.dbeIdTipoOper->text(), kIdentidade);
    EXPECT_EQ(f.dbeNmTipoOper->text(), "Transferência entre filiais");

    h.Trigger(f.mnuFolhaDados);
    h.Click(f.sbtIncluir);
    ASSERT_EQ(f.cdsCapa.State(), DataSetState::Insert);
    orv::TField& id = f.cdsCapa.FieldByName("IDIDENTCAPAOPER");
    EXPECT_EQ(f.dbeIdTipoOper->text(), "");

    h.Type(f.dbeCdTipoOper, "1");
    h.Focus(f.dbeCdMotivoOper);
    EXPECT_EQ(f.dbeIdTipoOper->text(), kIdentidade);
    EXPECT_EQ(id.AsString(), "03");

    // Changing the type clears the display but not the stored identity.
    h.Set(f.dbeCdTipoOper, "");
    h.Type(f.dbeCdTipoOper, "9");
    EXPECT_EQ(f.dbeIdTipoOper->text(), "");
    EXPECT_EQ(id.AsString(), "03");

    // Any other stored value shows as nothing; only the identity's own name stores "03".
    id.SetAsString("01");
    EXPECT_EQ(id.DisplayText(), "");
    EXPECT_EQ(f.dbeIdTipoOper->text(), "");
    id.SetText("OUTRA");
    EXPECT_EQ(id.AsString(), "01");
    id.SetText(kIdentidade);
    EXPECT_EQ(id.AsString(), "03");
    EXPECT_EQ(f.dbeIdTipoOper->text(), kIdentidade);
}

TEST(Operation, TypeAndMotiveTakeDigitsOnly) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();
    for (orv::TDBEdit* edit : {f.dbeCdTipoOper, f.dbeCdMotivoOper}) {
        SCOPED_TRACE(edit->objectName().toStdString());
        h.Type(edit, "0a%1-b");
        EXPECT_EQ(edit->text(), "01");
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), "0");
        h.Set(edit, "");
    }
}

TEST(Operation, LookupPicksWhileBrowsingPutTheRecordIntoEdit) {
    struct Case {
        const char* name;
        orv::TBtnPesquisa* TFrmTransferenciaFisica::*button;
        const char* field;
        const char* code;
        orv::TDBEdit* TFrmTransferenciaFisica::*display;
        const char* shown;
    };
    const Case cases[] = {
        {"tipo", &TFrmTransferenciaFisica::btnPesqTipoOper, "CDTIPOOPERBEM", "000002",
         &TFrmTransferenciaFisica::dbeNmTipoOper, "Remanejamento"},
        {"motivo", &TFrmTransferenciaFisica::btnPesqMotivoOper, "CDMOTIVOOPER", "000002",
         &TFrmTransferenciaFisica::dbeNmMotivoOper, "Abertura de filial"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScreenHarness h;
        TFrmTransferenciaFisica& f = h.frm();
        h.OpenAsset(fx::kEmpresa, "100004");
        f.dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
        h.Trigger(f.mnuFormulario);
        ASSERT_EQ(f.cdsCapa.State(), DataSetState::Browse);
        h.TakeMessages();

        h.host().picks.push_back({false, c.field, c.code});
        h.Click(f.*c.button);
        EXPECT_TRUE(h.TakeMessages().isEmpty());
        EXPECT_EQ(f.cdsCapa.State(), DataSetState::Edit);
        EXPECT_EQ(FieldText(f.cdsCapa, c.field), c.code);
        EXPECT_EQ((f.*c.display)->text(), c.shown);
        EXPECT_EQ(f.dbeIdTipoOper->text(), kIdentidade);
    }
}
