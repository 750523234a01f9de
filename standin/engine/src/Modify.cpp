// INSERT, UPDATE and DELETE, each recorded in the statement's undo log.
#include "Errors.h"
#include "Executor.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace standin {

namespace {

QString fullName(const Database& db, const Table& t)
{
    return QStringLiteral("%1.%2.%3").arg(db.name, t.schema, t.name);
}

QString keyValues(const Row& row, const std::vector<int>& columns)
{
    QStringList parts;
    for (int c : columns)
        parts << (row[c].isNull() ? QStringLiteral("<NULL>") : toText(row[c]));
    return parts.join(QStringLiteral(", "));
}

SqlError duplicateKey(const Table& t, const KeyConstraint& key, const Row& row, const std::vector<int>& columns)
{
    if (key.index)
        return sqlError(2601,
                        QStringLiteral("Cannot insert duplicate key row in object '%1.%2' with unique index '%3'. "
                                       "The duplicate key value is (%4).")
                            .arg(t.schema, t.name, key.name, keyValues(row, columns)),
                        14, 1);
    return sqlError(2627, QStringLiteral("Violation of %1 constraint '%2'. Cannot insert duplicate key in object "
                                         "'%3.%4'. The duplicate key value is (%5).")
                              .arg(key.primary ? QStringLiteral("PRIMARY KEY") : QStringLiteral("UNIQUE KEY"), key.name,
                                   t.schema, t.name, keyValues(row, columns)),
                    14, 1);
}

size_t topCount(const Value& v, bool percent, size_t total) { return topRows(v, percent, total); }

// The source of the FROM clause an UPDATE or DELETE changes: the one its alias names, or the table of
// the same (schema-qualified) name that has no alias; -1 when the target is not in the FROM clause.
int fromClauseTarget(const QStringList& target, const std::vector<TableRef>& refs)
{
    const QString key = collationKey(target.last());
    if (target.size() == 1)
        for (size_t i = 0; i < refs.size(); ++i)
            if (!refs[i].alias.isEmpty() && collationKey(refs[i].alias) == key)
                return int(i);
    auto sameName = [&](const QStringList& name) {
        if (name.isEmpty() || collationKey(name.last()) != key)
            return false;
        // Parts both names state must agree; an unstated schema is dbo.
        for (int k = 2; k <= qMin(name.size(), target.size()); ++k) {
            const QString a = name[name.size() - k], b = target[target.size() - k];
            if (!a.isEmpty() && !b.isEmpty() && collationKey(a) != collationKey(b))
                return false;
        }
        return true;
    };
    for (size_t i = 0; i < refs.size(); ++i)
        if (refs[i].alias.isEmpty() && !refs[i].derived && !refs[i].isFunction && sameName(refs[i].name))
            return int(i);
    // A table the FROM clause holds once under an alias is that instance; held twice, the name does
    // not say which.
    int found = -1;
    for (size_t i = 0; i < refs.size(); ++i) {
        if (refs[i].derived || refs[i].isFunction || !sameName(refs[i].name))
            continue;
        if (found >= 0)
            throw sqlError(8154, QStringLiteral("The table '%1' is ambiguous.").arg(target.join(QLatin1Char('.'))));
        found = int(i);
    }
    return found;
}

}  // namespace

void Executor::checkNulls(const Database& db, const Table& t, const Row& row, const char* statement) const
{
    for (size_t c = 0; c < t.columns.size(); ++c)
        if (!t.columns[c].nullable && row[c].isNull())
            throw sqlError(515, QStringLiteral("Cannot insert the value NULL into column '%1', table '%2'; column does "
                                               "not allow nulls. %3 fails.")
                                    .arg(t.columns[c].name, fullName(db, t), QLatin1String(statement)),
                           16, 2);
}

