// SELECT: select lists, UNION, ORDER BY, table sources and joins.
#include "ParserImpl.h"

namespace standin::parsing {

std::shared_ptr<SelectStmt> Parser::selectWithUnions()
{
    std::shared_ptr<SelectStmt> first;
    if (acceptSymbol("(")) {
        InnerQuery inner(innerQueries_);
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
            InnerQuery inner(innerQueries_);
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
    if (innerQueries_ == 0 && acceptWord("OPTION"))
        optionClause();
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
    if (peek().isWord("TOP")) {
        s->top = topClause(s->topPercent);
        s->topWithTies = topWithTies_;
    }
    const int line = peek().line;
    do {
        s->items.push_back(selectItem());
    } while (acceptSymbol(","));
    const auto assigns = [](const SelectItem& i) { return !i.assignVariable.isEmpty(); };
    if (std::any_of(s->items.begin(), s->items.end(), assigns)
        && !std::all_of(s->items.begin(), s->items.end(), assigns)) {
        SqlError e = sqlError(141,
                              QStringLiteral("A SELECT statement that assigns a value to a variable must not be "
                                             "combined with data-retrieval operations."),
                              15);
        e.message.line = line;
        throw e;
    }
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
    exposedNamesDiffer(refs);
    return refs;
}

// Two sources of one FROM clause cannot show the same name: a table by its own name, any other by its alias.
void Parser::exposedNamesDiffer(const std::vector<TableRef>& refs) const
{
    auto exposed = [](const TableRef& r) { return r.alias.isEmpty() ? r.name.value(r.name.size() - 1) : r.alias; };
    for (size_t i = 1; i < refs.size(); ++i)
        for (size_t j = 0; j < i; ++j) {
            if (collationKey(exposed(refs[i])) != collationKey(exposed(refs[j])))
                continue;
            const TableRef& a = refs[j];
            const TableRef& b = refs[i];
            SqlError e;
            if (a.alias.isEmpty() && b.alias.isEmpty())
                e = sqlError(1013,
                             QStringLiteral("The objects \"%1\" and \"%2\" in the FROM clause have the same "
                                            "exposed names. Use correlation names to distinguish them.")
                                 .arg(a.name.join(QLatin1Char('.')), b.name.join(QLatin1Char('.'))),
                             15);
            else if (!a.alias.isEmpty() && !b.alias.isEmpty())
                e = sqlError(1011,
                             QStringLiteral("The correlation name '%1' is specified multiple times in a FROM "
                                            "clause.")
                                 .arg(b.alias),
                             15);
            else
                e = sqlError(1012,
                             QStringLiteral("The correlation name '%1' has the same exposed name as table '%2'.")
                                 .arg(a.alias.isEmpty() ? b.alias : a.alias,
                                      (a.alias.isEmpty() ? a : b).name.join(QLatin1Char('.'))),
                             15);
            e.message.line = peek().line;
            throw e;
        }
}

TableRef Parser::tableSource()
{
    TableRef r;
    if (peek().isSymbol("(") && (peek(1).isWord("SELECT") || peek(1).isSymbol("("))) {
        next();
        r.derived = nestedSelect();
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
