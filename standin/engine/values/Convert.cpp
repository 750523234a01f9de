// Conversion between SQL types with SQL Server's rules, error numbers and texts.
#include "ValuesInternal.h"

#include <QRegularExpression>

#include <cfloat>
#include <cmath>
#include <cstring>

namespace standin {

using namespace values;

namespace {

enum class Family { Numeric, Char, Text, Binary, Image, DateTime, Date, Time, DateTime2, Guid, Variant, DateTimeOffset };

Family family(TypeId id)
{
    switch (id) {
    case TypeId::Char: case TypeId::VarChar: case TypeId::NChar: case TypeId::NVarChar: return Family::Char;
    case TypeId::Text: case TypeId::NText: return Family::Text;
    case TypeId::Binary: case TypeId::VarBinary: return Family::Binary;
    case TypeId::Image: return Family::Image;
    case TypeId::DateTime: case TypeId::SmallDateTime: return Family::DateTime;
    case TypeId::Date: return Family::Date;
    case TypeId::Time: return Family::Time;
    case TypeId::DateTime2: return Family::DateTime2;
    case TypeId::UniqueIdentifier: return Family::Guid;
    case TypeId::SqlVariant: return Family::Variant;
    case TypeId::DateTimeOffset: return Family::DateTimeOffset;
    default: return Family::Numeric;
    }
}

// The name a character value's type goes by in conversion messages.
QString sourceTextType(TypeId id) { return isUnicode(id) ? QStringLiteral("nvarchar") : QStringLiteral("varchar"); }

QString quoted(const QString& s) { return u'\'' + s + u'\''; }

int64_t asInt64(const Value& v)
{
    if (const auto* b = std::get_if<bool>(&v.data)) return *b ? 1 : 0;
    if (const auto* i = std::get_if<int64_t>(&v.data)) return *i;
    return 0;
}

Decimal asDecimal(const Value& v)
{
    if (const auto* d = std::get_if<Decimal>(&v.data)) return *d;
    return Decimal{asInt64(v), 0};
}

double asDouble(const Value& v)
{
    if (const auto* d = std::get_if<double>(&v.data)) return *d;
    if (const auto* d = std::get_if<Decimal>(&v.data)) return decimalToDouble(*d);
    return double(asInt64(v));
}

const QString& asString(const Value& v)
{
    static const QString empty;
    const auto* s = std::get_if<QString>(&v.data);
    return s ? *s : empty;
}

Value make(const SqlType& t, Value::Data data)
{
    Value r;
    r.type = t;
    r.data = std::move(data);
    return r;
}

// ---- numbers from text ---------------------------------------------------------------------------

QString trimBlanks(const QString& s)
{
    int b = 0, e = int(s.size());
    while (b < e && s[b].isSpace()) ++b;
    while (e > b && s[e - 1].isSpace()) --e;
    return s.mid(b, e - b);
}

// "[+|-]digits" with surrounding blanks; "" is 0. Returns false on anything else.
bool parseIntegerText(const QString& text, i128* out)
{
    const QString s = trimBlanks(text);
    if (s.isEmpty()) {
        *out = 0;
        return true;
    }
    int i = 0;
    bool negative = false;
    if (s[0] == u'+' || s[0] == u'-') {
        negative = s[0] == u'-';
        ++i;
    }
    if (i >= s.size()) return false;
    i128 v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9') return false;
        if (v < pow10i(30)) v = v * 10 + (s[i].unicode() - '0');  // saturates far above bigint
    }
    *out = negative ? -v : v;
    return true;
}

Value integerFromText(const Value& v, const SqlType& target)
{
    const QString& s = asString(v);
    const QString src = sourceTextType(v.type.id);
    i128 n = 0;
    if (!parseIntegerText(s, &n))
        raise(245, QStringLiteral("Conversion failed when converting the %1 value %2 to data type %3.")
                       .arg(src, quoted(s), typeName(target.id)));
    if (n < integerMin(target.id) || n > integerMax(target.id)) {
        switch (target.id) {
        case TypeId::TinyInt:
            raise(244, QStringLiteral("The conversion of the %1 value %2 overflowed an INT1 column. Use a larger integer column.").arg(src, quoted(s)));
        case TypeId::SmallInt:
            raise(244, QStringLiteral("The conversion of the %1 value %2 overflowed an INT2 column. Use a larger integer column.").arg(src, quoted(s)));
        case TypeId::Int:
            raise(248, QStringLiteral("The conversion of the %1 value %2 overflowed an int column.").arg(src, quoted(s)));
        default:
            raise(8114, QStringLiteral("Error converting data type %1 to bigint.").arg(src));
        }
    }
    return make(target, int64_t(n));
}

// ---- conversion rules ------------------------------------------------------------------------------

bool explicitAllowed(TypeId from, TypeId to)
{
    const Family f = family(from), t = family(to);
    if (f == t) return true;
    if (t == Family::Variant) return f != Family::Text && f != Family::Image;
    if (f == Family::Variant) return t != Family::Text && t != Family::Image;
    if (f == Family::Char) return true;
    if (t == Family::Char) return f != Family::Image;
    switch (f) {
    case Family::Text: return false;
    case Family::Image: return t == Family::Binary;
    case Family::Binary:
        if (t == Family::Numeric) return !isFloatType(to);
        return t != Family::Text && t != Family::DateTimeOffset;
    case Family::Numeric:
        return t == Family::Binary || t == Family::DateTime;
    case Family::DateTime:
        return t == Family::Binary || t == Family::Numeric || t == Family::Date || t == Family::Time
               || t == Family::DateTime2 || t == Family::DateTimeOffset;
    case Family::Date:
        return t == Family::Binary || t == Family::DateTime || t == Family::DateTime2 || t == Family::DateTimeOffset;
    case Family::Time:
        return t == Family::Binary || t == Family::DateTime || t == Family::DateTime2 || t == Family::DateTimeOffset;
    case Family::DateTime2:
        return t == Family::Binary || t == Family::DateTime || t == Family::Date || t == Family::Time
               || t == Family::DateTimeOffset;
    case Family::DateTimeOffset:
        return t == Family::DateTime || t == Family::Date || t == Family::Time || t == Family::DateTime2;
    case Family::Guid:
        return t == Family::Binary;
    default:
        return false;
    }
}

bool implicitAllowed(TypeId from, TypeId to)
{
    if (!explicitAllowed(from, to)) return false;
    const Family f = family(from), t = family(to);
    if (f == Family::Variant && t != Family::Variant) return false;
    if (f == Family::Char && (t == Family::Binary || t == Family::Image)) return false;
    if (f == Family::DateTime && t == Family::Numeric) return false;
    if (f == Family::Binary && t == Family::DateTime) return false;
    return true;
}

// ---- strings ----------------------------------------------------------------------------------------

QString moneyText(const Decimal& m, int style)
{
    Decimal r;
    if (style == 2 || style == 126) return decimalToString(m);
    rescale(m, 2, &r);
    QString s = decimalToString(r);
    if (style == 1) {
        const bool negative = s.startsWith(u'-');
        if (negative) s.remove(0, 1);
        int dot = s.indexOf(u'.');
        for (int i = dot - 3; i > 0; i -= 3) s.insert(i, u',');
        if (negative) s.prepend(u'-');
    }
    return s;
}

QString guidText(const QUuid& g) { return g.toString(QUuid::WithoutBraces).toUpper(); }

// Bytes of a uniqueidentifier as SQL Server stores them (first three groups little-endian).
QByteArray guidBytes(const QUuid& g)
{
    QByteArray b = g.toRfc4122();
    std::reverse(b.begin(), b.begin() + 4);
    std::reverse(b.begin() + 4, b.begin() + 6);
    std::reverse(b.begin() + 6, b.begin() + 8);
    return b;
}

QUuid guidFromBytes(QByteArray b)
{
    b = b.left(16);
    while (b.size() < 16) b.append('\0');
    std::reverse(b.begin(), b.begin() + 4);
    std::reverse(b.begin() + 4, b.begin() + 6);
    std::reverse(b.begin() + 6, b.begin() + 8);
    return QUuid::fromRfc4122(b);
}

QByteArray bigEndian(uint64_t v, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = char(v & 0xFF);
        v >>= 8;
    }
    return out;
}

