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

TEST(IniFile, WriteKeepsAWindows1252FileAndEveryLineItDoesNotChange)
{
    QTemporaryDir dir;
    // Accents, the euro sign, an undefined byte of the code page, a comment, a blank line.
    const QByteArray before = "[Empresa]\r\nCidade=S\xE3o Paulo\r\nRaz\xE3o=Ind\xFAstria \x80 \x81\r\n; coment\xE1rio\r\n\r\n"
                              "[QUORVEL]\r\nserver=velho\r\nName=Jo\xE3o\r\n[Fim]\r\nX=\xE7";
    const QString path = write(dir, QStringLiteral("ORVO.INI"), before);
    IniFile::writeString(path, QStringLiteral("Quorvel"), QStringLiteral("Server"), QStringLiteral("S\u00C3O-01"));
    IniFile::writeString(path, QStringLiteral("Quorvel"), QStringLiteral("DataBase"), QStringLiteral("ORVO"));
    IniFile::writeString(path, QStringLiteral("Quorvel"), QStringLiteral("Name"), QStringLiteral("Jos\u00E9 \u20AC"));
    IniFile::writeString(path, QStringLiteral("Novo"), QStringLiteral("Name"), QStringLiteral("\u00E7"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[Empresa]\r\nCidade=S\xE3o Paulo\r\nRaz\xE3o=Ind\xFAstria \x80 \x81\r\n; coment\xE1rio\r\n\r\n"
                                      "[QUORVEL]\r\nServer=S\xC3O-01\r\nName=Jos\xE9 \x80\r\nDataBase=ORVO\r\n[Fim]\r\nX=\xE7\r\n"
                                      "\r\n[Novo]\r\nName=\xE7\r\n"));
    const IniFile ini(path);
    EXPECT_EQ(ini.readString(QStringLiteral("Empresa"), QStringLiteral("Cidade")), QStringLiteral("S\u00E3o Paulo"));
    EXPECT_EQ(ini.readString(QStringLiteral("Empresa"), QStringLiteral("Raz\u00E3o")), QStringLiteral("Ind\u00FAstria \u20AC \u0081"));
}

TEST(IniFile, WriteKeepsUtf8WithOrWithoutItsMarkAndTheFilesLineEnds)
{
    QTemporaryDir dir;
    for (const QByteArray &mark : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        const QString path = write(dir, QStringLiteral("u.INI"), mark + "[Quorvel]\nServer=a\n[Outra]\nCidade=Bras\xC3\xADlia\n");
        IniFile::writeString(path, QStringLiteral("Quorvel"), QStringLiteral("Name"), QStringLiteral("Jos\u00E9"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), mark + "[Quorvel]\nServer=a\nName=Jos\xC3\xA9\n[Outra]\nCidade=Bras\xC3\xADlia\n");
    }
    // A new file is written in the code page.
    const QString fresh = dir.filePath(QStringLiteral("novo.INI"));
    IniFile::writeString(fresh, QStringLiteral("Quorvel"), QStringLiteral("Name"), QStringLiteral("Jos\u00E9"));
    QFile f(fresh);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[Quorvel]\r\nName=Jos\xE9\r\n"));
}

TEST(IniFile, Utf16FilesWithTheirMarkAreReadAndWrittenBack)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("[Matriz]\r\nServer=srv1\r\n[S\u00E3o Jos\u00E9]\r\nServer=srv2\r\nPasswordSQL=se\u00F1a\r\n");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (const QChar c : text) {
        le += char(c.unicode() & 0xFF);
        le += char(c.unicode() >> 8);
        be += char(c.unicode() >> 8);
        be += char(c.unicode() & 0xFF);
    }
    for (const QByteArray &bytes : {le, be}) {
        const QString path = write(dir, QStringLiteral("w.INI"), bytes);
        IniFile ini(path);
        EXPECT_EQ(ini.sections(), (QStringList{QStringLiteral("Matriz"), QStringLiteral("S\u00E3o Jos\u00E9")}));
        const PlantProfile p = PlantProfile::read(ini, QStringLiteral("s\u00E3o jos\u00E9"));
        EXPECT_EQ(p.server, QStringLiteral("srv2"));
        EXPECT_EQ(p.passwordSql, QStringLiteral("se\u00F1a"));

        IniFile::writeString(path, QStringLiteral("Matriz"), QStringLiteral("Server"), QStringLiteral("n\u00F3"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const IniText back = IniText::decode(f.readAll());
        EXPECT_EQ(back.encoding, bytes == le ? IniText::Encoding::Utf16LE : IniText::Encoding::Utf16BE);
        EXPECT_EQ(back.text, QString(text).replace(QStringLiteral("Server=srv1"), QStringLiteral("Server=n\u00F3")));
    }
}
