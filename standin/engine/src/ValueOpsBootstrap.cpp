// Temporary stand-ins for the value operations of ValueOps.h, so the engine links and runs
// before the values module joins the build. Every definition is weak: once the real module
// is linked, its definitions win. Delete this file when standin/engine/values is in place.
#include "standin/ValueOps.h"

#include <QCryptographicHash>
#include <QHash>

#include <cmath>

#define STANDIN_WEAK __attribute__((weak))

namespace standin {

namespace {

SqlError makeError(int number, const QString& text, int severity = 16, int state = 1)
{
    SqlError e;
    e.message.number = number;
    e.message.severity = severity;
    e.message.state = state;
    e.message.text = text;
    return e;
}

QString rtrimmed(const QString& s)
{
    int n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    return s.left(n);
}

double decimalToDouble(const Decimal& d)
{
    return double(d.unscaled) / std::pow(10.0, d.scale);
}

__int128 pow10i(int n)
{
    __int128 r = 1;
    for (int i = 0; i < n; ++i)
        r *= 10;
    return r;
}

QString decimalText(const Decimal& d)
{
    __int128 u = d.unscaled < 0 ? -d.unscaled : d.unscaled;
    QString digits;
    if (u == 0)
        digits = QStringLiteral("0");
    while (u > 0) {
        digits.prepend(QChar('0' + int(u % 10)));
        u /= 10;
    }
    while (digits.size() <= d.scale)
        digits.prepend(QLatin1Char('0'));
    QString out = d.scale > 0 ? digits.left(digits.size() - d.scale) + QLatin1Char('.') + digits.right(d.scale) : digits;
    if (d.unscaled < 0)
        out.prepend(QLatin1Char('-'));
    return out;
}

Decimal rescale(const Decimal& d, int scale)
{
    Decimal r;
    r.scale = scale;
    if (scale >= d.scale) {
        r.unscaled = d.unscaled * pow10i(scale - d.scale);
    } else {
        __int128 div = pow10i(d.scale - scale);
        __int128 q = d.unscaled / div, rem = d.unscaled % div;
        if (rem * 2 >= div)
            ++q;
        else if (rem * 2 <= -div)
            --q;
        r.unscaled = q;
    }
    return r;
}

std::optional<Decimal> parseDecimal(const QString& text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool neg = false;
    int i = 0;
    if (t[0] == QLatin1Char('-') || t[0] == QLatin1Char('+')) {
        neg = t[0] == QLatin1Char('-');
        ++i;
    }
    Decimal d;
    bool dot = false, any = false;
    for (; i < t.size(); ++i) {
        QChar c = t[i];
        if (c.isDigit()) {
            d.unscaled = d.unscaled * 10 + c.digitValue();
            if (dot)
                ++d.scale;
            any = true;
        } else if (c == QLatin1Char('.') && !dot) {
            dot = true;
        } else {
            return std::nullopt;
        }
    }
    if (!any)
        return std::nullopt;
    if (neg)
        d.unscaled = -d.unscaled;
    return d;
}

const QDate kBaseDate(1900, 1, 1);

QDateTime makeDateTime(const QDate& d, const QTime& t)
{
    return QDateTime(d, t, Qt::UTC);
}

std::optional<QDateTime> parseDateTimeText(const QString& text)
{
    QString t = text.trimmed();
    const char* formats[] = {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz",
                             "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd", "yyyyMMdd HH:mm:ss",
                             "yyyyMMdd", "dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy", "MM/dd/yyyy"};
    for (const char* f : formats) {
        QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid())
            return makeDateTime(dt.date(), dt.time());
        QDate d = QDate::fromString(t, QLatin1String(f));
        if (d.isValid())
            return makeDateTime(d, QTime(0, 0));
    }
    return std::nullopt;
}

double toDouble(const Value& v)
{
    if (auto p = std::get_if<bool>(&v.data))
        return *p ? 1 : 0;
    if (auto p = std::get_if<int64_t>(&v.data))
        return double(*p);
    if (auto p = std::get_if<double>(&v.data))
        return *p;
    if (auto p = std::get_if<Decimal>(&v.data))
        return decimalToDouble(*p);
    if (auto p = std::get_if<QDateTime>(&v.data))
        return kBaseDate.daysTo(p->date()) + p->time().msecsSinceStartOfDay() / 86400000.0;
    return 0;
}

Decimal toDecimal(const Value& v, int scale)
{
    if (auto p = std::get_if<Decimal>(&v.data))
        return rescale(*p, scale);
    if (auto p = std::get_if<int64_t>(&v.data))
        return Decimal{__int128(*p) * pow10i(scale), scale};
    if (auto p = std::get_if<bool>(&v.data))
        return Decimal{__int128(*p ? 1 : 0) * pow10i(scale), scale};
    double d = toDouble(v);
    return Decimal{__int128(std::llround(d * std::pow(10.0, scale))), scale};
}

QString sourceTypeName(const Value& v)
{
    return typeName(v.type.id);
}

}  // namespace

