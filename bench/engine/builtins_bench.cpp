// Prints what the culture-aware built-ins cost per row: FORMAT beside CONVERT of the same values,
// and datetimeoffset work beside the same on datetime2, over one 100 000-row table in one run.
#include "standin/Engine.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

using namespace standin;

namespace {

void must(Engine &engine, Session &s, const QString &sql)
{
    BatchResult r = engine.execute(s, sql);
    for (const auto &st : r.statements)
        for (const auto &m : st.messages)
            if (m.severity > 10) {
                std::fprintf(stderr, "error %d: %s\n", m.number, qPrintable(m.text));
                std::exit(1);
            }
}

double millis(Engine &engine, Session &s, const QString &sql)
{
    QElapsedTimer t;
    t.start();
    must(engine, s, sql);
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main()
{
    Engine engine;
    engine.createDatabase(QStringLiteral("ORVO"));
    auto s = engine.openSession(QStringLiteral("sa"), QStringLiteral("bench"), QStringLiteral("ORVO"));
    const int rows = 100000;
    must(engine, *s,
         "CREATE TABLE Valores (Id int NOT NULL PRIMARY KEY, Valor decimal(18,2) NOT NULL, "
         "Quando datetime2(3) NOT NULL, QuandoFuso datetimeoffset(3) NOT NULL)");
    for (int start = 0; start < rows; start += 1000) {
        QStringList values;
        for (int i = start; i < start + 1000; ++i)
            values << QStringLiteral("(%1, %2.%3, DATEADD(minute, %1, '20250101'), "
                                     "TODATETIMEOFFSET(DATEADD(minute, %1, CAST('20250101' AS datetime2(3))), %4))")
                          .arg(i)
                          .arg(i * 7)
                          .arg(i % 100, 2, 10, QLatin1Char('0'))
                          .arg((i % 25 - 12) * 60);
        must(engine, *s, QStringLiteral("INSERT INTO Valores VALUES ") + values.join(QLatin1Char(',')));
    }
    const double convertMs = millis(engine, *s, "SELECT MAX(CONVERT(varchar(30), Valor)) FROM Valores");
    const double formatMs = millis(engine, *s, "SELECT MAX(FORMAT(Valor, 'N2', 'pt-BR')) FROM Valores");
    std::printf("FORMAT(decimal, 'N2', 'pt-BR') over %d rows: %.0f ms (CONVERT to varchar: %.0f ms, ratio %.1fx)\n",
                rows, formatMs, convertMs, formatMs / convertMs);
    const double dateConvertMs = millis(engine, *s, "SELECT MAX(CONVERT(varchar(30), Quando, 103)) FROM Valores");
    const double dateFormatMs = millis(engine, *s, "SELECT MAX(FORMAT(Quando, 'dd/MM/yyyy HH:mm')) FROM Valores");
    std::printf(
        "FORMAT(datetime2, 'dd/MM/yyyy HH:mm') over %d rows: %.0f ms (CONVERT style 103: %.0f ms, ratio %.1fx)\n", rows,
        dateFormatMs, dateConvertMs, dateFormatMs / dateConvertMs);
    const double plainOrder = millis(engine, *s, "SELECT TOP 10 Id FROM Valores ORDER BY Quando DESC");
    const double offsetOrder = millis(engine, *s, "SELECT TOP 10 Id FROM Valores ORDER BY QuandoFuso DESC");
    std::printf("ORDER BY datetimeoffset (UTC instant) over %d rows: %.0f ms (datetime2: %.0f ms, ratio %.1fx)\n", rows,
                offsetOrder, plainOrder, offsetOrder / plainOrder);
    return 0;
}
