#include "connection/PlantProfiles.h"

#include "connection/ConnectionString.h"
#include "connection/DbError.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>

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
    const QByteArray bytes = f.readAll();
    // UTF-8 when the file is valid UTF-8 (or has its mark), Windows-1252 otherwise.
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.mid(3));
    } else {
        text = QString::fromUtf8(bytes);
        if (text.contains(QChar::ReplacementCharacter))
            text = QString::fromLatin1(bytes);
    }
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
    return p;
}

QString PlantProfile::connectionString() const
{
    using ConnectionString::quoteValue;
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + quoteValue(passwordSql)
           + QStringLiteral(";Persist Security Info=True;User ID=") + quoteValue(userSql)
           + QStringLiteral(";Initial Catalog=") + quoteValue(database) + QStringLiteral(";Data Source=")
           + quoteValue(server);
}

void IniFile::writeString(const QString &path, const QString &section, const QString &key, const QString &value)
{
    QStringList lines;
    {
        QFile f(path);
        if (f.exists()) {
            if (!f.open(QIODevice::ReadOnly))
                throw DbError(QStringLiteral("Não foi possível ler o arquivo %1 ..!").arg(path));
            const QString text = QString::fromUtf8(f.readAll());
            lines = text.split(QLatin1Char('\n'));
            for (QString &l : lines)
                if (l.endsWith(QLatin1Char('\r')))
                    l.chop(1);
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
        }
    }
    int sectionLine = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed().compare(section, Qt::CaseInsensitive) == 0) {
            sectionLine = i;
            break;
        }
    }
    const QString entry = key + QLatin1Char('=') + value;
    if (sectionLine < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else {
        int end = sectionLine + 1;
        int found = -1;
        int lastEntry = sectionLine;
        for (; end < lines.size(); ++end) {
            const QString t = lines[end].trimmed();
            if (t.startsWith(QLatin1Char('[')))
                break;
            if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
                continue;
            lastEntry = end;
            const int eq = int(t.indexOf(QLatin1Char('=')));
            if (eq >= 0 && t.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
                found = end;
                break;
            }
        }
        if (found >= 0)
            lines[found] = entry;
        else
            lines.insert(lastEntry + 1, entry);
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw DbError(QStringLiteral("Não foi possível gravar o arquivo %1 ..!").arg(path));
    f.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}
