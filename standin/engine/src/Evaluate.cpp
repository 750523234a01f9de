// Name binding and expression evaluation.
#include "Errors.h"
#include "Executor.h"
#include "Functions.h"


#include <cmath>

namespace standin {

namespace {

SqlType intType() { return SqlType{TypeId::Int, 0, 0, 0}; }
SqlType bitType() { return SqlType{TypeId::Bit, 0, 0, 0}; }
SqlType nvarcharType(int n) { return SqlType{TypeId::NVarChar, n, 0, 0}; }
SqlType datetimeType() { return SqlType{TypeId::DateTime, 0, 0, 0}; }

Value text(const QString& s, int length = -2)
{
    Value v = stringValue(s, true);
    if (length != -2)
        v.type.length = length;
    return v;
}

bool isAggregate(const QString& name)
{
    const BuiltinFunction* f = findBuiltin(name);
    return f && f->aggregate;
}

QString stringArg(const Value& v)
{
    return v.isNull() ? QString() : toText(v);
}

// 'db.dbo.[Itens Nota]' -> {db, dbo, Itens Nota}
QStringList objectNameParts(const QString& name)
{
    QStringList parts;
    for (QString p : name.split(QLatin1Char('.'))) {
        p = p.trimmed();
        if ((p.startsWith(QLatin1Char('[')) && p.endsWith(QLatin1Char(']'))) ||
            (p.size() >= 2 && p.startsWith(QLatin1Char('"')) && p.endsWith(QLatin1Char('"'))))
            p = p.mid(1, p.size() - 2);
        parts << p;
    }
    return parts;
}


// Date parts of DATEADD, DATEDIFF, DATEPART and DATENAME, with their abbreviations.
enum class DatePart {
    Year, Quarter, Month, DayOfYear, Day, Week, Weekday, Hour, Minute, Second, Millisecond, IsoWeek,
    Microsecond, Nanosecond, TzOffset
};

DatePart datePart(const QString& part, const QString& function)
{
    static const std::pair<const char*, DatePart> names[] = {
        {"year", DatePart::Year}, {"yy", DatePart::Year}, {"yyyy", DatePart::Year},
        {"quarter", DatePart::Quarter}, {"qq", DatePart::Quarter}, {"q", DatePart::Quarter},
        {"month", DatePart::Month}, {"mm", DatePart::Month}, {"m", DatePart::Month},
        {"dayofyear", DatePart::DayOfYear}, {"dy", DatePart::DayOfYear}, {"y", DatePart::DayOfYear},
        {"day", DatePart::Day}, {"dd", DatePart::Day}, {"d", DatePart::Day},
        {"week", DatePart::Week}, {"wk", DatePart::Week}, {"ww", DatePart::Week},
        {"weekday", DatePart::Weekday}, {"dw", DatePart::Weekday}, {"w", DatePart::Weekday},
        {"hour", DatePart::Hour}, {"hh", DatePart::Hour},
        {"minute", DatePart::Minute}, {"mi", DatePart::Minute}, {"n", DatePart::Minute},
        {"second", DatePart::Second}, {"ss", DatePart::Second}, {"s", DatePart::Second},
        {"millisecond", DatePart::Millisecond}, {"ms", DatePart::Millisecond},
        {"iso_week", DatePart::IsoWeek}, {"isowk", DatePart::IsoWeek}, {"isoww", DatePart::IsoWeek},
        {"microsecond", DatePart::Microsecond}, {"mcs", DatePart::Microsecond},
        {"nanosecond", DatePart::Nanosecond}, {"ns", DatePart::Nanosecond},
        {"tzoffset", DatePart::TzOffset}, {"tz", DatePart::TzOffset}};
    for (const auto& [name, p] : names)
        if (part == QLatin1String(name))
            return p;
    throw sqlError(155, QStringLiteral("'%1' is not a recognized %2 option.").arg(part, function.toLower()), 15);
}

// The full name of a date part, as errors name it.
QString datePartName(DatePart p)
{
    static const char* const names[] = {"year", "quarter", "month", "dayofyear", "day", "week", "weekday", "hour",
                                        "minute", "second", "millisecond", "iso_week", "microsecond", "nanosecond",
                                        "tzoffset"};
    return QString::fromLatin1(names[int(p)]);
}

// Weekday counted from the session's first day of the week (DATEFIRST 7: Sunday 1 ... Saturday 7).
int weekday(const QDate& d) { return (d.dayOfWeek() - currentDateSettings().dateFirst + 7) % 7 + 1; }

int64_t datePartOf(const DateTimeValue& d, DatePart p)
{
    const QDate date = d.date;
    const TimeOfDay t = d.time;
    switch (p) {
    case DatePart::Year: return date.year();
    case DatePart::Quarter: return (date.month() - 1) / 3 + 1;
    case DatePart::Month: return date.month();
    case DatePart::DayOfYear: return date.dayOfYear();
    case DatePart::Day: return date.day();
    case DatePart::Week: {
        // Week 1 holds January 1st; weeks begin on the session's first day of the week.
        const int firstWeekday = weekday(QDate(date.year(), 1, 1)) - 1;
        return (date.dayOfYear() - 1 + firstWeekday) / 7 + 1;
    }
    case DatePart::Weekday: return weekday(date);
    case DatePart::Hour: return t.hour();
    case DatePart::Minute: return t.minute();
    case DatePart::Second: return t.second();
    case DatePart::Millisecond: return t.fraction() / 10000;
    case DatePart::IsoWeek: return date.weekNumber();
    case DatePart::Microsecond: return t.fraction() / 10;
    case DatePart::Nanosecond: return t.fraction() * 100LL;
    case DatePart::TzOffset: return d.offsetMinutes;
    }
    return 0;
}

// DATEADD on a date and time; std::nullopt when the result leaves the calendar. Nanoseconds move the
// value by whole 100 ns units, rounded half away from zero (49 ns add nothing, 50 ns add 100 ns).
std::optional<DateTimeValue> addDatePart(const DateTimeValue& d, DatePart p, int64_t amount)
{
    DateTimeValue out = d;
    switch (p) {
    case DatePart::Year: out.date = d.date.addYears(int(amount)); break;
    case DatePart::Quarter: out.date = d.date.addMonths(int(amount * 3)); break;
    case DatePart::Month: out.date = d.date.addMonths(int(amount)); break;
    case DatePart::DayOfYear: case DatePart::Day: case DatePart::Weekday: out.date = d.date.addDays(amount); break;
    case DatePart::Week: case DatePart::IsoWeek: out.date = d.date.addDays(amount * 7); break;
    case DatePart::TzOffset: break;
    default: {
        __int128 units = 0;
        switch (p) {
        case DatePart::Hour: units = __int128(amount) * 36000000000LL; break;
        case DatePart::Minute: units = __int128(amount) * 600000000LL; break;
        case DatePart::Second: units = __int128(amount) * 10000000LL; break;
        case DatePart::Millisecond: units = __int128(amount) * 10000; break;
        case DatePart::Microsecond: units = __int128(amount) * 10; break;
        default: units = amount >= 0 ? (amount + 50) / 100 : -((-amount + 50) / 100); break;  // nanoseconds
        }
        units += d.time.units;
        const __int128 perDay = TimeOfDay::kUnitsPerDay;
        __int128 days = units / perDay;
        units %= perDay;
        if (units < 0) {
            units += perDay;
            --days;
        }
        out.date = d.date.addDays(int64_t(days));
        out.time = TimeOfDay {int64_t(units)};
    }
    }
    if (!out.date.isValid())
        return std::nullopt;
    return out;
}

// DATEDIFF counts the boundaries of the part crossed between the two dates (weeks end on Saturday).
// Worked out wide enough for nanoseconds across the whole calendar; the caller checks the range.
__int128 dateDifference(const DateTimeValue& a, const DateTimeValue& b, DatePart p)
{
    const QDate da = a.date, db = b.date;
    const TimeOfDay ta = a.time, tb = b.time;
    const int64_t days = da.daysTo(db);
    switch (p) {
    case DatePart::Year: return db.year() - da.year();
    case DatePart::Quarter: return (db.year() - da.year()) * 4 + (db.month() - 1) / 3 - (da.month() - 1) / 3;
    case DatePart::Month: return (db.year() - da.year()) * 12 + db.month() - da.month();
    case DatePart::DayOfYear: case DatePart::Day: case DatePart::Weekday: return days;
    case DatePart::Week: case DatePart::IsoWeek: {
        const QDate sunday(1899, 12, 31);
        auto index = [&](const QDate& d) {
            const int64_t n = sunday.daysTo(d);
            return n >= 0 ? n / 7 : -((-n + 6) / 7);
        };
        return index(db) - index(da);
    }
    case DatePart::Hour: return days * 24 + tb.hour() - ta.hour();
    case DatePart::Minute: return (days * 24 + tb.hour() - ta.hour()) * 60 + tb.minute() - ta.minute();
    case DatePart::Second:
        return ((days * 24 + tb.hour() - ta.hour()) * 60 + tb.minute() - ta.minute()) * 60 + tb.second() - ta.second();
    case DatePart::Millisecond: return __int128(days) * 86400000 + tb.units / 10000 - ta.units / 10000;
    case DatePart::Microsecond: return __int128(days) * 86400000000LL + tb.units / 10 - ta.units / 10;
    case DatePart::Nanosecond: return (__int128(days) * TimeOfDay::kUnitsPerDay + tb.units - ta.units) * 100;
    case DatePart::TzOffset: return 0;
    }
    return 0;
}


// ISNUMERIC: whether a text converts to some numeric type. Money takes a currency sign, a sign on
// either side of it, thousands commas and nothing else ('$', '+', '-', '.' and ',' alone are money
// zero); float takes an exponent (e or E, also d or D) after at least one digit.
bool numericText(const QString& raw)
{
    const QString s = raw.trimmed();
    if (s.isEmpty())
        return false;
    static const QString currency = QStringLiteral("$\u00a2\u00a3\u00a4\u00a5\u09f2\u09f3\u0e3f\u17db\u20a0\u20a1\u20a2"
                                                   "\u20a3\u20a4\u20a5\u20a6\u20a7\u20a8\u20a9\u20aa\u20ab\u20ac\u20ad"
                                                   "\u20ae\u20af\u20b0\u20b1\ufdfc\ufe69\uff04\uffe0\uffe1\uffe5\uffe6");
    int i = 0;
    const int n = int(s.size());
    bool sign = false, money = false;
    auto isSign = [&](int k) { return k < n && (s[k] == QLatin1Char('+') || s[k] == QLatin1Char('-')); };
    if (isSign(i)) {
        sign = true;
        ++i;
    }
    if (i < n && currency.contains(s[i])) {
        money = true;
        ++i;
        // A sign may follow the currency sign, blanks around it ('$ + 1.5').
        while (!sign && i < n && s[i].isSpace())
            ++i;
        if (!sign && isSign(i))
            ++i;
    }
    while (i < n && s[i].isSpace())
        ++i;
    int digits = 0;
    bool comma = false, point = false;
    for (; i < n; ++i) {
        const QChar c = s[i];
        if (c.isDigit() && c.unicode() < 128)
            ++digits;
        else if (c == QLatin1Char(',') && !point)
            comma = true;
        else if (c == QLatin1Char('.') && !point)
            point = true;
        else
            break;
    }
    if (i == n)
        return true;  // digits, commas and one point: money, and a number when digits are there
    // An exponent: a float, without commas or a currency sign.
    if (digits == 0 || comma || money)
        return false;
    const QChar e = s[i].toLower();
    if (e != QLatin1Char('e') && e != QLatin1Char('d'))
        return false;
    ++i;
    if (isSign(i))
        ++i;
    int exponent = 0;
    while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
        ++i;
        ++exponent;
    }
    return i == n && exponent > 0;
}

}  // namespace

