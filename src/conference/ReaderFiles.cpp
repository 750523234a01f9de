#include "conference/ReaderFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ReaderFiles {

QStringList list(const QString &folder, const QString &mask)
{
    QDir dir(folder);
    dir.setNameFilters({mask});
    dir.setFilter(QDir::Files | QDir::NoDotAndDotDot);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

QString decode(const QByteArray &bytes)
{
    // 0x80-0x9F are the only bytes where Windows-1252 differs from Latin-1; the five
    // bytes it leaves undefined stay the control characters of the same number.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(b);
    }
    return text;
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    const auto refused = [&path] {
        return ReaderFileError(QStringLiteral("Não foi possível ler o arquivo %1 ..!")
                                   .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
    };
    if (!file.open(QIODevice::ReadOnly))
        throw refused();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw refused();
    return splitLines(decode(bytes));
}

bool isLoaded(const QString &name)
{
    return name.size() > 3;
}

} // namespace ReaderFiles
