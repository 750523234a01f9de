// Private helpers shared by the value operation sources: errors, exact decimal arithmetic,
// date/time arithmetic on SQL Server's day and tick counts.
#pragma once

#include "standin/ValueOps.h"

#include <QString>

#include <cstdint>

namespace standin::values {

using i128 = __int128;
using u128 = unsigned __int128;

// Raises a SQL Server error (severity 16 unless told).
[[noreturn]] void raise(int number, const QString& text, int state = 1, int severity = 16);

// ---- type families ---------------------------------------------------------------------
bool isIntegerLike(TypeId id);   // bit, tinyint, smallint, int, bigint
bool isMoney(TypeId id);         // money, smallmoney
bool isDecimalType(TypeId id);   // decimal, numeric
bool isFloatType(TypeId id);     // real, float
bool isFixedChar(TypeId id);     // char, nchar
bool isLob(TypeId id);           // text, ntext, image
int64_t integerMin(TypeId id);
int64_t integerMax(TypeId id);
// The decimal(p,s) an exact numeric type stands for in the precision rules (int is decimal(10,0),
// an int constant decimal(digits,0), money decimal(19,4)).
void decimalShape(const SqlType& t, int* p, int* s);

// ---- exact decimals ----------------------------------------------------------------------
constexpr int kMaxPrecision = 38;
i128 pow10i(int n);                          // 0 <= n <= 38
int digitCount(i128 v);                      // digits of |v|, 1 for 0
QString int128ToString(i128 v);
QString decimalToString(const Decimal& d);   // "-12.50", "0.5"
// Changes the scale, rounding half away from zero when digits are dropped. Returns false on overflow.
bool rescale(const Decimal& d, int scale, Decimal* out);
bool fitsPrecision(const Decimal& d, int precision);
int compareDecimal(const Decimal& a, const Decimal& b);
double decimalToDouble(const Decimal& d);
// Rounds a double to `scale` digits; false when it does not fit 38 digits.
bool doubleToDecimal(double v, int scale, Decimal* out);
// Exact a*b with result scale `scale` (rounded) and a/b with result scale `scale` (truncated).
bool multiplyDecimal(const Decimal& a, const Decimal& b, int scale, Decimal* out);
bool divideDecimal(const Decimal& a, const Decimal& b, int scale, Decimal* out);
// Parses "[blanks][+|-]digits[.digits][blanks]"; false when the text is not such a number
// (out of range texts parse but return overflow = true).
bool parseDecimalText(const QString& text, Decimal* out, bool* overflow);

// ---- dates -------------------------------------------------------------------------------
// SQL Server's datetime counts days from 1900-01-01 and 1/300 s ticks within the day.
constexpr int64_t kTicksPerDay = 25920000;  // 300 * 86400
QDate baseDate();  // 1900-01-01
int64_t daysFromBase(const QDate& d);
QDate dateFromBase(int64_t days);
// The time and date types count their time of day in 100-nanosecond units.
constexpr int64_t kUnitsPerMs = TimeOfDay::kUnitsPerMillisecond;
constexpr int64_t kUnitsPerSecond = 10000000;
constexpr int64_t kUnitsPerDay = TimeOfDay::kUnitsPerDay;
int64_t unitsToTicks(int64_t units);  // to the nearest 1/300 s (units >= 0)
int64_t ticksToUnits(int64_t ticks);  // 1/300 s in 100 ns units, rounded: 1 -> 33333, 2 -> 66667
// A time of day in 100 ns units rounded to datetime's 1/300 s; returns a carry of one day when needed.
int64_t roundToDateTimeUnits(int64_t units, int* dayCarry);
// Rounds a time of day in 100 ns units to `scale` fractional digits of a second (0 to 7).
int64_t roundToScale(int64_t units, int scale);
// The date and the time of day (100 ns units) of a date/time value (time values lie on 1900-01-01).
bool dateTimeUnits(const Value& v, QDate* date, int64_t* unitsOfDay);

// ---- datetimeoffset ------------------------------------------------------------------------
int offsetMinutesOf(const Value& v);     // 0 for the other date types
int64_t utcUnits(const Value& v);        // the instant in 100 ns units, for comparison and hashing
QString offsetText(int minutes);         // "+05:30", "-03:00"
// Splits "2025-06-01 10:00 -03:00" (or "...Z") into the date text and the offset in minutes.
bool splitOffsetText(const QString& text, QString* rest, int* minutes);
QString formatDateTimeOffset(const Value& v, int style);
Value toDateTimeOffset(const Value& v, const SqlType& target, int style);

// ---- texts -------------------------------------------------------------------------------
QString formatFloat(double v, bool isReal, int style);
QString formatDateTimeValue(const Value& v, int style);
// Parses a date/time text as SQL Server does for `target` (datetime, smalldatetime, date, time, datetime2).
// Returns false when the text is not a date; *outOfRange is set when it is one but not a valid one.
// The time of day comes in 100 ns units, with every fractional digit the text gives (up to seven).
bool parseDateTimeText(const QString& text, TypeId target, int style, QDate* date, int64_t* unitsOfDay,
                       bool* outOfRange);
// Characters a varchar of code page 1252 can hold; others become their base letter or '?'.
QString toCodePage1252(const QString& s);
QByteArray encode1252(const QString& s);
QString decode1252(const QByteArray& b);

// Collation element of one UTF-16 unit under Latin1_General_CI_AS.
struct CollationElement {
    uint32_t primary = 0;    // base letter, case folded
    uint32_t secondary = 0;  // accents
    bool isMark = false;     // a combining mark joins the previous element's accents
};
const CollationElement& collationElement(QChar c);
bool sameCollationChar(QChar a, QChar b);
size_t collationHash(const QString& s);  // equal for texts that compareText finds equal
int compareCollationChar(QChar a, QChar b);

}  // namespace standin::values