uint64_t fromBigEndian(const QByteArray& b, int bytes)
{
    // The rightmost `bytes` bytes; shorter input is padded with zeros on the left.
    uint64_t v = 0;
    const int start = std::max(0, int(b.size()) - bytes);
    for (int i = start; i < b.size(); ++i) v = (v << 8) | uint8_t(b[i]);
    return v;
}

QString textOf(const Value& v, int style, bool unicodeTarget)
{
    switch (v.type.id) {
    case TypeId::Bit: return asInt64(v) ? QStringLiteral("1") : QStringLiteral("0");
    case TypeId::TinyInt: case TypeId::SmallInt: case TypeId::Int: case TypeId::BigInt:
        return QString::number(asInt64(v));
    case TypeId::Real: return formatFloat(asDouble(v), true, style);
    case TypeId::Float: return formatFloat(asDouble(v), false, style);
    case TypeId::SmallMoney: case TypeId::Money: return moneyText(asDecimal(v), style);
    case TypeId::Decimal: case TypeId::Numeric: return decimalToString(asDecimal(v));
    case TypeId::Char: case TypeId::VarChar: case TypeId::Text:
    case TypeId::NChar: case TypeId::NVarChar: case TypeId::NText:
        return asString(v);
    case TypeId::Binary: case TypeId::VarBinary: case TypeId::Image: {
        const QByteArray b = std::get<QByteArray>(v.data);
        if (style == 1) return QStringLiteral("0x") + QString::fromLatin1(b.toHex().toUpper());
        if (style == 2) return QString::fromLatin1(b.toHex().toUpper());
        if (!unicodeTarget) return decode1252(b);
        QString s;
        for (int i = 0; i + 1 < b.size(); i += 2) s += QChar(char16_t(uint8_t(b[i]) | (uint8_t(b[i + 1]) << 8)));
        if (b.size() % 2) s += QChar(char16_t(uint8_t(b[b.size() - 1])));
        return s;
    }
    case TypeId::Date: case TypeId::Time: case TypeId::SmallDateTime: case TypeId::DateTime: case TypeId::DateTime2:
        return formatDateTimeValue(v, style);
    case TypeId::UniqueIdentifier: return guidText(std::get<QUuid>(v.data));
    case TypeId::SqlVariant: return QString();
    case TypeId::DateTimeOffset: return formatDateTimeOffset(v, style);
    }
    return QString();
}

