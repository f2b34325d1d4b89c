// The module's reference queries, exactly as declared, on both engines: repeated parameters,
// INSTR list membership (STRPOS on PostgreSQL), concatenation and outer joins.
#include "Cli_zmt02600/TransFisicaQueries.h"
#include "Cli_zmt02602/CadAutoQueries.h"
#include "orv/Routines.h"
#include "tests/support/EngineTest.h"
#include "tests/support/Fixture.h"

#include <gtest/gtest.h>

using namespace erptest;

namespace {

class ReferenceQueries : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped()) return;
        orv::SetSharedConnectionName(database().connectionName());
        QSqlDatabase d = db();
        InsertRows(d, "EMPRESA", {{{"CDEMPRESA", "01"}, {"NMEMPRESA", "Transportes Serra Azul S.A."}},
                                  {{"CDEMPRESA", "02"}, {"NMEMPRESA", "Indústria São João Ltda."}}});
        InsertRows(d, "FILIAL", {{{"CDFILIAL", "0001"}, {"CDEMPRESA", "01"}, {"NMFILIAL", "Matriz"}},
                                 {{"CDFILIAL", "00A1"}, {"CDEMPRESA", "01"}, {"NMFILIAL", "Filial Norte"}},
                                 {{"CDFILIAL", "0003"}, {"CDEMPRESA", "01"}, {"NMFILIAL", "Filial Sul"}},
                                 {{"CDFILIAL", "0101"}, {"CDEMPRESA", "02"}, {"NMFILIAL", "Fábrica"}}});
        InsertRows(d, "OPERADOR", {{{"CDOPERADOR", "000000000001"}, {"NMOPERADOR", "Administrador"}, {"IDOPERATIVO", "A"}},
                                   {{"CDOPERADOR", "000000000002"}, {"NMOPERADOR", "Inativo"}, {"IDOPERATIVO", "I"}}});
        InsertRow(d, "CENTCUST", {{"CDCENTCUST", "0001"}, {"NMCENTCUST", "Administrativo"}});
        InsertRow(d, "SETOR", {{"CDSETOR", "0001"}, {"CDCENTCUST", "0001"}, {"NMSETOR", "Secretaria"},
                               {"SGSETOR", "SEC"}, {"CDOPERESPBEM", "000000000001"}});
        InsertRow(d, "SETOR", {{"CDSETOR", "0002"}, {"CDCENTCUST", "0001"}, {"NMSETOR", "Arquivo"}});
        InsertRows(d, "GRUPOBEM", {{{"CDEMPRESA", "01"}, {"CDGRUPOBEM", "000001"}, {"NMGRUPOBEM", "Informática"}},
                                   {{"CDEMPRESA", "01"}, {"CDGRUPOBEM", "000002"}, {"NMGRUPOBEM", "Móveis"}}});
        auto asset = [&](const char* code, const char* patri, const char* group, const char* branch, double qty) {
            InsertRow(d, "BEMATIVO", {{"CDBEMATIVO", code}, {"CDEMPRESA", "01"}, {"CDPATRIBEMATIVO", patri},
                                      {"NMBEMATIVO", QString("Bem %1").arg(patri)}, {"CDGRUPOBEM", group},
                                      {"CDFILIAL", branch}, {"QTATUABEMATIVO", qty}});
        };
        asset("0000000001", "100001", "000001", "0001", 1);
        asset("0000000002", "100002", "000002", "00A1", 1);
        asset("0000000003", "100003", "000001", "0003", 0);  // nothing left: never offered
        asset("0000000004", "100004", "000002", "0003", 2);
    }

    void TearDown() override {
        orv::SetSharedConnectionName(QStringLiteral("dtmDBGeral"));
        EngineTest::TearDown();
    }

    static QStringList Column(orv::TADOIBQuery& q, const char* field) {
        QStringList values;
        q.First();
        while (!q.Eof()) {
            values << q.FieldByName(field).AsString();
            q.Next();
        }
        return values;
    }
};

TEST_P(ReferenceQueries, CompanyQueryTakesOneCodeOrAllWithT) {
    orv::TADOIBQuery q("qryEmpresa");
    zmt02600::DeclareQryEmpresa(q);
    q.ParamByName("P_CDEMPRESA").SetAsString("02");
    q.ParamByName("P_TCDEMPRESA").SetAsString("");
    q.Open();
    EXPECT_EQ(Column(q, "NMEMPRESA"), QStringList({"Indústria São João Ltda."}));
    q.Close();
    q.ParamByName("P_CDEMPRESA").SetAsString("02");
    q.ParamByName("P_TCDEMPRESA").SetAsString("T");
    q.Open();
    EXPECT_EQ(Column(q, "CDEMPRESA"), QStringList({"01", "02"}));
    q.Close();
    q.ParamByName("P_CDEMPRESA").SetAsString("99");
    q.ParamByName("P_TCDEMPRESA").SetAsString("");
    q.Open();
    EXPECT_TRUE(q.IsEmpty());
}

