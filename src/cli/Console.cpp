#include "cli/Console.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Whether a stream is a terminal (a console window on Windows) rather than a file or a pipe.
bool isTerminal(FILE *stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

} // namespace

Console::Console(FILE *out, FILE *err) : m_out(out), m_err(err)
{
    m_outTty = isTerminal(out);
    m_errTty = isTerminal(err);
}

void Console::clearBar()
{
    if (!m_barShown)
        return;
    std::fputs("\r\033[K", m_err);
    std::fflush(m_err);
    m_barShown = false;
}

void Console::print(const QString &line)
{
    clearBar();
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), m_out);
    std::fflush(m_out);
}

void Console::write(const QByteArray &bytes)
{
    clearBar();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out);
    std::fflush(m_out);
}

void Console::error(const QString &line)
{
    clearBar();
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), m_err);
    std::fflush(m_err);
}

void Console::progress(const QString &text, int n, int count)
{
    if (!m_errTty) {
        std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), m_err);
        std::fflush(m_err);
        return;
    }
    const int width = 30;
    const int filled = count > 0 ? n * width / count : width;
    const QString bar = QStringLiteral("[") + QString(filled, QLatin1Char('#'))
                        + QString(width - filled, QLatin1Char(' ')) + QStringLiteral("] ");
    std::fputs((QStringLiteral("\r\033[K") + bar + text).toUtf8().constData(), m_err);
    std::fflush(m_err);
    m_barShown = true;
}

void Console::endProgress()
{
    clearBar();
}

QStringList formatTable(const QStringList &header, const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QString &h : header)
        widths << int(h.size());
    for (const QStringList &r : rows)
        for (int i = 0; i < r.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], int(r[i].size()));
    auto line = [&](const QStringList &cells) {
        QString out;
        for (int i = 0; i < cells.size(); ++i) {
            if (i > 0)
                out += QStringLiteral("  ");
            out += i + 1 < cells.size() ? cells[i].leftJustified(widths[i]) : cells[i];
        }
        return out;
    };
    QStringList out {line(header)};
    QStringList rule;
    for (int w : widths)
        rule << QString(w, QLatin1Char('-'));
    out << line(rule);
    for (const QStringList &r : rows)
        out << line(r);
    return out;
}
