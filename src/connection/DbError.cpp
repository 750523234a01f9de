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
    static const QRegularExpression tags(QStringLiteral("(^|\\n|(?<=\\s))(\\[[^\\]\\n]*\\])+"));
    QString out = text;
    out.replace(tags, QStringLiteral("\\1"));
    return out.trimmed();
}