TEST_P(ReferenceQueries, AssetPickListFiltersByListStringsAndSkipsZeroQuantity) {
    orv::TADOIBQuery q("qryBem");
    zmt02602::DeclareQryBem(q);
    q.ParamByName("P_CDEMPRESA").SetAsString("01");
    q.ParamByName("P_CDGRUPOS").SetAsString("T");
    q.ParamByName("P_CDFILIAL").SetAsString("T");
    q.Open();
    EXPECT_EQ(Column(q, "CDPATRIBEMATIVO"), QStringList({"100001", "100002", "100004"}));
    q.Close();
    q.ParamByName("P_CDGRUPOS").SetAsString("_000002_");
    q.ParamByName("P_CDFILIAL").SetAsString("0003_00A1");
    q.Open();
    EXPECT_EQ(Column(q, "CDBEMATIVO"), QStringList({"0000000002", "0000000004"}));
}

TEST_P(ReferenceQueries, BranchListAndBatchAssetQueryUseTheSameMembershipTest) {
    orv::TADOIBQuery filial("qryFilial");
    zmt02602::DeclareQryFilial(filial);
    filial.ParamByName("P_CDEMPRESA").SetAsString("01");
    filial.ParamByName("P_CDFILIAL").SetAsString("0001_0003");
    filial.Open();
    EXPECT_EQ(Column(filial, "CDFILIAL"), QStringList({"0001", "0003"}));

    orv::TADOIBQuery bens("qryBensListados");
    zmt02602::DeclareQryBensListados(bens);
    bens.ParamByName("P_CDEMPRESA").SetAsString("01");
    bens.ParamByName("P_CDGRUPOS").SetAsString("T");
    bens.ParamByName("P_CDBEMATIVO").SetAsString("T");
    bens.ParamByName("P_CDFILIAL").SetAsString("0003");
    bens.Open();
    // Unlike the pick list, the batch takes assets with no quantity left too.
    EXPECT_EQ(Column(bens, "CDBEMATIVO"), QStringList({"0000000003", "0000000004"}));
    EXPECT_EQ(bens.FieldByName("QTATUABEMATIVO").DataType(), orv::FieldType::Float);
}

TEST_P(ReferenceQueries, SectorQueriesJoinTheResponsibleOperator) {
    orv::TADOIBQuery q("qryPesqSetor");
    zmt02600::DeclareQryPesqSetor(q);
    q.ParamByName("P_CDCENTCUST").SetAsString("0001");
    q.Open();
    ASSERT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(q.FieldByName("OPERRESPSETOR").AsString(), "000000000001 - Administrador");
    q.Next();
    EXPECT_TRUE(q.FieldByName("OPERRESPSETOR").IsNull());  // no responsible: the concatenation is null

    orv::TADOIBQuery vd("qryVd_Setor");
    zmt02600::DeclareQryVd_Setor(vd);
    vd.ParamByName("P_CDCENTCUST").SetAsString("0001");
    vd.ParamByName("P_CDSETOR").SetAsString("0002");
    vd.Open();
    EXPECT_EQ(Column(vd, "NMSETOR"), QStringList({"Arquivo"}));
}

TEST_P(ReferenceQueries, OperatorListShowsOnlyActiveButTheCheckFindsAny) {
    orv::TADOIBQuery list("qryPesqResponsavel");
    zmt02600::DeclareQryPesqResponsavel(list);
    list.Open();
    EXPECT_EQ(Column(list, "CDOPERADOR"), QStringList({"000000000001"}));

    orv::TADOIBQuery vd("qryVd_Responsavel");
    zmt02600::DeclareQryVd_Responsavel(vd);
    vd.ParamByName("P_CDOPERADOR").SetAsString("000000000002");
    vd.Open();
    EXPECT_EQ(Column(vd, "NMOPERADOR"), QStringList({"Inativo"}));
}

