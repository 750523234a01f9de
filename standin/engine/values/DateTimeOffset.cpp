// datetimeoffset: a local date and time with its offset from UTC (-14:00 to +14:00). The value
// holds the local fields at that offset; comparisons and differences use its UTC instant.
#include "ValuesInternal.h"

#include <QRegularExpression>

namespace standin {

using namespace values;

namespace {

constexpr int kMaxOffsetMinutes = 14 * 60;

QString pad2(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

[[noreturn]] void badText()
{
    raise(241, QStringLiteral("Conversion failed when converting date and/or time from character string."));
}

}  // namespace

namespace values {

int offsetMinutesOf(const Value& v)
{
    if (v.type.id != TypeId::DateTimeOffset)
        return 0;
    if (const auto* d = std::get_if<DateTimeValue>(&v.data))
        return d->offsetMinutes;
    return 0;
}

int64_t utcUnits(const Value& v)
{
    QDate date;
    int64_t units = 0;
    dateTimeUnits(v, &date, &units);
    return date.toJulianDay() * kUnitsPerDay + units - int64_t(offsetMinutesOf(v)) * 60 * kUnitsPerSecond;
}

QString offsetText(int minutes)
{
    const int m = std::abs(minutes);
    return (minutes < 0 ? QStringLiteral("-") : QStringLiteral("+")) + pad2(m / 60) + u':' + pad2(m % 60);
}

bool splitOffsetText(const QString& text, QString* rest, int* minutes)
{
    static const QRegularExpression re(QStringLiteral("^(.*?)\\s*(?:([+-])(\\d{1,2}):(\\d{2})|(?<=\\d)(Z))\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text);
    // A text of digits and dashes alone ("2025-06-01") is a date, never a date with an offset.
    if (!m.hasMatch() || m.captured(1).trimmed().isEmpty())
        return false;
    *rest = m.captured(1);
    if (!m.captured(5).isEmpty()) {
        *minutes = 0;
        return true;
    }
    const int h = m.captured(3).toInt(), mi = m.captured(4).toInt();
    if (mi > 59)
        return false;
    *minutes = (m.captured(2) == QLatin1String("-") ? -1 : 1) * (h * 60 + mi);
    return true;
}

QString formatDateTimeOffset(const Value& v, int style)
{
    const DateTimeValue d = std::get<DateTimeValue>(v.data);
    Value local {SqlType {TypeId::DateTime2, 0, 0, v.type.scale}, DateTimeValue {d.date, d.time}};
    const int offset = d.offsetMinutes;
    switch (style) {
    case 126:
        return formatDateTimeValue(local, 126) + offsetText(offset);
    case 127: {
        // ISO 8601 in UTC, marked Z.
        local.data = d.utc();
        return formatDateTimeValue(local, 126) + u'Z';
    }
    case 0:
    case 100:
    case 9:
    case 109:
    case 13:
    case 113:
    case 20:
    case 120:
    case 21:
    case 121:
    case 25:
        return formatDateTimeValue(local, style) + u' ' + offsetText(offset);
    default:
        return formatDateTimeValue(local, style);
    }
}

Value toDateTimeOffset(const Value& v, const SqlType& target, int style)
{
    QDate date;
    int64_t units = 0;
    int offset = 0;
    if (isCharacter(v.type.id)) {
        const QString text = std::get<QString>(v.data).trimmed();
        QString rest = text;
        if (!splitOffsetText(text, &rest, &offset))
            rest = text;
        if (std::abs(offset) > kMaxOffsetMinutes)
            badText();
        bool outOfRange = false;
        if (!parseDateTimeText(rest, TypeId::DateTime2, style, &date, &units, &outOfRange) || outOfRange)
            badText();
    } else {
        // Another date type keeps its local date and time at offset +00:00; a date is its midnight.
        dateTimeUnits(v, &date, &units);
        offset = offsetMinutesOf(v);
        if (v.type.id == TypeId::Time)
            date = baseDate();
    }
    // Rounded to the target's fractional digits, carrying into the next day.
    units = roundToScale(units, target.scale);
    if (units >= kUnitsPerDay) {
        units -= kUnitsPerDay;
        date = date.addDays(1);
    }
    if (!date.isValid() || date > QDate(9999, 12, 31))
        raise(8115, QStringLiteral("Arithmetic overflow error converting expression to data type datetimeoffset."));
    Value out;
    out.type = target;
    out.data = DateTimeValue {date, TimeOfDay {units}, offset};
    return out;
}

}  // namespace values

Value dateTimeOffsetValue(const QDate& date, TimeOfDay time, int offsetMinutes, int scale)
{
    Value v;
    v.type = SqlType {TypeId::DateTimeOffset, 0, 0, scale};
    v.data = DateTimeValue {date, time, offsetMinutes};
    return v;
}

std::optional<int> parseTimeZoneOffset(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*([+-])(\\d{2}):(\\d{2})\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int minutes = m.captured(2).toInt() * 60 + m.captured(3).toInt();
    if (m.captured(3).toInt() > 59 || minutes > kMaxOffsetMinutes)
        return std::nullopt;
    return m.captured(1) == QLatin1String("-") ? -minutes : minutes;
}

Value switchOffset(const Value& v, int offsetMinutes)
{
    if (v.isNull())
        return nullValue(v.type);
    const DateTimeValue& d = std::get<DateTimeValue>(v.data);
    DateTimeValue moved = d.movedMinutes(int64_t(offsetMinutes) - d.offsetMinutes);
    moved.offsetMinutes = offsetMinutes;
    Value out = v;
    out.data = moved;
    return out;
}

}  // namespace standin