// A call names a user function with its schema (dbo.f: 4121 when there is none) or a built-in by its
// bare name (195 for an unknown one), with as many arguments as it takes (174).
void Executor::resolveFunction(const Expr& e) const
{
    if (e.parts.size() >= 2) {
        auto m = findModule(e.parts);
        if (!m || m->kind != ModuleKind::Function)
            throw sqlError(4121, QStringLiteral("Cannot find either column \"%1\" or the user-defined function or aggregate "
                                                "\"%2\", or the name is ambiguous.")
                                     .arg(e.parts.first(), e.parts.join(QLatin1Char('.'))));
        return;
    }
    const BuiltinFunction* f = findBuiltin(e.name);
    if (!f)
        throw sqlError(195, QStringLiteral("'%1' is not a recognized built-in function name.")
                                .arg(e.parts.isEmpty() ? e.name : e.parts.last()), 15, 10);
    const int count = e.star ? 1 : int(e.args.size());
    if (count < f->minArgs || count > f->maxArgs) {
        const QString name = e.name.toLower();
        throw sqlError(174, f->minArgs == f->maxArgs
                                ? QStringLiteral("The %1 function requires %2 argument(s).").arg(name).arg(f->minArgs)
                                : QStringLiteral("The %1 function requires %2 to %3 arguments.")
                                      .arg(name).arg(f->minArgs).arg(f->maxArgs), 15);
    }
}

const SourceColumn* Executor::boundColumn(const Expr& e, const Scope& scope) const
{
    if (e.kind != ExprKind::Column || e.slot < 0)
        return nullptr;
    const Scope* s = &scope;
    for (int d = 0; d < e.depth && s; ++d)
        s = s->parent;
    if (!s || !s->sources || e.slot >= int(s->sources->size()))
        return nullptr;
    const Source& src = (*s->sources)[e.slot];
    if (e.column < 0 || e.column >= int(src.columns.size()))
        return nullptr;
    return &src.columns[e.column];
}

void Executor::bind(Expr& e, const Scope& scope)
{
    switch (e.kind) {
    case ExprKind::Column: {
        const QString colName = e.parts.last();
        const QString colKey = collationKey(colName);
        const QString qualifier = e.parts.size() >= 2 ? collationKey(e.parts[e.parts.size() - 2]) : QString();
        int depth = 0;
        bool qualifierFound = false;
        for (const Scope* s = &scope; s; s = s->parent, ++depth) {
            if (!s->sources)
                continue;
            int foundSlot = -1, foundColumn = -1;
            for (size_t i = 0; i < s->sources->size(); ++i) {
                const Source& src = (*s->sources)[i];
                if (!qualifier.isEmpty()) {
                    if (collationKey(src.qualifier()) != qualifier)
                        continue;
                    qualifierFound = true;
                }
                for (size_t c = 0; c < src.columns.size(); ++c) {
                    if (collationKey(src.columns[c].name) == colKey) {
                        if (foundSlot >= 0 && foundSlot != int(i))
                            throw sqlError(209, QStringLiteral("Ambiguous column name '%1'.").arg(colName));
                        if (foundSlot < 0) {
                            foundSlot = int(i);
                            foundColumn = int(c);
                        }
                    }
                }
            }
            if (foundSlot >= 0) {
                e.depth = depth;
                e.slot = foundSlot;
                e.column = foundColumn;
                if (depth > 0)
                    ++outerReferences_;
                return;
            }
            if (qualifierFound)
                throw invalidColumn(colName);
        }
        if (!qualifier.isEmpty())
            throw unboundIdentifier(e.parts.join(QLatin1Char('.')));
        throw invalidColumn(colName);
    }
    case ExprKind::Subquery:
    case ExprKind::Exists:
        return;  // bound when it runs, with this scope as its parent
    case ExprKind::Function:
        if (e.windowIndex == kRowAddressItem)
            return;
        if (e.over || isWindowOnlyFunction(e.name)) {
            bindWindowCall(e, scope);
            return;
        }
        resolveFunction(e);
        if (e.name == QLatin1String("UPDATE"))
            return;  // UPDATE(column) names a column of the trigger's table, not of a source
        if (e.withinGroup) {
            if (e.name != QLatin1String("STRING_AGG"))
                throw sqlError(10757, QStringLiteral("The function '%1' may not have a WITHIN GROUP clause.")
                                          .arg(e.name.toLower()), 15);
            for (auto& o : e.withinGroup->orderBy)
                bind(*o.expr, scope);
        }
        break;
    default:
        break;
    }
    for (auto& a : e.args)
        if (a)
            bind(*a, scope);
    if (e.caseOperand)
        bind(*e.caseOperand, scope);
    if (e.elseExpr)
        bind(*e.elseExpr, scope);
}

