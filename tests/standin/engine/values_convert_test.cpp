// Conversions as SQL Server performs them: CAST/CONVERT and implicit conversions, with the
// error numbers and texts the server raises.
#include "ValuesTestSupport.h"

#include <gtest/gtest.h>

using namespace standin;

namespace {

int64_t asInt(const Value& v) { return std::get<int64_t>(v.data); }
QString text(const Value& v) { return std::get<QString>(v.data); }
DateTimeValue dt(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return DateTimeValue {QDate(y, mo, d), TimeOfDay::fromMilliseconds(((h * 60 + mi) * 60 + s) * 1000LL + ms)};
}
// A datetime holds 1/300 s: the value is built as the server would store it.
Value datetimeValue(const DateTimeValue& d)
{
    return convert(Value {SqlType {TypeId::DateTime2, 0, 0, 7}, d}, SqlType {TypeId::DateTime, 0, 0, 3});
}
DateTimeValue asDateTime(const Value& v) { return std::get<DateTimeValue>(v.data); }
Value typedValue(const char* decl, int64_t v) { return convert(intValue(v), T(decl)); }

}  // namespace

TEST(ValuesConvert, TextToIntegers)
{
    EXPECT_EQ(asInt(convert(vc("123"), T("int"))), 123);
    EXPECT_EQ(asInt(convert(vc(" 12 "), T("int"))), 12);
    EXPECT_EQ(asInt(convert(vc("+5"), T("int"))), 5);
    EXPECT_EQ(asInt(convert(vc("-7"), T("smallint"))), -7);
    EXPECT_EQ(asInt(convert(vc(""), T("int"))), 0);
    EXPECT_EQ(convert(vc("42"), T("int")).type.id, TypeId::Int);

    auto e = errorOf([] { convert(vc("abc"), T("int")); });
    EXPECT_EQ(e.number, 245);
    EXPECT_EQ(e.severity, 16);
    EXPECT_EQ(e.text, "Conversion failed when converting the varchar value 'abc' to data type int.");
    e = errorOf([] { convert(nvc("12.5"), T("int")); });
    EXPECT_EQ(e.number, 245);
    EXPECT_EQ(e.text, "Conversion failed when converting the nvarchar value '12.5' to data type int.");
    e = errorOf([] { convert(vc("1e3"), T("bigint")); });
    EXPECT_EQ(e.number, 245);

    e = errorOf([] { convert(vc("3000000000"), T("int")); });
    EXPECT_EQ(e.number, 248);
    EXPECT_EQ(e.text, "The conversion of the varchar value '3000000000' overflowed an int column.");
    e = errorOf([] { convert(vc("300"), T("tinyint")); });
    EXPECT_EQ(e.number, 244);
    EXPECT_EQ(e.text, "The conversion of the varchar value '300' overflowed an INT1 column. Use a larger integer column.");
    EXPECT_EQ(asInt(convert(vc("3000000000"), T("bigint"))), 3000000000LL);
}

