// Type names, declarations, precedence and widths; value construction and numeric literals.
#include "ValuesInternal.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>
#include <limits>

namespace standin {

using namespace values;

namespace values {

void raise(int number, const QString& text, int state, int severity)
{
    SqlError e;
    e.message.number = number;
    e.message.state = state;
    e.message.severity = severity;
    e.message.text = text;
    throw e;
}

bool isIntegerLike(TypeId id)
{
    switch (id) {
    case TypeId::Bit: case TypeId::TinyInt: case TypeId::SmallInt: case TypeId::Int: case TypeId::BigInt:
        return true;
    default:
        return false;
    }
}
bool isMoney(TypeId id) { return id == TypeId::Money || id == TypeId::SmallMoney; }
bool isDecimalType(TypeId id) { return id == TypeId::Decimal || id == TypeId::Numeric; }
bool isFloatType(TypeId id) { return id == TypeId::Real || id == TypeId::Float; }
bool isFixedChar(TypeId id) { return id == TypeId::Char || id == TypeId::NChar; }
bool isLob(TypeId id) { return id == TypeId::Text || id == TypeId::NText || id == TypeId::Image; }

int64_t integerMin(TypeId id)
{
    switch (id) {
    case TypeId::Bit: return 0;
    case TypeId::TinyInt: return 0;
    case TypeId::SmallInt: return -32768;
    case TypeId::Int: return std::numeric_limits<int32_t>::min();
    default: return std::numeric_limits<int64_t>::min();
    }
}
int64_t integerMax(TypeId id)
{
    switch (id) {
    case TypeId::Bit: return 1;
    case TypeId::TinyInt: return 255;
    case TypeId::SmallInt: return 32767;
    case TypeId::Int: return std::numeric_limits<int32_t>::max();
    default: return std::numeric_limits<int64_t>::max();
    }
}

void decimalShape(const SqlType& t, int* p, int* s)
{
    *s = 0;
    switch (t.id) {
    case TypeId::Bit: *p = 1; break;
    case TypeId::TinyInt: *p = 3; break;
    case TypeId::SmallInt: *p = 5; break;
    case TypeId::Int: *p = t.precision > 0 ? t.precision : 10; break;  // a constant keeps its own digits
    case TypeId::BigInt: *p = 19; break;
    case TypeId::SmallMoney: *p = 10; *s = 4; break;
    case TypeId::Money: *p = 19; *s = 4; break;
    default:
        *p = t.precision > 0 ? t.precision : 18;
        *s = t.scale;
    }
}

}  // namespace values

// ---- names -----------------------------------------------------------------------------------

QString typeName(TypeId id)
{
    switch (id) {
    case TypeId::Bit: return QStringLiteral("bit");
    case TypeId::TinyInt: return QStringLiteral("tinyint");
    case TypeId::SmallInt: return QStringLiteral("smallint");
    case TypeId::Int: return QStringLiteral("int");
    case TypeId::BigInt: return QStringLiteral("bigint");
    case TypeId::Real: return QStringLiteral("real");
    case TypeId::Float: return QStringLiteral("float");
    case TypeId::SmallMoney: return QStringLiteral("smallmoney");
    case TypeId::Money: return QStringLiteral("money");
    case TypeId::Decimal: return QStringLiteral("decimal");
    case TypeId::Numeric: return QStringLiteral("numeric");
    case TypeId::Char: return QStringLiteral("char");
    case TypeId::VarChar: return QStringLiteral("varchar");
    case TypeId::Text: return QStringLiteral("text");
    case TypeId::NChar: return QStringLiteral("nchar");
    case TypeId::NVarChar: return QStringLiteral("nvarchar");
    case TypeId::NText: return QStringLiteral("ntext");
    case TypeId::Binary: return QStringLiteral("binary");
    case TypeId::VarBinary: return QStringLiteral("varbinary");
    case TypeId::Image: return QStringLiteral("image");
    case TypeId::Date: return QStringLiteral("date");
    case TypeId::Time: return QStringLiteral("time");
    case TypeId::SmallDateTime: return QStringLiteral("smalldatetime");
    case TypeId::DateTime: return QStringLiteral("datetime");
    case TypeId::DateTime2: return QStringLiteral("datetime2");
    case TypeId::UniqueIdentifier: return QStringLiteral("uniqueidentifier");
    case TypeId::SqlVariant: return QStringLiteral("sql_variant");
    case TypeId::DateTimeOffset: return QStringLiteral("datetimeoffset");
    }
    return QStringLiteral("int");
}

QString typeDeclaration(const SqlType& t)
{
    const QString name = typeName(t.id);
    switch (t.id) {
    case TypeId::Char: case TypeId::VarChar: case TypeId::NChar: case TypeId::NVarChar:
    case TypeId::Binary: case TypeId::VarBinary:
        return t.length < 0 ? name + QStringLiteral("(max)") : QStringLiteral("%1(%2)").arg(name).arg(t.length);
    case TypeId::Decimal: case TypeId::Numeric:
        return QStringLiteral("%1(%2,%3)").arg(name).arg(t.precision).arg(t.scale);
    case TypeId::Time: case TypeId::DateTime2: case TypeId::DateTimeOffset:
        return QStringLiteral("%1(%2)").arg(name).arg(t.scale);
    default:
        return name;
    }
}

int typePrecedence(TypeId id)
{
    // Highest first: sql_variant, datetimeoffset, datetime2, datetime, smalldatetime, date, time, float, real, decimal,
    // money, smallmoney, bigint, int, smallint, tinyint, bit, ntext, text, image, uniqueidentifier,
    // nvarchar, nchar, varchar, char, varbinary, binary.
    switch (id) {
    case TypeId::SqlVariant: return 27;
    case TypeId::DateTimeOffset: return 26;
    case TypeId::DateTime2: return 25;
    case TypeId::DateTime: return 24;
    case TypeId::SmallDateTime: return 23;
    case TypeId::Date: return 22;
    case TypeId::Time: return 21;
    case TypeId::Float: return 20;
    case TypeId::Real: return 19;
    case TypeId::Decimal: return 18;
    case TypeId::Numeric: return 18;
    case TypeId::Money: return 17;
    case TypeId::SmallMoney: return 16;
    case TypeId::BigInt: return 15;
    case TypeId::Int: return 14;
    case TypeId::SmallInt: return 13;
    case TypeId::TinyInt: return 12;
    case TypeId::Bit: return 11;
    case TypeId::NText: return 10;
    case TypeId::Text: return 9;
    case TypeId::Image: return 8;
    case TypeId::UniqueIdentifier: return 7;
    case TypeId::NVarChar: return 6;
    case TypeId::NChar: return 5;
    case TypeId::VarChar: return 4;
    case TypeId::Char: return 3;
    case TypeId::VarBinary: return 2;
    case TypeId::Binary: return 1;
    }
    return 0;
}

bool isCharacter(TypeId id)
{
    switch (id) {
    case TypeId::Char: case TypeId::VarChar: case TypeId::Text:
    case TypeId::NChar: case TypeId::NVarChar: case TypeId::NText:
        return true;
    default:
        return false;
    }
}
bool isUnicode(TypeId id) { return id == TypeId::NChar || id == TypeId::NVarChar || id == TypeId::NText; }
bool isNumeric(TypeId id)
{
    return isIntegerLike(id) || isFloatType(id) || isMoney(id) || isDecimalType(id);
}
bool isInteger(TypeId id)
{
    return id == TypeId::TinyInt || id == TypeId::SmallInt || id == TypeId::Int || id == TypeId::BigInt;
}
bool isDateTime(TypeId id)
{
    switch (id) {
    case TypeId::Date: case TypeId::Time: case TypeId::SmallDateTime: case TypeId::DateTime: case TypeId::DateTime2:
    case TypeId::DateTimeOffset:
        return true;
    default:
        return false;
    }
}
bool isBinary(TypeId id) { return id == TypeId::Binary || id == TypeId::VarBinary || id == TypeId::Image; }

int byteLength(const SqlType& t)
{
    switch (t.id) {
    case TypeId::Bit: case TypeId::TinyInt: return 1;
    case TypeId::SmallInt: return 2;
    case TypeId::Int: case TypeId::Real: case TypeId::SmallMoney: case TypeId::SmallDateTime: return 4;
    case TypeId::BigInt: case TypeId::Float: case TypeId::Money: case TypeId::DateTime: return 8;
    case TypeId::Decimal: case TypeId::Numeric:
        return t.precision <= 9 ? 5 : t.precision <= 19 ? 9 : t.precision <= 28 ? 13 : 17;
    case TypeId::Char: case TypeId::VarChar: case TypeId::Binary: case TypeId::VarBinary:
        return t.length < 0 ? -1 : t.length;
    case TypeId::NChar: case TypeId::NVarChar:
        return t.length < 0 ? -1 : 2 * t.length;
    case TypeId::Text: case TypeId::NText: case TypeId::Image: return -1;
    case TypeId::Date: return 3;
    case TypeId::Time: return t.scale <= 2 ? 3 : t.scale <= 4 ? 4 : 5;
    case TypeId::DateTime2: return t.scale <= 2 ? 6 : t.scale <= 4 ? 7 : 8;
    case TypeId::DateTimeOffset: return t.scale <= 2 ? 8 : t.scale <= 4 ? 9 : 10;
    case TypeId::UniqueIdentifier: return 16;
    case TypeId::SqlVariant: return 8016;
    }
    return 0;
}

// ---- parsing type names ----------------------------------------------------------------------

namespace {

struct NamedType {
    const char* name;
    TypeId id;
    int length;     // default length (character/binary)
    int precision;
    int scale;
};

constexpr std::array<NamedType, 40> kNamedTypes{{
    {"bit", TypeId::Bit, 0, 0, 0},
    {"tinyint", TypeId::TinyInt, 0, 0, 0},
    {"smallint", TypeId::SmallInt, 0, 0, 0},
    {"int", TypeId::Int, 0, 0, 0},
    {"integer", TypeId::Int, 0, 0, 0},
    {"bigint", TypeId::BigInt, 0, 0, 0},
    {"real", TypeId::Real, 0, 24, 0},
    {"float", TypeId::Float, 0, 53, 0},
    {"double precision", TypeId::Float, 0, 53, 0},
    {"smallmoney", TypeId::SmallMoney, 0, 10, 4},
    {"money", TypeId::Money, 0, 19, 4},
    {"decimal", TypeId::Decimal, 0, 18, 0},
    {"dec", TypeId::Decimal, 0, 18, 0},
    {"numeric", TypeId::Numeric, 0, 18, 0},
    {"char", TypeId::Char, 1, 0, 0},
    {"character", TypeId::Char, 1, 0, 0},
    {"varchar", TypeId::VarChar, 1, 0, 0},
    {"char varying", TypeId::VarChar, 1, 0, 0},
    {"character varying", TypeId::VarChar, 1, 0, 0},
    {"text", TypeId::Text, -1, 0, 0},
    {"nchar", TypeId::NChar, 1, 0, 0},
    {"national char", TypeId::NChar, 1, 0, 0},
    {"national character", TypeId::NChar, 1, 0, 0},
    {"nvarchar", TypeId::NVarChar, 1, 0, 0},
    {"national char varying", TypeId::NVarChar, 1, 0, 0},
    {"national character varying", TypeId::NVarChar, 1, 0, 0},
    {"ntext", TypeId::NText, -1, 0, 0},
    {"national text", TypeId::NText, -1, 0, 0},
    {"binary", TypeId::Binary, 1, 0, 0},
    {"varbinary", TypeId::VarBinary, 1, 0, 0},
    {"binary varying", TypeId::VarBinary, 1, 0, 0},
    {"image", TypeId::Image, -1, 0, 0},
    {"date", TypeId::Date, 0, 10, 0},
    {"time", TypeId::Time, 0, 16, 7},
    {"smalldatetime", TypeId::SmallDateTime, 0, 16, 0},
    {"datetime", TypeId::DateTime, 0, 23, 3},
    {"datetime2", TypeId::DateTime2, 0, 27, 7},
    {"datetimeoffset", TypeId::DateTimeOffset, 0, 34, 7},
    {"uniqueidentifier", TypeId::UniqueIdentifier, 0, 0, 0},
    {"sql_variant", TypeId::SqlVariant, 0, 0, 0},
}};

[[noreturn]] void unknownType(const QString& name, int ordinal)
{
    raise(2715, QStringLiteral("Column, parameter, or variable #%1: Cannot find data type %2.").arg(ordinal).arg(name));
}

QString normalizeName(QString name)
{
    name = name.trimmed();
    QString out;
    bool inBracket = false;
    bool pendingBlank = false;
    for (QChar c : name) {
        if (c == u'[') { inBracket = true; continue; }
        if (c == u']') { inBracket = false; continue; }
        if (c.isSpace() && !inBracket) { pendingBlank = !out.isEmpty(); continue; }
        if (pendingBlank) { out += u' '; pendingBlank = false; }
        out += c.toLower();
    }
    for (const char* prefix : {"sys.", "dbo."}) {
        if (out.startsWith(QLatin1String(prefix))) out = out.mid(4);
    }
    return out;
}

bool parseArgument(const QString& text, int* out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok) *out = v;
    return ok;
}

}  // namespace

