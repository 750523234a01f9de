// Latin1_General_CI_AS comparison, LIKE, sort order and hashing of values.
#include "ValuesTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace standin;

namespace {

Value guid(const char* s)
{
    Value v;
    v.type = T("uniqueidentifier");
    v.data = QUuid::fromString(QLatin1String(s));
    return v;
}

}  // namespace

TEST(ValuesCollation, CaseInsensitiveAccentSensitive)
{
    EXPECT_EQ(compareText("abc", "ABC"), 0);
    EXPECT_NE(compareText("a", QStringLiteral("á")), 0);
    EXPECT_NE(compareText(QStringLiteral("Peças"), "Pecas"), 0);
    EXPECT_EQ(compareText(QStringLiteral("PEÇAS"), QStringLiteral("peças")), 0);
    EXPECT_EQ(compareText("abc", "abc   "), 0);       // trailing blanks ignored
    EXPECT_NE(compareText("abc", "  abc"), 0);        // leading ones are not
    EXPECT_EQ(compareText(QStringLiteral("ＡＢＣ"), "abc"), 0);  // width-insensitive
    EXPECT_EQ(compareText(QStringLiteral("Straße"), "STRASSE"), 0);   // expansions
    EXPECT_EQ(compareText(QStringLiteral("Encyclopædia"), "encyclopaedia"), 0);
    EXPECT_LT(compareText(QStringLiteral("æb"), "af"), 0);
    // Hyphens and apostrophes weigh little: "co-op" sorts next to "coop", yet differs from it.
    EXPECT_LT(compareText("coa", "co-op"), 0);
    EXPECT_LT(compareText("co-op", "cop"), 0);
    EXPECT_LT(compareText("coop", "co-op"), 0);
    EXPECT_LT(compareText("Dalva", "D'Avila"), 0);
    EXPECT_LT(compareText("D'Avila", "Davis"), 0);
    // A decomposed accent equals the composed letter.
    EXPECT_EQ(compareText(QStringLiteral("a\u0301"), QStringLiteral("Á")), 0);

    // Order: letters without regard to case, an accented letter right after its base letter.
    EXPECT_LT(compareText("a", "B"), 0);
    EXPECT_LT(compareText("B", "c"), 0);
    EXPECT_LT(compareText("a", QStringLiteral("á")), 0);
    EXPECT_LT(compareText(QStringLiteral("á"), "b"), 0);
    EXPECT_LT(compareText(QStringLiteral("ab"), QStringLiteral("áb")), 0);
    EXPECT_LT(compareText(QStringLiteral("áb"), QStringLiteral("ac")), 0);  // letters first, accents second
    EXPECT_LT(compareText("abc", "abcd"), 0);
    EXPECT_LT(compareText(" ", "1"), 0);
    EXPECT_LT(compareText("9", "a"), 0);
    EXPECT_GT(compareText("Z", QStringLiteral("ç")), 0);  // ç sorts with c, before z

    // The collation key agrees with compareText on equality and on order.
    const QStringList words = {"banana", "Banana  ", QStringLiteral("bánana"), "apple", "Apple", QStringLiteral("Ápple"),
                               "cherry", "", " ", "a", "A", "9", "z", QStringLiteral("ção"), "cao", "CAO",
                               QStringLiteral("Straße"), "strasse", QStringLiteral("æ"), "ae", "af",
                               "co-op", "coop", "cop", "co-op ", "D'Avila", "davila"};
    for (const QString& a : words) {
        for (const QString& b : words) {
            const int c = compareText(a, b);
            const int k = collationKey(a).compare(collationKey(b));
            EXPECT_EQ(c == 0, k == 0) << a.toStdString() << " / " << b.toStdString();
            EXPECT_EQ(c < 0, k < 0) << a.toStdString() << " / " << b.toStdString();
            EXPECT_EQ(compareText(b, a), -c);
        }
    }
}

