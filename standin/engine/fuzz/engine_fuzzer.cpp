// Feeds arbitrary text to the parser and, when it parses, runs it on a scratch database.
// Any input must end in a result or an error message, never a crash or a hang.
#include "Parser.h"
#include "standin/Engine.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    bool parsed = false;
    try {
        standin::parseBatch(text);
        parsed = true;
    } catch (const standin::SqlError& e) {
        if (e.message.text.isEmpty() || e.message.number == 0)
            abort();
    }
    if (!parsed)
        return 0;
    // Loops and recursion run on a step budget, so a runaway body ends with an error, never a hang.
    standin::Engine engine;
    engine.setStepBudget(5000);
    engine.setDelayLimit(1);  // WAITFOR never sleeps longer than a millisecond here
    engine.createDatabase(QStringLiteral("ORVO"));
    auto session = engine.openSession(QStringLiteral("sa"), QStringLiteral("fuzz"), QStringLiteral("ORVO"));
    // A scratch database with a table, a trigger that writes another table, a procedure and a function,
    // so that inputs reach the call frames too, and a table with checks and a unique index.
    for (const char* setup : {
             "CREATE TABLE T (a int IDENTITY(1,1) PRIMARY KEY, b nvarchar(10) NULL, c datetime NULL DEFAULT GETDATE()) "
             "CREATE TABLE L (a int NULL, n int NULL) INSERT INTO T (b) VALUES ('x'), ('y')",
             "CREATE TRIGGER TR ON T AFTER INSERT, UPDATE, DELETE AS INSERT INTO L SELECT a, (SELECT COUNT(*) FROM deleted) "
             "FROM inserted",
             "CREATE PROCEDURE P @n int = 1 AS UPDATE T SET b = CAST(@n AS nvarchar(10)) WHERE a = @n RETURN @n",
             "CREATE FUNCTION dbo.F (@n int) RETURNS int AS BEGIN RETURN @n + 1 END",
             "CREATE TABLE K (a int NULL CHECK (a > 0), b varchar(5) NULL, CONSTRAINT CK_K CHECK (a < 100)) "
             "CREATE UNIQUE INDEX IK ON K (b) INSERT INTO K VALUES (1, 'x')"})
        engine.execute(*session, QString::fromLatin1(setup));
    standin::BatchResult r = engine.execute(*session, text);
    for (const auto& s : r.statements)
        for (const auto& m : s.messages)
            if (m.severity > 10 && m.text.isEmpty())
                abort();
    return 0;
}
