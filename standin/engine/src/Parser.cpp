// Parser entry points and the reserved words; the statement families live in the Parse*.cpp files.
#include "Parser.h"

#include "ParserImpl.h"

#include <QSet>

namespace standin {

namespace parsing {

namespace {

const QSet<QString>& reservedWords()
{
    static const QSet<QString> words = [] {
        QSet<QString> s;
        const char* const list[] = {
            "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "BEGIN", "BETWEEN", "BREAK", "BY", "CASE", "CHECK",
            "CLUSTERED", "COLLATE", "COLUMN", "COMMIT", "CONSTRAINT", "CONTINUE", "CONVERT", "CREATE", "CROSS",
            "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE", "DEALLOCATE", "DECLARE", "DEFAULT", "DELETE",
            "DESC", "DISTINCT", "DROP", "ELSE", "END", "ESCAPE", "EXCEPT", "EXEC", "EXECUTE", "EXISTS", "FETCH", "FOR",
            "FOREIGN", "FROM", "FULL", "FUNCTION", "GOTO", "GRANT", "GROUP", "HAVING", "IDENTITY", "IF", "IN", "INDEX",
            "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN", "KEY", "LEFT", "LIKE", "NOCHECK", "NONCLUSTERED",
            "NOT", "NULL", "OF", "ON", "OPEN", "OPTION", "OR", "ORDER", "OUTER", "OVER", "PERCENT", "PRIMARY", "PRINT", "PROC",
            "PROCEDURE", "RAISERROR", "REFERENCES", "RETURN", "REVOKE", "RIGHT", "ROLLBACK", "SAVE", "SELECT",
            "SESSION_USER", "SET", "SYSTEM_USER", "TABLE", "THEN", "TO", "TOP", "TRAN", "TRANSACTION", "TRIGGER",
            "TRUNCATE", "UNION", "UNIQUE", "UPDATE", "USE", "USER", "VALUES", "VIEW", "WHEN", "WHERE", "WHILE", "WITH",
            // words that begin statements or clauses: never an alias
            "AUTHORIZATION", "BACKUP", "BROWSE", "BULK", "CHECKPOINT", "CLOSE", "COMPUTE", "DBCC", "DENY", "DUMP",
            "ERRLVL", "HOLDLOCK", "KILL", "LINENO", "MERGE", "OPENDATASOURCE", "OPENQUERY", "OPENROWSET", "OPENXML",
            "PIVOT", "READTEXT", "RECONFIGURE", "RESTORE", "REVERT", "SETUSER", "SHUTDOWN", "TABLESAMPLE", "UNPIVOT",
            "UPDATETEXT", "WAITFOR", "WRITETEXT"};
        for (const char* w : list)
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return words;
}

}  // namespace

bool isReserved(const Token& t)
{
    return t.kind == TokenKind::Identifier && reservedWords().contains(t.text.toUpper());
}

}  // namespace parsing

std::vector<StmtPtr> parseBatch(const QString& text)
{
    parsing::Parser p(text);
    return p.batch();
}

ExprPtr parseExpression(const QString& text)
{
    parsing::Parser p(text);
    return p.singleExpression();
}

}  // namespace standin
