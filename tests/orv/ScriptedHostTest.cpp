#include "orv/DataSet.h"
#include "orv/Host.h"
#include "orv/Messages.h"
#include "orv/Routines.h"
#include "orv/ScriptedHost.h"

#include <gtest/gtest.h>

using namespace orv;

namespace {

struct HostFixture : ::testing::Test {
    ScriptedHost host;
    TDataSet list{"qryPesqFilial"};
    TDataSource source{"dtsPesqFilial", &list};

    void SetUp() override {
        InstallHost(&host);
        list.AddStringField("CDFILIAL", 4, "Código");
        list.AddStringField("NMFILIAL", 30, "Nome");
        list.SetData(MakePacket(list.FieldDefs(), {{"0001", "Matriz"}, {"00A1", "Filial Norte"}}));
    }
    void TearDown() override { InstallHost(nullptr); }
};

}  // namespace

TEST_F(HostFixture, MensErroShowsThenAbortsAndBusyGuardAlwaysHides) {
    EXPECT_THROW(MensErro("Empresa deve ser informada."), EAbort);
    EXPECT_EQ(host.messages, QStringList({"Empresa deve ser informada."}));
    try {
        BusyGuard busy(1);
        EXPECT_EQ(host.busyDepth, 1);
        MensErro("Bem não cadastrado.");
    } catch (const EAbort&) {
    }
    EXPECT_EQ(host.busyDepth, 0);
}

TEST_F(HostFixture, PickListsAnswerFromTheQueueAndLeaveTheChosenRowCurrent) {
    host.picks.push_back({false, "CDFILIAL", "00A1"});
    EXPECT_TRUE(host.Pesquisar(source, "Filial|Não há filial cadastrada."));
    EXPECT_EQ(list.FieldByName("NMFILIAL").AsString(), "Filial Norte");
    EXPECT_EQ(host.lastList, QStringList({"0001", "00A1"}));

    host.picks.push_back({true, {}, {}});
    EXPECT_FALSE(host.Pesquisar(source, "Filial"));
    EXPECT_THROW(host.Pesquisar(source, "Filial"), ScriptedHost::Unexpected);

    QString chosen = "0001";
    host.pickManys.push_back({false, {"0001", "00A1"}});
    EXPECT_TRUE(host.PesquisaLista(source, "CDFILIAL", "Filial|Filial não Cadastrada.", chosen));
    EXPECT_EQ(chosen, "0001_00A1");
    EXPECT_TRUE(host.AllConsumed());
}

TEST_F(HostFixture, AnEmptyListShowsItsEmptyTextAndUsesUpAQueuedPick) {
    list.EmptyDataSet();
    host.picks.push_back({false, "CDFILIAL", "0001"});
    EXPECT_FALSE(host.Pesquisar(source, "Filial|Não há filial cadastrada."));
    EXPECT_EQ(host.messages, QStringList({"Não há filial cadastrada."}));
    EXPECT_TRUE(host.AllConsumed());
}

TEST_F(HostFixture, QuestionsNeedAQueuedAnswer) {
    const TMessages msgs({"Canc|Cancela as alterações?"});
    host.answers.push_back(false);
    EXPECT_FALSE(msgs.ShowMsg("Canc"));
    EXPECT_THROW(msgs.ShowMsg("Canc"), ScriptedHost::Unexpected);
    EXPECT_EQ(host.questions.size(), 2);
}
