// The function catalog: the built-in functions by name with the arguments each takes. A call names
// a built-in (bare name) or a user function (with its schema, found among the database's modules).
#pragma once

#include <QString>

namespace standin {

struct BuiltinFunction {
    const char* name;
    int minArgs;
    int maxArgs;
    bool aggregate;
};

// The built-in of that name (upper case), or nullptr.
const BuiltinFunction* findBuiltin(const QString& upperName);

// ROW_NUMBER, RANK, DENSE_RANK, NTILE, LAG, LEAD, FIRST_VALUE, LAST_VALUE: functions that exist only
// with an OVER clause.
bool isWindowOnlyFunction(const QString& upperName);

}  // namespace standin