TEST(ValuesCollation, Like)
{
    EXPECT_TRUE(like("Administrador", "adm%"));
    EXPECT_TRUE(like("Administrador", "%STRA%"));
    EXPECT_FALSE(like(QStringLiteral("José"), "jose"));
    EXPECT_TRUE(like(QStringLiteral("José"), QStringLiteral("JOSÉ")));
    EXPECT_TRUE(like("Dean", "_ean"));
    EXPECT_FALSE(like("Dean", "_an"));
    EXPECT_TRUE(like("Carsen", "[C-P]arsen"));
    EXPECT_TRUE(like("carsen", "[C-P]arsen"));
    EXPECT_FALSE(like("Larsen", "[^L]arsen"));
    EXPECT_TRUE(like("Karsen", "[^L]arsen"));
    EXPECT_TRUE(like("b", "[abc]"));
    EXPECT_FALSE(like("d", "[abc]"));
    EXPECT_TRUE(like("1234", "[0-9][0-9]%"));
    EXPECT_FALSE(like("12a4", "[0-9][0-9][0-9]%"));
    EXPECT_TRUE(like("50%", "50!%", QChar(u'!')));
    EXPECT_FALSE(like("500", "50!%", QChar(u'!')));
    EXPECT_TRUE(like("a_b", "a!_b", QChar(u'!')));
    EXPECT_FALSE(like("axb", "a!_b", QChar(u'!')));
    EXPECT_TRUE(like("50%", "50[%]"));
    EXPECT_TRUE(like("", "%"));
    EXPECT_FALSE(like("", "_"));
    EXPECT_TRUE(like("abc", "%%c"));
    EXPECT_TRUE(like("a]b", "a]b"));

    // Trailing blanks: the pattern's count, the text's are ignored except in Unicode matching.
    EXPECT_TRUE(like("abc   ", "abc"));
    EXPECT_TRUE(like("abc ", "abc "));
    EXPECT_FALSE(like("abc", "abc "));
    EXPECT_FALSE(like("abc   ", "abc", QChar(), true));
    EXPECT_TRUE(like("abc   ", "abc%", QChar(), true));
    EXPECT_TRUE(*likeValues(vc("abc  "), vc("abc")));
    EXPECT_FALSE(*likeValues(nvc("abc  "), vc("abc")));
    EXPECT_FALSE(likeValues(nullValue(T("varchar(5)")), vc("%")).has_value());
    // A number matched against a pattern is matched as text.
    EXPECT_TRUE(*likeValues(intValue(1234), vc("12%")));
}

