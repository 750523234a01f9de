// Helpers for engine tests: an engine with one database and a session, and short ways to run SQL.
#pragma once

#include "standin/Engine.h"
#include "standin/ValueOps.h"

#include <gtest/gtest.h>

namespace standin::test {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(engine.createDatabase(QStringLiteral("ORVO")));
        session = engine.openSession(QStringLiteral("sa"), QStringLiteral("estacao01"), QStringLiteral("ORVO"));
        ASSERT_TRUE(session);
    }

    BatchResult run(const QString& sql) { return engine.execute(*session, sql); }

    // Runs a batch that must succeed and returns its last statement's result.
    StatementResult ok(const QString& sql)
    {
        BatchResult r = run(sql);
        for (const auto& s : r.statements)
            for (const auto& m : s.messages)
                EXPECT_LE(m.severity, 10) << "unexpected error " << m.number << ": " << m.text.toStdString()
                                          << "\nin: " << sql.toStdString();
        EXPECT_FALSE(r.statements.empty());
        return r.statements.empty() ? StatementResult{} : r.statements.back();
    }

    // Runs a batch that must fail and returns the first error.
    ServerMessage error(const QString& sql)
    {
        BatchResult r = run(sql);
        for (const auto& s : r.statements)
            for (const auto& m : s.messages)
                if (m.severity > 10)
                    return m;
        ADD_FAILURE() << "no error from: " << sql.toStdString();
        return {};
    }

    // The rows of a query as text ("NULL" for null), for compact assertions.
    std::vector<QStringList> rows(const QString& sql)
    {
        StatementResult r = ok(sql);
        std::vector<QStringList> out;
        if (!r.resultSet) {
            ADD_FAILURE() << "no result set from: " << sql.toStdString();
            return out;
        }
        for (const auto& row : r.resultSet->rows) {
            QStringList cells;
            for (const Value& v : row)
                cells << (v.isNull() ? QStringLiteral("NULL") : toText(v));
            out.push_back(cells);
        }
        return out;
    }

    QString scalar(const QString& sql)
    {
        auto r = rows(sql);
        if (r.empty() || r[0].isEmpty()) {
            ADD_FAILURE() << "no value from: " << sql.toStdString();
            return QString();
        }
        return r[0][0];
    }

    Engine engine;
    std::unique_ptr<Session> session;
};

}  // namespace standin::test
