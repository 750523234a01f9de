#pragma once

// A statement that touches several rows against the same rows changed one statement at a
// time: each way runs in a transaction on the test's connection that is rolled back after its
// outcome is read, so both start from the same database. The outcome queries must not depend
// on identity values (the server does not take those back).
#include "AppFixture.h"

#include <QStringList>
#include <QVariant>
#include <ostream>

// Rows in failure messages as text, not bytes.
inline void PrintTo(const QVariant &v, std::ostream *os)
{
    *os << (v.isNull() ? std::string("NULL") : v.toString().toStdString());
}

struct BothWays
{
    QList<QList<QVariantList>> together, oneByOne;
};

inline QList<QList<QVariantList>> outcomeOf(AppFixture &fx, const QStringList &outcome)
{
    QList<QList<QVariantList>> out;
    for (const QString &query : outcome)
        out << fx.rows(query);
    return out;
}

inline BothWays runBothWays(AppFixture &fx, const QString &together, const QStringList &oneByOne,
                            const QStringList &outcome)
{
    BothWays r;
    fx.exec(QStringLiteral("BEGIN TRANSACTION"));
    for (const QString &statement : oneByOne)
        fx.exec(statement);
    r.oneByOne = outcomeOf(fx, outcome);
    fx.exec(QStringLiteral("ROLLBACK TRANSACTION"));
    fx.exec(QStringLiteral("BEGIN TRANSACTION"));
    fx.exec(together);
    r.together = outcomeOf(fx, outcome);
    fx.exec(QStringLiteral("ROLLBACK TRANSACTION"));
    return r;
}
