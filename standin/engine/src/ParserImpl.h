// The recursive-descent parser (batch text -> statements), shared by the files that read each
// statement family: ParseStatements.cpp (the dispatch, variables, EXEC, transactions, INSERT, UPDATE,
// DELETE), ParseSelect.cpp, ParseDdl.cpp (tables and indexes), ParseModules.cpp (triggers, procedures,
// functions, cursors, RAISERROR) and ParseExpressions.cpp.
#pragma once

#include "Ast.h"
#include "Errors.h"
#include "Lexer.h"

namespace standin::parsing {

// Reserved words cannot name an object without brackets.
bool isReserved(const Token& t);

// text, ntext and image: allowed for columns and parameters, never for variables or return values.
inline bool isLargeObject(TypeId id) { return id == TypeId::Text || id == TypeId::NText || id == TypeId::Image; }

class Parser {
public:
    explicit Parser(const QString& text) : text_(text), tokens_(tokenize(text)) {}

    std::vector<StmtPtr> batch()
    {
        std::vector<StmtPtr> out;
        while (true) {
            while (acceptSymbol(";")) {
            }
            if (peek().kind == TokenKind::End)
                break;
            out.push_back(statement(out.empty()));
        }
        return out;
    }

    ExprPtr singleExpression()
    {
        ExprPtr e = expr();
        if (peek().kind != TokenKind::End)
            fail();
        return e;
    }

private:
    const Token& peek(int k = 0) const
    {
        size_t i = qMin(pos_ + size_t(k), tokens_.size() - 1);
        return tokens_[i];
    }
    const Token& next()
    {
        const Token& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size())
            ++pos_;
        return t;
    }
    bool acceptWord(const char* w)
    {
        if (peek().isWord(w)) {
            next();
            return true;
        }
        return false;
    }
    bool acceptSymbol(const char* s)
    {
        if (peek().isSymbol(s)) {
            next();
            return true;
        }
        return false;
    }
    void expectWord(const char* w)
    {
        if (!acceptWord(w))
            fail();
    }
    void expectSymbol(const char* s)
    {
        if (!acceptSymbol(s))
            fail();
    }
    [[noreturn]] void fail() const
    {
        const Token& t = peek();
        const Token& at = t.kind == TokenKind::End && pos_ > 0 ? tokens_[pos_ - 1] : t;
        // A reserved word where the text goes on is named as a keyword (156); anything else, and the
        // last word of a text that stops short, as it stands (102).
        SqlError e = t.kind != TokenKind::End && isReserved(at)
                         ? sqlError(156, QStringLiteral("Incorrect syntax near the keyword '%1'.").arg(at.text), 15)
                         : syntaxError(at.text);
        e.message.line = at.line;
        throw e;
    }
    int prevEnd() const { return pos_ > 0 ? tokens_[pos_ - 1].end : 0; }

    QString name()
    {
        if (!peek().isName() || (peek().kind == TokenKind::Identifier && isReserved(peek())))
            fail();
        return next().text;
    }

    // [db.][schema.]name; an omitted middle part (db..t) reads as dbo.
    QStringList multiName()
    {
        QStringList parts;
        parts << name();
        while (peek().isSymbol(".")) {
            next();
            if (peek().isSymbol(".")) {
                parts << QStringLiteral("dbo");
                continue;
            }
            parts << name();
        }
        return parts;
    }

    // A table where a table variable may stand too: @t, or [db.][schema.]name.
    QStringList tableName()
    {
        if (peek().kind == TokenKind::Variable && !peek().text.startsWith(QLatin1String("@@")))
            return QStringList {next().text};
        return multiName();
    }

    // Statements (ParseStatements.cpp)
    StmtPtr statement(bool firstInBatch);
    StmtPtr statementBody(bool firstInBatch);
    bool startsExpression() const;
    StmtPtr transactionStatement(TransactionAction action);
    StmtPtr setStatement();
    std::optional<BinaryOp> compoundAssign();
    StmtPtr declareStatement();
    StmtPtr execStatement();
    bool startsArgument() const;
    StmtPtr insertStatement();
    ExprPtr topClause(bool& percent);
    StmtPtr updateStatement();
    StmtPtr deleteStatement();
    std::vector<StmtPtr> blockUntilEnd(const char* closing);
    StmtPtr tryStatement();
    StmtPtr throwStatement();