TEST(ValuesCompare, ImplicitConversionInComparisons)
{
    // An int compared with text converts the text.
    EXPECT_EQ(compare(intValue(123), vc("123")), 0);
    EXPECT_EQ(compare(vc(" 123 "), intValue(123)), 0);
    EXPECT_EQ(compare(intValue(5), vc("40")), -1);   // numerically, not as text
    auto e = errorOf([] { compare(intValue(1), vc("abc")); });
    EXPECT_EQ(e.number, 245);
    EXPECT_EQ(e.text, "Conversion failed when converting the varchar value 'abc' to data type int.");
    // Text against text: CI_AS.
    EXPECT_EQ(compare(vc("abc"), nvc("ABC  ")), 0);
    EXPECT_NE(compare(vc("a"), nvc(QStringLiteral("á"))), 0);
    // Numbers of different types compare by value.
    EXPECT_EQ(compare(intValue(1), literalNumber("1.00")), 0);
    EXPECT_EQ(compare(literalNumber("0.1"), floatValue(0.1)), 0);
    EXPECT_EQ(compare(intValue(2), floatValue(2.5)), -1);
    EXPECT_EQ(compare(intValue(3000000000LL), intValue(3)), 1);
    EXPECT_EQ(compare(bitValue(true), intValue(1)), 0);
    EXPECT_EQ(compare(literalNumber("$2.50"), literalNumber("2.5")), 0);
    EXPECT_EQ(compare(literalNumber("-0.5"), literalNumber("0.25")), -1);
    // A guid against text, with or without braces.
    const Value g = guid("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    EXPECT_EQ(compare(g, vc("6f9619ff-8b86-d011-b42d-00c04fc964ff")), 0);
    EXPECT_EQ(compare(vc("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), g), 0);
    e = errorOf([&] { compare(g, vc("nope")); });
    EXPECT_EQ(e.number, 8169);
    e = errorOf([&] { compare(g, intValue(1)); });
    EXPECT_EQ(e.number, 206);
    EXPECT_EQ(e.text, "Operand type clash: uniqueidentifier is incompatible with int");
    // datetime against a text date and against a number of days.
    Value d;
    d.type = T("datetime");
    d.data = DateTimeValue {QDate(2025, 10, 1), {}};
    EXPECT_EQ(compare(d, vc("2025-10-01")), 0);
    EXPECT_EQ(compare(d, intValue(45929)), 0);
    EXPECT_EQ(compare(d, vc("2025-10-02")), -1);
    Value date;
    date.type = T("date");
    date.data = QDate(2025, 10, 1);
    EXPECT_EQ(compare(date, d), 0);
    e = errorOf([&] { compare(date, intValue(1)); });
    EXPECT_EQ(e.number, 206);
    EXPECT_EQ(e.text, "Operand type clash: date is incompatible with int");
    // NULL compares as unknown, whatever the other side.
    EXPECT_FALSE(compare(nullValue(T("int")), intValue(1)).has_value());
    EXPECT_FALSE(compare(vc("x"), nullValue(T("varchar(5)"))).has_value());
    // text/ntext/image do not compare.
    Value txt;
    txt.type = T("text");
    txt.data = QStringLiteral("abc");
    e = errorOf([&] { compare(txt, vc("abc")); });
    EXPECT_EQ(e.number, 402);
    EXPECT_EQ(e.text, "The data types text and varchar are incompatible in the equal to operator.");
}

TEST(ValuesCompare, SortOrderAndHashing)
{
    std::vector<Value> values = {vc("b"), nullValue(T("varchar(1)")), vc("A"), vc(QStringLiteral("á")), vc("a"),
                                 vc("C"), nullValue(T("varchar(1)"))};
    std::stable_sort(values.begin(), values.end(), [](const Value& x, const Value& y) { return compareForSort(x, y) < 0; });
    QStringList order;
    for (const Value& v : values) order << (v.isNull() ? QStringLiteral("NULL") : std::get<QString>(v.data));
    EXPECT_EQ(order.join(u','), QStringLiteral("NULL,NULL,A,a,á,b,C"));

    // SQL Server orders uniqueidentifiers by their last group first.
    EXPECT_LT(compareForSort(guid("FFFFFFFF-FFFF-FFFF-FFFF-000000000001"), guid("00000000-0000-0000-0000-000000000002")), 0);
    EXPECT_LT(compareForSort(guid("00000000-0000-0000-0001-000000000000"), guid("00000000-0000-0000-0100-000000000000")), 0);
    EXPECT_LT(compareForSort(guid("00000000-0000-0002-0000-000000000000"), guid("00000000-0000-0001-0000-000000000001")), 0);

    // Equal values hash alike across types and collation variants.
    EXPECT_EQ(hashValue(intValue(7)), hashValue(intValue(7)));
    Value big = intValue(7);
    big.type.id = TypeId::BigInt;
    EXPECT_EQ(hashValue(intValue(7)), hashValue(big));
    EXPECT_EQ(hashValue(intValue(7)), hashValue(literalNumber("7.000")));
    EXPECT_EQ(hashValue(intValue(7)), hashValue(floatValue(7.0)));
    EXPECT_EQ(hashValue(intValue(7)), hashValue(literalNumber("$7")));
    EXPECT_EQ(hashValue(literalNumber("0.5")), hashValue(floatValue(0.5)));
    EXPECT_EQ(hashValue(literalNumber("2.50")), hashValue(literalNumber("2.5")));
    EXPECT_EQ(hashValue(vc("Abc")), hashValue(nvc("aBC   ")));
    EXPECT_NE(hashValue(vc("abc")), hashValue(vc(QStringLiteral("ábc"))));
    Value d1, d2;
    d1.type = T("datetime");
    d1.data = DateTimeValue {QDate(2025, 10, 1), {}};
    d2.type = T("date");
    d2.data = QDate(2025, 10, 1);
    EXPECT_EQ(hashValue(d1), hashValue(d2));
    EXPECT_EQ(compare(d1, d2), 0);
}
