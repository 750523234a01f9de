#include "TdsWire.h"

#include <QDateTime>
#include <QUuid>

#include <cmath>
#include <cstring>

namespace standin::tds {

const char kCollation[5] = {0x09, 0x04, char(0xD0), 0x00, 0x00};

// --- Reader -------------------------------------------------------------------------------

void Reader::seek(int pos)
{
    if (pos < 0 || pos > d.size())
        throw ProtocolError("offset outside the message");
    p = pos;
}

void Reader::skip(int n)
{
    if (n < 0 || n > remaining())
        throw ProtocolError("message too short");
    p += n;
}

uint8_t Reader::u8()
{
    skip(1);
    return uint8_t(d[p - 1]);
}

uint16_t Reader::u16()
{
    skip(2);
    return uint16_t(uint8_t(d[p - 2]) | uint8_t(d[p - 1]) << 8);
}

uint16_t Reader::u16be()
{
    skip(2);
    return uint16_t(uint8_t(d[p - 2]) << 8 | uint8_t(d[p - 1]));
}

uint32_t Reader::u32()
{
    const uint32_t lo = u16();
    return lo | uint32_t(u16()) << 16;
}

uint64_t Reader::u64()
{
    const uint64_t lo = u32();
    return lo | uint64_t(u32()) << 32;
}

QByteArray Reader::bytes(int n)
{
    skip(n);
    return d.mid(p - n, n);
}

QString Reader::utf16(int chars)
{
    if (chars < 0 || chars > remaining() / 2)
        throw ProtocolError("string outside the message");
    QString s(chars, Qt::Uninitialized);
    for (int i = 0; i < chars; ++i)
        s[i] = QChar(u16());
    return s;
}

// --- Writer -------------------------------------------------------------------------------

void Writer::u16(uint16_t v)
{
    u8(uint8_t(v));
    u8(uint8_t(v >> 8));
}

void Writer::u16be(uint16_t v)
{
    u8(uint8_t(v >> 8));
    u8(uint8_t(v));
}

void Writer::u32(uint32_t v)
{
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
}

void Writer::u32be(uint32_t v)
{
    u16be(uint16_t(v >> 16));
    u16be(uint16_t(v));
}

void Writer::u64(uint64_t v)
{
    u32(uint32_t(v));
    u32(uint32_t(v >> 32));
}

void Writer::utf16(const QString& s)
{
    for (QChar c : s)
        u16(c.unicode());
}

void Writer::bVarChar(const QString& s)
{
    const QString t = s.left(255);
    u8(uint8_t(t.size()));
    utf16(t);
}

void Writer::usVarChar(const QString& s)
{
    const QString t = s.left(65535);
    u16(uint16_t(t.size()));
    utf16(t);
}

void Writer::patchU16(int at, uint16_t v)
{
    buf[at] = char(v & 0xFF);
    buf[at + 1] = char(v >> 8);
}

// --- code page 1252 -----------------------------------------------------------------------

namespace {
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
}  // namespace

QByteArray toCp1252(const QString& s)
{
    QByteArray out;
    out.reserve(s.size());
    for (QChar qc : s) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.append(char(c));
            continue;
        }
        char b = '?';
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] == c) {
                b = char(0x80 + i);
                break;
            }
        }
        out.append(b);
    }
    return out;
}

QString fromCp1252(const QByteArray& b)
{
    QString s(b.size(), Qt::Uninitialized);
    for (int i = 0; i < b.size(); ++i) {
        const uint8_t c = uint8_t(b[i]);
        s[i] = QChar(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : char16_t(c));
    }
    return s;
}

// --- value coercion -----------------------------------------------------------------------

namespace {

bool isUnicodeId(TypeId id)
{
    return id == TypeId::NChar || id == TypeId::NVarChar || id == TypeId::NText;
}

__int128 pow10i(int n)
{
    __int128 r = 1;
    for (int i = 0; i < n; ++i)
        r *= 10;
    return r;
}

// Rounds half away from zero when the scale shrinks.
__int128 rescale(__int128 unscaled, int from, int to)
{
    if (to >= from)
        return unscaled * pow10i(to - from);
    const __int128 div = pow10i(from - to);
    __int128 q = unscaled / div;
    const __int128 rem = unscaled % div;
    if (rem * 2 >= div)
        ++q;
    else if (rem * 2 <= -div)
        --q;
    return q;
}

Decimal asDecimal(const Value& v, int scale)
{
    Decimal out;
    out.scale = scale;
    if (const auto* d = std::get_if<Decimal>(&v.data))
        out.unscaled = rescale(d->unscaled, d->scale, scale);
    else if (const auto* i = std::get_if<int64_t>(&v.data))
        out.unscaled = __int128(*i) * pow10i(scale);
    else if (const auto* b = std::get_if<bool>(&v.data))
        out.unscaled = __int128(*b ? 1 : 0) * pow10i(scale);
    else if (const auto* f = std::get_if<double>(&v.data))
        out.unscaled = __int128(std::llround(*f * double(pow10i(scale))));
    else if (const auto* s = std::get_if<QString>(&v.data))
        out.unscaled = __int128(std::llround(s->trimmed().toDouble() * double(pow10i(scale))));
    return out;
}

int64_t asInt(const Value& v)
{
    if (const auto* i = std::get_if<int64_t>(&v.data))
        return *i;
    if (const auto* b = std::get_if<bool>(&v.data))
        return *b ? 1 : 0;
    if (const auto* f = std::get_if<double>(&v.data))
        return int64_t(*f);
    if (const auto* d = std::get_if<Decimal>(&v.data))
        return int64_t(d->unscaled / pow10i(d->scale));
    if (const auto* s = std::get_if<QString>(&v.data))
        return s->trimmed().toLongLong();
    return 0;
}

double asDouble(const Value& v)
{
    if (const auto* f = std::get_if<double>(&v.data))
        return *f;
    if (const auto* d = std::get_if<Decimal>(&v.data))
        return double(d->unscaled) / double(pow10i(d->scale));
    if (const auto* s = std::get_if<QString>(&v.data))
        return s->trimmed().toDouble();
    return double(asInt(v));
}

QString decimalText(const Decimal& d)
{
    __int128 u = d.unscaled;
    const bool neg = u < 0;
    if (neg)
        u = -u;
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(u % 10)));
        u /= 10;
    } while (u != 0);
    if (d.scale > 0) {
        while (digits.size() <= d.scale)
            digits.prepend(u'0');
        digits.insert(digits.size() - d.scale, u'.');
    }
    return neg ? QStringLiteral("-") + digits : digits;
}

