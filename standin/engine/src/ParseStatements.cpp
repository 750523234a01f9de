// Statements: the dispatch on the first word, SET, DECLARE, EXEC, transactions, INSERT, UPDATE, DELETE.
#include "ParserImpl.h"

namespace standin::parsing {

StmtPtr Parser::statement(bool firstInBatch)
{
    const Token& t = peek();
    const int start = t.start;
    const int line = t.line;
    StmtPtr s = statementBody(firstInBatch);
    afterCondition_ = false;
    s->start = start;
    s->end = prevEnd();
    s->line = line;
    return s;
}

StmtPtr Parser::statementBody(bool firstInBatch)
{
    const Token& t = peek();
    if (t.isWord("SELECT") || (t.isSymbol("(") && peek(1).isWord("SELECT"))) {
        auto s = std::make_shared<SelectStatement>();
        s->select = selectWithUnions();
        return s;
    }
    if (t.isWord("WITH") && peek(1).isName())
        return withStatement();
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
    if ((t.isWord("ENABLE") || t.isWord("DISABLE")) && peek(1).isWord("TRIGGER"))
        return enableTriggerStatement(nullptr);
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
        afterCondition_ = true;
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
        afterCondition_ = true;
        s->body = statement(false);
        --loopDepth_;
        return s;
    }
    if (t.isWord("WAITFOR")) {
        next();
        auto s = std::make_shared<WaitForStatement>();
        if (acceptWord("TIME"))
            s->untilTime = true;
        else
            expectWord("DELAY");
        s->value = expr();
        return s;
    }
    if (t.isWord("THROW"))
        return throwStatement();
    if (t.isWord("BEGIN") && peek(1).isWord("TRY"))
        return tryStatement();
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

// The statements of a TRY or CATCH block, up to its END TRY / END CATCH.
std::vector<StmtPtr> Parser::blockUntilEnd(const char* closing)
{
    std::vector<StmtPtr> body;
    while (true) {
        while (acceptSymbol(";")) {
        }
        if (peek().isWord("END") && peek(1).isWord(closing))
            break;
        if (peek().kind == TokenKind::End || peek().isWord("END"))
            fail();
        body.push_back(statement(false));
    }
    next();
    next();
    return body;
}

StmtPtr Parser::tryStatement()
{
    next();
    next();
    auto s = std::make_shared<TryStatement>();
    s->tryBody = blockUntilEnd("TRY");
    // A TRY block is followed at once by its CATCH block.
    while (acceptSymbol(";")) {
    }
    if (!peek().isWord("BEGIN") || !peek(1).isWord("CATCH"))
        fail();
    next();
    next();
    ++catchDepth_;
    s->catchBody = blockUntilEnd("CATCH");
    --catchDepth_;
    return s;
}

StmtPtr Parser::throwStatement()
{
    // The statement before THROW must end with a semicolon: "SELECT 1 THROW" reads THROW as an alias.
    if (pos_ > 0) {
        const Token& before = tokens_[pos_ - 1];
        if (!before.isSymbol(";") && !before.isWord("BEGIN") && !before.isWord("TRY") && !before.isWord("CATCH") &&
            !before.isWord("ELSE") && !before.isWord("AS") && !afterCondition_)
            fail();
    }
    const Token& t = next();
    auto s = std::make_shared<ThrowStatement>();
    if (!startsExpression()) {
        if (catchDepth_ == 0) {
            SqlError e = sqlError(10704, QStringLiteral("To rethrow an error, a THROW statement must be used inside a "
                                                        "CATCH block. Insert the THROW statement inside a CATCH block, "
                                                        "or add error parameters to the THROW statement."), 15);
            e.message.line = t.line;
            throw e;
        }
        return s;
    }
    s->args.push_back(expr());
    expectSymbol(",");
    s->args.push_back(expr());
    expectSymbol(",");
    s->args.push_back(expr());
    return s;
}

bool Parser::startsExpression() const
{
    const Token& t = peek();
    if (t.kind == TokenKind::End || t.isSymbol(";"))
        return false;
    if (t.kind == TokenKind::Identifier && isReserved(t) && !t.isWord("NULL") && !t.isWord("CASE"))
        return false;
    return true;
}

StmtPtr Parser::transactionStatement(TransactionAction action)
{
    next();
    auto s = std::make_shared<TransactionStatement>();
    s->action = action;
    if (!acceptWord("TRAN") && !acceptWord("TRANSACTION")) {
        if (action == TransactionAction::Begin || action == TransactionAction::Save)
            fail();
        acceptWord("WORK");
    }
    if (peek().isName() && !isReserved(peek())) {
        const Token& t = next();
        if (t.text.size() > 32) {
            SqlError e = sqlError(103, QStringLiteral("The identifier that starts with '%1' is too long. Maximum length "
                                                      "is 32.").arg(t.text.left(32)), 15, 4);
            e.message.line = t.line;
            throw e;
        }
        s->name = t.text;
    } else if (peek().kind == TokenKind::Variable) {
        s->name = next().text;
    }
    return s;
}

StmtPtr Parser::setStatement()
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

std::optional<BinaryOp> Parser::compoundAssign()
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

StmtPtr Parser::declareStatement()
{
    next();
    auto s = std::make_shared<DeclareStatement>();
    do {
        if (peek().kind != TokenKind::Variable)
            fail();
        VariableDecl v;
        v.name = next().text;
        acceptWord("AS");
        const int line = peek().line;
        if (s->variables.empty() && peek().isWord("TABLE")) {
            // A table variable is declared alone: DECLARE @t TABLE (columns and constraints).
            next();
            v.table = std::make_shared<CreateTableStatement>();
            v.table->name << v.name;
            expectSymbol("(");
            do {
                if (peek().isSymbol(")"))
                    break;
                tableElement(v.table->columns, v.table->constraints);
            } while (acceptSymbol(","));
            expectSymbol(")");
            s->variables.push_back(v);
            return s;
        }
        v.type = type();
        if (isLargeObject(v.type.id)) {
            SqlError e = sqlError(2739, QStringLiteral("The text, ntext, and image data types are invalid for local "
                                                       "variables."));
            e.message.line = line;
            throw e;
        }
        if (acceptSymbol("="))
            v.init = expr();
        s->variables.push_back(v);
    } while (acceptSymbol(","));
    return s;
}

StmtPtr Parser::execStatement()
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

bool Parser::startsArgument() const
{
    const Token& t = peek();
    if (t.kind == TokenKind::End || t.isSymbol(";"))
        return false;
    if (t.kind == TokenKind::Identifier && isReserved(t) && !t.isWord("NULL") && !t.isWord("DEFAULT"))
        return false;
    return true;
}

StmtPtr Parser::insertStatement()
{
    next();
    auto s = std::make_shared<InsertStatement>();
    if (peek().isWord("TOP")) {
        // INSERT takes TOP in parentheses only, and without WITH TIES.
        if (!peek(1).isSymbol("(")) {
            next();
            fail();
        }
        s->top = topClause(s->topPercent);
        if (topWithTies_)
            fail();
    }
    acceptWord("INTO");
    s->table = tableName();
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

ExprPtr Parser::topClause(bool& percent)
{
    expectWord("TOP");
    ExprPtr e;
    if (acceptSymbol("(")) {
        if (peek().isWord("SELECT")) {
            e = make(ExprKind::Subquery, peek().start);
            InnerQuery inner(innerQueries_);
            e->subquery = selectWithUnions();
            finish(e);
        } else {
            e = expr();
        }
        expectSymbol(")");
    } else {
        // Without parentheses TOP takes a constant only: TOP @n is refused.
        if (peek().kind != TokenKind::Number)
            fail();
        e = primary();
    }
    percent = acceptWord("PERCENT");
    topWithTies_ = false;
    if (acceptWord("WITH")) {
        expectWord("TIES");
        topWithTies_ = true;
    }
    return e;
}

StmtPtr Parser::updateStatement()
{
    next();
    auto s = std::make_shared<UpdateStatement>();
    if (peek().isWord("TOP"))
        s->top = topClause(s->topPercent);
    s->target = tableName();
    expectWord("SET");
    do {
        Assignment a;
        if (peek().kind == TokenKind::Variable) {
            a.variable = next().text;
        } else {
            a.column = multiName();
        }
        a.compound = compoundAssign();
        if (!a.variable.isEmpty() && !a.compound && peek().isName()) {
            // SET @v = column = expression: the column and the variable both take the value.
            const size_t at = pos_;
            QStringList column = multiName();
            if (acceptSymbol("="))
                a.column = column;
            else
                pos_ = at;
        }
        a.value = expr();
        s->sets.push_back(a);
    } while (acceptSymbol(","));
    if (acceptWord("FROM"))
        s->from = tableRefs();
    if (acceptWord("WHERE"))
        s->where = expr();
    if (acceptWord("OPTION"))
        optionClause();
    return s;
}

StmtPtr Parser::deleteStatement()
{
    next();
    auto s = std::make_shared<DeleteStatement>();
    if (peek().isWord("TOP"))
        s->top = topClause(s->topPercent);
    acceptWord("FROM");
    s->target = tableName();
    if (peek().isName() && !isReserved(peek()))
        next();  // DELETE FROM t alias
    if (acceptWord("FROM"))
        s->from = tableRefs();
    if (acceptWord("WHERE"))
        s->where = expr();
    if (acceptWord("OPTION"))
        optionClause();
    return s;
}

}  // namespace standin::parsing