int targetLength(const SqlType& t)
{
    if (t.id == TypeId::Text || t.id == TypeId::NText || t.id == TypeId::Image) return -1;
    return t.length == 0 ? 30 : t.length;
}

Value toCharacter(const Value& v, const SqlType& target, bool truncate, int style)
{
    const bool unicode = isUnicode(target.id);
    QString s = textOf(v, style, unicode);
    if (!unicode) s = toCodePage1252(s);
    const int length = targetLength(target);
    if (length >= 0 && s.size() > length) {
        const TypeId from = v.type.id;
        if (isIntegerLike(from)) {
            if (unicode)
                raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(typeName(target.id)));
            s = QStringLiteral("*");
        } else if (isNumeric(from)) {
            raise(8115, QStringLiteral("Arithmetic overflow error converting %1 to data type %2.")
                            .arg(isDecimalType(from) ? QStringLiteral("numeric") : QStringLiteral("expression"),
                                 typeName(target.id)));
        } else if (from == TypeId::UniqueIdentifier) {
            raise(8170, QStringLiteral("Insufficient result space to convert uniqueidentifier value to char."));
        } else {
            if (!truncate) {
                for (int i = length; i < s.size(); ++i)
                    if (s[i] != u' ') raise(8152, QStringLiteral("String or binary data would be truncated."), 14);
            }
            s.truncate(length);
        }
    }
    if (isFixedChar(target.id) && length > 0 && s.size() < length) s += QString(length - s.size(), u' ');
    SqlType t = target;
    t.length = length;
    t.precision = 0;
    t.scale = 0;
    return make(t, s);
}

// ---- binary -----------------------------------------------------------------------------------------

