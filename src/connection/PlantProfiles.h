#pragma once

#include <QString>
#include <QStringList>

// The text of an INI file and the encoding it was read in: UTF-16 (little or big endian)
// or UTF-8 after their byte-order marks, UTF-8 without a mark when the bytes are valid
// UTF-8 and not all ASCII, Windows-1252 otherwise. Decoding and encoding again gives back
// every byte (the code page's undefined bytes read as the C1 controls of the same number).
struct IniText
{
    enum class Encoding { Windows1252, Utf8, Utf8Bom, Utf16LE, Utf16BE };
    QString text;
    Encoding encoding = Encoding::Windows1252;

    static IniText decode(const QByteArray &bytes);
    QByteArray encode() const;   // with the byte-order mark the encoding has
};

// Reads a Windows INI file the way the profile functions of that platform do: section and
// key names match without regard to case, sections are listed in file order, a value is
// read up to 2047 characters, and the list of section names is cut where it would no
// longer fit a buffer of 16 384 bytes. A missing file reads as a file without sections.
class IniFile
{
public:
    static constexpr int MaxValueChars = 2047;
    static constexpr int SectionBufferBytes = 16384;

    IniFile() = default;
    explicit IniFile(const QString &path);

    void load(const QString &path);
    QString path() const { return m_path; }

    QStringList sections() const;

    // Writes one key the way WritePrivateProfileString does: the file is changed at once,
    // the key replaced in place or added at the end of its section, the section added at
    // the end of the file. The file keeps its encoding and line ends, and every line
    // but the written one keeps its bytes; a new file is written in Windows-1252 with CR LF.
    // Throws DbError when the file cannot be written.
    static void writeString(const QString &path, const QString &section, const QString &key, const QString &value);
    // The value of a key (first occurrence), or defaultValue when the section or key is missing.
    QString readString(const QString &section, const QString &key, const QString &defaultValue = QString()) const;

private:
    struct Entry { QString key; QString value; };
    struct Section { QString name; QList<Entry> entries; };
    QString m_path;
    QList<Section> m_sections;
};

// The program INI file: the executable's folder, then its file name up to its first '.',
// then ".INI" ("/opt/orvo/orvo-senhas" -> "/opt/orvo/orvo-senhas.INI",
// "/a/Senhas.adm.exe" -> "/a/Senhas.INI").
QString programIniPath(const QString &executablePath);

// One plant: a section of the program INI file.
struct PlantProfile
{
    QString section;
    QString server;       // Server
    QString database;     // DataBase
    QString name;         // Name (kept, not used)
    QString userSql;      // UserSQL
    QString passwordSql;  // PasswordSQL
    QString driver;       // Driver: ODBC driver name, empty for FreeTDS
    QString encrypt;      // Encrypt: no | yes | strict; empty: encrypt when the server offers it
    QString trustServerCertificate;   // TrustServerCertificate: no | yes
    QString caFile;       // CAFile: certificate authorities to trust (PEM)

    static PlantProfile read(const IniFile &ini, const QString &section);

    // "Provider=SQLOLEDB.1;Password=...;Persist Security Info=True;User ID=...;
    // Initial Catalog=...;Data Source=...". A value holding ';' (or a leading quote, or
    // blanks at an end) is enclosed in quotes so that it reaches the driver whole.
    // A profile with encryption keys adds ";Use Encryption for Data=...",
    // ";Trust Server Certificate=..." and ";CA File=..." for them; without them the text is
    // exactly the one above.
    QString connectionString() const;

private:
    QString encryptionPieces() const;
};
