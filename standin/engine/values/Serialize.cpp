// Persistence of types and values through QDataStream. Reading checks every tag, length and
// range, so damaged input ends in SqlError rather than a crash or a huge allocation.
#include "ValuesInternal.h"

#include <QIODevice>

namespace standin {

using namespace values;

namespace {

constexpr quint8 kLastTypeId = quint8(TypeId::DateTimeOffset);
constexpr quint32 kMaxBlob = 1u << 30;  // 1 GiB: above any value the engine stores
constexpr qint64 kChunk = 1 << 20;

[[noreturn]] void damaged(const QString& what)
{
    raise(0, QStringLiteral("Damaged value data: %1.").arg(what), 1, 16);
}

void check(QDataStream& in, const char* what)
{
    if (in.status() != QDataStream::Ok) damaged(QString::fromLatin1(what));
}

// Reads `length` raw bytes without trusting the length for the allocation: the buffer grows only
// as data actually arrives.
QByteArray readBytes(QDataStream& in, quint32 length)
{
    if (length > kMaxBlob) damaged(QStringLiteral("length %1 out of range").arg(length));
    QIODevice* dev = in.device();
    if (dev && !dev->isSequential() && qint64(length) > dev->bytesAvailable())
        damaged(QStringLiteral("length %1 beyond the end of the data").arg(length));
    QByteArray out;
    qint64 remaining = length;
    while (remaining > 0) {
        const qint64 n = std::min(remaining, kChunk);
        const qsizetype old = out.size();
        out.resize(old + n);
        if (in.readRawData(out.data() + old, int(n)) != int(n)) damaged(QStringLiteral("data cut short"));
        remaining -= n;
    }
    return out;
}

// The variant alternative a non-NULL value of this type holds (see Value::Data).
int dataIndexFor(TypeId id)
{
    switch (id) {
    case TypeId::Bit: return 1;
    case TypeId::TinyInt: case TypeId::SmallInt: case TypeId::Int: case TypeId::BigInt: return 2;
    case TypeId::Real: case TypeId::Float: return 3;
    case TypeId::SmallMoney: case TypeId::Money: case TypeId::Decimal: case TypeId::Numeric: return 4;
    case TypeId::Char: case TypeId::VarChar: case TypeId::Text:
    case TypeId::NChar: case TypeId::NVarChar: case TypeId::NText: return 5;
    case TypeId::Binary: case TypeId::VarBinary: case TypeId::Image: return 6;
    case TypeId::Date: return 7;
    case TypeId::Time: return 8;
    case TypeId::SmallDateTime: case TypeId::DateTime: case TypeId::DateTime2: case TypeId::DateTimeOffset: return 9;
    case TypeId::UniqueIdentifier: return 10;
    case TypeId::SqlVariant: return -1;  // a stored sql_variant value carries its base type
    }
    return -1;
}

// Times are written in 100 ns units under tags of their own; the tags of their variant alternatives
// (8 and 9) hold the whole milliseconds older files stored and are still read.
constexpr quint8 kTimeUnitsTag = 11, kDateTimeUnitsTag = 12;

// A time of day in 100 ns units, or in the milliseconds of an older file.
qint64 readTimeOfDay(QDataStream& in, bool units)
{
    if (units) {
        qint64 u = 0;
        in >> u;
        return u;
    }
    qint32 ms = 0;
    in >> ms;
    return qint64(ms) * kUnitsPerMs;
}

quint8 tagFor(const Value& v)
{
    if (std::holds_alternative<TimeOfDay>(v.data)) return kTimeUnitsTag;
    if (std::holds_alternative<DateTimeValue>(v.data)) return kDateTimeUnitsTag;
    return quint8(v.data.index());
}

}  // namespace

void writeType(QDataStream& out, const SqlType& t)
{
    out << quint8(t.id) << qint32(t.length) << qint16(t.precision) << qint16(t.scale);
}

SqlType readType(QDataStream& in)
{
    quint8 id = 0;
    qint32 length = 0;
    qint16 precision = 0, scale = 0;
    in >> id >> length >> precision >> scale;
    check(in, "type cut short");
    if (id > kLastTypeId) damaged(QStringLiteral("unknown type %1").arg(id));
    if (length < -1) damaged(QStringLiteral("type length %1").arg(length));
    if (precision < 0 || precision > 53 || scale < 0 || scale > 38)
        damaged(QStringLiteral("type precision %1 scale %2").arg(precision).arg(scale));
    return SqlType{TypeId(id), length, precision, scale};
}

void writeValue(QDataStream& out, const Value& v)
{
    writeType(out, v.type);
    out << tagFor(v);
    std::visit(
        [&out, &v](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
            } else if constexpr (std::is_same_v<T, bool>) {
                out << quint8(x ? 1 : 0);
            } else if constexpr (std::is_same_v<T, int64_t>) {
                out << qint64(x);
            } else if constexpr (std::is_same_v<T, double>) {
                out << x;
            } else if constexpr (std::is_same_v<T, Decimal>) {
                out << quint64(u128(x.unscaled) >> 64) << quint64(u128(x.unscaled)) << qint8(x.scale);
            } else if constexpr (std::is_same_v<T, QString>) {
                out << quint32(x.size() * 2);
                out.writeRawData(reinterpret_cast<const char*>(x.utf16()), int(x.size() * 2));
            } else if constexpr (std::is_same_v<T, QByteArray>) {
                out << quint32(x.size());
                out.writeRawData(x.constData(), int(x.size()));
            } else if constexpr (std::is_same_v<T, QDate>) {
                out << qint64(x.toJulianDay());
            } else if constexpr (std::is_same_v<T, TimeOfDay>) {
                out << qint64(x.units);
            } else if constexpr (std::is_same_v<T, DateTimeValue>) {
                out << qint64(x.date.toJulianDay()) << qint64(x.time.units);
                if (v.type.id == TypeId::DateTimeOffset)
                    out << qint16(x.offsetMinutes);
            } else if constexpr (std::is_same_v<T, QUuid>) {
                const QByteArray b = x.toRfc4122();
                out.writeRawData(b.constData(), 16);
            }
        },
        v.data);
}

