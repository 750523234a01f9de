// WITH common table expressions ahead of SELECT, INSERT, UPDATE and DELETE; the OVER clause of window
// functions with their frames; the OPTION hints of a statement.
#include "ParserImpl.h"

namespace standin::parsing {

StmtPtr Parser::withStatement()
{
    const Token& w = peek();
    // WITH after a statement of the same batch reads as part of it unless a semicolon ends that one.
    if (pos_ > 0) {
        const Token& before = tokens_[pos_ - 1];
        if (!before.isSymbol(";") && !before.isWord("BEGIN") && !before.isWord("TRY") && !before.isWord("CATCH")
            && !before.isWord("ELSE") && !before.isWord("AS") && !afterCondition_) {
            SqlError e = sqlError(319,
                                  QStringLiteral("Incorrect syntax near the keyword 'with'. If this statement is a "
                                                 "common table expression, an xmlnamespaces clause or a change "
                                                 "tracking context clause, the previous statement must be "
                                                 "terminated with a semicolon."),
                                  15);
            e.message.line = w.line;
            throw e;
        }
    }
    auto with = commonTables();

    const std::optional<int> outerRecursion = maxRecursion_;
    maxRecursion_.reset();
    const Token& t = peek();
    StmtPtr s;
    if (t.isWord("SELECT") || (t.isSymbol("(") && (peek(1).isWord("SELECT") || peek(1).isSymbol("(")))) {
        auto select = std::make_shared<SelectStatement>();
        select->select = selectWithUnions();
        s = select;
    } else if (t.isWord("INSERT")) {
        s = insertStatement();
    } else if (t.isWord("UPDATE")) {
        s = updateStatement();
    } else if (t.isWord("DELETE")) {
        s = deleteStatement();
    } else {
        fail();
    }
    if (maxRecursion_)
        with->maxRecursion = *maxRecursion_;
    maxRecursion_ = outerRecursion;
    s->with = with;
    return s;
}

std::shared_ptr<WithClause> Parser::commonTables()
{
    expectWord("WITH");
    auto with = std::make_shared<WithClause>();
    do {
        CommonTable c;
        const int line = peek().line;
        c.name = name();
        for (const CommonTable& other : with->tables) {
            if (other.name.compare(c.name, Qt::CaseInsensitive) == 0) {
                SqlError e = sqlError(
                    239, QStringLiteral("Duplicate common table expression name '%1' was specified.").arg(c.name));
                e.message.line = line;
                throw e;
            }
        }
        if (acceptSymbol("(")) {
            do {
                c.columns << name();
            } while (acceptSymbol(","));
            expectSymbol(")");
        }
        expectWord("AS");
        expectSymbol("(");
        {
            InnerQuery inner(innerQueries_);
            c.select = selectWithUnions();
        }
        expectSymbol(")");
        if (!c.select->orderBy.empty() && !c.select->top) {
            SqlError e = sqlError(1033,
                                  QStringLiteral("The ORDER BY clause is invalid in views, inline functions, derived "
                                                 "tables, subqueries, and common table expressions, unless TOP, "
                                                 "OFFSET or FOR XML is also specified."),
                                  15);
            e.message.line = line;
            throw e;
        }
        with->tables.push_back(std::move(c));
    } while (acceptSymbol(","));
    return with;
}

std::vector<OrderItem> Parser::orderByList()
{
    std::vector<OrderItem> items;
    do {
        OrderItem o;
        o.expr = expr();
        if (acceptWord("DESC"))
            o.descending = true;
        else
            acceptWord("ASC");
        items.push_back(o);
    } while (acceptSymbol(","));
    return items;
}

std::shared_ptr<WindowSpec> Parser::overClause()
{
    expectWord("OVER");
    expectSymbol("(");
    auto w = std::make_shared<WindowSpec>();
    if (acceptWord("PARTITION")) {
        expectWord("BY");
        do {
            w->partitionBy.push_back(expr());
        } while (acceptSymbol(","));
    }
    if (acceptWord("ORDER")) {
        expectWord("BY");
        w->orderBy = orderByList();
    }
    if (peek().isWord("ROWS") || peek().isWord("RANGE"))
        windowFrame(*w);
    expectSymbol(")");
    return w;
}

// ROWS|RANGE <start> (up to the current row) or ROWS|RANGE BETWEEN <start> AND <end>.
void Parser::windowFrame(WindowSpec& w)
{
    WindowFrame f;
    f.rows = next().isWord("ROWS");
    auto bound = [&](FrameBound& kind, int64_t& offset, bool isStart) {
        if (acceptWord("UNBOUNDED")) {
            if (isStart && acceptWord("PRECEDING"))
                kind = FrameBound::UnboundedPreceding;
            else if (!isStart && acceptWord("FOLLOWING"))
                kind = FrameBound::UnboundedFollowing;
            else
                fail();
            return;
        }
        if (acceptWord("CURRENT")) {
            expectWord("ROW");
            kind = FrameBound::CurrentRow;
            return;
        }
        if (peek().kind != TokenKind::Number)
            fail();
        bool ok = false;
        offset = next().text.toLongLong(&ok);
        if (!ok)
            fail();
        if (!f.rows)
            throw sqlError(4194, QStringLiteral("RANGE is only supported with UNBOUNDED and CURRENT ROW window frame "
                                                "delimiters."));
        if (acceptWord("PRECEDING"))
            kind = FrameBound::Preceding;
        else if (acceptWord("FOLLOWING"))
            kind = FrameBound::Following;
        else
            fail();
    };
    if (acceptWord("BETWEEN")) {
        bound(f.start, f.startOffset, true);
        expectWord("AND");
        bound(f.end, f.endOffset, false);
    } else {
        bound(f.start, f.startOffset, true);
        if (f.start == FrameBound::Following)
            fail();
        f.end = FrameBound::CurrentRow;
    }
    w.frame = f;
}

void Parser::optionClause()
{
    expectSymbol("(");
    do {
        if (acceptWord("MAXRECURSION")) {
            if (peek().kind != TokenKind::Number)
                fail();
            const QString text = next().text;
            bool ok = false;
            const qlonglong n = text.toLongLong(&ok);
            if (!ok || n > 32767)
                throw sqlError(310,
                               QStringLiteral("The value %1 specified for the MAXRECURSION option exceeds the "
                                              "allowed maximum of 32767.")
                                   .arg(text),
                               15);
            maxRecursion_ = int(n);
            continue;
        }
        // Other query hints: read up to the next comma or the closing parenthesis.
        int depth = 0;
        if (peek().isSymbol(",") || peek().isSymbol(")"))
            fail();
        while (depth > 0 || (!peek().isSymbol(",") && !peek().isSymbol(")"))) {
            const Token& t = next();
            if (t.kind == TokenKind::End)
                fail();
            if (t.isSymbol("("))
                ++depth;
            else if (t.isSymbol(")"))
                --depth;
        }
    } while (acceptSymbol(","));
    expectSymbol(")");
}

}  // namespace standin::parsing
