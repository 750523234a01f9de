// Date and time: day/tick arithmetic, SQL Server's text formats (CONVERT styles) and date parsing.
#include "ValuesInternal.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <array>
#include <cmath>

namespace standin::values {

namespace {

// A month named in the session's language, in full or abbreviated (at least three letters of the
// full name, or the language's short name).
int monthFromName(const QString& name)
{
    const Language& l = *currentDateSettings().language;
    const QString n = name.toLower();
    for (int i = 1; i <= 12; ++i) {
        const QString full = monthName(l, i, false).toLower();
        if (n == full || n == monthName(l, i, true).toLower() || (n.size() >= 3 && full.startsWith(n)))
            return i;
    }
    return 0;
}

int expandYear(const QString& y)
{
    const int v = y.toInt();
    if (y.size() > 2) return v;
    return v < 50 ? 2000 + v : 1900 + v;  // two-digit year cutoff 2049
}

// The order of day, month and year a date text is read in: a CONVERT style that names one, else the
// session's SET DATEFORMAT (or its language's).
QString dateOrder(int style)
{
    switch (style) {
    case 1:
    case 101:
    case 10:
    case 110:
    case 22:
        return QStringLiteral("mdy");
    case 3:
    case 103:
    case 4:
    case 104:
    case 5:
    case 105:
    case 13:
    case 113:
        return QStringLiteral("dmy");
    case 2:
    case 102:
    case 11:
    case 111:
    case 20:
    case 120:
    case 21:
    case 121:
    case 23:
    case 126:
    case 127:
        return QStringLiteral("ymd");
    default:
        return currentDateSettings().order;
    }
}

// Three numbers separated by '-', '/' or '.'. A four-digit number is the year; the other two are
// month and day in the order the date order gives them. A text that starts with its year is read
// year-month-day by date and datetime2, and by datetime and smalldatetime in the order of month and
// day of the date order ('2025-06-01' is 6 January under dmy). Without a four-digit number each
// place of the date order takes one number, the year in two digits.
bool numericDate(const std::array<QString, 3>& parts, TypeId target, const QString& order, int* year, int* month,
                 int* day)
{
    const bool legacy = target == TypeId::DateTime || target == TypeId::SmallDateTime;
    const bool dayBeforeMonth = order.indexOf(u'd') < order.indexOf(u'm');
    int yearAt = -1;
    for (int i = 0; i < 3; ++i) {
        if (parts[i].size() == 3)
            return false;
        if (parts[i].size() == 4) {
            if (yearAt >= 0)
                return false;
            yearAt = i;
        }
    }
    std::array<int, 3> at {};  // where year, month and day stand
    if (yearAt >= 0) {
        const int first = yearAt == 0 ? 1 : 0, second = yearAt == 2 ? 1 : 2;
        const bool dayFirst = (yearAt == 0 && !legacy) ? false : dayBeforeMonth;
        at = {yearAt, dayFirst ? second : first, dayFirst ? first : second};
    } else {
        at = {int(order.indexOf(u'y')), int(order.indexOf(u'm')), int(order.indexOf(u'd'))};
    }
    if (parts[at[1]].size() > 2 || parts[at[2]].size() > 2)
        return false;
    *year = expandYear(parts[at[0]]);
    *month = parts[at[1]].toInt();
    *day = parts[at[2]].toInt();
    return true;
}

QString pad(int v, int width, QChar fill = u'0') { return QStringLiteral("%1").arg(v, width, 10, fill); }

}  // namespace

QDate baseDate() { return QDate(1900, 1, 1); }

int64_t daysFromBase(const QDate& d) { return d.toJulianDay() - baseDate().toJulianDay(); }

QDate dateFromBase(int64_t days) { return QDate::fromJulianDay(baseDate().toJulianDay() + days); }

int64_t unitsToTicks(int64_t units) { return (units * 3 + 50000) / 100000; }

int64_t ticksToUnits(int64_t ticks) { return (ticks * 100000 + 1) / 3; }

int64_t roundToDateTimeUnits(int64_t units, int* dayCarry)
{
    int64_t ticks = unitsToTicks(units);
    *dayCarry = 0;
    if (ticks >= kTicksPerDay) {
        ticks -= kTicksPerDay;
        *dayCarry = 1;
    }
    return ticksToUnits(ticks);
}

int64_t roundToScale(int64_t units, int scale)
{
    if (scale >= 7)
        return units;
    int64_t unit = 1;
    for (int i = scale; i < 7; ++i)
        unit *= 10;
    return (units + unit / 2) / unit * unit;
}

bool dateTimeUnits(const Value& v, QDate* date, int64_t* unitsOfDay)
{
    if (const auto* dt = std::get_if<DateTimeValue>(&v.data)) {
        *date = dt->date;
        *unitsOfDay = dt->time.units;
        return true;
    }
    if (const auto* d = std::get_if<QDate>(&v.data)) {
        *date = *d;
        *unitsOfDay = 0;
        return true;
    }
    if (const auto* t = std::get_if<TimeOfDay>(&v.data)) {
        *date = baseDate();
        *unitsOfDay = t->units;
        return true;
    }
    return false;
}

QString formatDateTimeValue(const Value& v, int style)
{
    QDate date;
    int64_t units = 0;
    if (!dateTimeUnits(v, &date, &units)) return QString();
    const TypeId id = v.type.id;
    // datetime's 1/300 s show as the nearest millisecond (.003, .007); the others show their digits.
    const int64_t ms = (id == TypeId::DateTime ? TimeOfDay {units}.nearestMillisecond() : TimeOfDay {units}).milliseconds();
    const int hour = int(ms / 3600000), minute = int(ms / 60000 % 60), second = int(ms / 1000 % 60);
    const int milli = int(ms % 1000);
    const int seventh = int(units % kUnitsPerSecond);  // the second's fraction in 100 ns units
    const int y = date.year(), mo = date.month(), d = date.day();
    const QString mon = monthName(*currentDateSettings().language, mo, true);
    auto frac = [&](int digits) -> QString {
        if (digits <= 0) return QString();
        const QString f = id == TypeId::DateTime ? pad(milli, 3) + QStringLiteral("0000") : pad(seventh, 7);
        return u'.' + f.left(digits);
    };
    const QString hms = pad(hour, 2) + u':' + pad(minute, 2) + u':' + pad(second, 2);
    const QString ymd = pad(y, 4) + u'-' + pad(mo, 2) + u'-' + pad(d, 2);
    const int h12 = hour % 12 == 0 ? 12 : hour % 12;
    const QString ampm = hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    const QString yy = pad(y % 100, 2);
    const QString yyyy = pad(y, 4);
    const int fracDigits = (id == TypeId::Time || id == TypeId::DateTime2) ? v.type.scale
                           : (id == TypeId::SmallDateTime ? 0 : 3);

    if (style == 0 || style == 100) {
        // CAST without a style: date, time and datetime2 use their ISO forms.
        if (id == TypeId::Date) return ymd;
        if (id == TypeId::Time) return hms + frac(fracDigits);
        if (id == TypeId::DateTime2) return ymd + u' ' + hms + frac(fracDigits);
        return mon + u' ' + pad(d, 2, u' ') + u' ' + yyyy + u' ' + pad(h12, 2, u' ') + u':' + pad(minute, 2) + ampm;
    }
    switch (style) {
    case 1: return pad(mo, 2) + u'/' + pad(d, 2) + u'/' + yy;
    case 101: return pad(mo, 2) + u'/' + pad(d, 2) + u'/' + yyyy;
    case 2: return yy + u'.' + pad(mo, 2) + u'.' + pad(d, 2);
    case 102: return yyyy + u'.' + pad(mo, 2) + u'.' + pad(d, 2);
    case 3: return pad(d, 2) + u'/' + pad(mo, 2) + u'/' + yy;
    case 103: return pad(d, 2) + u'/' + pad(mo, 2) + u'/' + yyyy;
    case 4: return pad(d, 2) + u'.' + pad(mo, 2) + u'.' + yy;
    case 104: return pad(d, 2) + u'.' + pad(mo, 2) + u'.' + yyyy;
    case 5: return pad(d, 2) + u'-' + pad(mo, 2) + u'-' + yy;
    case 105: return pad(d, 2) + u'-' + pad(mo, 2) + u'-' + yyyy;
    case 6: return pad(d, 2) + u' ' + mon + u' ' + yy;
    case 106: return pad(d, 2) + u' ' + mon + u' ' + yyyy;
    case 7: return mon + u' ' + pad(d, 2) + QStringLiteral(", ") + yy;
    case 107: return mon + u' ' + pad(d, 2) + QStringLiteral(", ") + yyyy;
    case 8: case 108: case 24: return hms;
    case 9: case 109:
        return mon + u' ' + pad(d, 2, u' ') + u' ' + yyyy + u' ' + pad(h12, 2, u' ') + u':' + pad(minute, 2) + u':'
               + pad(second, 2) + u':' + pad(milli, 3) + ampm;
    case 10: return pad(mo, 2) + u'-' + pad(d, 2) + u'-' + yy;
    case 110: return pad(mo, 2) + u'-' + pad(d, 2) + u'-' + yyyy;
    case 11: return yy + u'/' + pad(mo, 2) + u'/' + pad(d, 2);
    case 111: return yyyy + u'/' + pad(mo, 2) + u'/' + pad(d, 2);
    case 12: return yy + pad(mo, 2) + pad(d, 2);
    case 112: return yyyy + pad(mo, 2) + pad(d, 2);
    case 13: case 113:
        return pad(d, 2) + u' ' + mon + u' ' + yyyy + u' ' + hms + u':' + pad(milli, 3);
    case 14: case 114: return hms + u':' + pad(milli, 3);
    case 20: case 120: return ymd + u' ' + hms;
    case 21: case 121: case 25: return ymd + u' ' + hms + frac(std::max(fracDigits, 3));
    case 22:
        return pad(mo, 2) + u'/' + pad(d, 2) + u'/' + yy + u' ' + pad(h12, 2, u' ') + u':' + pad(minute, 2) + u':'
               + pad(second, 2) + u' ' + ampm;
    case 23: return ymd;
    case 126: case 127: {
        QString s = ymd + u'T' + hms;
        if (id == TypeId::DateTime2 || id == TypeId::Time) s += frac(fracDigits);
        else if (milli != 0) s += frac(3);
        return s;
    }
    default:
        return formatDateTimeValue(v, 0);
    }
}

bool parseDateTimeText(const QString& textIn, TypeId target, int style, QDate* date, int64_t* unitsOfDay,
                       bool* outOfRange)
{
    *outOfRange = false;
    const QString text = textIn.trimmed();
    int year = 1900, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    int64_t fraction = 0;  // 100 ns units
    const int maxFractionDigits = (target == TypeId::DateTime || target == TypeId::SmallDateTime) ? 3 : 7;

    auto readFraction = [&](const QString& f, bool colon) -> bool {
        if (f.isEmpty()) return true;
        if (colon) {  // hh:mi:ss:mmm counts milliseconds
            if (f.size() > 3) return false;
            fraction = f.toInt() * kUnitsPerMs;
            return true;
        }
        if (f.size() > maxFractionDigits) return false;
        fraction = (f + QString(7 - f.size(), u'0')).toLongLong();
        return true;
    };

    QString datePart = text;
    static const QRegularExpression isoRe(QStringLiteral(
        "^(\\d{4})-(\\d{1,2})-(\\d{1,2})T(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2})(?:\\.(\\d*))?)?Z?$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression timeRe(QStringLiteral(
        "^(.*?)\\s*(\\d{1,2})\\s*:\\s*(\\d{1,2})(?:\\s*:\\s*(\\d{1,2})(?:([.:])(\\d*))?)?\\s*([AP]M)?$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression hourAmPmRe(QStringLiteral("^(.*?)\\s*(\\d{1,2})\\s*([AP]M)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString ampm;
    if (const auto m = isoRe.match(text); m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
        hour = m.captured(4).toInt();
        minute = m.captured(5).toInt();
        second = m.captured(6).toInt();
        if (!readFraction(m.captured(7), false)) return false;
        datePart.clear();
        goto validate;
    }
    if (const auto m = timeRe.match(text); m.hasMatch()) {
        datePart = m.captured(1);
        hour = m.captured(2).toInt();
        minute = m.captured(3).toInt();
        second = m.captured(4).toInt();
        if (!readFraction(m.captured(6), m.captured(5) == QLatin1String(":"))) return false;
        ampm = m.captured(7).toUpper();
    } else if (const auto h = hourAmPmRe.match(text); h.hasMatch()) {
        datePart = h.captured(1);
        hour = h.captured(2).toInt();
        ampm = h.captured(3).toUpper();
    }
    if (!ampm.isEmpty()) {
        if (hour > 12) return false;
        if (ampm == QLatin1String("PM") && hour < 12) hour += 12;
        if (ampm == QLatin1String("AM") && hour == 12) hour = 0;
    }
    datePart = datePart.trimmed();
    if (!datePart.isEmpty()) {
        static const QRegularExpression numericRe(QStringLiteral("^(\\d{1,4})([-/.])(\\d{1,4})\\2(\\d{1,4})$"));
        static const QRegularExpression compactRe(QStringLiteral("^(\\d{6}|\\d{8})$"));
        static const QRegularExpression yearRe(QStringLiteral("^(\\d{4})$"));
        static const QRegularExpression monFirstRe(
            QStringLiteral("^(\\p{L}+)\\.?\\s*(\\d{1,2})\\s*,?\\s*(\\d{4}|\\d{2})$"));
        static const QRegularExpression dayFirstRe(
            QStringLiteral("^(\\d{1,2})\\s*(\\p{L}+)\\.?\\s*,?\\s*(\\d{4}|\\d{2})$"));
        static const QRegularExpression yearFirstRe(QStringLiteral("^(\\d{4})\\s*(\\p{L}+)\\.?\\s*(\\d{1,2})$"));
        static const QRegularExpression monYearRe(QStringLiteral("^(\\p{L}+)\\.?\\s*,?\\s*(\\d{4})$"));
        if (const auto m = numericRe.match(datePart); m.hasMatch()) {
            if (!numericDate({m.captured(1), m.captured(3), m.captured(4)}, target, dateOrder(style), &year, &month,
                             &day))
                return false;
        } else if (const auto m = compactRe.match(datePart); m.hasMatch()) {
            const QString s = m.captured(1);
            if (s.size() == 8) {
                year = s.left(4).toInt();
                month = s.mid(4, 2).toInt();
                day = s.mid(6, 2).toInt();
            } else {
                year = expandYear(s.left(2));
                month = s.mid(2, 2).toInt();
                day = s.mid(4, 2).toInt();
            }
        } else if (const auto m = yearRe.match(datePart); m.hasMatch()) {
            year = m.captured(1).toInt();
        } else if (const auto m = monFirstRe.match(datePart); m.hasMatch()) {
            month = monthFromName(m.captured(1));
            day = m.captured(2).toInt();
            year = expandYear(m.captured(3));
            if (!month) return false;
        } else if (const auto m = dayFirstRe.match(datePart); m.hasMatch()) {
            day = m.captured(1).toInt();
            month = monthFromName(m.captured(2));
            year = expandYear(m.captured(3));
            if (!month) return false;
        } else if (const auto m = yearFirstRe.match(datePart); m.hasMatch()) {
            year = m.captured(1).toInt();
            month = monthFromName(m.captured(2));
            day = m.captured(3).toInt();
            if (!month) return false;
        } else if (const auto m = monYearRe.match(datePart); m.hasMatch()) {
            month = monthFromName(m.captured(1));
            year = m.captured(2).toInt();
            if (!month) return false;
        } else {
            return false;
        }
    }

validate:
    if (hour > 23 || minute > 59 || second > 59) return false;
    if (month < 1 || month > 12 || day < 1 || !QDate::isValid(year, month, day)) {
        *outOfRange = true;
        return true;
    }
    *date = QDate(year, month, day);
    *unitsOfDay = ((hour * 60 + minute) * 60 + second) * kUnitsPerSecond + fraction;
    if (target == TypeId::DateTime && (year < 1753 || year > 9999)) *outOfRange = true;
    if (target == TypeId::SmallDateTime && (*date < QDate(1900, 1, 1) || *date > QDate(2079, 6, 6)))
        *outOfRange = true;
    if (year < 1 || year > 9999) *outOfRange = true;
    return true;
}

}  // namespace standin::values

namespace standin {

DateTimeValue clockReading(const QDateTime& local)
{
    return DateTimeValue {local.date(), TimeOfDay::fromMilliseconds(local.time().msecsSinceStartOfDay())};
}

Value dateTimeValue(const QDateTime& local)
{
    return convert(Value {SqlType {TypeId::DateTime2, 0, 0, 7}, clockReading(local)}, SqlType {TypeId::DateTime, 0, 0, 0});
}

}  // namespace standin
