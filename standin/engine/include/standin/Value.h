// Values and types of the stand-in engine, shared with the TDS layer.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QUuid>

#include <cstdint>
#include <variant>

namespace standin {

// SQL Server data types the engine stores and the protocol sends.
enum class TypeId : uint8_t {
    Bit,
    TinyInt,
    SmallInt,
    Int,
    BigInt,
    Real,
    Float,
    SmallMoney,
    Money,
    Decimal,
    Numeric,
    Char,
    VarChar,
    Text,
    NChar,
    NVarChar,
    NText,
    Binary,
    VarBinary,
    Image,
    Date,
    Time,
    SmallDateTime,
    DateTime,
    DateTime2,
    UniqueIdentifier,
    SqlVariant,
    DateTimeOffset,
};

// A declared type: nvarchar(50), decimal(18,2), varbinary(max) ...
struct SqlType {
    TypeId id = TypeId::Int;
    int length = 0;     // char/binary types: declared length in characters (bytes for binary); -1 means (max)
    int precision = 0;  // decimal/numeric precision; float mantissa bits (24 or 53)
    int scale = 0;      // decimal/numeric scale; time/datetime2/datetimeoffset fractional second digits

    bool operator==(const SqlType&) const = default;
};

// Exact numeric with up to 38 digits: value = unscaled / 10^scale.
struct Decimal {
    __int128 unscaled = 0;
    int scale = 0;

    bool operator==(const Decimal&) const = default;
};

// A time of day to 100 nanoseconds, the precision of time(7) and datetime2(7).
struct TimeOfDay {
    static constexpr int64_t kUnitsPerMillisecond = 10000;
    static constexpr int64_t kUnitsPerDay = 864000000000LL;

    int64_t units = 0;  // 100-nanosecond units since midnight, 0 .. kUnitsPerDay - 1

    static TimeOfDay fromMilliseconds(int64_t ms) { return TimeOfDay {ms * kUnitsPerMillisecond}; }
    int64_t milliseconds() const { return units / kUnitsPerMillisecond; }  // whole milliseconds
    int hour() const { return int(units / 36000000000LL); }
    int minute() const { return int(units / 600000000LL % 60); }
    int second() const { return int(units / 10000000LL % 60); }
    int fraction() const { return int(units % 10000000LL); }  // 100 ns units within the second
    // To the nearest whole millisecond (how a datetime's 1/300 s are shown: .003, .007).
    TimeOfDay nearestMillisecond() const
    {
        const int64_t ms = (units + kUnitsPerMillisecond / 2) / kUnitsPerMillisecond;
        return TimeOfDay {ms * kUnitsPerMillisecond < kUnitsPerDay ? ms * kUnitsPerMillisecond : kUnitsPerDay - 1};
    }
    bool operator==(const TimeOfDay&) const = default;
};

// A date and its time of day: smalldatetime, datetime, datetime2 and datetimeoffset. A datetimeoffset
// holds its local date and time and their offset from UTC in minutes; the other types have offset 0.
struct DateTimeValue {
    QDate date;
    TimeOfDay time;
    int offsetMinutes = 0;

    // The same offset, the date and time moved by whole minutes.
    DateTimeValue movedMinutes(int64_t minutes) const
    {
        int64_t u = time.units + minutes * 600000000LL;
        int64_t days = u / TimeOfDay::kUnitsPerDay;
        u %= TimeOfDay::kUnitsPerDay;
        if (u < 0) {
            u += TimeOfDay::kUnitsPerDay;
            --days;
        }
        return DateTimeValue {date.addDays(days), TimeOfDay {u}, offsetMinutes};
    }
    // The UTC date and time of a local date and time at its offset (offset 0).
    DateTimeValue utc() const
    {
        DateTimeValue u = movedMinutes(-offsetMinutes);
        u.offsetMinutes = 0;
        return u;
    }
    bool operator==(const DateTimeValue&) const = default;
};

// One SQL value. `type` is the value's own SQL type (what sql_variant carries and what
// the protocol describes for a computed column). A null value still has a type.
struct Value {
    using Data = std::variant<std::monostate,  // NULL
                              bool,            // bit
                              int64_t,         // tinyint, smallint, int, bigint
                              double,          // real, float
                              Decimal,         // decimal, numeric, money (scale 4), smallmoney (scale 4)
                              QString,         // char, varchar, text, nchar, nvarchar, ntext
                              QByteArray,      // binary, varbinary, image
                              QDate,           // date
                              TimeOfDay,       // time
                              DateTimeValue,   // smalldatetime, datetime, datetime2, datetimeoffset
                              QUuid>;          // uniqueidentifier
    SqlType type;
    Data data;

    bool isNull() const { return std::holds_alternative<std::monostate>(data); }
};

}  // namespace standin