// "hh:mm:ss" with `digits` fractional digits of the second (0 to 7).
QString clockText(const TimeOfDay& t, int digits)
{
    QString s = QStringLiteral("%1:%2:%3")
                    .arg(t.hour(), 2, 10, QLatin1Char('0'))
                    .arg(t.minute(), 2, 10, QLatin1Char('0'))
                    .arg(t.second(), 2, 10, QLatin1Char('0'));
    if (digits > 0)
        s += u'.' + QStringLiteral("%1").arg(t.fraction(), 7, 10, QLatin1Char('0')).left(digits);
    return s;
}

QString asString(const Value& v)
{
    if (const auto* s = std::get_if<QString>(&v.data))
        return *s;
    if (const auto* i = std::get_if<int64_t>(&v.data))
        return QString::number(*i);
    if (const auto* b = std::get_if<bool>(&v.data))
        return *b ? QStringLiteral("1") : QStringLiteral("0");
    if (const auto* f = std::get_if<double>(&v.data))
        return QString::number(*f, 'g', 17);
    if (const auto* d = std::get_if<Decimal>(&v.data))
        return decimalText(*d);
    if (const auto* d = std::get_if<QDate>(&v.data))
        return d->toString(QStringLiteral("yyyy-MM-dd"));
    if (const auto* t = std::get_if<TimeOfDay>(&v.data))
        return clockText(*t, 7);
    if (const auto* dt = std::get_if<DateTimeValue>(&v.data))
        return dt->date.toString(QStringLiteral("yyyy-MM-dd")) + u' ' + clockText(dt->time, 7);
    if (const auto* u = std::get_if<QUuid>(&v.data))
        return u->toString(QUuid::WithoutBraces).toUpper();
    if (const auto* b = std::get_if<QByteArray>(&v.data))
        return QString::fromLatin1(b->toHex().toUpper());
    return QString();
}

QByteArray asBytes(const Value& v)
{
    if (const auto* b = std::get_if<QByteArray>(&v.data))
        return *b;
    if (const auto* s = std::get_if<QString>(&v.data))
        return isUnicodeId(v.type.id) ? QByteArray(reinterpret_cast<const char*>(s->utf16()), s->size() * 2)
                                      : toCp1252(*s);
    if (const auto* u = std::get_if<QUuid>(&v.data))
        return u->toRfc4122();
    return QByteArray();
}

// The date and time of a date/time value: a date is its midnight, a time lies on 1900-01-01. A
// datetime counts in whole milliseconds (.003, .007), as it is shown.
DateTimeValue asDateTime(const Value& v)
{
    if (const auto* dt = std::get_if<DateTimeValue>(&v.data)) {
        DateTimeValue out = *dt;
        if (v.type.id == TypeId::DateTime)
            out.time = out.time.nearestMillisecond();
        return out;
    }
    if (const auto* d = std::get_if<QDate>(&v.data))
        return DateTimeValue {*d, {}};
    if (const auto* t = std::get_if<TimeOfDay>(&v.data))
        return DateTimeValue {QDate(1900, 1, 1), *t};
    if (const auto* s = std::get_if<QString>(&v.data)) {
        const QDateTime q = QDateTime::fromString(s->trimmed(), Qt::ISODateWithMs);
        return DateTimeValue {q.date(), TimeOfDay::fromMilliseconds(q.time().msecsSinceStartOfDay())};
    }
    return DateTimeValue {QDate(1900, 1, 1), {}};
}

QUuid asUuid(const Value& v)
{
    if (const auto* u = std::get_if<QUuid>(&v.data))
        return *u;
    if (const auto* b = std::get_if<QByteArray>(&v.data); b && b->size() == 16)
        return QUuid::fromRfc4122(*b);
    return QUuid(asString(v).trimmed());
}

}  // namespace

