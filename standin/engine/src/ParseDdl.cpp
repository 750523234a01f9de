// DDL: types, CREATE/ALTER/DROP TABLE and DATABASE, constraints, indexes.
#include "ParserImpl.h"

namespace standin::parsing {

SqlType Parser::type()
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

ExprPtr Parser::defaultValue(QString& text)
{
    const int start = peek().start;
    ExprPtr e = additive();
    text = text_.mid(start, prevEnd() - start);
    return e;
}

QStringList Parser::keyColumns(QList<bool>* descending)
{
    QStringList cols;
    expectSymbol("(");
    do {
        cols << name();
        if (descending) {
            const bool desc = acceptWord("DESC");
            if (!desc)
                acceptWord("ASC");
            descending->append(desc);
        }
    } while (acceptSymbol(","));
    expectSymbol(")");
    return cols;
}

void Parser::indexOptions()
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

ConstraintDef Parser::constraintBody(const QString& constraintName)
{
    ConstraintDef c;
    c.name = constraintName;
    if (acceptWord("PRIMARY")) {
        expectWord("KEY");
        c.kind = ConstraintKind::PrimaryKey;
        if (acceptWord("NONCLUSTERED"))
            c.clustered = false;
        else
            c.clusteredWritten = acceptWord("CLUSTERED");
        c.columns = keyColumns(&c.descending);
        indexOptions();
    } else if (acceptWord("UNIQUE")) {
        c.kind = ConstraintKind::Unique;
        c.clustered = c.clusteredWritten = acceptWord("CLUSTERED");
        if (!c.clustered)
            acceptWord("NONCLUSTERED");
        c.columns = keyColumns(&c.descending);
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

void Parser::references(ConstraintDef& c)
{
    expectWord("REFERENCES");
    c.refTable = multiName();
    if (peek().isSymbol("("))
        c.refColumns = keyColumns();
    while (peek().isWord("ON") && (peek(1).isWord("DELETE") || peek(1).isWord("UPDATE"))) {
        next();
        int& action = next().isWord("DELETE") ? c.deleteAction : c.updateAction;
        if (acceptWord("NO")) {
            expectWord("ACTION");
            action = 0;
        } else if (acceptWord("SET")) {
            action = acceptWord("NULL") ? 2 : 3;
            if (action == 3)
                expectWord("DEFAULT");
        } else {
            expectWord("CASCADE");
            action = 1;
        }
    }
    if (acceptWord("NOT"))
        expectWord("FOR");
}

ColumnDef Parser::columnDef(std::vector<ConstraintDef>& extra)
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

void Parser::columnConstraint(ColumnDef& c, const QString& constraintName, std::vector<ConstraintDef>& extra)
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
            c.clusteredWritten = acceptWord("CLUSTERED");
        indexOptions();
    } else if (acceptWord("UNIQUE")) {
        c.unique = true;
        c.keyName = constraintName;
        c.uniqueClustered = acceptWord("CLUSTERED");
        if (!c.uniqueClustered)
            acceptWord("NONCLUSTERED");
        indexOptions();
    } else if (peek().isWord("CHECK")) {
        ConstraintDef d = constraintBody(constraintName);
        d.forColumn = c.name;
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

int64_t Parser::signedInteger()
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

void Parser::tableElement(std::vector<ColumnDef>& columns, std::vector<ConstraintDef>& constraints)
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

StmtPtr Parser::createStatement()
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
    // CREATE [UNIQUE] [CLUSTERED|NONCLUSTERED] INDEX name ON table (columns) [WHERE filter] ...: a unique
    // index refuses duplicate keys among the rows its filter admits; other indexes are kept by name.
    const bool unique = acceptWord("UNIQUE");
    bool clustered = acceptWord("CLUSTERED");
    if (!clustered)
        acceptWord("NONCLUSTERED");
    if (acceptWord("INDEX")) {
        ConstraintDef index;
        index.kind = ConstraintKind::Unique;
        index.index = true;
        index.clustered = index.clusteredWritten = clustered;
        index.name = name();
        expectWord("ON");
        const QStringList table = multiName();
        index.columns = keyColumns(&index.descending);
        if (acceptWord("INCLUDE"))
            index.included = keyColumns();
        if (acceptWord("WHERE")) {
            const int start = peek().start;
            index.expr = expr();
            index.exprText = text_.mid(start, prevEnd() - start);
        }
        indexOptions();
        index.plainIndex = !unique;
        auto s = std::make_shared<AlterTableStatement>();
        s->table = table;
        s->constraints.push_back(index);
        return s;
    }
    fail();
}

// DROP INDEX [IF EXISTS] name ON table [, ...] or DROP INDEX [schema.]table.name [, ...]: one ALTER TABLE
// per index (a block when there are several).
StmtPtr Parser::dropIndexStatement()
{
    bool ifExists = false;
    if (peek().isWord("IF") && peek(1).isWord("EXISTS")) {
        next();
        next();
        ifExists = true;
    }
    auto block = std::make_shared<BlockStatement>();
    do {
        auto s = std::make_shared<AlterTableStatement>();
        s->action = AlterAction::DropIndex;
        s->ifExists = ifExists;
        QStringList name = multiName();
        if (acceptWord("ON")) {
            if (name.size() != 1)
                fail();
            s->names << name[0];
            s->table = multiName();
        } else {
            if (name.size() < 2)
                fail();
            s->names << name.takeLast();
            s->table = name;
        }
        indexOptions();
        block->body.push_back(s);
    } while (acceptSymbol(","));
    if (block->body.size() == 1)
        return block->body[0];
    return block;
}

StmtPtr Parser::alterStatement()
{
    next();
    if (!acceptWord("TABLE"))
        fail();
    auto s = std::make_shared<AlterTableStatement>();
    s->table = multiName();
    if ((peek().isWord("ENABLE") || peek().isWord("DISABLE")) && peek(1).isWord("TRIGGER"))
        return enableTriggerStatement(&s->table);
    if (acceptWord("WITH")) {
        if (acceptWord("CHECK")) {
            s->withCheck = true;
        } else {
            expectWord("NOCHECK");
            s->noCheck = true;
        }
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
    } else if (peek().isWord("CHECK") || peek().isWord("NOCHECK")) {
        s->action = AlterAction::EnableConstraints;
        s->noCheck = next().isWord("NOCHECK");
        expectWord("CONSTRAINT");
        if (!acceptWord("ALL"))
            do {
                s->names << name();
            } while (acceptSymbol(","));
    } else {
        fail();
    }
    return s;
}

StmtPtr Parser::dropStatement()
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
    if (acceptWord("INDEX"))
        return dropIndexStatement();
    fail();
}

}  // namespace standin::parsing