STANDIN_WEAK SqlType parseTypeName(const QString& nameIn, const QString& arguments)
{
    const QString name = nameIn.toLower();
    QStringList args;
    for (const QString& a : arguments.split(QLatin1Char(','), Qt::SkipEmptyParts))
        args << a.trimmed();
    auto arg = [&](int i, int def) {
        if (i >= args.size())
            return def;
        if (args[i].compare(QLatin1String("max"), Qt::CaseInsensitive) == 0)
            return -1;
        return args[i].toInt();
    };
    static const QHash<QString, TypeId> names = {
        {"bit", TypeId::Bit}, {"tinyint", TypeId::TinyInt}, {"smallint", TypeId::SmallInt}, {"int", TypeId::Int},
        {"integer", TypeId::Int}, {"bigint", TypeId::BigInt}, {"real", TypeId::Real}, {"float", TypeId::Float},
        {"smallmoney", TypeId::SmallMoney}, {"money", TypeId::Money}, {"decimal", TypeId::Decimal},
        {"dec", TypeId::Decimal}, {"numeric", TypeId::Numeric}, {"char", TypeId::Char}, {"varchar", TypeId::VarChar},
        {"text", TypeId::Text}, {"nchar", TypeId::NChar}, {"nvarchar", TypeId::NVarChar}, {"ntext", TypeId::NText},
        {"binary", TypeId::Binary}, {"varbinary", TypeId::VarBinary}, {"image", TypeId::Image}, {"date", TypeId::Date},
        {"time", TypeId::Time}, {"smalldatetime", TypeId::SmallDateTime}, {"datetime", TypeId::DateTime},
        {"datetime2", TypeId::DateTime2}, {"uniqueidentifier", TypeId::UniqueIdentifier},
        {"sql_variant", TypeId::SqlVariant}, {"sysname", TypeId::NVarChar}};
    auto it = names.find(name);
    if (it == names.end())
        throw makeError(2715, QStringLiteral("Column, parameter, or variable #1: Cannot find data type %1.").arg(nameIn));
    SqlType t;
    t.id = it.value();
    switch (t.id) {
    case TypeId::Char: case TypeId::VarChar: case TypeId::NChar: case TypeId::NVarChar:
    case TypeId::Binary: case TypeId::VarBinary:
        t.length = arg(0, 1);
        if (name == QLatin1String("sysname"))
            t.length = 128;
        break;
    case TypeId::Text: case TypeId::NText: case TypeId::Image:
        t.length = -1;
        break;
    case TypeId::Decimal: case TypeId::Numeric:
        t.precision = arg(0, 18);
        t.scale = arg(1, 0);
        break;
    case TypeId::Float: {
        int bits = arg(0, 53);
        t.id = bits <= 24 ? TypeId::Real : TypeId::Float;
        t.precision = bits <= 24 ? 24 : 53;
        break;
    }
    case TypeId::Real:
        t.precision = 24;
        break;
    case TypeId::Money: case TypeId::SmallMoney:
        t.precision = t.id == TypeId::Money ? 19 : 10;
        t.scale = 4;
        break;
    case TypeId::Time: case TypeId::DateTime2:
        t.scale = arg(0, 7);
        break;
    default:
        break;
    }
    return t;
}

STANDIN_WEAK QString typeName(TypeId id)
{
    static const char* const names[] = {"bit", "tinyint", "smallint", "int", "bigint", "real", "float",
                                        "smallmoney", "money", "decimal", "numeric", "char", "varchar", "text",
                                        "nchar", "nvarchar", "ntext", "binary", "varbinary", "image", "date",
                                        "time", "smalldatetime", "datetime", "datetime2", "uniqueidentifier",
                                        "sql_variant"};
    return QString::fromLatin1(names[int(id)]);
}

STANDIN_WEAK QString typeDeclaration(const SqlType& t)
{
    QString n = typeName(t.id);
    switch (t.id) {
    case TypeId::Char: case TypeId::VarChar: case TypeId::NChar: case TypeId::NVarChar:
    case TypeId::Binary: case TypeId::VarBinary:
        return n + QLatin1Char('(') + (t.length < 0 ? QStringLiteral("max") : QString::number(t.length)) + QLatin1Char(')');
    case TypeId::Decimal: case TypeId::Numeric:
        return n + QStringLiteral("(%1,%2)").arg(t.precision).arg(t.scale);
    default:
        return n;
    }
}