SqlType Executor::typeOf(const Expr& e, const Scope& scope)
{
    switch (e.kind) {
    case ExprKind::Literal:
        return e.value.type;
    case ExprKind::Column:
        if (const SourceColumn* c = boundColumn(e, scope))
            return c->type;
        return intType();
    case ExprKind::Variable: {
        if (const Variable* v = findVariable(e.name))
            return v->type;
        if (e.name.compare(QLatin1String("@@VERSION"), Qt::CaseInsensitive) == 0)
            return nvarcharType(300);
        if (e.name.compare(QLatin1String("@@SERVERNAME"), Qt::CaseInsensitive) == 0
            || e.name.compare(QLatin1String("@@SERVICENAME"), Qt::CaseInsensitive) == 0
            || e.name.compare(QLatin1String("@@LANGUAGE"), Qt::CaseInsensitive) == 0)
            return nvarcharType(128);
        if (e.name.compare(QLatin1String("@@IDENTITY"), Qt::CaseInsensitive) == 0)
            return SqlType{TypeId::Numeric, 0, 38, 0};
        if (e.name.compare(QLatin1String("@@SPID"), Qt::CaseInsensitive) == 0
            || e.name.compare(QLatin1String("@@LANGID"), Qt::CaseInsensitive) == 0)
            return SqlType{TypeId::SmallInt, 0, 0, 0};
        if (e.name.compare(QLatin1String("@@DATEFIRST"), Qt::CaseInsensitive) == 0)
            return SqlType {TypeId::TinyInt, 0, 0, 0};
        return intType();
    }
    case ExprKind::Negate:
    case ExprKind::BitNot:
        return typeOf(*e.args[0], scope);
    case ExprKind::Binary: {
        SqlType a = typeOf(*e.args[0], scope), b = typeOf(*e.args[1], scope);
        if (e.op == BinaryOp::Add && isCharacter(a.id) && isCharacter(b.id)) {
            SqlType t = commonType(a, b);
            t.length = (a.length < 0 || b.length < 0) ? -1 : qMin(a.length + b.length, 8000);
            return t;
        }
        if ((isNumeric(a.id) || isNumeric(b.id)) && a.id != TypeId::Bit && b.id != TypeId::Bit) {
            // Decimal operands: SQL Server's result precision and scale (decimal(2,1) * decimal(2,1) is
            // decimal(5,2)); the value that binary() computes has this type.
            return binaryResultType(e.op, a, b);
        }
        SqlType t = commonType(a, b);
        if (t.id == TypeId::Bit)
            t = intType();
        return t;
    }
    case ExprKind::Compare: case ExprKind::And: case ExprKind::Or: case ExprKind::Not: case ExprKind::IsNull:
    case ExprKind::Like: case ExprKind::In: case ExprKind::Between: case ExprKind::Exists:
        return bitType();
    case ExprKind::Case: {
        SqlType t;
        bool first = true;
        for (size_t i = 1; i < e.args.size(); i += 2) {
            if (e.args[i]->kind == ExprKind::Literal && e.args[i]->value.isNull())
                continue;
            SqlType u = typeOf(*e.args[i], scope);
            t = first ? u : commonType(t, u);
            first = false;
        }
        if (e.elseExpr && !(e.elseExpr->kind == ExprKind::Literal && e.elseExpr->value.isNull())) {
            SqlType u = typeOf(*e.elseExpr, scope);
            t = first ? u : commonType(t, u);
            first = false;
        }
        return first ? intType() : t;
    }
    case ExprKind::Cast:
        return e.castType;
    case ExprKind::Subquery:
        return e.subquery ? subqueryType(*e.subquery, scope) : nvarcharType(4000);
    case ExprKind::Default:
        return intType();
    case ExprKind::Function:
        break;
    }
    const QString& n = e.name;
    if (isWindowOnlyFunction(n))
        return windowType(e, scope);
    if (n == QLatin1String("STRING_AGG") && !e.args.empty()) {
        // Text keeps its kind (and max); anything else comes out as nvarchar(4000).
        const SqlType t = typeOf(*e.args[0], scope);
        if (t.id == TypeId::VarChar || t.id == TypeId::Char || t.id == TypeId::Text)
            return SqlType{TypeId::VarChar, t.length < 0 ? -1 : 8000, 0, 0};
        return SqlType{TypeId::NVarChar, t.length < 0 && isCharacter(t.id) ? -1 : 4000, 0, 0};
    }
    if (e.parts.size() >= 2) {
        // A user function: the type it returns.
        if (auto m = findModule(e.parts); m && m->kind == ModuleKind::Function)
            return m->returns;
    }
    if (auto t = scalarBuiltinType(e, scope))
        return *t;
    if (n == QLatin1String("UPDATE"))
        return bitType();
    if (n.startsWith(QLatin1String("ERROR_")) || n == QLatin1String("XACT_STATE"))
        return errorFunction(n).type;
    if (n == QLatin1String("OBJECT_DEFINITION"))
        return nvarcharType(-1);
    if (n == QLatin1String("DATEADD") && e.args.size() == 3) {
        const SqlType t = typeOf(*e.args[2], scope);
        if (t.id == TypeId::Date || t.id == TypeId::DateTime2 || t.id == TypeId::SmallDateTime || t.id == TypeId::Time ||
            t.id == TypeId::DateTimeOffset)
            return t;
        return datetimeType();
    }
    if (n == QLatin1String("COUNT"))
        return intType();
    if (n == QLatin1String("COUNT_BIG"))
        return SqlType{TypeId::BigInt, 0, 0, 0};
    if (n == QLatin1String("SUM") || n == QLatin1String("MIN") || n == QLatin1String("MAX") ||
        n == QLatin1String("AVG") || n == QLatin1String("ISNULL") || n == QLatin1String("COALESCE") ||
        n == QLatin1String("ABS") || n == QLatin1String("ROUND") || n == QLatin1String("NULLIF") ||
        n == QLatin1String("FLOOR") || n == QLatin1String("CEILING")) {
        if (e.args.empty())
            return intType();
        SqlType t = typeOf(*e.args[0], scope);
        if ((n == QLatin1String("SUM") || n == QLatin1String("AVG")) && isInteger(t.id) && t.id != TypeId::BigInt)
            return intType();
        if ((n == QLatin1String("SUM") || n == QLatin1String("AVG")) && (t.id == TypeId::Decimal || t.id == TypeId::Numeric))
            return SqlType{t.id, 0, 38, t.scale};
        return t;
    }
    if (n == QLatin1String("GETDATE") || n == QLatin1String("CURRENT_TIMESTAMP") || n == QLatin1String("DATEADD") ||
        n == QLatin1String("GETUTCDATE"))
        return datetimeType();
    if (n == QLatin1String("SYSDATETIME"))
        return SqlType{TypeId::DateTime2, 0, 0, 7};
    if (n == QLatin1String("NEWID"))
        return SqlType{TypeId::UniqueIdentifier, 0, 0, 0};
    if (n == QLatin1String("SUBSTRING") || n == QLatin1String("LEFT") || n == QLatin1String("RIGHT") ||
        n == QLatin1String("LTRIM") || n == QLatin1String("RTRIM") || n == QLatin1String("TRIM") ||
        n == QLatin1String("UPPER") || n == QLatin1String("LOWER") || n == QLatin1String("REPLACE") ||
        n == QLatin1String("REPLICATE") || n == QLatin1String("STUFF") || n == QLatin1String("REVERSE")) {
        SqlType t = e.args.empty() ? nvarcharType(4000) : typeOf(*e.args[0], scope);
        if (!isCharacter(t.id))
            t = SqlType{TypeId::VarChar, 8000, 0, 0};
        if (t.id == TypeId::Char)
            t.id = TypeId::VarChar;
        if (t.id == TypeId::NChar)
            t.id = TypeId::NVarChar;
        if (n == QLatin1String("REPLACE") || n == QLatin1String("REPLICATE") || n == QLatin1String("STUFF"))
            t.length = isUnicode(t.id) ? 4000 : 8000;
        return t;
    }
    if (n == QLatin1String("LEN") || n == QLatin1String("CHARINDEX") || n == QLatin1String("ISNUMERIC") ||
        n == QLatin1String("OBJECT_ID") || n == QLatin1String("OBJECTPROPERTY") || n == QLatin1String("DATEDIFF") ||
        n == QLatin1String("YEAR") ||
        n == QLatin1String("MONTH") || n == QLatin1String("DAY") || n == QLatin1String("DATEPART") ||
        n == QLatin1String("DB_ID") || n == QLatin1String("SCOPE_IDENTITY") || n == QLatin1String("ASCII") ||
        n == QLatin1String("UNICODE") || n == QLatin1String("DATALENGTH") || n == QLatin1String("@@ROWCOUNT") ||
        n == QLatin1String("PATINDEX") || n == QLatin1String("ISDATE"))
        return n == QLatin1String("SCOPE_IDENTITY") ? SqlType{TypeId::Numeric, 0, 38, 0} : intType();
    if (n == QLatin1String("INDEXKEY_PROPERTY"))
        return intType();
    if (n == QLatin1String("COL_LENGTH"))
        return SqlType{TypeId::SmallInt, 0, 0, 0};
    if (n == QLatin1String("SERVERPROPERTY"))
        return SqlType{TypeId::SqlVariant, 0, 0, 0};
    if (n == QLatin1String("CHAR"))
        return SqlType{TypeId::Char, 1, 0, 0};
    if (n == QLatin1String("NCHAR"))
        return SqlType{TypeId::NChar, 1, 0, 0};
    if (n == QLatin1String("STR"))
        return SqlType{TypeId::VarChar, 10, 0, 0};
    if (n == QLatin1String("IIF") && e.args.size() == 3)
        return commonType(typeOf(*e.args[1], scope), typeOf(*e.args[2], scope));
    return nvarcharType(128);  // names: DB_NAME, HOST_NAME, SYSTEM_USER, OBJECT_NAME ...
}

