// Arithmetic operators: result types (with the decimal precision rules), integer overflow,
// division by zero, string and binary concatenation, datetime plus/minus days.
#include "ValuesInternal.h"

#include <cmath>

namespace standin {

using namespace values;

namespace {

QString operatorName(BinaryOp op)
{
    switch (op) {
    case BinaryOp::Add: return QStringLiteral("add");
    case BinaryOp::Subtract: return QStringLiteral("subtract");
    case BinaryOp::Multiply: return QStringLiteral("multiply");
    case BinaryOp::Divide: return QStringLiteral("divide");
    case BinaryOp::Modulo: return QStringLiteral("modulo");
    case BinaryOp::BitAnd: return QStringLiteral("'&'");
    case BinaryOp::BitOr: return QStringLiteral("'|'");
    case BinaryOp::BitXor: return QStringLiteral("'^'");
    }
    return QString();
}

bool isBitwise(BinaryOp op) { return op == BinaryOp::BitAnd || op == BinaryOp::BitOr || op == BinaryOp::BitXor; }

[[noreturn]] void invalidOperand(TypeId t, BinaryOp op)
{
    raise(8117, QStringLiteral("Operand data type %1 is invalid for %2 operator.").arg(typeName(t), operatorName(op)));
}

[[noreturn]] void incompatible(TypeId a, TypeId b, BinaryOp op)
{
    raise(402, QStringLiteral("The data types %1 and %2 are incompatible in the %3 operator.")
                   .arg(typeName(a), typeName(b), operatorName(op)));
}


SqlType decimalResult(BinaryOp op, const SqlType& a, const SqlType& b, TypeId id)
{
    int p1, s1, p2, s2;
    decimalShape(a, &p1, &s1);
    decimalShape(b, &p2, &s2);
    int p = 0, s = 0;
    switch (op) {
    case BinaryOp::Add: case BinaryOp::Subtract: {
        const int integral = std::max(p1 - s1, p2 - s2);
        s = std::max(s1, s2);
        p = integral + s + 1;
        if (p > kMaxPrecision) {
            // The scale gives way only as far as the integral digits need: decimal(38,10) + decimal(38,10)
            // is decimal(38,10), and a carry beyond it overflows.
            s = std::max(0, std::min(s, kMaxPrecision - integral));
            p = kMaxPrecision;
        }
        return SqlType{id, 0, p, s};
    }
    case BinaryOp::Multiply:
        p = p1 + p2 + 1;
        s = s1 + s2;
        break;
    case BinaryOp::Divide:
        s = std::max(6, s1 + p2 + 1);
        p = p1 - s1 + s2 + s;
        break;
    default:  // modulo
        s = std::max(s1, s2);
        p = std::min(p1 - s1, p2 - s2) + s;
        return SqlType{id, 0, std::min(std::max(p, 1), kMaxPrecision), s};
    }
    if (p > kMaxPrecision) {
        const int integral = p - s;
        if (integral < 32) s = std::min(s, kMaxPrecision - integral);
        else if (s > 6) s = 6;
        p = kMaxPrecision;
    }
    return SqlType{id, 0, p, s};
}

Value make(const SqlType& t, Value::Data data)
{
    Value r;
    r.type = t;
    r.data = std::move(data);
    return r;
}

[[noreturn]] void overflow(TypeId t)
{
    raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(typeName(t)));
}

[[noreturn]] void divideByZero() { raise(8134, QStringLiteral("Divide by zero error encountered.")); }

int64_t integerOf(const Value& v)
{
    if (const auto* b = std::get_if<bool>(&v.data)) return *b ? 1 : 0;
    return std::get<int64_t>(v.data);
}

}  // namespace

