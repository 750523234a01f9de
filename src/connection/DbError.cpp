#include "connection/DbError.h"

#include <QRegularExpression>
#include <QStringList>

DbError::DbError(const QString &message, int nativeCode)
    : std::runtime_error(message.toStdString()), m_message(message), m_nativeCode(nativeCode)
{
}

QString stripDriverTags(const QString &text)
{
    // Each diagnostic starts with one or more bracketed tags: "[unixODBC][FreeTDS][SQL Server]".
    // Several diagnostics come joined by blanks or line feeds.
    static const QRegularExpression tags(QStringLiteral("(?:^|\\s)(?:\\[[^\\]\\n]*\\])+"));
    QStringList parts;
    qsizetype last = 0;
    bool tagged = false;
    auto it = tags.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        if (tagged || m.capturedStart() > last)
            parts << text.mid(last, m.capturedStart() - last).trimmed();
        last = m.capturedEnd();
        tagged = true;
    }
    parts << text.mid(last).trimmed();
    parts.removeAll(QString());
    // The driver's own summary of a refused login says nothing the server's message does not.
    if (parts.size() > 1)
        parts.removeAll(QStringLiteral("Unable to connect to data source"));
    return parts.join(QLatin1Char('\n'));
}