TEST(ValuesConvert, NumericOverflowAndRounding)
{
    auto e = errorOf([] { convert(intValue(3000000000LL), T("int")); });
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.text, "Arithmetic overflow error converting expression to data type int.");
    e = errorOf([] { convert(intValue(300), T("tinyint")); });
    EXPECT_EQ(e.number, 220);
    EXPECT_EQ(e.text, "Arithmetic overflow error for data type tinyint, value = 300.");
    e = errorOf([] { convert(intValue(-40000), T("smallint")); });
    EXPECT_EQ(e.number, 220);

    // decimal and float truncate to int; money rounds.
    EXPECT_EQ(asInt(convert(literalNumber("2.7"), T("int"))), 2);
    EXPECT_EQ(asInt(convert(literalNumber("-2.7"), T("int"))), -2);
    EXPECT_EQ(asInt(convert(floatValue(2.9), T("int"))), 2);
    EXPECT_EQ(asInt(convert(literalNumber("$2.5"), T("int"))), 3);

    // decimal targets round half away from zero and check precision.
    const Value d = convert(literalNumber("12.345"), T("decimal(5,2)"));
    EXPECT_EQ(toText(d), "12.35");
    EXPECT_EQ(d.type, (SqlType{TypeId::Decimal, 0, 5, 2}));
    EXPECT_EQ(toText(convert(literalNumber("-12.345"), T("decimal(5,2)"))), "-12.35");
    e = errorOf([] { convert(intValue(1000), T("decimal(3,0)")); });
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.text, "Arithmetic overflow error converting int to data type numeric.");
    e = errorOf([] { convert(literalNumber("123.45"), T("numeric(4,2)")); });
    EXPECT_EQ(e.text, "Arithmetic overflow error converting numeric to data type numeric.");

    EXPECT_EQ(toText(convert(vc(" 12.5 "), T("decimal(10,2)"))), "12.50");
    e = errorOf([] { convert(vc("12,5"), T("decimal(10,2)")); });
    EXPECT_EQ(e.number, 8114);
    EXPECT_EQ(e.text, "Error converting data type varchar to numeric.");
    e = errorOf([] { convert(nvc("x"), T("numeric(10,2)")); });
    EXPECT_EQ(e.text, "Error converting data type nvarchar to numeric.");
    e = errorOf([] { convert(vc("1000"), T("decimal(3,0)")); });
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.text, "Arithmetic overflow error converting varchar to data type numeric.");
    e = errorOf([] { convert(vc("abc"), T("float")); });
    EXPECT_EQ(e.number, 8114);
    EXPECT_EQ(e.text, "Error converting data type varchar to float.");
    EXPECT_DOUBLE_EQ(std::get<double>(convert(vc("1e3"), T("float")).data), 1000.0);

    // money has four decimals; text with a currency sign and thousands separators converts.
    const Value m = convert(vc("$1,234.56789"), T("money"));
    EXPECT_EQ(std::get<Decimal>(m.data), (Decimal{12345679, 4}));
    e = errorOf([] { convert(vc("12a"), T("money")); });
    EXPECT_EQ(e.number, 235);
    EXPECT_EQ(e.text, "Cannot convert a char value to money. The char value has incorrect syntax.");
}

TEST(ValuesConvert, BitFromTextAndNumbers)
{
    EXPECT_TRUE(std::get<bool>(convert(vc("true"), T("bit")).data));
    EXPECT_FALSE(std::get<bool>(convert(vc("FALSE"), T("bit")).data));
    EXPECT_TRUE(std::get<bool>(convert(vc("2"), T("bit")).data));
    EXPECT_FALSE(std::get<bool>(convert(vc("0"), T("bit")).data));
    EXPECT_TRUE(std::get<bool>(convert(intValue(-3), T("bit")).data));
    EXPECT_TRUE(std::get<bool>(convert(literalNumber("0.5"), T("bit")).data));
    const auto e = errorOf([] { convert(vc("yes"), T("bit")); });
    EXPECT_EQ(e.number, 245);
    EXPECT_EQ(e.text, "Conversion failed when converting the varchar value 'yes' to data type bit.");
}

TEST(ValuesConvert, DateTimeFromNumbers)
{
    // A whole number counts days after 1900-01-01.
    EXPECT_EQ(asDateTime(convert(intValue(45929), T("datetime"))), dt(2025, 10, 1));
    EXPECT_EQ(asDateTime(convert(intValue(0), T("datetime"))), dt(1900, 1, 1));
    EXPECT_EQ(asDateTime(convert(intValue(-1), T("datetime"))), dt(1899, 12, 31));
    EXPECT_EQ(asDateTime(convert(floatValue(45929.5), T("datetime"))), dt(2025, 10, 1, 12));
    EXPECT_EQ(asDateTime(convert(floatValue(0.25), T("datetime"))), dt(1900, 1, 1, 6));
    EXPECT_EQ(asDateTime(convertImplicit(intValue(45929), T("datetime"))), dt(2025, 10, 1));
    const auto e = errorOf([] { convert(intValue(3000000), T("datetime")); });
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.text, "Arithmetic overflow error converting expression to data type datetime.");

    // datetime -> int rounds to the nearest day (noon rounds up); float keeps the fraction.
    EXPECT_EQ(asInt(convert(datetimeValue(dt(2025, 10, 1, 11, 59, 59, 997)), T("int"))), 45929);
    EXPECT_EQ(asInt(convert(datetimeValue(dt(2025, 10, 1, 12)), T("int"))), 45930);
    EXPECT_DOUBLE_EQ(std::get<double>(convert(datetimeValue(dt(2025, 10, 1, 18)), T("float")).data), 45929.75);

    // int -> date is not allowed at all; datetime -> int only explicitly.
    auto e2 = errorOf([] { convert(intValue(1), T("date")); });
    EXPECT_EQ(e2.number, 529);
    EXPECT_EQ(e2.text, "Explicit conversion from data type int to date is not allowed.");
    e2 = errorOf([] { convertImplicit(intValue(1), T("date")); });
    EXPECT_EQ(e2.number, 206);
    EXPECT_EQ(e2.text, "Operand type clash: int is incompatible with date");
    e2 = errorOf([] { convertImplicit(datetimeValue(dt(2025, 1, 1)), T("int")); });
    EXPECT_EQ(e2.number, 257);
    EXPECT_EQ(e2.text, "Implicit conversion from data type datetime to int is not allowed. Use the CONVERT function to run this query.");
}

