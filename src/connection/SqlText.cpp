#include "connection/SqlText.h"

namespace SqlText {

QString escaped(const QString &value)
{
    QString t = value;
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    return t;
}

QString quoted(const QString &value)
{
    return QLatin1Char('\'') + escaped(value) + QLatin1Char('\'');
}

QString unicode(const QString &value)
{
    return QLatin1Char('N') + quoted(value);
}

QString bracketed(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char(']'), QLatin1String("]]"));
    return QLatin1Char('[') + n + QLatin1Char(']');
}

} // namespace SqlText
