// Type names and declarations, precedence, widths, numeric literals and persistence of values.
#include "ValuesTestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <random>

using namespace standin;

TEST(ValuesTypes, ParseTypeNames)
{
    EXPECT_EQ(parseTypeName("int"), (SqlType{TypeId::Int, 0, 0, 0}));
    EXPECT_EQ(parseTypeName("INTEGER").id, TypeId::Int);
    EXPECT_EQ(parseTypeName("[int]").id, TypeId::Int);
    EXPECT_EQ(parseTypeName("nvarchar(50)"), (SqlType{TypeId::NVarChar, 50, 0, 0}));
    EXPECT_EQ(parseTypeName("NVARCHAR (max)"), (SqlType{TypeId::NVarChar, -1, 0, 0}));
    EXPECT_EQ(parseTypeName("nvarchar", "MAX"), (SqlType{TypeId::NVarChar, -1, 0, 0}));
    EXPECT_EQ(parseTypeName("varchar"), (SqlType{TypeId::VarChar, 1, 0, 0}));
    EXPECT_EQ(parseTypeName("char"), (SqlType{TypeId::Char, 1, 0, 0}));
    EXPECT_EQ(parseTypeName("decimal(18, 2)"), (SqlType{TypeId::Decimal, 0, 18, 2}));
    EXPECT_EQ(parseTypeName("decimal", "(10)"), (SqlType{TypeId::Decimal, 0, 10, 0}));
    EXPECT_EQ(parseTypeName("numeric"), (SqlType{TypeId::Numeric, 0, 18, 0}));
    EXPECT_EQ(parseTypeName("float(53)"), (SqlType{TypeId::Float, 0, 53, 0}));
    EXPECT_EQ(parseTypeName("float(24)"), (SqlType{TypeId::Real, 0, 24, 0}));
    EXPECT_EQ(parseTypeName("float").id, TypeId::Float);
    EXPECT_EQ(parseTypeName("double  precision").id, TypeId::Float);
    EXPECT_EQ(parseTypeName("character varying(20)"), (SqlType{TypeId::VarChar, 20, 0, 0}));
    EXPECT_EQ(parseTypeName("datetime2"), (SqlType{TypeId::DateTime2, 0, 27, 7}));
    EXPECT_EQ(parseTypeName("time(3)").scale, 3);
    EXPECT_EQ(parseTypeName("varbinary(max)").length, -1);
    EXPECT_EQ(parseTypeName("sysname"), (SqlType{TypeId::NVarChar, 128, 0, 0}));
    EXPECT_EQ(parseTypeName("sql_variant").id, TypeId::SqlVariant);
    EXPECT_EQ(parseTypeName("image").id, TypeId::Image);

    auto e = errorOf([] { parseTypeName("strng"); });
    EXPECT_EQ(e.number, 2715);
    EXPECT_EQ(e.text, "Column, parameter, or variable #1: Cannot find data type strng.");
    e = errorOf([] { parseTypeName("strng", QString(), 3); });
    EXPECT_EQ(e.text, "Column, parameter, or variable #3: Cannot find data type strng.");
    e = errorOf([] { parseTypeName("varchar(9000)"); });
    EXPECT_EQ(e.number, 131);
    EXPECT_EQ(e.text, "The size (9000) given to the type 'varchar' exceeds the maximum allowed for any data type (8000).");
    e = errorOf([] { parseTypeName("nvarchar(4001)"); });
    EXPECT_EQ(e.number, 131);
    e = errorOf([] { parseTypeName("decimal(39,2)"); });
    EXPECT_EQ(e.number, 2750);
    EXPECT_EQ(e.text, "Column or parameter #1: Specified column precision 39 is greater than the maximum precision of 38.");
    e = errorOf([] { parseTypeName("decimal(5,6)", QString(), 2); });
    EXPECT_EQ(e.number, 2751);
    EXPECT_EQ(e.text, "Column or parameter #2: Specified column scale 6 is greater than the specified precision of 5.");
    e = errorOf([] { parseTypeName("int(5)"); });
    EXPECT_EQ(e.number, 2716);
    e = errorOf([] { parseTypeName("char(max)"); });
    EXPECT_EQ(e.number, 102);

    EXPECT_EQ(typeDeclaration(parseTypeName("nvarchar(50)")), "nvarchar(50)");
    EXPECT_EQ(typeDeclaration(parseTypeName("varbinary(max)")), "varbinary(max)");
    EXPECT_EQ(typeDeclaration(parseTypeName("decimal(18, 2)")), "decimal(18,2)");
    EXPECT_EQ(typeDeclaration(parseTypeName("datetime")), "datetime");

    EXPECT_EQ(byteLength(parseTypeName("nvarchar(10)")), 20);
    EXPECT_EQ(byteLength(parseTypeName("nvarchar(max)")), -1);
    EXPECT_EQ(byteLength(parseTypeName("int")), 4);
    EXPECT_EQ(byteLength(parseTypeName("decimal(18,2)")), 9);
    EXPECT_EQ(byteLength(parseTypeName("uniqueidentifier")), 16);
    EXPECT_EQ(byteLength(parseTypeName("datetime")), 8);

    // Precedence: datetime > float > decimal > money > bigint > int > bit > nvarchar > varchar.
    const TypeId order[] = {TypeId::SqlVariant, TypeId::DateTime2, TypeId::DateTime, TypeId::SmallDateTime,
                            TypeId::Date, TypeId::Time, TypeId::Float, TypeId::Real, TypeId::Decimal, TypeId::Money,
                            TypeId::SmallMoney, TypeId::BigInt, TypeId::Int, TypeId::SmallInt, TypeId::TinyInt,
                            TypeId::Bit, TypeId::NText, TypeId::Text, TypeId::Image, TypeId::UniqueIdentifier,
                            TypeId::NVarChar, TypeId::NChar, TypeId::VarChar, TypeId::Char, TypeId::VarBinary,
                            TypeId::Binary};
    for (size_t i = 1; i < std::size(order); ++i)
        EXPECT_GT(typePrecedence(order[i - 1]), typePrecedence(order[i])) << typeName(order[i]).toStdString();
    EXPECT_EQ(typePrecedence(TypeId::Decimal), typePrecedence(TypeId::Numeric));

    EXPECT_EQ(commonType(parseTypeName("int"), parseTypeName("varchar(10)")).id, TypeId::Int);
    EXPECT_EQ(commonType(parseTypeName("varchar(10)"), parseTypeName("nvarchar(5)")), (SqlType{TypeId::NVarChar, 10, 0, 0}));
    EXPECT_EQ(commonType(parseTypeName("decimal(5,2)"), parseTypeName("decimal(10,4)")), (SqlType{TypeId::Decimal, 0, 10, 4}));
    EXPECT_EQ(commonType(parseTypeName("decimal(5,2)"), parseTypeName("int")), (SqlType{TypeId::Decimal, 0, 12, 2}));
    EXPECT_EQ(commonType(parseTypeName("datetime"), parseTypeName("int")).id, TypeId::DateTime);
}

