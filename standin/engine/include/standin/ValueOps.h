// Conversion, comparison and arithmetic of SQL values, with SQL Server's rules:
// data type precedence, implicit and explicit conversion, Latin1_General_CI_AS collation,
// LIKE patterns, and the error numbers and texts SQL Server raises.
// One module implements all of this (standin/engine/values); the executor only calls it.
#pragma once

#include "standin/Engine.h"
#include "standin/Value.h"

#include <QDataStream>
#include <QDateTime>

#include <optional>

namespace standin {

// Thrown by value operations (and used by the executor for its own errors).
struct SqlError {
    ServerMessage message;
};

// --- types -------------------------------------------------------------------------------
// Parses a declared type name with its arguments: "nvarchar(50)", "NVARCHAR (max)", "decimal(18, 2)",
// "float(53)", "datetime", "int". Unknown names give error 2715 ("Column, parameter, or variable #N: Cannot find data type X.").
SqlType parseTypeName(const QString& name, const QString& arguments = QString());
// The same for the ordinal-th column or parameter of a declaration, which the errors name (#N).
SqlType parseTypeName(const QString& name, const QString& arguments, int ordinal);
QString typeName(TypeId id);            // "nvarchar"
QString typeDeclaration(const SqlType&);  // "nvarchar(50)", "decimal(18,2)", "varbinary(max)"
int typePrecedence(TypeId id);          // SQL Server's data type precedence (higher wins)
bool isCharacter(TypeId), isUnicode(TypeId), isNumeric(TypeId), isInteger(TypeId), isDateTime(TypeId), isBinary(TypeId);
// Storage/wire width in bytes for fixed types, in bytes for character and binary types (nvarchar(10) -> 20);
// -1 for (max) and text/image.
int byteLength(const SqlType&);
// As parseTypeName, for the target of CAST/CONVERT: char/varchar/nchar/nvarchar/binary/varbinary
// without a length are 30 long there (1 long in declarations).
SqlType parseCastTypeName(const QString& name, const QString& arguments = QString());

// --- construction ------------------------------------------------------------------------
Value nullValue(const SqlType& type);
Value intValue(int64_t v);                      // int (bigint when out of int range)
Value bitValue(bool v);
Value floatValue(double v);
Value decimalValue(const Decimal& v, int precision);
Value stringValue(const QString& v, bool unicode);  // varchar/nvarchar literal with its length
// literalNumber: 3000000000 gives numeric(10,0) as in SQL Server; $1.5 gives money, 0x1F varbinary.
// An int constant keeps its digit count in type.precision (decimal arithmetic treats 3 as decimal(1,0)).
Value literalNumber(const QString& text);
// A clock reading as a date and time (to the millisecond), and as a datetime value (rounded to 1/300 s)
// for GETDATE and the catalog's create and modify dates.
DateTimeValue clockReading(const QDateTime& local);
Value dateTimeValue(const QDateTime& local);       // 12 -> int, 12.50 -> numeric(4,2), 1e3 -> float, 3000000000 -> bigint/numeric

// --- conversion --------------------------------------------------------------------------
// Converts to `target` as CAST/CONVERT or an implicit conversion would. Throws SqlError for
// 245/8114/241/8115/... with SQL Server's texts. Character targets are cut to their length when
// `truncate` is true (CAST) and raise 8152 when `truncate` is false (assignment to a column).
// char/nchar targets are padded with blanks.
Value convert(const Value& v, const SqlType& target, bool truncate = true, int style = 0);
// The result type of a binary operation between two types (precedence, decimal precision rules).
SqlType commonType(const SqlType& a, const SqlType& b);
// Whether a conversion is allowed at all (error 529 "Explicit conversion from data type X to Y is not allowed.").
bool canConvert(TypeId from, TypeId to);
// Whether SQL Server converts without CAST/CONVERT (assignment, comparison, arithmetic).
bool canConvertImplicitly(TypeId from, TypeId to);
// Throws 257 ("Implicit conversion from data type X to Y is not allowed. Use the CONVERT function to run
// this query.") when only an explicit conversion exists, 206 ("Operand type clash: X is incompatible with Y")
// when none does.
void checkImplicitConversion(TypeId from, TypeId to);
// An implicit conversion (assignment to a column or variable): checkImplicitConversion, then convert.
// With truncate = false an over-long text raises 8152.
Value convertImplicit(const Value& v, const SqlType& target, bool truncate = false);
// Text as SQL Server shows a value converted to nvarchar (datetime: "Oct  1 2025 12:00AM" style 0 ...).
QString toText(const Value& v);

// --- comparison --------------------------------------------------------------------------
// Three-valued comparison after implicit conversion to the common type. Returns std::nullopt
// when either side is NULL. Strings compare with Latin1_General_CI_AS: case-insensitive,
// accent-sensitive, trailing blanks ignored.
std::optional<int> compare(const Value& a, const Value& b);
// Total order for ORDER BY, GROUP BY, DISTINCT and index keys: NULL first, then compare().
int compareForSort(const Value& a, const Value& b);
// Hash consistent with compare() == 0 for values of one type after conversion (for hash joins, GROUP BY).
size_t hashValue(const Value& v);
// Collation-aware helpers for identifiers and strings.
int compareText(const QString& a, const QString& b);  // CI_AS, trailing blanks ignored
QString collationKey(const QString& s);               // equal keys <=> compareText == 0
// LIKE with %, _, [abc], [a-z], [^a] and an optional ESCAPE character; CI_AS.
// Trailing blanks of the pattern count; trailing blanks of the text are ignored (non-Unicode matching).
bool like(const QString& text, const QString& pattern, QChar escape = QChar());
// unicode = true when either side is nchar/nvarchar/ntext: then trailing blanks of the text count too.
bool like(const QString& text, const QString& pattern, QChar escape, bool unicode);
// LIKE on values: NULL when either side is NULL; non-character values are converted to text first.
std::optional<bool> likeValues(const Value& text, const Value& pattern, QChar escape = QChar());

// --- cultures (FORMAT, PARSE) -------------------------------------------------------------
// The number and date conventions of a culture: pt-BR, en-US, en-GB, pt-PT, de-DE, fr-FR.
struct Culture;
struct Language;
// By name ("pt-BR", "en-us", "de_DE", neutral "de"), case-insensitive; nullptr for a culture the server
// does not know (and for "", or a name with blanks around it).
const Culture* findCulture(const QString& name);
const Culture& cultureOfLanguage(const Language& language);  // us_english: en-US; Brazilian: pt-BR ...
// FORMAT(value, format, culture) for a number or a date; std::nullopt where .NET would refuse the
// format (FORMAT then returns NULL).
std::optional<QString> formatValue(const Value& v, const QString& format, const Culture& culture);
// PARSE(text AS type USING culture) for numeric and date/time targets; std::nullopt when the text
// does not parse.
std::optional<Value> parseWithCulture(const QString& text, const SqlType& target, const Culture& culture);

// --- datetimeoffset ----------------------------------------------------------------------
Value dateTimeOffsetValue(const QDate& date, TimeOfDay time, int offsetMinutes, int scale = 7);
// "+05:30" / "-03:00" within -14:00 .. +14:00, in minutes; std::nullopt for any other text.
std::optional<int> parseTimeZoneOffset(const QString& text);
// The same instant at another offset (SWITCHOFFSET).
Value switchOffset(const Value& v, int offsetMinutes);

// --- arithmetic and operators ------------------------------------------------------------
enum class BinaryOp { Add, Subtract, Multiply, Divide, Modulo, BitAnd, BitOr, BitXor };
// + on strings concatenates; datetime +/- number adds days; integer overflow raises 8115;
// division by zero raises 8134.
Value binary(BinaryOp op, const Value& a, const Value& b);
// The type binary(op, a, b) returns for operands of these types (decimal precision/scale rules,
// string concatenation lengths); throws the same type errors binary() would (8117, 206, 402).
SqlType binaryResultType(BinaryOp op, const SqlType& a, const SqlType& b);
Value negate(const Value& v);

// --- truth -------------------------------------------------------------------------------
// A bit or number used as a condition is not allowed in T-SQL; this is for CASE/IIF results only.
bool isTrue(const Value& v);

// --- languages and date order -------------------------------------------------------------
// A language of the server: its names, the order in which it reads an ambiguous date text, the
// first day of its week and the names of its months and days.
struct Language {
    int id;  // @@LANGID
    const char* name;  // @@LANGUAGE (UTF-8)
    const char* alias;
    const char* dateFormat;  // "mdy", "dmy", ...
    int dateFirst;  // @@DATEFIRST: 1 Monday ... 7 Sunday
    const char* months;  // comma-separated, January first (UTF-8)
    const char* shortMonths;
    const char* days;  // comma-separated, Monday first (UTF-8)
};
// By official name or alias, case-insensitive; nullptr when the server has no such language.
const Language* findLanguage(const QString& nameOrAlias);
const Language& defaultLanguage();  // us_english
QString languageName(const Language& l);
QString monthName(const Language& l, int month, bool shortName);  // month 1..12
QString dayName(const Language& l, int isoWeekday);  // 1 Monday ... 7 Sunday

// The settings of a session that decide how a date text is read and a date is named: its language,
// SET DATEFORMAT and SET DATEFIRST (SET LANGUAGE resets both to the language's own).
struct DateSettings {
    const Language* language = &defaultLanguage();
    QString order = QStringLiteral("mdy");
    int dateFirst = 7;
    void setLanguage(const Language& l);
};
// The settings the running batch installed on this thread; us_english's when none is installed.
const DateSettings& currentDateSettings();
// Installs a session's settings on this thread for the life of the object (batches run on one thread).
class DateSettingsScope {
public:
    explicit DateSettingsScope(const DateSettings* settings);
    ~DateSettingsScope();
    DateSettingsScope(const DateSettingsScope&) = delete;
    DateSettingsScope& operator=(const DateSettingsScope&) = delete;

private:
    const DateSettings* previous_;
};

// --- serialization (persistence) ---------------------------------------------------------
void writeValue(QDataStream& out, const Value& v);
Value readValue(QDataStream& in);  // throws SqlError on damaged input
void writeType(QDataStream& out, const SqlType& t);
SqlType readType(QDataStream& in);

}  // namespace standin