TEST(ValuesConvert, DateTimeFromText)
{
    EXPECT_EQ(asDateTime(convert(vc("2025-10-01"), T("datetime"))), dt(2025, 10, 1));
    EXPECT_EQ(asDateTime(convert(vc("20251001"), T("datetime"))), dt(2025, 10, 1));
    EXPECT_EQ(asDateTime(convert(vc("2025-10-01 13:45:00.000"), T("datetime"))), dt(2025, 10, 1, 13, 45));
    EXPECT_EQ(asDateTime(convert(vc("2025-10-01T13:45:10.5"), T("datetime"))), dt(2025, 10, 1, 13, 45, 10, 500));
    EXPECT_EQ(asDateTime(convert(vc("01/10/2025"), T("datetime"))), dt(2025, 1, 10));      // mdy
    EXPECT_EQ(asDateTime(convert(vc("01/10/2025"), T("datetime"), true, 103)), dt(2025, 10, 1));
    EXPECT_EQ(asDateTime(convert(vc("Oct  1 2025 12:00AM"), T("datetime"))), dt(2025, 10, 1));
    EXPECT_EQ(asDateTime(convert(vc("Oct 1 2025 1:45PM"), T("datetime"))), dt(2025, 10, 1, 13, 45));
    EXPECT_EQ(asDateTime(convert(vc("1 October 2025"), T("datetime"))), dt(2025, 10, 1));
    EXPECT_EQ(asDateTime(convert(vc("13:45"), T("datetime"))), dt(1900, 1, 1, 13, 45));
    EXPECT_EQ(asDateTime(convert(vc(""), T("datetime"))), dt(1900, 1, 1));
    EXPECT_EQ(std::get<QDate>(convert(vc(""), T("date")).data), QDate(1900, 1, 1));
    EXPECT_EQ(std::get<QDate>(convert(vc("2025-10-01"), T("date")).data), QDate(2025, 10, 1));
    EXPECT_EQ(std::get<TimeOfDay>(convert(vc("13:45:30.25"), T("time")).data), TimeOfDay::fromMilliseconds(49530250));

    for (const char* bad : {"abc", "2025-10-01 25:00", "2025-10-01 13:45:00.1234", "10/01", "1.1", "13:00 PM"}) {
        const auto e = errorOf([&] { convert(vc(bad), T("datetime")); });
        EXPECT_EQ(e.number, 241) << bad;
        EXPECT_EQ(e.text, "Conversion failed when converting date and/or time from character string.") << bad;
    }
    auto e = errorOf([] { convert(vc("2025-02-30"), T("datetime")); });
    EXPECT_EQ(e.number, 242);
    EXPECT_EQ(e.text, "The conversion of a varchar data type to a datetime data type resulted in an out-of-range value.");
    e = errorOf([] { convert(nvc("1700-01-01"), T("datetime")); });
    EXPECT_EQ(e.text, "The conversion of a nvarchar data type to a datetime data type resulted in an out-of-range value.");
    e = errorOf([] { convert(vc("2025-02-30"), T("date")); });
    EXPECT_EQ(e.number, 241);
    // datetime2 takes seven fractional digits, datetime three.
    EXPECT_NO_THROW(convert(vc("2025-10-01 13:45:00.1234567"), T("datetime2")));
}