SqlType binaryResultType(BinaryOp op, const SqlType& a, const SqlType& b)
{
    const TypeId ta = a.id, tb = b.id;
    // Concatenation of two texts or of two binaries.
    if (op == BinaryOp::Add && isCharacter(ta) && isCharacter(tb)) {
        if (ta == TypeId::Text || ta == TypeId::NText) invalidOperand(ta, op);
        if (tb == TypeId::Text || tb == TypeId::NText) invalidOperand(tb, op);
        const bool unicode = isUnicode(ta) || isUnicode(tb);
        const int limit = unicode ? 4000 : 8000;
        int length = (a.length < 0 || b.length < 0) ? -1 : a.length + b.length;
        if (length > limit) length = limit;
        return SqlType{unicode ? TypeId::NVarChar : TypeId::VarChar, length, 0, 0};
    }
    if (op == BinaryOp::Add && isBinary(ta) && isBinary(tb)) {
        if (ta == TypeId::Image) invalidOperand(ta, op);
        if (tb == TypeId::Image) invalidOperand(tb, op);
        int length = (a.length < 0 || b.length < 0) ? -1 : a.length + b.length;
        if (length > 8000) length = 8000;
        return SqlType{TypeId::VarBinary, length, 0, 0};
    }
    const bool aHigher = typePrecedence(ta) >= typePrecedence(tb);
    const SqlType& hi = aHigher ? a : b;
    const SqlType& lo = aHigher ? b : a;
    for (TypeId t : {ta, tb}) {
        if (isLob(t) || t == TypeId::UniqueIdentifier || t == TypeId::SqlVariant) invalidOperand(t, op);
    }
    if (isCharacter(hi.id) || isBinary(hi.id)) {
        // Two texts with an operator other than +, or text and binary.
        if (op == BinaryOp::Add) return SqlType{isUnicode(hi.id) ? TypeId::NVarChar : TypeId::VarChar, -1, 0, 0};
        invalidOperand(hi.id, op);
    }
    if (isDateTime(hi.id)) {
        if (hi.id != TypeId::DateTime && hi.id != TypeId::SmallDateTime) {
            if (isDateTime(lo.id) || isBinary(lo.id) || isCharacter(lo.id)) invalidOperand(hi.id, op);
            raise(206, QStringLiteral("Operand type clash: %1 is incompatible with %2").arg(typeName(ta), typeName(tb)));
        }
        if (op != BinaryOp::Add && op != BinaryOp::Subtract) invalidOperand(hi.id, op);
        if (isDateTime(lo.id) && lo.id != TypeId::DateTime && lo.id != TypeId::SmallDateTime) invalidOperand(lo.id, op);
        return SqlType{hi.id, 0, 0, hi.id == TypeId::DateTime ? 3 : 0};
    }
    if (isBitwise(op)) {
        const bool ok = [&](TypeId t) { return isIntegerLike(t) || isBinary(t); }(ta)
                        && [&](TypeId t) { return isIntegerLike(t) || isBinary(t); }(tb)
                        && !(isBinary(ta) && isBinary(tb));
        if (!ok) incompatible(ta, tb, op);
        if (isBinary(hi.id)) return SqlType{lo.id, 0, 0, 0};
        return SqlType{hi.id, 0, 0, 0};
    }
    // Numbers (text operands convert to the numeric type).
    if (ta == TypeId::Bit && tb == TypeId::Bit) invalidOperand(TypeId::Bit, op);
    if (isFloatType(hi.id)) {
        if (op == BinaryOp::Modulo) incompatible(ta, tb, op);
        return hi.id == TypeId::Real ? SqlType{TypeId::Real, 0, 24, 0} : SqlType{TypeId::Float, 0, 53, 0};
    }
    if (isDecimalType(hi.id)) return decimalResult(op, a, b, TypeId::Numeric);
    if (isMoney(hi.id)) return SqlType{hi.id, 0, hi.id == TypeId::Money ? 19 : 10, 4};
    if (hi.id == TypeId::Bit) return SqlType{TypeId::Int, 0, 0, 0};
    return SqlType{hi.id, 0, 0, 0};
}

