// Modules (CREATE/ALTER/DROP TRIGGER, PROCEDURE, FUNCTION), cursors and RAISERROR.
#include "ParserImpl.h"

namespace standin::parsing {

bool Parser::moduleKeyword(const Token& t)
{
    return t.isWord("TRIGGER") || t.isWord("PROC") || t.isWord("PROCEDURE") || t.isWord("FUNCTION");
}

ModuleKind Parser::moduleKind(const Token& t)
{
    if (t.isWord("TRIGGER"))
        return ModuleKind::Trigger;
    if (t.isWord("FUNCTION"))
        return ModuleKind::Function;
    return ModuleKind::Procedure;
}

// CREATE/ALTER of a module: the first statement of its batch, its body the rest of the batch.
StmtPtr Parser::moduleStatement(bool firstInBatch)
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
            const Token& action = peek();
            bool* event = action.isWord("INSERT")   ? &s->onInsert
                          : action.isWord("UPDATE") ? &s->onUpdate
                          : action.isWord("DELETE") ? &s->onDelete
                                                    : nullptr;
            if (!event)
                fail();
            if (*event) {
                SqlError e = sqlError(1034,
                                      QStringLiteral("Syntax error: Duplicate specification of the action \"%1\" "
                                                     "in the trigger declaration.")
                                          .arg(action.text.toUpper()),
                                      15);
                e.message.line = action.line;
                throw e;
            }
            *event = true;
            next();
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
        const int line = peek().line;
        s->returns = type();
        if (isLargeObject(s->returns.id)) {
            SqlError e = sqlError(
                2733, QStringLiteral("The %1 data type is invalid for return values.").arg(typeName(s->returns.id)));
            e.message.line = line;
            throw e;
        }
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

void Parser::moduleOptions()
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

Parameter Parser::parameter(bool procedure)
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

StmtPtr Parser::dropModuleStatement()
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

StmtPtr Parser::declareCursor()
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
    if (peek().isWord("WITH") && peek(1).isName()) {
        // A cursor over common table expressions: they are read when it opens.
        s->with = commonTables();
        const std::optional<int> outerRecursion = maxRecursion_;
        maxRecursion_.reset();
        s->select = selectWithUnions();
        if (maxRecursion_)
            s->with->maxRecursion = *maxRecursion_;
        maxRecursion_ = outerRecursion;
    } else {
        s->select = selectWithUnions();
    }
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

StmtPtr Parser::cursorStatement()
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

StmtPtr Parser::raiserrorStatement()
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

}  // namespace standin::parsing
