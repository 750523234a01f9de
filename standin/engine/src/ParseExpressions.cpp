// Expressions: operators by precedence, predicates, literals, names, function calls, CASE.
#include "ParserImpl.h"

namespace standin::parsing {

ExprPtr Parser::make(ExprKind kind, int start)
{
    auto e = std::make_shared<Expr>();
    e->kind = kind;
    e->start = start;
    return e;
}

ExprPtr Parser::finish(ExprPtr e)
{
    e->end = prevEnd();
    return e;
}

ExprPtr Parser::orExpr()
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

ExprPtr Parser::andExpr()
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

ExprPtr Parser::notExpr()
{
    const int start = peek().start;
    if (acceptWord("NOT")) {
        ExprPtr e = make(ExprKind::Not, start);
        e->args = {notExpr()};
        return finish(e);
    }
    return predicate();
}

ExprPtr Parser::predicate()
{
    const int start = peek().start;
    if (acceptWord("EXISTS")) {
        ExprPtr e = make(ExprKind::Exists, start);
        expectSymbol("(");
        e->subquery = nestedSelect();
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
            e->subquery = nestedSelect();
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

ExprPtr Parser::additive()
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

ExprPtr Parser::multiplicative()
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

ExprPtr Parser::unary()
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

ExprPtr Parser::primary()
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
                e->subquery = nestedSelect();
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
        if ((t.isWord("PARSE") || t.isWord("TRY_PARSE")) && peek(1).isSymbol("(")) {
            // PARSE(text AS type [USING culture]): a function with a target type.
            ExprPtr e = make(ExprKind::Function, start);
            e->name = next().text.toUpper();
            expectSymbol("(");
            e->args = {expr()};
            expectWord("AS");
            e->castType = type();
            if (acceptWord("USING"))
                e->args.push_back(expr());
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
        if (peek().isWord("WITHIN") && peek(1).isWord("GROUP")) {
            next();
            next();
            expectSymbol("(");
            expectWord("ORDER");
            expectWord("BY");
            e->withinGroup = std::make_shared<WindowSpec>();
            e->withinGroup->orderBy = orderByList();
            expectSymbol(")");
        }
        if (peek().isWord("OVER"))
            e->over = overClause();
        return finish(e);
    }
    ExprPtr e = make(ExprKind::Column, start);
    e->parts = parts;
    return finish(e);
}

bool Parser::takesDatePart(const QString& upperName)
{
    return upperName == QLatin1String("DATEADD") || upperName == QLatin1String("DATEDIFF") ||
           upperName == QLatin1String("DATEPART") || upperName == QLatin1String("DATENAME") ||
           upperName == QLatin1String("DATEDIFF_BIG");
}

ExprPtr Parser::caseExpr()
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
    // One result at least must be more than the NULL constant (a missing ELSE is a NULL one).
    const auto bareNull = [](const ExprPtr& r) { return r->kind == ExprKind::Literal && r->value.isNull(); };
    bool typed = e->elseExpr && !bareNull(e->elseExpr);
    for (size_t i = 1; i < e->args.size(); i += 2)
        typed = typed || !bareNull(e->args[i]);
    if (!typed)
        throw nullOnlyCase();
    return finish(e);
}

}  // namespace standin::parsing
