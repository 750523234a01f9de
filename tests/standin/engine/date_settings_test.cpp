// How a date text becomes a date under SET DATEFORMAT, SET LANGUAGE and SET DATEFIRST: ambiguous
// texts follow the session's date order, language-neutral ones never do.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

using DateSettingsTest = EngineTest;

TEST_F(DateSettingsTest, AmbiguousTextsFollowTheDateOrderAndNeutralOnesNever)
{
    struct Case
    {
        const char *order;
        const char *text;
        const char *type;
        const char *expected; // yyyy-mm-dd, or the error number
    };
    const Case cases[] = {
        {"mdy", "06/01/2025", "datetime", "2025-06-01"},
        {"dmy", "06/01/2025", "datetime", "2025-01-06"},
        {"dmy", "31/12/2008 09:01:01.1234567", "datetime2", "2008-12-31"},
        {"dmy", "12/31/2008", "datetime2", "241"},
        {"mdy", "13/12/2025", "datetime", "242"},
        {"mdy", "13/12/2025", "date", "241"},
        // A year in front: datetime and smalldatetime read month and day in the order of the date
        // order, date and datetime2 always month first.
        {"dmy", "2025-06-01 00:00:00", "datetime", "2025-01-06"},
        {"dmy", "2025-06-01", "smalldatetime", "2025-01-06"},
        {"dmy", "2025-06-01 00:00:00", "date", "2025-06-01"},
        {"dmy", "2025-06-01 00:00:00", "datetime2", "2025-06-01"},
        {"dmy", "2025-06-13", "datetime", "242"},
        {"ydm", "2025-01-06", "datetime", "2025-06-01"},
        {"ymd", "25/06/01", "datetime", "2025-06-01"},
        {"myd", "06/2025/01", "datetime", "2025-06-01"},
        {"dym", "01/2025/06", "datetime", "2025-06-01"},
        // Unseparated and ISO 8601 texts do not depend on the date order.
        {"dmy", "20250601", "datetime", "2025-06-01"},
        {"ydm", "2025-06-01T00:00:00", "datetime", "2025-06-01"},
        {"dmy", "2025-06-01T10:20:30.123", "smalldatetime", "2025-06-01"},
    };
    for (const Case &c : cases) {
        const QString sql = QStringLiteral("SET DATEFORMAT %1; SELECT CONVERT(char(10), CAST('%2' AS %3), 120)")
                                .arg(QLatin1String(c.order), QLatin1String(c.text), QLatin1String(c.type));
        const BatchResult r = run(sql);
        QString got;
        for (const auto &s : r.statements) {
            for (const auto &m : s.messages)
                if (m.severity > 10 && got.isEmpty())
                    got = QString::number(m.number);
            if (s.resultSet && !s.resultSet->rows.empty())
                got = toText(s.resultSet->rows[0][0]);
        }
        EXPECT_EQ(got, QLatin1String(c.expected)) << sql.toStdString();
    }
    // A style names its own order: 103 is day first and 120 year-month-day whatever the session says.
    EXPECT_EQ(scalar("SET DATEFORMAT mdy; SELECT CONVERT(char(10), CONVERT(datetime, '25/12/2025', 103), 120)"),
              "2025-12-25");
    EXPECT_EQ(
        scalar("SET DATEFORMAT dmy; SELECT CONVERT(char(10), CONVERT(datetime, '2025-06-01 00:00:00', 120), 120)"),
        "2025-06-01");
}

TEST_F(DateSettingsTest, LanguageSetsDateOrderFirstWeekdayAndNames)
{
    StatementResult set = ok("SET LANGUAGE Português");
    ASSERT_EQ(set.messages.size(), 1u);
    EXPECT_EQ(set.messages[0].number, 5703);
    EXPECT_EQ(set.messages[0].text, QStringLiteral("Changed language setting to Português."));
    EXPECT_EQ(rows("SELECT @@LANGUAGE, @@LANGID, @@DATEFIRST, CONVERT(char(10), CAST('2025-06-01 00:00:00' AS "
                   "datetime), 120), "
                   "DATENAME(month, '20250601'), DATENAME(weekday, '20250601'), CAST('1 março 2025' AS date)"),
              (std::vector<QStringList> {{"Português", "9", "7", "2025-01-06", "junho", "domingo", "2025-03-01"}}));
    // Settings last for the session, and SET DATEFORMAT overrides the language's order until the next SET LANGUAGE.
    EXPECT_EQ(scalar("SET DATEFORMAT mdy; SELECT CONVERT(char(10), CAST('06/01/2025' AS datetime), 120)"),
              "2025-06-01");
    EXPECT_EQ(
        scalar("SET LANGUAGE 'Português (Brasil)'; SELECT CONVERT(char(10), CAST('06/01/2025' AS datetime), 120)"),
        "2025-01-06");
    EXPECT_EQ(rows("SET LANGUAGE Brazilian; SELECT @@LANGUAGE, @@LANGID"),
              (std::vector<QStringList> {{"Português (Brasil)", "27"}}));
    // British weeks start on Monday: Sunday 1 June 2025 is day 7; us_english counts it as day 1.
    EXPECT_EQ(rows("SET LANGUAGE British; SELECT @@LANGUAGE, @@DATEFIRST, DATEPART(weekday, '20250601'), "
                   "DATEPART(week, '20250601'), DATENAME(month, '20250601')"),
              (std::vector<QStringList> {{"British", "1", "7", "22", "June"}}));
    EXPECT_EQ(
        rows("SET LANGUAGE us_english; SELECT @@DATEFIRST, DATEPART(weekday, '20250601'), DATEPART(week, '20250601')"),
        (std::vector<QStringList> {{"7", "1", "23"}}));
    EXPECT_EQ(scalar("SET DATEFIRST 1; SELECT DATEPART(weekday, '20250602')"), "1");
    EXPECT_EQ(scalar("DECLARE @l sysname = N'Portuguese'; SET LANGUAGE @l; SELECT @@LANGUAGE"), "Português");
    // Month names are read in the session's language only.
    EXPECT_EQ(error("SELECT CAST('1 June 2025' AS date)").number, 241);
}

TEST_F(DateSettingsTest, WrongSettingsAreRefusedAndAProcedureKeepsItsOwn)
{
    EXPECT_EQ(error("SET LANGUAGE Klingon").number, 2740);
    EXPECT_EQ(error("SET DATEFORMAT xyz").number, 2741);
    EXPECT_EQ(error("SET DATEFIRST 8").number, 2742);
    EXPECT_EQ(scalar("SELECT @@LANGUAGE"), "us_english");
    ok("CREATE PROCEDURE Britanico AS SET LANGUAGE British; SELECT CONVERT(char(10), CAST('06/01/2025' AS datetime), "
       "120)");
    const BatchResult call = run("EXEC Britanico");
    QString read;
    for (const auto &st : call.statements)
        if (st.resultSet && !st.resultSet->rows.empty())
            read = toText(st.resultSet->rows[0][0]);
    EXPECT_EQ(read, "2025-01-06");
    // What a procedure sets ends with it.
    EXPECT_EQ(rows("SELECT @@LANGUAGE, CONVERT(char(10), CAST('06/01/2025' AS datetime), 120)"),
              (std::vector<QStringList> {{"us_english", "2025-06-01"}}));
}

} // namespace
} // namespace standin::test
