// Scalar built-ins of the newer T-SQL: POWER, EOMONTH, the *FROMPARTS constructors, IIF, CHOOSE,
// CONCAT_WS, PARSE/TRY_PARSE, FORMAT and the datetimeoffset functions. Evaluate.cpp asks here first.
#include "Errors.h"
#include "Executor.h"

#include <QSet>

#include <cmath>

namespace standin {

namespace {

SqlType intType() { return SqlType {TypeId::Int, 0, 0, 0}; }
SqlType floatType() { return SqlType {TypeId::Float, 0, 53, 0}; }
SqlType dateType() { return SqlType {TypeId::Date, 0, 0, 0}; }
SqlType offsetType(int scale) { return SqlType {TypeId::DateTimeOffset, 0, 0, scale}; }

bool is(const QString& name, const char* candidate) { return name == QLatin1String(candidate); }

// The names answered here; every other function goes on to Evaluate.cpp without further comparisons.
bool handledHere(const QString& name)
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const char* n :
             {"POWER", "DATEDIFF_BIG", "EOMONTH", "DATEFROMPARTS", "DATETIMEFROMPARTS", "SMALLDATETIMEFROMPARTS",
              "DATETIME2FROMPARTS", "TIMEFROMPARTS", "DATETIMEOFFSETFROMPARTS", "IIF", "CHOOSE", "CONCAT_WS",
              "SWITCHOFFSET", "TODATETIMEOFFSET", "SYSDATETIMEOFFSET", "SYSUTCDATETIME", "PARSE", "TRY_PARSE",
              "FORMAT"})
            set.insert(QString::fromLatin1(n));
        return set;
    }();
    return names.contains(name);
}

// POWER returns its first argument's type, widened: decimal(p,s) to decimal(38,s), small integers
// to int, texts and bit to float.
SqlType powerType(const SqlType& t)
{
    switch (t.id) {
    case TypeId::Decimal:
    case TypeId::Numeric:
        return SqlType {t.id, 0, 38, t.scale};
    case TypeId::TinyInt:
    case TypeId::SmallInt:
    case TypeId::Int:
        return intType();
    case TypeId::BigInt:
        return SqlType {TypeId::BigInt, 0, 0, 0};
    case TypeId::SmallMoney:
    case TypeId::Money:
        return SqlType {TypeId::Money, 0, 19, 4};
    default:
        return floatType();
    }
}

[[noreturn]] void cannotConstruct(const char* type)
{
    throw sqlError(289, QStringLiteral("Cannot construct data type %1, some of the arguments have values which are not "
                                       "valid.")
                            .arg(QLatin1String(type)));
}

// The fractions of a second at `precision` digits, in whole milliseconds (finer digits are dropped).
// The fractions of a second given at `precision` digits, in 100 ns units.
int64_t fractionUnits(int64_t fractions, int64_t precision, const char* type)
{
    if (precision < 0 || precision > 7)
        throw sqlError(1002, QStringLiteral("Line 1: Specified scale %1 is invalid.").arg(precision));
    int64_t limit = 1;
    for (int i = 0; i < precision; ++i)
        limit *= 10;
    if (fractions < 0 || fractions >= limit)
        cannotConstruct(type);
    for (int64_t i = precision; i < 7; ++i)
        fractions *= 10;
    return fractions;
}

TimeOfDay clockOf(int64_t hour, int64_t minute, int64_t second, int64_t units)
{
    return TimeOfDay {((hour * 60 + minute) * 60 + second) * 10000000LL + units};
}

[[noreturn]] void invalidTimeZone(const QString& function)
{
    throw sqlError(9812,
                   QStringLiteral("The timezone provided to builtin function %1 is invalid.").arg(function.toLower()));
}

// A time zone argument: minutes as a number, or '+hh:mm' as text.
int timeZoneArg(const Value& v, const QString& function)
{
    if (isCharacter(v.type.id)) {
        auto m = parseTimeZoneOffset(std::get<QString>(v.data));
        if (!m)
            invalidTimeZone(function);
        return *m;
    }
    const int64_t m = std::get<int64_t>(convert(v, SqlType {TypeId::BigInt, 0, 0, 0}).data);
    if (m < -840 || m > 840)
        invalidTimeZone(function);
    return int(m);
}

}  // namespace

