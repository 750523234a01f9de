// Reader files: Windows-1252 text, one code per line, CR LF / CR / LF line ends.
#include "conference/ReaderFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(ReaderFiles, LinesEndAtCrLfCrOrLfAndAreKeptWhole)
{
    EXPECT_EQ(ReaderFiles::splitLines(QStringLiteral("a\r\nb\rc\nd")), (QStringList {"a", "b", "c", "d"}));
    // A line end at the very end gives no empty line; empty lines inside stay.
    EXPECT_EQ(ReaderFiles::splitLines(QStringLiteral("a\r\n")), QStringList {"a"});
    EXPECT_EQ(ReaderFiles::splitLines(QStringLiteral("a\n\nb\r\r\n")), (QStringList {"a", "", "b", ""}));
    EXPECT_EQ(ReaderFiles::splitLines(QStringLiteral("\r\n")), QStringList {""});
    EXPECT_TRUE(ReaderFiles::splitLines(QString()).isEmpty());
    // LF CR is two line ends.
    EXPECT_EQ(ReaderFiles::splitLines(QStringLiteral("a\n\rb")), (QStringList {"a", "", "b"}));
    // Blanks are part of the line: a trailing blank makes it one character longer.
    const QStringList blanks = ReaderFiles::splitLines(QStringLiteral(" nff-001234-0001-PC1001 \r\n\t"));
    ASSERT_EQ(blanks.size(), 2);
    EXPECT_EQ(blanks[0].size(), 24);
    EXPECT_EQ(blanks[1], QStringLiteral("\t"));
}

TEST(ReaderFiles, BytesAreWindows1252OneCharacterEach)
{
    const QByteArray bytes("\x80\x93\x94\xE7\xBA\x81\x9F\x41", 8);
    const QString text = ReaderFiles::decode(bytes);
    ASSERT_EQ(text.size(), 8);
    EXPECT_EQ(text, QString::fromUtf8("€“”çº\u0081ŸA"));
    // Not UTF-8: the two bytes of a UTF-8 "ç" stay two characters.
    EXPECT_EQ(ReaderFiles::decode(QByteArray("\xC3\xA7")), QString::fromUtf8("Ã§"));
}

TEST(ReaderFiles, AFolderListsItsNormalFilesMatchingTheMaskSortedByName)
{
    QTemporaryDir dir;
    for (const char *name : {"b.txt", "A.TXT", "c.dat", ".oculto.txt", "a0.txt"})
        writeFile(dir.filePath(QString::fromLatin1(name)), "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("pasta.txt")));
    EXPECT_EQ(ReaderFiles::list(dir.path(), QStringLiteral("*.txt")), (QStringList {"A.TXT", "a0.txt", "b.txt"}));
    EXPECT_TRUE(ReaderFiles::list(dir.path(), QStringLiteral("*.xxx")).isEmpty());
}

TEST(ReaderFiles, AFileIsReadAsItsLinesAndAMissingOneIsNamedInTheError)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("leitor.txt"));
    writeFile(path, "999999-001001234-MASTER00000001\r\nnff-001234-0001-PC1001\rCaixa n\xBA 1\n");
    EXPECT_EQ(ReaderFiles::readLines(path), (QStringList {"999999-001001234-MASTER00000001", "nff-001234-0001-PC1001",
                                                          QString::fromUtf8("Caixa nº 1")}));

    const QString missing = dir.filePath(QStringLiteral("sumiu.txt"));
    try {
        ReaderFiles::readLines(missing);
        FAIL() << "a missing file was read";
    } catch (const ReaderFileError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("sumiu.txt"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().endsWith(QStringLiteral(" ..!")));
    }
}
