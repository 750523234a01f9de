#include "Parser.h"

#include "Errors.h"

#include <QSet>

namespace standin {

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
            "NOT", "NULL", "OF", "ON", "OPEN", "OPTION", "OR", "ORDER", "OUTER", "PERCENT", "PRIMARY", "PRINT", "PROC",
            "PROCEDURE", "RAISERROR", "REFERENCES", "RETURN", "REVOKE", "RIGHT", "ROLLBACK", "SAVE", "SELECT",
            "SESSION_USER", "SET", "SYSTEM_USER", "TABLE", "THEN", "TO", "TOP", "TRAN", "TRANSACTION", "TRIGGER",
            "TRUNCATE", "UNION", "UNIQUE", "UPDATE", "USE", "USER", "VALUES", "VIEW", "WHEN", "WHERE", "WHILE", "WITH"};
        for (const char* w : list)
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return words;
}

bool isReserved(const Token& t)
{
    return t.kind == TokenKind::Identifier && reservedWords().contains(t.text.toUpper());
}

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
    // --- token helpers -------------------------------------------------------------------
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
        SqlError e = syntaxError(at.text);
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

    // --- statements ----------------------------------------------------------------------
    StmtPtr statement(bool firstInBatch)
    {
        const Token& t = peek();
        const int start = t.start;
        const int line = t.line;
        StmtPtr s = statementBody(firstInBatch);
        s->start = start;
        s->end = prevEnd();
        s->line = line;
        return s;
    }

    StmtPtr statementBody(bool firstInBatch)
    {
        const Token& t = peek();
        if (t.isWord("SELECT") || (t.isSymbol("(") && peek(1).isWord("SELECT"))) {
            auto s = std::make_shared<SelectStatement>();
            s->select = selectWithUnions();
            return s;
        }
        if (t.isWord("INSERT"))
            return insertStatement();
        if (t.isWord("UPDATE"))
            return updateStatement();
        if (t.isWord("DELETE"))
            return deleteStatement();
        if ((t.isWord("CREATE") || t.isWord("ALTER")) && moduleKeyword(peek(1)))
            return moduleStatement(firstInBatch);
        if (t.isWord("CREATE"))
            return createStatement();
        if (t.isWord("ALTER"))
            return alterStatement();
        if (t.isWord("DROP") && moduleKeyword(peek(1)))
            return dropModuleStatement();
        if (t.isWord("DROP"))
            return dropStatement();
        if (t.isWord("OPEN") || t.isWord("CLOSE") || t.isWord("DEALLOCATE") || t.isWord("FETCH"))
            return cursorStatement();
        if (t.isWord("BREAK") || t.isWord("CONTINUE")) {
            const bool isBreak = t.isWord("BREAK");
            if (loopDepth_ == 0) {
                SqlError e = sqlError(isBreak ? 135 : 136,
                                      QStringLiteral("Cannot use a %1 statement outside the scope of a WHILE statement.")
                                          .arg(isBreak ? QStringLiteral("BREAK") : QStringLiteral("CONTINUE")), 15);
                e.message.line = t.line;
                throw e;
            }
            next();
            return std::make_shared<Statement>(isBreak ? StmtKind::Break : StmtKind::Continue);
        }
        if (t.isWord("RAISERROR"))
            return raiserrorStatement();
        if (t.isWord("TRUNCATE")) {
            next();
            expectWord("TABLE");
            auto s = std::make_shared<TruncateStatement>();
            s->table = multiName();
            return s;
        }
        if (t.isWord("USE")) {
            next();
            auto s = std::make_shared<DatabaseStatement>(StmtKind::Use);
            s->name = name();
            return s;
        }
        if (t.isWord("SET"))
            return setStatement();
        if (t.isWord("DECLARE") && peek(1).isName() && !isReserved(peek(1)) &&
            (peek(2).isWord("CURSOR") || peek(2).isWord("INSENSITIVE") || peek(2).isWord("SCROLL")))
            return declareCursor();
        if (t.isWord("DECLARE"))
            return declareStatement();
        if (t.isWord("EXEC") || t.isWord("EXECUTE")) {
            next();
            return execStatement();
        }
        if (t.isWord("PRINT")) {
            next();
            auto s = std::make_shared<PrintStatement>();
            s->value = expr();
            return s;
        }
        if (t.isWord("IF")) {
            next();
            auto s = std::make_shared<IfStatement>();
            s->condition = expr();
            s->thenBranch = statement(false);
            acceptSymbol(";");
            if (acceptWord("ELSE"))
                s->elseBranch = statement(false);
            return s;
        }
        if (t.isWord("WHILE")) {
            next();
            auto s = std::make_shared<WhileStatement>();
            s->condition = expr();
            ++loopDepth_;
            s->body = statement(false);
            --loopDepth_;
            return s;
        }
        if (t.isWord("BEGIN")) {
            if (peek(1).isWord("TRAN") || peek(1).isWord("TRANSACTION"))
                return transactionStatement(TransactionAction::Begin);
            next();
            auto s = std::make_shared<BlockStatement>();
            while (true) {
                while (acceptSymbol(";")) {
                }
                if (peek().isWord("END"))
                    break;
                if (peek().kind == TokenKind::End)
                    fail();
                s->body.push_back(statement(false));
            }
            expectWord("END");
            return s;
        }
        if (t.isWord("COMMIT"))
            return transactionStatement(TransactionAction::Commit);
        if (t.isWord("ROLLBACK"))
            return transactionStatement(TransactionAction::Rollback);
        if (t.isWord("SAVE"))
            return transactionStatement(TransactionAction::Save);
        if (t.isWord("RETURN")) {
            next();
            auto s = std::make_shared<ReturnStatement>();
            if (startsExpression())
                s->value = expr();
            return s;
        }
        // A procedure name alone at the start of a batch runs it.
        if (firstInBatch && t.isName() && !isReserved(t))
            return execStatement();
        fail();
    }

    bool startsExpression() const
    {
        const Token& t = peek();
        if (t.kind == TokenKind::End || t.isSymbol(";"))
            return false;
        if (t.kind == TokenKind::Identifier && isReserved(t) && !t.isWord("NULL") && !t.isWord("CASE"))
            return false;
        return true;
    }

    StmtPtr transactionStatement(TransactionAction action)
    {
        next();
        auto s = std::make_shared<TransactionStatement>();
        s->action = action;
        if (!acceptWord("TRAN") && !acceptWord("TRANSACTION")) {
            if (action == TransactionAction::Begin || action == TransactionAction::Save)
                fail();
            acceptWord("WORK");
        }
        if (peek().isName() && !isReserved(peek()))
            s->name = next().text;
        else if (peek().kind == TokenKind::Variable)
            s->name = next().text;
        return s;
    }

    StmtPtr setStatement()
    {
        next();
        if (peek().kind == TokenKind::Variable) {
            auto s = std::make_shared<SetVariableStatement>();
            s->assignment.variable = next().text;
            s->assignment.compound = compoundAssign();
            s->assignment.value = expr();
            return s;
        }
        auto s = std::make_shared<SetOptionStatement>();
        if (!peek().isName())
            fail();
        s->option = next().text.toUpper();
        // Options take words, numbers, names and commas up to the next statement.
        while (true) {
            const Token& t = peek();
            if (t.kind == TokenKind::End || t.isSymbol(";"))
                break;
            if (t.kind == TokenKind::Identifier && isReserved(t) && !t.isWord("ON") && !t.isWord("TRANSACTION"))
                break;
            if (t.kind == TokenKind::Symbol && !t.isSymbol(",") && !t.isSymbol("-") && !t.isSymbol("."))
                fail();
            if (!t.isSymbol(","))
                s->arguments << t.text;
            next();
        }
        return s;
    }

    std::optional<BinaryOp> compoundAssign()
    {
        if (acceptSymbol("="))
            return std::nullopt;
        if (acceptSymbol("+="))
            return BinaryOp::Add;
        if (acceptSymbol("-="))
            return BinaryOp::Subtract;
        if (acceptSymbol("*="))
            return BinaryOp::Multiply;
        if (acceptSymbol("/="))
            return BinaryOp::Divide;
        fail();
    }

    StmtPtr declareStatement()
    {
        next();
        auto s = std::make_shared<DeclareStatement>();
        do {
            if (peek().kind != TokenKind::Variable)
                fail();
            VariableDecl v;
            v.name = next().text;
            acceptWord("AS");
            v.type = type();
            if (acceptSymbol("="))
                v.init = expr();
            s->variables.push_back(v);
        } while (acceptSymbol(","));
        return s;
    }

    StmtPtr execStatement()
    {
        auto s = std::make_shared<ExecStatement>();
        if (peek().isSymbol("(")) {
            next();
            s->dynamic.push_back(expr());
            expectSymbol(")");
            return s;
        }
        if (peek().kind == TokenKind::Variable && peek(1).isSymbol("=")) {
            s->returnVariable = next().text;
            next();
        }
        s->procedure = multiName();
        if (!startsArgument())
            return s;
        do {
            ExecArgument a;
            if (peek().kind == TokenKind::Variable && peek(1).isSymbol("=")) {
                a.parameter = next().text;
                next();
            }
            if (acceptWord("DEFAULT")) {
                a.isDefault = true;
            } else if (peek().kind == TokenKind::Identifier && !isReserved(peek()) && !peek(1).isSymbol("(") &&
                       !peek(1).isSymbol(".")) {
                // A bare word is a character string argument: EXEC p dbo
                auto e = std::make_shared<Expr>();
                e->kind = ExprKind::Literal;
                e->value = stringValue(next().text, true);
                a.value = e;
            } else {
                a.value = expr();
            }
            if (acceptWord("OUTPUT") || acceptWord("OUT"))
                a.output = true;
            s->arguments.push_back(a);
        } while (acceptSymbol(","));
        return s;
    }

    bool startsArgument() const
    {
        const Token& t = peek();
        if (t.kind == TokenKind::End || t.isSymbol(";"))
            return false;
        if (t.kind == TokenKind::Identifier && isReserved(t) && !t.isWord("NULL") && !t.isWord("DEFAULT"))
            return false;
        return true;
    }

    StmtPtr insertStatement()
    {
        next();
        auto s = std::make_shared<InsertStatement>();
        acceptWord("INTO");
        s->table = multiName();
        if (peek().isSymbol("(") && !peek(1).isWord("SELECT")) {
            next();
            do {
                s->columns << name();
            } while (acceptSymbol(","));
            expectSymbol(")");
        }
        if (acceptWord("VALUES")) {
            do {
                expectSymbol("(");
                std::vector<ExprPtr> row;
                do {
                    row.push_back(expr());
                } while (acceptSymbol(","));
                expectSymbol(")");
                s->values.push_back(std::move(row));
            } while (acceptSymbol(","));
        } else if (acceptWord("DEFAULT")) {
            expectWord("VALUES");
            s->defaultValues = true;
        } else if (peek().isWord("SELECT") || peek().isSymbol("(")) {
            s->select = selectWithUnions();
        } else if (peek().isWord("EXEC") || peek().isWord("EXECUTE")) {
            next();
            s->exec = execStatement();
        } else {
            fail();
        }
        return s;
    }

    ExprPtr topClause(bool& percent)
    {
        expectWord("TOP");
        ExprPtr e;
        if (acceptSymbol("(")) {
            e = expr();
            expectSymbol(")");
        } else {
            e = primary();
        }
        percent = acceptWord("PERCENT");
        if (acceptWord("WITH"))
            expectWord("TIES");
        return e;
    }

    StmtPtr updateStatement()
    {
        next();
        auto s = std::make_shared<UpdateStatement>();
        if (peek().isWord("TOP"))
            s->top = topClause(s->topPercent);
        s->target = multiName();
        expectWord("SET");
        do {
            Assignment a;
            if (peek().kind == TokenKind::Variable) {
                a.variable = next().text;
            } else {
                a.column = multiName();
            }
            a.compound = compoundAssign();
            a.value = expr();
            s->sets.push_back(a);
        } while (acceptSymbol(","));
        if (acceptWord("FROM"))
            s->from = tableRefs();
        if (acceptWord("WHERE"))
            s->where = expr();
        return s;
    }

    StmtPtr deleteStatement()
    {
        next();
        auto s = std::make_shared<DeleteStatement>();
        if (peek().isWord("TOP"))
            s->top = topClause(s->topPercent);
        acceptWord("FROM");
        s->target = multiName();
        if (peek().isName() && !isReserved(peek()))
            next();  // DELETE FROM t alias
        if (acceptWord("FROM"))
            s->from = tableRefs();
        if (acceptWord("WHERE"))
            s->where = expr();
        return s;
    }

    // --- SELECT --------------------------------------------------------------------------
    std::shared_ptr<SelectStmt> selectWithUnions()
    {
        std::shared_ptr<SelectStmt> first;
        if (acceptSymbol("(")) {
            first = selectWithUnions();
            expectSymbol(")");
        } else {
            first = selectCore();
        }
        while (peek().isWord("UNION")) {
            next();
            bool all = acceptWord("ALL");
            std::shared_ptr<SelectStmt> other;
            if (acceptSymbol("(")) {
                other = selectWithUnions();
                expectSymbol(")");
            } else {
                other = selectCore();
            }
            first->unions.push_back({all, other});
        }
        if (acceptWord("ORDER")) {
            expectWord("BY");
            do {
                OrderItem o;
                o.expr = expr();
                if (acceptWord("DESC"))
                    o.descending = true;
                else
                    acceptWord("ASC");
                first->orderBy.push_back(o);
            } while (acceptSymbol(","));
        }
        if (acceptWord("OPTION")) {
            skipParenthesized();
        }
        return first;
    }

    std::shared_ptr<SelectStmt> selectCore()
    {
        expectWord("SELECT");
        auto s = std::make_shared<SelectStmt>();
        if (acceptWord("DISTINCT"))
            s->distinct = true;
        else
            acceptWord("ALL");
        if (peek().isWord("TOP"))
            s->top = topClause(s->topPercent);
        do {
            s->items.push_back(selectItem());
        } while (acceptSymbol(","));
        if (acceptWord("INTO"))
            s->into = multiName();
        if (acceptWord("FROM"))
            s->from = tableRefs();
        if (acceptWord("WHERE"))
            s->where = expr();
        if (acceptWord("GROUP")) {
            expectWord("BY");
            do {
                s->groupBy.push_back(expr());
            } while (acceptSymbol(","));
        }
        if (acceptWord("HAVING"))
            s->having = expr();
        return s;
    }

    SelectItem selectItem()
    {
        SelectItem item;
        if (acceptSymbol("*")) {
            item.star = true;
            return item;
        }
        // t.* / dbo.t.*
        {
            size_t save = pos_;
            QStringList parts;
            while (peek().isName() && peek(1).isSymbol(".")) {
                parts << next().text;
                next();
                if (acceptSymbol("*")) {
                    item.star = true;
                    item.starQualifier = parts;
                    return item;
                }
            }
            pos_ = save;
        }
        if (peek().kind == TokenKind::Variable && peek(1).isSymbol("=")) {
            item.assignVariable = next().text;
            next();
            item.expr = expr();
            return item;
        }
        if ((peek().kind == TokenKind::QuotedIdentifier || (peek().kind == TokenKind::Identifier && !isReserved(peek()))) &&
            peek(1).isSymbol("=")) {
            item.alias = next().text;
            next();
            item.expr = expr();
            return item;
        }
        item.expr = expr();
        if (acceptWord("AS")) {
            if (peek().kind == TokenKind::String)
                item.alias = next().text;
            else
                item.alias = name();
        } else if (peek().kind == TokenKind::QuotedIdentifier || peek().kind == TokenKind::String ||
                   (peek().kind == TokenKind::Identifier && !isReserved(peek()))) {
            item.alias = next().text;
        }
        return item;
    }

    std::vector<TableRef> tableRefs()
    {
        std::vector<TableRef> refs;
        refs.push_back(tableSource());
        while (true) {
            JoinType join;
            if (acceptSymbol(",")) {
                join = JoinType::Cross;
            } else if (acceptWord("CROSS")) {
                expectWord("JOIN");
                join = JoinType::Cross;
            } else if (acceptWord("INNER")) {
                expectWord("JOIN");
                join = JoinType::Inner;
            } else if (acceptWord("JOIN")) {
                join = JoinType::Inner;
            } else if (acceptWord("LEFT")) {
                acceptWord("OUTER");
                expectWord("JOIN");
                join = JoinType::Left;
            } else if (acceptWord("RIGHT")) {
                acceptWord("OUTER");
                expectWord("JOIN");
                join = JoinType::Right;
            } else if (acceptWord("FULL")) {
                acceptWord("OUTER");
                expectWord("JOIN");
                join = JoinType::Full;
            } else {
                break;
            }
            TableRef r = tableSource();
            r.join = join;
            if (join != JoinType::Cross) {
                expectWord("ON");
                r.on = expr();
            }
            refs.push_back(std::move(r));
        }
        return refs;
    }

    TableRef tableSource()
    {
        TableRef r;
        if (peek().isSymbol("(") && (peek(1).isWord("SELECT") || peek(1).isSymbol("("))) {
            next();
            r.derived = selectWithUnions();
            expectSymbol(")");
        } else {
            acceptSymbol("::");
            r.name = multiName();
            if (peek().isSymbol("(")) {
                next();
                r.isFunction = true;
                if (!peek().isSymbol(")")) {
                    do {
                        if (acceptWord("DEFAULT")) {
                            auto e = std::make_shared<Expr>();
                            e->kind = ExprKind::Default;
                            r.functionArgs.push_back(e);
                        } else {
                            r.functionArgs.push_back(expr());
                        }
                    } while (acceptSymbol(","));
                }
                expectSymbol(")");
            }
        }
        if (acceptWord("AS")) {
            r.alias = name();
        } else if (peek().kind == TokenKind::QuotedIdentifier || (peek().kind == TokenKind::Identifier && !isReserved(peek()))) {
            r.alias = next().text;
        }
        if (r.derived && r.alias.isEmpty())
            fail();
        if (peek().isWord("WITH") && peek(1).isSymbol("(")) {
            next();
            skipParenthesized();
        }
        return r;
    }

    void skipParenthesized()
    {
        expectSymbol("(");
        int depth = 1;
        while (depth > 0) {
            const Token& t = next();
            if (t.kind == TokenKind::End)
                fail();
            if (t.isSymbol("("))
                ++depth;
            else if (t.isSymbol(")"))
                --depth;
        }
    }

    // --- DDL -----------------------------------------------------------------------------
    SqlType type()
    {
        if (!peek().isName())
            fail();
        QString typeName = next().text;
        while (acceptSymbol("."))
            typeName = name();
        if (typeName.compare(QLatin1String("double"), Qt::CaseInsensitive) == 0 && acceptWord("PRECISION"))
            typeName = QStringLiteral("float");
        QString args;
        if (acceptSymbol("(")) {
            do {
                const Token& t = next();
                if (t.kind != TokenKind::Number && !t.isWord("MAX"))
                    fail();
                if (!args.isEmpty())
                    args += QLatin1Char(',');
                args += t.text;
            } while (acceptSymbol(","));
            expectSymbol(")");
        }
        return parseTypeName(typeName, args);
    }

    ExprPtr defaultValue(QString& text)
    {
        const int start = peek().start;
        ExprPtr e = additive();
        text = text_.mid(start, prevEnd() - start);
        return e;
    }

    QStringList keyColumns()
    {
        QStringList cols;
        expectSymbol("(");
        do {
            cols << name();
            if (!acceptWord("ASC"))
                acceptWord("DESC");
        } while (acceptSymbol(","));
        expectSymbol(")");
        return cols;
    }

    void indexOptions()
    {
        if (peek().isWord("WITH") && peek(1).isSymbol("(")) {
            next();
            skipParenthesized();
        }
        if (peek().isWord("ON") && peek(1).isName()) {
            next();
            next();
        }
    }

    ConstraintDef constraintBody(const QString& constraintName)
    {
        ConstraintDef c;
        c.name = constraintName;
        if (acceptWord("PRIMARY")) {
            expectWord("KEY");
            c.kind = ConstraintKind::PrimaryKey;
            if (acceptWord("NONCLUSTERED"))
                c.clustered = false;
            else
                acceptWord("CLUSTERED");
            c.columns = keyColumns();
            indexOptions();
        } else if (acceptWord("UNIQUE")) {
            c.kind = ConstraintKind::Unique;
            c.clustered = acceptWord("CLUSTERED");
            acceptWord("NONCLUSTERED");
            c.columns = keyColumns();
            indexOptions();
        } else if (acceptWord("FOREIGN")) {
            expectWord("KEY");
            c.kind = ConstraintKind::ForeignKey;
            c.columns = keyColumns();
            references(c);
        } else if (acceptWord("CHECK")) {
            c.kind = ConstraintKind::Check;
            acceptWord("NOT");
            expectSymbol("(");
            const int start = peek().start;
            c.expr = expr();
            c.exprText = text_.mid(start, prevEnd() - start);
            expectSymbol(")");
        } else if (acceptWord("DEFAULT")) {
            c.kind = ConstraintKind::Default;
            c.expr = defaultValue(c.exprText);
            expectWord("FOR");
            c.forColumn = name();
        } else {
            fail();
        }
        return c;
    }

    void references(ConstraintDef& c)
    {
        expectWord("REFERENCES");
        c.refTable = multiName();
        if (peek().isSymbol("("))
            c.refColumns = keyColumns();
        while (peek().isWord("ON") && (peek(1).isWord("DELETE") || peek(1).isWord("UPDATE"))) {
            next();
            next();
            if (acceptWord("NO"))
                expectWord("ACTION");
            else if (acceptWord("SET")) {
                if (!acceptWord("NULL"))
                    expectWord("DEFAULT");
            } else
                expectWord("CASCADE");
        }
        if (acceptWord("NOT"))
            expectWord("FOR");
    }

    ColumnDef columnDef(std::vector<ConstraintDef>& extra)
    {
        ColumnDef c;
        c.name = name();
        c.type = type();
        while (true) {
            if (acceptWord("IDENTITY")) {
                c.identity = true;
                if (acceptSymbol("(")) {
                    c.seed = signedInteger();
                    expectSymbol(",");
                    c.increment = signedInteger();
                    expectSymbol(")");
                }
            } else if (acceptWord("NULL")) {
                c.nullable = true;
            } else if (peek().isWord("NOT") && peek(1).isWord("NULL")) {
                next();
                next();
                c.nullable = false;
            } else if (peek().isWord("NOT") && peek(1).isWord("FOR")) {
                next();
                next();
                expectWord("REPLICATION");
            } else if (acceptWord("CONSTRAINT")) {
                QString constraintName = name();
                columnConstraint(c, constraintName, extra);
            } else if (peek().isWord("DEFAULT") || peek().isWord("PRIMARY") || peek().isWord("UNIQUE") ||
                       peek().isWord("CHECK") || peek().isWord("REFERENCES") || peek().isWord("FOREIGN")) {
                columnConstraint(c, QString(), extra);
            } else if (acceptWord("ROWGUIDCOL")) {
                c.rowGuid = true;
            } else if (acceptWord("COLLATE")) {
                name();
            } else if (acceptWord("SPARSE")) {
            } else {
                break;
            }
        }
        return c;
    }

    void columnConstraint(ColumnDef& c, const QString& constraintName, std::vector<ConstraintDef>& extra)
    {
        if (acceptWord("DEFAULT")) {
            c.defaultName = constraintName;
            c.defaultExpr = defaultValue(c.defaultText);
            if (acceptWord("WITH"))
                expectWord("VALUES");
        } else if (acceptWord("PRIMARY")) {
            expectWord("KEY");
            c.primaryKey = true;
            c.keyName = constraintName;
            if (acceptWord("NONCLUSTERED"))
                c.clustered = false;
            else
                acceptWord("CLUSTERED");
            indexOptions();
        } else if (acceptWord("UNIQUE")) {
            c.unique = true;
            c.keyName = constraintName;
            acceptWord("CLUSTERED");
            acceptWord("NONCLUSTERED");
            indexOptions();
        } else if (peek().isWord("CHECK")) {
            ConstraintDef d = constraintBody(constraintName);
            extra.push_back(d);
        } else if (peek().isWord("REFERENCES") || peek().isWord("FOREIGN")) {
            ConstraintDef d;
            d.name = constraintName;
            d.kind = ConstraintKind::ForeignKey;
            if (acceptWord("FOREIGN"))
                expectWord("KEY");
            d.columns << c.name;
            references(d);
            extra.push_back(d);
        } else {
            fail();
        }
    }

    int64_t signedInteger()
    {
        bool negative = acceptSymbol("-");
        if (!negative)
            acceptSymbol("+");
        const Token& t = next();
        if (t.kind != TokenKind::Number)
            fail();
        int64_t v = t.text.toLongLong();
        return negative ? -v : v;
    }

    void tableElement(std::vector<ColumnDef>& columns, std::vector<ConstraintDef>& constraints)
    {
        if (acceptWord("CONSTRAINT")) {
            QString n = name();
            constraints.push_back(constraintBody(n));
        } else if (peek().isWord("PRIMARY") || peek().isWord("UNIQUE") || peek().isWord("FOREIGN") ||
                   peek().isWord("CHECK")) {
            constraints.push_back(constraintBody(QString()));
        } else {
            columns.push_back(columnDef(constraints));
        }
    }

    StmtPtr createStatement()
    {
        next();
        if (acceptWord("TABLE")) {
            auto s = std::make_shared<CreateTableStatement>();
            s->name = multiName();
            expectSymbol("(");
            do {
                if (peek().isSymbol(")"))
                    break;  // trailing comma
                tableElement(s->columns, s->constraints);
            } while (acceptSymbol(","));
            expectSymbol(")");
            while (true) {
                if ((peek().isWord("ON") || peek().isWord("TEXTIMAGE_ON")) && peek(1).isName()) {
                    next();
                    next();
                } else if (peek().isWord("WITH") && peek(1).isSymbol("(")) {
                    next();
                    skipParenthesized();
                } else {
                    break;
                }
            }
            return s;
        }
        if (acceptWord("DATABASE")) {
            auto s = std::make_shared<DatabaseStatement>(StmtKind::CreateDatabase);
            s->name = name();
            return s;
        }
        // CREATE [UNIQUE] [CLUSTERED|NONCLUSTERED] INDEX name ON table (columns) ...: accepted, no effect.
        acceptWord("UNIQUE");
        if (!acceptWord("CLUSTERED"))
            acceptWord("NONCLUSTERED");
        if (acceptWord("INDEX")) {
            auto s = std::make_shared<SetOptionStatement>();
            s->option = QStringLiteral("INDEX");
            name();
            expectWord("ON");
            s->arguments = multiName();
            keyColumns();
            if (acceptWord("INCLUDE"))
                keyColumns();
            if (acceptWord("WHERE"))
                expr();
            indexOptions();
            return s;
        }
        fail();
    }

    StmtPtr alterStatement()
    {
        next();
        if (!acceptWord("TABLE"))
            fail();
        auto s = std::make_shared<AlterTableStatement>();
        s->table = multiName();
        if (acceptWord("WITH")) {
            if (!acceptWord("CHECK"))
                expectWord("NOCHECK");
        }
        if (acceptWord("ADD")) {
            s->action = AlterAction::Add;
            do {
                tableElement(s->columns, s->constraints);
            } while (acceptSymbol(","));
        } else if (acceptWord("DROP")) {
            if (acceptWord("COLUMN")) {
                s->action = AlterAction::DropColumn;
                if (peek().isWord("IF") && peek(1).isWord("EXISTS")) {
                    next();
                    next();
                    s->ifExists = true;
                }
                do {
                    acceptWord("COLUMN");
                    s->names << name();
                } while (acceptSymbol(","));
            } else {
                acceptWord("CONSTRAINT");
                s->action = AlterAction::DropConstraint;
                if (peek().isWord("IF") && peek(1).isWord("EXISTS")) {
                    next();
                    next();
                    s->ifExists = true;
                }
                do {
                    acceptWord("CONSTRAINT");
                    s->names << name();
                } while (acceptSymbol(","));
            }
        } else if (acceptWord("SET")) {
            s->action = AlterAction::SetOptions;
            skipParenthesized();
        } else if (acceptWord("ALTER")) {
            expectWord("COLUMN");
            s->action = AlterAction::AlterColumn;
            ColumnDef c;
            c.name = name();
            c.type = type();
            if (acceptWord("COLLATE"))
                name();
            if (acceptWord("NULL"))
                c.nullable = true;
            else if (acceptWord("NOT")) {
                expectWord("NULL");
                c.nullable = false;
            }
            s->columns.push_back(c);
        } else if (acceptWord("CHECK") || acceptWord("NOCHECK")) {
            s->action = AlterAction::SetOptions;
            expectWord("CONSTRAINT");
            if (!acceptWord("ALL"))
                name();
        } else {
            fail();
        }
        return s;
    }

    StmtPtr dropStatement()
    {
        next();
        if (acceptWord("TABLE")) {
            auto s = std::make_shared<DropTableStatement>();
            if (peek().isWord("IF") && peek(1).isWord("EXISTS")) {
                next();
                next();
                s->ifExists = true;
            }
            do {
                s->names.push_back(multiName());
            } while (acceptSymbol(","));
            return s;
        }
        if (acceptWord("DATABASE")) {
            auto s = std::make_shared<DatabaseStatement>(StmtKind::DropDatabase);
            s->name = name();
            return s;
        }
        fail();
    }


    // --- modules: triggers, procedures, functions ------------------------------------------
    static bool moduleKeyword(const Token& t)
    {
        return t.isWord("TRIGGER") || t.isWord("PROC") || t.isWord("PROCEDURE") || t.isWord("FUNCTION");
    }

    static ModuleKind moduleKind(const Token& t)
    {
        if (t.isWord("TRIGGER"))
            return ModuleKind::Trigger;
        if (t.isWord("FUNCTION"))
            return ModuleKind::Function;
        return ModuleKind::Procedure;
    }

    // CREATE/ALTER of a module: the first statement of its batch, its body the rest of the batch.
    StmtPtr moduleStatement(bool firstInBatch)
    {
        const bool alter = peek().isWord("ALTER");
        next();
        auto s = std::make_shared<CreateModuleStatement>();
        s->alter = alter;
        s->definition = text_;
        s->kind = moduleKind(peek());
        if (!firstInBatch) {
            QString what = s->kind == ModuleKind::Procedure ? QStringLiteral("CREATE/ALTER PROCEDURE")
                         : QStringLiteral("%1 %2").arg(alter ? QStringLiteral("ALTER") : QStringLiteral("CREATE"),
                                                       s->kind == ModuleKind::Trigger ? QStringLiteral("TRIGGER")
                                                                                      : QStringLiteral("FUNCTION"));
            SqlError e = sqlError(111, QStringLiteral("'%1' must be the first statement in a query batch.").arg(what), 15);
            e.message.line = peek().line;
            throw e;
        }
        next();
        s->name = multiName();
        if (s->kind == ModuleKind::Trigger) {
            expectWord("ON");
            s->table = multiName();
            if (acceptWord("WITH")) {
                do {
                    next();  // ENCRYPTION, EXECUTE AS ... : accepted
                } while (acceptSymbol(","));
            }
            if (!acceptWord("AFTER") && !acceptWord("FOR"))
                fail();  // INSTEAD OF triggers are not part of this server
            do {
                if (acceptWord("INSERT"))
                    s->onInsert = true;
                else if (acceptWord("UPDATE"))
                    s->onUpdate = true;
                else if (acceptWord("DELETE"))
                    s->onDelete = true;
                else
                    fail();
            } while (acceptSymbol(","));
            if (acceptWord("NOT")) {
                expectWord("FOR");
                expectWord("REPLICATION");
            }
            expectWord("AS");
        } else if (s->kind == ModuleKind::Procedure) {
            const bool parenthesized = acceptSymbol("(");
            if (peek().kind == TokenKind::Variable) {
                do {
                    s->parameters.push_back(parameter(true));
                } while (acceptSymbol(","));
            }
            if (parenthesized)
                expectSymbol(")");
            moduleOptions();
            expectWord("AS");
        } else {
            expectSymbol("(");
            if (peek().kind == TokenKind::Variable) {
                do {
                    s->parameters.push_back(parameter(false));
                } while (acceptSymbol(","));
            }
            expectSymbol(")");
            expectWord("RETURNS");
            if (peek().isWord("TABLE"))
                fail();  // table-valued functions are not part of this server
            s->returns = type();
            moduleOptions();
            acceptWord("AS");
            if (!peek().isWord("BEGIN"))
                fail();
        }
        while (true) {
            while (acceptSymbol(";")) {
            }
            if (peek().kind == TokenKind::End)
                break;
            s->body.push_back(statement(false));
        }
        return s;
    }

    void moduleOptions()
    {
        if (!acceptWord("WITH"))
            return;
        do {
            if (acceptWord("EXECUTE") || acceptWord("EXEC")) {
                expectWord("AS");
                next();
            } else if (peek().isName()) {
                next();  // RECOMPILE, ENCRYPTION, SCHEMABINDING, RETURNS NULL ON NULL INPUT ...
                while (peek().isWord("NULL") || peek().isWord("ON") || peek().isWord("INPUT") || peek().isWord("CALLED"))
                    next();
            } else {
                fail();
            }
        } while (acceptSymbol(","));
    }

    Parameter parameter(bool procedure)
    {
        if (peek().kind != TokenKind::Variable)
            fail();
        Parameter p;
        p.name = next().text;
        acceptWord("AS");
        p.type = type();
        if (acceptWord("VARYING")) {
        }
        if (acceptSymbol("="))
            p.defaultValue = unary();
        if (procedure && (acceptWord("OUTPUT") || acceptWord("OUT")))
            p.output = true;
        acceptWord("READONLY");
        return p;
    }

    StmtPtr dropModuleStatement()
    {
        next();
        auto s = std::make_shared<DropModuleStatement>();
        s->kind = moduleKind(next());
        if (peek().isWord("IF") && peek(1).isWord("EXISTS")) {
            next();
            next();
            s->ifExists = true;
        }
        do {
            s->names.push_back(multiName());
        } while (acceptSymbol(","));
        return s;
    }

    // --- cursors and procedural statements ---------------------------------------------------
    StmtPtr declareCursor()
    {
        next();
        auto s = std::make_shared<CursorStatement>();
        s->action = CursorAction::Declare;
        s->name = name();
        // ISO form: DECLARE c [INSENSITIVE] [SCROLL] CURSOR FOR ...
        acceptWord("INSENSITIVE");
        acceptWord("SCROLL");
        expectWord("CURSOR");
        static const char* const options[] = {"FORWARD_ONLY", "SCROLL", "STATIC", "KEYSET", "DYNAMIC", "FAST_FORWARD",
                                              "READ_ONLY", "SCROLL_LOCKS", "OPTIMISTIC", "TYPE_WARNING"};
        while (true) {
            if (acceptWord("LOCAL")) {
                s->local = true;
                continue;
            }
            if (acceptWord("GLOBAL")) {
                s->global = true;
                continue;
            }
            bool known = false;
            for (const char* o : options)
                known = known || acceptWord(o);
            if (!known)
                break;
        }
        expectWord("FOR");
        s->select = selectWithUnions();
        if (acceptWord("FOR")) {
            if (acceptWord("READ")) {
                expectWord("ONLY");
            } else {
                expectWord("UPDATE");
                if (acceptWord("OF")) {
                    do {
                        name();
                    } while (acceptSymbol(","));
                }
            }
        }
        return s;
    }

    StmtPtr cursorStatement()
    {
        auto s = std::make_shared<CursorStatement>();
        const Token& t = next();
        if (t.isWord("OPEN"))
            s->action = CursorAction::Open;
        else if (t.isWord("CLOSE"))
            s->action = CursorAction::Close;
        else if (t.isWord("DEALLOCATE"))
            s->action = CursorAction::Deallocate;
        else
            s->action = CursorAction::Fetch;
        if (s->action == CursorAction::Fetch) {
            s->fetchDirection = QStringLiteral("NEXT");
            for (const char* d : {"NEXT", "PRIOR", "FIRST", "LAST"})
                if (acceptWord(d))
                    s->fetchDirection = QString::fromLatin1(d);
            if (peek().isWord("ABSOLUTE") || peek().isWord("RELATIVE")) {
                s->fetchDirection = next().text.toUpper();
                unary();
            }
            acceptWord("FROM");
        }
        if (peek().isWord("GLOBAL") && peek(1).isName()) {
            next();
            s->global = true;
        }
        s->name = name();
        if (s->action == CursorAction::Fetch && acceptWord("INTO")) {
            do {
                if (peek().kind != TokenKind::Variable)
                    fail();
                s->into << next().text;
            } while (acceptSymbol(","));
        }
        return s;
    }

    StmtPtr raiserrorStatement()
    {
        next();
        auto s = std::make_shared<RaiserrorStatement>();
        expectSymbol("(");
        do {
            s->args.push_back(expr());
        } while (acceptSymbol(","));
        expectSymbol(")");
        if (s->args.size() < 3)
            fail();
        if (acceptWord("WITH")) {
            do {
                if (acceptWord("SETERROR"))
                    s->setError = true;
                else if (!acceptWord("NOWAIT") && !acceptWord("LOG"))
                    fail();
            } while (acceptSymbol(","));
        }
        return s;
    }

    // --- expressions ---------------------------------------------------------------------
    ExprPtr make(ExprKind kind, int start)
    {
        auto e = std::make_shared<Expr>();
        e->kind = kind;
        e->start = start;
        return e;
    }
    ExprPtr finish(ExprPtr e)
    {
        e->end = prevEnd();
        return e;
    }

    ExprPtr expr() { return orExpr(); }

    ExprPtr orExpr()
    {
        const int start = peek().start;
        ExprPtr left = andExpr();
        while (acceptWord("OR")) {
            ExprPtr e = make(ExprKind::Or, start);
            e->args = {left, andExpr()};
            left = finish(e);
        }
        return left;
    }

    ExprPtr andExpr()
    {
        const int start = peek().start;
        ExprPtr left = notExpr();
        while (acceptWord("AND")) {
            ExprPtr e = make(ExprKind::And, start);
            e->args = {left, notExpr()};
            left = finish(e);
        }
        return left;
    }

    ExprPtr notExpr()
    {
        const int start = peek().start;
        if (acceptWord("NOT")) {
            ExprPtr e = make(ExprKind::Not, start);
            e->args = {notExpr()};
            return finish(e);
        }
        return predicate();
    }

    ExprPtr predicate()
    {
        const int start = peek().start;
        if (acceptWord("EXISTS")) {
            ExprPtr e = make(ExprKind::Exists, start);
            expectSymbol("(");
            e->subquery = selectWithUnions();
            expectSymbol(")");
            return finish(e);
        }
        ExprPtr left = additive();
        const Token& t = peek();
        static const std::pair<const char*, CompareOp> ops[] = {
            {"=", CompareOp::Eq}, {"<>", CompareOp::Ne}, {"!=", CompareOp::Ne}, {"<", CompareOp::Lt},
            {"<=", CompareOp::Le}, {">", CompareOp::Gt}, {">=", CompareOp::Ge}, {"!<", CompareOp::Ge},
            {"!>", CompareOp::Le}};
        for (const auto& [sym, op] : ops) {
            if (t.isSymbol(sym)) {
                next();
                ExprPtr e = make(ExprKind::Compare, start);
                e->cmp = op;
                e->args = {left, additive()};
                return finish(e);
            }
        }
        if (acceptWord("IS")) {
            ExprPtr e = make(ExprKind::IsNull, start);
            e->negated = acceptWord("NOT");
            expectWord("NULL");
            e->args = {left};
            return finish(e);
        }
        bool negated = false;
        if (peek().isWord("NOT") && (peek(1).isWord("LIKE") || peek(1).isWord("IN") || peek(1).isWord("BETWEEN"))) {
            next();
            negated = true;
        }
        if (acceptWord("LIKE")) {
            ExprPtr e = make(ExprKind::Like, start);
            e->negated = negated;
            e->args = {left, additive()};
            if (acceptWord("ESCAPE"))
                e->args.push_back(additive());
            return finish(e);
        }
        if (acceptWord("IN")) {
            ExprPtr e = make(ExprKind::In, start);
            e->negated = negated;
            e->args = {left};
            expectSymbol("(");
            if (peek().isWord("SELECT")) {
                e->subquery = selectWithUnions();
            } else {
                do {
                    e->args.push_back(expr());
                } while (acceptSymbol(","));
            }
            expectSymbol(")");
            return finish(e);
        }
        if (acceptWord("BETWEEN")) {
            ExprPtr e = make(ExprKind::Between, start);
            e->negated = negated;
            ExprPtr low = additive();
            expectWord("AND");
            e->args = {left, low, additive()};
            return finish(e);
        }
        if (negated)
            fail();
        return left;
    }

    ExprPtr additive()
    {
        const int start = peek().start;
        ExprPtr left = multiplicative();
        while (true) {
            BinaryOp op;
            if (peek().isSymbol("+"))
                op = BinaryOp::Add;
            else if (peek().isSymbol("-"))
                op = BinaryOp::Subtract;
            else if (peek().isSymbol("&"))
                op = BinaryOp::BitAnd;
            else if (peek().isSymbol("|"))
                op = BinaryOp::BitOr;
            else if (peek().isSymbol("^"))
                op = BinaryOp::BitXor;
            else
                break;
            next();
            ExprPtr e = make(ExprKind::Binary, start);
            e->op = op;
            e->args = {left, multiplicative()};
            left = finish(e);
        }
        return left;
    }

    ExprPtr multiplicative()
    {
        const int start = peek().start;
        ExprPtr left = unary();
        while (true) {
            BinaryOp op;
            if (peek().isSymbol("*"))
                op = BinaryOp::Multiply;
            else if (peek().isSymbol("/"))
                op = BinaryOp::Divide;
            else if (peek().isSymbol("%"))
                op = BinaryOp::Modulo;
            else
                break;
            next();
            ExprPtr e = make(ExprKind::Binary, start);
            e->op = op;
            e->args = {left, unary()};
            left = finish(e);
        }
        return left;
    }

    ExprPtr unary()
    {
        const int start = peek().start;
        if (acceptSymbol("-")) {
            if (peek().kind == TokenKind::Number) {
                ExprPtr e = make(ExprKind::Literal, start);
                e->value = literalNumber(QLatin1Char('-') + next().text);
                return finish(e);
            }
            ExprPtr e = make(ExprKind::Negate, start);
            e->args = {unary()};
            return finish(e);
        }
        if (acceptSymbol("+"))
            return unary();
        if (acceptSymbol("~")) {
            ExprPtr e = make(ExprKind::BitNot, start);
            e->args = {unary()};
            return finish(e);
        }
        return primary();
    }

    ExprPtr primary()
    {
        const Token& t = peek();
        const int start = t.start;
        switch (t.kind) {
        case TokenKind::Number: {
            ExprPtr e = make(ExprKind::Literal, start);
            e->value = literalNumber(next().text);
            return finish(e);
        }
        case TokenKind::String: {
            ExprPtr e = make(ExprKind::Literal, start);
            const Token& s = next();
            e->value = stringValue(s.text, s.unicode);
            return finish(e);
        }
        case TokenKind::Binary: {
            ExprPtr e = make(ExprKind::Literal, start);
            QByteArray bytes = QByteArray::fromHex(next().text.toLatin1());
            e->value = Value{SqlType{TypeId::VarBinary, int(qMax<qsizetype>(1, bytes.size())), 0, 0}, bytes};
            return finish(e);
        }
        case TokenKind::Variable: {
            ExprPtr e = make(ExprKind::Variable, start);
            e->name = next().text;
            return finish(e);
        }
        case TokenKind::Symbol:
            if (t.isSymbol("(")) {
                next();
                if (peek().isWord("SELECT")) {
                    ExprPtr e = make(ExprKind::Subquery, start);
                    e->subquery = selectWithUnions();
                    expectSymbol(")");
                    return finish(e);
                }
                ExprPtr inner = expr();
                expectSymbol(")");
                return inner;
            }
            fail();
        case TokenKind::End:
            fail();
        case TokenKind::Identifier:
        case TokenKind::QuotedIdentifier:
            break;
        }
        if (t.kind == TokenKind::Identifier) {
            if (t.isWord("NULL")) {
                next();
                ExprPtr e = make(ExprKind::Literal, start);
                e->value = nullValue(SqlType{TypeId::Int, 0, 0, 0});
                return finish(e);
            }
            if (t.isWord("DEFAULT")) {
                next();
                return finish(make(ExprKind::Default, start));
            }
            if (t.isWord("CASE"))
                return caseExpr();
            if (t.isWord("UPDATE") && peek(1).isSymbol("(")) {
                // UPDATE(column) inside a trigger: whether the statement set the column.
                next();
                next();
                ExprPtr e = make(ExprKind::Function, start);
                e->name = QStringLiteral("UPDATE");
                ExprPtr column = make(ExprKind::Column, peek().start);
                column->parts = multiName();
                e->args = {finish(column)};
                expectSymbol(")");
                return finish(e);
            }
            if (t.isWord("CAST") || t.isWord("TRY_CAST")) {
                ExprPtr e = make(ExprKind::Cast, start);
                e->name = next().text.toUpper();
                expectSymbol("(");
                e->args = {expr()};
                expectWord("AS");
                e->castType = type();
                expectSymbol(")");
                return finish(e);
            }
            if (t.isWord("CONVERT") || t.isWord("TRY_CONVERT")) {
                ExprPtr e = make(ExprKind::Cast, start);
                e->name = next().text.toUpper();
                expectSymbol("(");
                e->castType = type();
                expectSymbol(",");
                e->args = {expr()};
                if (acceptSymbol(","))
                    e->args.push_back(expr());
                expectSymbol(")");
                return finish(e);
            }
            static const char* const niladic[] = {"SYSTEM_USER", "CURRENT_TIMESTAMP", "CURRENT_USER", "SESSION_USER",
                                                  "USER"};
            for (const char* w : niladic) {
                if (t.isWord(w) && !peek(1).isSymbol("(")) {
                    ExprPtr e = make(ExprKind::Function, start);
                    e->name = next().text.toUpper();
                    return finish(e);
                }
            }
            const bool functionKeyword = (t.isWord("LEFT") || t.isWord("RIGHT") || t.isWord("COALESCE") ||
                                          t.isWord("NULLIF") || t.isWord("USER")) && peek(1).isSymbol("(");
            if (isReserved(t) && !functionKeyword)
                fail();
        }
        QStringList parts;
        parts << next().text;
        while (peek().isSymbol(".") && peek(1).isName()) {
            next();
            parts << next().text;
        }
        if (peek().isSymbol("(") && t.kind == TokenKind::Identifier) {
            next();
            ExprPtr e = make(ExprKind::Function, start);
            e->name = parts.last().toUpper();
            e->parts = parts;
            if (!peek().isSymbol(")")) {
                if (acceptSymbol("*")) {
                    e->star = true;
                } else if (takesDatePart(e->name) && peek().kind == TokenKind::Identifier && !peek(1).isSymbol("(") &&
                           !peek(1).isSymbol(".")) {
                    // The date part is a keyword, never a column: DATEADD(year, 1, d).
                    ExprPtr part = make(ExprKind::Literal, peek().start);
                    part->name = QStringLiteral("DATEPART");
                    part->value = stringValue(next().text.toLower(), false);
                    e->args.push_back(finish(part));
                    while (acceptSymbol(","))
                        e->args.push_back(expr());
                } else {
                    if (acceptWord("DISTINCT"))
                        e->distinct = true;
                    else
                        acceptWord("ALL");
                    do {
                        e->args.push_back(expr());
                    } while (acceptSymbol(","));
                }
            }
            expectSymbol(")");
            return finish(e);
        }
        ExprPtr e = make(ExprKind::Column, start);
        e->parts = parts;
        return finish(e);
    }

    static bool takesDatePart(const QString& upperName)
    {
        return upperName == QLatin1String("DATEADD") || upperName == QLatin1String("DATEDIFF") ||
               upperName == QLatin1String("DATEPART") || upperName == QLatin1String("DATENAME") ||
               upperName == QLatin1String("DATEDIFF_BIG");
    }

    ExprPtr caseExpr()
    {
        const int start = peek().start;
        next();
        ExprPtr e = make(ExprKind::Case, start);
        if (!peek().isWord("WHEN"))
            e->caseOperand = expr();
        if (!peek().isWord("WHEN"))
            fail();
        while (acceptWord("WHEN")) {
            e->args.push_back(expr());
            expectWord("THEN");
            e->args.push_back(expr());
        }
        if (acceptWord("ELSE"))
            e->elseExpr = expr();
        expectWord("END");
        return finish(e);
    }

    QString text_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int loopDepth_ = 0;  // WHILE bodies around the statement being read (BREAK, CONTINUE)
};

}  // namespace

std::vector<StmtPtr> parseBatch(const QString& text)
{
    Parser p(text);
    return p.batch();
}

ExprPtr parseExpression(const QString& text)
{
    Parser p(text);
    return p.singleExpression();
}

}  // namespace standin
