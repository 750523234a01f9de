#include "Lexer.h"

#include "Errors.h"

namespace standin {

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('#');
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('#') || c == QLatin1Char('$') ||
           c == QLatin1Char('@') || c.category() == QChar::Mark_NonSpacing;
}

}  // namespace

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> out;
    out.reserve(size_t(s.size() / 4) + 4);
    int i = 0, line = 1;
    const int n = s.size();
    auto push = [&](TokenKind kind, const QString& text, int start, int end, int tokLine) {
        Token t;
        t.kind = kind;
        t.text = text;
        t.start = start;
        t.end = end;
        t.line = tokLine;
        out.push_back(std::move(t));
    };
    while (i < n) {
        const QChar c = s[i];
        if (c == QLatin1Char('\n')) {
            ++line;
            ++i;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
            // A line comment ends at the line's end, a lone CR included.
            while (i < n && s[i] != QLatin1Char('\n') && s[i] != QLatin1Char('\r'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
            int depth = 0;
            while (i < n) {
                if (s[i] == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
                    ++depth;
                    i += 2;
                } else if (s[i] == QLatin1Char('*') && i + 1 < n && s[i + 1] == QLatin1Char('/')) {
                    i += 2;
                    if (--depth == 0)
                        break;
                } else {
                    if (s[i] == QLatin1Char('\n'))
                        ++line;
                    ++i;
                }
            }
            if (depth > 0)
                throw sqlError(113, QStringLiteral("Missing end comment mark '*/'."), 15);
            continue;
        }
        const int start = i;
        const int tokLine = line;
        bool unicode = false;
        if ((c == QLatin1Char('N') || c == QLatin1Char('n')) && i + 1 < n && s[i + 1] == QLatin1Char('\'')) {
            unicode = true;
            ++i;
        }
        if (s[i] == QLatin1Char('\'')) {
            QString text;
            ++i;
            bool closed = false;
            while (i < n) {
                if (s[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (s[i] == QLatin1Char('\n'))
                    ++line;
                text += s[i++];
            }
            if (!closed)
                throw sqlError(105, QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(text), 15);
            push(TokenKind::String, text, start, i, tokLine);
            out.back().unicode = unicode;
            continue;
        }
        if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            QString text;
            ++i;
            bool closed = false;
            while (i < n) {
                if (s[i] == close) {
                    if (i + 1 < n && s[i + 1] == close) {
                        text += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                text += s[i++];
            }
            if (!closed) {
                if (c == QLatin1Char('"'))
                    throw sqlError(105, QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(text), 15);
                throw sqlError(105, QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(text), 15);
            }
            push(TokenKind::QuotedIdentifier, text, start, i, tokLine);
            continue;
        }
        if (c == QLatin1Char('@')) {
            ++i;
            if (i < n && s[i] == QLatin1Char('@'))
                ++i;
            while (i < n && isWordChar(s[i]))
                ++i;
            push(TokenKind::Variable, s.mid(start, i - start), start, i, tokLine);
            continue;
        }
        if (c == QLatin1Char('0') && i + 1 < n && (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
            i += 2;
            while (i < n && isxdigit(s[i].toLatin1()))
                ++i;
            push(TokenKind::Binary, s.mid(start + 2, i - start - 2), start, i, tokLine);
            continue;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s[i + 1].isDigit())) {
            while (i < n && s[i].isDigit())
                ++i;
            if (i < n && s[i] == QLatin1Char('.')) {
                ++i;
                while (i < n && s[i].isDigit())
                    ++i;
            }
            if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
                int j = i + 1;
                if (j < n && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
                    ++j;
                if (j < n && s[j].isDigit()) {
                    i = j;
                    while (i < n && s[i].isDigit())
                        ++i;
                }
            }
            push(TokenKind::Number, s.mid(start, i - start), start, i, tokLine);
            continue;
        }
        if (isWordStart(c)) {
            while (i < n && isWordChar(s[i]))
                ++i;
            push(TokenKind::Identifier, s.mid(start, i - start), start, i, tokLine);
            continue;
        }
        static const char* const twoChar[] = {"<>", "<=", ">=", "!=", "!<", "!>", "+=", "-=", "*=", "/=", "::"};
        if (i + 1 < n) {
            const QString two = s.mid(i, 2);
            bool matched = false;
            for (const char* t : twoChar) {
                if (two == QLatin1String(t)) {
                    push(TokenKind::Symbol, two, start, i + 2, tokLine);
                    i += 2;
                    matched = true;
                    break;
                }
            }
            if (matched)
                continue;
        }
        push(TokenKind::Symbol, QString(c), start, i + 1, tokLine);
        ++i;
    }
    Token end;
    end.kind = TokenKind::End;
    end.start = end.end = n;
    end.line = line;
    out.push_back(end);
    return out;
}

}  // namespace standin