SqlType parseTypeName(const QString& nameIn, const QString& argumentsIn)
{
    return parseTypeName(nameIn, argumentsIn, 1);
}

SqlType parseTypeName(const QString& nameIn, const QString& argumentsIn, int ordinal)
{
    const QString no = QString::number(ordinal);
    QString name = nameIn;
    QString arguments = argumentsIn.trimmed();
    const int paren = name.indexOf(u'(');
    if (paren >= 0) {
        if (arguments.isEmpty()) arguments = name.mid(paren).trimmed();
        name = name.left(paren);
    }
    if (arguments.startsWith(u'(')) {
        if (!arguments.endsWith(u')')) raise(102, QStringLiteral("Incorrect syntax near '%1'.").arg(arguments));
        arguments = arguments.mid(1, arguments.size() - 2).trimmed();
    }
    const QString key = normalizeName(name);
    const NamedType* found = nullptr;
    for (const NamedType& t : kNamedTypes) {
        if (key == QLatin1String(t.name)) { found = &t; break; }
    }
    if (key == QLatin1String("sysname")) {
        if (!arguments.isEmpty()) raise(2716, QStringLiteral("Column, parameter, or variable #%1: Cannot specify a column width on data type sysname.").arg(no));
        return SqlType{TypeId::NVarChar, 128, 0, 0};
    }
    if (!found) unknownType(name.trimmed(), ordinal);

    SqlType t{found->id, found->length, found->precision, found->scale};
    const QStringList args = arguments.isEmpty() ? QStringList() : arguments.split(u',');
    const QString display = typeName(t.id);
    auto invalidLength = [](const QString& arg) {
        raise(1001, QStringLiteral("Line 1: Length or precision specification %1 is invalid.").arg(arg.trimmed()));
    };

    switch (t.id) {
    case TypeId::Char: case TypeId::VarChar: case TypeId::NChar: case TypeId::NVarChar:
    case TypeId::Binary: case TypeId::VarBinary: {
        if (args.isEmpty()) return t;
        if (args.size() > 1) raise(102, QStringLiteral("Incorrect syntax near ','."));
        const QString a = args[0].trimmed();
        const bool variable = t.id == TypeId::VarChar || t.id == TypeId::NVarChar || t.id == TypeId::VarBinary;
        if (a.compare(QLatin1String("max"), Qt::CaseInsensitive) == 0) {
            if (!variable) raise(102, QStringLiteral("Incorrect syntax near 'max'."));
            t.length = -1;
            return t;
        }
        int n = 0;
        if (!parseArgument(a, &n)) raise(102, QStringLiteral("Incorrect syntax near '%1'.").arg(a));
        if (n <= 0) invalidLength(a);
        const int maxLength = isUnicode(t.id) ? 4000 : 8000;
        if (n > maxLength)
            raise(131, QStringLiteral("The size (%1) given to the type '%2' exceeds the maximum allowed for any data type (%3).")
                           .arg(n).arg(display).arg(maxLength));
        t.length = n;
        return t;
    }
    case TypeId::Decimal: case TypeId::Numeric: {
        if (args.isEmpty()) return t;
        if (args.size() > 2) raise(102, QStringLiteral("Incorrect syntax near ','."));
        int p = 0, s = 0;
        if (!parseArgument(args[0], &p)) raise(102, QStringLiteral("Incorrect syntax near '%1'.").arg(args[0].trimmed()));
        if (args.size() == 2 && !parseArgument(args[1], &s))
            raise(102, QStringLiteral("Incorrect syntax near '%1'.").arg(args[1].trimmed()));
        if (p <= 0) invalidLength(args[0]);
        if (p > kMaxPrecision)
            raise(2750, QStringLiteral("Column or parameter #%1: Specified column precision %2 is greater than the maximum precision of 38.").arg(no).arg(p));
        if (s < 0 || s > p)
            raise(2751, QStringLiteral("Column or parameter #%1: Specified column scale %2 is greater than the specified precision of %3.").arg(no).arg(s).arg(p));
        t.precision = p;
        t.scale = s;
        return t;
    }
    case TypeId::Float: {
        if (args.isEmpty()) return t;
        if (args.size() > 1) raise(102, QStringLiteral("Incorrect syntax near ','."));
        int n = 0;
        if (!parseArgument(args[0], &n)) raise(102, QStringLiteral("Incorrect syntax near '%1'.").arg(args[0].trimmed()));
        if (n <= 0) invalidLength(args[0]);
        if (n > 53)
            raise(2750, QStringLiteral("Column or parameter #%1: Specified column precision %2 is greater than the maximum precision of 53.").arg(no).arg(n));
        if (n <= 24) return SqlType{TypeId::Real, 0, 24, 0};
        return SqlType{TypeId::Float, 0, 53, 0};
    }
    case TypeId::Time: case TypeId::DateTime2: case TypeId::DateTimeOffset: {
        if (args.isEmpty()) return t;
        int n = 0;
        if (args.size() > 1 || !parseArgument(args[0], &n))
            raise(102, QStringLiteral("Incorrect syntax near '%1'.").arg(arguments));
        if (n < 0 || n > 7) raise(1002, QStringLiteral("Line 1: Specified scale %1 is invalid.").arg(n));
        t.scale = n;
        return t;
    }
    default:
        if (!args.isEmpty())
            raise(2716, QStringLiteral("Column, parameter, or variable #%1: Cannot specify a column width on data type %2.").arg(no, display));
        return t;
    }
}