std::optional<bool> Executor::test(const Expr& e, const EvalContext& ctx)
{
    switch (e.kind) {
    case ExprKind::And: {
        auto a = test(*e.args[0], ctx);
        if (a == false)
            return false;
        auto b = test(*e.args[1], ctx);
        if (b == false)
            return false;
        if (a && b)
            return true;
        return std::nullopt;
    }
    case ExprKind::Or: {
        auto a = test(*e.args[0], ctx);
        if (a == true)
            return true;
        auto b = test(*e.args[1], ctx);
        if (b == true)
            return true;
        if (a && b)
            return false;
        return std::nullopt;
    }
    case ExprKind::Not: {
        auto a = test(*e.args[0], ctx);
        if (!a)
            return std::nullopt;
        return !*a;
    }
    case ExprKind::Compare: {
        Value sa, sb;
        const Value& a = evalRef(*e.args[0], ctx, sa);
        const Value& b = evalRef(*e.args[1], ctx, sb);
        auto c = compare(a, b);
        if (!c)
            return std::nullopt;
        switch (e.cmp) {
        case CompareOp::Eq: return *c == 0;
        case CompareOp::Ne: return *c != 0;
        case CompareOp::Lt: return *c < 0;
        case CompareOp::Le: return *c <= 0;
        case CompareOp::Gt: return *c > 0;
        case CompareOp::Ge: return *c >= 0;
        }
        return std::nullopt;
    }
    case ExprKind::IsNull: {
        Value scratch;
        bool isNull = evalRef(*e.args[0], ctx, scratch).isNull();
        return e.negated ? !isNull : isNull;
    }
    case ExprKind::Like: {
        Value sa, sp;
        const Value& a = evalRef(*e.args[0], ctx, sa);
        const Value& p = evalRef(*e.args[1], ctx, sp);
        QChar escape;
        if (e.args.size() > 2) {
            Value x = eval(*e.args[2], ctx);
            if (!x.isNull()) {
                // The escape is exactly one character.
                const QString s = toText(x);
                if (s.size() != 1)
                    throw sqlError(506, QStringLiteral("The invalid escape character \"%1\" was specified in a LIKE "
                                                       "predicate.").arg(s));
                escape = s.at(0);
            }
        }
        // Trailing blanks of the text count when either side is Unicode (nchar/nvarchar).
        const std::optional<bool> m = likeValues(a, p, escape);
        if (!m)
            return std::nullopt;
        return e.negated ? !*m : *m;
    }
    case ExprKind::Between: {
        Value v = eval(*e.args[0], ctx);
        auto lo = compare(v, eval(*e.args[1], ctx));
        auto hi = compare(v, eval(*e.args[2], ctx));
        std::optional<bool> r;
        if (lo && hi)
            r = *lo >= 0 && *hi <= 0;
        else if ((lo && *lo < 0) || (hi && *hi > 0))
            r = false;
        if (!r)
            return std::nullopt;
        return e.negated ? !*r : *r;
    }
    case ExprKind::In: {
        Value v = eval(*e.args[0], ctx);
        bool sawNull = v.isNull();
        bool found = false;
        if (e.subquery) {
            const auto rs = subqueryResult(e, ctx);
            for (const auto& row : rs->rows) {
                auto c = compare(v, row.empty() ? Value{} : row[0]);
                if (!c)
                    sawNull = true;
                else if (*c == 0) {
                    found = true;
                    break;
                }
            }
        } else {
            for (size_t i = 1; i < e.args.size(); ++i) {
                auto c = compare(v, eval(*e.args[i], ctx));
                if (!c)
                    sawNull = true;
                else if (*c == 0) {
                    found = true;
                    break;
                }
            }
        }
        if (found)
            return !e.negated;
        if (sawNull)
            return std::nullopt;
        return e.negated;
    }
    case ExprKind::Exists: {
        return !subqueryResult(e, ctx)->rows.empty();
    }
    default:
        break;
    }
    Value v = eval(e, ctx);
    if (v.isNull())
        return std::nullopt;
    // A bare value used as a condition is a syntax error in T-SQL; the parser lets it through
    // only where a value is expected, so treat it as its truth.
    return isTrue(v);
}

// The type of a scalar subquery: its first column, bound against its own sources (cached for the
// statement, as the type is asked for every row of a CASE).
SqlType Executor::subqueryType(SelectStmt& s, const Scope& scope)
{
    auto cached = subqueryTypes_.find(&s);
    if (cached != subqueryTypes_.end())
        return cached->second;
    SqlType type = nvarcharType(4000);
    if (!s.items.empty() && !s.items[0].star && s.items[0].expr) {
        const int outer = outerReferences_;
        std::vector<Source> sources = openSources(s.from, &scope, nullptr);
        Scope inner;
        inner.sources = &sources;
        inner.parent = &scope;
        bind(*s.items[0].expr, inner);
        type = typeOf(*s.items[0].expr, inner);
        outerReferences_ = outer;
    }
    subqueryTypes_[&s] = type;
    return type;
}

std::shared_ptr<const ResultSet> Executor::subqueryResult(const Expr& e, const EvalContext& ctx)
{
    auto cached = subqueryCache_.find(e.subquery.get());
    if (cached != subqueryCache_.end())
        return cached->second;
    bool correlated = false;
    auto rs = std::make_shared<ResultSet>(runSelect(*e.subquery, ctx.scope, &ctx, &correlated));
    if (!correlated)
        subqueryCache_[e.subquery.get()] = rs;
    return rs;
}

const Value& Executor::evalRef(const Expr& e, const EvalContext& ctx, Value& scratch)
{
    if (e.kind == ExprKind::Column) {
        const EvalContext* c = &ctx;
        for (int d = 0; d < e.depth && c; ++d)
            c = c->outer;
        if (c && c->rows && e.slot >= 0 && e.slot < int(c->rows->size())) {
            if (const Row* row = (*c->rows)[e.slot])
                return (*row)[e.column];
        }
    } else if (e.kind == ExprKind::Literal) {
        return e.value;
    }
    scratch = eval(e, ctx);
    return scratch;
}

Value Executor::eval(const Expr& e, const EvalContext& ctx)
{
    switch (e.kind) {
    case ExprKind::Literal:
        return e.value;
    case ExprKind::Column: {
        const EvalContext* c = &ctx;
        for (int d = 0; d < e.depth && c; ++d)
            c = c->outer;
        if (!c || !c->rows || e.slot < 0 || e.slot >= int(c->rows->size()))
            throw invalidColumn(e.parts.last());
        const Row* row = (*c->rows)[e.slot];
        if (!row) {
            Value v;
            if (c->scope && c->scope->sources && e.slot < int(c->scope->sources->size()))
                v.type = (*c->scope->sources)[e.slot].columns[e.column].type;
            return v;
        }
        return (*row)[e.column];
    }
    case ExprKind::Variable: {
        if (e.name.startsWith(QLatin1String("@@")))
            return systemVariable(e.name.mid(2).toUpper());
        const Variable* v = findVariable(e.name);
        if (!v)
            throw undeclaredVariable(e.name);
        return v->value;
    }
    case ExprKind::Negate:
        return negate(eval(*e.args[0], ctx));
    case ExprKind::BitNot: {
        Value v = eval(*e.args[0], ctx);
        // ~ takes the integer types and bit only (a float, decimal or text operand is 8117).
        if (!isInteger(v.type.id) && v.type.id != TypeId::Bit)
            throw sqlError(8117, QStringLiteral("Operand data type %1 is invalid for ~ operator.").arg(typeName(v.type.id)));
        if (v.isNull())
            return v;
        Value out = convert(v, SqlType{TypeId::BigInt, 0, 0, 0});
        out.data = ~std::get<int64_t>(out.data);
        out.type = v.type;
        if (v.type.id == TypeId::Bit || v.type.id == TypeId::TinyInt)  // unsigned: ~1 is 0 and 254
            out = convert(intValue(std::get<int64_t>(out.data) & (v.type.id == TypeId::Bit ? 1 : 0xFF)), v.type);
        return out;
    }
    case ExprKind::Binary:
        return binary(e.op, eval(*e.args[0], ctx), eval(*e.args[1], ctx));
    case ExprKind::Compare: case ExprKind::And: case ExprKind::Or: case ExprKind::Not: case ExprKind::IsNull:
    case ExprKind::Like: case ExprKind::In: case ExprKind::Between: case ExprKind::Exists: {
        auto t = test(e, ctx);
        if (!t)
            return nullValue(bitType());
        return bitValue(*t);
    }
    case ExprKind::Case: {
        const SqlType resultType = ctx.scope ? typeOf(e, *ctx.scope) : SqlType{};
        auto finish = [&](const Value& v) {
            if (!ctx.scope || v.isNull() || v.type.id == resultType.id)
                return v;
            return convert(v, resultType);
        };
        if (e.caseOperand) {
            Value operand = eval(*e.caseOperand, ctx);
            for (size_t i = 0; i + 1 < e.args.size(); i += 2) {
                auto c = compare(operand, eval(*e.args[i], ctx));
                if (c && *c == 0)
                    return finish(eval(*e.args[i + 1], ctx));
            }
        } else {
            for (size_t i = 0; i + 1 < e.args.size(); i += 2)
                if (test(*e.args[i], ctx) == true)
                    return finish(eval(*e.args[i + 1], ctx));
        }
        if (e.elseExpr)
            return finish(eval(*e.elseExpr, ctx));
        return nullValue(resultType);
    }
    case ExprKind::Cast: {
        Value v = eval(*e.args[0], ctx);
        int style = 0;
        if (e.args.size() > 1) {
            Value s = eval(*e.args[1], ctx);
            if (!s.isNull())
                style = int(std::get<int64_t>(convert(s, intType()).data));
        }
        SqlType target = e.castType;
        if (e.name.startsWith(QLatin1String("TRY_"))) {
            // A conversion that is never allowed (int to date, ...) is an error even here.
            if (!v.isNull() && !canConvert(v.type.id, target.id))
                return castValue(v, target, true, style);
            try {
                return castValue(v, target, true, style);
            } catch (const SqlError&) {
                return nullValue(target);
            }
        }
        return castValue(v, target, true, style);
    }
    case ExprKind::Subquery: {
        const auto result = subqueryResult(e, ctx);
        const ResultSet& rs = *result;
        if (rs.rows.size() > 1)
            throw sqlError(512, QStringLiteral("Subquery returned more than 1 value. This is not permitted when the "
                                               "subquery follows =, !=, <, <= , >, >= or when the subquery is used as "
                                               "an expression."));
        if (rs.rows.empty() || rs.rows[0].empty()) {
            Value v;
            if (!rs.columns.empty())
                v.type = rs.columns[0].type;
            return v;
        }
        return rs.rows[0][0];
    }
    case ExprKind::Default:
        throw syntaxError(QStringLiteral("DEFAULT"));
    case ExprKind::Function:
        if (e.windowIndex >= 0 && ctx.windows)
            return (*ctx.windows)[size_t(e.windowIndex)];
        if (e.windowIndex == kRowAddressItem) {
            const Row* row = ctx.rows && e.slot >= 0 && size_t(e.slot) < ctx.rows->size() ? (*ctx.rows)[size_t(e.slot)] : nullptr;
            return Value{SqlType{TypeId::BigInt, 0, 0, 0}, int64_t(reinterpret_cast<intptr_t>(row))};
        }
        if (e.aggIndex >= 0 && ctx.aggregates)
            return (*ctx.aggregates)[e.aggIndex];
        return function(e, ctx);
    }
    return Value{};
}

