#include "connection/PlantProfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}
} // namespace

TEST(IniFile, SectionsInFileOrderNamesWithoutRegardToCase)
{
    QTemporaryDir dir;
    const QString path = write(dir, QStringLiteral("a.INI"),
                               "; plantas\r\n[Matriz]\r\nServer=srv1\r\nDATABASE=ORVO\r\n\r\n[Filial]\r\nserver = srv2 \r\n"
                               "[Zeta]\r\n[alfa]\r\nServer=x\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.sections(), (QStringList{QStringLiteral("Matriz"), QStringLiteral("Filial"), QStringLiteral("Zeta"), QStringLiteral("alfa")}));
    EXPECT_EQ(ini.readString(QStringLiteral("MATRIZ"), QStringLiteral("server")), QStringLiteral("srv1"));
    EXPECT_EQ(ini.readString(QStringLiteral("matriz"), QStringLiteral("DataBase")), QStringLiteral("ORVO"));
    EXPECT_EQ(ini.readString(QStringLiteral("Filial"), QStringLiteral("Server")), QStringLiteral("srv2"));
    EXPECT_EQ(ini.readString(QStringLiteral("Filial"), QStringLiteral("UserSQL")), QString());
    EXPECT_EQ(ini.readString(QStringLiteral("Nenhuma"), QStringLiteral("Server"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST(IniFile, MissingFileHasNoSections)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("nao-existe.INI")));
    EXPECT_TRUE(ini.sections().isEmpty());
    const PlantProfile p = PlantProfile::read(ini, QStringLiteral("DEFAULT"));
    EXPECT_TRUE(p.server.isEmpty() && p.database.isEmpty() && p.userSql.isEmpty() && p.passwordSql.isEmpty());
}

TEST(IniFile, ValuesAreReadUpTo2047Characters)
{
    QTemporaryDir dir;
    const QByteArray longValue(3000, 'k');
    const QString path = write(dir, QStringLiteral("b.INI"), "[P]\nPasswordSQL=" + longValue + "\nServer=s\n");
    const PlantProfile p = PlantProfile::read(IniFile(path), QStringLiteral("P"));
    EXPECT_EQ(p.passwordSql.size(), 2047);
    EXPECT_EQ(p.server, QStringLiteral("s"));
}

TEST(IniFile, SectionListStopsAtTheBufferOf16384Bytes)
{
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 2000; ++i)
        text += "[Planta" + QByteArray::number(i).rightJustified(4, '0') + "]\nServer=s\n";   // 11 bytes each with its NUL
    IniFile ini(write(dir, QStringLiteral("c.INI"), text));
    const QStringList s = ini.sections();
    // 1489 names of 11 bytes fill 16 379 bytes; one more would not leave room for the final NUL.
    ASSERT_EQ(s.size(), 1489);
    EXPECT_EQ(s.first(), QStringLiteral("Planta0000"));
    EXPECT_EQ(s.last(), QStringLiteral("Planta1488"));
    // A section beyond the list can still be read by name.
    EXPECT_EQ(ini.readString(QStringLiteral("Planta1999"), QStringLiteral("Server")), QStringLiteral("s"));
}

TEST(IniFile, ProgramIniPathIsBesideTheExecutable)
{
    EXPECT_EQ(programIniPath(QStringLiteral("/apps/Senhas.exe")), QStringLiteral("/apps/Senhas.INI"));
    EXPECT_EQ(programIniPath(QStringLiteral("/apps/Senhas.adm.exe")), QStringLiteral("/apps/Senhas.INI"));
    EXPECT_EQ(programIniPath(QStringLiteral("/opt/orvo/orvo-senhas")), QStringLiteral("/opt/orvo/orvo-senhas.INI"));
}

TEST(IniFile, WriteStringReplacesInPlaceAndAddsWhatIsMissing)
{
    QTemporaryDir dir;
    const QString path = write(dir, QStringLiteral("ORVO.INI"), "[Outra]\r\nServer=o\r\n[QUORVEL]\r\nserver=velho\r\n");
    IniFile::writeString(path, QStringLiteral("Quorvel"), QStringLiteral("Server"), QStringLiteral("novo"));
    IniFile::writeString(path, QStringLiteral("Quorvel"), QStringLiteral("DataBase"), QStringLiteral("ORVO"));
    IniFile::writeString(path, QStringLiteral("Terceira"), QStringLiteral("Name"), QStringLiteral("n"));
    IniFile ini(path);
    EXPECT_EQ(ini.sections(), (QStringList{QStringLiteral("Outra"), QStringLiteral("QUORVEL"), QStringLiteral("Terceira")}));
    EXPECT_EQ(ini.readString(QStringLiteral("quorvel"), QStringLiteral("server")), QStringLiteral("novo"));
    EXPECT_EQ(ini.readString(QStringLiteral("quorvel"), QStringLiteral("DataBase")), QStringLiteral("ORVO"));
    EXPECT_EQ(ini.readString(QStringLiteral("Outra"), QStringLiteral("Server")), QStringLiteral("o"));
    EXPECT_EQ(ini.readString(QStringLiteral("Terceira"), QStringLiteral("Name")), QStringLiteral("n"));
}
