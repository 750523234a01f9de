// Operators on values: result types, exact decimals, overflow, division by zero, concatenation
// and datetime arithmetic.
#include "ValuesTestSupport.h"

#include <gtest/gtest.h>

using namespace standin;

namespace {

Value num(const char* s) { return literalNumber(QString::fromLatin1(s)); }
Value typed(const char* decl, const char* value) { return convert(vc(QString::fromLatin1(value)), T(decl)); }
Value add(const Value& a, const Value& b) { return binary(BinaryOp::Add, a, b); }

}  // namespace

TEST(ValuesArithmetic, Integers)
{
    EXPECT_EQ(std::get<int64_t>(add(intValue(2), intValue(3)).data), 5);
    EXPECT_EQ(std::get<int64_t>(binary(BinaryOp::Divide, intValue(7), intValue(2)).data), 3);   // integer division
    EXPECT_EQ(std::get<int64_t>(binary(BinaryOp::Divide, intValue(-7), intValue(2)).data), -3);
    EXPECT_EQ(std::get<int64_t>(binary(BinaryOp::Modulo, intValue(-7), intValue(3)).data), -1);
    EXPECT_EQ(std::get<int64_t>(binary(BinaryOp::BitAnd, intValue(6), intValue(3)).data), 2);
    EXPECT_EQ(std::get<int64_t>(binary(BinaryOp::BitOr, intValue(6), intValue(3)).data), 7);
    EXPECT_EQ(std::get<int64_t>(binary(BinaryOp::BitXor, intValue(6), intValue(3)).data), 5);
    // The wider type wins: tinyint + int is int, int * bigint is bigint.
    EXPECT_EQ(add(typed("tinyint", "200"), intValue(100)).type.id, TypeId::Int);
    EXPECT_EQ(binary(BinaryOp::Multiply, intValue(3), typed("bigint", "4")).type.id, TypeId::BigInt);

    auto e = errorOf([] { add(intValue(2147483647), intValue(1)); });
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.text, "Arithmetic overflow error converting expression to data type int.");
    e = errorOf([] { binary(BinaryOp::Multiply, intValue(65536), intValue(65536)); });
    EXPECT_EQ(e.number, 8115);
    e = errorOf([] { add(typed("tinyint", "200"), typed("tinyint", "100")); });
    EXPECT_EQ(e.text, "Arithmetic overflow error converting expression to data type tinyint.");
    e = errorOf([] { negate(intValue(INT32_MIN)); });
    EXPECT_EQ(e.number, 8115);
    e = errorOf([] { binary(BinaryOp::Divide, intValue(1), intValue(0)); });
    EXPECT_EQ(e.number, 8134);
    EXPECT_EQ(e.text, "Divide by zero error encountered.");
    e = errorOf([] { binary(BinaryOp::Modulo, intValue(1), intValue(0)); });
    EXPECT_EQ(e.number, 8134);
    e = errorOf([] { binary(BinaryOp::Divide, floatValue(1), floatValue(0)); });
    EXPECT_EQ(e.number, 8134);
    // Text operands convert to the number.
    EXPECT_EQ(std::get<int64_t>(add(vc("1"), intValue(1)).data), 2);
    EXPECT_EQ(std::get<int64_t>(binary(BinaryOp::Subtract, vc("10"), intValue(3)).data), 7);
    e = errorOf([] { add(vc("a"), intValue(1)); });
    EXPECT_EQ(e.number, 245);
    // NULL propagates with the result type.
    const Value n = add(nullValue(T("int")), intValue(1));
    EXPECT_TRUE(n.isNull());
    EXPECT_EQ(n.type.id, TypeId::Int);
}