namespace {

void putUtf16(Writer& w, const QString& s)
{
    w.bytes(reinterpret_cast<const char*>(s.utf16()), int(s.size()) * 2);
}

int decimalBytes(int precision)
{
    return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

int timeBytes(int scale)
{
    return scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
}

// The time of day in units of 10^-scale seconds, rounded (never past the last unit of the day).
void putTimeUnits(Writer& w, const TimeOfDay& t, int scale)
{
    const uint64_t div = uint64_t(pow10i(7 - std::clamp(scale, 0, 7)));
    uint64_t units = (uint64_t(t.units) + div / 2) / div;
    units = std::min<uint64_t>(units, uint64_t(TimeOfDay::kUnitsPerDay) / div - 1);
    const int n = timeBytes(scale);
    for (int i = 0; i < n; ++i)
        w.u8(uint8_t(units >> (8 * i)));
}

void putDateDays(Writer& w, const QDate& d)
{
    const int64_t days = QDate(1, 1, 1).daysTo(d);
    w.u8(uint8_t(days));
    w.u8(uint8_t(days >> 8));
    w.u8(uint8_t(days >> 16));
}

void putDateTime8(Writer& w, const DateTimeValue& dt)
{
    int64_t days = QDate(1900, 1, 1).daysTo(dt.date);
    int64_t ticks = (dt.time.units * 3 + 50000) / 100000;  // 1/300 s
    if (ticks >= 25920000) {
        ticks -= 25920000;
        ++days;
    }
    w.u32(uint32_t(int32_t(days)));
    w.u32(uint32_t(ticks));
}

void putDateTime4(Writer& w, const DateTimeValue& dt)
{
    int64_t days = QDate(1900, 1, 1).daysTo(dt.date);
    int64_t minutes = (dt.time.units + 300000000) / 600000000;
    if (minutes >= 1440) {
        minutes -= 1440;
        ++days;
    }
    w.u16(uint16_t(days));
    w.u16(uint16_t(minutes));
}

void putGuid(Writer& w, const QUuid& u)
{
    const QByteArray b = u.toRfc4122();
    const char order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        w.u8(uint8_t(b[order[int(i)]]));
}

void putMoney(Writer& w, const Value& v, int bytes)
{
    const __int128 units = asDecimal(v, 4).unscaled;
    if (bytes == 4) {
        w.u32(uint32_t(int32_t(units)));
    } else {
        const uint64_t u = uint64_t(int64_t(units));
        w.u32(uint32_t(u >> 32));
        w.u32(uint32_t(u));
    }
}

void putDecimalBody(Writer& w, const Value& v, int precision, int scale)
{
    __int128 u = asDecimal(v, scale).unscaled;
    w.u8(u < 0 ? 0 : 1);
    if (u < 0)
        u = -u;
    const int n = decimalBytes(precision) - 1;
    for (int i = 0; i < n; ++i) {
        w.u8(uint8_t(u & 0xFF));
        u >>= 8;
    }
}

// The text form of a date/time value for clients that predate the date/time types.
QString dateTimeText(const Value& v, TypeId id, int scale)
{
    const DateTimeValue dt = asDateTime(v);
    const QString day = dt.date.toString(QStringLiteral("yyyy-MM-dd"));
    const QString clock = clockText(dt.time, scale);
    switch (id) {
    case TypeId::Date: return day;
    case TypeId::Time: return clock;
    case TypeId::DateTimeOffset: {
        const int offset = dt.offsetMinutes, m = std::abs(offset);
        return day + u' ' + clock
               + QStringLiteral(" %1%2:%3").arg(QChar(offset < 0 ? u'-' : u'+')).arg(m / 60, 2, 10, QLatin1Char('0'))
                     .arg(m % 60, 2, 10, QLatin1Char('0'));
    }
    default: return day + u' ' + clock;
    }
}

}  // namespace

WireColumn wireColumn(const SqlType& t, uint32_t tdsVersion)
{
    WireColumn c;
    const bool v72 = tdsVersion >= Tds72;
    const bool v73 = tdsVersion >= Tds73A;
    auto character = [&](uint8_t fixed, uint8_t var, uint8_t legacy, int unitBytes, bool isVar) {
        c.collation = unitBytes > 0;
        const int unit = unitBytes > 0 ? unitBytes : 1;
        const int limit = 8000;
        const bool max = t.length < 0 || t.length * unit > limit;
        if (max && isVar) {
            if (v72) {
                c.type = var;
                c.length = 0xFFFF;
                c.plp = true;
            } else {
                c.type = legacy;
                c.length = 0x7FFFFFFF;
                c.tablename = true;
            }
            return;
        }
        c.type = isVar ? var : fixed;
        c.length = std::max(1, std::min(t.length, limit / unit)) * unit;
    };
    switch (t.id) {
    case TypeId::Bit: c.type = BitNType; c.length = 1; break;
    case TypeId::TinyInt: c.type = IntNType; c.length = 1; break;
    case TypeId::SmallInt: c.type = IntNType; c.length = 2; break;
    case TypeId::Int: c.type = IntNType; c.length = 4; break;
    case TypeId::BigInt: c.type = IntNType; c.length = 8; break;
    case TypeId::Real: c.type = FltNType; c.length = 4; break;
    case TypeId::Float: c.type = FltNType; c.length = (t.precision > 0 && t.precision <= 24) ? 4 : 8; break;
    case TypeId::SmallMoney: c.type = MoneyNType; c.length = 4; break;
    case TypeId::Money: c.type = MoneyNType; c.length = 8; break;
    case TypeId::Decimal:
    case TypeId::Numeric:
        c.type = t.id == TypeId::Decimal ? DecimalNType : NumericNType;
        c.precision = std::clamp(t.precision, 1, 38);
        c.scale = std::clamp(t.scale, 0, c.precision);
        c.length = decimalBytes(c.precision);
        break;
    case TypeId::Char: character(BigCharType, BigVarCharType, TextType, 0, false); c.collation = true; break;
    case TypeId::VarChar: character(BigCharType, BigVarCharType, TextType, 0, true); c.collation = true; break;
    case TypeId::NChar: character(NCharType, NVarCharType, NTextType, 2, false); break;
    case TypeId::NVarChar: character(NCharType, NVarCharType, NTextType, 2, true); break;
    case TypeId::Binary: character(BigBinaryType, BigVarBinType, ImageType, 0, false); c.collation = false; break;
    case TypeId::VarBinary: character(BigBinaryType, BigVarBinType, ImageType, 0, true); c.collation = false; break;
    case TypeId::Text: c.type = TextType; c.length = 0x7FFFFFFF; c.collation = true; c.tablename = true; break;
    case TypeId::NText: c.type = NTextType; c.length = 0x7FFFFFFE; c.collation = true; c.tablename = true; break;
    case TypeId::Image: c.type = ImageType; c.length = 0x7FFFFFFF; c.tablename = true; break;
    case TypeId::SmallDateTime: c.type = DateTimNType; c.length = 4; break;
    case TypeId::DateTime: c.type = DateTimNType; c.length = 8; break;
    case TypeId::Date:
    case TypeId::Time:
    case TypeId::DateTime2:
        c.scale = t.id == TypeId::Date ? 0 : std::clamp(t.id == TypeId::Time || t.id == TypeId::DateTime2 ? t.scale : 0, 0, 7);
        if (v73) {
            c.type = t.id == TypeId::Date ? DateNType : t.id == TypeId::Time ? TimeNType : DateTime2NType;
            c.length = t.id == TypeId::Date ? 3 : t.id == TypeId::Time ? timeBytes(c.scale) : timeBytes(c.scale) + 3;
        } else {
            c.type = NVarCharType;
            c.collation = true;
            c.asText = true;
            c.length = 2 * (t.id == TypeId::Date ? 10 : t.id == TypeId::Time ? 16 : 27);
        }
        break;
    case TypeId::DateTimeOffset:
        c.scale = std::clamp(t.scale, 0, 7);
        if (v73) {
            c.type = DateTimeOffsetNType;
            c.length = timeBytes(c.scale) + 5;
        } else {
            c.type = NVarCharType;
            c.collation = true;
            c.asText = true;
            c.length = 2 * 34;
        }
        break;
    case TypeId::UniqueIdentifier: c.type = GuidType; c.length = 16; break;
    case TypeId::SqlVariant: c.type = SqlVariantType; c.length = 8009; break;
    }
    return c;
}

void writeTypeInfo(Writer& w, const WireColumn& c, const QString& tableName, uint32_t tdsVersion)
{
    w.u8(c.type);
    switch (c.type) {
    case IntNType: case BitNType: case FltNType: case MoneyNType: case DateTimNType: case GuidType:
        w.u8(uint8_t(c.length));
        break;
    case DecimalNType: case NumericNType:
        w.u8(uint8_t(c.length));
        w.u8(uint8_t(c.precision));
        w.u8(uint8_t(c.scale));
        break;
    case DateNType:
        break;
    case TimeNType: case DateTime2NType: case DateTimeOffsetNType:
        w.u8(uint8_t(c.scale));
        break;
    case TextType: case NTextType: case ImageType:
        w.u32(uint32_t(c.length));
        if (c.collation)
            w.bytes(kCollation, 5);
        if (tdsVersion >= Tds72) {
            if (tableName.isEmpty()) {
                w.u8(0);
            } else {
                w.u8(1);
                w.usVarChar(tableName);
            }
        } else {
            w.usVarChar(tableName);
        }
        break;
    case SqlVariantType:
        w.u32(uint32_t(c.length));
        break;
    default:  // BIG*CHAR / BIG*BINARY / N*CHAR
        w.u16(uint16_t(c.length));
        if (c.collation)
            w.bytes(kCollation, 5);
        break;
    }
}

bool isNullOnWire(const Value& v)
{
    return v.isNull();
}

namespace {

void writeVariant(Writer& w, const Value& v)
{
    if (v.isNull()) {
        w.u32(0);
        return;
    }
    Writer body;
    const SqlType& t = v.type;
    auto head = [&](uint8_t base, uint8_t props) {
        body.u8(base);
        body.u8(props);
    };
    switch (t.id) {
    case TypeId::Bit: head(BitType, 0); body.u8(asInt(v) ? 1 : 0); break;
    case TypeId::TinyInt: head(Int1Type, 0); body.u8(uint8_t(asInt(v))); break;
    case TypeId::SmallInt: head(Int2Type, 0); body.u16(uint16_t(asInt(v))); break;
    case TypeId::Int: head(Int4Type, 0); body.u32(uint32_t(asInt(v))); break;
    case TypeId::BigInt: head(Int8Type, 0); body.u64(uint64_t(asInt(v))); break;
    case TypeId::Real: {
        head(Flt4Type, 0);
        const float f = float(asDouble(v));
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        body.u32(bits);
        break;
    }
    case TypeId::Float: {
        head(Flt8Type, 0);
        const double d = asDouble(v);
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        body.u64(bits);
        break;
    }
    case TypeId::SmallMoney: head(Money4Type, 0); putMoney(body, v, 4); break;
    case TypeId::Money: head(MoneyType, 0); putMoney(body, v, 8); break;
    case TypeId::Decimal: case TypeId::Numeric: {
        const int p = std::clamp(t.precision, 1, 38), s = std::clamp(t.scale, 0, p);
        head(t.id == TypeId::Decimal ? DecimalNType : NumericNType, 2);
        body.u8(uint8_t(p));
        body.u8(uint8_t(s));
        putDecimalBody(body, v, p, s);
        break;
    }
    case TypeId::SmallDateTime: head(DateTim4Type, 0); putDateTime4(body, asDateTime(v)); break;
    case TypeId::DateTime: head(DateTimeType, 0); putDateTime8(body, asDateTime(v)); break;
    case TypeId::UniqueIdentifier: head(GuidType, 0); putGuid(body, asUuid(v)); break;
    case TypeId::Binary: case TypeId::VarBinary: case TypeId::Image: {
        const QByteArray b = asBytes(v).left(8000);
        head(t.id == TypeId::Binary ? BigBinaryType : BigVarBinType, 2);
        body.u16(uint16_t(std::max<int>(1, int(b.size()))));
        body.bytes(b);
        break;
    }
    case TypeId::Char: case TypeId::VarChar: case TypeId::Text: {
        const QByteArray b = toCp1252(asString(v)).left(8000);
        head(t.id == TypeId::Char ? BigCharType : BigVarCharType, 7);
        body.bytes(kCollation, 5);
        body.u16(uint16_t(std::max<int>(1, int(b.size()))));
        body.bytes(b);
        break;
    }
    default: {  // nchar/nvarchar/ntext and date/time types (as text)
        const bool dateLike = t.id == TypeId::Date || t.id == TypeId::Time || t.id == TypeId::DateTime2 ||
                              t.id == TypeId::DateTimeOffset;
        const QString s = (dateLike ? dateTimeText(v, t.id, t.scale) : asString(v)).left(4000);
        head(t.id == TypeId::NChar ? NCharType : NVarCharType, 7);
        body.bytes(kCollation, 5);
        body.u16(uint16_t(std::max<int>(2, int(s.size()) * 2)));
        putUtf16(body, s);
        break;
    }
    }
    w.u32(uint32_t(body.size()));
    w.bytes(body.buf);
}

}  // namespace

void writeValue(Writer& w, const WireColumn& c, const Value& v, uint32_t /*tdsVersion*/)
{
    const bool null = v.isNull();
    if (c.plp) {
        if (null) {
            w.u64(~uint64_t(0));
            return;
        }
        QByteArray b;
        if (c.type == NVarCharType) {
            const QString s = asString(v);
            b = QByteArray(reinterpret_cast<const char*>(s.utf16()), int(s.size()) * 2);
        } else if (c.type == BigVarCharType) {
            b = toCp1252(asString(v));
        } else {
            b = asBytes(v);
        }
        w.u64(uint64_t(b.size()));
        const int chunk = 1 << 20;
        for (int at = 0; at < b.size(); at += chunk) {
            const int n = std::min<int>(chunk, int(b.size()) - at);
            w.u32(uint32_t(n));
            w.bytes(b.constData() + at, n);
        }
        w.u32(0);
        return;
    }
    switch (c.type) {
    case IntNType:
        if (null) { w.u8(0); return; }
        w.u8(uint8_t(c.length));
        switch (c.length) {
        case 1: w.u8(uint8_t(asInt(v))); break;
        case 2: w.u16(uint16_t(asInt(v))); break;
        case 4: w.u32(uint32_t(asInt(v))); break;
        default: w.u64(uint64_t(asInt(v))); break;
        }
        return;
    case BitNType:
        if (null) { w.u8(0); return; }
        w.u8(1);
        w.u8(asInt(v) != 0 ? 1 : 0);
        return;
    case FltNType:
        if (null) { w.u8(0); return; }
        w.u8(uint8_t(c.length));
        if (c.length == 4) {
            const float f = float(asDouble(v));
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            w.u32(bits);
        } else {
            const double d = asDouble(v);
            uint64_t bits;
            std::memcpy(&bits, &d, 8);
            w.u64(bits);
        }
        return;
    case MoneyNType:
        if (null) { w.u8(0); return; }
        w.u8(uint8_t(c.length));
        putMoney(w, v, c.length);
        return;
    case DecimalNType: case NumericNType:
        if (null) { w.u8(0); return; }
        w.u8(uint8_t(c.length));
        putDecimalBody(w, v, c.precision, c.scale);
        return;
    case DateTimNType:
        if (null) { w.u8(0); return; }
        w.u8(uint8_t(c.length));
        if (c.length == 4)
            putDateTime4(w, asDateTime(v));
        else
            putDateTime8(w, asDateTime(v));
        return;
    case DateNType:
        if (null) { w.u8(0); return; }
        w.u8(3);
        putDateDays(w, asDateTime(v).date);
        return;
    case TimeNType:
        if (null) { w.u8(0); return; }
        w.u8(uint8_t(timeBytes(c.scale)));
        putTimeUnits(w, asDateTime(v).time, c.scale);
        return;
    case DateTime2NType: {
        if (null) { w.u8(0); return; }
        const DateTimeValue dt = asDateTime(v);
        w.u8(uint8_t(timeBytes(c.scale) + 3));
        putTimeUnits(w, dt.time, c.scale);
        putDateDays(w, dt.date);
        return;
    }
    case DateTimeOffsetNType: {
        // The UTC date and time, then the offset in minutes.
        if (null) { w.u8(0); return; }
        const DateTimeValue local = asDateTime(v);
        const DateTimeValue utc = local.utc();
        w.u8(uint8_t(timeBytes(c.scale) + 5));
        putTimeUnits(w, utc.time, c.scale);
        putDateDays(w, utc.date);
        w.u16(uint16_t(int16_t(local.offsetMinutes)));
        return;
    }
    case GuidType:
        if (null) { w.u8(0); return; }
        w.u8(16);
        putGuid(w, asUuid(v));
        return;
    case SqlVariantType:
        writeVariant(w, v);
        return;
    case TextType: case NTextType: case ImageType: {
        if (null) { w.u8(0); return; }
        QByteArray b;
        if (c.type == NTextType) {
            const QString s = asString(v);
            b = QByteArray(reinterpret_cast<const char*>(s.utf16()), int(s.size()) * 2);
        } else if (c.type == TextType) {
            b = toCp1252(asString(v));
        } else {
            b = asBytes(v);
        }
        w.u8(16);
        w.bytes(QByteArray(16, '\x01'));
        w.bytes(QByteArray(8, '\0'));
        w.u32(uint32_t(b.size()));
        w.bytes(b);
        return;
    }
    default: break;
    }
    // Two-byte length types: BIG*CHAR, BIG*BINARY, N*CHAR.
    if (null) {
        w.u16(0xFFFF);
        return;
    }
    QByteArray b;
    if (c.type == NVarCharType || c.type == NCharType) {
        QString s = c.asText ? dateTimeText(v, v.type.id, c.scale) : asString(v);
        if (c.type == NCharType)
            s = s.leftJustified(c.length / 2, u' ');
        b = QByteArray(reinterpret_cast<const char*>(s.utf16()), int(s.size()) * 2);
    } else if (c.type == BigVarCharType || c.type == BigCharType) {
        b = toCp1252(asString(v));
        if (c.type == BigCharType && b.size() < c.length)
            b.append(QByteArray(c.length - int(b.size()), ' '));
    } else {
        b = asBytes(v);
        if (c.type == BigBinaryType && b.size() < c.length)
            b.append(QByteArray(c.length - int(b.size()), '\0'));
    }
    b.truncate(c.length);
    w.u16(uint16_t(b.size()));
    w.bytes(b);
}

// --- client values (RPC parameters) -------------------------------------------------------

namespace {

Value typed(TypeId id, Value::Data data, int length = 0, int precision = 0, int scale = 0)
{
    Value v;
    v.type.id = id;
    v.type.length = length;
    v.type.precision = precision;
    v.type.scale = scale;
    v.data = std::move(data);
    return v;
}

QDate dateFromDays(int64_t days)
{
    return QDate(1, 1, 1).addDays(days);
}

TimeOfDay timeFromUnits(uint64_t units, int scale)
{
    const uint64_t hundredNs = units * uint64_t(pow10i(7 - scale));
    if (hundredNs >= uint64_t(TimeOfDay::kUnitsPerDay))
        throw ProtocolError("bad time value");
    return TimeOfDay {int64_t(hundredNs)};
}

uint64_t readUnsigned(Reader& r, int bytes)
{
    if (bytes < 0 || bytes > 8)
        throw ProtocolError("bad value length");
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint64_t(r.u8()) << (8 * i);
    return v;
}

QByteArray readPlp(Reader& r)
{
    const uint64_t total = r.u64();
    QByteArray out;
    if (total == ~uint64_t(0))
        return QByteArray();
    for (;;) {
        const uint32_t n = r.u32();
        if (n == 0)
            break;
        if (n > uint32_t(r.remaining()))
            throw ProtocolError("PLP chunk outside the message");
        out.append(r.bytes(int(n)));
    }
    if (out.isNull())
        out = QByteArray("");
    return out;
}

}  // namespace

WireParam readParam(Reader& r, uint32_t tdsVersion)
{
    WireParam p;
    p.name = r.bVarChar();
    p.status = r.u8();
    const uint8_t type = r.u8();
    Value& v = p.value;
    auto fixed = [&](int len) { return len; };
    switch (type) {
    case Int1Type: case Int2Type: case Int4Type: case Int8Type: case IntNType: {
        int len = type == Int1Type ? 1 : type == Int2Type ? 2 : type == Int4Type ? 4 : type == Int8Type ? 8 : 0;
        const int declared = type == IntNType ? r.u8() : fixed(len);
        const TypeId id = declared == 1 ? TypeId::TinyInt : declared == 2 ? TypeId::SmallInt
                        : declared == 4 ? TypeId::Int : TypeId::BigInt;
        len = type == IntNType ? r.u8() : len;
        if (len == 0) { v = typed(id, std::monostate{}); break; }
        const uint64_t u = readUnsigned(r, len);
        int64_t s = len == 1 ? int64_t(uint8_t(u)) : len == 2 ? int64_t(int16_t(u)) : len == 4 ? int64_t(int32_t(u)) : int64_t(u);
        v = typed(id, s);
        break;
    }
    case BitType: case BitNType: {
        if (type == BitNType)
            r.u8();
        const int len = type == BitNType ? r.u8() : 1;
        v = len == 0 ? typed(TypeId::Bit, std::monostate{}) : typed(TypeId::Bit, readUnsigned(r, len) != 0);
        break;
    }
    case Flt4Type: case Flt8Type: case FltNType: {
        const int declared = type == FltNType ? r.u8() : type == Flt4Type ? 4 : 8;
        const int len = type == FltNType ? r.u8() : declared;
        const TypeId id = declared == 4 ? TypeId::Real : TypeId::Float;
        if (len == 0) { v = typed(id, std::monostate{}); break; }
        if (len == 4) {
            const uint32_t bits = uint32_t(readUnsigned(r, 4));
            float f;
            std::memcpy(&f, &bits, 4);
            v = typed(id, double(f));
        } else if (len == 8) {
            const uint64_t bits = readUnsigned(r, 8);
            double d;
            std::memcpy(&d, &bits, 8);
            v = typed(id, d, 0, 53);
        } else {
            throw ProtocolError("bad float length");
        }
        break;
    }
    case MoneyType: case Money4Type: case MoneyNType: {
        const int declared = type == MoneyNType ? r.u8() : type == Money4Type ? 4 : 8;
        const int len = type == MoneyNType ? r.u8() : declared;
        const TypeId id = declared == 4 ? TypeId::SmallMoney : TypeId::Money;
        if (len == 0) { v = typed(id, std::monostate{}); break; }
        int64_t units;
        if (len == 4) {
            units = int32_t(uint32_t(readUnsigned(r, 4)));
        } else if (len == 8) {
            const uint64_t hi = readUnsigned(r, 4), lo = readUnsigned(r, 4);
            units = int64_t(hi << 32 | lo);
        } else {
            throw ProtocolError("bad money length");
        }
        v = typed(id, Decimal{units, 4}, 0, 19, 4);
        break;
    }
    case DateTimeType: case DateTim4Type: case DateTimNType: {
        const int declared = type == DateTimNType ? r.u8() : type == DateTim4Type ? 4 : 8;
        const int len = type == DateTimNType ? r.u8() : declared;
        const TypeId id = declared == 4 ? TypeId::SmallDateTime : TypeId::DateTime;
        if (len == 0) { v = typed(id, std::monostate{}); break; }
        DateTimeValue dt;
        if (len == 4) {
            const int days = r.u16(), minutes = r.u16();
            dt = DateTimeValue {QDate(1900, 1, 1).addDays(days), TimeOfDay {(minutes % 1440) * 600000000LL}};
        } else if (len == 8) {
            const int32_t days = int32_t(r.u32());
            const uint32_t ticks = r.u32();
            dt = DateTimeValue {QDate(1900, 1, 1).addDays(days),
                                TimeOfDay {int64_t((uint64_t(ticks) % 25920000 * 100000 + 1) / 3)}};
        } else {
            throw ProtocolError("bad datetime length");
        }
        v = typed(id, dt, 0, 0, 3);
        break;
    }
    case DecimalNType: case NumericNType: case DecimalType: case NumericType: {
        r.u8();
        const int precision = r.u8(), scale = r.u8();
        const int len = r.u8();
        const TypeId id = (type == DecimalNType || type == DecimalType) ? TypeId::Decimal : TypeId::Numeric;
        if (len == 0) { v = typed(id, std::monostate{}, 0, precision, scale); break; }
        if (len > 17)
            throw ProtocolError("bad decimal length");
        const int sign = r.u8();
        __int128 u = 0;
        for (int i = 0; i < len - 1; ++i)
            u |= __int128(r.u8()) << (8 * i);
        v = typed(id, Decimal{sign ? u : -u, scale}, 0, precision, scale);
        break;
    }
    case GuidType: {
        r.u8();
        const int len = r.u8();
        if (len == 0) { v = typed(TypeId::UniqueIdentifier, std::monostate{}); break; }
        if (len != 16)
            throw ProtocolError("bad guid length");
        const QByteArray b = r.bytes(16);
        const char order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        QByteArray rfc(16, '\0');
        for (int i = 0; i < 16; ++i)
            rfc[i] = b[order[i]];
        v = typed(TypeId::UniqueIdentifier, QUuid::fromRfc4122(rfc));
        break;
    }
    case DateNType: {
        const int len = r.u8();
        if (len == 0) { v = typed(TypeId::Date, std::monostate{}); break; }
        if (len != 3)
            throw ProtocolError("bad date length");
        v = typed(TypeId::Date, dateFromDays(int64_t(readUnsigned(r, 3))));
        break;
    }
    case TimeNType: case DateTime2NType: case DateTimeOffsetNType: {
        const int scale = std::min<int>(r.u8(), 7);
        const int len = r.u8();
        const TypeId id = type == TimeNType ? TypeId::Time : type == DateTime2NType ? TypeId::DateTime2
                                                                                      : TypeId::DateTimeOffset;
        if (len == 0) { v = typed(id, std::monostate{}, 0, 0, scale); break; }
        const int expected = timeBytes(scale) + (type == TimeNType ? 0 : type == DateTime2NType ? 3 : 5);
        if (len != expected)
            throw ProtocolError("bad time length");
        const TimeOfDay t = timeFromUnits(readUnsigned(r, timeBytes(scale)), scale);
        if (type == TimeNType) {
            v = typed(id, t, 0, 0, scale);
        } else {
            const QDate d = dateFromDays(int64_t(readUnsigned(r, 3)));
            if (type == DateTimeOffsetNType) {
                // Sent as the UTC instant and the offset: the value holds the local time at that offset.
                const int offset = int16_t(r.u16());
                if (offset < -840 || offset > 840)
                    throw ProtocolError("bad time zone offset");
                DateTimeValue local = DateTimeValue {d, t}.movedMinutes(offset);
                local.offsetMinutes = offset;
                v = typed(id, local, 0, 0, scale);
            } else {
                v = typed(id, DateTimeValue {d, t}, 0, 0, scale);
            }
        }
        break;
    }
    case BigVarCharType: case BigCharType: case NVarCharType: case NCharType:
    case BigVarBinType: case BigBinaryType: case VarCharType: case CharType: case VarBinaryType: case BinaryType: {
        const bool isText = type == BigVarCharType || type == BigCharType || type == VarCharType || type == CharType;
        const bool isUnicode = type == NVarCharType || type == NCharType;
        const bool big = type >= 0x80;
        const int maxLen = big ? r.u16() : r.u8();
        if ((isText || isUnicode) && (tdsVersion >= Tds71))
            r.skip(5);
        const bool plp = big && maxLen == 0xFFFF;
        TypeId id = isUnicode ? (type == NCharType ? TypeId::NChar : TypeId::NVarChar)
                  : isText ? (type == BigCharType || type == CharType ? TypeId::Char : TypeId::VarChar)
                           : (type == BigBinaryType || type == BinaryType ? TypeId::Binary : TypeId::VarBinary);
        const int declared = plp ? -1 : (isUnicode ? maxLen / 2 : maxLen);
        QByteArray raw;
        bool null = false;
        if (plp) {
            raw = readPlp(r);
            null = raw.isNull();
        } else {
            const int len = big ? r.u16() : r.u8();
            null = big ? len == 0xFFFF : len == 0xFF;
            if (!null)
                raw = r.bytes(len);
        }
        if (null) {
            v = typed(id, std::monostate{}, declared);
        } else if (isUnicode) {
            if (raw.size() % 2)
                throw ProtocolError("odd UTF-16 length");
            v = typed(id, QString(reinterpret_cast<const QChar*>(raw.constData()), int(raw.size()) / 2), declared);
        } else if (isText) {
            v = typed(id, fromCp1252(raw), declared);
        } else {
            v = typed(id, raw.isNull() ? QByteArray("") : raw, declared);
        }
        break;
    }
    case TextType: case NTextType: case ImageType: {
        r.u32();
        if (type != ImageType)
            r.skip(5);
        const uint32_t len = r.u32();
        const TypeId id = type == TextType ? TypeId::Text : type == NTextType ? TypeId::NText : TypeId::Image;
        if (len == 0xFFFFFFFF) { v = typed(id, std::monostate{}, -1); break; }
        if (len > uint32_t(r.remaining()))
            throw ProtocolError("blob outside the message");
        const QByteArray raw = r.bytes(int(len));
        if (type == NTextType)
            v = typed(id, QString(reinterpret_cast<const QChar*>(raw.constData()), int(raw.size()) / 2), -1);
        else if (type == TextType)
            v = typed(id, fromCp1252(raw), -1);
        else
            v = typed(id, raw.isNull() ? QByteArray("") : raw, -1);
        break;
    }
    default:
        throw ProtocolError("unsupported parameter type");
    }
    return p;
}

QString sqlLiteral(const Value& v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    auto quoted = [](const QString& s, bool unicode) {
        QString q = s;
        q.replace(u'\'', QStringLiteral("''"));
        return (unicode ? QStringLiteral("N'") : QStringLiteral("'")) + q + u'\'';
    };
    switch (v.type.id) {
    case TypeId::Bit: return asInt(v) ? QStringLiteral("1") : QStringLiteral("0");
    case TypeId::TinyInt: case TypeId::SmallInt: case TypeId::Int: case TypeId::BigInt:
        return QString::number(asInt(v));
    case TypeId::Real: case TypeId::Float: {
        const QString s = QString::number(asDouble(v), 'g', 17);
        return s.contains(u'e') || s.contains(u'E') ? s : s + QStringLiteral("E0");
    }
    case TypeId::SmallMoney: case TypeId::Money:
        return QStringLiteral("CAST(%1 AS money)").arg(decimalText(asDecimal(v, 4)));
    case TypeId::Decimal: case TypeId::Numeric:
        return decimalText(asDecimal(v, v.type.scale));
    case TypeId::Char: case TypeId::VarChar: case TypeId::Text: return quoted(asString(v), false);
    case TypeId::NChar: case TypeId::NVarChar: case TypeId::NText: case TypeId::SqlVariant:
        return quoted(asString(v), true);
    case TypeId::Binary: case TypeId::VarBinary: case TypeId::Image:
        return QStringLiteral("0x") + QString::fromLatin1(asBytes(v).toHex().toUpper());
    case TypeId::Date: return QStringLiteral("CAST('%1' AS date)").arg(asDateTime(v).date.toString(Qt::ISODate));
    case TypeId::Time: return QStringLiteral("CAST('%1' AS time)").arg(clockText(asDateTime(v).time, 7));
    case TypeId::DateTimeOffset:
        return QStringLiteral("CAST('%1' AS datetimeoffset)").arg(dateTimeText(v, TypeId::DateTimeOffset, 7));
    case TypeId::SmallDateTime: case TypeId::DateTime: case TypeId::DateTime2:
        return QStringLiteral("CAST('%1' AS %2)")
            .arg(asDateTime(v).date.toString(Qt::ISODate) + u'T'
                     + clockText(asDateTime(v).time, v.type.id == TypeId::DateTime2 ? 7 : 3),
                 v.type.id == TypeId::DateTime2 ? QStringLiteral("datetime2") : QStringLiteral("datetime"));
    case TypeId::UniqueIdentifier:
        return QStringLiteral("CAST('%1' AS uniqueidentifier)").arg(asUuid(v).toString(QUuid::WithoutBraces).toUpper());
    }
    return QStringLiteral("NULL");
}

}  // namespace standin::tds
