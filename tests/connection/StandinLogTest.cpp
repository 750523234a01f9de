#include "StandinServer.h"

#include <gtest/gtest.h>

TEST(StandinLog, BatchesComeBackWithTheirOwnLineEnds)
{
    const QString log = QStringLiteral(
        "=== 2026-12-09T06:00:00.000Z login 'orvo' database 'ORVO' host 'h' spid 51\n"
        "SELECT Usuarios.*\r\nFROM        Usuarios\r\nORDER BY Nome\n"
        "-- statement 1: ok, 4 row(s) returned\n"
        "=== 2026-12-09T06:00:00.100Z login 'orvo' database 'ORVO' host 'h' spid 51\n"
        "SELECT 1;\r\n"
        "-- statement 1: ok, 1 row(s) returned\n"
        "=== 2026-12-09T06:00:00.200Z login 'orvo' database 'ORVO' host 'h' spid 52\n"
        "UPDATE x SET a = 1\nSELECT * FROM y\n"
        "-- statement 1: ok, 1 row(s) affected\n"
        "-- statement 2: failed\n"
        "-- error 208, level 16, state 1, line 2: Invalid object name 'y'.\n"
        "=== 2026-12-09T06:00:00.300Z login 'orvo' database 'ORVO' host 'h' spid 52\n"
        "\n-- no statement\n");
    const QStringList b = parseStandinLog(log);
    ASSERT_EQ(b.size(), 4);
    EXPECT_EQ(b[0], QStringLiteral("SELECT Usuarios.*\r\nFROM        Usuarios\r\nORDER BY Nome"));
    EXPECT_EQ(b[1], QStringLiteral("SELECT 1;\r\n"));
    EXPECT_EQ(b[2], QStringLiteral("UPDATE x SET a = 1\nSELECT * FROM y"));
    EXPECT_EQ(b[3], QString());
}