    // SELECT (ParseSelect.cpp)
    std::shared_ptr<SelectStmt> selectWithUnions();
    void exposedNamesDiffer(const std::vector<TableRef>& refs) const;
    // A SELECT nested in another statement (derived table, subquery): ORDER BY only with TOP (1033).
    std::shared_ptr<SelectStmt> nestedSelect()
    {
        const int line = peek().line;
        InnerQuery inner(innerQueries_);
        auto s = selectWithUnions();
        if (!s->orderBy.empty() && !s->top) {
            SqlError e = sqlError(1033, QStringLiteral("The ORDER BY clause is invalid in views, inline functions, "
                                                       "derived tables, subqueries, and common table expressions, "
                                                       "unless TOP or FOR XML is also specified."));
            e.message.line = line;
            throw e;
        }
        return s;
    }
    std::shared_ptr<SelectStmt> selectCore();
    SelectItem selectItem();
    std::vector<TableRef> tableRefs();
    TableRef tableSource();
    void skipParenthesized();

    // WITH common table expressions, OVER clauses, OPTION hints (ParseWindows.cpp)
    StmtPtr withStatement();
    std::shared_ptr<WithClause> commonTables();
    std::shared_ptr<WindowSpec> overClause();
    std::vector<OrderItem> orderByList();
    void windowFrame(WindowSpec& w);
    void optionClause();

    // DDL (ParseDdl.cpp)
    SqlType type();
    ExprPtr defaultValue(QString& text);
    // (a, b, ...): with `descending`, each column may say ASC or DESC; without, a bare list of names.
    QStringList keyColumns(QList<bool>* descending = nullptr);
    void indexOptions();
    ConstraintDef constraintBody(const QString& constraintName);
    void references(ConstraintDef& c);
    ColumnDef columnDef(std::vector<ConstraintDef>& extra);
    void columnConstraint(ColumnDef& c, const QString& constraintName, std::vector<ConstraintDef>& extra);
    int64_t signedInteger();
    void tableElement(std::vector<ColumnDef>& columns, std::vector<ConstraintDef>& constraints);
    StmtPtr createStatement();
    StmtPtr alterStatement();
    StmtPtr dropStatement();
    StmtPtr dropIndexStatement();

    // ENABLE/DISABLE TRIGGER (ParseCatalog.cpp); `alterTable`: the table of ALTER TABLE ... ENABLE TRIGGER.
    StmtPtr enableTriggerStatement(const QStringList* alterTable);

    // Modules, cursors, RAISERROR (ParseModules.cpp)
    static bool moduleKeyword(const Token& t);
    static ModuleKind moduleKind(const Token& t);

    // CREATE/ALTER of a module: the first statement of its batch, its body the rest of the batch.
    StmtPtr moduleStatement(bool firstInBatch);
    void moduleOptions();
    Parameter parameter(bool procedure);
    StmtPtr dropModuleStatement();
    StmtPtr declareCursor();
    StmtPtr cursorStatement();
    StmtPtr raiserrorStatement();

    // Expressions (ParseExpressions.cpp)
    ExprPtr make(ExprKind kind, int start);
    ExprPtr finish(ExprPtr e);

    ExprPtr expr() { return orExpr(); }

    ExprPtr orExpr();
    ExprPtr andExpr();
    ExprPtr notExpr();
    ExprPtr predicate();
    ExprPtr additive();
    ExprPtr multiplicative();
    ExprPtr unary();
    ExprPtr primary();
    static bool takesDatePart(const QString& upperName);
    ExprPtr caseExpr();

    QString text_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int loopDepth_ = 0;  // WHILE bodies around the statement being read (BREAK, CONTINUE)
    int catchDepth_ = 0;  // CATCH blocks around the statement being read (THROW without arguments)
    bool afterCondition_ = false;  // the statement being read is the body of an IF or WHILE
    std::optional<int> maxRecursion_;  // OPTION (MAXRECURSION n) of the statement being read
    // Queries being read inside another (subqueries, derived tables, common tables, a parenthesized
    // UNION member): OPTION belongs to the outermost statement only, so inside them it is a syntax error.
    int innerQueries_ = 0;
    struct InnerQuery {
        explicit InnerQuery(int& n)
            : n_(n)
        {
            ++n_;
        }
        ~InnerQuery() { --n_; }
        int& n_;
    };
    bool topWithTies_ = false;         // the last TOP clause read ended WITH TIES
};

}  // namespace standin::parsing
