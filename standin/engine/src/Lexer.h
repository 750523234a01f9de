// Tokens of T-SQL text.
#pragma once

#include <QString>

#include <vector>

namespace standin {

enum class TokenKind {
    Identifier,        // bare word (keywords included; the parser decides)
    QuotedIdentifier,  // [name] or "name"
    Variable,          // @name or @@name
    String,            // 'text' (N'text' sets unicode)
    Number,            // 12, 12.5, 1e3
    Binary,            // 0x0A1B
    Symbol,            // punctuation and operators
    End,
};

struct Token {
    TokenKind kind = TokenKind::End;
    QString text;   // identifier/variable name without brackets, string contents, symbol
    bool unicode = false;
    int start = 0;  // offset in the batch text
    int end = 0;
    int line = 1;

    bool isWord(const char* word) const
    {
        return kind == TokenKind::Identifier && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(const char* s) const { return kind == TokenKind::Symbol && text == QLatin1String(s); }
    bool isName() const { return kind == TokenKind::Identifier || kind == TokenKind::QuotedIdentifier; }
};

// Splits text into tokens; comments and white space are dropped. Throws SqlError for an
// unclosed quotation mark (105) or bracket.
std::vector<Token> tokenize(const QString& text);

}  // namespace standin
