// Rendering of values in the insert script, apart from any server.
#include "users/UserScript.h"
#include "connection/Dataset.h"

#include <QLocale>
#include <QTime>
#include <gtest/gtest.h>

namespace {

DatasetColumn column(const char *type, int scale = 0)
{
    DatasetColumn c;
    c.name = QStringLiteral("C");
    c.typeName = QString::fromLatin1(type);
    c.scale = scale;
    return c;
}

// Sets the regional format for one test and puts the previous one back.
struct RegionalFormat
{
    explicit RegionalFormat(const QLocale &locale) { QLocale::setDefault(locale); }
    ~RegionalFormat() { QLocale::setDefault(saved); }
    QLocale saved;
};

} // namespace

TEST(UserScript, FormataDecimalWritesAPointWhateverTheRegionalSeparator)
{
    for (const QLocale &locale :
         {QLocale(QLocale::Portuguese, QLocale::Brazil), QLocale(QLocale::English, QLocale::UnitedStates),
          QLocale(QLocale::German, QLocale::Germany)}) {
        RegionalFormat regional(locale);
        EXPECT_EQ(UserScript::FormataDecimal(0.5), QStringLiteral("0.500000")) << qPrintable(locale.name());
        EXPECT_EQ(UserScript::FormataDecimal(-1.5), QStringLiteral("-1.500000"));
        EXPECT_EQ(UserScript::FormataDecimal(0.0000004), QStringLiteral("0.000000"));
        EXPECT_EQ(UserScript::FormataDecimal(2.0 / 3.0), QStringLiteral("0.666667"));
        // No thousands separator, even where the regional format has one.
        EXPECT_EQ(UserScript::FormataDecimal(1234567.25), QStringLiteral("1234567.250000"))
            << qPrintable(locale.name());
    }
}

TEST(UserScript, TimeIsATextOfTheDayAndNullsFollowTheType)
{
    RegionalFormat regional(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const struct
    {
        QVariant value;
        const char *rendered;
    } times[] = {
        {QTime(12, 0), "'12:00:00.0000000'"},
        {QTime(18, 5, 9, 250), "'18:05:09.2500000'"},
        {QStringLiteral("06:00:00.1234567"), "'06:00:00.1234567'"},
        {QStringLiteral("23:59:59"), "'23:59:59.0000000'"},
        {QStringLiteral("7:01:02.5"), "'07:01:02.5000000'"},
    };
    for (const auto &t : times)
        EXPECT_EQ(UserScript::renderValue(column("time"), t.value), QString::fromUtf8(t.rendered)) << t.rendered;
    // A null that the text rules write as NULL, '' or '0'.
    for (const char *type : {"int", "tinyint", "time", "varchar", "date", "datetime", "money", "float", "bigint"})
        EXPECT_EQ(UserScript::renderValue(column(type), QVariant()), QStringLiteral("NULL")) << type;
    EXPECT_EQ(UserScript::renderValue(column("char"), QVariant()), QStringLiteral("''"));
    for (const char *type : {"nvarchar", "nchar"})
        EXPECT_EQ(UserScript::renderValue(column(type), QVariant()), QStringLiteral("N''")) << type;
    EXPECT_EQ(UserScript::renderValue(column("bit"), QVariant()), QStringLiteral("'0'"));
    // Quotes inside every kind of text are doubled; Unicode text is an N literal.
    for (const char *type : {"char", "varchar"})
        EXPECT_EQ(UserScript::renderValue(column(type), QStringLiteral("D'Ávila ''")),
                  QStringLiteral("'D''Ávila '''''"))
            << type;
    for (const char *type : {"nvarchar", "nchar"})
        EXPECT_EQ(UserScript::renderValue(column(type), QStringLiteral("Łukasz D'Ávila")),
                  QStringLiteral("N'Łukasz D''Ávila'"))
            << type;
}

TEST(UserScript, NumbersKeepTheirFullValueInThePointFormat)
{
    RegionalFormat regional(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(UserScript::renderValue(column("bigint"), qlonglong(-9223372036854775807LL - 1)),
              QStringLiteral("'-9223372036854775808'"));
    EXPECT_EQ(UserScript::renderValue(column("float"), 0.1), QStringLiteral("'0.1'"));
    EXPECT_EQ(UserScript::renderValue(column("float"), 1e300), QStringLiteral("'1e+300'"));
    EXPECT_EQ(UserScript::renderValue(column("money", 4), 1234.5), QStringLiteral("'1234.5000'"));
    EXPECT_EQ(UserScript::renderValue(column("decimal", 3), QStringLiteral("-12.345")), QStringLiteral("'-12.345'"));
    EXPECT_EQ(UserScript::renderValue(column("date"), QDate(2026, 2, 3)), QStringLiteral("'20260203'"));
    EXPECT_EQ(UserScript::renderValue(column("datetime"), QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6, 997))),
              QStringLiteral("'2026-02-03T04:05:06.997'"));
}
