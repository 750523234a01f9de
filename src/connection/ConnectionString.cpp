#include "connection/ConnectionString.h"

#include "connection/DbError.h"

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

QString defaultDriver()
{
#ifdef Q_OS_WIN
    return QStringLiteral("ODBC Driver 18 for SQL Server");
#else
    return QStringLiteral("FreeTDS");
#endif
}

bool isFreeTds(const QString &driver)
{
    const QString d = driver.isEmpty() ? defaultDriver() : driver;
    return d.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0 || d.contains(QLatin1String("tdsodbc"));
}

Encryption encryptionOf(const Pairs &pairs)
{
    Encryption e;
    const QString use = value(pairs, QStringLiteral("Use Encryption for Data")).trimmed().toLower();
    if (use.isEmpty())
        e.mode = Encryption::Mode::Default;
    else if (use == QLatin1String("false") || use == QLatin1String("no") || use == QLatin1String("optional"))
        e.mode = Encryption::Mode::No;
    else if (use == QLatin1String("true") || use == QLatin1String("yes") || use == QLatin1String("mandatory"))
        e.mode = Encryption::Mode::Yes;
    else if (use == QLatin1String("strict"))
        e.mode = Encryption::Mode::Strict;
    else
        throw DbError(QStringLiteral("Valor inválido para Encrypt: \"%1\" (use no, yes ou strict) ..!")
                          .arg(value(pairs, QStringLiteral("Use Encryption for Data"))));
    const QString trust = value(pairs, QStringLiteral("Trust Server Certificate")).trimmed().toLower();
    if (trust == QLatin1String("true") || trust == QLatin1String("yes"))
        e.trustServerCertificate = true;
    else if (!trust.isEmpty() && trust != QLatin1String("false") && trust != QLatin1String("no"))
        throw DbError(QStringLiteral("Valor inválido para TrustServerCertificate: \"%1\" (use no ou yes) ..!")
                          .arg(value(pairs, QStringLiteral("Trust Server Certificate"))));
    e.caFile = value(pairs, QStringLiteral("CA File"));
    return e;
}

namespace {

// A value of a freetds.conf line: the line ends at ';' or '#', and runs of blanks shrink to one.
QString confValue(const QString &v)
{
    if (v.contains(QLatin1Char(';')) || v.contains(QLatin1Char('#')) || v.contains(QLatin1Char('\n'))
        || v.contains(QLatin1Char('\r')) || v.contains(QLatin1String("  ")) || v != v.trimmed())
        throw DbError(QStringLiteral("O caminho \"%1\" não pode ser passado ao FreeTDS (tem ';', '#' ou "
                                     "espaços repetidos) ..!")
                          .arg(v));
    return v;
}

} // namespace

OdbcText odbcText(const QString &oledb, const QString &driver, const QString &confSection)
{
    const Pairs pairs = parse(oledb);
    const ServerAddress address = parseDataSource(value(pairs, QStringLiteral("Data Source")));
    const Encryption enc = encryptionOf(pairs);
    const QString drv = driver.isEmpty() ? defaultDriver() : driver;
    const bool freeTds = isFreeTds(drv);
    auto odbcValue = [freeTds](const QString &v) { return ConnectionString::odbcValue(v, freeTds); };
    const bool encrypt = enc.mode == Encryption::Mode::Yes || enc.mode == Encryption::Mode::Strict;

    OdbcText out;
    QStringList parts;
    parts << QStringLiteral("DRIVER={%1}").arg(QString(drv).replace(QLatin1String("}"), QLatin1String("}}")));
    if (freeTds) {
        if (enc.mode == Encryption::Mode::Strict)
            throw DbError(QStringLiteral("O driver FreeTDS não oferece Encrypt=strict (TDS 8.0): use Encrypt=yes, "
                                         "ou o driver ODBC Driver 18 for SQL Server na chave Driver ..!"));
        if (encrypt && !enc.trustServerCertificate) {
            // The certificate is checked only against a named authority ("system": the system's
            // store), and FreeTDS reads that name only from freetds.conf.
            QStringList conf;
            conf << QStringLiteral("[%1]").arg(confSection);
            conf << QStringLiteral("\thost = ") + confValue(address.host);
            if (address.port > 0)
                conf << QStringLiteral("\tport = %1").arg(address.port);
            else if (!address.instance.isEmpty())
                conf << QStringLiteral("\tinstance = ") + confValue(address.instance);
            conf << QStringLiteral("\tencryption = require");
            conf << QStringLiteral("\tca file = ")
                        + confValue(enc.caFile.isEmpty() ? QStringLiteral("system") : enc.caFile);
            conf << QStringLiteral("\tcheck certificate hostname = yes");
            out.freeTdsConf = conf.join(QLatin1Char('\n')) + QLatin1Char('\n');
            parts << QStringLiteral("SERVERNAME=") + confSection;
        } else {
            // FreeTDS takes a named instance in SERVER itself ("host\instance").
            parts << QStringLiteral("SERVER=")
                         + odbcValue(address.port <= 0 && !address.instance.isEmpty()
                                         ? address.host + QLatin1Char('\\') + address.instance
                                         : address.host);
            if (address.port > 0)
                parts << QStringLiteral("PORT=%1").arg(address.port);
        }
    } else {
        if (!enc.caFile.isEmpty())
            throw DbError(QStringLiteral("A chave CAFile vale só para o driver FreeTDS; com o driver %1, instale a "
                                         "autoridade certificadora no repositório de certificados do sistema ..!")
                              .arg(drv));
        QString server = address.host;
        if (!address.instance.isEmpty())
            server += QLatin1Char('\\') + address.instance;
        if (address.port > 0)
            server += QStringLiteral(",%1").arg(address.port);
        parts << QStringLiteral("Server=") + odbcValue(server);
    }
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
        // Without a demand the login is still encrypted when the server offers it, and the
        // whole session when the server insists.
        parts << (encrypt ? QStringLiteral("Encryption=require") : QStringLiteral("Encryption=request"));
    } else {
        // Microsoft's drivers encrypt and check by default from version 18 on; without a demand
        // the tool asks for what it always had: encryption when the server insists.
        parts << QStringLiteral("Encrypt=")
                     + (enc.mode == Encryption::Mode::Strict ? QStringLiteral("strict")
                        : encrypt                            ? QStringLiteral("yes")
                                                             : QStringLiteral("no"));
        parts << QStringLiteral("TrustServerCertificate=")
                     + (enc.trustServerCertificate ? QStringLiteral("yes") : QStringLiteral("no"));
    }
    out.text = parts.join(QLatin1Char(';')) + QLatin1Char(';');
    return out;
}

QString toOdbc(const QString &oledb, const QString &driver)
{
    return odbcText(oledb, driver).text;
}

} // namespace ConnectionString