void Executor::checkConstraints(const Database& db, const Table& t, const std::vector<const Row*>& rows,
                                const char* statement, const QStringList* only)
{
    if (rows.empty() || std::none_of(t.others.begin(), t.others.end(), [](const OtherConstraint& o) {
            return o.kind == ConstraintKind::Check && o.enabled && o.check;
        }))
        return;
    std::vector<Source> sources(1);
    sources[0].tableName = t.name;
    for (const Column& c : t.columns) {
        SourceColumn sc;
        sc.name = c.name;
        sc.type = c.type;
        sc.nullable = c.nullable;
        sources[0].columns.push_back(sc);
    }
    Scope scope;
    scope.sources = &sources;
    EvalContext ctx;
    ctx.scope = &scope;
    std::vector<const Row*> current(1);
    ctx.rows = &current;
    for (const OtherConstraint& o : t.others) {
        if (o.kind != ConstraintKind::Check || !o.enabled || !o.check)
            continue;
        if (only && !only->contains(o.name, Qt::CaseInsensitive))
            continue;
        bind(*o.check, scope);
        for (const Row* row : rows) {
            current[0] = row;
            if (test(*o.check, ctx) != false)
                continue;
            const QString column = o.column.isEmpty() ? QString() : QStringLiteral(", column '%1'").arg(o.column);
            throw sqlError(547,
                           QStringLiteral("The %1 statement conflicted with the CHECK constraint \"%2\". The conflict "
                                          "occurred in database \"%3\", table \"%4.%5\"%6.")
                               .arg(QLatin1String(statement), o.name, db.name, t.schema, t.name, column),
                           16, 0);
        }
    }
}

int64_t Executor::nextIdentity(Table& t)
{
    const Column& c = t.columns[t.identityColumn()];
    int64_t v = t.identityUsed ? t.identityLast + c.increment : c.seed;
    t.identityLast = v;
    t.identityUsed = true;
    return v;
}

Value Executor::defaultValue(const Column& c)
{
    if (!c.defaultExpr)
        return nullValue(c.type);
    return assign(evaluateStandalone(*c.defaultExpr), c.type);
}

void Executor::insertRow(const std::shared_ptr<Database>& db, const std::shared_ptr<Table>& t, Row row)
{
    checkNulls(*db, *t, row, "INSERT");
    if (!t->others.empty())
        checkConstraints(*db, *t, {&row}, "INSERT");
    const RowIndex* clash = nullptr;
    if (t->findDuplicate(row, &clash)) {
        size_t k = size_t(clash - t->indexes.data());
        throw duplicateKey(*t, t->keys[k], row, clash->columns);
    }
    auto owned = std::make_unique<Row>(std::move(row));
    Row* raw = owned.get();
    t->rows.push_back(std::move(owned));
    t->indexInsert(raw);
    logRowChange(*t, [t, raw] {
        t->indexRemove(raw);
        for (auto it = t->rows.rbegin(); it != t->rows.rend(); ++it) {
            if (it->get() == raw) {
                t->rows.erase(std::next(it).base());
                break;
            }
        }
    });
}

