#include "users/FlagString.h"

#include <gtest/gtest.h>

namespace {

QString zeros(int n)
{
    return QString(n, QLatin1Char('0'));
}

} // namespace

TEST(FlagString, OnlyAnUpperCaseSGrantsAPosition)
{
    const QString flags = QStringLiteral("Ss0 xS");
    EXPECT_TRUE(FlagString::granted(flags, 1));
    EXPECT_FALSE(FlagString::granted(flags, 2));   // lower-case s
    EXPECT_FALSE(FlagString::granted(flags, 3));
    EXPECT_FALSE(FlagString::granted(flags, 4));   // blank
    EXPECT_TRUE(FlagString::granted(flags, 6));
    EXPECT_FALSE(FlagString::granted(flags, 7));   // beyond the end
    EXPECT_FALSE(FlagString::granted(QString(), 1));   // null string
    EXPECT_FALSE(FlagString::granted(flags, 0));
}

TEST(FlagString, PositionTwentyOneChoosesTheOptionItem)
{
    const QString chars = QStringLiteral("IEAT12");
    for (int i = 0; i < chars.size(); ++i) {
        const QString flags = zeros(20) + chars.at(i) + zeros(9);
        EXPECT_EQ(FlagString::optionItem(flags), i) << flags.toStdString();
        EXPECT_EQ(FlagString::optionCharacter(i), chars.at(i));
    }
    EXPECT_EQ(FlagString::optionItem(zeros(30)), -1);
    EXPECT_EQ(FlagString::optionItem(zeros(20) + QLatin1Char(' ') + zeros(9)), -1);   // blank
    EXPECT_EQ(FlagString::optionItem(zeros(20) + QLatin1Char('t') + zeros(9)), -1);   // lower case
    EXPECT_EQ(FlagString::optionItem(zeros(20) + QLatin1Char('X') + zeros(9)), -1);
    EXPECT_EQ(FlagString::optionItem(zeros(20)), -1);                                  // too short
    EXPECT_EQ(FlagString::optionItem(QString()), -1);
    EXPECT_EQ(FlagString::optionCharacter(-1), QLatin1Char('0'));
    EXPECT_EQ(FlagString::optionItems().size(), 6);
}

TEST(FlagString, PurchasesStringFromItsBoxes)
{
    const FlagLayout &c = FlagString::compras();
    EXPECT_EQ(c.column, QStringLiteral("ComprasFLAGS"));
    // Only "Cadastro básico [0]": S and 29 zeros.
    EXPECT_EQ(FlagString::build(c, {1}, -1), QStringLiteral("S") + zeros(29));
    // The demo buyer: positions 1, 2, 3 and 5 with option T.
    EXPECT_EQ(FlagString::build(c, {1, 2, 3, 5}, 3), QStringLiteral("SSS0S0000000") + zeros(8) + QStringLiteral("T") + zeros(9));
    // The separator position 7 and the last box 12.
    EXPECT_EQ(FlagString::build(c, {7, 12}, -1), QStringLiteral("000000S0000S") + zeros(18));
    // Without position 3 the option is not written.
    EXPECT_EQ(FlagString::build(c, {1}, 3), QStringLiteral("S") + zeros(29));
    // Position 3 without an option writes "0" at 21.
    EXPECT_EQ(FlagString::build(c, {3}, -1), QStringLiteral("00S") + zeros(27));
    // Positions without a box never take an S, whatever is asked.
    EXPECT_EQ(FlagString::build(c, {13, 20, 21, 30}, -1), zeros(30));
}

TEST(FlagString, SalesStringFromItsBoxes)
{
    const FlagLayout &v = FlagString::vendas();
    // Only "Liberação de Faturamento/Cancelamento de NFe no Orçamento".
    EXPECT_EQ(FlagString::build(v, {25}, -1), zeros(24) + QStringLiteral("S") + zeros(5));
    const QString all = FlagString::build(v, {1, 2, 3, 4, 5, 6, 7, 8, 25}, 5);
    EXPECT_EQ(all, QStringLiteral("SSSSSSSS") + zeros(12) + QStringLiteral("2") + zeros(3) + QStringLiteral("S") + zeros(5));
    EXPECT_EQ(all.size(), 30);
    // Positions 9-12 belong to no sales box.
    EXPECT_EQ(FlagString::build(v, {9, 10, 11, 12}, -1), zeros(30));
}

TEST(FlagString, QualityStringFromItsBoxes)
{
    const FlagLayout &q = FlagString::qualidade();
    EXPECT_FALSE(q.hasOption);
    EXPECT_EQ(FlagString::build(q, {1, 2}, 3), QStringLiteral("SS") + zeros(28));
    EXPECT_EQ(FlagString::build(q, {2, 3}, -1), QStringLiteral("0S") + zeros(28));
}