std::optional<SqlType> Executor::scalarBuiltinType(const Expr& e, const Scope& scope)
{
    const QString& n = e.name;
    if (!handledHere(n))
        return std::nullopt;
    auto argType = [&](size_t i) { return i < e.args.size() ? typeOf(*e.args[i], scope) : intType(); };
    if (is(n, "POWER"))
        return powerType(argType(0));
    if (is(n, "DATEDIFF_BIG"))
        return SqlType {TypeId::BigInt, 0, 0, 0};
    if (is(n, "EOMONTH") || is(n, "DATEFROMPARTS"))
        return dateType();
    if (is(n, "DATETIMEFROMPARTS"))
        return SqlType {TypeId::DateTime, 0, 0, 3};
    if (is(n, "SMALLDATETIMEFROMPARTS"))
        return SqlType {TypeId::SmallDateTime, 0, 0, 0};
    if (is(n, "DATETIME2FROMPARTS") || is(n, "TIMEFROMPARTS") || is(n, "DATETIMEOFFSETFROMPARTS")) {
        // The precision is the last argument, a constant.
        int scale = 7;
        if (!e.args.empty() && e.args.back()->kind == ExprKind::Literal && !e.args.back()->value.isNull())
            if (const auto* i = std::get_if<int64_t>(&e.args.back()->value.data))
                scale = int(std::clamp<int64_t>(*i, 0, 7));
        const TypeId id = is(n, "TIMEFROMPARTS")        ? TypeId::Time
                          : is(n, "DATETIME2FROMPARTS") ? TypeId::DateTime2
                                                        : TypeId::DateTimeOffset;
        return SqlType {id, 0, 0, scale};
    }
    // IIF and CHOOSE are CASE expressions: one result at least must be more than a bare NULL.
    if (is(n, "IIF") || is(n, "CHOOSE")) {
        bool typed = false;
        for (size_t i = 1; i < e.args.size(); ++i)
            typed = typed || !(e.args[i]->kind == ExprKind::Literal && e.args[i]->value.isNull());
        if (!typed)
            throw nullOnlyCase();
    }
    if (is(n, "IIF") && e.args.size() == 3)
        return commonType(argType(1), argType(2));
    if (is(n, "CHOOSE")) {
        std::optional<SqlType> t;
        for (size_t i = 1; i < e.args.size(); ++i) {
            const Expr& a = *e.args[i];
            if (a.kind == ExprKind::Literal && a.value.isNull())
                continue;  // an untyped NULL does not decide the type
            const SqlType u = typeOf(a, scope);
            t = t ? commonType(*t, u) : u;
        }
        return t.value_or(intType());
    }
    if (is(n, "CONCAT_WS")) {
        bool unicode = false, max = false;
        for (size_t i = 0; i < e.args.size(); ++i) {
            const SqlType t = argType(i);
            unicode = unicode || isUnicode(t.id);
            max = max || (isCharacter(t.id) && t.length < 0);
        }
        return SqlType {unicode ? TypeId::NVarChar : TypeId::VarChar, max ? -1 : unicode ? 4000 : 8000, 0, 0};
    }
    if (is(n, "SWITCHOFFSET")) {
        const SqlType t = argType(0);
        return offsetType(t.id == TypeId::DateTimeOffset || t.id == TypeId::DateTime2 ? t.scale : 7);
    }
    if (is(n, "TODATETIMEOFFSET")) {
        const SqlType t = argType(0);
        return offsetType(t.id == TypeId::DateTime2 || t.id == TypeId::DateTimeOffset ? t.scale
                          : t.id == TypeId::DateTime                                  ? 3
                          : t.id == TypeId::SmallDateTime || t.id == TypeId::Date     ? 0
                                                                                      : 7);
    }
    if (is(n, "SYSDATETIMEOFFSET"))
        return offsetType(7);
    if (is(n, "SYSUTCDATETIME"))
        return SqlType {TypeId::DateTime2, 0, 0, 7};
    if (is(n, "PARSE") || is(n, "TRY_PARSE"))
        return e.castType;
    if (is(n, "FORMAT"))
        return SqlType {TypeId::NVarChar, 4000, 0, 0};
    return std::nullopt;
}

