// The newer scalar built-ins and the datetimeoffset type, with SQL Server's documented results and
// error numbers. One table of cases per family: the expression, then its value as text (or NULL).
#include "EngineTestSupport.h"

#include <QIODevice>

namespace standin::test {
namespace {

struct Case
{
    const char *expression;
    const char *expected;
};

struct ErrorCase
{
    const char *statement;
    int number;
};

class Builtins : public EngineTest
{
protected:
    void expectValues(const std::vector<Case> &cases)
    {
        for (const Case &c : cases)
            EXPECT_EQ(scalar(QStringLiteral("SELECT ") + QString::fromUtf8(c.expression)),
                      QString::fromUtf8(c.expected))
                << c.expression;
    }
    void expectErrors(const std::vector<ErrorCase> &cases)
    {
        for (const ErrorCase &c : cases)
            EXPECT_EQ(error(QString::fromUtf8(c.statement)).number, c.number) << c.statement;
    }
    // The type of a query's only column, as the protocol describes it.
    QString columnType(const QString &expression)
    {
        const StatementResult r = ok(QStringLiteral("SELECT ") + expression);
        return r.resultSet ? typeDeclaration(r.resultSet->columns.at(0).type) : QString();
    }
};

TEST_F(Builtins, PowerKeepsTheTypeOfItsFirstArgument)
{
    expectValues({
        {"POWER(2, 10)", "1024"},
        {"POWER(2, -1)", "0"}, // int: 0.5 truncated
        {"POWER(2.0, -1)", "0.5"},
        {"POWER(2.5, 2)", "6.3"}, // decimal(38,1): 6.25 rounded
        {"CAST(POWER(CAST(2 AS float), 0.5) AS decimal(10,8))", "1.41421356"},
        {"POWER(CAST(3 AS bigint), 30)", "205891132094649"},
        {"POWER(NULL, 2)", "NULL"},
    });
    EXPECT_EQ(columnType(QStringLiteral("POWER(2.50, 2)")), QStringLiteral("numeric(38,2)"));
    EXPECT_EQ(columnType(QStringLiteral("POWER(CAST(2 AS smallint), 2)")), QStringLiteral("int"));
    expectErrors({
        {"SELECT POWER(2, 31)", 232},
        {"SELECT POWER(10.0, 38)", 8115},
        {"SELECT POWER(-2.0, 0.5)", 3623},
    });
}

TEST_F(Builtins, DatePartsDownToNanoseconds)
{
    ok(QStringLiteral("DECLARE @x int"));
    expectValues({
        {"DATEPART(mcs, CAST('2025-06-01 10:00:00.123' AS datetime2))", "123000"},
        {"DATEPART(nanosecond, CAST('2025-06-01 10:00:00.123' AS datetime2))", "123000000"},
        {"DATEDIFF(mcs, CAST('2025-06-01 10:00:00' AS datetime2), CAST('2025-06-01 10:00:01' AS datetime2))",
         "1000000"},
        {"DATEDIFF(ns, CAST('10:00:00' AS time), CAST('10:00:01.5' AS time))", "1500000000"},
        {"DATEDIFF_BIG(ms, '19000101', '20250601')", "3957724800000"},
        {"DATEDIFF_BIG(ns, CAST('2000-01-01' AS datetime2), CAST('2000-01-02' AS datetime2))", "86400000000000"},
        {"CONVERT(varchar(30), DATEADD(mcs, 5000, CAST('2025-06-01' AS datetime2(6))), 121)",
         "2025-06-01 00:00:00.005000"},
        {"DATEADD(hour, 25, CAST('23:00' AS time(0)))", "00:00:00"},
        // Below the millisecond: 100 ns units; nanoseconds added round to them (49 adds nothing).
        {"DATEPART(mcs, CAST('2025-06-01 10:00:00.1234567' AS datetime2))", "123456"},
        {"DATEPART(ns, CAST('10:00:00.1234567' AS time))", "123456700"},
        {"DATEADD(ns, 49, CAST('2024-01-01 13:10:10.1111111' AS datetime2))", "2024-01-01 13:10:10.1111111"},
        {"DATEADD(ns, 50, CAST('2024-01-01 13:10:10.1111111' AS datetime2))", "2024-01-01 13:10:10.1111112"},
        {"DATEADD(ns, 150, CAST('2024-01-01 13:10:10.1111111' AS datetime2))", "2024-01-01 13:10:10.1111113"},
        {"DATEADD(mcs, -1, CAST('2025-06-01' AS datetime2))", "2025-05-31 23:59:59.9999990"},
        {"DATEADD(mcs, 1, CAST('2025-06-01 10:00 +05:30' AS datetimeoffset))", "2025-06-01 10:00:00.0000010 +05:30"},
        {"DATEDIFF(mcs, CAST('10:00:00.0000005' AS time), CAST('10:00:00.0000015' AS time))", "1"},
        {"DATEDIFF_BIG(ns, CAST('10:00:00.0000005' AS time), CAST('10:00:00.0000015' AS time))", "1000"},
        {"DATEDIFF(ns, CAST('2025-06-01 10:00 +00:00' AS datetimeoffset), "
         "CAST('2025-06-01 07:00:00.0000001 -03:00' AS datetimeoffset))", "100"},
        {"DATETIME2FROMPARTS(2025, 6, 1, 10, 0, 0, 1234567, 7)", "2025-06-01 10:00:00.1234567"},
        {"CAST(CAST('2025-06-01 10:00:00.003' AS datetime) AS datetime2)", "2025-06-01 10:00:00.0033333"},
        {"DATEPART(mcs, CAST('2025-06-01 10:00:00.007' AS datetime))", "7000"},
        {"DATEDIFF(day, CAST('10:00' AS time), CAST('11:00' AS time))", "0"},
    });
    expectErrors({
        {"SELECT DATEDIFF(ms, '19000101', '20250601')", 535},
        {"SELECT DATEDIFF(second, CAST('0001-01-01' AS datetime2), CAST('9999-12-31' AS datetime2))", 535},
        {"SELECT DATEDIFF_BIG(ns, CAST('0001-01-01' AS datetime2), CAST('9999-12-31' AS datetime2))", 535},
        {"SELECT DATEADD(day, 1, CAST('10:00' AS time))", 9810},
        {"SELECT DATEADD(hour, 1, CAST('2025-06-01' AS date))", 9810},
        {"SELECT DATEADD(mcs, 1, GETDATE())", 9810},
        {"DECLARE @t time = '10:00'; SELECT DATEPART(year, @t)", 9810},
        {"SELECT DATEADD(tz, 1, SYSDATETIMEOFFSET())", 155},
    });
}

TEST_F(Builtins, CalendarConstructorsAndChoices)
{
    expectValues({
        {"EOMONTH('20240215')", "2024-02-29"},
        {"EOMONTH(CAST('2025-01-31' AS datetime), 1)", "2025-02-28"},
        {"EOMONTH('20250115', -13)", "2023-12-31"},
        {"DATEFROMPARTS(2025, 6, 1)", "2025-06-01"},
        {"DATEFROMPARTS(2025, NULL, 1)", "NULL"},
        {"CONVERT(varchar(23), DATETIMEFROMPARTS(2025, 6, 1, 14, 5, 30, 2), 121)", "2025-06-01 14:05:30.003"},
        {"DATETIME2FROMPARTS(2025, 6, 1, 14, 5, 30, 5, 1)", "2025-06-01 14:05:30.5"},
        {"TIMEFROMPARTS(23, 59, 59, 50, 2)", "23:59:59.50"},
        {"SMALLDATETIMEFROMPARTS(2025, 6, 1, 14, 5)", "Jun  1 2025  2:05PM"},
        {"IIF(1 > 2, 1, 2.5)", "2.5"},
        {"IIF(NULL = 1, 'sim', 'não')", "não"},
        {"CHOOSE(2, 'a', 'b', 'c')", "b"},
        {"CHOOSE(4, 'a', 'b', 'c')", "NULL"},
        {"CHOOSE(1, 1, 2.5)", "1.0"},
        {"CONCAT_WS(' - ', 'a', NULL, 'b', 1)", "a - b - 1"},
        {"CONCAT_WS(',', NULL, NULL)", ""},
    });
    expectErrors({
        {"SELECT DATEFROMPARTS(2025, 2, 30)", 289},
        {"SELECT TIMEFROMPARTS(10, 0, 0, 1000, 3)", 289},
        {"SELECT DATETIMEFROMPARTS(1700, 1, 1, 0, 0, 0, 0)", 289},
        {"SELECT EOMONTH(45000)", 8116},
        {"SELECT CONCAT_WS(',', 'a')", 174},
        {"SELECT IIF(1 = 1, NULL, NULL)", 8133},
        {"SELECT CASE WHEN 1 = 1 THEN NULL END", 8133},
        {"SELECT CASE 1 WHEN 1 THEN NULL ELSE NULL END", 8133},
    });
}

TEST_F(Builtins, TryConversionsGiveNullButDisallowedOnesStillFail)
{
    ok(QStringLiteral("CREATE TABLE notas (cnpj varchar(20)); INSERT notas VALUES ('123'), ('12.345/0001'), (NULL)"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM notas WHERE TRY_CONVERT(bigint, cnpj) = 123")), "1");
    expectValues({
        {"TRY_CAST('abc' AS int)", "NULL"},
        {"TRY_CONVERT(date, '20250231')", "NULL"},
        {"TRY_CONVERT(tinyint, 300)", "NULL"},
        {"TRY_CAST('12' AS int) + 1", "13"},
        {"TRY_PARSE('1.234,56' AS decimal(10,2) USING 'pt-BR')", "1234.56"},
        {"TRY_PARSE('$1,234.56' AS money USING 'en-US')", "1234.56"},
        {"TRY_PARSE('abc' AS int)", "NULL"},
        {"PARSE('01/06/2025' AS date USING 'pt-BR')", "2025-06-01"},
        {"PARSE('06/01/2025' AS date USING 'en-US')", "2025-06-01"},
        {"PARSE('Monday, 13 December 2010' AS datetime2(0) USING 'en-US')", "2010-12-13 00:00:00"},
    });
    expectErrors({
        {"SELECT TRY_CAST(1 AS date)", 529},
        {"SELECT TRY_CONVERT(uniqueidentifier, 1)", 529},
        {"SELECT TRY_CONVERT(int, 1 / 0)", 8134},
        {"SELECT PARSE('abc' AS int)", 9819},
        {"SELECT TRY_PARSE('1' AS int USING 'xx-YY')", 9818},
    });
}

TEST_F(Builtins, LikeEscape)
{
    expectValues({
        {"CASE WHEN '10%' LIKE '10!%' ESCAPE '!' THEN 1 ELSE 0 END", "1"},
        {"CASE WHEN '100' LIKE '10!%' ESCAPE '!' THEN 1 ELSE 0 END", "0"},
        {"CASE WHEN 'a_b' LIKE 'a\\_b' ESCAPE '\\' THEN 1 ELSE 0 END", "1"},
    });
    expectErrors({
        {"SELECT 1 WHERE 'a' LIKE 'a' ESCAPE 'ab'", 506},
        {"SELECT 1 WHERE 'a' LIKE 'a' ESCAPE ''", 506},
    });
}

TEST_F(Builtins, FormatNumbersAndDatesByCulture)
{
    expectValues({
        {"FORMAT(1234567.891, 'N', 'pt-BR')", "1.234.567,89"},
        {"FORMAT(1234567.891, 'N2', 'en-US')", "1,234,567.89"},
        {"FORMAT(1234.5, 'N0', 'en-US')", "1,235"},
        {"FORMAT(1234.5, 'C', 'pt-BR')", "R$ 1.234,50"},
        {"FORMAT(-1234.5, 'C', 'en-US')", "($1,234.50)"},
        {"FORMAT(42, 'D5')", "00042"},
        {"FORMAT(0.1234, 'P', 'en-US')", "12.34%"},
        {"FORMAT(0.1234, 'P1', 'pt-BR')", "12,3%"},
        {"FORMAT(255, 'X4')", "00FF"},
        {"FORMAT(1234.5, '#,##0.00', 'pt-BR')", "1.234,50"},
        {"FORMAT(7, '0000')", "0007"},
        {"FORMAT(-7.5, '0.0;(0.0)')", "(7.5)"},
        {"FORMAT(123456789, '###-##-####')", "123-45-6789"},
        {"FORMAT(0.5, '0%')", "50%"},
        {"FORMAT(CAST(1.5 AS float), 'F3', 'pt-BR')", "1,500"},
        {"FORMAT(CAST('2025-06-01 14:05:30' AS datetime), 'dd/MM/yyyy')", "01/06/2025"},
        {"FORMAT(CAST('2025-06-01 14:05:30' AS datetime), 'yyyy-MM-dd HH:mm:ss')", "2025-06-01 14:05:30"},
        {"FORMAT(CAST('2025-06-01 14:05:30' AS datetime), 'd', 'en-US')", "6/1/2025"},
        {"FORMAT(CAST('2025-06-01 14:05:30' AS datetime), 'd', 'pt-BR')", "01/06/2025"},
        {"FORMAT(CAST('2025-06-01' AS date), 'D', 'en-US')", "Sunday, June 1, 2025"},
        {"FORMAT(CAST('2025-06-01' AS date), 'D', 'pt-BR')", "domingo, 1 de junho de 2025"},
        {"FORMAT(CAST('2025-06-01 14:05:30' AS datetime2), 'g', 'en-US')", "6/1/2025 2:05 PM"},
        {"FORMAT(CAST('2025-06-01 14:05:30' AS datetime2), 'g', 'pt-BR')", "01/06/2025 14:05"},
        {"FORMAT(CAST('2025-06-01' AS date), 'dddd, MMMM dd', 'pt-BR')", "domingo, junho 01"},
        {"FORMAT(CAST('14:05' AS time), 'hh\\:mm')", "14:05"},
        {"FORMAT(CAST('14:05' AS time), 'hh:mm')", "NULL"},
        {"FORMAT(1, 'Q')", "NULL"},
        {"FORMAT(CAST(NULL AS int), 'N')", "NULL"},
        // A NULL format of a typed value is the general format.
        {"FORMAT(CAST(1234.5 AS decimal(10, 2)), CAST(NULL AS varchar(10)), 'de-DE')", "1234,50"},
    });
    // German and French, as .NET writes them (de-DE abbreviates March 'Mrz'; fr-FR groups with a no-break
    // space); '_' reads as '-', a neutral name as its main country.
    const QString value = "CAST(-1234567.8951 AS decimal(19, 4))", day = "CAST('2024-03-05T14:07:09' AS datetime2(0))";
    const std::vector<std::pair<QString, QString>> cultures = {
        {"FORMAT(" + value + ", 'N', 'de-DE')", "-1.234.567,90"},
        {"FORMAT(" + value + ", 'C', 'de-DE')", "-1.234.567,90 €"},
        {"FORMAT(" + value + ", 'P', 'de_DE')", "-123.456.789,51 %"},
        {"FORMAT(" + value + ", 'E', 'de')", "-1,234568E+006"},
        {"FORMAT(" + value + ", 'N', 'fr-FR')", "-1\u00a0234\u00a0567,90"},
        {"FORMAT(" + value + ", 'C', 'FR-fr')", "-1\u00a0234\u00a0567,90 €"},
        {"FORMAT(" + day + ", 'd', 'de-DE')", "05.03.2024"},
        {"FORMAT(" + day + ", 'D', 'de-DE')", "Dienstag, 5. März 2024"},
        {"FORMAT(" + day + ", 'G', 'de-DE')", "05.03.2024 14:07:09"},
        {"FORMAT(" + day + ", 'M', 'de-DE') + ' / ' + FORMAT(" + day + ", 'Y', 'de-DE')", "5. März / März 2024"},
        {"FORMAT(" + day + ", 'MMM tt', 'de-DE')", "Mrz "},
        {"FORMAT(" + day + ", 'd', 'fr-FR')", "05/03/2024"},
        {"FORMAT(" + day + ", 'D', 'fr-FR')", "mardi 5 mars 2024"},
        {"FORMAT(" + day + ", 'M', 'fr') + ' / ' + FORMAT(" + day + ", 'Y', 'fr-FR')", "5 mars / mars 2024"},
    };
    for (const auto &[expression, expected] : cultures)
        EXPECT_EQ(scalar("SELECT " + expression), expected) << expression.toStdString();
    // Without a culture, the session's language decides.
    ok(QStringLiteral("SET LANGUAGE Brazilian"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT FORMAT(1234.5, 'N')")), QStringLiteral("1.234,50"));
    EXPECT_EQ(columnType(QStringLiteral("FORMAT(1, 'N')")), QStringLiteral("nvarchar(4000)"));
    ok(QStringLiteral("SET LANGUAGE Deutsch"));
    EXPECT_EQ(
        scalar("SELECT FORMAT(1234.5, 'N') + ' ' + FORMAT(" + day + ", 'D') + ' ' + DATENAME(month, " + day + ")"),
        QStringLiteral("1.234,50 Dienstag, 5. März 2024 März"));
    EXPECT_EQ(scalar("SELECT FORMAT(1234.5, 'N', 'en-US')"), QStringLiteral("1,234.50"));
    ok(QStringLiteral("SET LANGUAGE French"));
    EXPECT_EQ(scalar("SELECT @@LANGUAGE + ' ' + FORMAT(" + day
                     + ", 'D') + ' ' + CONVERT(varchar(10), CAST('05/03/2024' "
                       "AS date), 23)"),
              QStringLiteral("Français mardi 5 mars 2024 2024-03-05"));
    expectErrors({
        {"SELECT FORMAT(1, 'N', 'xx-YY')", 9818},
        {"SELECT FORMAT(1, 'N', NULL)", 9818},
        {"SELECT FORMAT(1, 'N', '')", 9818},
        {"SELECT FORMAT(1, 'N', 'en-US ')", 9818},
        {"SELECT FORMAT(1, 'N', 'German')", 9818},
        {"SELECT PARSE('1' AS int USING NULL)", 9818},
        {"SELECT FORMAT('abc', 'N')", 8116},
        {"SELECT FORMAT(NULL, 'N')", 8116},
        {"SELECT FORMAT(1, NULL)", 8116},
        {"SELECT FORMAT(CAST(1 AS bit), 'N')", 8116},
    });
    EXPECT_EQ(error("SELECT FORMAT(1, 'N', NULL)").text,
              "The culture parameter 'NULL' provided in the function call is not supported.");
}

TEST_F(Builtins, DateTimeOffsetStoresComparesAndConverts)
{
    ok(QStringLiteral("CREATE TABLE eventos (id int, quando datetimeoffset(3))"));
    ok(QStringLiteral("INSERT eventos VALUES (1, '2025-06-01 10:00:00 -03:00'), (2, '2025-06-01 13:00:00 +00:00'), "
                      "(3, '2025-06-01T12:00:00Z')"));
    // The same instant at two offsets is equal; order follows the UTC instant.
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM eventos WHERE quando = '2025-06-01 15:00 +02:00'")), "2");
    EXPECT_EQ(scalar(QStringLiteral("SELECT TOP 1 id FROM eventos ORDER BY quando")), "3");
    expectValues({
        {"CAST(quando AS varchar(40)) FROM eventos WHERE id = 1", "2025-06-01 10:00:00.000 -03:00"},
        {"CAST(quando AS datetime2(0)) FROM eventos WHERE id = 1", "2025-06-01 10:00:00"},
        {"CONVERT(varchar(40), quando, 127) FROM eventos WHERE id = 1", "2025-06-01T13:00:00.000Z"},
        {"DATEPART(tz, quando) FROM eventos WHERE id = 1", "-180"},
        {"DATENAME(tzoffset, quando) FROM eventos WHERE id = 1", "-03:00"},
        {"DATEPART(hour, quando) FROM eventos WHERE id = 1", "10"},
        {"DATEDIFF(minute, (SELECT quando FROM eventos WHERE id = 1), (SELECT quando FROM eventos WHERE id = 3))",
         "-60"},
        {"SWITCHOFFSET(quando, '+05:30') FROM eventos WHERE id = 1", "2025-06-01 18:30:00.000 +05:30"},
        {"SWITCHOFFSET(quando, -60) FROM eventos WHERE id = 3", "2025-06-01 11:00:00.000 -01:00"},
        {"TODATETIMEOFFSET(CAST('2025-06-01 10:00' AS datetime2(0)), '-03:00')", "2025-06-01 10:00:00 -03:00"},
        {"TODATETIMEOFFSET(CAST('2025-06-01 10:00' AS datetime), 120)", "2025-06-01 10:00:00.000 +02:00"},
        {"DATEADD(day, 1, CAST('2025-06-01 23:00 -03:00' AS datetimeoffset(0)))", "2025-06-02 23:00:00 -03:00"},
        {"DATETIMEOFFSETFROMPARTS(2025, 6, 1, 10, 0, 0, 0, -3, 0, 0)", "2025-06-01 10:00:00 -03:00"},
        {"CAST(CAST('2025-06-01' AS date) AS datetimeoffset(0))", "2025-06-01 00:00:00 +00:00"},
        {"DATEPART(tz, SYSDATETIMEOFFSET()) - DATEDIFF(minute, SYSUTCDATETIME(), SYSDATETIME())", "0"},
    });
    expectErrors({
        {"SELECT CAST('2025-06-01 10:00 +15:00' AS datetimeoffset)", 241},
        {"SELECT SWITCHOFFSET(SYSDATETIMEOFFSET(), '+15:00')", 9812},
        {"SELECT CAST(1 AS datetimeoffset)", 529},
        {"SELECT DATEPART(tz, GETDATE())", 9810},
    });
}

TEST_F(Builtins, DateTimeOffsetSurvivesARestart)
{
    ok(QStringLiteral("CREATE TABLE eventos (quando datetimeoffset)"));
    ok(QStringLiteral("INSERT eventos VALUES ('2025-06-01 10:00:00.1234567 +05:45')"));
    const BatchResult r = run(QStringLiteral("SELECT quando FROM eventos"));
    ASSERT_TRUE(r.statements.back().resultSet);
    QByteArray saved;
    {
        QDataStream out(&saved, QIODevice::WriteOnly);
        writeValue(out, r.statements.back().resultSet->rows.at(0).at(0));
    }
    QDataStream in(saved);
    const Value back = readValue(in);
    EXPECT_EQ(back.type.id, TypeId::DateTimeOffset);
    EXPECT_EQ(toText(back), QStringLiteral("2025-06-01 10:00:00.1234567 +05:45"));
}

} // namespace
} // namespace standin::test