void Executor::runInsert(InsertStatement& s, StatementResult& r)
{
    std::shared_ptr<Database> db;
    auto t = findTable(s.table, &db);
    if (!t)
        throw invalidObject(s.table.join(QLatin1Char('.')));
    const int identity = t->identityColumn();
    const bool identityInsert = identity >= 0 && identityInsertOn(*db, *t);
    std::vector<int> targets;
    if (!s.columns.isEmpty()) {
        std::unordered_set<int> seen;
        for (const QString& c : s.columns) {
            int i = t->columnIndex(c);
            if (i < 0)
                throw invalidColumn(c);
            if (!seen.insert(i).second)
                throw sqlError(264, QStringLiteral("The column name '%1' is specified more than once in the SET clause "
                                                   "or column list of an INSERT. A column cannot be assigned more than "
                                                   "one value in the same clause. Modify the clause to make sure that a "
                                                   "column is updated only once. If this statement updates or inserts "
                                                   "columns into a view, column aliasing can conceal the duplication in "
                                                   "your code.").arg(c));
            targets.push_back(i);
        }
        if (identity >= 0 && seen.count(identity) && !identityInsert)
            throw sqlError(544, QStringLiteral("Cannot insert explicit value for identity column in table '%1' when "
                                               "IDENTITY_INSERT is set to OFF.").arg(t->name));
        if (identityInsert && !seen.count(identity))
            throw sqlError(545, QStringLiteral("Explicit value must be specified for identity column in table '%1' "
                                               "either when IDENTITY_INSERT is set to ON or when a replication user is "
                                               "inserting into a NOT FOR REPLICATION identity column.")
                                    .arg(t->name));
    } else {
        for (size_t i = 0; i < t->columns.size(); ++i)
            if (int(i) != identity || identityInsert)
                targets.push_back(int(i));
    }
    // Without a column list, values for every column (the identity one too) need IDENTITY_INSERT ON and a list.
    const bool allColumnsGiven = [&] {
        if (identity < 0 || !s.columns.isEmpty())
            return false;
        if (s.select)
            return s.select->items.size() == t->columns.size()
                   && std::none_of(s.select->items.begin(), s.select->items.end(),
                                   [](const SelectItem& i) { return i.star; });
        return !s.values.empty() && s.values.front().size() == t->columns.size();
    }();
    if ((identityInsert && s.columns.isEmpty()) || (!identityInsert && allColumnsGiven))
        throw sqlError(8101, QStringLiteral("An explicit value for the identity column in table '%1' can only be "
                                            "specified when a column list is used and IDENTITY_INSERT is ON.").arg(t->name));

    // Source rows: each a value per target column (std::nullopt = DEFAULT).
    std::vector<std::vector<std::optional<Value>>> sourceRows;
    if (s.defaultValues) {
        sourceRows.emplace_back();
        targets.clear();
    } else if (s.select) {
        ResultSet rs = runSelect(*s.select, nullptr, nullptr);
        if (rs.columns.size() < targets.size())
            throw sqlError(120, QStringLiteral("The select list for the INSERT statement contains fewer items than the "
                                               "insert list. The number of SELECT values must match the number of "
                                               "INSERT columns."), 15);
        if (rs.columns.size() > targets.size())
            throw sqlError(121, QStringLiteral("The select list for the INSERT statement contains more items than the "
                                               "insert list. The number of SELECT values must match the number of "
                                               "INSERT columns."), 15);
        for (auto& row : rs.rows) {
            std::vector<std::optional<Value>> values;
            for (auto& v : row)
                values.push_back(std::move(v));
            sourceRows.push_back(std::move(values));
        }
    } else if (s.exec) {
        for (auto& row : execRows(static_cast<ExecStatement&>(*s.exec), targets.size())) {
            std::vector<std::optional<Value>> values;
            for (auto& v : row)
                values.push_back(std::move(v));
            sourceRows.push_back(std::move(values));
        }
    } else {
        EvalContext ctx;
        Scope scope;
        ctx.scope = &scope;
        for (auto& row : s.values) {
            if (row.size() != targets.size()) {
                if (!s.columns.isEmpty() && row.size() < targets.size())
                    throw sqlError(109, QStringLiteral("There are more columns in the INSERT statement than values "
                                                       "specified in the VALUES clause. The number of values in the "
                                                       "VALUES clause must match the number of columns specified in the "
                                                       "INSERT statement."), 15);
                if (!s.columns.isEmpty())
                    throw sqlError(110, QStringLiteral("There are fewer columns in the INSERT statement than values "
                                                       "specified in the VALUES clause. The number of values in the "
                                                       "VALUES clause must match the number of columns specified in the "
                                                       "INSERT statement."), 15);
                throw sqlError(213, QStringLiteral("Column name or number of supplied values does not match table "
                                                   "definition."));
            }
            std::vector<std::optional<Value>> values;
            for (auto& e : row) {
                if (e->kind == ExprKind::Default) {
                    values.push_back(std::nullopt);
                    continue;
                }
                {
                    RefuseWindows refuse(windowsRefused_);
                    bind(*e, scope);
                }
                values.push_back(eval(*e, ctx));
            }
            sourceRows.push_back(std::move(values));
        }
    }
    if (s.top) {
        // INSERT TOP (n): that many of the source rows, whichever come first.
        EvalContext ctx;
        Scope scope;
        ctx.scope = &scope;
        bind(*s.top, scope);
        const size_t n = topRows(eval(*s.top, ctx), s.topPercent, sourceRows.size());
        if (sourceRows.size() > n)
            sourceRows.resize(n);
    }

    const bool triggered = hasTriggers(*db, *t, 'I');
    std::vector<Row> inserted;
    int64_t count = 0;
    const size_t firstNew = t->rows.size();  // rows are added at the end
    for (auto& src : sourceRows) {
        Row row(t->columns.size());
        std::vector<char> given(t->columns.size(), 0);
        for (size_t k = 0; k < targets.size(); ++k) {
            const int c = targets[k];
            if (!src[k]) {
                if (c == identity)
                    throw sqlError(339, QStringLiteral("DEFAULT or NULL are not allowed as explicit identity values."));
                continue;
            }
            row[c] = assign(*src[k], t->columns[c].type);
            given[c] = 1;
        }
        for (size_t c = 0; c < t->columns.size(); ++c) {
            if (given[c])
                continue;
            if (int(c) == identity)
                row[c] = convert(intValue(nextIdentity(*t)), t->columns[c].type);
            else
                row[c] = defaultValue(t->columns[c]);
        }
        if (identity >= 0) {
            int64_t v = std::get<int64_t>(convert(row[identity], SqlType{TypeId::BigInt, 0, 0, 0}).data);
            session_.lastIdentity = v;
            frame_->scopeIdentity = v;
            if (given[identity]) {
                const Column& ic = t->columns[identity];
                if (!t->identityUsed || (ic.increment > 0 ? v > t->identityLast : v < t->identityLast)) {
                    t->identityLast = v;
                    t->identityUsed = true;
                }
            }
        }
        if (triggered)
            inserted.push_back(row);
        insertRow(db, t, std::move(row));
        ++count;
    }
    if (std::any_of(t->others.begin(), t->others.end(),
                    [](const OtherConstraint& o) { return o.kind == ConstraintKind::ForeignKey; })) {
        std::vector<const Row*> added;
        for (size_t i = firstNew; i < t->rows.size(); ++i)
            added.push_back(t->rows[i].get());
        checkForeignKeys(*db, *t, added, "INSERT");
    }
    t->modified = QDateTime::currentDateTime();
    r.rowCount = count;
    if (triggered)
        fireTriggers(db, *t, 'I', std::move(inserted), {}, std::vector<char>(t->columns.size(), 1), count);
}