std::optional<Value> Executor::scalarBuiltin(const Expr& e, const EvalContext& ctx)
{
    const QString& n = e.name;
    if (!handledHere(n))
        return std::nullopt;
    auto arg = [&](size_t i) { return i < e.args.size() ? eval(*e.args[i], ctx) : Value {}; };
    auto resultType = [&] { return *scalarBuiltinType(e, ctx.scope ? *ctx.scope : Scope {}); };
    // Integer arguments of the constructors; any NULL among them makes the result NULL.
    auto intArgs = [&](size_t count, std::vector<int64_t>* out) {
        out->clear();
        for (size_t i = 0; i < count; ++i) {
            Value v = arg(i);
            if (v.isNull())
                return false;
            out->push_back(std::get<int64_t>(convert(v, SqlType {TypeId::BigInt, 0, 0, 0}).data));
        }
        return true;
    };
    auto validDate = [](int64_t y, int64_t m, int64_t d) {
        return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && QDate(int(y), int(m), 1).daysInMonth() >= d;
    };
    auto validTime = [](int64_t h, int64_t mi, int64_t s) {
        return h >= 0 && h < 24 && mi >= 0 && mi < 60 && s >= 0 && s < 60;
    };

    if (is(n, "POWER")) {
        const SqlType rt = resultType();
        Value x = arg(0), y = arg(1);
        if (x.isNull() || y.isNull())
            return nullValue(rt);
        const double base = std::get<double>(convert(x, floatType()).data);
        const double exponent = std::get<double>(convert(y, floatType()).data);
        const double r = std::pow(base, exponent);
        if (std::isnan(r))
            throw sqlError(3623, QStringLiteral("An invalid floating point operation occurred."));
        if (rt.id == TypeId::Int || rt.id == TypeId::BigInt) {
            const double limit = rt.id == TypeId::Int ? 2147483648.0 : 9223372036854775808.0;
            const double t = std::trunc(r);
            if (!std::isfinite(t) || t >= limit || t < -limit)
                throw sqlError(232, QStringLiteral("Arithmetic overflow error for type %1, value = %2.")
                                        .arg(typeName(rt.id), QString::number(r, 'f', 6)));
            Value v = intValue(int64_t(t));
            v.type = rt;
            return v;
        }
        if (!std::isfinite(r))
            throw sqlError(8115, QStringLiteral("Arithmetic overflow error converting expression to data type %1.")
                                     .arg(typeName(rt.id)));
        return convert(floatValue(r), rt);
    }
    if (is(n, "EOMONTH")) {
        Value d = arg(0);
        if (d.isNull())
            return nullValue(dateType());
        if (!isDateTime(d.type.id) && !isCharacter(d.type.id))
            throw sqlError(8116, QStringLiteral("Argument data type %1 is invalid for argument 1 of EOMONTH function.")
                                     .arg(typeName(d.type.id)));
        // A datetimeoffset counts in its own local date; a text is read as a date.
        QDate date = std::get<QDate>(convert(d, dateType()).data);
        if (e.args.size() > 1) {
            Value m = arg(1);
            if (m.isNull())
                return nullValue(dateType());
            const int64_t months = std::get<int64_t>(convert(m, SqlType {TypeId::BigInt, 0, 0, 0}).data);
            const int64_t index = int64_t(date.year()) * 12 + date.month() - 1 + months;
            if (index < 12 || index >= 10000 * 12)
                throw sqlError(517, QStringLiteral("Adding a value to a 'date' column caused an overflow."));
            date = QDate(int(index / 12), int(index % 12) + 1, 1);
        }
        return Value {dateType(), QDate(date.year(), date.month(), date.daysInMonth())};
    }
    if (is(n, "DATEFROMPARTS")) {
        std::vector<int64_t> p;
        if (!intArgs(3, &p))
            return nullValue(dateType());
        if (!validDate(p[0], p[1], p[2]))
            cannotConstruct("date");
        return Value {dateType(), QDate(int(p[0]), int(p[1]), int(p[2]))};
    }
    if (is(n, "DATETIMEFROMPARTS") || is(n, "SMALLDATETIMEFROMPARTS")) {
        const bool small = is(n, "SMALLDATETIMEFROMPARTS");
        const SqlType rt = resultType();
        std::vector<int64_t> p;
        if (!intArgs(small ? 5 : 7, &p))
            return nullValue(rt);
        if (small) {
            p.push_back(0);
            p.push_back(0);
        }
        const char* name = small ? "smalldatetime" : "datetime";
        if (!validDate(p[0], p[1], p[2]) || !validTime(p[3], p[4], p[5]) || p[6] < 0 || p[6] > 999)
            cannotConstruct(name);
        const QDate first = small ? QDate(1900, 1, 1) : QDate(1753, 1, 1);
        const QDate last = small ? QDate(2079, 6, 6) : QDate(9999, 12, 31);
        const QDate date {int(p[0]), int(p[1]), int(p[2])};
        if (date < first || date > last)
            cannotConstruct(name);
        const Value wide {SqlType {TypeId::DateTime2, 0, 0, 3},
                          DateTimeValue {date, clockOf(p[3], p[4], p[5], p[6] * TimeOfDay::kUnitsPerMillisecond)}};
        return convert(wide, rt);
    }
    if (is(n, "DATETIME2FROMPARTS") || is(n, "TIMEFROMPARTS") || is(n, "DATETIMEOFFSETFROMPARTS")) {
        const SqlType rt = resultType();
        const bool time = is(n, "TIMEFROMPARTS"), offset = is(n, "DATETIMEOFFSETFROMPARTS");
        const char* name = time ? "time" : offset ? "datetimeoffset" : "datetime2";
        // The precision may not be NULL; the other arguments make the result NULL.
        const Value precision = arg(e.args.size() - 1);
        if (precision.isNull())
            throw sqlError(10760,
                           QStringLiteral("Scale argument is not valid. Valid expressions for data type %1 scale "
                                          "argument are integer constants and integer constant expressions.")
                               .arg(QLatin1String(name)));
        std::vector<int64_t> p;
        if (!intArgs(e.args.size() - 1, &p))
            return nullValue(rt);
        if (time)
            p.insert(p.begin(), {1900, 1, 1});
        const int64_t units =
            fractionUnits(p[6], std::get<int64_t>(convert(precision, SqlType {TypeId::BigInt, 0, 0, 0}).data), name);
        if (!validDate(p[0], p[1], p[2]) || !validTime(p[3], p[4], p[5]))
            cannotConstruct(name);
        const QDate date {int(p[0]), int(p[1]), int(p[2])};
        const TimeOfDay clock = clockOf(p[3], p[4], p[5], units);
        if (time)
            return Value {rt, clock};
        if (!offset)
            return Value {rt, DateTimeValue {date, clock}};
        // Both offset parts carry the same sign.
        const int64_t hours = p[7], minutes = p[8];
        if (hours < -14 || hours > 14 || minutes < -59 || minutes > 59 || (hours > 0 && minutes < 0)
            || (hours < 0 && minutes > 0) || std::llabs(hours * 60 + minutes) > 840)
            cannotConstruct(name);
        return dateTimeOffsetValue(date, clock, int(hours * 60 + minutes), rt.scale);
    }
    if (is(n, "IIF")) {
        const SqlType rt = resultType();
        const Value v = test(*e.args[0], ctx) == true ? arg(1) : arg(2);
        return v.isNull() ? nullValue(rt) : convert(v, rt);
    }
    if (is(n, "CHOOSE")) {
        const SqlType rt = resultType();
        Value index = arg(0);
        if (index.isNull())
            return nullValue(rt);
        const int64_t i = std::get<int64_t>(convert(index, SqlType {TypeId::BigInt, 0, 0, 0}).data);
        if (i < 1 || i >= int64_t(e.args.size()))
            return nullValue(rt);
        const Value v = arg(size_t(i));
        return v.isNull() ? nullValue(rt) : convert(v, rt);
    }
    if (is(n, "CONCAT_WS")) {
        const SqlType rt = resultType();
        // NULL arguments are skipped with their separators; a NULL separator joins with nothing.
        const Value separator = arg(0);
        const QString sep = separator.isNull() ? QString() : toText(separator);
        QStringList parts;
        for (size_t i = 1; i < e.args.size(); ++i) {
            const Value v = arg(i);
            if (!v.isNull())
                parts << toText(v);
        }
        QString s = parts.join(sep);
        if (rt.length >= 0 && s.size() > rt.length)
            s.truncate(rt.length);
        return Value {rt, s};
    }
    if (is(n, "SWITCHOFFSET") || is(n, "TODATETIMEOFFSET")) {
        const SqlType rt = resultType();
        Value d = arg(0), zone = arg(1);
        if (d.isNull() || zone.isNull())
            return nullValue(rt);
        const int minutes = timeZoneArg(zone, n);
        if (is(n, "SWITCHOFFSET"))
            return switchOffset(convert(d, rt), minutes);
        // The local date and time stay; the offset is attached to them.
        const DateTimeValue local = std::get<DateTimeValue>(convert(d, SqlType {TypeId::DateTime2, 0, 0, rt.scale}).data);
        return dateTimeOffsetValue(local.date, local.time, minutes, rt.scale);
    }
    if (is(n, "SYSDATETIMEOFFSET")) {
        const QDateTime now = QDateTime::currentDateTime();
        return dateTimeOffsetValue(now.date(), clockReading(now).time, now.offsetFromUtc() / 60, 7);
    }
    if (is(n, "SYSUTCDATETIME")) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        return Value {SqlType {TypeId::DateTime2, 0, 0, 7}, clockReading(now)};
    }
    if (is(n, "PARSE") || is(n, "TRY_PARSE")) {
        const Value text = arg(0);
        const Culture& culture = e.args.size() > 1 ? cultureArg(arg(1)) : sessionCulture();
        if (!isNumeric(e.castType.id) && !isDateTime(e.castType.id))
            throw sqlError(
                10761,
                QStringLiteral("Invalid data type %1 in function %2.").arg(typeName(e.castType.id), n.toLower()));
        if (text.isNull())
            return nullValue(e.castType);
        if (!isCharacter(text.type.id))
            throw sqlError(8116, QStringLiteral("Argument data type %1 is invalid for argument 1 of %2 function.")
                                     .arg(typeName(text.type.id), n.toLower()));
        auto v = parseWithCulture(std::get<QString>(text.data), e.castType, culture);
        if (v)
            return *v;
        if (is(n, "TRY_PARSE"))
            return nullValue(e.castType);
        throw sqlError(9819, QStringLiteral("Error converting string value '%1' into data type %2 using culture '%3'.")
                                 .arg(std::get<QString>(text.data), typeName(e.castType.id),
                                      e.args.size() > 1 ? toText(arg(1)) : QString()));
    }
    if (is(n, "FORMAT")) {
        const SqlType rt = resultType();
        // A NULL written as the value or the format has no type to format by.
        for (size_t i = 0; i < 2 && i < e.args.size(); ++i)
            if (e.args[i]->kind == ExprKind::Literal && e.args[i]->value.isNull())
                throw sqlError(8116, QStringLiteral("Argument data type NULL is invalid for argument %1 of format "
                                                    "function.")
                                         .arg(i + 1));
        const Value v = arg(0), format = arg(1);
        // The culture is checked even when the value is NULL; a NULL culture is none (9818).
        const Value cultureName = arg(2);
        const Culture& culture = e.args.size() > 2 ? cultureArg(cultureName) : sessionCulture();
        if (v.isNull())
            return nullValue(rt);
        if ((!isNumeric(v.type.id) && !isDateTime(v.type.id)) || v.type.id == TypeId::Bit)
            throw sqlError(8116, QStringLiteral("Argument data type %1 is invalid for argument 1 of format function.")
                                     .arg(typeName(v.type.id)));
        // A NULL format (of a column or a variable) is the general one, as an empty format is.
        auto s = formatValue(v, format.isNull() ? QString() : toText(format), culture);
        if (!s)
            return nullValue(rt);
        return Value {rt, *s};
    }
    return std::nullopt;
}

const Culture& Executor::sessionCulture() const { return cultureOfLanguage(*session_.dateSettings.language); }

const Culture& Executor::cultureArg(const Value& v) const
{
    // A NULL culture names none: refused as 'NULL', by PARSE and TRY_PARSE too.
    const QString name = v.isNull() ? QStringLiteral("NULL") : toText(v);
    const Culture* c = findCulture(name);
    if (!c)
        throw sqlError(
            9818,
            QStringLiteral("The culture parameter '%1' provided in the function call is not supported.").arg(name));
    return *c;
}

}  // namespace standin