STANDIN_WEAK int typePrecedence(TypeId id)
{
    switch (id) {
    case TypeId::SqlVariant: return 24;
    case TypeId::DateTime2: return 22;
    case TypeId::DateTime: return 21;
    case TypeId::SmallDateTime: return 20;
    case TypeId::Date: return 19;
    case TypeId::Time: return 18;
    case TypeId::Float: return 17;
    case TypeId::Real: return 16;
    case TypeId::Decimal: case TypeId::Numeric: return 15;
    case TypeId::Money: return 14;
    case TypeId::SmallMoney: return 13;
    case TypeId::BigInt: return 12;
    case TypeId::Int: return 11;
    case TypeId::SmallInt: return 10;
    case TypeId::TinyInt: return 9;
    case TypeId::Bit: return 8;
    case TypeId::NText: return 7;
    case TypeId::Text: return 6;
    case TypeId::Image: return 5;
    case TypeId::UniqueIdentifier: return 4;
    case TypeId::NVarChar: return 3;
    case TypeId::NChar: return 2;
    case TypeId::VarChar: return 1;
    case TypeId::Char: return 0;
    case TypeId::VarBinary: return -1;
    case TypeId::Binary: return -2;
    }
    return 0;
}

STANDIN_WEAK bool isCharacter(TypeId id)
{
    return id == TypeId::Char || id == TypeId::VarChar || id == TypeId::Text || id == TypeId::NChar ||
           id == TypeId::NVarChar || id == TypeId::NText;
}
STANDIN_WEAK bool isUnicode(TypeId id) { return id == TypeId::NChar || id == TypeId::NVarChar || id == TypeId::NText; }
STANDIN_WEAK bool isInteger(TypeId id)
{
    return id == TypeId::TinyInt || id == TypeId::SmallInt || id == TypeId::Int || id == TypeId::BigInt;
}
STANDIN_WEAK bool isNumeric(TypeId id)
{
    return isInteger(id) || id == TypeId::Bit || id == TypeId::Real || id == TypeId::Float || id == TypeId::Money ||
           id == TypeId::SmallMoney || id == TypeId::Decimal || id == TypeId::Numeric;
}
STANDIN_WEAK bool isDateTime(TypeId id)
{
    return id == TypeId::Date || id == TypeId::Time || id == TypeId::SmallDateTime || id == TypeId::DateTime ||
           id == TypeId::DateTime2;
}
STANDIN_WEAK bool isBinary(TypeId id) { return id == TypeId::Binary || id == TypeId::VarBinary || id == TypeId::Image; }

STANDIN_WEAK int byteLength(const SqlType& t)
{
    switch (t.id) {
    case TypeId::Bit: case TypeId::TinyInt: return 1;
    case TypeId::SmallInt: return 2;
    case TypeId::Int: case TypeId::Real: case TypeId::SmallMoney: case TypeId::SmallDateTime: return 4;
    case TypeId::BigInt: case TypeId::Float: case TypeId::Money: case TypeId::DateTime: return 8;
    case TypeId::Decimal: case TypeId::Numeric: return t.precision <= 9 ? 5 : t.precision <= 19 ? 9 : t.precision <= 28 ? 13 : 17;
    case TypeId::Char: case TypeId::VarChar: case TypeId::Binary: case TypeId::VarBinary: return t.length;
    case TypeId::NChar: case TypeId::NVarChar: return t.length < 0 ? -1 : t.length * 2;
    case TypeId::Text: case TypeId::NText: case TypeId::Image: return -1;
    case TypeId::Date: return 3;
    case TypeId::Time: return 5;
    case TypeId::DateTime2: return 8;
    case TypeId::UniqueIdentifier: return 16;
    case TypeId::SqlVariant: return 8016;
    }
    return 0;
}

STANDIN_WEAK Value nullValue(const SqlType& type) { return Value{type, std::monostate{}}; }

STANDIN_WEAK Value intValue(int64_t v)
{
    SqlType t;
    t.id = (v >= INT32_MIN && v <= INT32_MAX) ? TypeId::Int : TypeId::BigInt;
    return Value{t, v};
}

