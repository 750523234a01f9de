#include "users/UserScript.h"

#include "connection/Dataset.h"
#include "connection/SqlText.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
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

// A time of day as "hh:mm:ss.fffffff", the form a time column takes back whatever its
// precision. The driver hands a time over as text ("12:34:56.1234567"); a QTime keeps
// milliseconds only.
QString timeText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QTime || value.typeId() == QMetaType::QDateTime) {
        const QTime t = value.typeId() == QMetaType::QTime ? value.toTime() : value.toDateTime().time();
        return t.toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("0000");
    }
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d+))?)?"));
    const QRegularExpressionMatch m = form.match(value.toString());
    if (!m.hasMatch())
        return value.toString();
    const QString fraction = (m.captured(4) + QStringLiteral("0000000")).left(7);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(m.captured(1).rightJustified(2, QLatin1Char('0')), m.captured(2),
             m.captured(3).isEmpty() ? QStringLiteral("00") : m.captured(3), fraction);
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
    // Unicode and fixed-length text: a null is written as an empty text. Unicode text is
    // written as N'...': without the N the server reads it in its code page, and a letter
    // outside it ("Ł") comes back as "?".
    if (isOneOf(type, {"nvarchar", "nvarchar(max)", "nchar", "ntext"}))
        return SqlText::unicode(value.isNull() ? QString() : value.toString());
    if (type == QLatin1String("char"))
        return SqlText::quoted(value.isNull() ? QString() : value.toString());
    // Every other type writes a null as NULL.
    if (value.isNull())
        return QStringLiteral("NULL");
    if (isOneOf(type, {"int", "tinyint", "smallint", "bigint"}))
        return number(QString::number(value.toLongLong()));
    // A time as a fraction of a day would be refused by a time column: it goes as text.
    if (type == QLatin1String("time"))
        return SqlText::quoted(timeText(value));
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