TEST(ValuesConvert, DateTimePrecision)
{
    // datetime keeps 1/300 s: .000, .003, .007.
    auto ms = [](const char* s) { return text(convert(convert(vc(s), T("datetime")), T("varchar(30)"), true, 121)).right(3).toInt(); };
    EXPECT_EQ(ms("2025-10-01 10:00:00.001"), 0);
    EXPECT_EQ(ms("2025-10-01 10:00:00.002"), 3);
    EXPECT_EQ(ms("2025-10-01 10:00:00.005"), 7);
    EXPECT_EQ(ms("2025-10-01 10:00:00.996"), 997);
    EXPECT_EQ(asDateTime(convert(vc("2025-10-01 23:59:59.999"), T("datetime"))), dt(2025, 10, 2));
    // smalldatetime keeps minutes: 29.998 s rounds down, 29.999 s up.
    EXPECT_EQ(asDateTime(convert(vc("2025-10-01 10:00:29.998"), T("smalldatetime"))), dt(2025, 10, 1, 10, 0));
    EXPECT_EQ(asDateTime(convert(vc("2025-10-01 10:00:29.999"), T("smalldatetime"))), dt(2025, 10, 1, 10, 1));
    // datetime -> date drops the time; date -> datetime is midnight.
    EXPECT_EQ(std::get<QDate>(convert(datetimeValue(dt(2025, 10, 1, 23)), T("date")).data), QDate(2025, 10, 1));
    Value d;
    d.type = T("date");
    d.data = QDate(2025, 10, 1);
    EXPECT_EQ(asDateTime(convert(d, T("datetime"))), dt(2025, 10, 1));

    // time, datetime2 and datetimeoffset keep 100 ns, rounded to their scale (carrying into the next
    // second or day); datetime's 1/300 s are exact in datetime2(7).
    const struct {
        const char* text;
        const char* from;
        const char* to;
        const char* shown;
    } cases[] = {
        {"2025-10-01 10:00:00.1234567", "datetime2", "datetime2", "2025-10-01 10:00:00.1234567"},
        {"2025-10-01 10:00:00.1234567", "datetime2", "datetime2(3)", "2025-10-01 10:00:00.123"},
        {"2025-10-01 23:59:59.99999995", "datetime2", "", ""},
        {"2025-10-01 23:59:59.9999999", "datetime2", "datetime2(6)", "2025-10-02 00:00:00.000000"},
        {"2025-10-01 10:00:00.003", "datetime", "datetime2", "2025-10-01 10:00:00.0033333"},
        {"2025-10-01 10:00:00.007", "datetime", "datetime2(4)", "2025-10-01 10:00:00.0067"},
        {"10:00:00.0000005", "time", "time(6)", "10:00:00.000001"},
        {"10:00:00.1234567 +05:30", "datetimeoffset", "datetimeoffset(5)", "10:00:00.12346 +05:30"},
    };
    for (const auto& c : cases) {
        if (!*c.to) {  // more than seven digits are not a date
            EXPECT_EQ(errorOf([&] { convert(vc(c.text), T(c.from)); }).number, 241) << c.text;
            continue;
        }
        const QString shown = toText(convert(convert(vc(c.text), T(c.from)), T(c.to)));
        EXPECT_TRUE(shown.endsWith(QLatin1String(c.shown))) << c.text << " -> " << c.to << ": " << shown.toStdString();
    }
}