TEST(ValuesArithmetic, DecimalsAndMoney)
{
    // Result precision and scale follow SQL Server's rules.
    const Value s = add(typed("decimal(5,2)", "1.25"), typed("decimal(7,3)", "2.5"));
    EXPECT_EQ(s.type, (SqlType{TypeId::Numeric, 0, 8, 3}));
    EXPECT_EQ(toText(s), "3.750");
    const Value p = binary(BinaryOp::Multiply, typed("decimal(5,2)", "1.25"), typed("decimal(7,3)", "2.5"));
    EXPECT_EQ(p.type, (SqlType{TypeId::Numeric, 0, 13, 5}));
    EXPECT_EQ(toText(p), "3.12500");
    const Value q = binary(BinaryOp::Divide, typed("decimal(5,2)", "1"), typed("decimal(7,3)", "3"));
    EXPECT_EQ(q.type, (SqlType{TypeId::Numeric, 0, 16, 10}));  // p1-s1+s2+max(6,s1+p2+1), scale max(6,s1+p2+1)
    EXPECT_EQ(toText(q), "0.3333333333");
    EXPECT_EQ(toText(binary(BinaryOp::Divide, num("2.0"), num("3"))), "0.666666");  // a constant 3 is decimal(1,0)
    EXPECT_EQ(toText(binary(BinaryOp::Divide, num("1"), num("3.0"))), "0.333333");
    EXPECT_EQ(toText(binary(BinaryOp::Subtract, num("0.1"), num("0.3"))), "-0.2");
    EXPECT_EQ(toText(binary(BinaryOp::Modulo, num("7.5"), num("2"))), "1.5");
    // Over 38 digits the scale gives way: decimal(38,10) * decimal(38,10) is decimal(38,6).
    const Value big = binary(BinaryOp::Multiply, typed("decimal(38,10)", "12345678901234.5"), typed("decimal(38,10)", "2"));
    EXPECT_EQ(big.type, (SqlType{TypeId::Numeric, 0, 38, 6}));
    EXPECT_EQ(toText(big), "24691357802469.000000");
    EXPECT_EQ(add(typed("decimal(38,10)", "1"), typed("decimal(38,10)", "2")).type, (SqlType{TypeId::Numeric, 0, 38, 10}));
    EXPECT_EQ(add(typed("decimal(38,0)", "1"), typed("decimal(10,5)", "2")).type, (SqlType{TypeId::Numeric, 0, 38, 0}));
    // Exact beyond double precision.
    EXPECT_EQ(toText(add(typed("decimal(38,0)", "99999999999999999999999999999999999998"), num("1"))),
              "99999999999999999999999999999999999999");
    auto e = errorOf([] { add(typed("decimal(38,0)", "99999999999999999999999999999999999999"), num("1")); });
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.text, "Arithmetic overflow error converting expression to data type numeric.");
    e = errorOf([] { binary(BinaryOp::Divide, num("1.5"), num("0.0")); });
    EXPECT_EQ(e.number, 8134);
    // int with decimal gives decimal; decimal with float gives float.
    EXPECT_EQ(add(intValue(1), num("0.5")).type.id, TypeId::Numeric);
    EXPECT_EQ(add(floatValue(1), num("0.5")).type.id, TypeId::Float);

    // money keeps four decimals.
    const Value m = binary(BinaryOp::Multiply, typed("money", "10.5"), intValue(3));
    EXPECT_EQ(m.type.id, TypeId::Money);
    EXPECT_EQ(std::get<Decimal>(m.data), (Decimal{315000, 4}));
    EXPECT_EQ(std::get<Decimal>(binary(BinaryOp::Divide, typed("money", "1"), typed("money", "3")).data), (Decimal{3333, 4}));
    EXPECT_EQ(add(typed("money", "1"), num("1.5")).type.id, TypeId::Numeric);
}

