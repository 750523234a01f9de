// Helpers shared by the value-operation tests.
#pragma once

#include "standin/ValueOps.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace standin {

// The server message of the SQL error that `f` raises; a test failure when it raises none.
template <class F>
ServerMessage errorOf(F&& f)
{
    try {
        f();
    } catch (const SqlError& e) {
        return e.message;
    }
    ADD_FAILURE() << "expected an SQL error";
    return {};
}

inline SqlType T(const char* decl) { return parseTypeName(QString::fromLatin1(decl)); }
inline Value vc(const QString& s) { return stringValue(s, false); }
inline Value nvc(const QString& s) { return stringValue(s, true); }

}  // namespace standin