Value binary(BinaryOp op, const Value& a, const Value& b)
{
    const SqlType rt = binaryResultType(op, a.type, b.type);
    if (a.isNull() || b.isNull()) return nullValue(rt);

    if (isCharacter(rt.id)) {
        const QString x = toText(convertImplicit(a, SqlType{rt.id, -1, 0, 0}, true));
        const QString y = toText(convertImplicit(b, SqlType{rt.id, -1, 0, 0}, true));
        QString s = x + y;
        if (rt.length >= 0 && s.size() > rt.length) s.truncate(rt.length);
        return make(rt, s);
    }
    if (rt.id == TypeId::VarBinary) {
        QByteArray s = std::get<QByteArray>(a.data) + std::get<QByteArray>(b.data);
        if (rt.length >= 0 && s.size() > rt.length) s.truncate(rt.length);
        return make(rt, s);
    }
    if (rt.id == TypeId::DateTime || rt.id == TypeId::SmallDateTime) {
        const SqlType dt{TypeId::DateTime, 0, 0, 3};
        const Value x = convertImplicit(a, dt), y = convertImplicit(b, dt);
        QDate dx, dy;
        int64_t mx = 0, my = 0;
        dateTimeUnits(x, &dx, &mx);
        dateTimeUnits(y, &dy, &my);
        const int64_t sgn = op == BinaryOp::Add ? 1 : -1;
        int64_t days = daysFromBase(dx) + sgn * daysFromBase(dy);
        int64_t ticks = unitsToTicks(mx) + sgn * unitsToTicks(my);
        while (ticks < 0) {
            ticks += kTicksPerDay;
            --days;
        }
        while (ticks >= kTicksPerDay) {
            ticks -= kTicksPerDay;
            ++days;
        }
        const QDate d = dateFromBase(days);
        const QDate lo = rt.id == TypeId::DateTime ? QDate(1753, 1, 1) : QDate(1900, 1, 1);
        const QDate hi = rt.id == TypeId::DateTime ? QDate(9999, 12, 31) : QDate(2079, 6, 6);
        if (!d.isValid() || d < lo || d > hi)
            raise(517, QStringLiteral("Adding a value to a '%1' column caused an overflow.").arg(typeName(rt.id)));
        const Value sum = make(dt, DateTimeValue {d, TimeOfDay {ticksToUnits(ticks)}});
        return rt.id == TypeId::DateTime ? sum : convert(sum, rt);
    }
    if (isFloatType(rt.id)) {
        const double x = std::get<double>(convertImplicit(a, SqlType{TypeId::Float, 0, 53, 0}).data);
        const double y = std::get<double>(convertImplicit(b, SqlType{TypeId::Float, 0, 53, 0}).data);
        double r = 0;
        switch (op) {
        case BinaryOp::Add: r = x + y; break;
        case BinaryOp::Subtract: r = x - y; break;
        case BinaryOp::Multiply: r = x * y; break;
        case BinaryOp::Divide:
            if (y == 0) divideByZero();
            r = x / y;
            break;
        default: break;
        }
        if (!std::isfinite(r)) overflow(rt.id);
        if (rt.id == TypeId::Real) {
            if (std::fabs(r) > 3.4028234663852886e38) overflow(rt.id);
            r = double(float(r));
        }
        return make(rt, r);
    }
    if (isDecimalType(rt.id) || isMoney(rt.id)) {
        // Exact: operands as decimals of their own scale, result rounded/truncated to the result scale.
        auto exact = [&rt](const Value& v) {
            // Texts and binaries convert by the implicit conversion rules (or fail as they do).
            if (isCharacter(v.type.id) || isBinary(v.type.id)) {
                const SqlType target = isMoney(rt.id) ? rt : SqlType{TypeId::Numeric, 0, 38, 10};
                return std::get<Decimal>(convertImplicit(v, target).data);
            }
            if (const auto* d = std::get_if<Decimal>(&v.data)) return *d;
            return Decimal{integerOf(v), 0};
        };
        const Decimal x = exact(a), y = exact(b);
        Decimal r;
        bool ok = true;
        switch (op) {
        case BinaryOp::Add: case BinaryOp::Subtract: {
            const int s = std::max(x.scale, y.scale);
            Decimal xs, ys;
            ok = rescale(x, s, &xs) && rescale(y, s, &ys);
            if (ok) {
                r.unscaled = op == BinaryOp::Add ? xs.unscaled + ys.unscaled : xs.unscaled - ys.unscaled;
                r.scale = s;
                ok = rescale(r, rt.scale, &r);
            }
            break;
        }
        case BinaryOp::Multiply: ok = multiplyDecimal(x, y, rt.scale, &r); break;
        case BinaryOp::Divide:
            if (y.unscaled == 0) divideByZero();
            ok = divideDecimal(x, y, rt.scale, &r);
            break;
        case BinaryOp::Modulo: {
            if (y.unscaled == 0) divideByZero();
            const int s = std::max(x.scale, y.scale);
            Decimal xs, ys;
            ok = rescale(x, s, &xs) && rescale(y, s, &ys);
            if (ok) {
                r.unscaled = xs.unscaled % ys.unscaled;
                r.scale = s;
                ok = rescale(r, rt.scale, &r);
            }
            break;
        }
        default: break;
        }
        if (isMoney(rt.id)) {
            const i128 lo = rt.id == TypeId::Money ? i128(INT64_MIN) : i128(INT32_MIN);
            const i128 hi = rt.id == TypeId::Money ? i128(INT64_MAX) : i128(INT32_MAX);
            if (!ok || r.unscaled < lo || r.unscaled > hi) overflow(rt.id);
        } else if (!ok || !fitsPrecision(r, rt.precision)) {
            overflow(rt.id);
        }
        return make(rt, r);
    }
    // Integers (and bitwise operators, where binary operands give their rightmost bytes).
    const SqlType it{rt.id, 0, 0, 0};
    const int64_t x = integerOf(convertImplicit(a, it));
    const int64_t y = integerOf(convertImplicit(b, it));
    int64_t r = 0;
    bool over = false;
    switch (op) {
    case BinaryOp::Add: over = __builtin_add_overflow(x, y, &r); break;
    case BinaryOp::Subtract: over = __builtin_sub_overflow(x, y, &r); break;
    case BinaryOp::Multiply: over = __builtin_mul_overflow(x, y, &r); break;
    case BinaryOp::Divide:
        if (y == 0) divideByZero();
        if (x == INT64_MIN && y == -1) over = true;
        else r = x / y;
        break;
    case BinaryOp::Modulo:
        if (y == 0) divideByZero();
        r = (y == -1) ? 0 : x % y;
        break;
    case BinaryOp::BitAnd: r = x & y; break;
    case BinaryOp::BitOr: r = x | y; break;
    case BinaryOp::BitXor: r = x ^ y; break;
    }
    if (rt.id == TypeId::Bit) return bitValue(r != 0);
    if (over || r < integerMin(rt.id) || r > integerMax(rt.id)) overflow(rt.id);
    return make(it, r);
}

Value negate(const Value& v)
{
    const TypeId t = v.type.id;
    if (!isNumeric(t) || t == TypeId::Bit) {
        if (isCharacter(t) || isBinary(t) || t == TypeId::Bit || t == TypeId::UniqueIdentifier || isDateTime(t)
            || t == TypeId::SqlVariant)
            raise(8117, QStringLiteral("Operand data type %1 is invalid for minus operator.").arg(typeName(t)));
    }
    if (v.isNull()) return v;
    Value r = v;
    if (const auto* i = std::get_if<int64_t>(&v.data)) {
        if (*i == integerMin(t) && t != TypeId::TinyInt) overflow(t);
        if (t == TypeId::TinyInt && *i != 0) overflow(t);
        r.data = -*i;
    } else if (const auto* d = std::get_if<double>(&v.data)) {
        r.data = -*d;
    } else if (const auto* d = std::get_if<Decimal>(&v.data)) {
        Decimal n = *d;
        n.unscaled = -n.unscaled;
        if (isMoney(t) && n.unscaled > i128(t == TypeId::Money ? INT64_MAX : INT32_MAX)) overflow(t);
        r.data = n;
    }
    return r;
}

}  // namespace standin
