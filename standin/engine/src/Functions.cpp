#include "Functions.h"

#include <QHash>

namespace standin {

namespace {

constexpr int kMany = 254;

const BuiltinFunction kBuiltins[] = {
    // aggregates
    {"COUNT", 1, 1, true}, {"COUNT_BIG", 1, 1, true}, {"SUM", 1, 1, true}, {"AVG", 1, 1, true},
    {"MIN", 1, 1, true}, {"MAX", 1, 1, true},
    // dates and times
    {"GETDATE", 0, 0, false}, {"GETUTCDATE", 0, 0, false}, {"SYSDATETIME", 0, 0, false},
    {"CURRENT_TIMESTAMP", 0, 0, false}, {"DATEADD", 3, 3, false}, {"DATEDIFF", 3, 3, false},
    {"DATEPART", 2, 2, false}, {"DATENAME", 2, 2, false}, {"YEAR", 1, 1, false}, {"MONTH", 1, 1, false},
    {"DAY", 1, 1, false}, {"ISDATE", 1, 1, false},
    // text
    {"SUBSTRING", 3, 3, false}, {"LEFT", 2, 2, false}, {"RIGHT", 2, 2, false}, {"LEN", 1, 1, false},
    {"DATALENGTH", 1, 1, false}, {"UPPER", 1, 1, false}, {"LOWER", 1, 1, false}, {"LTRIM", 1, 2, false},
    {"RTRIM", 1, 2, false}, {"TRIM", 1, 2, false}, {"REVERSE", 1, 1, false}, {"REPLACE", 3, 3, false},
    {"REPLICATE", 2, 2, false}, {"SPACE", 1, 1, false}, {"CHARINDEX", 2, 3, false}, {"STUFF", 4, 4, false},
    {"CHAR", 1, 1, false}, {"NCHAR", 1, 1, false}, {"ASCII", 1, 1, false}, {"UNICODE", 1, 1, false},
    {"STR", 1, 3, false}, {"FORMAT", 2, 3, false}, {"CONCAT", 2, kMany, false},
    // numbers and logic
    {"ABS", 1, 1, false}, {"ROUND", 2, 3, false}, {"FLOOR", 1, 1, false}, {"CEILING", 1, 1, false},
    {"ISNUMERIC", 1, 1, false}, {"ISNULL", 2, 2, false}, {"COALESCE", 2, kMany, false}, {"NULLIF", 2, 2, false},
    {"IIF", 3, 3, false}, {"NEWID", 0, 0, false},
    // newer scalar built-ins (Builtins.cpp)
    {"POWER", 2, 2, false}, {"DATEDIFF_BIG", 3, 3, false}, {"EOMONTH", 1, 2, false}, {"DATEFROMPARTS", 3, 3, false},
    {"DATETIMEFROMPARTS", 7, 7, false}, {"DATETIME2FROMPARTS", 8, 8, false}, {"TIMEFROMPARTS", 5, 5, false},
    {"SMALLDATETIMEFROMPARTS", 5, 5, false}, {"DATETIMEOFFSETFROMPARTS", 10, 10, false}, {"CHOOSE", 2, kMany, false},
    {"CONCAT_WS", 3, kMany, false}, {"SWITCHOFFSET", 2, 2, false}, {"TODATETIMEOFFSET", 2, 2, false},
    {"SYSDATETIMEOFFSET", 0, 0, false}, {"SYSUTCDATETIME", 0, 0, false}, {"PARSE", 1, 2, false},
    {"TRY_PARSE", 1, 2, false},
    // the connection and the catalog
    {"SYSTEM_USER", 0, 0, false}, {"SUSER_SNAME", 0, 1, false}, {"SUSER_NAME", 0, 1, false},
    {"ORIGINAL_LOGIN", 0, 0, false}, {"CURRENT_USER", 0, 0, false}, {"SESSION_USER", 0, 0, false},
    {"USER", 0, 0, false}, {"USER_NAME", 0, 1, false}, {"HOST_NAME", 0, 0, false}, {"APP_NAME", 0, 0, false},
    {"DB_NAME", 0, 1, false}, {"DB_ID", 0, 1, false}, {"SCOPE_IDENTITY", 0, 0, false},
    {"IDENT_CURRENT", 1, 1, false}, {"SERVERPROPERTY", 1, 1, false}, {"OBJECT_ID", 1, 2, false},
    {"OBJECT_NAME", 1, 2, false}, {"OBJECT_DEFINITION", 1, 1, false}, {"OBJECTPROPERTY", 2, 2, false}, {"COL_LENGTH", 2, 2, false},
    {"COL_NAME", 2, 2, false}, {"INDEXKEY_PROPERTY", 4, 4, false},
    // triggers
    {"UPDATE", 1, 1, false},
    // errors and transactions
    {"ERROR_NUMBER", 0, 0, false}, {"ERROR_MESSAGE", 0, 0, false}, {"ERROR_SEVERITY", 0, 0, false},
    {"ERROR_STATE", 0, 0, false}, {"ERROR_LINE", 0, 0, false}, {"ERROR_PROCEDURE", 0, 0, false},
    {"XACT_STATE", 0, 0, false},
    // ordered aggregates
    {"STRING_AGG", 2, 2, true},
};

}  // namespace

const BuiltinFunction* findBuiltin(const QString& upperName)
{
    static const QHash<QString, const BuiltinFunction*> byName = [] {
        QHash<QString, const BuiltinFunction*> h;
        for (const BuiltinFunction& f : kBuiltins)
            h.insert(QString::fromLatin1(f.name), &f);
        return h;
    }();
    return byName.value(upperName, nullptr);
}

}  // namespace standin