TEST(ValuesConvert, DateTimeToText)
{
    const Value v = datetimeValue(dt(2025, 10, 1));
    EXPECT_EQ(toText(v), "Oct  1 2025 12:00AM");
    EXPECT_EQ(toText(datetimeValue(dt(2025, 10, 11, 13, 45))), "Oct 11 2025  1:45PM");
    const Value p = datetimeValue(dt(2025, 10, 1, 13, 45, 7, 3));
    EXPECT_EQ(text(convert(p, T("varchar(30)"), true, 120)), "2025-10-01 13:45:07");
    EXPECT_EQ(text(convert(p, T("varchar(30)"), true, 121)), "2025-10-01 13:45:07.003");
    EXPECT_EQ(text(convert(p, T("varchar(30)"), true, 103)), "01/10/2025");
    EXPECT_EQ(text(convert(p, T("varchar(30)"), true, 101)), "10/01/2025");
    EXPECT_EQ(text(convert(p, T("varchar(30)"), true, 112)), "20251001");
    EXPECT_EQ(text(convert(p, T("varchar(30)"), true, 108)), "13:45:07");
    EXPECT_EQ(text(convert(p, T("varchar(30)"), true, 126)), "2025-10-01T13:45:07.003");
    Value d;
    d.type = T("date");
    d.data = QDate(2025, 10, 1);
    EXPECT_EQ(toText(d), "2025-10-01");
    // Round trip through text at style 121.
    EXPECT_EQ(asDateTime(convert(convert(p, T("varchar(30)"), true, 121), T("datetime"))), asDateTime(p));
}

TEST(ValuesConvert, NumbersToText)
{
    EXPECT_EQ(toText(intValue(-42)), "-42");
    EXPECT_EQ(toText(literalNumber("12.50")), "12.50");
    EXPECT_EQ(toText(literalNumber("0.5")), "0.5");
    EXPECT_EQ(toText(literalNumber("$1234.5678")), "1234.57");  // money: two decimals by default
    EXPECT_EQ(text(convert(literalNumber("$1234567.5"), T("varchar(30)"), true, 1)), "1,234,567.50");
    EXPECT_EQ(text(convert(literalNumber("$1234.5678"), T("varchar(30)"), true, 2)), "1234.5678");
    EXPECT_EQ(toText(floatValue(123.456)), "123.456");
    EXPECT_EQ(toText(floatValue(1000000)), "1e+006");
    EXPECT_EQ(toText(floatValue(1234567)), "1.23457e+006");
    EXPECT_EQ(toText(floatValue(0.00001)), "1e-005");
    EXPECT_EQ(toText(floatValue(0.1)), "0.1");
    EXPECT_EQ(toText(bitValue(true)), "1");

    // Too long for the target: '*' for integers into char/varchar, error for nvarchar and decimals.
    EXPECT_EQ(text(convert(intValue(123), T("varchar(2)"))), "*");
    auto e = errorOf([] { convert(intValue(123), T("nvarchar(2)")); });
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.text, "Arithmetic overflow error converting expression to data type nvarchar.");
    e = errorOf([] { convert(literalNumber("99.999"), T("varchar(5)")); });
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.text, "Arithmetic overflow error converting numeric to data type varchar.");
}

