// WITH common table expressions: named queries of one statement, read once when first named; a
// recursive one (anchor UNION ALL recursive members) runs its recursive members level by level up to
// OPTION (MAXRECURSION n). One over base tables can be the target of DELETE and UPDATE (of one table).
#include "Errors.h"
#include "Executor.h"
#include "Functions.h"

#include <unordered_set>

namespace standin {

namespace {

bool sameName(const QString& a, const QString& b) { return collationKey(a) == collationKey(b); }

// How many times the query names the common table `name` in its FROM clauses (subqueries included);
// `inSubquery` counts those inside subqueries and derived tables, `outerJoined` those on the outer side
// of a join.
struct References {
    int count = 0;
    int inSubquery = 0;
    int outerJoined = 0;
};

void countReferences(const SelectStmt& s, const QString& name, References& r, bool nested);

void countInExpr(const ExprPtr& e, const QString& name, References& r)
{
    if (!e)
        return;
    if (e->subquery)
        countReferences(*e->subquery, name, r, true);
    for (const auto& a : e->args)
        countInExpr(a, name, r);
    countInExpr(e->caseOperand, name, r);
    countInExpr(e->elseExpr, name, r);
}

void countReferences(const SelectStmt& s, const QString& name, References& r, bool nested)
{
    for (size_t i = 0; i < s.from.size(); ++i) {
        const TableRef& ref = s.from[i];
        if (ref.derived) {
            countReferences(*ref.derived, name, r, true);
        } else if (!ref.isFunction && ref.name.size() == 1 && sameName(ref.name[0], name)) {
            ++r.count;
            if (nested)
                ++r.inSubquery;
            const bool rightSide = ref.join == JoinType::Left || ref.join == JoinType::Full;
            const bool leftSide = i + 1 < s.from.size()
                                  && (s.from[i + 1].join == JoinType::Right || s.from[i + 1].join == JoinType::Full);
            if (rightSide || leftSide)
                ++r.outerJoined;
        }
        countInExpr(ref.on, name, r);
    }
    for (const SelectItem& item : s.items)
        countInExpr(item.expr, name, r);
    countInExpr(s.where, name, r);
    countInExpr(s.having, name, r);
    for (const auto& [all, other] : s.unions)
        countReferences(*other, name, r, nested);
}

bool hasAggregate(const ExprPtr& e)
{
    if (!e || e->kind == ExprKind::Subquery || e->kind == ExprKind::Exists)
        return false;
    if (e->kind == ExprKind::Function && !e->over) {
        const BuiltinFunction* f = findBuiltin(e->name);
        if (f && f->aggregate)
            return true;
    }
    for (const auto& a : e->args)
        if (hasAggregate(a))
            return true;
    return hasAggregate(e->caseOperand) || hasAggregate(e->elseExpr);
}

bool sameType(const SqlType& a, const SqlType& b)
{
    if (a.id != b.id)
        return false;
    if (isCharacter(a.id) || isBinary(a.id))
        return a.length == b.length;
    if (a.id == TypeId::Decimal || a.id == TypeId::Numeric)
        return a.precision == b.precision && a.scale == b.scale;
    return true;
}

}  // namespace

Executor::CommonTableScope::CommonTableScope(Executor& executor, const std::shared_ptr<WithClause>& with)
    : frame_(executor.frame_)
    , savedVisible_(0)
{
    if (!frame_)
        return;
    saved_ = std::move(frame_->commonTables);
    savedVisible_ = frame_->visibleCommonTables;
    frame_->commonTables.clear();
    if (with) {
        for (size_t i = 0; i < with->tables.size(); ++i) {
            auto cte = std::make_shared<ActiveCommonTable>();
            cte->definition = &with->tables[i];
            cte->with = with;
            cte->position = i;
            frame_->commonTables.push_back(std::move(cte));
        }
    }
    frame_->visibleCommonTables = frame_->commonTables.size();
}

Executor::CommonTableScope::~CommonTableScope()
{
    if (!frame_)
        return;
    frame_->commonTables = std::move(saved_);
    frame_->visibleCommonTables = savedVisible_;
}

ActiveCommonTable* Executor::findCommonTable(const QString& name) const
{
    if (!frame_)
        return nullptr;
    const size_t visible = std::min(frame_->visibleCommonTables, frame_->commonTables.size());
    for (size_t i = 0; i < visible; ++i)
        if (sameName(frame_->commonTables[i]->definition->name, name))
            return frame_->commonTables[i].get();
    return nullptr;
}

const Row* Executor::baseRowOf(const Source& view, const Row& row)
{
    const Value& address = row[view.columns.size() + size_t(view.viewSlot)];
    return reinterpret_cast<const Row*>(static_cast<intptr_t>(std::get<int64_t>(address.data)));
}

void Executor::chooseViewTable(Source& view, const std::vector<Assignment>* sets)
{
    if (view.viewTables.empty())
        return;
    auto several = [&] {
        return sqlError(4405, QStringLiteral("View or function '%1' is not updatable because the modification affects "
                                             "multiple base tables.")
                                  .arg(view.qualifier()));
    };
    int chosen = -1;
    if (!sets) {
        if (view.viewTables.size() > 1)
            throw several();
        chosen = 0;
    } else {
        for (const Assignment& a : *sets) {
            if (a.column.isEmpty())
                continue;
            for (size_t c = 0; c < view.columns.size(); ++c) {
                if (!sameName(view.columns[c].name, a.column.last()))
                    continue;
                const int table = view.viewColumnOf[c].first;
                if (table < 0)
                    throw sqlError(4406,
                                   QStringLiteral("Update or insert of view or derived table '%1' failed because it "
                                                  "contains a derived or constant field.")
                                       .arg(view.qualifier()));
                if (chosen >= 0 && chosen != table)
                    throw several();
                chosen = table;
            }
        }
        if (chosen < 0)
            chosen = 0;
    }
    view.viewSlot = chosen;
    view.viewOf = view.viewTables[size_t(chosen)];
    view.db = view.viewDbs[size_t(chosen)];
    view.viewColumns.clear();
    for (const auto& [table, column] : view.viewColumnOf)
        view.viewColumns.push_back(table == chosen ? column : -1);
}

Source Executor::commonTableSource(ActiveCommonTable& cte, const QString& alias)
{
    if (cte.working) {
        // A recursive member reads the rows of the level before.
        Source s;
        s.alias = alias;
        s.tableName = cte.definition->name;
        s.columns = cte.columns;
        s.table = cte.working;
        return s;
    }
    if (!cte.rows)
        readCommonTable(cte);
    Source s;
    s.alias = alias;
    s.tableName = cte.definition->name;
    s.columns = cte.columns;
    s.table = cte.rows;
    s.viewTables = cte.viewTables;
    s.viewDbs = cte.viewDbs;
    s.viewColumnOf = cte.viewColumnOf;
    return s;
}

void Executor::readCommonTable(ActiveCommonTable& cte)
{
    const CommonTable& def = *cte.definition;
    References refs;
    countReferences(*def.select, def.name, refs, false);
    // While its query runs it sees itself and the ones before it, never those after.
    const size_t visible = frame_->visibleCommonTables;
    frame_->visibleCommonTables = cte.position + 1;
    struct Restore {
        Frame* frame;
        size_t visible;
        ~Restore() { frame->visibleCommonTables = visible; }
    } restore {frame_, visible};
    if (refs.count > 0) {
        readRecursive(cte);
        return;
    }

    // Base tables only, nothing grouped or combined: its rows can be traced back to those tables' rows.
    const SelectStmt& q = *def.select;
    bool updatable =
        q.unions.empty() && !q.from.empty() && q.groupBy.empty() && !q.having && !q.distinct && q.into.isEmpty();
    std::vector<std::shared_ptr<Table>> bases;
    std::vector<std::shared_ptr<Database>> baseDbs;
    for (const TableRef& ref : q.from) {
        if (!updatable)
            break;
        const QStringList& name = ref.name;
        const bool system = name.size() >= 2
                            && (sameName(name[name.size() - 2], QStringLiteral("sys"))
                                || sameName(name[name.size() - 2], QStringLiteral("INFORMATION_SCHEMA")));
        std::shared_ptr<Database> db;
        std::shared_ptr<Table> base;
        if (!ref.derived && !ref.isFunction && !system && !(name.size() == 1 && findCommonTable(name[0])))
            base = findTable(name, &db);
        updatable = base != nullptr;
        bases.push_back(base);
        baseDbs.push_back(db);
    }
    for (const SelectItem& item : q.items)
        if (updatable && !item.star && hasAggregate(item.expr))
            updatable = false;
    ResultSet rs;
    if (updatable) {
        SelectStmt traced = q;
        for (size_t slot = 0; slot < bases.size(); ++slot) {
            SelectItem address;
            address.expr = std::make_shared<Expr>();
            address.expr->kind = ExprKind::Function;
            address.expr->windowIndex = kRowAddressItem;
            address.expr->slot = int(slot);
            traced.items.push_back(address);
        }
        rs = runSelect(traced, nullptr, nullptr);
        rs.columns.resize(rs.columns.size() - bases.size());
    } else {
        bases.clear();
        rs = runSelect(*def.select, nullptr, nullptr);
    }
    if (!def.columns.isEmpty() && def.columns.size() != qsizetype(rs.columns.size()))
        throw sqlError(def.columns.size() < qsizetype(rs.columns.size()) ? 8158 : 8159,
                       QStringLiteral("'%1' has %2 columns than were specified in the column list.")
                           .arg(def.name, def.columns.size() < qsizetype(rs.columns.size()) ? QStringLiteral("more")
                                                                                            : QStringLiteral("fewer")));
    std::unordered_set<QString> names;
    auto table = std::make_shared<Table>();
    for (size_t c = 0; c < rs.columns.size(); ++c) {
        const ColumnInfo& info = rs.columns[c];
        SourceColumn sc;
        sc.name = def.columns.isEmpty() ? info.name : def.columns[qsizetype(c)];
        if (sc.name.isEmpty())
            throw sqlError(
                8155, QStringLiteral("No column name was specified for column %1 of '%2'.").arg(c + 1).arg(def.name));
        if (!names.insert(collationKey(sc.name)).second)
            throw sqlError(
                8156, QStringLiteral("The column '%1' was specified multiple times for '%2'.").arg(sc.name, def.name));
        sc.type = info.type;
        sc.nullable = info.nullable;
        sc.identity = info.identity;
        sc.baseTable = info.baseTable;
        sc.baseColumn = info.baseColumn;
        cte.columns.push_back(sc);
        Column col;
        col.name = sc.name;
        col.type = sc.type;
        table->columns.push_back(col);
        if (!bases.empty()) {
            // The table a column comes from, when one table of the FROM clause alone has that name.
            int table = -1;
            for (size_t b = 0; b < bases.size() && !info.baseTable.isEmpty(); ++b) {
                if (!sameName(bases[b]->name, info.baseTable))
                    continue;
                table = table == -1 ? int(b) : -2;
            }
            if (table >= 0)
                cte.viewColumnOf.emplace_back(table, bases[size_t(table)]->columnIndex(info.baseColumn));
            else
                cte.viewColumnOf.emplace_back(-1, -1);
        }
    }
    table->rows.reserve(rs.rows.size());
    for (auto& row : rs.rows)
        table->rows.push_back(std::make_unique<Row>(std::move(row)));
    cte.rows = table;
    cte.viewTables = std::move(bases);
    cte.viewDbs = std::move(baseDbs);
}

void Executor::readRecursive(ActiveCommonTable& cte)
{
    const CommonTable& def = *cte.definition;
    const QString& name = def.name;
    // Members: the first query and each one UNIONed to it. The anchors come first, the recursive ones after.
    std::vector<const SelectStmt*> members {def.select.get()};
    std::vector<bool> unionAll {true};
    for (const auto& [all, other] : def.select->unions) {
        members.push_back(other.get());
        unionAll.push_back(all);
    }
    size_t anchors = 0;
    std::vector<References> refs(members.size());
    for (size_t m = 0; m < members.size(); ++m) {
        SelectStmt core = *members[m];
        core.unions.clear();
        countReferences(core, name, refs[m], false);
        if (refs[m].count == 0 && anchors == m)
            anchors = m + 1;
    }
    if (anchors == 0)
        throw sqlError(246, QStringLiteral("No anchor member was specified for recursive query \"%1\".").arg(name));
    if (anchors == members.size())
        throw sqlError(252, QStringLiteral("Recursive common table expression '%1' does not contain a top-level UNION "
                                           "ALL operator.")
                                .arg(name));
    for (size_t m = anchors; m < members.size(); ++m) {
        const SelectStmt& s = *members[m];
        if (!unionAll[m] || refs[m].count == 0)
            throw sqlError(252, QStringLiteral("Recursive common table expression '%1' does not contain a top-level "
                                               "UNION ALL operator.")
                                    .arg(name));
        if (refs[m].count > 1)
            throw sqlError(253, QStringLiteral("Recursive member of a common table expression '%1' has multiple "
                                               "recursive references.")
                                    .arg(name));
        if (refs[m].inSubquery > 0)
            throw sqlError(465, QStringLiteral("Recursive references are not allowed in subqueries."));
        if (refs[m].outerJoined > 0)
            throw sqlError(462, QStringLiteral("Outer join is not allowed in the recursive part of a recursive common "
                                               "table expression '%1'.")
                                    .arg(name));
        bool aggregates = !s.groupBy.empty() || s.having;
        for (const SelectItem& item : s.items)
            aggregates |= !item.star && hasAggregate(item.expr);
        if (aggregates)
            throw sqlError(467, QStringLiteral("GROUP BY, HAVING, or aggregate functions are not allowed in the "
                                               "recursive part of a recursive common table expression '%1'.")
                                    .arg(name));
        if (s.distinct)
            throw sqlError(460, QStringLiteral("DISTINCT operator is not allowed in the recursive part of a recursive "
                                               "common table expression '%1'.")
                                    .arg(name));
        if (s.top)
            throw sqlError(461,
                           QStringLiteral("TOP operator is not allowed in the recursive part of a recursive common "
                                          "table expression '%1'.")
                               .arg(name));
    }

    SelectStmt anchor = *def.select;
    anchor.unions.resize(anchors - 1);
    ResultSet first = runSelect(anchor, nullptr, nullptr);
    if (!def.columns.isEmpty() && def.columns.size() != qsizetype(first.columns.size()))
        throw sqlError(def.columns.size() < qsizetype(first.columns.size()) ? 8158 : 8159,
                       QStringLiteral("'%1' has %2 columns than were specified in the column list.")
                           .arg(name, def.columns.size() < qsizetype(first.columns.size()) ? QStringLiteral("more")
                                                                                           : QStringLiteral("fewer")));
    auto table = std::make_shared<Table>();
    std::unordered_set<QString> names;
    for (size_t c = 0; c < first.columns.size(); ++c) {
        SourceColumn sc;
        sc.name = def.columns.isEmpty() ? first.columns[c].name : def.columns[qsizetype(c)];
        if (sc.name.isEmpty())
            throw sqlError(8155,
                           QStringLiteral("No column name was specified for column %1 of '%2'.").arg(c + 1).arg(name));
        if (!names.insert(collationKey(sc.name)).second)
            throw sqlError(8156,
                           QStringLiteral("The column '%1' was specified multiple times for '%2'.").arg(sc.name, name));
        sc.type = first.columns[c].type;
        cte.columns.push_back(sc);
        Column col;
        col.name = sc.name;
        col.type = sc.type;
        table->columns.push_back(col);
    }
    auto working = std::make_shared<Table>();
    working->columns = table->columns;
    for (auto& row : first.rows) {
        working->rows.push_back(std::make_unique<Row>(row));
        table->rows.push_back(std::make_unique<Row>(std::move(row)));
    }
    const int limit = cte.with->maxRecursion;
    struct Reset {
        ActiveCommonTable& cte;
        ~Reset() { cte.working.reset(); }
    } reset {cte};
    for (int level = 1; !working->rows.empty(); ++level) {
        countStep();
        cte.working = working;
        auto next = std::make_shared<Table>();
        next->columns = table->columns;
        for (size_t m = anchors; m < members.size(); ++m) {
            SelectStmt core = *members[m];
            core.unions.clear();
            core.orderBy.clear();
            ResultSet more = runSelect(core, nullptr, nullptr);
            if (more.columns.size() != cte.columns.size())
                throw sqlError(205,
                               QStringLiteral("All queries combined using a UNION, INTERSECT or EXCEPT operator must "
                                              "have an equal number of expressions in their target lists."));
            for (size_t c = 0; c < more.columns.size(); ++c)
                if (!sameType(more.columns[c].type, cte.columns[c].type))
                    throw sqlError(240, QStringLiteral("Types don't match between the anchor and the recursive part in "
                                                       "column \"%1\" of recursive query \"%2\".")
                                            .arg(cte.columns[c].name, name));
            for (auto& row : more.rows) {
                next->rows.push_back(std::make_unique<Row>(std::move(row)));
                // A level that multiplies its rows counts as work too, so a step budget stops it early.
                if (next->rows.size() % 256 == 0)
                    countStep();
            }
        }
        if (!next->rows.empty() && limit > 0 && level > limit)
            throw sqlError(530, QStringLiteral("The statement terminated. The maximum recursion %1 has been exhausted "
                                               "before statement completion.")
                                    .arg(limit));
        for (const auto& row : next->rows)
            table->rows.push_back(std::make_unique<Row>(*row));
        working = next;
    }
    cte.rows = table;
}

}  // namespace standin
