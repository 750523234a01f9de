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
    // Loops could run for as long as their condition holds; the parser has been exercised already.
    if (!parsed || text.contains(QLatin1String("while"), Qt::CaseInsensitive))
        return 0;
    standin::Engine engine;
    engine.createDatabase(QStringLiteral("ORVO"));
    auto session = engine.openSession(QStringLiteral("sa"), QStringLiteral("fuzz"), QStringLiteral("ORVO"));
    engine.execute(*session, QStringLiteral("CREATE TABLE T (a int IDENTITY(1,1) PRIMARY KEY, b nvarchar(10) NULL, "
                                            "c datetime NULL DEFAULT GETDATE()) INSERT INTO T (b) VALUES ('x'), ('y')"));
    standin::BatchResult r = engine.execute(*session, text);
    for (const auto& s : r.statements)
        for (const auto& m : s.messages)
            if (m.severity > 10 && m.text.isEmpty())
                abort();
    return 0;
}
