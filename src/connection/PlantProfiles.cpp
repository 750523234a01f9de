#include "connection/PlantProfiles.h"

#include "connection/ConnectionString.h"
#include "connection/DbError.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QStringDecoder>

namespace {

// The characters of the bytes 0x80-0x9F in Windows-1252. The five bytes the code page
// leaves undefined stand for the C1 control of the same number, so that every byte of a
// file reads back as it was.
const char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += b >= 0x80 && b < 0xA0 ? QChar(windows1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray toWindows1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
            continue;
        }
        char byte = '?';   // not in the code page
        for (int i = 0; i < 32; ++i)
            if (windows1252High[i] == u)
                byte = char(0x80 + i);
        out += byte;
    }
    return out;
}

QString fromUtf16(const QByteArray &bytes, bool bigEndian)
{
    QString out;
    out.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        out += QChar(char16_t(hi << 8 | lo));
    }
    return out;
}

QByteArray toUtf16(const QString &text, bool bigEndian)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar ch : text) {
        const char hi = char(ch.unicode() >> 8), lo = char(ch.unicode() & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

} // namespace

IniText IniText::decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return {fromUtf16(bytes.mid(2), false), Encoding::Utf16LE};
    if (bytes.startsWith("\xFE\xFF"))
        return {fromUtf16(bytes.mid(2), true), Encoding::Utf16BE};
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {QString::fromUtf8(bytes.mid(3)), Encoding::Utf8Bom};
    bool ascii = true;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            ascii = false;
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        const QString text = utf8(bytes);
        if (!utf8.hasError())
            return {text, Encoding::Utf8};
    }
    return {fromWindows1252(bytes), Encoding::Windows1252};
}

QByteArray IniText::encode() const
{
    switch (encoding) {
    case Encoding::Utf16LE:
        return QByteArray("\xFF\xFE") + toUtf16(text, false);
    case Encoding::Utf16BE:
        return QByteArray("\xFE\xFF") + toUtf16(text, true);
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Windows1252:
        break;
    }
    return toWindows1252(text);
}

IniFile::IniFile(const QString &path)
{
    load(path);
}

void IniFile::load(const QString &path)
{
    m_path = path;
    m_sections.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QString text = IniText::decode(f.readAll()).text;
    Section *current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
            continue;
        if (t.startsWith(QLatin1Char('['))) {
            const int close = int(t.indexOf(QLatin1Char(']')));
            const QString name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
            current = nullptr;
            for (Section &s : m_sections)
                if (s.name.compare(name, Qt::CaseInsensitive) == 0)
                    current = &s;
            if (!current) {
                m_sections.append(Section{name, {}});
                current = &m_sections.last();
            }
            continue;
        }
        if (!current)
            continue;
        const int eq = int(t.indexOf(QLatin1Char('=')));
        if (eq < 0)
            continue;
        QString value = t.mid(eq + 1).trimmed();
        // The profile functions drop one pair of enclosing quotes.
        if (value.size() >= 2 && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                                  || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
            value = value.mid(1, value.size() - 2);
        current->entries.append(Entry{t.left(eq).trimmed(), value});
    }
}