TEST(ValuesConvert, UniqueIdentifier)
{
    const QUuid g = QUuid::fromString(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    EXPECT_EQ(std::get<QUuid>(convert(vc("6F9619FF-8B86-D011-B42D-00C04FC964FF"), T("uniqueidentifier")).data), g);
    EXPECT_EQ(std::get<QUuid>(convert(vc("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"), T("uniqueidentifier")).data), g);
    // Characters beyond the 36 of a GUID are ignored.
    EXPECT_EQ(std::get<QUuid>(convert(vc("6F9619FF-8B86-D011-B42D-00C04FC964FFwrong"), T("uniqueidentifier")).data), g);
    for (const char* bad : {"6F9619FF-8B86-D011-B42D", "{6F9619FF-8B86-D011-B42D-00C04FC964FF", "xyz", ""}) {
        const auto e = errorOf([&] { convert(vc(bad), T("uniqueidentifier")); });
        EXPECT_EQ(e.number, 8169) << bad;
        EXPECT_EQ(e.text, "Conversion failed when converting from a character string to uniqueidentifier.");
    }
    Value v;
    v.type = T("uniqueidentifier");
    v.data = g;
    EXPECT_EQ(toText(v), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    // Stored byte order: the first three groups little-endian.
    EXPECT_EQ(std::get<QByteArray>(convert(v, T("varbinary(16)")).data).toHex().toUpper(),
              QByteArray("FF19966F868B11D0B42D00C04FC964FF"));
    EXPECT_EQ(std::get<QUuid>(convert(convert(v, T("binary(16)")), T("uniqueidentifier")).data), g);
    auto e = errorOf([&] { convert(v, T("char(10)")); });
    EXPECT_EQ(e.number, 8170);
    e = errorOf([&] { convert(v, T("int")); });
    EXPECT_EQ(e.number, 529);
    EXPECT_EQ(e.text, "Explicit conversion from data type uniqueidentifier to int is not allowed.");
}

TEST(ValuesConvert, CharacterWidths)
{
    // CAST cuts; assignment refuses to lose anything but blanks.
    EXPECT_EQ(text(convert(vc("abcdef"), T("varchar(3)"))), "abc");
    auto e = errorOf([] { convert(vc("abcdef"), T("varchar(3)"), false); });
    EXPECT_EQ(e.number, 8152);
    EXPECT_EQ(e.text, "String or binary data would be truncated.");
    e = errorOf([] { convertImplicit(nvc(QStringLiteral("Peças")), T("nvarchar(4)")); });
    EXPECT_EQ(e.number, 8152);
    EXPECT_EQ(text(convert(vc("abc   "), T("varchar(3)"), false)), "abc");
    // char/nchar pad with blanks.
    const Value c = convert(vc("ab"), T("char(5)"), false);
    EXPECT_EQ(text(c), "ab   ");
    EXPECT_EQ(c.type, (SqlType{TypeId::Char, 5, 0, 0}));
    EXPECT_EQ(text(convert(nvc("x"), T("nchar(3)"))), "x  ");
    // A declared varchar without length holds one character; in CAST it holds 30.
    EXPECT_EQ(T("varchar").length, 1);
    EXPECT_EQ(parseCastTypeName("varchar").length, 30);
    e = errorOf([] { convert(vc("ab"), T("varchar"), false); });
    EXPECT_EQ(e.number, 8152);
    // varchar holds code page 1252: other characters become their base letter or '?'.
    EXPECT_EQ(text(convert(nvc(QStringLiteral("Peças €")), T("varchar(10)"))), QStringLiteral("Peças €"));
    EXPECT_EQ(text(convert(nvc(QStringLiteral("Łódź 中")), T("varchar(10)"))), QStringLiteral("?ódz ?"));
    // Binary: CAST pads binary(n) with zeros and cuts; assignment refuses to cut.
    EXPECT_EQ(std::get<QByteArray>(convert(vc("AB"), T("binary(4)")).data), QByteArray("AB\0\0", 4));
    EXPECT_EQ(std::get<QByteArray>(convert(intValue(258), T("varbinary(4)")).data), QByteArray("\0\0\1\2", 4));
    e = errorOf([] { convert(vc("ABC"), T("varbinary(2)"), false); });
    EXPECT_EQ(e.number, 8152);
    e = errorOf([] { convertImplicit(vc("AB"), T("varbinary(4)")); });
    EXPECT_EQ(e.number, 257);
    EXPECT_EQ(e.text, "Implicit conversion from data type varchar to varbinary is not allowed. Use the CONVERT function to run this query.");
}

TEST(ValuesConvert, ConversionTable)
{
    // A sample of SQL Server's conversion chart: (from, to, explicit, implicit).
    struct Row { TypeId from, to; bool explicitOk, implicitOk; };
    const Row rows[] = {
        {TypeId::VarChar, TypeId::Int, true, true},
        {TypeId::VarChar, TypeId::DateTime, true, true},
        {TypeId::VarChar, TypeId::UniqueIdentifier, true, true},
        {TypeId::VarChar, TypeId::VarBinary, true, false},
        {TypeId::VarBinary, TypeId::VarChar, true, true},
        {TypeId::Int, TypeId::DateTime, true, true},
        {TypeId::Int, TypeId::Date, false, false},
        {TypeId::DateTime, TypeId::Int, true, false},
        {TypeId::Date, TypeId::Int, false, false},
        {TypeId::Date, TypeId::DateTime, true, true},
        {TypeId::Time, TypeId::Date, false, false},
        {TypeId::UniqueIdentifier, TypeId::Int, false, false},
        {TypeId::UniqueIdentifier, TypeId::NVarChar, true, true},
        {TypeId::Text, TypeId::Int, false, false},
        {TypeId::Text, TypeId::VarChar, true, true},
        {TypeId::Image, TypeId::VarBinary, true, true},
        {TypeId::Image, TypeId::VarChar, false, false},
        {TypeId::VarBinary, TypeId::Float, false, false},
        {TypeId::SqlVariant, TypeId::Int, true, false},
        {TypeId::Int, TypeId::SqlVariant, true, true},
        {TypeId::Text, TypeId::SqlVariant, false, false},
        {TypeId::Money, TypeId::Decimal, true, true},
        {TypeId::Bit, TypeId::NVarChar, true, true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(canConvert(r.from, r.to), r.explicitOk) << typeName(r.from).toStdString() << "->" << typeName(r.to).toStdString();
        EXPECT_EQ(canConvertImplicitly(r.from, r.to), r.implicitOk) << typeName(r.from).toStdString() << "->" << typeName(r.to).toStdString();
    }
    // NULL converts to anything it may, keeping the target type.
    const Value n = convert(nullValue(T("varchar(10)")), T("int"));
    EXPECT_TRUE(n.isNull());
    EXPECT_EQ(n.type.id, TypeId::Int);
    EXPECT_TRUE(convert(nullValue(T("int")), T("image")).isNull());
    EXPECT_TRUE(convertImplicit(nullValue(T("int")), T("uniqueidentifier")).isNull());
    // sql_variant keeps the base type of its value.
    const Value sv = convert(nvc("abc"), T("sql_variant"));
    EXPECT_EQ(sv.type.id, TypeId::NVarChar);
    EXPECT_EQ(text(sv), "abc");
}

TEST(ValuesConvert, BinaryConversions)
{
    // Numbers become big-endian bytes of their own width and come back.
    const Value b = convert(intValue(-2), T("varbinary(8)"));
    EXPECT_EQ(std::get<QByteArray>(b.data), QByteArray("\xFF\xFF\xFF\xFE", 4));
    EXPECT_EQ(asInt(convert(b, T("int"))), -2);
    EXPECT_EQ(asInt(convert(literalNumber("0x0102"), T("smallint"))), 258);
    EXPECT_EQ(asInt(convert(literalNumber("0x010203"), T("tinyint"))), 3);  // the rightmost byte
    // binary(n) of a number pads on the left; of text on the right.
    EXPECT_EQ(std::get<QByteArray>(convert(typedValue("tinyint", 5), T("binary(2)")).data), QByteArray("\0\5", 2));
    // Text: varchar bytes in code page 1252, nvarchar bytes in UTF-16LE; back the same way.
    EXPECT_EQ(std::get<QByteArray>(convert(vc(QStringLiteral("çé")), T("varbinary(10)")).data), QByteArray("\xE7\xE9", 2));
    EXPECT_EQ(std::get<QByteArray>(convert(nvc("AB"), T("varbinary(10)")).data), QByteArray("A\0B\0", 4));
    EXPECT_EQ(text(convert(literalNumber("0x41E7"), T("varchar(10)"))), QStringLiteral("Aç"));
    EXPECT_EQ(text(convert(literalNumber("0x41004200"), T("nvarchar(10)"))), "AB");
    // CONVERT styles 1 and 2 read and write hexadecimal text.
    EXPECT_EQ(text(convert(literalNumber("0x0AFF"), T("varchar(10)"), true, 1)), "0x0AFF");
    EXPECT_EQ(text(convert(literalNumber("0x0AFF"), T("varchar(10)"), true, 2)), "0AFF");
    EXPECT_EQ(std::get<QByteArray>(convert(vc("0x0AFF"), T("varbinary(10)"), true, 1).data), QByteArray("\x0A\xFF", 2));
    const auto e = errorOf([] { convert(vc("0AFF"), T("varbinary(10)"), true, 1); });
    EXPECT_EQ(e.number, 8114);
    // datetime as bytes: days and 1/300 s ticks.
    const Value d = convert(datetimeValue(dt(1900, 1, 2, 0, 0, 1)), T("binary(8)"));
    EXPECT_EQ(std::get<QByteArray>(d.data), QByteArray("\0\0\0\1\0\0\1\x2C", 8));
    EXPECT_EQ(asDateTime(convert(d, T("datetime"))), dt(1900, 1, 2, 0, 0, 1));
}
