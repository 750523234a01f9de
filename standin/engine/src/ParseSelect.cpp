// SELECT: select lists, UNION, ORDER BY, table sources and joins.
#include "ParserImpl.h"

namespace standin::parsing {

std::shared_ptr<SelectStmt> Parser::selectWithUnions()
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

std::shared_ptr<SelectStmt> Parser::selectCore()
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

SelectItem Parser::selectItem()
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

std::vector<TableRef> Parser::tableRefs()
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

TableRef Parser::tableSource()
{
    TableRef r;
    if (peek().isSymbol("(") && (peek(1).isWord("SELECT") || peek(1).isSymbol("("))) {
        next();
        r.derived = selectWithUnions();
        expectSymbol(")");
    } else {
        acceptSymbol("::");
        r.name = tableName();
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

void Parser::skipParenthesized()
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

}  // namespace standin::parsing