// The row combinations an UPDATE or DELETE works on: its filters bound, the sources joined and
// filtered, then cut to TOP n (PERCENT rounds up).
std::vector<std::vector<const Row*>> Executor::targetRows(std::vector<Source>& sources, std::vector<TableRef>& refs,
                                                          const ExprPtr& where, const ExprPtr& top, bool topPercent,
                                                          const Scope& scope)
{
    {
        RefuseWindows refuse(windowsRefused_);
        if (where)
            bind(*where, scope);
        for (TableRef& ref : refs)
            if (ref.on)
                bind(*ref.on, scope);
    }
    auto combos = produceRows(sources, refs, where, scope, nullptr);
    if (top) {
        EvalContext topCtx;
        topCtx.scope = &scope;
        size_t n = topCount(eval(*top, topCtx), topPercent, combos.size());
        if (combos.size() > n)
            combos.resize(n);
    }
    return combos;
}

void Executor::runUpdate(UpdateStatement& s, StatementResult& r)
{
    // The target is a source of the FROM clause named by alias or table name, or else the
    // table itself joined to the FROM clause.
    std::vector<TableRef> refs = s.from;
    int targetSlot = fromClauseTarget(s.target, refs);
    if (targetSlot < 0) {
        TableRef t;
        t.name = s.target;
        t.join = JoinType::Cross;
        refs.push_back(t);
        targetSlot = int(refs.size()) - 1;
    }
    std::vector<Source> sources = openSources(refs, nullptr, nullptr);
    Source& target = sources[targetSlot];
    chooseViewTable(target, &s.sets);
    if (!target.isBase && !target.viewOf)
        throw sqlError(4421, QStringLiteral("Derived table '%1' is not updatable because a column of the derived table "
                                            "is derived or constant.").arg(target.qualifier()));
    // Through a common table expression over one table: that table's rows change.
    std::shared_ptr<Table> t = target.viewOf ? target.viewOf : target.table;
    std::shared_ptr<Database> db = target.db;
    Scope scope;
    scope.sources = &sources;

    struct Set {
        int column = -1;
        QString variable;
        ExprPtr value;
        std::optional<BinaryOp> compound;
    };
    std::vector<Set> sets;
    std::unordered_set<int> assigned;
    for (Assignment& a : s.sets) {
        Set set;
        set.value = a.value;
        set.compound = a.compound;
        if (!a.variable.isEmpty()) {
            if (!findVariable(a.variable))
                throw undeclaredVariable(a.variable);
            set.variable = a.variable;
        }
        if (!a.column.isEmpty()) {
            if (a.column.size() >= 2 && collationKey(a.column[a.column.size() - 2]) != collationKey(target.qualifier()) &&
                collationKey(a.column[a.column.size() - 2]) != collationKey(t->name))
                throw unboundIdentifier(a.column.join(QLatin1Char('.')));
            set.column = t->columnIndex(a.column.last());
            if (target.viewOf) {
                set.column = -1;
                for (size_t c = 0; c < target.columns.size(); ++c)
                    if (collationKey(target.columns[c].name) == collationKey(a.column.last()))
                        set.column = target.viewColumns[c] < 0 ? -2 : target.viewColumns[c];
                if (set.column == -2)
                    throw sqlError(4406, QStringLiteral("Update or insert of view or derived table '%1' failed because it "
                                                        "contains a derived or constant field.")
                                             .arg(target.qualifier()));
            }
            if (set.column < 0)
                throw invalidColumn(a.column.last());
            if (t->columns[set.column].identity)
                throw sqlError(8102, QStringLiteral("Cannot update identity column '%1'.").arg(t->columns[set.column].name));
            if (!assigned.insert(set.column).second)
                throw sqlError(264, QStringLiteral("The column name '%1' is specified more than once in the SET clause "
                                                   "or column list of an INSERT. A column cannot be assigned more than "
                                                   "one value in the same clause. Modify the clause to make sure that a "
                                                   "column is updated only once. If this statement updates or inserts "
                                                   "columns into a view, column aliasing can conceal the duplication in "
                                                   "your code.").arg(a.column.last()));
        }
        if (set.value->kind != ExprKind::Default) {
            RefuseWindows refuse(windowsRefused_);
            bind(*set.value, scope);
        }
        sets.push_back(set);
    }
    auto combos = targetRows(sources, refs, s.where, s.top, s.topPercent, scope);

    // A target row joined to several source rows takes the first match.
    std::vector<char> first(combos.size(), 1);
    {
        std::vector<std::pair<const Row*, size_t>> order;
        order.reserve(combos.size());
        for (size_t k = 0; k < combos.size(); ++k)
            order.emplace_back(combos[k][targetSlot], k);
        std::sort(order.begin(), order.end());
        for (size_t k = 0; k < order.size(); ++k)
            if (!order[k].first || (k > 0 && order[k].first == order[k - 1].first))
                first[order[k].second] = 0;
    }

    const bool triggered = hasTriggers(*db, *t, 'U');
    // Compute every new value from the old rows first, then apply them.
    std::vector<int> columns;
    for (const Set& set : sets)
        if (set.column >= 0)
            columns.push_back(set.column);
    EvalContext ctx;
    ctx.scope = &scope;
    std::vector<Row*> targets;
    std::vector<Value> newValues;  // targets.size() x columns.size()
    targets.reserve(combos.size());
    newValues.reserve(combos.size() * columns.size());
    std::unordered_set<const Row*> viewRows;
    for (size_t k = 0; k < combos.size(); ++k) {
        if (!first[k])
            continue;
        auto& combo = combos[k];
        const Row* old = target.viewOf ? baseRowOf(target, *combo[targetSlot]) : combo[targetSlot];
        if (!old || (target.viewOf && !viewRows.insert(old).second))
            continue;  // no row of that table (outer join), or one already reached through another row
        ctx.rows = &combo;
        for (Set& set : sets) {
            Value v;
            if (set.value->kind == ExprKind::Default) {
                v = defaultValue(t->columns[set.column]);
            } else {
                v = eval(*set.value, ctx);
                if (set.compound) {
                    Value current = set.column >= 0 ? (*old)[set.column]
                                                    : findVariable(set.variable)->value;
                    v = binary(*set.compound, current, v);
                }
            }
            if (set.column >= 0) {
                const Column& c = t->columns[set.column];
                if (v.isNull() && !c.nullable)
                    throw sqlError(515, QStringLiteral("Cannot insert the value NULL into column '%1', table '%2.%3.%4'; "
                                                       "column does not allow nulls. UPDATE fails.")
                                            .arg(c.name, db->name, t->schema, t->name), 16, 2);
                newValues.push_back(assign(v, c.type));
                v = newValues.back();
            }
            if (!set.variable.isEmpty()) {
                Variable& var = *findVariable(set.variable);
                var.value = assign(v, var.type, true);
            }
        }
        targets.push_back(const_cast<Row*>(old));
    }
    std::vector<Row> deleted;
    if (triggered) {
        deleted.reserve(targets.size());
        for (Row* row : targets)
            deleted.push_back(*row);
    }
    if (!targets.empty() && !columns.empty()) {
        // One undo record for the statement: the changed columns' previous values.
        auto previous = std::make_shared<std::vector<Value>>();
        previous->reserve(newValues.size());
        size_t at = 0;
        for (Row* row : targets)
            for (int c : columns) {
                previous->push_back(std::move((*row)[c]));
                (*row)[c] = std::move(newValues[at++]);
                if (!t->columnExtremes.empty())
                    t->extremeChange(c, previous->back(), (*row)[c]);
            }
        t->dropColumnIndexes(columns);
        auto rows = std::make_shared<std::vector<Row*>>(std::move(targets));
        logRowChange(*t, [t, rows, previous, columns] {
            size_t at = 0;
            for (Row* row : *rows)
                for (int c : columns)
                    (*row)[c] = std::move((*previous)[at++]);
            t->invalidateIndexes();
        });
        targets = *rows;
    }
    if (!targets.empty() && !t->others.empty())
        checkConstraints(*db, *t, std::vector<const Row*>(targets.begin(), targets.end()), "UPDATE");
    bool keyTouched = false;
    for (const KeyConstraint& k : t->keys) {
        for (const QString& c : k.columns)
            keyTouched |= assigned.count(t->columnIndex(c)) > 0;
        keyTouched |= k.filter && !assigned.empty();  // a changed row may come under the filter
    }
    if (keyTouched && !targets.empty()) {
        t->invalidateIndexes();
        for (size_t k = 0; k < t->keys.size(); ++k) {
            std::vector<int> cols;
            for (const QString& c : t->keys[k].columns)
                cols.push_back(t->columnIndex(c));
            std::unordered_set<QString> keys;
            for (const auto& row : t->rows)
                if (t->admits(t->keys[k], *row) && !keys.insert(indexKey(*row, cols)).second)
                    throw duplicateKey(*t, t->keys[k], *row, cols);
        }
    }
    if (!targets.empty()) {
        // A changed referencing key must be in its table; a changed referenced key must leave no row behind.
        for (const OtherConstraint& o : t->others)
            if (o.kind == ConstraintKind::ForeignKey
                && std::any_of(o.columns.begin(), o.columns.end(),
                               [&](const QString& c) { return assigned.count(t->columnIndex(c)); })) {
                checkForeignKeys(*db, *t, std::vector<const Row*>(targets.begin(), targets.end()), "UPDATE", &o.name);
            }
        if (isReferenced(*db, *t))
            checkReferences(*db, *t, "UPDATE");
    }
    if (!targets.empty())
        t->modified = QDateTime::currentDateTime();
    r.rowCount = int64_t(targets.size());
    if (triggered) {
        // UPDATE(column) is true for every column of the SET list, changed or not.
        std::vector<char> updated(t->columns.size(), 0);
        for (int c : assigned)
            updated[size_t(c)] = 1;
        std::vector<Row> inserted;
        inserted.reserve(targets.size());
        for (Row* row : targets)
            inserted.push_back(*row);
        fireTriggers(db, *t, 'U', std::move(inserted), std::move(deleted), std::move(updated), r.rowCount);
    }
}

