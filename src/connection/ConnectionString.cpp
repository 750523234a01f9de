#include "connection/ConnectionString.h"

namespace ConnectionString {

Pairs parse(const QString &text)
{
    Pairs out;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        // key up to '=' ("==" stands for a '=' inside a key)
        QString key;
        while (i < n && text[i] != QLatin1Char(';')) {
            if (text[i] == QLatin1Char('=')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('=')) {
                    key += QLatin1Char('=');
                    i += 2;
                    continue;
                }
                break;
            }
            key += text[i++];
        }
        if (i >= n || text[i] == QLatin1Char(';')) {   // a piece without '=': skipped
            ++i;
            continue;
        }
        ++i;   // '='
        while (i < n && text[i] == QLatin1Char(' '))
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const QChar q = text[i++];
            while (i < n) {
                if (text[i] == q) {
                    if (i + 1 < n && text[i + 1] == q) {
                        value += q;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            while (i < n && text[i] != QLatin1Char(';'))   // blanks after the closing quote
                ++i;
        } else {
            while (i < n && text[i] != QLatin1Char(';'))
                value += text[i++];
            value = value.trimmed();
        }
        ++i;   // ';'
        key = key.trimmed();
        if (!key.isEmpty())
            out.append({key, value});
    }
    return out;
}

QString value(const Pairs &pairs, const QString &key)
{
    for (const auto &p : pairs)
        if (p.first.compare(key, Qt::CaseInsensitive) == 0)
            return p.second;
    return QString();
}

QString quoteValue(const QString &value)
{
    const bool needs = value.contains(QLatin1Char(';')) || value.startsWith(QLatin1Char('"'))
                       || value.startsWith(QLatin1Char('\'')) || value != value.trimmed();
    if (!needs)
        return value;
    if (!value.contains(QLatin1Char('"')))
        return QLatin1Char('"') + value + QLatin1Char('"');
    if (!value.contains(QLatin1Char('\'')))
        return QLatin1Char('\'') + value + QLatin1Char('\'');
    QString doubled = value;
    doubled.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

ServerAddress parseDataSource(const QString &dataSource)
{
    ServerAddress a;
    QString s = dataSource.trimmed();
    if (s.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        s = s.mid(4);
    const int comma = int(s.indexOf(QLatin1Char(',')));
    if (comma >= 0) {
        bool ok = false;
        const int port = s.mid(comma + 1).trimmed().toInt(&ok);
        if (ok)
            a.port = port;
        s = s.left(comma).trimmed();
    }
    const int slash = int(s.indexOf(QLatin1Char('\\')));
    if (slash >= 0) {
        a.instance = s.mid(slash + 1).trimmed();
        s = s.left(slash).trimmed();
    }
    if (s == QLatin1String(".") || s.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        s = QStringLiteral("localhost");
    a.host = s;
    return a;
}

QString odbcValue(const QString &value, bool freeTds)
{
    const bool needs = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
                       || value.contains(QLatin1Char('}')) || value.contains(QLatin1Char('='))
                       || value != value.trimmed();
    if (!needs)
        return value;
    QString v = value;
    if (!freeTds)
        v.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

QString toOdbc(const QString &oledb, const QString &driver)
{
    const Pairs pairs = parse(oledb);
    const ServerAddress address = parseDataSource(value(pairs, QStringLiteral("Data Source")));
    QStringList parts;
    const QString drv = driver.isEmpty() ? QStringLiteral("FreeTDS") : driver;
    const bool freeTds = drv.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0 || drv.contains(QLatin1String("tdsodbc"));
    auto odbcValue = [freeTds](const QString &v) { return ConnectionString::odbcValue(v, freeTds); };
    parts << QStringLiteral("DRIVER={%1}").arg(QString(drv).replace(QLatin1String("}"), QLatin1String("}}")));
    parts << QStringLiteral("SERVER=") + odbcValue(address.host);
    if (address.port > 0)
        parts << QStringLiteral("PORT=%1").arg(address.port);
    else if (!address.instance.isEmpty())
        parts << QStringLiteral("INSTANCE=") + odbcValue(address.instance);
    const QString database = value(pairs, QStringLiteral("Initial Catalog"));
    if (!database.isEmpty())
        parts << QStringLiteral("DATABASE=") + odbcValue(database);
    const QString integrated = value(pairs, QStringLiteral("Integrated Security"));
    if (integrated.compare(QLatin1String("SSPI"), Qt::CaseInsensitive) == 0
        || integrated.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        parts << QStringLiteral("Trusted_Connection=Yes");
    } else {
        parts << QStringLiteral("UID=") + odbcValue(value(pairs, QStringLiteral("User ID")));
        parts << QStringLiteral("PWD=") + odbcValue(value(pairs, QStringLiteral("Password")));
    }
    const QString workstation = value(pairs, QStringLiteral("Workstation ID"));
    if (!workstation.isEmpty())
        parts << QStringLiteral("WSID=") + odbcValue(workstation);
    if (freeTds) {
        parts << QStringLiteral("TDS_Version=7.4");
        parts << QStringLiteral("ClientCharset=UTF-8");
    }
    return parts.join(QLatin1Char(';')) + QLatin1Char(';');
}

} // namespace ConnectionString