Value Executor::systemVariable(const QString& name)
{
    if (name == QLatin1String("VERSION"))
        return text(QStringLiteral("Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64) \n\tSep 24 2019 13:48:23 \n\t"
                                   "Copyright (C) 2019 Microsoft Corporation\n\tDeveloper Edition (64-bit) on Linux"),
                    300);
    if (name == QLatin1String("SPID")) {
        Value v = intValue(session_.spid);
        v.type.id = TypeId::SmallInt;
        return v;
    }
    if (name == QLatin1String("ROWCOUNT"))
        return intValue(session_.lastRowCount);
    if (name == QLatin1String("ERROR"))
        return intValue(session_.lastError);
    if (name == QLatin1String("TRANCOUNT")) {
        // A trigger runs inside the transaction of its statement: in autocommit that one counts (until a
        // ROLLBACK in the trigger ends it).
        if (session_.transactionCount == 0 && frame_ && inTrigger() && !endedInTrigger_)
            return intValue(1);
        return intValue(session_.transactionCount);
    }
    if (name == QLatin1String("IDENTITY")) {
        if (!session_.lastIdentity)
            return nullValue(SqlType{TypeId::Numeric, 0, 38, 0});
        return decimalValue(Decimal{*session_.lastIdentity, 0}, 38);
    }
    if (name == QLatin1String("SERVERNAME") || name == QLatin1String("SERVICENAME"))
        return text(name == QLatin1String("SERVERNAME") ? QStringLiteral("SQL-STANDIN") : QStringLiteral("MSSQLSERVER"), 128);
    if (name == QLatin1String("LANGID"))
        return Value {SqlType {TypeId::SmallInt, 0, 0, 0}, int64_t(session_.dateSettings.language->id)};
    if (name == QLatin1String("LANGUAGE"))
        return text(languageName(*session_.dateSettings.language), 128);
    if (name == QLatin1String("TEXTSIZE"))
        return intValue(2147483647);
    if (name == QLatin1String("MAX_PRECISION"))
        return intValue(38);
    if (name == QLatin1String("OPTIONS"))
        return intValue(5496);
    if (name == QLatin1String("NESTLEVEL"))
        return intValue(frame_ ? frame_->nestLevel : 0);
    if (name == QLatin1String("FETCH_STATUS"))
        return intValue(session_.fetchStatus);
    if (name == QLatin1String("DATEFIRST"))
        return Value {SqlType {TypeId::TinyInt, 0, 0, 0}, int64_t(session_.dateSettings.dateFirst)};
    if (name == QLatin1String("MICROSOFTVERSION"))
        return intValue(251660240);
    throw undeclaredVariable(QStringLiteral("@@") + name);
}

