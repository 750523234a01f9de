#include "users/UserScript.h"

#include "connection/Dataset.h"
#include "connection/SqlText.h"

#include <QDateTime>
#include <QLocale>
#include <QTime>

namespace UserScript {
namespace {

bool isOneOf(const QString &type, std::initializer_list<const char *> names)
{
    for (const char *n : names)
        if (type == QLatin1String(n))
            return true;
    return false;
}

QString number(const QString &digits)
{
    return SqlText::quoted(digits);
}

// A decimal value as the driver gives it: text in the C format, or a double.
QString decimalText(const DatasetColumn &column, const QVariant &value)
{
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'f', column.scale);
    QString text = value.toString().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

QTime timeOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QTime)
        return value.toTime();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().time();
    const QString text = value.toString().trimmed();
    QTime t = QTime::fromString(text.left(12), Qt::ISODateWithMs);
    if (!t.isValid())
        t = QTime::fromString(text.left(8), Qt::ISODate);
    return t;
}

QDateTime dateTimeOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().startOfDay();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    return QDateTime::fromString(value.toString().trimmed().left(23), Qt::ISODateWithMs);
}

} // namespace

QString FormataDecimal(double value)
{
    QLocale regional;
    regional.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = regional.toString(value, 'f', 6);
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

bool isSkipped(const DatasetColumn &column)
{
    return column.identity || column.typeName == QLatin1String("uniqueidentifier")
           || column.typeName == QLatin1String("image") || column.typeName == QLatin1String("varbinary(max)");
}

QString renderValue(const DatasetColumn &column, const QVariant &value)
{
    const QString &type = column.typeName;
    if (type == QLatin1String("bit"))
        return !value.isNull() && value.toBool() ? QStringLiteral("'1'") : QStringLiteral("'0'");
    // Unicode and fixed-length text: a null is written as an empty text.
    if (isOneOf(type, {"nvarchar", "nvarchar(max)", "nchar", "char", "ntext"}))
        return SqlText::quoted(value.isNull() ? QString() : value.toString());
    // Every other type writes a null as NULL.
    if (value.isNull())
        return QStringLiteral("NULL");
    if (isOneOf(type, {"int", "tinyint", "smallint", "bigint"}))
        return number(QString::number(value.toLongLong()));
    if (type == QLatin1String("time"))
        return SqlText::quoted(FormataDecimal(timeOf(value).msecsSinceStartOfDay() / 86400000.0));
    if (isOneOf(type, {"decimal", "numeric", "money", "smallmoney"}))
        return number(decimalText(column, value));
    if (type == QLatin1String("float"))
        return number(QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
    if (type == QLatin1String("real"))
        return number(QString::number(value.toFloat(), 'g', QLocale::FloatingPointShortest));
    if (type == QLatin1String("date"))
        return SqlText::quoted(dateTimeOf(value).date().toString(QStringLiteral("yyyyMMdd")));
    if (isOneOf(type, {"datetime", "smalldatetime", "datetime2"}))
        return SqlText::quoted(dateTimeOf(value).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")));
    if (column.isBinary())
        return QStringLiteral("0x") + QString::fromLatin1(value.toByteArray().toHex().toUpper());
    return SqlText::quoted(value.toString());
}

Report insertScript(const Dataset &users)
{
    Report report;
    if (!users.isOpen() || users.isEmpty())
        return report;
    QString names, values;
    const QList<DatasetColumn> &columns = users.columns();
    for (int i = 0; i < columns.size(); ++i) {
        if (isSkipped(columns[i]))
            continue;
        const QString separator = report.columns > 0 ? QStringLiteral(", ") : QString();
        names += separator + columns[i].name;
        values += separator + renderValue(columns[i], users.value(i));
        ++report.columns;
    }
    report.script = QStringLiteral("INSERT INTO Usuarios ( ") + names + QStringLiteral(" ) ") + QChar(13)
                    + QStringLiteral("VALUES (") + values + QStringLiteral(")");
    report.exported = true;
    return report;
}

QString noUserMessage()
{
    return QStringLiteral("Não há usuário corrente para exportar ..!");
}

} // namespace UserScript