QStringList IniFile::sections() const
{
    // Names are written into the buffer one after the other, each ended by a NUL, the list
    // ended by another NUL; what does not fit whole is left out.
    QStringList out;
    int used = 0;
    for (const Section &s : m_sections) {
        const int bytes = int(s.name.toLocal8Bit().size()) + 1;
        if (used + bytes > SectionBufferBytes - 1)
            break;
        used += bytes;
        out << s.name;
    }
    return out;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    for (const Section &s : m_sections) {
        if (s.name.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        for (const Entry &e : s.entries)
            if (e.key.compare(key, Qt::CaseInsensitive) == 0)
                return e.value.left(MaxValueChars);
        break;
    }
    return defaultValue.left(MaxValueChars);
}

QString programIniPath(const QString &executablePath)
{
    const QFileInfo fi(executablePath);
    const QString fileName = fi.fileName();
    const int dot = int(fileName.indexOf(QLatin1Char('.')));
    const QString base = dot < 0 ? fileName : fileName.left(dot);
    return QDir(fi.absolutePath()).filePath(base + QStringLiteral(".INI"));
}

PlantProfile PlantProfile::read(const IniFile &ini, const QString &section)
{
    PlantProfile p;
    p.section = section;
    p.server = ini.readString(section, QStringLiteral("Server"));
    p.database = ini.readString(section, QStringLiteral("DataBase"));
    p.name = ini.readString(section, QStringLiteral("Name"));
    p.userSql = ini.readString(section, QStringLiteral("UserSQL"));
    p.passwordSql = ini.readString(section, QStringLiteral("PasswordSQL"));
    p.driver = ini.readString(section, QStringLiteral("Driver"));
    p.encrypt = ini.readString(section, QStringLiteral("Encrypt"));
    p.trustServerCertificate = ini.readString(section, QStringLiteral("TrustServerCertificate"));
    p.caFile = ini.readString(section, QStringLiteral("CAFile"));
    return p;
}

QString PlantProfile::connectionString() const
{
    using ConnectionString::quoteValue;
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + quoteValue(passwordSql)
           + QStringLiteral(";Persist Security Info=True;User ID=") + quoteValue(userSql)
           + QStringLiteral(";Initial Catalog=") + quoteValue(database) + QStringLiteral(";Data Source=")
           + quoteValue(server) + encryptionPieces();
}

QString PlantProfile::encryptionPieces() const
{
    using ConnectionString::quoteValue;
    // The INI's yes/no become the OLE DB spelling; anything else goes as written and is
    // refused, with its value, when the connection opens.
    auto word = [](const QString &v) {
        const QString t = v.trimmed();
        if (t.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("True");
        if (t.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("False");
        if (t.compare(QLatin1String("strict"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("Strict");
        return quoteValue(v);
    };
    QString out;
    if (!encrypt.isEmpty())
        out += QStringLiteral(";Use Encryption for Data=") + word(encrypt);
    if (!trustServerCertificate.isEmpty())
        out += QStringLiteral(";Trust Server Certificate=") + word(trustServerCertificate);
    if (!caFile.isEmpty())
        out += QStringLiteral(";CA File=") + quoteValue(caFile);
    return out;
}

void IniFile::writeString(const QString &path, const QString &section, const QString &key, const QString &value)
{
    IniText file;   // a new file is written in the code page, as the profile functions do
    {
        QFile f(path);
        if (f.exists()) {
            if (!f.open(QIODevice::ReadOnly))
                throw DbError(QStringLiteral("Não foi possível ler o arquivo %1 ..!").arg(path));
            file = IniText::decode(f.readAll());
        }
    }
    // Lines with their own ends, so that every line the write leaves alone keeps its bytes.
    struct Line { QString text, end; };
    QList<Line> lines;
    for (qsizetype from = 0; from < file.text.size();) {
        const qsizetype lf = file.text.indexOf(QLatin1Char('\n'), from);
        const qsizetype stop = lf < 0 ? file.text.size() : lf + 1;
        Line line{file.text.mid(from, stop - from), QString()};
        if (line.text.endsWith(QLatin1Char('\n'))) {
            const int endSize = line.text.endsWith(QStringLiteral("\r\n")) ? 2 : 1;
            line.end = line.text.right(endSize);
            line.text.chop(endSize);
        }
        lines << line;
        from = stop;
    }
    QString newline = QStringLiteral("\r\n");
    for (const Line &l : std::as_const(lines))
        if (!l.end.isEmpty()) {
            newline = l.end;
            break;
        }
    // A line that gets another line after it needs an end of its own.
    auto insertAfter = [&](qsizetype at, const QString &text) {
        if (at >= 0 && lines[at].end.isEmpty())
            lines[at].end = newline;
        lines.insert(at + 1, Line{text, newline});
    };

    qsizetype sectionLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].text.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed().compare(section, Qt::CaseInsensitive) == 0) {
            sectionLine = i;
            break;
        }
    }
    const QString entry = key + QLatin1Char('=') + value;
    if (sectionLine < 0) {
        qsizetype last = lines.size() - 1;
        if (last >= 0 && !lines[last].text.trimmed().isEmpty())
            insertAfter(last++, QString());
        insertAfter(last, QLatin1Char('[') + section + QLatin1Char(']'));
        insertAfter(last + 1, entry);
    } else {
        qsizetype found = -1;
        qsizetype lastEntry = sectionLine;
        for (qsizetype i = sectionLine + 1; i < lines.size(); ++i) {
            const QString t = lines[i].text.trimmed();
            if (t.startsWith(QLatin1Char('[')))
                break;
            if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
                continue;
            lastEntry = i;
            const int eq = int(t.indexOf(QLatin1Char('=')));
            if (eq >= 0 && t.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
                found = i;
                break;
            }
        }
        if (found >= 0)
            lines[found].text = entry;
        else
            insertAfter(lastEntry, entry);
    }
    file.text.clear();
    for (const Line &l : std::as_const(lines))
        file.text += l.text + l.end;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw DbError(QStringLiteral("Não foi possível gravar o arquivo %1 ..!").arg(path));
    f.write(file.encode());
}