TEST(ValuesArithmetic, StringsAndTypeErrors)
{
    const Value s = add(vc("abc"), vc("def"));
    EXPECT_EQ(std::get<QString>(s.data), "abcdef");
    EXPECT_EQ(s.type, (SqlType{TypeId::VarChar, 6, 0, 0}));
    const Value u = add(vc("a"), nvc(QStringLiteral("ç")));
    EXPECT_EQ(u.type.id, TypeId::NVarChar);
    EXPECT_EQ(std::get<QString>(u.data), QStringLiteral("aç"));
    EXPECT_TRUE(add(vc("abc"), nullValue(T("varchar(5)"))).isNull());
    // char values keep their blanks when concatenated.
    EXPECT_EQ(std::get<QString>(add(convert(vc("ab"), T("char(4)")), vc("c")).data), "ab  c");
    EXPECT_EQ(std::get<QByteArray>(add(num("0x0102"), num("0x03")).data), QByteArray("\1\2\3", 3));

    auto e = errorOf([] { binary(BinaryOp::Subtract, vc("a"), vc("b")); });
    EXPECT_EQ(e.number, 8117);
    EXPECT_EQ(e.text, "Operand data type varchar is invalid for subtract operator.");
    e = errorOf([] { add(bitValue(true), bitValue(true)); });
    EXPECT_EQ(e.number, 8117);
    EXPECT_EQ(e.text, "Operand data type bit is invalid for add operator.");
    e = errorOf([] { binary(BinaryOp::Modulo, floatValue(1), intValue(2)); });
    EXPECT_EQ(e.number, 402);
    EXPECT_EQ(e.text, "The data types float and int are incompatible in the modulo operator.");
    e = errorOf([] { negate(vc("a")); });
    EXPECT_EQ(e.number, 8117);
    EXPECT_EQ(e.text, "Operand data type varchar is invalid for minus operator.");
    EXPECT_EQ(std::get<int64_t>(add(bitValue(true), intValue(1)).data), 2);
}

TEST(ValuesArithmetic, DateTimeArithmetic)
{
    Value d;
    d.type = T("datetime");
    auto clock = [](int y, int mo, int dd, int h, int mi) {
        return DateTimeValue {QDate(y, mo, dd), TimeOfDay {(h * 60 + mi) * 600000000LL}};
    };
    d.data = clock(2025, 10, 1, 13, 45);
    auto at = [](const Value& v) { return std::get<DateTimeValue>(v.data); };
    // A number of days added or subtracted; a fraction is part of a day.
    EXPECT_EQ(at(add(d, intValue(1))), clock(2025, 10, 2, 13, 45));
    EXPECT_EQ(at(add(intValue(1), d)), clock(2025, 10, 2, 13, 45));
    EXPECT_EQ(at(binary(BinaryOp::Subtract, d, intValue(31))), clock(2025, 8, 31, 13, 45));
    EXPECT_EQ(at(add(d, floatValue(0.5))), clock(2025, 10, 2, 1, 45));
    EXPECT_EQ(add(d, intValue(1)).type.id, TypeId::DateTime);
    // datetime - datetime counts from 1900-01-01.
    Value e0;
    e0.type = T("datetime");
    e0.data = clock(2025, 9, 29, 1, 45);
    EXPECT_EQ(at(binary(BinaryOp::Subtract, d, e0)), clock(1900, 1, 3, 12, 0));
    EXPECT_EQ(std::get<int64_t>(convert(binary(BinaryOp::Subtract, d, e0), T("int")).data), 3);  // 2.5 days round up
    // Text is a date here.
    EXPECT_EQ(at(binary(BinaryOp::Subtract, d, vc("2025-10-01"))), clock(1900, 1, 1, 13, 45));

    // A number beyond the datetime range fails converting; a sum beyond it fails adding.
    auto err = errorOf([&] { add(d, intValue(3000000)); });
    EXPECT_EQ(err.number, 8115);
    err = errorOf([&] { add(convert(vc("9999-12-31"), T("datetime")), intValue(1)); });
    EXPECT_EQ(err.number, 517);
    EXPECT_EQ(err.text, "Adding a value to a 'datetime' column caused an overflow.");
    err = errorOf([&] { binary(BinaryOp::Multiply, d, intValue(2)); });
    EXPECT_EQ(err.number, 8117);
    EXPECT_EQ(err.text, "Operand data type datetime is invalid for multiply operator.");
    Value date;
    date.type = T("date");
    date.data = QDate(2025, 10, 1);
    err = errorOf([&] { add(date, intValue(1)); });
    EXPECT_EQ(err.number, 206);
    EXPECT_EQ(err.text, "Operand type clash: date is incompatible with int");
}
