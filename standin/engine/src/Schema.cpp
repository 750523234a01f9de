// CREATE/ALTER/DROP TABLE and extended properties. DDL works on a copy of the table that
// replaces the original only when the whole statement succeeded.
#include "Errors.h"
#include "Executor.h"
#include "Parser.h"

#include <QRandomGenerator>

#include <unordered_set>

namespace standin {

namespace {

// The name of the table's clustered index (a key or a plain index), empty when it is a heap.
QString clusteredIndexOf(const Table& t)
{
    for (const std::vector<KeyConstraint>* list : {&t.keys, &t.plainIndexes})
        for (const KeyConstraint& k : *list)
            if (k.clustered)
                return k.name;
    return QString();
}

SqlError secondClusteredIndex(const Table& t)
{
    return sqlError(1902, QStringLiteral("Cannot create more than one clustered index on table '%1'. Drop the existing "
                                         "clustered index '%2' before creating another.")
                              .arg(t.name, clusteredIndexOf(t)));
}

}  // namespace

// The keys of a new table that write CLUSTERED: two are refused (8112, after 8110 for two primary keys);
// with one, a PRIMARY KEY clustered by default is nonclustered.
void settleClustering(const QString& table, std::vector<ColumnDef>& columns, std::vector<ConstraintDef>& constraints)
{
    int primaryKeys = 0, written = 0;
    for (const ColumnDef& c : columns) {
        primaryKeys += c.primaryKey;
        written += (c.primaryKey && c.clusteredWritten) + c.uniqueClustered;
    }
    for (const ConstraintDef& c : constraints) {
        const bool key = c.kind == ConstraintKind::PrimaryKey || c.kind == ConstraintKind::Unique;
        primaryKeys += c.kind == ConstraintKind::PrimaryKey;
        written += key && c.clusteredWritten;
    }
    if (primaryKeys > 1 || written == 0)
        return;
    if (written > 1)
        throw sqlError(
            8112, QStringLiteral("Cannot add more than one clustered index for constraints on table '%1'.").arg(table),
            16, 0);
    for (ColumnDef& c : columns)
        if (c.primaryKey && !c.clusteredWritten)
            c.clustered = false;
    for (ConstraintDef& c : constraints)
        if (c.kind == ConstraintKind::PrimaryKey && !c.clusteredWritten)
            c.clustered = false;
}

namespace {

SqlError constraintFailed()
{
    return sqlError(1750, QStringLiteral("Could not create constraint or index. See previous errors."));
}

// Whether a condition reads the column of this name.
bool readsColumn(const Expr& e, const QString& column)
{
    if (e.kind == ExprKind::Column && !e.parts.isEmpty() && collationKey(e.parts.last()) == collationKey(column))
        return true;
    for (const auto& a : e.args)
        if (a && readsColumn(*a, column))
            return true;
    return (e.caseOperand && readsColumn(*e.caseOperand, column)) || (e.elseExpr && readsColumn(*e.elseExpr, column));
}

// The first column a condition reads other than `column` (a column-level CHECK reads its own column only).
QString otherColumn(const Expr& e, const QString& column)
{
    if (e.kind == ExprKind::Column && !e.parts.isEmpty() && collationKey(e.parts.last()) != collationKey(column))
        return e.parts.last();
    for (const ExprPtr* child : {&e.caseOperand, &e.elseExpr})
        if (*child)
            if (QString found = otherColumn(**child, column); !found.isEmpty())
                return found;
    for (const auto& a : e.args)
        if (a)
            if (QString found = otherColumn(*a, column); !found.isEmpty())
                return found;
    return QString();
}

bool sameColumnSet(const QStringList& a, const QStringList& b)
{
    return a.size() == b.size()
           && std::all_of(a.begin(), a.end(), [&](const QString& c) { return b.contains(c, Qt::CaseInsensitive); });
}

bool identityTypeAllowed(const SqlType& t)
{
    return isInteger(t.id) || ((t.id == TypeId::Decimal || t.id == TypeId::Numeric) && t.scale == 0);
}

}  // namespace

QString Executor::newConstraintName(const QString& prefix, const QString& table, const QString& column) const
{
    // Keys: PK__Tabela__<16 hex digits>; the others: DF__Tabela__Colun__<8 hex digits>.
    const bool key = prefix == QLatin1String("PK") || prefix == QLatin1String("UQ");
    if (key)
        return QStringLiteral("%1__%2__%3").arg(prefix, table.left(8),
                                                QStringLiteral("%1").arg(QRandomGenerator::global()->generate64(), 16, 16,
                                                                         QLatin1Char('0')).toUpper());
    const quint32 r = QRandomGenerator::global()->generate();
    QString name = QStringLiteral("%1__%2__").arg(prefix, table.left(9));
    if (!column.isEmpty())
        name += column.left(5) + QStringLiteral("__");
    return name + QStringLiteral("%1").arg(r, 8, 16, QLatin1Char('0')).toUpper();
}

void Executor::replaceTable(const std::shared_ptr<Database>& db, const std::shared_ptr<Table>& oldTable,
                            const std::shared_ptr<Table>& newTable)
{
    const QString oldKey = oldTable ? collationKey(oldTable->name) : QString();
    const QString newKey = newTable ? collationKey(newTable->name) : QString();
    if (oldTable)
        db->tables.erase(oldKey);
    if (newTable)
        db->tables[newKey] = newTable;
    undo_.push([db, oldTable, newTable, oldKey, newKey] {
        if (newTable)
            db->tables.erase(newKey);
        if (oldTable)
            db->tables[oldKey] = oldTable;
    });
}

void Executor::addColumn(Database& db, Table& t, const ColumnDef& def, bool creating)
{
    if (t.columnIndex(def.name) >= 0)
        throw sqlError(2705, QStringLiteral("Column names in each table must be unique. Column name '%1' in table '%2' "
                                            "is specified more than once.").arg(def.name, t.name));
    if (def.identity) {
        if (t.identityColumn() >= 0)
            throw sqlError(2744, QStringLiteral("Multiple identity columns specified for table '%1'. Only one identity "
                                                "column per table is allowed.").arg(t.name), 16, 2);
        if (!identityTypeAllowed(def.type))
            throw sqlError(2749, QStringLiteral("Identity column '%1' must be of data type int, bigint, smallint, "
                                                "tinyint, or decimal or numeric with a scale of 0, and constrained to "
                                                "be nonnullable.").arg(def.name), 16, 2);
        if (def.nullable == true)
            throw sqlError(8147, QStringLiteral("Could not create IDENTITY attribute on nullable column '%1', table '%2'.")
                                     .arg(def.name, t.name));
        if (def.defaultExpr)
            throw sqlError(1754, QStringLiteral("Defaults cannot be created on columns with an IDENTITY attribute. "
                                                "Table '%1', column '%2'.").arg(t.name, def.name));
    }
    Column c;
    c.name = def.name;
    c.type = def.type;
    c.identity = def.identity;
    c.seed = def.seed;
    c.increment = def.increment;
    c.rowGuid = def.rowGuid;
    c.nullable = def.identity || def.primaryKey ? false : def.nullable.value_or(true);
    if (def.identity && def.increment == 0)
        throw sqlError(2737, QStringLiteral("Identity column '%1' has an increment of 0.").arg(def.name));
    if (def.defaultExpr) {
        c.defaultText = def.defaultText;
        c.defaultExpr = def.defaultExpr;
        c.defaultName = def.defaultName.isEmpty() ? newConstraintName(QStringLiteral("DF"), t.name, def.name) : def.defaultName;
        if (db.objectExists(c.defaultName)) {
            messages_->push_back(objectExists(c.defaultName).message);
            throw constraintFailed();
        }
        for (const Column& other : t.columns)
            if (!other.defaultName.isEmpty() && collationKey(other.defaultName) == collationKey(c.defaultName)) {
                messages_->push_back(objectExists(c.defaultName).message);
                throw constraintFailed();
            }
        c.defaultObjectId = db.allocateObjectId();
    }
    // Fill the column in the rows the table has.
    const bool empty = t.rows.empty();
    if (!creating && !empty && !c.nullable && !c.identity && !c.defaultExpr)
        throw sqlError(4901, QStringLiteral("ALTER TABLE only allows columns to be added that can contain nulls, or have "
                                            "a DEFAULT definition specified, or the column being added is an identity "
                                            "or timestamp column, or alternatively if none of the previous conditions "
                                            "are satisfied the table must be empty to allow addition of this column. "
                                            "Column '%1' cannot be added to non-empty table '%2' because it does not "
                                            "satisfy these conditions.").arg(c.name, t.name));
    t.columns.push_back(c);
    if (!empty) {
        for (auto& row : t.rows) {
            Value v = nullValue(c.type);
            if (c.identity)
                v = convert(intValue(nextIdentity(t)), c.type);
            else if (c.defaultExpr && !c.nullable)
                v = defaultValue(c);
            row->push_back(v);
        }
    }
    if (def.primaryKey || def.unique) {
        ConstraintDef k;
        k.kind = def.primaryKey ? ConstraintKind::PrimaryKey : ConstraintKind::Unique;
        k.name = def.keyName;
        k.columns = QStringList{def.name};
        k.clustered = def.primaryKey ? def.clustered : def.uniqueClustered;
        k.clusteredWritten = def.primaryKey ? def.clusteredWritten : def.uniqueClustered;
        std::vector<QString> names;
        addConstraint(db, t, k, names);
    }
}

void Executor::addConstraint(Database& db, Table& t, const ConstraintDef& def, std::vector<QString>& names,
                             bool checkRows)
{
    QString name = def.name;
    auto nameTaken = [&](const QString& n) {
        if (db.objectExists(n))
            return true;
        for (const QString& other : names)
            if (collationKey(other) == collationKey(n))
                return true;
        for (const KeyConstraint& k : t.keys)
            if (collationKey(k.name) == collationKey(n))
                return true;
        for (const OtherConstraint& o : t.others)
            if (collationKey(o.name) == collationKey(n))
                return true;
        for (const Column& c : t.columns)
            if (!c.defaultName.isEmpty() && collationKey(c.defaultName) == collationKey(n))
                return true;
        return false;
    };
    if (def.kind == ConstraintKind::PrimaryKey || def.kind == ConstraintKind::Unique) {
        // A column written twice in a key or in its INCLUDE list, in any case and either direction.
        for (const QStringList* list : {&def.columns, &def.included})
            for (qsizetype i = 1; i < list->size(); ++i)
                for (qsizetype j = 0; j < i; ++j)
                    if (collationKey(list->at(i)) == collationKey(list->at(j)))
                        throw sqlError(1909, QStringLiteral("Cannot use duplicate column names in index. Column name "
                                                            "'%1' listed more than once.")
                                                 .arg(list->at(i)));
    }
    if (def.index) {
        auto clash = [&](const KeyConstraint& k) { return collationKey(k.name) == collationKey(name); };
        if (std::any_of(t.keys.begin(), t.keys.end(), clash)
            || std::any_of(t.plainIndexes.begin(), t.plainIndexes.end(), clash))
            throw sqlError(1913, QStringLiteral("The operation failed because an index or statistics with name '%1' "
                                                "already exists on table '%2.%3'.")
                                     .arg(name, t.schema, t.name));
        for (const QString& c : def.columns)
            if (t.columnIndex(c) < 0)
                throw sqlError(1911,
                               QStringLiteral("Column name '%1' does not exist in the target table or view.").arg(c));
        if (def.expr && !indexFilterSupported(*def.expr))
            throw sqlError(
                10735,
                QStringLiteral("Incorrect WHERE clause for filtered index '%1' on table '%2'.").arg(name, t.name), 15);
    } else if (!name.isEmpty() && nameTaken(name)) {
        messages_->push_back(objectExists(name).message);
        throw constraintFailed();
    }
    if (def.plainIndex) {
        addPlainIndex(t, def);
        return;
    }
    switch (def.kind) {
    case ConstraintKind::PrimaryKey:
    case ConstraintKind::Unique: {
        const bool primary = def.kind == ConstraintKind::PrimaryKey;
        if (primary && t.primaryKey())
            throw sqlError(8110, QStringLiteral("Cannot add multiple PRIMARY KEY constraints to table '%1'.").arg(t.name));
        KeyConstraint k;
        k.primary = primary;
        k.index = def.index;
        k.clustered = def.clustered;
        if (k.clustered && !clusteredIndexOf(t).isEmpty()) {
            // A PRIMARY KEY clustered by default yields to the clustered index the table has; a written
            // CLUSTERED cannot be a second one.
            if (def.clusteredWritten)
                throw secondClusteredIndex(t);
            k.clustered = false;
        }
        k.included = def.included;
        k.name = name.isEmpty() ? newConstraintName(primary ? QStringLiteral("PK") : QStringLiteral("UQ"), t.name, QString()) : name;
        k.filterText = def.exprText;
        k.filter = def.index ? def.expr : nullptr;
        std::vector<int> cols;
        for (const QString& c : def.columns) {
            k.descending << (k.columns.size() < def.descending.size() && def.descending[k.columns.size()]);
            int i = t.columnIndex(c);
            if (i < 0)
                throw sqlError(1911, QStringLiteral("Column name '%1' does not exist in the target table or view.").arg(c));
            if (primary && t.columns[i].nullable) {
                // Columns of a primary key are NOT NULL; an explicit NULL is refused.
                t.columns[i].nullable = false;
            }
            k.columns << t.columns[i].name;
            cols.push_back(i);
        }
        std::unordered_set<QString> seen;
        for (const auto& row : t.rows) {
            if (!t.admits(k, *row))
                continue;
            for (int c : cols)
                if (primary && (*row)[c].isNull())
                    throw sqlError(8111, QStringLiteral("Cannot define PRIMARY KEY constraint on nullable column in table '%1'.").arg(t.name));
            if (!seen.insert(indexKey(*row, cols)).second) {
                QStringList vals;
                for (int c : cols)
                    vals << toText((*row)[c]);
                messages_->push_back(sqlError(1505, QStringLiteral("The CREATE UNIQUE INDEX statement terminated because a "
                                                                   "duplicate key was found for the object name '%1.%2' and "
                                                                   "the index name '%3'. The duplicate key value is (%4).")
                                                        .arg(t.schema, t.name, k.name, vals.join(QStringLiteral(", "))))
                                         .message);
                throw constraintFailed();
            }
        }
        k.objectId = k.index ? 0 : db.allocateObjectId();
        t.keys.push_back(k);
        t.invalidateIndexes();
        names.push_back(k.name);
        break;
    }
    case ConstraintKind::Default: {
        int i = t.columnIndex(def.forColumn);
        if (i < 0)
            throw sqlError(1752, QStringLiteral("Column '%1' in table '%2' is invalid for creating a default constraint.")
                                     .arg(def.forColumn, t.name));
        Column& c = t.columns[i];
        if (c.defaultExpr)
            throw sqlError(1781, QStringLiteral("Column already has a DEFAULT bound to it."));
        if (c.identity)
            throw sqlError(1754, QStringLiteral("Defaults cannot be created on columns with an IDENTITY attribute. "
                                                "Table '%1', column '%2'.").arg(t.name, c.name));
        c.defaultText = def.exprText;
        c.defaultExpr = def.expr;
        c.defaultName = name.isEmpty() ? newConstraintName(QStringLiteral("DF"), t.name, c.name) : name;
        c.defaultObjectId = db.allocateObjectId();
        names.push_back(c.defaultName);
        break;
    }
    case ConstraintKind::ForeignKey:
    case ConstraintKind::Check: {
        if (def.kind == ConstraintKind::Check && !def.forColumn.isEmpty() && def.expr
            && !otherColumn(*def.expr, def.forColumn).isEmpty()) {
            messages_->push_back(sqlError(8141, QStringLiteral("Column CHECK constraint for column '%1' references "
                                                               "another column, table '%2'.")
                                                    .arg(def.forColumn, t.name))
                                     .message);
            throw constraintFailed();
        }
        OtherConstraint o;
        o.kind = def.kind;
        o.name = name.isEmpty() ? newConstraintName(def.kind == ConstraintKind::Check ? QStringLiteral("CK") : QStringLiteral("FK"),
                                                    t.name, def.kind == ConstraintKind::Check ? def.forColumn
                                                                                              : def.columns.value(0))
                                : name;
        if (def.kind == ConstraintKind::ForeignKey)
            describeForeignKey(db, t, def, o);
        o.text = def.exprText;
        o.check = def.expr;
        if (def.kind == ConstraintKind::Check && !def.forColumn.isEmpty())
            o.column = def.forColumn;
        o.objectId = db.allocateObjectId();
        if (def.kind == ConstraintKind::ForeignKey)
            validateForeignKey(db, t, o);  // the key it references must be a primary or unique one (1776)
        t.others.push_back(o);
        names.push_back(o.name);
        if (!checkRows)
            t.others.back().trusted = false;
        if (def.kind == ConstraintKind::Check && checkRows && !t.rows.empty()) {
            std::vector<const Row*> rows;
            rows.reserve(t.rows.size());
            for (const auto& row : t.rows)
                rows.push_back(row.get());
            const QStringList only {o.name};
            checkConstraints(db, t, rows, "ALTER TABLE", &only);
        }
        if (def.kind == ConstraintKind::ForeignKey && checkRows && !t.rows.empty()) {
            std::vector<const Row*> rows;
            for (const auto& row : t.rows)
                rows.push_back(row.get());
            checkForeignKeys(db, t, rows, "ALTER TABLE", &o.name);
        }
        break;
    }
    }
}

void Executor::runCreateTable(CreateTableStatement& s)
{
    if (s.name.last().startsWith(u'#')) {
        runCreateTempTable(s);
        return;
    }
    auto db = databaseFor(s.name);
    if (!db)
        throw sqlError(2702, QStringLiteral("Database '%1' does not exist.").arg(s.name[s.name.size() - 3]));
    if (s.name.size() >= 2 && !s.name[s.name.size() - 2].isEmpty() &&
        collationKey(s.name[s.name.size() - 2]) != collationKey(QStringLiteral("dbo")))
        throw sqlError(2760, QStringLiteral("The specified schema name \"%1\" either does not exist or you do not have "
                                            "permission to use it.").arg(s.name[s.name.size() - 2]));
    const QString name = s.name.last();
    if (db->objectExists(name))
        throw objectExists(name);
    auto t = std::make_shared<Table>();
    t->name = name;
    t->created = t->modified = QDateTime::currentDateTime();
    if (s.columns.empty())
        throw syntaxError(QStringLiteral(")"));
    std::vector<ColumnDef> columns = s.columns;
    std::vector<ConstraintDef> constraints = s.constraints;
    settleClustering(s.name.join(QLatin1Char('.')), columns, constraints);
    for (const ColumnDef& c : columns)
        addColumn(*db, *t, c, true);
    std::vector<QString> names;
    // Foreign keys last: one may reference a key of this very table.
    for (const bool foreign : {false, true})
        for (const ConstraintDef& c : constraints)
            if ((c.kind == ConstraintKind::ForeignKey) == foreign)
                addConstraint(*db, *t, c, names);
    t->objectId = db->allocateObjectId();
    replaceTable(db, nullptr, t);
}

void Executor::runAlterTable(AlterTableStatement& s)
{
    std::shared_ptr<Database> db;
    auto old = findTable(s.table, &db);
    const bool createIndex = s.action == AlterAction::Add && !s.constraints.empty() && s.constraints[0].index;
    if (s.action == AlterAction::DropIndex) {
        dropIndex(s, db, old);
        return;
    }
    if (!old)
        throw sqlError(createIndex ? 1088 : 4902,
                       QStringLiteral("Cannot find the object \"%1\" because it does not exist or you do not have "
                                      "permissions.")
                           .arg(s.table.join(QLatin1Char('.'))));
    auto t = old->clone();
    t->modified = QDateTime::currentDateTime();
    std::vector<ExtendedProperty> properties = db->properties;
    switch (s.action) {
    case AlterAction::Add: {
        // Every column first, then the constraints; any failure leaves the table as it was.
        std::unordered_set<QString> added;
        for (const ColumnDef& c : s.columns) {
            if (!added.insert(collationKey(c.name)).second)
                throw sqlError(2705, QStringLiteral("Column names in each table must be unique. Column name '%1' in "
                                                    "table '%2' is specified more than once.").arg(c.name, t->name));
        }
        for (const ColumnDef& c : s.columns)
            addColumn(*db, *t, c, false);
        std::vector<QString> names;
        for (const bool foreign : {false, true})
            for (const ConstraintDef& c : s.constraints)
                if ((c.kind == ConstraintKind::ForeignKey) == foreign)
                    addConstraint(*db, *t, c, names, !s.noCheck);
        break;
    }
    case AlterAction::EnableConstraints: {
        // CHECK / NOCHECK CONSTRAINT: turns foreign keys and checks on or off (ALL: every one).
        for (const QString& n : s.names)
            if (std::none_of(t->others.begin(), t->others.end(),
                             [&](const OtherConstraint& o) { return collationKey(o.name) == collationKey(n); }))
                throw sqlError(4917, QStringLiteral("Constraint '%1' does not exist.").arg(n));
        QStringList recheck;
        for (OtherConstraint& o : t->others)
            if (s.names.isEmpty() || s.names.contains(o.name, Qt::CaseInsensitive)) {
                o.enabled = !s.noCheck;
                // Turned off it is no longer trusted; back on, only WITH CHECK (which reads the rows) trusts it again.
                if (s.noCheck)
                    o.trusted = false;
                else if (s.withCheck) {
                    o.trusted = true;
                    recheck << o.name;
                }
            }
        // WITH CHECK CHECK CONSTRAINT reads every row against the constraints it turns on.
        if (!recheck.isEmpty() && !t->rows.empty()) {
            std::vector<const Row*> rows;
            rows.reserve(t->rows.size());
            for (const auto& row : t->rows)
                rows.push_back(row.get());
            checkConstraints(*db, *t, rows, "ALTER TABLE", &recheck);
            for (const QString& name : recheck)
                checkForeignKeys(*db, *t, rows, "ALTER TABLE", &name);
        }
        break;
    }
    case AlterAction::DropConstraint: {
        for (const QString& n : s.names) {
            const QString key = collationKey(n);
            bool found = false;
            for (auto it = t->keys.begin(); it != t->keys.end(); ++it)
                if (collationKey(it->name) == key) {
                    // A key a foreign key references goes only after that foreign key.
                    for (const auto& [childKey, child] : db->tables)
                        for (const OtherConstraint& o : child->others)
                            if (o.kind == ConstraintKind::ForeignKey
                                && collationKey(o.refTable) == collationKey(t->name)
                                && sameColumnSet(o.refColumns, it->columns)
                                && !(child == old && s.names.contains(o.name, Qt::CaseInsensitive))) {
                                messages_->push_back(
                                    sqlError(3725, QStringLiteral("The constraint '%1' is being "
                                                                  "referenced by table '%2', foreign key "
                                                                  "constraint '%3'.")
                                                       .arg(it->name, child->name, o.name))
                                        .message);
                                throw sqlError(3727, QStringLiteral("Could not drop constraint. See previous errors."));
                            }
                    t->keys.erase(it);
                    found = true;
                    break;
                }
            if (!found)
                for (Column& c : t->columns)
                    if (!c.defaultName.isEmpty() && collationKey(c.defaultName) == key) {
                        c.defaultName.clear();
                        c.defaultText.clear();
                        c.defaultExpr.reset();
                        c.defaultObjectId = 0;
                        found = true;
                        break;
                    }
            if (!found)
                for (auto it = t->others.begin(); it != t->others.end(); ++it)
                    if (collationKey(it->name) == key) {
                        t->others.erase(it);
                        found = true;
                        break;
                    }
            if (!found) {
                if (s.ifExists)
                    continue;
                messages_->push_back(sqlError(3728, QStringLiteral("'%1' is not a constraint.").arg(n)).message);
                throw sqlError(3727, QStringLiteral("Could not drop constraint. See previous errors."));
            }
        }
        t->invalidateIndexes();
        break;
    }
    case AlterAction::DropColumn: {
        for (const QString& n : s.names) {
            const int i = t->columnIndex(n);
            if (i < 0) {
                if (s.ifExists)
                    continue;
                throw sqlError(4924, QStringLiteral("ALTER TABLE DROP COLUMN failed because column '%1' does not exist in "
                                                    "table '%2'.").arg(n, t->name));
            }
            const Column& c = t->columns[i];
            QStringList dependents;
            if (!c.defaultName.isEmpty())
                dependents << c.defaultName;
            // Constraints are objects of their own; an index (a plain one or a UNIQUE INDEX) is named as one.
            QStringList indexes;
            for (const auto* list : {&t->keys, &t->plainIndexes})
                for (const KeyConstraint& k : *list)
                    if (k.columns.contains(c.name, Qt::CaseInsensitive) || k.included.contains(c.name, Qt::CaseInsensitive)
                        || (k.filter && readsColumn(*k.filter, c.name)))
                        (k.index ? indexes : dependents) << k.name;
            for (const OtherConstraint& o : t->others)
                if ((o.check && (collationKey(o.column) == collationKey(c.name) || readsColumn(*o.check, c.name))) ||
                    o.columns.contains(c.name, Qt::CaseInsensitive))
                    dependents << o.name;
            for (const QString& d : indexes)
                messages_->push_back(
                    sqlError(5074, QStringLiteral("The index '%1' is dependent on column '%2'.").arg(d, c.name)).message);
            if (!indexes.isEmpty() && dependents.isEmpty())
                throw sqlError(4922, QStringLiteral("ALTER TABLE DROP COLUMN %1 failed because one or more objects "
                                                    "access this column.").arg(c.name));
            if (!dependents.isEmpty()) {
                for (const QString& d : dependents)
                    messages_->push_back(sqlError(5074, QStringLiteral("The object '%1' is dependent on column '%2'.")
                                                            .arg(d, c.name)).message);
                throw sqlError(4922, QStringLiteral("ALTER TABLE DROP COLUMN %1 failed because one or more objects "
                                                    "access this column.").arg(c.name));
            }
            if (t->columns.size() == 1)
                throw sqlError(4923, QStringLiteral("ALTER TABLE DROP COLUMN failed because '%1' is the only data column "
                                                    "in table '%2'. A table must have at least one data column.")
                                         .arg(c.name, t->name));
            const QString colName = c.name;
            t->columns.erase(t->columns.begin() + i);
            for (auto& row : t->rows)
                row->erase(row->begin() + i);
            // The column's descriptions go with it.
            std::erase_if(properties, [&](const ExtendedProperty& p) {
                return collationKey(p.table) == collationKey(t->name) && collationKey(p.column) == collationKey(colName);
            });
        }
        t->invalidateIndexes();
        break;
    }
    case AlterAction::SetOptions:
    case AlterAction::DropIndex:  // dropIndex() above
        return;
    case AlterAction::AlterColumn: {
        const ColumnDef& def = s.columns[0];
        const int i = t->columnIndex(def.name);
        if (i < 0)
            throw sqlError(4924, QStringLiteral("ALTER TABLE ALTER COLUMN failed because column '%1' does not exist in "
                                                "table '%2'.").arg(def.name, t->name));
        Column& c = t->columns[i];
        c.type = def.type;
        c.nullable = def.nullable.value_or(true);
        for (auto& row : t->rows) {
            (*row)[i] = castValue((*row)[i], c.type, false);
            if (!c.nullable && (*row)[i].isNull())
                throw sqlError(515, QStringLiteral("Cannot insert the value NULL into column '%1', table '%2.%3.%4'; "
                                                   "column does not allow nulls. UPDATE fails.")
                                        .arg(c.name, db->name, t->schema, t->name), 16, 2);
        }
        t->invalidateIndexes();
        break;
    }
    }
    replaceTable(db, old, t);
    if (properties.size() != db->properties.size()) {
        auto previous = db->properties;
        db->properties = properties;
        undo_.push([db, previous] { db->properties = previous; });
    }
}

// DROP INDEX: a unique or plain index goes; the index of a PRIMARY KEY or UNIQUE constraint goes only with
// its constraint (ALTER TABLE ... DROP CONSTRAINT).
void Executor::dropIndex(AlterTableStatement& s, const std::shared_ptr<Database>& db, const std::shared_ptr<Table>& old)
{
    const QString index = s.names.value(0);
    const QString written = (s.table + QStringList {index}).join(QLatin1Char('.'));
    auto missing = [&] {
        return sqlError(3701,
                        QStringLiteral("Cannot drop the index '%1', because it does not exist or you do not have "
                                       "permission.")
                            .arg(written),
                        11, 7);
    };
    if (!old) {
        if (s.ifExists)
            return;
        throw missing();
    }
    auto t = old->clone();
    const QString key = collationKey(index);
    auto same = [&](const KeyConstraint& k) { return collationKey(k.name) == key; };
    auto unique = std::find_if(t->keys.begin(), t->keys.end(), same);
    auto plain = std::find_if(t->plainIndexes.begin(), t->plainIndexes.end(), same);
    if (unique != t->keys.end() && !unique->index)
        throw sqlError(
            3723, QStringLiteral("An explicit DROP INDEX is not allowed on index '%1'. It is being used for "
                                 "%2 constraint enforcement.")
                      .arg(written, unique->primary ? QStringLiteral("PRIMARY KEY") : QStringLiteral("UNIQUE KEY")));
    if (unique != t->keys.end())
        t->keys.erase(unique);
    else if (plain != t->plainIndexes.end())
        t->plainIndexes.erase(plain);
    else if (s.ifExists)
        return;
    else
        throw missing();
    t->invalidateIndexes();
    t->modified = QDateTime::currentDateTime();
    replaceTable(db, old, t);
}

void Executor::runDropTable(DropTableStatement& s)
{
    for (const QStringList& name : s.names) {
        std::shared_ptr<Database> db;
        auto t = findTable(name, &db);
        if (!t) {
            if (s.ifExists)
                continue;
            throw sqlError(3701, QStringLiteral("Cannot drop the table '%1', because it does not exist or you do not have "
                                                "permission.").arg(name.join(QLatin1Char('.'))), 11, 5);
        }
        // Another table's foreign key holds it (a key of its own does not).
        for (const auto& [key, other] : db->tables)
            if (other != t)
                for (const OtherConstraint& o : other->others)
                    if (o.kind == ConstraintKind::ForeignKey && collationKey(o.refTable) == collationKey(t->name))
                        throw sqlError(3726, QStringLiteral("Could not drop object '%1' because it is referenced by a "
                                                            "FOREIGN KEY constraint.")
                                                 .arg(name.join(QLatin1Char('.'))));
        replaceTable(db, t, nullptr);
        // The table's triggers go with it.
        for (const auto& m : db->triggersOf(t->name)) {
            const QString key = collationKey(m->name);
            db->modules.erase(key);
            undo_.push([db, key, m] { db->modules[key] = m; });
        }
        auto previous = db->properties;
        std::erase_if(db->properties, [&](const ExtendedProperty& p) { return collationKey(p.table) == collationKey(t->name); });
        undo_.push([db, previous] { db->properties = previous; });
    }
}

// sp_addextendedproperty / sp_dropextendedproperty with arguments
// (name, value, level0type, level0name, level1type, level1name, level2type, level2name);
// for the drop the value is left out.
void Executor::addExtendedProperty(const std::vector<Value>& args, bool drop)
{
    auto textArg = [&](size_t i) { return i < args.size() && !args[i].isNull() ? toText(args[i]) : QString(); };
    const QString name = textArg(0);
    const Value value = args.size() > 1 ? args[1] : Value{};
    const QString level0type = textArg(2).trimmed(), level0 = textArg(3), level1type = textArg(4).trimmed(),
                  level1 = textArg(5), level2type = textArg(6).trimmed(), level2 = textArg(7);
    if (name.isEmpty())
        throw sqlError(15600, QStringLiteral("An invalid parameter or option was specified for procedure '%1'.")
                                  .arg(drop ? QStringLiteral("sp_dropextendedproperty") : QStringLiteral("sp_addextendedproperty")));
    auto db = currentDatabase();
    QString path = level0;
    if (!level1.isEmpty())
        path += QLatin1Char('.') + level1;
    if (!level2.isEmpty())
        path += QLatin1Char('.') + level2;
    auto invalid = [&] {
        return sqlError(15135, QStringLiteral("Object is invalid. Extended properties are not permitted on '%1', or the "
                                              "object does not exist.").arg(path));
    };
    const bool level0ok = level0type.compare(QLatin1String("user"), Qt::CaseInsensitive) == 0 ||
                          level0type.compare(QLatin1String("schema"), Qt::CaseInsensitive) == 0;
    if (!level0type.isEmpty() && (!level0ok || collationKey(level0) != collationKey(QStringLiteral("dbo"))))
        throw invalid();
    QString table, column;
    if (!level1type.isEmpty()) {
        if (level1type.compare(QLatin1String("table"), Qt::CaseInsensitive) != 0 || level0type.isEmpty())
            throw invalid();
        auto t = db->findTable(level1);
        if (!t)
            throw invalid();
        table = t->name;
        if (!level2type.isEmpty()) {
            if (level2type.compare(QLatin1String("column"), Qt::CaseInsensitive) != 0)
                throw invalid();
            int c = t->columnIndex(level2);
            if (c < 0)
                throw invalid();
            column = t->columns[c].name;
        }
    } else if (!level2type.isEmpty()) {
        throw invalid();
    }
    auto same = [&](const ExtendedProperty& p) {
        return collationKey(p.name) == collationKey(name) && collationKey(p.table) == collationKey(table) &&
               collationKey(p.column) == collationKey(column);
    };
    auto it = std::find_if(db->properties.begin(), db->properties.end(), same);
    auto previous = db->properties;
    if (drop) {
        if (it == db->properties.end())
            throw sqlError(15217, QStringLiteral("Property cannot be updated or deleted. Property '%1' does not exist for "
                                                 "'%2'.").arg(name, path));
        db->properties.erase(it);
    } else {
        if (it != db->properties.end())
            throw sqlError(15233, QStringLiteral("Property cannot be added. Property '%1' already exists for '%2'.")
                                      .arg(name, path));
        ExtendedProperty p;
        p.name = name;
        p.level0 = level0.isEmpty() ? QString() : QStringLiteral("dbo");
        p.table = table;
        p.column = column;
        p.value = value;
        if (!p.value.isNull() && p.value.type.id != TypeId::SqlVariant) {
            // sql_variant keeps the base type of the value.
        }
        db->properties.push_back(p);
    }
    undo_.push([db, previous] { db->properties = previous; });
}

// A foreign key's columns and the key it references: the columns named, or the referenced table's
// primary key. The referenced table must exist (the table being created may reference itself).
void Executor::describeForeignKey(Database& db, const Table& t, const ConstraintDef& def, OtherConstraint& o)
{
    const QString refName = def.refTable.value(def.refTable.size() - 1);
    const bool self = collationKey(refName) == collationKey(t.name);
    auto ref = self ? nullptr : db.findTable(refName);
    const Table* target = self ? &t : ref.get();
    const QString& label = o.name;
    if (!target) {
        messages_->push_back(sqlError(1767, QStringLiteral("Foreign key '%1' references invalid table '%2'.")
                                                .arg(label, def.refTable.join(QLatin1Char('.'))))
                                 .message);
        throw constraintFailed();
    }
    for (const QString& c : def.columns) {
        const int i = t.columnIndex(c);
        if (i < 0)
            throw sqlError(1769, QStringLiteral("Foreign key '%1' references invalid column '%2' in referencing table '%3'.")
                                     .arg(label, c, t.name));
        o.columns << t.columns[i].name;
    }
    QStringList refColumns = def.refColumns;
    if (refColumns.isEmpty()) {
        const KeyConstraint* pk = target->primaryKey();
        if (!pk) {
            messages_->push_back(sqlError(1773, QStringLiteral("Foreign key '%1' has implicit reference to object '%2' "
                                                               "which does not have a primary key defined on it.")
                                                    .arg(label, target->name))
                                     .message);
            throw constraintFailed();
        }
        refColumns = pk->columns;
    }
    for (const QString& c : refColumns) {
        const int i = target->columnIndex(c);
        if (i < 0) {
            messages_->push_back(sqlError(1770, QStringLiteral("Foreign key '%1' references invalid column '%2' in "
                                                               "referenced table '%3'.")
                                                    .arg(label, c, target->name))
                                     .message);
            throw constraintFailed();
        }
        o.refColumns << target->columns[i].name;
    }
    if (o.refColumns.size() != o.columns.size()) {
        messages_->push_back(sqlError(8139, QStringLiteral("Number of referencing columns in foreign key differs from "
                                                           "number of referenced columns, table '%1'.")
                                                .arg(t.name))
                                 .message);
        throw constraintFailed();
    }
    o.refTable = target->name;
    o.onDelete = def.deleteAction;
    o.onUpdate = def.updateAction;
}

// CREATE INDEX that refuses no row: its columns must exist; the catalog keeps it.
void Executor::addPlainIndex(Table& t, const ConstraintDef& def)
{
    KeyConstraint p;
    p.name = def.name;
    p.primary = false;
    p.index = true;
    p.clustered = def.clustered;
    p.filterText = def.exprText;
    p.filter = def.expr;
    auto resolve = [&](const QStringList& names, QStringList& out) {
        for (const QString& c : names) {
            const int i = t.columnIndex(c);
            if (i < 0)
                throw sqlError(1911, QStringLiteral("Column name '%1' does not exist in the target table or view.").arg(c));
            out << t.columns[i].name;
        }
    };
    resolve(def.columns, p.columns);
    resolve(def.included, p.included);
    for (qsizetype i = 0; i < p.columns.size(); ++i)
        p.descending << (i < def.descending.size() && def.descending[i]);
    if (p.clustered && !clusteredIndexOf(t).isEmpty())
        throw secondClusteredIndex(t);
    t.plainIndexes.push_back(p);
}

}  // namespace standin
