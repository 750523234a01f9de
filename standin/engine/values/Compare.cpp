// Comparison, sort order, hashing and LIKE on values.
#include "ValuesInternal.h"

#include <QHash>

#include <cmath>
#include <cstring>
#include <functional>

namespace standin {

using namespace values;

namespace {

enum class Kind { Number, Text, Binary, Date, Guid, Other };

Kind kindOf(TypeId id)
{
    if (isNumeric(id)) return Kind::Number;
    if (isCharacter(id)) return Kind::Text;
    if (isBinary(id)) return Kind::Binary;
    if (isDateTime(id)) return Kind::Date;
    if (id == TypeId::UniqueIdentifier) return Kind::Guid;
    return Kind::Other;
}

int sign(int64_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

int compareNumbers(const Value& a, const Value& b)
{
    const bool fa = std::holds_alternative<double>(a.data), fb = std::holds_alternative<double>(b.data);
    if (fa || fb) {
        auto asDouble = [](const Value& v) {
            if (const auto* d = std::get_if<double>(&v.data)) return *d;
            if (const auto* d = std::get_if<Decimal>(&v.data)) return decimalToDouble(*d);
            if (const auto* b = std::get_if<bool>(&v.data)) return *b ? 1.0 : 0.0;
            return double(std::get<int64_t>(v.data));
        };
        const double x = asDouble(a), y = asDouble(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    auto dec = [](const Value& v) {
        if (const auto* d = std::get_if<Decimal>(&v.data)) return *d;
        if (const auto* b = std::get_if<bool>(&v.data)) return Decimal{*b ? 1 : 0, 0};
        return Decimal{std::get<int64_t>(v.data), 0};
    };
    return compareDecimal(dec(a), dec(b));
}

// SQL Server orders uniqueidentifiers by their last six bytes first, then the groups before them.
int compareGuids(const QUuid& a, const QUuid& b)
{
    const QByteArray x = a.toRfc4122(), y = b.toRfc4122();
    static const int order[16] = {10, 11, 12, 13, 14, 15, 8, 9, 6, 7, 4, 5, 0, 1, 2, 3};
    for (int i : order) {
        const uint8_t p = uint8_t(x[i]), q = uint8_t(y[i]);
        if (p != q) return p < q ? -1 : 1;
    }
    return 0;
}

int compareDates(const Value& a, const Value& b)
{
    QDate da, db;
    int64_t ma = 0, mb = 0;
    if (a.type.id == TypeId::DateTimeOffset || b.type.id == TypeId::DateTimeOffset)
        return sign(utcUnits(a) - utcUnits(b));  // the same instant at any offset
    dateTimeUnits(a, &da, &ma);
    dateTimeUnits(b, &db, &mb);
    if (da != db) return da < db ? -1 : 1;
    return sign(ma - mb);
}

int compareSameKind(const Value& a, const Value& b)
{
    switch (kindOf(a.type.id)) {
    case Kind::Number: return compareNumbers(a, b);
    case Kind::Text: return compareText(std::get<QString>(a.data), std::get<QString>(b.data));
    case Kind::Binary: {
        const QByteArray& x = std::get<QByteArray>(a.data);
        const QByteArray& y = std::get<QByteArray>(b.data);
        const int c = std::memcmp(x.constData(), y.constData(), size_t(std::min(x.size(), y.size())));
        if (c) return c < 0 ? -1 : 1;
        return x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
    }
    case Kind::Date: return compareDates(a, b);
    case Kind::Guid: return compareGuids(std::get<QUuid>(a.data), std::get<QUuid>(b.data));
    default: return 0;
    }
}

}  // namespace

std::optional<int> compare(const Value& a, const Value& b)
{
    if (a.isNull() || b.isNull()) return std::nullopt;
    const TypeId ta = a.type.id, tb = b.type.id;
    if (isLob(ta) || isLob(tb))
        raise(402, QStringLiteral("The data types %1 and %2 are incompatible in the equal to operator.")
                       .arg(typeName(ta), typeName(tb)));
    const Kind ka = kindOf(ta), kb = kindOf(tb);
    if (ka == kb && ka != Kind::Date) return compareSameKind(a, b);
    const bool aHigher = typePrecedence(ta) >= typePrecedence(tb);
    const Value& hi = aHigher ? a : b;
    const Value& lo = aHigher ? b : a;
    if (!canConvertImplicitly(lo.type.id, hi.type.id))
        raise(206, QStringLiteral("Operand type clash: %1 is incompatible with %2").arg(typeName(ta), typeName(tb)));
    if (ka == kb) return compareSameKind(a, b);  // dates of different types
    const Value converted = convert(lo, hi.type);
    const int c = compareSameKind(hi, converted);
    return aHigher ? c : -c;
}

int compareForSort(const Value& a, const Value& b)
{
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : a.isNull() ? -1 : 1;
    return *compare(a, b);
}

size_t hashValue(const Value& v)
{
    if (v.isNull()) return 0x9e3779b97f4a7c15ull;
    switch (kindOf(v.type.id)) {
    case Kind::Number: {
        // Equal numbers of any numeric type hash alike: whole numbers by their integer value,
        // others by their double value (which is what a comparison with float uses).
        if (const auto* b = std::get_if<bool>(&v.data)) return std::hash<int64_t>()(*b ? 1 : 0);
        if (const auto* i = std::get_if<int64_t>(&v.data)) return std::hash<int64_t>()(*i);
        if (const auto* d = std::get_if<Decimal>(&v.data)) {
            const i128 p = pow10i(d->scale);
            if (d->unscaled % p == 0) {
                const i128 w = d->unscaled / p;
                if (w >= i128(INT64_MIN) && w <= i128(INT64_MAX)) return std::hash<int64_t>()(int64_t(w));
            }
            return std::hash<double>()(decimalToDouble(*d));
        }
        const double d = std::get<double>(v.data);
        if (d == std::trunc(d) && std::fabs(d) < 9.2e18) return std::hash<int64_t>()(int64_t(d));
        return std::hash<double>()(d);
    }
    case Kind::Text: return collationHash(std::get<QString>(v.data));
    case Kind::Binary: return qHash(std::get<QByteArray>(v.data));
    case Kind::Date: return std::hash<int64_t>()(utcUnits(v));
    case Kind::Guid: return qHash(std::get<QUuid>(v.data));
    default: return 0;
    }
}

std::optional<bool> likeValues(const Value& text, const Value& pattern, QChar escape)
{
    if (text.isNull() || pattern.isNull()) return std::nullopt;
    const bool unicode = isUnicode(text.type.id) || isUnicode(pattern.type.id);
    return like(toText(text), toText(pattern), escape, unicode);
}

bool isTrue(const Value& v)
{
    if (v.isNull()) return false;
    if (const auto* b = std::get_if<bool>(&v.data)) return *b;
    if (const auto* i = std::get_if<int64_t>(&v.data)) return *i != 0;
    if (const auto* d = std::get_if<double>(&v.data)) return *d != 0;
    if (const auto* d = std::get_if<Decimal>(&v.data)) return d->unscaled != 0;
    if (const auto* s = std::get_if<QString>(&v.data)) {
        const QString t = s->trimmed();
        return t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || (t.toLongLong() != 0);
    }
    return true;
}

}  // namespace standin