TEST(ValuesTypes, Literals)
{
    const Value i = literalNumber("12");
    EXPECT_EQ(i.type.id, TypeId::Int);
    EXPECT_EQ(std::get<int64_t>(i.data), 12);
    const Value big = literalNumber("3000000000");
    EXPECT_EQ(big.type.id, TypeId::Numeric);
    EXPECT_EQ(big.type.precision, 10);
    EXPECT_EQ(big.type.scale, 0);
    EXPECT_EQ(toText(big), "3000000000");
    EXPECT_EQ(literalNumber("2147483647").type.id, TypeId::Int);
    EXPECT_EQ(literalNumber("2147483648").type.id, TypeId::Numeric);
    const Value d = literalNumber("12.50");
    EXPECT_EQ(d.type.id, TypeId::Numeric);
    EXPECT_EQ(d.type.precision, 4);
    EXPECT_EQ(d.type.scale, 2);
    EXPECT_EQ(std::get<Decimal>(d.data), (Decimal{1250, 2}));
    EXPECT_EQ(literalNumber("0.05").type.precision, 2);
    EXPECT_EQ(literalNumber(".5").type.scale, 1);
    const Value f = literalNumber("1e3");
    EXPECT_EQ(f.type.id, TypeId::Float);
    EXPECT_DOUBLE_EQ(std::get<double>(f.data), 1000.0);
    EXPECT_DOUBLE_EQ(std::get<double>(literalNumber("2.5E-2").data), 0.025);
    EXPECT_EQ(literalNumber("$12.5").type.id, TypeId::Money);
    EXPECT_EQ(std::get<QByteArray>(literalNumber("0x0aFF").data), QByteArray("\x0a\xff", 2));
    auto e = errorOf([] { literalNumber("123456789012345678901234567890123456789"); });
    EXPECT_EQ(e.number, 1007);
    EXPECT_EQ(e.text, "The number '123456789012345678901234567890123456789' is out of the range for numeric representation (maximum precision 38).");
    e = errorOf([] { literalNumber("12abc"); });
    EXPECT_EQ(e.number, 102);

    EXPECT_EQ(intValue(5).type.id, TypeId::Int);
    EXPECT_EQ(intValue(5000000000LL).type.id, TypeId::BigInt);
    EXPECT_EQ(stringValue("abc", false).type, (SqlType{TypeId::VarChar, 3, 0, 0}));
    EXPECT_EQ(stringValue("", true).type, (SqlType{TypeId::NVarChar, 1, 0, 0}));
    EXPECT_EQ(stringValue(QString(5000, u'x'), true).type.length, -1);
}