QByteArray bytesOf(const Value& v, int style, bool* numericSource)
{
    *numericSource = false;
    const TypeId id = v.type.id;
    switch (family(id)) {
    case Family::Binary: case Family::Image: return std::get<QByteArray>(v.data);
    case Family::Char: case Family::Text: {
        const QString& s = asString(v);
        if (style == 1 || style == 2) {
            QString hex = s;
            if (style == 1) {
                if (!hex.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                    raise(8114, QStringLiteral("Error converting data type %1 to varbinary.").arg(sourceTextType(id)));
                hex = hex.mid(2);
            }
            static const QRegularExpression hexRe(QStringLiteral("^[0-9A-Fa-f]*$"));
            if (hex.size() % 2 || !hexRe.match(hex).hasMatch())
                raise(8114, QStringLiteral("Error converting data type %1 to varbinary.").arg(sourceTextType(id)));
            return QByteArray::fromHex(hex.toLatin1());
        }
        if (!isUnicode(id)) return encode1252(s);
        QByteArray out;
        out.reserve(s.size() * 2);
        for (QChar c : s) {
            out += char(c.unicode() & 0xFF);
            out += char(c.unicode() >> 8);
        }
        return out;
    }
    case Family::Numeric: {
        *numericSource = true;
        if (isIntegerLike(id)) return bigEndian(uint64_t(asInt64(v)), byteLength(v.type));
        if (isMoney(id)) return bigEndian(uint64_t(int64_t(asDecimal(v).unscaled)), byteLength(v.type));
        if (id == TypeId::Real) {
            const float f = float(asDouble(v));
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            return bigEndian(bits, 4);
        }
        if (id == TypeId::Float) {
            const double d = asDouble(v);
            uint64_t bits;
            std::memcpy(&bits, &d, 8);
            return bigEndian(bits, 8);
        }
        // decimal: precision, scale, sign (1 positive), then the magnitude little-endian.
        const Decimal d = asDecimal(v);
        QByteArray out;
        out += char(v.type.precision);
        out += char(v.type.scale);
        out += char(d.unscaled < 0 ? 0 : 1);
        u128 m = d.unscaled < 0 ? u128(0) - u128(d.unscaled) : u128(d.unscaled);
        for (int i = 0; i < byteLength(v.type) - 1; ++i) {
            out += char(uint8_t(m & 0xFF));
            m >>= 8;
        }
        return out;
    }
    case Family::DateTime: {
        *numericSource = true;
        QDate date;
        int64_t units = 0;
        dateTimeUnits(v, &date, &units);
        if (id == TypeId::SmallDateTime)
            return bigEndian(uint64_t(daysFromBase(date)), 2) + bigEndian(uint64_t(units / (60 * kUnitsPerSecond)), 2);
        return bigEndian(uint64_t(uint32_t(int32_t(daysFromBase(date)))), 4) + bigEndian(uint64_t(unitsToTicks(units)), 4);
    }
    case Family::Guid: return guidBytes(std::get<QUuid>(v.data));
    case Family::Date: case Family::Time: case Family::DateTime2: {
        QDate date;
        int64_t units = 0;
        dateTimeUnits(v, &date, &units);
        QByteArray out;
        if (id != TypeId::Date) out += bigEndian(uint64_t(units), 5);
        if (id != TypeId::Time) out += bigEndian(uint64_t(date.toJulianDay() - QDate(1, 1, 1).toJulianDay()), 3);
        return out;
    }
    default:
        return QByteArray();
    }
}

Value toBinary(const Value& v, const SqlType& target, bool truncate, int style)
{
    bool numericSource = false;
    QByteArray b = bytesOf(v, style, &numericSource);
    const int length = targetLength(target);
    if (length >= 0 && b.size() > length) {
        if (!truncate) raise(8152, QStringLiteral("String or binary data would be truncated."), 14);
        b = numericSource ? b.right(length) : b.left(length);
    }
    if (target.id == TypeId::Binary && b.size() < length) {
        if (numericSource) b.prepend(QByteArray(length - b.size(), '\0'));
        else b.append(QByteArray(length - b.size(), '\0'));
    }
    SqlType t = target;
    t.length = length;
    return make(t, b);
}

// ---- dates ------------------------------------------------------------------------------------------

[[noreturn]] void dateOverflow(const SqlType& target)
{
    raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(typeName(target.id)));
}

bool inRange(const SqlType& target, const QDate& d)
{
    if (target.id == TypeId::DateTime) return d >= QDate(1753, 1, 1) && d <= QDate(9999, 12, 31);
    if (target.id == TypeId::SmallDateTime) return d >= QDate(1900, 1, 1) && d <= QDate(2079, 6, 6);
    return d >= QDate(1, 1, 1) && d <= QDate(9999, 12, 31);
}

// Builds a date/time value of `target` from a date and a time of day, rounding as the type requires.
// The time of day comes in 100 ns units.
Value makeDateValue(const SqlType& target, QDate date, int64_t units, const QString& fromName, bool fromText)
{
    int carry = 0;
    switch (target.id) {
    case TypeId::DateTime: units = roundToDateTimeUnits(units, &carry); break;
    case TypeId::SmallDateTime: {
        // 29.999 s and more round up to the next minute.
        constexpr int64_t minute = 60 * kUnitsPerSecond;
        const int64_t minutes = units / minute + (units % minute >= 29999 * kUnitsPerMs ? 1 : 0);
        units = minutes * minute;
        if (units >= kUnitsPerDay) {
            units -= kUnitsPerDay;
            carry = 1;
        }
        break;
    }
    case TypeId::Time: case TypeId::DateTime2:
        units = roundToScale(units, target.scale);
        if (units >= kUnitsPerDay) {
            units -= kUnitsPerDay;
            carry = target.id == TypeId::DateTime2 ? 1 : 0;
        }
        break;
    default: break;
    }
    date = date.addDays(carry);
    if (target.id != TypeId::Time && !inRange(target, date)) {
        if (fromText || family(target.id) == Family::DateTime)
            raise(242, QStringLiteral("The conversion of a %1 data type to a %2 data type resulted in an out-of-range value.")
                           .arg(fromName, typeName(target.id)));
        dateOverflow(target);
    }
    const TimeOfDay time {units};
    switch (target.id) {
    case TypeId::Date: return make(target, date);
    case TypeId::Time: return make(target, time);
    default: return make(target, DateTimeValue {date, time});
    }
}