SqlType parseCastTypeName(const QString& name, const QString& arguments)
{
    SqlType t = parseTypeName(name, arguments);
    bool hasArguments = !arguments.trimmed().isEmpty() || name.contains(u'(');
    if (!hasArguments && (isCharacter(t.id) || t.id == TypeId::Binary || t.id == TypeId::VarBinary) && t.length == 1)
        t.length = 30;
    return t;
}

// ---- construction ----------------------------------------------------------------------------

Value nullValue(const SqlType& type)
{
    Value v;
    v.type = type;
    return v;
}

Value intValue(int64_t v)
{
    Value r;
    r.type = SqlType{(v >= INT32_MIN && v <= INT32_MAX) ? TypeId::Int : TypeId::BigInt, 0, 0, 0};
    r.data = v;
    return r;
}

Value bitValue(bool v)
{
    Value r;
    r.type = SqlType{TypeId::Bit, 0, 0, 0};
    r.data = v;
    return r;
}

Value floatValue(double v)
{
    Value r;
    r.type = SqlType{TypeId::Float, 0, 53, 0};
    r.data = v;
    return r;
}

Value decimalValue(const Decimal& v, int precision)
{
    Value r;
    const int p = std::max({precision, v.scale, 1});
    r.type = SqlType{TypeId::Decimal, 0, std::min(p, kMaxPrecision), v.scale};
    r.data = v;
    return r;
}