TEST(ValuesTypes, SerializationRoundTrip)
{
    Value dt;
    dt.type = parseTypeName("datetime");
    dt.data = DateTimeValue {QDate(2025, 10, 1), TimeOfDay {495070033333LL}};
    Value g;
    g.type = parseTypeName("uniqueidentifier");
    g.data = QUuid::fromString(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    Value date;
    date.type = parseTypeName("date");
    date.data = QDate(2025, 10, 1);
    Value time;
    time.type = parseTypeName("time(3)");
    time.data = TimeOfDay {TimeOfDay::kUnitsPerDay - 1};
    const std::vector<Value> values = {
        intValue(42), intValue(-5000000000LL), bitValue(true), floatValue(-1.5e300),
        literalNumber("-12345678901234567890.123456789"), literalNumber("$-922337203685477.5808"),
        stringValue(QStringLiteral("Peças çã 中"), true), convert(stringValue("ab", false), parseTypeName("char(5)")),
        literalNumber("0x00ff10"), dt, g, date, time, nullValue(parseTypeName("nvarchar(max)")),
        stringValue(QString(), false)};
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        for (const Value& v : values) writeValue(out, v);
    }
    QDataStream in(bytes);
    for (const Value& v : values) {
        const Value r = readValue(in);
        EXPECT_EQ(r.type, v.type);
        EXPECT_EQ(r.data, v.data) << typeName(v.type.id).toStdString();
    }
    EXPECT_TRUE(in.atEnd());

    // Older files hold times and dates in whole milliseconds under the tags 8 and 9.
    QByteArray old;
    {
        QDataStream out(&old, QIODevice::WriteOnly);
        writeType(out, parseTypeName("time(3)"));
        out << quint8(8) << qint32(49510123);
        writeType(out, parseTypeName("datetimeoffset"));
        out << quint8(9) << qint64(QDate(2025, 10, 1).toJulianDay()) << qint32(123) << qint16(-180);
    }
    QDataStream oldIn(old);
    EXPECT_EQ(std::get<TimeOfDay>(readValue(oldIn).data), TimeOfDay::fromMilliseconds(49510123));
    EXPECT_EQ(toText(readValue(oldIn)), QStringLiteral("2025-10-01 00:00:00.1230000 -03:00"));
}

TEST(ValuesTypes, DamagedInputRaisesErrors)
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        writeValue(out, stringValue(QStringLiteral("hello world"), true));
        writeValue(out, literalNumber("12.50"));
    }
    // Every truncation of valid data fails cleanly.
    for (int cut = 0; cut < bytes.size(); ++cut) {
        QByteArray part = bytes.left(cut);
        QDataStream in(part);
        EXPECT_THROW({ readValue(in); readValue(in); }, SqlError) << cut;
    }
    // A huge length prefix neither crashes nor allocates it.
    QByteArray huge;
    {
        QDataStream out(&huge, QIODevice::WriteOnly);
        writeType(out, parseTypeName("nvarchar(max)"));
        out << quint8(5) << quint32(0xFFFFFFF0u);
    }
    {
        QDataStream in(huge);
        const auto e = errorOf([&] { readValue(in); });
        EXPECT_TRUE(e.text.startsWith("Damaged value data")) << e.text.toStdString();
    }
    // The same through a sequential device, where the size is unknown in advance: the read grows
    // the buffer only as data arrives and fails at the end of the data.
    {
        struct SequentialBuffer : QBuffer {
            using QBuffer::QBuffer;
            bool isSequential() const override { return true; }
        };
        SequentialBuffer buffer(&huge);
        buffer.open(QIODevice::ReadOnly);
        QDataStream in(&buffer);
        EXPECT_THROW(readValue(in), SqlError);
    }
    // Random corruption: an error or a value, never a crash.
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        QByteArray damaged = bytes;
        for (int k = 0; k < 3; ++k) damaged[int(rng() % damaged.size())] = char(rng());
        QDataStream in(damaged);
        try {
            readValue(in);
            readValue(in);
        } catch (const SqlError&) {
        }
    }
    // A value whose data does not fit its type is refused (an int type holding text).
    QByteArray mismatch;
    {
        QDataStream out(&mismatch, QIODevice::WriteOnly);
        writeType(out, parseTypeName("int"));
        out << quint8(5) << quint32(2) << quint16(0x41);
    }
    {
        QDataStream in(mismatch);
        EXPECT_THROW(readValue(in), SqlError);
    }
    // Bad type ids and tags are refused.
    QByteArray badType;
    {
        QDataStream out(&badType, QIODevice::WriteOnly);
        out << quint8(200) << qint32(0) << qint16(0) << qint16(0) << quint8(0);
    }
    QDataStream in(badType);
    EXPECT_THROW(readType(in), SqlError);
}
