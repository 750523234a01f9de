#pragma once

// A statement over several rows against the same rows changed one statement at a time. Each run
// starts from the same database (it runs inside a transaction that is rolled back afterwards) and
// the tables are compared as the reads give them after it.
#include "ObjectsServerFixture.h"

struct MultiRowCase
{
    const char *name;
    QStringList together; // statements over several rows
    QStringList apart; // the same rows, one statement each
    QStringList reads; // the tables compared; no value the runs number themselves (identities)
};

class MultiRowObjectsTest : public ObjectsServerTest
{
protected:
    QList<QList<QVariantList>> tables(const QStringList &reads)
    {
        QList<QList<QVariantList>> out;
        for (const QString &r : reads)
            out << rows(r);
        return out;
    }
    // The tables after the statements; the database is left as it was.
    QList<QList<QVariantList>> afterwards(const QStringList &statements, const QStringList &reads)
    {
        exec(QStringLiteral("BEGIN TRANSACTION"));
        QList<QList<QVariantList>> out;
        try {
            for (const QString &s : statements)
                exec(s);
            out = tables(reads);
        } catch (...) {
            exec(QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
            throw;
        }
        exec(QStringLiteral("ROLLBACK TRANSACTION"));
        return out;
    }
    void expectSameAsOneAtATime(const MultiRowCase &c)
    {
        SCOPED_TRACE(c.name);
        const QList<QList<QVariantList>> before = tables(c.reads);
        const QList<QList<QVariantList>> together = afterwards(c.together, c.reads);
        EXPECT_NE(together, before) << "the statements changed none of the tables read";
        EXPECT_EQ(together, afterwards(c.apart, c.reads));
        EXPECT_EQ(tables(c.reads), before) << "the runs were not undone";
    }
};