Value dateFromNumber(const Value& v, const SqlType& target)
{
    // A number counts days after 1900-01-01; a fraction is a part of a day.
    const TypeId id = v.type.id;
    int64_t days = 0;
    int64_t ticks = 0;
    if (isIntegerLike(id)) {
        const int64_t n = asInt64(v);
        if (n < -700000 || n > 3000000) dateOverflow(target);
        days = n;
    } else {
        const double d = asDouble(v);
        if (!std::isfinite(d) || d < -700000 || d > 3000000) dateOverflow(target);
        days = int64_t(std::floor(d));
        ticks = int64_t(std::llround((d - double(days)) * double(kTicksPerDay)));
        if (ticks >= kTicksPerDay) {
            ticks -= kTicksPerDay;
            ++days;
        }
    }
    const QDate date = dateFromBase(days);
    if (!inRange(target, date)) dateOverflow(target);
    return makeDateValue(target, date, ticksToUnits(ticks), typeName(id), false);
}

Value dateFromText(const Value& v, const SqlType& target, int style)
{
    QDate date;
    int64_t units = 0;
    bool outOfRange = false;
    const QString& s = asString(v);
    if (!parseDateTimeText(s, target.id, style, &date, &units, &outOfRange))
        raise(241, QStringLiteral("Conversion failed when converting date and/or time from character string."));
    if (outOfRange) {
        if (family(target.id) == Family::DateTime)
            raise(242, QStringLiteral("The conversion of a %1 data type to a %2 data type resulted in an out-of-range value.")
                           .arg(sourceTextType(v.type.id), typeName(target.id)));
        raise(241, QStringLiteral("Conversion failed when converting date and/or time from character string."));
    }
    return makeDateValue(target, date, units, sourceTextType(v.type.id), true);
}

Value dateFromBinary(const Value& v, const SqlType& target)
{
    const QByteArray b = std::get<QByteArray>(v.data);
    if (target.id == TypeId::SmallDateTime) {
        const int64_t days = int64_t(fromBigEndian(b.left(b.size() - 2), 2));
        const int64_t minutes = int64_t(fromBigEndian(b, 2));
        return makeDateValue(target, dateFromBase(days), minutes * 60 * kUnitsPerSecond, QStringLiteral("varbinary"),
                             false);
    }
    if (target.id == TypeId::DateTime) {
        const int64_t days = int32_t(uint32_t(fromBigEndian(b.left(std::max<int>(0, int(b.size()) - 4)), 4)));
        const int64_t ticks = int64_t(fromBigEndian(b, 4));
        if (ticks >= kTicksPerDay) dateOverflow(target);
        return makeDateValue(target, dateFromBase(days), ticksToUnits(ticks), QStringLiteral("varbinary"), false);
    }
    QDate date(1900, 1, 1);
    int64_t units = 0;
    if (target.id == TypeId::Time || target.id == TypeId::DateTime2) units = int64_t(fromBigEndian(b.left(5), 5));
    if (target.id == TypeId::Date || target.id == TypeId::DateTime2)
        date = QDate::fromJulianDay(QDate(1, 1, 1).toJulianDay() + int64_t(fromBigEndian(b, 3)));
    if (units < 0 || units >= kUnitsPerDay || !date.isValid()) dateOverflow(target);
    return makeDateValue(target, date, units, QStringLiteral("varbinary"), false);
}

Value toDate(const Value& v, const SqlType& target, int style)
{
    switch (family(v.type.id)) {
    case Family::Char: case Family::Text: return dateFromText(v, target, style);
    case Family::Numeric: return dateFromNumber(v, target);
    case Family::Binary: return dateFromBinary(v, target);
    default: {
        QDate date;
        int64_t units = 0;
        dateTimeUnits(v, &date, &units);
        if (v.type.id == TypeId::Date && target.id == TypeId::Time) units = 0;
        if (target.id == TypeId::Time) date = baseDate();
        return makeDateValue(target, date, units, typeName(v.type.id), false);
    }
    }
}

