#include "connection/SqlText.h"

#include <gtest/gtest.h>

TEST(SqlText, QuotesInsideAValueAreDoubled)
{
    EXPECT_EQ(SqlText::quoted(QStringLiteral("O'Neil")), QStringLiteral("'O''Neil'"));
    EXPECT_EQ(SqlText::quoted(QStringLiteral("''")), QStringLiteral("''''''"));
    EXPECT_EQ(SqlText::quoted(QString()), QStringLiteral("''"));
    // Blanks and other characters pass untouched.
    EXPECT_EQ(SqlText::quoted(QStringLiteral(" a\"b; ")), QStringLiteral("' a\"b; '"));
    EXPECT_EQ(SqlText::escaped(QStringLiteral("x') DROP TABLE Usuarios --")),
              QStringLiteral("x'') DROP TABLE Usuarios --"));
}

TEST(SqlText, UnicodeLiteralsAndBracketedNames)
{
    EXPECT_EQ(SqlText::unicode(QStringLiteral("D'Ávila")), QStringLiteral("N'D''Ávila'"));
    EXPECT_EQ(SqlText::unicode(QString()), QStringLiteral("N''"));
    EXPECT_EQ(SqlText::bracketed(QStringLiteral("Itens Nota")), QStringLiteral("[Itens Nota]"));
    EXPECT_EQ(SqlText::bracketed(QStringLiteral("a]b")), QStringLiteral("[a]]b]"));
}
