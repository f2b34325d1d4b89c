#include "shell/ScriptParser.h"

#include <gtest/gtest.h>

using shell::ParseScript;
using shell::SplitScriptLine;

namespace {

std::vector<std::string> Args(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list) out.push_back(s.toStdString());
    return out;
}

using V = std::vector<std::string>;

}  // namespace

TEST(ScriptParser, QuotesKeepBlanksAndCommentsStartOnlyOutsideThem) {
    EXPECT_EQ(Args(SplitScriptLine(R"(set  edtNome   "Mesa de  reunião")")),
              V({"set", "edtNome", "Mesa de  reunião"}));
    EXPECT_EQ(Args(SplitScriptLine(R"(expect message "Diz \"sim\" # não é comentário" # é comentário)")),
              V({"expect", "message", R"(Diz "sim" # não é comentário)"}));
    EXPECT_EQ(Args(SplitScriptLine(R"(set edtNome "" )")), V({"set", "edtNome", ""}));
    EXPECT_EQ(Args(SplitScriptLine(R"(expect message "Linha um.\nLinha dois.")")),
              V({"expect", "message", "Linha um.\nLinha dois."}));
    EXPECT_EQ(Args(SplitScriptLine(R"(pick NMEMPRESA="Empresa Um")")), V({"pick", "NMEMPRESA=Empresa Um"}));
    EXPECT_EQ(Args(SplitScriptLine(R"(screenshot "c:\tmp\a.png" "fim\\")")),
              V({"screenshot", R"(c:\tmp\a.png)", R"(fim\)"}));
    EXPECT_TRUE(SplitScriptLine("   # só comentário").isEmpty());
}

TEST(ScriptParser, KeepsLineNumbersSkipsBlankLinesAndExpandsToday) {
    const auto lines = ParseScript(QStringLiteral("# roteiro\n\nset edtData ${TODAY}\r\n  \n"
                                                  "expect text lbl \"em ${TODAY} #1\" # confere\n"
                                                  "expect text edtNome \"sem fim\n"),
                                   QDate(2024, 3, 5));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].number, 3);
    EXPECT_EQ(lines[0].text, "set edtData ${TODAY}");
    EXPECT_EQ(Args(lines[0].args), V({"set", "edtData", "05/03/2024"}));
    EXPECT_EQ(lines[1].number, 5);
    EXPECT_EQ(lines[1].text, "expect text lbl \"em ${TODAY} #1\"");
    EXPECT_EQ(Args(lines[1].args), V({"expect", "text", "lbl", "em 05/03/2024 #1"}));
    EXPECT_TRUE(lines[1].error.isEmpty());
    EXPECT_EQ(lines[2].number, 6);
    EXPECT_EQ(lines[2].error, "aspas não fechadas");
}