// Days (with fraction) of a datetime value after 1900-01-01.
double dateTimeAsDays(const Value& v)
{
    QDate date;
    int64_t units = 0;
    dateTimeUnits(v, &date, &units);
    return double(daysFromBase(date)) + double(unitsToTicks(units)) / double(kTicksPerDay);
}

// ---- numbers ----------------------------------------------------------------------------------------

[[noreturn]] void integerOverflow(TypeId target, int64_t shown)
{
    if (target == TypeId::TinyInt || target == TypeId::SmallInt)
        raise(220, QStringLiteral("Arithmetic overflow error for data type %1, value = %2.").arg(typeName(target)).arg(shown));
    raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(typeName(target)));
}

Value toInteger(const Value& v, const SqlType& target)
{
    const TypeId id = v.type.id;
    SqlType t{target.id, 0, 0, 0};
    if (target.id == TypeId::Bit) {
        switch (family(id)) {
        case Family::Char: case Family::Text: {
            const QString s = trimBlanks(asString(v));
            if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return bitValue(true);
            if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return bitValue(false);
            i128 n = 0;
            if (!parseIntegerText(s, &n))
                raise(245, QStringLiteral("Conversion failed when converting the %1 value %2 to data type bit.")
                               .arg(sourceTextType(id), quoted(asString(v))));
            return bitValue(n != 0);
        }
        case Family::Binary: {
            const QByteArray b = std::get<QByteArray>(v.data);
            return bitValue(!b.isEmpty() && b.back() != 0);
        }
        case Family::DateTime: return bitValue(dateTimeAsDays(v) != 0);
        default:
            if (std::holds_alternative<double>(v.data)) return bitValue(asDouble(v) != 0);
            return bitValue(asDecimal(v).unscaled != 0);
        }
    }
    int64_t n = 0;
    switch (family(id)) {
    case Family::Char: case Family::Text: return integerFromText(v, t);
    case Family::Binary: {
        const int size = byteLength(t);
        uint64_t raw = fromBigEndian(std::get<QByteArray>(v.data), size);
        if (size < 8 && t.id != TypeId::TinyInt && (raw >> (size * 8 - 1)) & 1) raw |= ~uint64_t(0) << (size * 8);
        n = int64_t(raw);
        break;
    }
    case Family::DateTime: {
        QDate date;
        int64_t units = 0;
        dateTimeUnits(v, &date, &units);
        n = daysFromBase(date) + (units >= kUnitsPerDay / 2 ? 1 : 0);  // rounds to the nearest day, noon up
        break;
    }
    default:
        if (isIntegerLike(id)) {
            n = asInt64(v);
        } else if (isFloatType(id)) {
            const double d = std::trunc(asDouble(v));
            if (!(d >= double(integerMin(t.id)) && d <= double(integerMax(t.id))) || d >= 9.2233720368547758e18)
                integerOverflow(t.id, std::isfinite(d) && std::fabs(d) < 9e18 ? int64_t(d) : 0);
            n = int64_t(d);
        } else {
            // decimal truncates; money rounds to the nearest whole number.
            const Decimal d = asDecimal(v);
            Decimal whole;
            i128 w;
            if (isMoney(id) && rescale(d, 0, &whole)) w = whole.unscaled;
            else w = d.unscaled / pow10i(d.scale);
            if (w < integerMin(t.id) || w > integerMax(t.id))
                integerOverflow(t.id, w > i128(INT64_MAX) || w < i128(INT64_MIN) ? 0 : int64_t(w));
            n = int64_t(w);
        }
    }
    if (n < integerMin(t.id) || n > integerMax(t.id)) integerOverflow(t.id, n);
    return make(t, n);
}

Value toFloat(const Value& v, const SqlType& target)
{
    const TypeId id = v.type.id;
    SqlType t{target.id, 0, target.id == TypeId::Real ? 24 : 53, 0};
    double d = 0;
    switch (family(id)) {
    case Family::Char: case Family::Text: {
        const QString s = trimBlanks(asString(v));
        static const QRegularExpression re(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
        if (!s.isEmpty()) {
            bool ok = re.match(s).hasMatch();
            if (ok) d = s.toDouble(&ok);
            if (!ok)
                raise(8114, QStringLiteral("Error converting data type %1 to %2.").arg(sourceTextType(id), typeName(t.id)));
        }
        break;
    }
    case Family::DateTime: d = dateTimeAsDays(v); break;
    default: d = asDouble(v); break;
    }
    if (!std::isfinite(d) || (t.id == TypeId::Real && std::fabs(d) > FLT_MAX))
        raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(typeName(t.id)));
    if (t.id == TypeId::Real) d = double(float(d));
    return make(t, d);
}

