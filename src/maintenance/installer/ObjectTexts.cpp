#include "maintenance/installer/ObjectTexts.h"

#include "maintenance/installer/InstallerEntries.h"

#include <QFile>

namespace installer {

namespace {

QByteArray resource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Built-in texts stored in the 8-bit code page.
bool storedAs1252(const QString &object)
{
    return object == QLatin1String("Evol_Invent_Kardex");
}

} // namespace

QString fromWindows1252(const QByteArray &bytes)
{
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(high[b - 0x80]) : QChar(b));
    }
    return text;
}

QString pageText(const QString &memo)
{
    const QByteArray bytes = resource(QStringLiteral(":/objects/pages/%1.sql").arg(memo));
    if (bytes.isNull())
        return {};
    return QString::fromUtf8(bytes);
}

QString builtInText(const QString &object)
{
    const QByteArray bytes = resource(QStringLiteral(":/objects/builtin/%1.sql").arg(object));
    if (bytes.isNull())
        return {};
    return storedAs1252(object) ? fromWindows1252(bytes) : QString::fromUtf8(bytes);
}

QString carriedText(const QString &object)
{
    // The batch's own creations come first: its short GNR_UP_Kardex_Novo is what stays.
    for (const BatchStep &step : triggerBatch())
        if ((step.kind == BatchStep::Kind::Install || step.kind == BatchStep::Kind::Create)
            && QLatin1String(step.name) == object)
            return builtInText(QString::fromLatin1(step.textName));
    for (const MenuItem &item : menuItems()) {
        if (item.kind != ItemKind::Entry || QString::fromUtf8(item.object) != object)
            continue;
        return item.source == TextSource::Page ? pageText(QString::fromLatin1(item.textName))
                                               : builtInText(QString::fromLatin1(item.textName));
    }
    return {};
}

} // namespace installer