TEST_P(ReferenceQueries, CostCentreQueriesFollowTheBranchLink) {
    QSqlDatabase d = db();
    InsertRow(d, "CENTCUST", {{"CDCENTCUST", "0002"}, {"NMCENTCUST", "Produção"}});
    InsertRows(d, "CENTCUSTFIL", {{{"CDCENTCUST", "0002"}, {"CDFILIAL", "0001"}},
                                  {{"CDCENTCUST", "0001"}, {"CDFILIAL", "0001"}},
                                  {{"CDCENTCUST", "0001"}, {"CDFILIAL", "00A1"}}});
    orv::TADOIBQuery list("qryPesqCentCust");
    zmt02600::DeclareQryPesqCentCust(list);
    list.ParamByName("P_CDFILIAL").SetAsString("0001");
    list.Open();
    EXPECT_EQ(Column(list, "CDCENTCUST"), QStringList({"0001", "0002"}));

    orv::TADOIBQuery vd("qryVd_PesqCentCust");
    zmt02600::DeclareQryVd_PesqCentCust(vd);
    vd.ParamByName("P_CDFILIAL").SetAsString("00A1");
    vd.ParamByName("P_CDCENTCUST").SetAsString("0002");
    vd.Open();
    EXPECT_TRUE(vd.IsEmpty());  // exists, but not linked to that branch
    vd.Close();
    vd.ParamByName("P_CDFILIAL").SetAsString("0001");
    vd.Open();
    EXPECT_EQ(Column(vd, "NMCENTCUST"), QStringList({"Produção"}));
}

// The installation's account layout, read from the database: the account check looks the typed
// digits up in the form the layout stores, without a word when told to keep quiet.
TEST_P(ReferenceQueries, AccountCheckFollowsTheConfiguredLayout) {
    QSqlDatabase d = db();
    InsertRow(d, "MASCARA", {{"CDTIPOMASCARA", 2}, {"DSMASCARA", "9.9.9.9.9999;1;_"}});
    InsertRow(d, "CONTCTBL", {{"CDCONTCTBL", "1.2.3.2.0001"}, {"NMCONTCTBL", "Máquinas"}});
    EXPECT_EQ(orv::DBPict(2), "9.9.9.9.9999;1;_");
    EXPECT_EQ(orv::DBPict(3), "");
    orv::TADOIBQuery q("qryContCtbl");
    zmt02600::DeclareQryContCtbl(q);
    orv::TDataSource source("dtsContCtbl", &q);
    const orv::TValidExOptions quiet{orv::TValidExOption::SemMensagem};
    QString code = "12320001";
    EXPECT_TRUE(orv::ValidEx(source, 2, code, quiet, {}, true));
    EXPECT_EQ(code, "1.2.3.2.0001");
    code = "1.2.3.2.0009";
    EXPECT_FALSE(orv::ValidEx(source, 2, code, quiet, {}, true));
    code.clear();
    EXPECT_TRUE(orv::ValidEx(source, 2, code, quiet, {}, true));
    EXPECT_FALSE(orv::ValidEx(source, 2, code, {orv::TValidExOption::Obrigatorio, orv::TValidExOption::SemMensagem}, {}, true));
}

TEST_P(ReferenceQueries, UnknownParameterAndMissingConnectionAreReported) {
    orv::TADOIBQuery q("qryVd_Filial");
    zmt02600::DeclareQryVd_Filial(q);
    EXPECT_THROW(q.ParamByName("P_NAOEXISTE"), orv::EDatabaseError);
    q.SetConnectionName("sem-conexao");
    EXPECT_THROW(q.Open(), orv::EDatabaseError);
}

// A query keeps its statement prepared between runs: the next run binds new values, sees rows
// written meanwhile, and survives its connection being closed and opened again.
TEST_P(ReferenceQueries, AKeptStatementRunsAgainWithNewValuesAndAfterAReconnection) {
    orv::TADOIBQuery q("qryVd_Filial");
    zmt02600::DeclareQryVd_Filial(q);
    auto name = [&q](const char* branch) {
        q.Close();
        q.ParamByName("P_CDFILIAL").SetAsString(branch);
        q.Open();
        return q.IsEmpty() ? QString() : q.FieldByName("NMFILIAL").AsString();
    };
    EXPECT_EQ(name("0001"), "Matriz");
    EXPECT_EQ(name("00A1"), "Filial Norte");
    QSqlDatabase d = db();
    InsertRow(d, "FILIAL", {{"CDFILIAL", "0004"}, {"CDEMPRESA", "01"}, {"NMFILIAL", "Filial Leste"}});
    EXPECT_EQ(name("0004"), "Filial Leste");
    d.close();
    ASSERT_TRUE(d.open());
    EXPECT_EQ(name("0003"), "Filial Sul");
}

ERP_INSTANTIATE_ON_ENGINES(ReferenceQueries);

}  // namespace