STANDIN_WEAK Value bitValue(bool v) { return Value{SqlType{TypeId::Bit, 0, 0, 0}, v}; }
STANDIN_WEAK Value floatValue(double v) { return Value{SqlType{TypeId::Float, 0, 53, 0}, v}; }
STANDIN_WEAK Value decimalValue(const Decimal& v, int precision)
{
    return Value{SqlType{TypeId::Numeric, 0, precision, v.scale}, v};
}
STANDIN_WEAK Value stringValue(const QString& v, bool unicode)
{
    return Value{SqlType{unicode ? TypeId::NVarChar : TypeId::VarChar, int(qMax<qsizetype>(1, v.size())), 0, 0}, v};
}

STANDIN_WEAK Value literalNumber(const QString& text)
{
    if (text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return floatValue(text.toDouble());
    if (!text.contains(QLatin1Char('.'))) {
        bool ok = false;
        qint64 v = text.toLongLong(&ok);
        if (ok && v <= INT32_MAX && v >= INT32_MIN)
            return intValue(v);
    }
    auto d = parseDecimal(text);
    if (!d)
        return floatValue(text.toDouble());
    int digits = 0;
    for (QChar c : text)
        digits += c.isDigit();
    return decimalValue(*d, qMax(digits, d->scale + 1));
}

STANDIN_WEAK bool canConvert(TypeId from, TypeId to)
{
    if (from == to || from == TypeId::SqlVariant || to == TypeId::SqlVariant)
        return true;
    if (from == TypeId::UniqueIdentifier)
        return isCharacter(to) || isBinary(to);
    if (to == TypeId::UniqueIdentifier)
        return isCharacter(from) || isBinary(from);
    if (from == TypeId::Image || to == TypeId::Image)
        return isBinary(from) && isBinary(to);
    if ((from == TypeId::Date || from == TypeId::Time) && isNumeric(to))
        return false;
    if (isNumeric(from) && (to == TypeId::Date || to == TypeId::Time))
        return false;
    return true;
}

STANDIN_WEAK QString toText(const Value& v)
{
    return std::visit(
        [&](const auto& x) -> QString {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return QString();
            else if constexpr (std::is_same_v<T, bool>)
                return x ? QStringLiteral("1") : QStringLiteral("0");
            else if constexpr (std::is_same_v<T, int64_t>)
                return QString::number(x);
            else if constexpr (std::is_same_v<T, double>)
                return QString::number(x, 'g', v.type.id == TypeId::Real ? 7 : 15);
            else if constexpr (std::is_same_v<T, Decimal>)
                return decimalText(x);
            else if constexpr (std::is_same_v<T, QString>)
                return x;
            else if constexpr (std::is_same_v<T, QByteArray>)
                return QString::fromLatin1("0x" + x.toHex().toUpper());
            else if constexpr (std::is_same_v<T, QDate>)
                return x.toString(QStringLiteral("yyyy-MM-dd"));
            else if constexpr (std::is_same_v<T, QTime>)
                return x.toString(QStringLiteral("HH:mm:ss.zzz"));
            else if constexpr (std::is_same_v<T, QDateTime>)
                return x.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
            else
                return x.toString(QUuid::WithoutBraces).toUpper();
        },
        v.data);
}

STANDIN_WEAK Value convert(const Value& v, const SqlType& target, bool truncate, int /*style*/)
{
    if (v.isNull())
        return nullValue(target);
    if (target.id == TypeId::SqlVariant)
        return v;
    if (!canConvert(v.type.id, target.id))
        throw makeError(529, QStringLiteral("Explicit conversion from data type %1 to %2 is not allowed.")
                                 .arg(sourceTypeName(v), typeName(target.id)));
    const bool fromText = std::holds_alternative<QString>(v.data);
    const QString text = fromText ? std::get<QString>(v.data) : QString();
    auto conversionFailed = [&]() {
        const bool nchar = isUnicode(v.type.id);
        return makeError(245, QStringLiteral("Conversion failed when converting the %1 value '%2' to data type %3.")
                                  .arg(nchar ? QStringLiteral("nvarchar") : QStringLiteral("varchar"), text,
                                       typeName(target.id)));
    };
    Value out;
    out.type = target;
    switch (target.id) {
    case TypeId::Bit:
        if (fromText) {
            QString t = text.trimmed();
            if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                out.data = true;
            else if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                out.data = false;
            else {
                auto d = parseDecimal(t);
                if (!d)
                    throw conversionFailed();
                out.data = d->unscaled != 0;
            }
        } else {
            out.data = toDouble(v) != 0;
        }
        return out;
    case TypeId::TinyInt: case TypeId::SmallInt: case TypeId::Int: case TypeId::BigInt: {
        int64_t r = 0;
        if (fromText) {
            bool ok = false;
            r = text.trimmed().toLongLong(&ok);
            if (!ok)
                throw conversionFailed();
        } else if (auto p = std::get_if<QDateTime>(&v.data)) {
            r = std::llround(toDouble(Value{v.type, *p}));
        } else if (auto d = std::get_if<Decimal>(&v.data)) {
            r = int64_t(d->unscaled / pow10i(d->scale));
        } else {
            r = int64_t(std::trunc(toDouble(v)));
        }
        int64_t lo = target.id == TypeId::TinyInt ? 0 : target.id == TypeId::SmallInt ? -32768 : target.id == TypeId::Int ? INT32_MIN : INT64_MIN;
        int64_t hi = target.id == TypeId::TinyInt ? 255 : target.id == TypeId::SmallInt ? 32767 : target.id == TypeId::Int ? INT32_MAX : INT64_MAX;
        if (r < lo || r > hi)
            throw makeError(220, QStringLiteral("Arithmetic overflow error for data type %1, value = %2.")
                                     .arg(typeName(target.id)).arg(r));
        out.data = r;
        return out;
    }
    case TypeId::Real: case TypeId::Float: {
        if (fromText) {
            bool ok = false;
            double d = text.trimmed().toDouble(&ok);
            if (!ok)
                throw makeError(8114, QStringLiteral("Error converting data type %1 to %2.")
                                          .arg(sourceTypeName(v), typeName(target.id)));
            out.data = d;
        } else {
            out.data = toDouble(v);
        }
        return out;
    }
    case TypeId::Money: case TypeId::SmallMoney: case TypeId::Decimal: case TypeId::Numeric: {
        int scale = target.scale;
        if (fromText) {
            auto d = parseDecimal(text);
            if (!d)
                throw makeError(8114, QStringLiteral("Error converting data type %1 to %2.")
                                          .arg(sourceTypeName(v), typeName(target.id)));
            out.data = rescale(*d, scale);
        } else {
            out.data = toDecimal(v, scale);
        }
        return out;
    }
    case TypeId::Char: case TypeId::VarChar: case TypeId::Text: case TypeId::NChar: case TypeId::NVarChar: case TypeId::NText: {
        QString s = toText(v);
        if (auto p = std::get_if<QUuid>(&v.data))
            s = p->toString(QUuid::WithoutBraces).toUpper();
        if (target.length >= 0 && s.size() > target.length) {
            if (!truncate && rtrimmed(s).size() > target.length)
                throw makeError(8152, QStringLiteral("String or binary data would be truncated."), 16, 14);
            s = s.left(target.length);
        }
        if ((target.id == TypeId::Char || target.id == TypeId::NChar) && s.size() < target.length)
            s = s.leftJustified(target.length, QLatin1Char(' '));
        out.data = s;
        return out;
    }
    case TypeId::Binary: case TypeId::VarBinary: case TypeId::Image: {
        QByteArray b;
        if (auto p = std::get_if<QByteArray>(&v.data))
            b = *p;
        else if (fromText)
            b = text.toLatin1();
        else if (auto p = std::get_if<QUuid>(&v.data))
            b = p->toRfc4122();
        if (target.length > 0 && b.size() > target.length) {
            if (!truncate)
                throw makeError(8152, QStringLiteral("String or binary data would be truncated."), 16, 14);
            b = b.left(target.length);
        }
        out.data = b;
        return out;
    }
    case TypeId::Date: case TypeId::SmallDateTime: case TypeId::DateTime: case TypeId::DateTime2: case TypeId::Time: {
        QDateTime dt;
        if (fromText) {
            auto p = parseDateTimeText(text);
            if (!p)
                throw makeError(241, QStringLiteral("Conversion failed when converting date and/or time from character string."));
            dt = *p;
        } else if (auto p = std::get_if<QDateTime>(&v.data)) {
            dt = *p;
        } else if (auto p = std::get_if<QDate>(&v.data)) {
            dt = makeDateTime(*p, QTime(0, 0));
        } else if (auto p = std::get_if<QTime>(&v.data)) {
            dt = makeDateTime(kBaseDate, *p);
        } else {
            double days = toDouble(v);
            double whole = std::floor(days);
            dt = makeDateTime(kBaseDate.addDays(qint64(whole)), QTime(0, 0).addMSecs(int(std::llround((days - whole) * 86400000.0))));
        }
        if (target.id == TypeId::Date)
            out.data = dt.date();
        else if (target.id == TypeId::Time)
            out.data = dt.time();
        else
            out.data = dt;
        return out;
    }
    case TypeId::UniqueIdentifier: {
        if (auto p = std::get_if<QUuid>(&v.data)) {
            out.data = *p;
            return out;
        }
        QString t = text.trimmed();
        if (!t.startsWith(QLatin1Char('{')))
            t = QLatin1Char('{') + t + QLatin1Char('}');
        QUuid u(t);
        if (u.isNull() && t != QLatin1String("{00000000-0000-0000-0000-000000000000}"))
            throw makeError(8169, QStringLiteral("Conversion failed when converting from a character string to uniqueidentifier."));
        out.data = u;
        return out;
    }
    case TypeId::SqlVariant:
        return v;
    }
    return out;
}

STANDIN_WEAK SqlType commonType(const SqlType& a, const SqlType& b)
{
    if (isCharacter(a.id) && isCharacter(b.id)) {
        SqlType t = typePrecedence(a.id) >= typePrecedence(b.id) ? a : b;
        t.length = (a.length < 0 || b.length < 0) ? -1 : qMax(a.length, b.length);
        return t;
    }
    if ((a.id == TypeId::Decimal || a.id == TypeId::Numeric) && (b.id == TypeId::Decimal || b.id == TypeId::Numeric)) {
        SqlType t = a;
        t.scale = qMax(a.scale, b.scale);
        t.precision = qMin(38, qMax(a.precision - a.scale, b.precision - b.scale) + t.scale);
        return t;
    }
    return typePrecedence(a.id) >= typePrecedence(b.id) ? a : b;
}

STANDIN_WEAK int compareText(const QString& a, const QString& b)
{
    return QString::compare(rtrimmed(a), rtrimmed(b), Qt::CaseInsensitive);
}

STANDIN_WEAK QString collationKey(const QString& s) { return rtrimmed(s).toCaseFolded(); }

STANDIN_WEAK std::optional<int> compare(const Value& a, const Value& b)
{
    if (a.isNull() || b.isNull())
        return std::nullopt;
    auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    if (std::holds_alternative<QString>(a.data) && std::holds_alternative<QString>(b.data))
        return compareText(std::get<QString>(a.data), std::get<QString>(b.data));
    SqlType t = commonType(a.type, b.type);
    Value x = convert(a, t), y = convert(b, t);
    if (auto p = std::get_if<QString>(&x.data))
        return compareText(*p, std::get<QString>(y.data));
    if (auto p = std::get_if<QDateTime>(&x.data)) {
        const QDateTime& q = std::get<QDateTime>(y.data);
        int c = sign(p->date(), q.date());
        return c ? c : sign(p->time(), q.time());
    }
    if (auto p = std::get_if<QDate>(&x.data))
        return sign(*p, std::get<QDate>(y.data));
    if (auto p = std::get_if<QTime>(&x.data))
        return sign(*p, std::get<QTime>(y.data));
    if (auto p = std::get_if<QUuid>(&x.data))
        return sign(p->toString(), std::get<QUuid>(y.data).toString());
    if (auto p = std::get_if<QByteArray>(&x.data))
        return sign(*p, std::get<QByteArray>(y.data));
    if (auto p = std::get_if<Decimal>(&x.data)) {
        const Decimal& q = std::get<Decimal>(y.data);
        int s = qMax(p->scale, q.scale);
        return sign(rescale(*p, s).unscaled, rescale(q, s).unscaled);
    }
    if (std::holds_alternative<int64_t>(x.data) && std::holds_alternative<int64_t>(y.data))
        return sign(std::get<int64_t>(x.data), std::get<int64_t>(y.data));
    return sign(toDouble(x), toDouble(y));
}

STANDIN_WEAK int compareForSort(const Value& a, const Value& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    return *compare(a, b);
}

STANDIN_WEAK size_t hashValue(const Value& v)
{
    if (v.isNull())
        return 0;
    if (auto p = std::get_if<QString>(&v.data))
        return qHash(collationKey(*p));
    if (auto p = std::get_if<QUuid>(&v.data))
        return qHash(*p);
    if (auto p = std::get_if<QDateTime>(&v.data))
        return qHash(p->date().toJulianDay()) ^ qHash(p->time().msecsSinceStartOfDay());
    if (auto p = std::get_if<QDate>(&v.data))
        return qHash(p->toJulianDay());
    if (auto p = std::get_if<QByteArray>(&v.data))
        return qHash(*p);
    double d = toDouble(v);
    if (d == std::floor(d) && std::abs(d) < 9e18)
        return qHash(qint64(d));
    return qHash(d);
}

STANDIN_WEAK bool like(const QString& text, const QString& pattern, QChar escape)
{
    const QString t = text.toCaseFolded();
    const QString p = pattern.toCaseFolded();
    std::function<bool(int, int)> match = [&](int ti, int pi) -> bool {
        while (pi < p.size()) {
            QChar c = p[pi];
            if (!escape.isNull() && c == escape && pi + 1 < p.size()) {
                if (ti >= t.size() || t[ti] != p[pi + 1])
                    return false;
                ++ti;
                pi += 2;
                continue;
            }
            if (c == QLatin1Char('%')) {
                while (pi < p.size() && p[pi] == QLatin1Char('%'))
                    ++pi;
                if (pi == p.size())
                    return true;
                for (int k = ti; k <= t.size(); ++k)
                    if (match(k, pi))
                        return true;
                return false;
            }
            if (ti >= t.size())
                return false;
            if (c == QLatin1Char('_')) {
                ++ti;
                ++pi;
                continue;
            }
            if (c == QLatin1Char('[')) {
                int close = p.indexOf(QLatin1Char(']'), pi + 1);
                if (close > pi) {
                    QString set = p.mid(pi + 1, close - pi - 1);
                    bool negate = set.startsWith(QLatin1Char('^'));
                    if (negate)
                        set.remove(0, 1);
                    bool found = false;
                    for (int k = 0; k < set.size(); ++k) {
                        if (k + 2 < set.size() && set[k + 1] == QLatin1Char('-')) {
                            if (t[ti] >= set[k] && t[ti] <= set[k + 2])
                                found = true;
                            k += 2;
                        } else if (set[k] == t[ti]) {
                            found = true;
                        }
                    }
                    if (found == negate)
                        return false;
                    ++ti;
                    pi = close + 1;
                    continue;
                }
            }
            if (t[ti] != c)
                return false;
            ++ti;
            ++pi;
        }
        // Trailing blanks of the text do not stop a match.
        while (ti < t.size() && t[ti] == QLatin1Char(' '))
            ++ti;
        return ti == t.size();
    };
    return match(0, 0);
}

STANDIN_WEAK Value binary(BinaryOp op, const Value& a, const Value& b)
{
    if (op == BinaryOp::Add && isCharacter(a.type.id) && isCharacter(b.type.id)) {
        if (a.isNull() || b.isNull())
            return nullValue(commonType(a.type, b.type));
        QString s = std::get<QString>(a.data) + std::get<QString>(b.data);
        return stringValue(s, isUnicode(a.type.id) || isUnicode(b.type.id));
    }
    SqlType t = commonType(a.type, b.type);
    if (a.isNull() || b.isNull())
        return nullValue(t);
    if (t.id == TypeId::DateTime || t.id == TypeId::SmallDateTime) {
        const bool aDate = std::holds_alternative<QDateTime>(a.data);
        double x = toDouble(convert(a, aDate ? a.type : SqlType{TypeId::Float, 0, 53, 0}));
        double y = toDouble(convert(b, std::holds_alternative<QDateTime>(b.data) ? b.type : SqlType{TypeId::Float, 0, 53, 0}));
        double r = op == BinaryOp::Subtract ? x - y : x + y;
        return convert(floatValue(r), SqlType{TypeId::DateTime, 0, 0, 0});
    }
    Value x = convert(a, t), y = convert(b, t);
    if (isInteger(t.id) || t.id == TypeId::Bit) {
        int64_t p = std::holds_alternative<bool>(x.data) ? std::get<bool>(x.data) : std::get<int64_t>(x.data);
        int64_t q = std::holds_alternative<bool>(y.data) ? std::get<bool>(y.data) : std::get<int64_t>(y.data);
        int64_t r = 0;
        switch (op) {
        case BinaryOp::Add: r = p + q; break;
        case BinaryOp::Subtract: r = p - q; break;
        case BinaryOp::Multiply: r = p * q; break;
        case BinaryOp::Divide:
        case BinaryOp::Modulo:
            if (q == 0)
                throw makeError(8134, QStringLiteral("Divide by zero error encountered."));
            r = op == BinaryOp::Divide ? p / q : p % q;
            break;
        case BinaryOp::BitAnd: r = p & q; break;
        case BinaryOp::BitOr: r = p | q; break;
        case BinaryOp::BitXor: r = p ^ q; break;
        }
        if (t.id == TypeId::Int && (r > INT32_MAX || r < INT32_MIN))
            throw makeError(8115, QStringLiteral("Arithmetic overflow error converting expression to data type int."));
        Value out = intValue(r);
        out.type = t.id == TypeId::Bit ? SqlType{TypeId::Int, 0, 0, 0} : t;
        return out;
    }
    if (auto p = std::get_if<Decimal>(&x.data)) {
        const Decimal& q = std::get<Decimal>(y.data);
        int s = qMax(p->scale, q.scale);
        Decimal l = rescale(*p, s), r = rescale(q, s);
        switch (op) {
        case BinaryOp::Add: return Value{t, Decimal{l.unscaled + r.unscaled, s}};
        case BinaryOp::Subtract: return Value{t, Decimal{l.unscaled - r.unscaled, s}};
        case BinaryOp::Multiply: return Value{t, rescale(Decimal{l.unscaled * r.unscaled, 2 * s}, s)};
        default:
            if (r.unscaled == 0)
                throw makeError(8134, QStringLiteral("Divide by zero error encountered."));
            SqlType ft{TypeId::Float, 0, 53, 0};
            return convert(floatValue(decimalToDouble(l) / decimalToDouble(r)), SqlType{TypeId::Numeric, 0, 38, qMax(s, 6)});
            (void)ft;
        }
    }
    double p = toDouble(x), q = toDouble(y);
    switch (op) {
    case BinaryOp::Add: return Value{t, p + q};
    case BinaryOp::Subtract: return Value{t, p - q};
    case BinaryOp::Multiply: return Value{t, p * q};
    default:
        if (q == 0)
            throw makeError(8134, QStringLiteral("Divide by zero error encountered."));
        return Value{t, op == BinaryOp::Modulo ? std::fmod(p, q) : p / q};
    }
}

STANDIN_WEAK Value negate(const Value& v)
{
    if (v.isNull())
        return v;
    if (auto p = std::get_if<int64_t>(&v.data))
        return Value{v.type, -*p};
    if (auto p = std::get_if<double>(&v.data))
        return Value{v.type, -*p};
    if (auto p = std::get_if<Decimal>(&v.data))
        return Value{v.type, Decimal{-p->unscaled, p->scale}};
    return v;
}

STANDIN_WEAK bool isTrue(const Value& v)
{
    if (v.isNull())
        return false;
    if (auto p = std::get_if<bool>(&v.data))
        return *p;
    return toDouble(v) != 0;
}

STANDIN_WEAK void writeType(QDataStream& out, const SqlType& t)
{
    out << quint8(t.id) << qint32(t.length) << qint32(t.precision) << qint32(t.scale);
}

STANDIN_WEAK SqlType readType(QDataStream& in)
{
    quint8 id = 0;
    qint32 length = 0, precision = 0, scale = 0;
    in >> id >> length >> precision >> scale;
    if (in.status() != QDataStream::Ok || id > quint8(TypeId::SqlVariant))
        throw makeError(0, QStringLiteral("damaged type"));
    return SqlType{TypeId(id), length, precision, scale};
}

STANDIN_WEAK void writeValue(QDataStream& out, const Value& v)
{
    writeType(out, v.type);
    out << quint8(v.data.index());
    std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
            } else if constexpr (std::is_same_v<T, bool>) {
                out << x;
            } else if constexpr (std::is_same_v<T, int64_t>) {
                out << qint64(x);
            } else if constexpr (std::is_same_v<T, Decimal>) {
                out << qint64(x.unscaled >> 64) << quint64(x.unscaled) << qint32(x.scale);
            } else {
                out << x;
            }
        },
        v.data);
}

STANDIN_WEAK Value readValue(QDataStream& in)
{
    Value v;
    v.type = readType(in);
    quint8 index = 0;
    in >> index;
    switch (index) {
    case 0: break;
    case 1: { bool b; in >> b; v.data = b; break; }
    case 2: { qint64 i; in >> i; v.data = int64_t(i); break; }
    case 3: { double d; in >> d; v.data = d; break; }
    case 4: {
        qint64 hi; quint64 lo; qint32 s;
        in >> hi >> lo >> s;
        v.data = Decimal{(__int128(hi) << 64) | __int128(lo), s};
        break;
    }
    case 5: { QString s; in >> s; v.data = s; break; }
    case 6: { QByteArray b; in >> b; v.data = b; break; }
    case 7: { QDate d; in >> d; v.data = d; break; }
    case 8: { QTime t; in >> t; v.data = t; break; }
    case 9: { QDateTime t; in >> t; v.data = t; break; }
    case 10: { QUuid u; in >> u; v.data = u; break; }
    default: throw makeError(0, QStringLiteral("damaged value"));
    }
    if (in.status() != QDataStream::Ok)
        throw makeError(0, QStringLiteral("damaged value"));
    return v;
}

}  // namespace standin