Value stringValue(const QString& v, bool unicode)
{
    Value r;
    const int limit = unicode ? 4000 : 8000;
    const int length = v.size() > limit ? -1 : std::max<int>(1, int(v.size()));
    r.type = SqlType{unicode ? TypeId::NVarChar : TypeId::VarChar, length, 0, 0};
    r.data = unicode ? v : toCodePage1252(v);
    return r;
}

Value literalNumber(const QString& textIn)
{
    const QString text = textIn.trimmed();
    auto bad = [&]() -> Value { raise(102, QStringLiteral("Incorrect syntax near '%1'.").arg(text)); };
    if (text.isEmpty()) bad();

    // Binary constant 0x...
    if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        QString hex = text.mid(2);
        if (hex.size() % 2) hex.prepend(u'0');
        for (QChar c : hex)
            if (!isxdigit(c.toLatin1())) bad();
        Value r;
        const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
        r.type = SqlType{TypeId::VarBinary, std::max<int>(1, int(bytes.size())), 0, 0};
        r.data = bytes;
        return r;
    }
    // Money constant $12.50
    if (text[0] == u'$') {
        Decimal d;
        bool overflow = false;
        if (!parseDecimalText(text.mid(1), &d, &overflow)) bad();
        Decimal m;
        if (overflow || !rescale(d, 4, &m) || m.unscaled > i128(INT64_MAX) || m.unscaled < i128(INT64_MIN))
            raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type money."));
        Value r;
        r.type = SqlType{TypeId::Money, 0, 19, 4};
        r.data = m;
        return r;
    }
    QString body = text;
    QString sign;
    if (body.startsWith(u'+') || body.startsWith(u'-')) {
        sign = body.left(1);
        body = body.mid(1);
    }
    if (body.contains(u'e', Qt::CaseInsensitive)) {
        static const QRegularExpression floatRe(QStringLiteral("^([0-9]+\\.?[0-9]*|\\.[0-9]+)[eE][+-]?[0-9]+$"));
        if (!floatRe.match(body).hasMatch()) bad();
        bool ok = false;
        const double v = (sign + body).toDouble(&ok);
        if (!ok || !std::isfinite(v))
            raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type float."));
        return floatValue(v);
    }
    static const QRegularExpression numberRe(QStringLiteral("^([0-9]*)(\\.([0-9]*))?$"));
    const auto m = numberRe.match(body);
    if (!m.hasMatch() || (m.capturedLength(1) == 0 && m.capturedLength(3) == 0)) bad();
    QString intPart = m.captured(1);
    const QString fracPart = m.captured(3);
    while (intPart.size() > 1 && intPart[0] == u'0') intPart.remove(0, 1);
    const int intDigits = (intPart.isEmpty() || intPart == QLatin1String("0")) ? 0 : int(intPart.size());
    const int precision = std::max(1, intDigits + int(fracPart.size()));
    if (precision > kMaxPrecision)
        raise(1007, QStringLiteral("The number '%1' is out of the range for numeric representation (maximum precision 38).").arg(text));
    if (!m.hasCaptured(2)) {
        // A whole number: int when it fits, otherwise numeric(p,0).
        if (intDigits <= 10) {
            const int64_t v = (sign + intPart).toLongLong();
            if (v >= INT32_MIN && v <= INT32_MAX) {
                Value r = intValue(v);
                r.type.precision = std::max(1, intDigits);  // digits of the constant, used by decimal arithmetic
                return r;
            }
        }
    }
    Decimal d;
    bool overflow = false;
    if (!parseDecimalText(sign + body, &d, &overflow) || overflow) bad();
    Value r;
    r.type = SqlType{TypeId::Numeric, 0, precision, int(fracPart.size())};
    r.data = d;
    return r;
}

}  // namespace standin
