#include "orv/Format.h"
#include "orv/Messages.h"
#include "orv/Routines.h"

#include <gtest/gtest.h>

using namespace orv;

TEST(Routines, AjustaTrimsAndPadsWithZerosToTheWidth) {
    EXPECT_EQ(Ajusta("1", 2), "01");
    EXPECT_EQ(Ajusta(" 7 ", 4), "0007");
    EXPECT_EQ(Ajusta("A1", 4), "00A1");
    EXPECT_EQ(Ajusta("", 4), "");
    EXPECT_EQ(Ajusta("   ", 4), "");
    EXPECT_EQ(Ajusta("123456", 4), "123456");
    EXPECT_EQ(Ajusta("1", 12), "000000000001");
}

TEST(Routines, EmptyStringCountsBlanksAsEmpty) {
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("  \t"));
    EXPECT_FALSE(EmptyString(" 0 "));
    EXPECT_EQ(AllTrim("  a b  "), "a b");
}

TEST(Routines, RoundDecIsHalfAwayFromZeroAndImmuneToBinaryNoise) {
    EXPECT_DOUBLE_EQ(RoundDec(33.333 * 3, 2), 100.00);
    EXPECT_DOUBLE_EQ(RoundDec(50 + 50.004, 2), 100.00);
    EXPECT_DOUBLE_EQ(RoundDec(50 + 49.994, 2), 99.99);
    EXPECT_DOUBLE_EQ(RoundDec(33.33 + 33.33 + 33.34, 2), 100.00);
    EXPECT_DOUBLE_EQ(RoundDec(82.79 + 8.06 + 9.15, 2), 100.00);
    EXPECT_DOUBLE_EQ(RoundDec(2.675, 2), 2.68);   // 2.67499999… in binary
    EXPECT_DOUBLE_EQ(RoundDec(1.005, 2), 1.01);
    EXPECT_DOUBLE_EQ(RoundDec(-2.675, 2), -2.68);
    EXPECT_DOUBLE_EQ(RoundDec(100.006, 2), 100.01);
    EXPECT_GT(RoundDec(50 + 50.006, 2), 100.0);
    EXPECT_DOUBLE_EQ(RoundDec(0.0049, 2), 0.0);
}

TEST(Routines, PersonMasksFormatRegistrationNumbers) {
    EXPECT_EQ(PictPess("F"), "999.999.999-99");
    EXPECT_EQ(PictPess("J"), "99.999.999/9999-99");
    EXPECT_EQ(PictPess("X"), "");
    EXPECT_EQ(FormatMaskText(PictPess("F"), "12345678901"), "123.456.789-01");
    EXPECT_EQ(FormatMaskText(PictPess("J"), "12345678000195"), "12.345.678/0001-95");
    // A value that already carries the literals stays as it is.
    EXPECT_EQ(FormatMaskText(PictPess("F"), "123.456.789-01"), "123.456.789-01");
    EXPECT_EQ(StripMaskLiterals(PictPess("F"), "123.456.789-01"), "12345678901");
    EXPECT_EQ(FormatMaskText(">aaaa;0; ", "a1b"), "A1B");
    EXPECT_EQ(IndiceCol({"CDFILICCUST", "CDCENTCUSBEM", "VRRATEBEM"}, "cdcentcusbem"), 1);
    EXPECT_EQ(IndiceCol({"CDFILICCUST"}, "X"), -1);
}

TEST(Routines, EditMaskParsesPatternLiteralsAndBlank) {
    const EditMask m = EditMask::Parse("99;0; ");
    EXPECT_EQ(m.pattern, "99");
    EXPECT_FALSE(m.saveLiterals);
    EXPECT_EQ(m.blank, QChar(' '));
    EXPECT_EQ(m.Length(), 2);
    EXPECT_EQ(EditMask::Parse(">aaaa;0; ").Length(), 4);
    EXPECT_TRUE(EditMask::Parse("999.999.999-99").saveLiterals);
}

TEST(Routines, DisplayFormatsUseBrazilianSeparators) {
    EXPECT_EQ(FormatFloat("#,##0.00%", 25), "25,00%");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1.234.567,89");
    EXPECT_EQ(FormatFloat("0.00", 1234.5), "1234,50");
    EXPECT_EQ(FormatFloat("#,##0.##", 2.5), "2,5");
    EXPECT_EQ(FormatFloat("#,##0.##", 2), "2");
    EXPECT_EQ(FormatFloat("#,##0.00", -0.001), "0,00");
}

TEST(Messages, FirstLineOfARepeatedKeyWins) {
    const TMessages msgs({"BEM|Bem Ativo", "BEM_N_CAD|Não há Bens cadastrados.", "BEM_N_CAD|Bem não cadastrado.",
                          "1|Pendente", "linha sem barra"});
    EXPECT_EQ(msgs.Msg("BEM_N_CAD"), "Não há Bens cadastrados.");
    EXPECT_EQ(msgs.Msg("1"), "Pendente");
    EXPECT_EQ(msgs.Count(), 4);
    EXPECT_EQ(msgs.Msg("NAO_EXISTE"), "NAO_EXISTE");
}