Value toDecimal(const Value& v, const SqlType& target)
{
    const TypeId id = v.type.id;
    SqlType t = target;
    if (t.precision == 0) {
        t.precision = 18;
        t.scale = 0;
    }
    Decimal d;
    QString fromName = typeName(id);
    switch (family(id)) {
    case Family::Char: case Family::Text: {
        fromName = sourceTextType(id);
        bool overflow = false;
        if (!parseDecimalText(asString(v), &d, &overflow))
            raise(8114, QStringLiteral("Error converting data type %1 to numeric.").arg(fromName));
        if (overflow) d = Decimal{pow10i(38) - 1, 0};
        break;
    }
    case Family::DateTime:
        if (!doubleToDecimal(dateTimeAsDays(v), t.scale, &d)) d = Decimal{pow10i(38) - 1, 0};
        fromName = QStringLiteral("expression");
        break;
    default:
        if (isFloatType(id)) {
            if (!doubleToDecimal(asDouble(v), t.scale, &d))
                raise(8115, QStringLiteral("Arithmetic overflow error converting %1 to data type numeric.").arg(typeName(id)));
        } else {
            d = asDecimal(v);
            if (isDecimalType(id)) fromName = QStringLiteral("numeric");
        }
    }
    Decimal r;
    if (!rescale(d, t.scale, &r) || !fitsPrecision(r, t.precision))
        raise(8115, QStringLiteral("Arithmetic overflow error converting %1 to data type numeric.").arg(fromName));
    return make(t, r);
}

Value toMoney(const Value& v, const SqlType& target)
{
    const TypeId id = v.type.id;
    SqlType t{target.id, 0, target.id == TypeId::Money ? 19 : 10, 4};
    Decimal d;
    switch (family(id)) {
    case Family::Char: case Family::Text: {
        QString s = trimBlanks(asString(v));
        s.remove(u',');
        bool negative = false;
        if (s.startsWith(u'-')) {
            negative = true;
            s = s.mid(1).trimmed();
        } else if (s.startsWith(u'+')) {
            s = s.mid(1).trimmed();
        }
        if (s.startsWith(u'$')) s = s.mid(1).trimmed();
        if (!negative && s.startsWith(u'-')) {
            negative = true;
            s = s.mid(1);
        }
        bool overflow = false;
        if (s.isEmpty()) d = Decimal{0, 0};
        else if (!parseDecimalText(s, &d, &overflow) || s.startsWith(u'+') || s.startsWith(u'-'))
            raise(235, QStringLiteral("Cannot convert a char value to money. The char value has incorrect syntax."));
        if (overflow) d = Decimal{pow10i(38) - 1, 0};
        if (negative) d.unscaled = -d.unscaled;
        break;
    }
    case Family::Binary: {
        const int size = byteLength(t);
        uint64_t raw = fromBigEndian(std::get<QByteArray>(v.data), size);
        if (size == 4 && (raw >> 31) & 1) raw |= ~uint64_t(0) << 32;
        return make(t, Decimal{int64_t(raw), 4});
    }
    case Family::DateTime:
        if (!doubleToDecimal(dateTimeAsDays(v), 4, &d)) d = Decimal{pow10i(38) - 1, 0};
        break;
    default:
        if (isFloatType(id)) {
            if (!doubleToDecimal(asDouble(v), 4, &d)) d = Decimal{pow10i(38) - 1, 0};
        } else {
            d = asDecimal(v);
        }
    }
    Decimal r;
    const i128 lo = t.id == TypeId::Money ? i128(INT64_MIN) : i128(INT32_MIN);
    const i128 hi = t.id == TypeId::Money ? i128(INT64_MAX) : i128(INT32_MAX);
    if (!rescale(d, 4, &r) || r.unscaled < lo || r.unscaled > hi)
        raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(typeName(t.id)));
    return make(t, r);
}