Value readValue(QDataStream& in)
{
    Value v;
    v.type = readType(in);
    quint8 tag = 0;
    in >> tag;
    check(in, "value cut short");
    const int expected = dataIndexFor(v.type.id);
    const bool unitsTag = (tag == kTimeUnitsTag && expected == 8) || (tag == kDateTimeUnitsTag && expected == 9);
    if (tag != 0 && int(tag) != expected && !unitsTag)
        damaged(QStringLiteral("a value of tag %1 does not fit type %2").arg(tag).arg(typeName(v.type.id)));
    // Julian days of 0001-01-01 and 9999-12-31.
    constexpr qint64 kMinDay = 1721426, kMaxDay = 5373484;
    switch (tag) {
    case 0: break;
    case 1: {
        quint8 b = 0;
        in >> b;
        check(in, "bit cut short");
        if (b > 1) damaged(QStringLiteral("bit value %1").arg(b));
        v.data = b == 1;
        break;
    }
    case 2: {
        qint64 i = 0;
        in >> i;
        check(in, "integer cut short");
        v.data = int64_t(i);
        break;
    }
    case 3: {
        double d = 0;
        in >> d;
        check(in, "float cut short");
        v.data = d;
        break;
    }
    case 4: {
        quint64 hi = 0, lo = 0;
        qint8 scale = 0;
        in >> hi >> lo >> scale;
        check(in, "decimal cut short");
        const i128 u = i128((u128(hi) << 64) | lo);
        if (scale < 0 || scale > 38 || u >= pow10i(38) || u <= -pow10i(38)) damaged(QStringLiteral("decimal out of range"));
        v.data = Decimal{u, scale};
        break;
    }
    case 5: {
        quint32 bytes = 0;
        in >> bytes;
        check(in, "text cut short");
        if (bytes % 2) damaged(QStringLiteral("odd text length"));
        const QByteArray raw = readBytes(in, bytes);
        v.data = QString(reinterpret_cast<const QChar*>(raw.constData()), raw.size() / 2);
        break;
    }
    case 6: {
        quint32 bytes = 0;
        in >> bytes;
        check(in, "binary cut short");
        v.data = readBytes(in, bytes);
        break;
    }
    case 7: {
        qint64 jd = 0;
        in >> jd;
        check(in, "date cut short");
        if (jd < kMinDay || jd > kMaxDay) damaged(QStringLiteral("date out of range"));
        v.data = QDate::fromJulianDay(jd);
        break;
    }
    case 8:
    case kTimeUnitsTag: {
        const qint64 units = readTimeOfDay(in, tag == kTimeUnitsTag);
        check(in, "time cut short");
        if (units < 0 || units >= kUnitsPerDay) damaged(QStringLiteral("time out of range"));
        v.data = TimeOfDay {units};
        break;
    }
    case 9:
    case kDateTimeUnitsTag: {
        qint64 jd = 0;
        in >> jd;
        const qint64 units = readTimeOfDay(in, tag == kDateTimeUnitsTag);
        check(in, "datetime cut short");
        if (jd < kMinDay || jd > kMaxDay || units < 0 || units >= kUnitsPerDay)
            damaged(QStringLiteral("datetime out of range"));
        DateTimeValue d {QDate::fromJulianDay(jd), TimeOfDay {units}};
        if (v.type.id == TypeId::DateTimeOffset) {
            qint16 offset = 0;
            in >> offset;
            check(in, "datetimeoffset cut short");
            if (offset < -840 || offset > 840) damaged(QStringLiteral("time zone offset out of range"));
            d.offsetMinutes = offset;
        }
        v.data = d;
        break;
    }
    case 10: {
        const QByteArray raw = readBytes(in, 16);
        v.data = QUuid::fromRfc4122(raw);
        break;
    }
    default:
        damaged(QStringLiteral("unknown value tag %1").arg(tag));
    }
    return v;
}

}  // namespace standin
