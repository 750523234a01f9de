// SQL Server's error numbers and message texts raised by the engine itself.
#pragma once

#include "standin/ValueOps.h"

namespace standin {

inline SqlError sqlError(int number, const QString& text, int severity = 16, int state = 1)
{
    SqlError e;
    e.message.number = number;
    e.message.severity = severity;
    e.message.state = state;
    e.message.text = text;
    return e;
}

inline SqlError syntaxError(const QString& near)
{
    return sqlError(102, QStringLiteral("Incorrect syntax near '%1'.").arg(near), 15);
}

inline SqlError invalidColumn(const QString& name)
{
    return sqlError(207, QStringLiteral("Invalid column name '%1'.").arg(name));
}

inline SqlError invalidObject(const QString& name)
{
    if (name.startsWith(QLatin1Char('@')))
        return sqlError(1087, QStringLiteral("Must declare the table variable \"%1\".").arg(name), 15, 2);
    return sqlError(208, QStringLiteral("Invalid object name '%1'.").arg(name));
}

inline SqlError objectExists(const QString& name)
{
    return sqlError(2714, QStringLiteral("There is already an object named '%1' in the database.").arg(name));
}

// A CASE (or IIF/CHOOSE) whose results are all the NULL constant.
inline SqlError nullOnlyCase()
{
    return sqlError(8133, QStringLiteral("At least one of the result expressions in a CASE specification must be an "
                                         "expression other than the NULL constant."));
}

inline SqlError unboundIdentifier(const QString& name)
{
    return sqlError(4104, QStringLiteral("The multi-part identifier \"%1\" could not be bound.").arg(name));
}

inline SqlError undeclaredVariable(const QString& name)
{
    return sqlError(137, QStringLiteral("Must declare the scalar variable \"%1\".").arg(name), 15, 2);
}

// Converts a value for storing in a column or variable under the implicit conversion rules (257 for a
// datetime into an int, a varchar into a varbinary ...); NULL of any type fits every type.
inline Value assign(const Value& v, const SqlType& type, bool truncate = false)
{
    return v.isNull() ? nullValue(type) : convertImplicit(v, type, truncate);
}

// An explicit conversion (CAST/CONVERT, ALTER COLUMN); NULL of any type fits every type.
inline Value castValue(const Value& v, const SqlType& type, bool truncate = true, int style = 0)
{
    return v.isNull() ? nullValue(type) : convert(v, type, truncate, style);
}

}  // namespace standin