Value toGuid(const Value& v, const SqlType& target)
{
    SqlType t{TypeId::UniqueIdentifier, 0, 0, 0};
    (void)target;
    if (family(v.type.id) == Family::Binary) return make(t, guidFromBytes(std::get<QByteArray>(v.data)));
    // 36 characters, or 38 within braces; characters beyond them are ignored.
    const QString& s = asString(v);
    QString core;
    if (s.startsWith(u'{')) {
        if (s.size() < 38 || s[37] != u'}')
            raise(8169, QStringLiteral("Conversion failed when converting from a character string to uniqueidentifier."));
        core = s.mid(1, 36);
    } else {
        core = s.left(36);
    }
    static const QRegularExpression re(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    if (!re.match(core).hasMatch())
        raise(8169, QStringLiteral("Conversion failed when converting from a character string to uniqueidentifier."));
    return make(t, QUuid::fromString(core));
}

Value convertUnchecked(const Value& v, const SqlType& target, bool truncate, int style)
{
    if (target.id == TypeId::SqlVariant) return v.isNull() ? nullValue(target) : v;
    if (v.isNull()) return nullValue(target);
    if (v.type == target && !isCharacter(target.id)) return v;
    switch (family(target.id)) {
    case Family::Char: case Family::Text: return toCharacter(v, target, truncate, style);
    case Family::Binary: case Family::Image: return toBinary(v, target, truncate, style);
    case Family::DateTime: case Family::Date: case Family::Time: case Family::DateTime2: return toDate(v, target, style);
    case Family::Guid: return toGuid(v, target);
    case Family::DateTimeOffset: return toDateTimeOffset(v, target, style);
    case Family::Numeric:
        if (isIntegerLike(target.id)) return toInteger(v, target);
        if (isFloatType(target.id)) return toFloat(v, target);
        if (isMoney(target.id)) return toMoney(v, target);
        return toDecimal(v, target);
    default: return v;
    }
}

}  // namespace

bool canConvert(TypeId from, TypeId to) { return explicitAllowed(from, to); }

bool canConvertImplicitly(TypeId from, TypeId to) { return implicitAllowed(from, to); }

void checkImplicitConversion(TypeId from, TypeId to)
{
    if (implicitAllowed(from, to)) return;
    if (explicitAllowed(from, to))
        raise(257, QStringLiteral("Implicit conversion from data type %1 to %2 is not allowed. Use the CONVERT function to run this query.")
                       .arg(typeName(from), typeName(to)));
    raise(206, QStringLiteral("Operand type clash: %1 is incompatible with %2").arg(typeName(from), typeName(to)));
}

Value convert(const Value& v, const SqlType& target, bool truncate, int style)
{
    // NULL converts to every type (a NULL constant has no type of its own to clash with).
    if (v.isNull()) return nullValue(target);
    const TypeId from = v.type.id;
    if (!explicitAllowed(from, target.id))
        raise(529, QStringLiteral("Explicit conversion from data type %1 to %2 is not allowed.").arg(typeName(from), typeName(target.id)));
    return convertUnchecked(v, target, truncate, style);
}

Value convertImplicit(const Value& v, const SqlType& target, bool truncate)
{
    if (!v.isNull()) checkImplicitConversion(v.type.id, target.id);
    return convertUnchecked(v, target, truncate, 0);
}

QString toText(const Value& v)
{
    if (v.isNull()) return QString();
    if (isCharacter(v.type.id)) return asString(v);
    return textOf(v, 0, true);
}

SqlType commonType(const SqlType& a, const SqlType& b)
{
    const SqlType& hi = typePrecedence(a.id) >= typePrecedence(b.id) ? a : b;
    const SqlType& lo = &hi == &a ? b : a;
    if (isDecimalType(hi.id) && isNumeric(lo.id) && !isFloatType(lo.id)) {
        int p1, s1, p2, s2;
        decimalShape(hi, &p1, &s1);
        decimalShape(lo, &p2, &s2);
        const int s = std::max(s1, s2);
        const int integral = std::max(p1 - s1, p2 - s2);
        return SqlType{hi.id, 0, std::min(kMaxPrecision, integral + s), std::min(s, std::max(0, kMaxPrecision - integral))};
    }
    if (isCharacter(hi.id) && isCharacter(lo.id)) {
        SqlType t = hi;
        if (isUnicode(lo.id) && !isUnicode(hi.id)) t.id = lo.id;
        t.length = (a.length < 0 || b.length < 0) ? -1 : std::max(a.length, b.length);
        return t;
    }
    if (isBinary(hi.id) && isBinary(lo.id)) {
        SqlType t = hi;
        t.length = (a.length < 0 || b.length < 0) ? -1 : std::max(a.length, b.length);
        return t;
    }
    if (hi.id == lo.id && (hi.id == TypeId::Time || hi.id == TypeId::DateTime2 || hi.id == TypeId::DateTimeOffset)) {
        SqlType t = hi;
        t.scale = std::max(a.scale, b.scale);
        return t;
    }
    if (hi.id == TypeId::Int || hi.id == TypeId::Float || hi.id == TypeId::Real) {
        SqlType t = hi;
        t.precision = hi.id == TypeId::Int ? 0 : t.precision;
        return t;
    }
    return hi;
}

}  // namespace standin