Value Executor::function(const Expr& e, const EvalContext& ctx)
{
    const QString& n = e.name;
    auto arg = [&](size_t i) { return i < e.args.size() ? eval(*e.args[i], ctx) : Value{}; };
    auto argCount = [&](size_t lo, size_t hi) {
        if (e.args.size() < lo || e.args.size() > hi)
            throw sqlError(174, QStringLiteral("The %1 function requires %2 argument(s).").arg(n.toLower()).arg(lo), 15);
    };
    auto intArg = [&](size_t i) -> std::optional<int64_t> {
        Value v = arg(i);
        if (v.isNull())
            return std::nullopt;
        return std::get<int64_t>(convert(v, SqlType{TypeId::BigInt, 0, 0, 0}).data);
    };
    auto textResult = [&](const QString& s, const Value& like) {
        Value v = like;
        if (!isCharacter(v.type.id))
            v.type = SqlType{TypeId::VarChar, 8000, 0, 0};
        if (v.type.id == TypeId::Char)
            v.type.id = TypeId::VarChar;
        if (v.type.id == TypeId::NChar)
            v.type.id = TypeId::NVarChar;
        v.data = s;
        return v;
    };
    // REPLACE, REPLICATE and STUFF can give more than their argument holds: their type is the widest of
    // its kind (varchar(8000), nvarchar(4000)) unless the argument is (max); a longer result is cut there.
    auto grownTextResult = [&](const QString& s, const Value& like) {
        Value v = textResult(s, like);
        if (v.type.length != -1 && (v.type.id == TypeId::VarChar || v.type.id == TypeId::NVarChar)) {
            v.type.length = isUnicode(v.type.id) ? 4000 : 8000;
            v.data = s.left(v.type.length);
        }
        return v;
    };
    if (e.parts.size() >= 2)
        return callFunction(e, ctx);
    if (auto v = scalarBuiltin(e, ctx))
        return *v;
    if (n.startsWith(QLatin1String("ERROR_")) || n == QLatin1String("XACT_STATE"))
        return errorFunction(n);
    if (n == QLatin1String("UPDATE")) {
        // UPDATE(column) in a trigger: the firing statement set the column (every column on INSERT).
        const QString column = e.args.empty() ? QString() : e.args[0]->parts.last();
        for (Frame* f = frame_; f; f = f->parent) {
            if (!f->module || f->module->kind != ModuleKind::Trigger)
                continue;
            auto db = currentDatabase();
            auto t = db->findTable(f->module->table);
            const int c = t ? t->columnIndex(column) : -1;
            if (c < 0)
                throw invalidColumn(column);
            return bitValue(c < int(f->updatedColumns.size()) && f->updatedColumns[c]);
        }
        throw syntaxError(QStringLiteral("UPDATE"));
    }
    if (isAggregate(n))
        throw sqlError(147, QStringLiteral("An aggregate may not appear in the WHERE clause unless it is in a subquery "
                                           "contained in a HAVING clause or a select list, and the column being "
                                           "aggregated is an outer reference."),
                       15);
    if (n == QLatin1String("GETDATE") || n == QLatin1String("CURRENT_TIMESTAMP") || n == QLatin1String("SYSDATETIME") ||
        n == QLatin1String("GETUTCDATE")) {
        const QDateTime now = n == QLatin1String("GETUTCDATE") ? QDateTime::currentDateTimeUtc() : QDateTime::currentDateTime();
        return n == QLatin1String("SYSDATETIME") ? Value {SqlType {TypeId::DateTime2, 0, 0, 7}, clockReading(now)}
                                                 : dateTimeValue(now);
    }
    if (n == QLatin1String("NEWID"))
        return Value{SqlType{TypeId::UniqueIdentifier, 0, 0, 0}, QUuid::createUuid()};
    if (n == QLatin1String("SYSTEM_USER") || n == QLatin1String("SUSER_SNAME") || n == QLatin1String("SUSER_NAME") ||
        n == QLatin1String("ORIGINAL_LOGIN"))
        return text(session_.login, 128);
    if (n == QLatin1String("CURRENT_USER") || n == QLatin1String("SESSION_USER") || n == QLatin1String("USER") ||
        n == QLatin1String("USER_NAME"))
        return text(QStringLiteral("dbo"), 128);
    if (n == QLatin1String("HOST_NAME"))
        return text(session_.hostName, 128);
    if (n == QLatin1String("APP_NAME"))
        return text(session_.appName, 128);
    if (n == QLatin1String("DB_NAME")) {
        if (e.args.empty())
            return text(session_.database, 128);
        auto id = intArg(0);
        int i = 1;
        for (const auto& [k, d] : engine_.databases) {
            if (id && *id == 4 + i)
                return text(d->name, 128);
            ++i;
        }
        return nullValue(nvarcharType(128));
    }
    if (n == QLatin1String("DB_ID")) {
        QString want = e.args.empty() ? session_.database : stringArg(arg(0));
        int i = 1;
        for (const auto& [k, d] : engine_.databases) {
            if (k == collationKey(want))
                return intValue(4 + i);
            ++i;
        }
        return nullValue(intType());
    }
    if (n == QLatin1String("SCOPE_IDENTITY") || n == QLatin1String("IDENT_CURRENT")) {
        if (n == QLatin1String("IDENT_CURRENT")) {
            auto t = findTable(objectNameParts(stringArg(arg(0))));
            if (!t || t->identityColumn() < 0)
                return nullValue(SqlType{TypeId::Numeric, 0, 38, 0});
            int64_t v = t->identityUsed ? t->identityLast : t->columns[t->identityColumn()].seed;
            return decimalValue(Decimal{v, 0}, 38);
        }
        // SCOPE_IDENTITY(): the last identity handed out in this batch, procedure or trigger alone.
        if (!frame_ || !frame_->scopeIdentity)
            return nullValue(SqlType{TypeId::Numeric, 0, 38, 0});
        return decimalValue(Decimal{*frame_->scopeIdentity, 0}, 38);
    }
    if (n == QLatin1String("SERVERPROPERTY")) {
        const QString p = stringArg(arg(0)).toLower();
        auto variant = [](Value v) { return v; };
        if (p == QLatin1String("productversion"))
            return variant(text(QStringLiteral("15.0.2000.5"), 128));
        if (p == QLatin1String("productlevel"))
            return variant(text(QStringLiteral("RTM"), 128));
        if (p == QLatin1String("edition"))
            return variant(text(QStringLiteral("Developer Edition (64-bit)"), 128));
        if (p == QLatin1String("engineedition"))
            return intValue(3);
        if (p == QLatin1String("servername") || p == QLatin1String("machinename"))
            return variant(text(QStringLiteral("SQL-STANDIN"), 128));
        if (p == QLatin1String("instancename"))
            return nullValue(SqlType{TypeId::SqlVariant, 0, 0, 0});
        if (p == QLatin1String("collation"))
            return variant(text(QStringLiteral("Latin1_General_CI_AS"), 128));
        if (p == QLatin1String("isintegratedsecurityonly") || p == QLatin1String("isclustered") ||
            p == QLatin1String("issingleuser"))
            return intValue(0);
        return nullValue(SqlType{TypeId::SqlVariant, 0, 0, 0});
    }
    if (n == QLatin1String("OBJECT_ID")) {
        argCount(1, 2);
        const QStringList parts = objectNameParts(stringArg(arg(0)));
        if (!parts.isEmpty() && parts.last().startsWith(u'#'))
            return tempObjectId(parts, e.args.size() > 1 ? stringArg(arg(1)) : QString());
        auto db = databaseFor(parts);
        if (!db || (parts.size() >= 2 && !parts[parts.size() - 2].isEmpty() &&
                    collationKey(parts[parts.size() - 2]) != collationKey(QStringLiteral("dbo"))))
            return nullValue(intType());
        QString type;
        int id = db->objectId(parts.last(), &type);
        if (id == 0)
            return nullValue(intType());
        if (e.args.size() > 1) {
            QString want = stringArg(arg(1)).trimmed();
            if (!want.isEmpty() && collationKey(want) != collationKey(type))
                return nullValue(intType());
        }
        return intValue(id);
    }
    if (n == QLatin1String("OBJECT_NAME")) {
        auto id = intArg(0);
        auto db = currentDatabase();
        if (id && db) {
            for (const auto& [k, t] : db->tables)
                if (t->objectId == *id)
                    return text(t->name, 128);
            for (const auto& [k, m] : db->modules)
                if (m->objectId == *id)
                    return text(m->name, 128);
            // Constraints are objects too.
            for (const auto& [k, t] : db->tables) {
                for (const KeyConstraint& c : t->keys)
                    if (!c.index && c.objectId == *id)
                        return text(c.name, 128);
                for (const Column& c : t->columns)
                    if (c.defaultObjectId == *id && !c.defaultName.isEmpty())
                        return text(c.defaultName, 128);
                for (const OtherConstraint& o : t->others)
                    if (o.objectId == *id)
                        return text(o.name, 128);
            }
        }
        return nullValue(nvarcharType(128));
    }
    if (n == QLatin1String("OBJECTPROPERTY")) {
        // The properties scripts test before a drop: IsTrigger, IsProcedure, IsScalarFunction, IsUserTable.
        auto id = intArg(0);
        const QString property = stringArg(arg(1)).trimmed().toLower();
        auto db = currentDatabase();
        if (!id || !db)
            return nullValue(intType());
        QString type;
        for (const auto& [k, t] : db->tables)
            if (t->objectId == *id)
                type = QStringLiteral("U");
        std::shared_ptr<const Module> module;
        for (const auto& [k, m] : db->modules)
            if (m->objectId == *id) {
                type = QString::fromLatin1(m->typeCode());
                module = m;
            }
        if (type.isEmpty() || type == QLatin1String("U")) {
            // Constraints and the tables that hold them.
            const std::optional<int> answer = constraintProperty(*db, int(*id), property);
            if (answer)
                return intValue(*answer);
        }
        if (type.isEmpty())
            return nullValue(intType());
        // The Exec* properties of a trigger: NULL for any other object.
        if (property.startsWith(QLatin1String("execis")) && property.contains(QLatin1String("trigger"))) {
            if (!module || module->kind != ModuleKind::Trigger)
                return nullValue(intType());
            if (property == QLatin1String("execistriggerdisabled"))
                return intValue(module->disabled);
            if (property == QLatin1String("execisinserttrigger"))
                return intValue(module->onInsert);
            if (property == QLatin1String("execisupdatetrigger"))
                return intValue(module->onUpdate);
            if (property == QLatin1String("execisdeletetrigger"))
                return intValue(module->onDelete);
            if (property == QLatin1String("execisaftertrigger"))
                return intValue(1);
            if (property == QLatin1String("execisinsteadoftrigger"))
                return intValue(0);
            return nullValue(intType());
        }
        if (property == QLatin1String("istrigger"))
            return intValue(type == QLatin1String("TR"));
        if (property == QLatin1String("isprocedure"))
            return intValue(type == QLatin1String("P"));
        if (property == QLatin1String("isscalarfunction"))
            return intValue(type == QLatin1String("FN"));
        if (property == QLatin1String("isusertable"))
            return intValue(type == QLatin1String("U"));
        if (property == QLatin1String("isview"))
            return intValue(0);
        return nullValue(intType());
    }
    if (n == QLatin1String("OBJECT_DEFINITION")) {
        // The text of a trigger, procedure or function exactly as it was sent; NULL for other objects.
        argCount(1, 1);
        auto id = intArg(0);
        auto db = currentDatabase();
        if (id && db) {
            for (const auto& [k, m] : db->modules)
                if (m->objectId == *id)
                    return text(m->definition, -1);
            // Checks and defaults: their condition or value as the server stores it.
            for (const auto& [k, t] : db->tables) {
                for (const Column& c : t->columns)
                    if (c.defaultObjectId == *id && !c.defaultText.isEmpty())
                        return text(storedDefinition(c.defaultText), -1);
                for (const OtherConstraint& o : t->others)
                    if (o.objectId == *id && o.kind == ConstraintKind::Check)
                        return text(storedDefinition(o.text), -1);
            }
        }
        return nullValue(nvarcharType(-1));
    }
    if (n == QLatin1String("INDEXKEY_PROPERTY")) {
        auto objectId = intArg(0), indexId = intArg(1), keyId = intArg(2);
        const Value property = arg(3);
        auto db = currentDatabase();
        std::optional<int> v;
        if (objectId && indexId && keyId && db && !property.isNull())
            v = indexKeyProperty(*db, int(*objectId), int(*indexId), int(*keyId),
                                 toText(property).trimmed().toLower());
        return v ? intValue(*v) : nullValue(intType());
    }
    if (n == QLatin1String("COL_NAME")) {
        // COL_NAME(table_id, column_id): the column's name, NULL when either is unknown.
        auto tableId = intArg(0), columnId = intArg(1);
        auto db = currentDatabase();
        if (tableId && columnId && db)
            for (const auto& [k, t] : db->tables)
                if (t->objectId == *tableId && *columnId >= 1 && *columnId <= int64_t(t->columns.size()))
                    return text(t->columns[size_t(*columnId - 1)].name, 128);
        return nullValue(nvarcharType(128));
    }
    if (n == QLatin1String("COL_LENGTH")) {
        argCount(2, 2);
        auto t = findTable(objectNameParts(stringArg(arg(0))));
        if (!t)
            return nullValue(SqlType{TypeId::SmallInt, 0, 0, 0});
        int c = t->columnIndex(stringArg(arg(1)));
        if (c < 0)
            return nullValue(SqlType{TypeId::SmallInt, 0, 0, 0});
        Value v = intValue(byteLength(t->columns[c].type));
        v.type.id = TypeId::SmallInt;
        return v;
    }
    if (n == QLatin1String("ISNULL")) {
        argCount(2, 2);
        Value a = arg(0);
        if (!a.isNull())
            return a;
        Value b = arg(1);
        if (b.isNull())
            return a;
        return convert(b, a.type, true);
    }
    if (n == QLatin1String("COALESCE")) {
        for (size_t i = 0; i < e.args.size(); ++i) {
            Value v = arg(i);
            if (!v.isNull())
                return v;
        }
        return Value{};
    }
    if (n == QLatin1String("NULLIF")) {
        argCount(2, 2);
        Value a = arg(0), b = arg(1);
        auto c = compare(a, b);
        if (c && *c == 0)
            return nullValue(a.type);
        return a;
    }
    if (n == QLatin1String("IIF")) {
        argCount(3, 3);
        return test(*e.args[0], ctx) == true ? arg(1) : arg(2);
    }
    if (n == QLatin1String("ISNUMERIC")) {
        argCount(1, 1);
        Value v = arg(0);
        if (v.isNull())
            return intValue(0);
        if (isNumeric(v.type.id))
            return intValue(1);
        if (!isCharacter(v.type.id))
            return intValue(0);
        return intValue(numericText(toText(v)) ? 1 : 0);
    }
    if (n == QLatin1String("ISDATE")) {
        Value v = arg(0);
        try {
            convert(v, datetimeType());
            return intValue(v.isNull() ? 0 : 1);
        } catch (const SqlError&) {
            return intValue(0);
        }
    }
    if (n == QLatin1String("SUBSTRING")) {
        argCount(3, 3);
        Value s = arg(0);
        auto start = intArg(1), length = intArg(2);
        if (s.isNull() || !start || !length)
            return textResult(QString(), s).isNull() ? nullValue(s.type) : nullValue(s.type);
        if (*length < 0)
            throw sqlError(537, QStringLiteral("Invalid length parameter passed to the LEFT or SUBSTRING function."));
        QString str = toText(s);
        int64_t from = *start, to = *start + *length;  // [from, to) in 1-based positions
        from = qMax<int64_t>(from, 1);
        to = qMin<int64_t>(to, str.size() + 1);
        QString out = to > from ? str.mid(int(from - 1), int(to - from)) : QString();
        return textResult(out, s);
    }
    if (n == QLatin1String("LEFT") || n == QLatin1String("RIGHT")) {
        argCount(2, 2);
        Value s = arg(0);
        auto len = intArg(1);
        if (s.isNull() || !len)
            return nullValue(s.type);
        if (*len < 0)
            throw sqlError(536, QStringLiteral("Invalid length parameter passed to the %1 function.").arg(n.toLower()));
        QString str = toText(s);
        return textResult(n == QLatin1String("LEFT") ? str.left(int(*len)) : str.right(int(*len)), s);
    }
    if (n == QLatin1String("LEN")) {
        Value s = arg(0);
        if (s.isNull())
            return nullValue(intType());
        QString str = toText(s);
        int len = int(str.size());
        while (len > 0 && str[len - 1] == QLatin1Char(' '))
            --len;
        return intValue(len);
    }
    if (n == QLatin1String("DATALENGTH")) {
        Value s = arg(0);
        if (s.isNull())
            return nullValue(intType());
        if (auto b = std::get_if<QByteArray>(&s.data))
            return intValue(b->size());
        if (auto str = std::get_if<QString>(&s.data))
            return intValue(isUnicode(s.type.id) ? str->size() * 2 : str->toLocal8Bit().size());
        return intValue(byteLength(s.type));
    }
    if (n == QLatin1String("UPPER") || n == QLatin1String("LOWER") || n == QLatin1String("LTRIM") ||
        n == QLatin1String("RTRIM") || n == QLatin1String("TRIM") || n == QLatin1String("REVERSE")) {
        Value s = arg(0);
        if (s.isNull())
            return s;
        QString str = toText(s);
        if (n == QLatin1String("UPPER"))
            str = str.toUpper();
        else if (n == QLatin1String("LOWER"))
            str = str.toLower();
        else if (n == QLatin1String("REVERSE"))
            std::reverse(str.begin(), str.end());
        else {
            int a = 0, b = int(str.size());
            if (n != QLatin1String("RTRIM"))
                while (a < b && str[a] == QLatin1Char(' '))
                    ++a;
            if (n != QLatin1String("LTRIM"))
                while (b > a && str[b - 1] == QLatin1Char(' '))
                    --b;
            str = str.mid(a, b - a);
        }
        return textResult(str, s);
    }
    if (n == QLatin1String("REPLACE")) {
        argCount(3, 3);
        Value s = arg(0), f = arg(1), r = arg(2);
        if (s.isNull() || f.isNull() || r.isNull())
            return nullValue(s.type);
        QString str = toText(s);
        QString find = toText(f);
        if (!find.isEmpty())
            str.replace(find, toText(r), Qt::CaseInsensitive);
        return grownTextResult(str, s);
    }
    if (n == QLatin1String("REPLICATE")) {
        Value s = arg(0);
        auto count = intArg(1);
        if (s.isNull() || !count || *count < 0)
            return nullValue(s.type);
        return grownTextResult(toText(s).repeated(int(qMin<int64_t>(*count, 8000))), s);
    }
    if (n == QLatin1String("SPACE")) {
        auto count = intArg(0);
        if (!count || *count < 0)
            return nullValue(SqlType{TypeId::VarChar, 8000, 0, 0});
        return textResult(QString(int(*count), QLatin1Char(' ')), Value{});
    }
    if (n == QLatin1String("CHARINDEX")) {
        Value f = arg(0), s = arg(1);
        if (f.isNull() || s.isNull())
            return nullValue(intType());
        int64_t start = 1;
        if (e.args.size() > 2)
            start = qMax<int64_t>(1, intArg(2).value_or(1));
        int at = toText(s).indexOf(toText(f), int(start - 1), Qt::CaseInsensitive);
        return intValue(at + 1);
    }
    if (n == QLatin1String("STUFF")) {
        Value s = arg(0), r = arg(3);
        auto start = intArg(1), len = intArg(2);
        if (s.isNull() || !start || !len)
            return nullValue(s.type);
        QString str = toText(s);
        if (*start < 1 || *start > str.size())
            return nullValue(s.type);
        str.replace(int(*start - 1), int(*len), r.isNull() ? QString() : toText(r));
        return grownTextResult(str, s);
    }
    if (n == QLatin1String("CHAR") || n == QLatin1String("NCHAR")) {
        auto code = intArg(0);
        if (!code)
            return nullValue(typeOf(e, Scope{}));
        Value v = stringValue(QString(QChar(char16_t(*code))), n == QLatin1String("NCHAR"));
        return v;
    }
    if (n == QLatin1String("ASCII") || n == QLatin1String("UNICODE")) {
        Value s = arg(0);
        if (s.isNull() || toText(s).isEmpty())
            return nullValue(intType());
        return intValue(toText(s).at(0).unicode());
    }
    if (n == QLatin1String("ABS")) {
        Value v = arg(0);
        if (v.isNull())
            return v;
        auto c = compare(v, intValue(0));
        return c && *c < 0 ? negate(v) : v;
    }
    if (n == QLatin1String("ROUND") || n == QLatin1String("FLOOR") || n == QLatin1String("CEILING")) {
        Value v = arg(0);
        if (v.isNull())
            return v;
        if (isInteger(v.type.id))
            return v;
        double d = std::get<double>(convert(v, SqlType{TypeId::Float, 0, 53, 0}).data);
        int digits = n == QLatin1String("ROUND") ? int(intArg(1).value_or(0)) : 0;
        double scale = std::pow(10.0, digits);
        double r = n == QLatin1String("FLOOR") ? std::floor(d) : n == QLatin1String("CEILING") ? std::ceil(d)
                                                                                                : std::round(d * scale) / scale;
        return convert(floatValue(r), v.type);
    }
    if (n == QLatin1String("YEAR") || n == QLatin1String("MONTH") || n == QLatin1String("DAY")) {
        Value v = arg(0);
        if (v.isNull())
            return nullValue(intType());
        QDate d = std::get<DateTimeValue>(convert(v, datetimeType()).data).date;
        return intValue(n == QLatin1String("YEAR") ? d.year() : n == QLatin1String("MONTH") ? d.month() : d.day());
    }
    if (n == QLatin1String("DATEADD") || n == QLatin1String("DATEDIFF") || n == QLatin1String("DATEPART") ||
        n == QLatin1String("DATENAME") || n == QLatin1String("DATEDIFF_BIG")) {
        // The date part is a keyword, kept by the parser as a marked literal.
        if (e.args.empty() || e.args[0]->name != QLatin1String("DATEPART"))
            throw sqlError(155, QStringLiteral("'%1' is not a recognized %2 option.").arg(QString(), n.toLower()), 15);
        const QString part = std::get<QString>(e.args[0]->value.data);
        const DatePart unit = datePart(part, n);
        const bool partFunction = n == QLatin1String("DATEPART") || n == QLatin1String("DATENAME");
        argCount(partFunction ? 2 : 3, partFunction ? 2 : 3);
        // Only DATEPART and DATENAME know the time zone offset.
        if (unit == DatePart::TzOffset && !partFunction)
            throw sqlError(155, QStringLiteral("'%1' is not a recognized %2 option.").arg(part, n.toLower()), 15);
        // A part the date's type does not hold (a day of a time, an hour of a date) is refused (9810);
        // datetime and smalldatetime hold nothing finer than milliseconds.
        auto checkPart = [&](const Value& v) {
            const TypeId t = v.type.id;
            const bool datePartUnit = unit <= DatePart::Weekday || unit == DatePart::IsoWeek;
            const bool timePartUnit = !datePartUnit && unit != DatePart::TzOffset;
            const bool fine = unit == DatePart::Microsecond || unit == DatePart::Nanosecond;
            const bool tzUnit = unit == DatePart::TzOffset;
            const bool refused = (t == TypeId::Time && (datePartUnit || tzUnit)) ||
                                 (t == TypeId::Date && (timePartUnit || tzUnit)) ||
                                 (n == QLatin1String("DATEADD") && fine &&
                                  (t == TypeId::DateTime || t == TypeId::SmallDateTime || t == TypeId::Date)) ||
                                 (tzUnit && (t == TypeId::DateTime || t == TypeId::SmallDateTime));
            if (refused)
                throw sqlError(9810, QStringLiteral("The datepart %1 is not supported by date function %2 for data type %3.")
                                         .arg(datePartName(unit), n.toLower(), typeName(t)));
        };
        // A number or a text stands for a datetime (0: 1900-01-01); a datetimeoffset counts in its
        // own local time, or at its UTC instant where two dates are compared.
        // datetime counts in its shown milliseconds (.003, .007), not in exact 1/300 s.
        auto dateArg = [&](size_t i, bool utc) -> std::optional<DateTimeValue> {
            Value v = arg(i);
            if (v.isNull())
                return std::nullopt;
            if (!isDateTime(v.type.id))
                v = convert(v, datetimeType());
            if (partFunction)
                checkPart(v);
            if (v.type.id == TypeId::DateTimeOffset) {
                const DateTimeValue& d = std::get<DateTimeValue>(v.data);
                return utc ? d.utc() : d;
            }
            DateTimeValue d = std::get<DateTimeValue>(convert(v, SqlType{TypeId::DateTime2, 0, 0, 7}).data);
            if (v.type.id == TypeId::DateTime)
                d.time = d.time.nearestMillisecond();
            return d;
        };
        if (n == QLatin1String("DATEADD")) {
            const SqlType resultType = typeOf(e, ctx.scope ? *ctx.scope : Scope{});
            auto amount = intArg(1);
            Value dv = arg(2);
            if (!amount || dv.isNull())
                return nullValue(resultType);
            // Worked out in datetime2, then given the type of the date argument. A number or a
            // text becomes a datetime first, as the server converts it (DATEADD(day, 1, 0) is
            // 1900-01-02).
            const SqlType wide{TypeId::DateTime2, 0, 0, 7};
            if (!isDateTime(dv.type.id))
                dv = convert(dv, datetimeType());  // a number or text stands for a datetime (0: 1900-01-01)
            checkPart(dv);
            const int offsetMinutes = dv.type.id == TypeId::DateTimeOffset ? std::get<DateTimeValue>(dv.data).offsetMinutes : 0;
            const DateTimeValue d = std::get<DateTimeValue>(convert(dv, wide).data);
            // A result outside the range of the date's type overflows (datetime: 1753 to 9999).
            const QDate first = resultType.id == TypeId::DateTime        ? QDate(1753, 1, 1)
                                : resultType.id == TypeId::SmallDateTime ? QDate(1900, 1, 1)
                                                                         : QDate(1, 1, 1);
            const QDate last = resultType.id == TypeId::SmallDateTime ? QDate(2079, 6, 6) : QDate(9999, 12, 31);
            const bool calendar = unit == DatePart::Year || unit == DatePart::Quarter || unit == DatePart::Month;
            const bool tooFar = std::llabs(*amount) > (calendar ? 1000000LL : int64_t(INT32_MAX));
            const std::optional<DateTimeValue> moved = tooFar ? std::nullopt : addDatePart(d, unit, *amount);
            if (!moved || moved->date < first || moved->date > last)
                throw sqlError(
                    517,
                    QStringLiteral("Adding a value to a '%1' column caused an overflow.").arg(typeName(resultType.id)));
            if (resultType.id == TypeId::DateTimeOffset)
                return Value{resultType, DateTimeValue {moved->date, moved->time, offsetMinutes}};
            return castValue(Value {wide, *moved}, resultType);
        }
        if (partFunction) {
            auto d = dateArg(1, false);
            if (!d)
                return n == QLatin1String("DATEPART") ? nullValue(intType()) : nullValue(nvarcharType(30));
            const int64_t v = datePartOf(*d, unit);
            if (n == QLatin1String("DATEPART"))
                return intValue(v);
            const Language& language = *session_.dateSettings.language;
            if (unit == DatePart::Month)
                return text(monthName(language, int(v), false), 30);
            if (unit == DatePart::Weekday)
                return text(dayName(language, d->date.dayOfWeek()), 30);
            if (unit == DatePart::TzOffset) {
                const int m = int(std::llabs(v));
                return text(QStringLiteral("%1%2:%3").arg(QChar(v < 0 ? u'-' : u'+')).arg(m / 60, 2, 10, QLatin1Char('0'))
                                .arg(m % 60, 2, 10, QLatin1Char('0')), 30);
            }
            return text(QString::number(v), 30);
        }
        const bool big = n == QLatin1String("DATEDIFF_BIG");
        auto a = dateArg(1, true), b = dateArg(2, true);
        if (!a || !b)
            return big ? nullValue(SqlType{TypeId::BigInt, 0, 0, 0}) : nullValue(intType());
        const __int128 diff = dateDifference(*a, *b, unit);
        const __int128 limit = big ? __int128(INT64_MAX) : __int128(INT32_MAX);
        if (diff > limit || diff < -limit - 1)
            throw sqlError(535, QStringLiteral("The %1 function resulted in an overflow. The number of dateparts "
                                               "separating two date/time instances is too large. Try to use %1 with a "
                                               "less precise datepart.")
                                    .arg(n.toLower()));
        Value r = intValue(int64_t(diff));
        if (big)
            r.type = SqlType{TypeId::BigInt, 0, 0, 0};
        return r;
    }
    if (n == QLatin1String("STR")) {
        Value v = arg(0);
        if (v.isNull())
            return nullValue(SqlType{TypeId::VarChar, 10, 0, 0});
        double d = std::get<double>(convert(v, SqlType{TypeId::Float, 0, 53, 0}).data);
        int len = int(intArg(1).value_or(10));
        int dec = int(intArg(2).value_or(0));
        QString s = QString::number(d, 'f', dec).rightJustified(len, QLatin1Char(' '));
        if (s.size() > len)
            s = QString(len, QLatin1Char('*'));
        return Value{SqlType{TypeId::VarChar, len, 0, 0}, s};
    }
    if (n == QLatin1String("CONCAT")) {
        QString out;
        for (size_t i = 0; i < e.args.size(); ++i) {
            Value v = arg(i);
            if (!v.isNull())
                out += toText(v);
        }
        return text(out, 4000);
    }
    throw sqlError(195, QStringLiteral("'%1' is not a recognized built-in function name.").arg(e.parts.isEmpty() ? n : e.parts.last()), 15, 10);
}

Value Executor::evaluateStandalone(const Expr& e)
{
    EvalContext ctx;
    Scope scope;
    ctx.scope = &scope;
    return eval(e, ctx);
}

}  // namespace standin