void Executor::runDelete(DeleteStatement& s, StatementResult& r)
{
    std::vector<TableRef> refs = s.from;
    int targetSlot = fromClauseTarget(s.target, refs);
    if (targetSlot < 0) {
        TableRef t;
        t.name = s.target;
        refs.push_back(t);
        targetSlot = int(refs.size()) - 1;
    }
    std::vector<Source> sources = openSources(refs, nullptr, nullptr);
    Source& target = sources[targetSlot];
    chooseViewTable(target, nullptr);
    if (!target.isBase && !target.viewOf)
        throw invalidObject(s.target.join(QLatin1Char('.')));
    // Through a common table expression over one table: that table's rows go.
    std::shared_ptr<Table> t = target.viewOf ? target.viewOf : target.table;
    Scope scope;
    scope.sources = &sources;
    auto combos = targetRows(sources, refs, s.where, s.top, s.topPercent, scope);
    std::unordered_set<const Row*> doomed;
    for (auto& combo : combos)
        if (combo[targetSlot])
            if (const Row* row = target.viewOf ? baseRowOf(target, *combo[targetSlot]) : combo[targetSlot])
                doomed.insert(row);
    const bool triggered = hasTriggers(*target.db, *t, 'D');
    std::vector<Row> deleted;
    if (triggered)
        for (const auto& row : t->rows)
            if (doomed.count(row.get()))
                deleted.push_back(*row);
    if (!doomed.empty()) {
        auto order = std::make_shared<std::vector<Row*>>();
        order->reserve(t->rows.size());
        auto removed = std::make_shared<std::vector<std::unique_ptr<Row>>>();
        std::vector<std::unique_ptr<Row>> kept;
        kept.reserve(t->rows.size() - doomed.size());
        // Taking many rows one by one out of the column indexes costs more than building them again.
        if (doomed.size() > 64)
            t->columnIndexes.clear();
        for (auto& row : t->rows) {
            order->push_back(row.get());
            if (doomed.count(row.get())) {
                t->indexRemove(row.get());
                removed->push_back(std::move(row));
            } else {
                kept.push_back(std::move(row));
            }
        }
        t->rows = std::move(kept);
        logRowChange(*t, [t, order, removed] {
            std::unordered_map<Row*, std::unique_ptr<Row>> owners;
            for (auto& row : t->rows)
                owners.emplace(row.get(), std::move(row));
            for (auto& row : *removed)
                owners.emplace(row.get(), std::move(row));
            t->rows.clear();
            for (Row* row : *order)
                t->rows.push_back(std::move(owners[row]));
            t->invalidateIndexes();
        });
        t->modified = QDateTime::currentDateTime();
    }
    r.rowCount = int64_t(doomed.size());
    if (!doomed.empty() && isReferenced(*target.db, *t))
        checkReferences(*target.db, *t, "DELETE");
    if (triggered)
        fireTriggers(target.db, *t, 'D', {}, std::move(deleted), std::vector<char>(t->columns.size(), 0), r.rowCount);
}

}  // namespace standin
