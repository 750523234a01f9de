#include "Catalog.h"

#include "Errors.h"
#include "Parser.h"

#include <algorithm>

namespace standin {

int Table::columnIndex(const QString& n) const
{
    const QString key = collationKey(n);
    for (size_t i = 0; i < columns.size(); ++i)
        if (collationKey(columns[i].name) == key)
            return int(i);
    return -1;
}

int Table::identityColumn() const
{
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].identity)
            return int(i);
    return -1;
}

const KeyConstraint* Table::primaryKey() const
{
    for (const KeyConstraint& k : keys)
        if (k.primary)
            return &k;
    return nullptr;
}

std::shared_ptr<Table> Table::clone() const
{
    auto t = std::make_shared<Table>();
    t->name = name;
    t->schema = schema;
    t->objectId = objectId;
    t->created = created;
    t->modified = modified;
    t->columns = columns;
    t->rows.reserve(rows.size());
    for (const auto& r : rows)
        t->rows.push_back(std::make_unique<Row>(*r));
    t->keys = keys;
    t->plainIndexes = plainIndexes;
    t->others = others;
    t->identityLast = identityLast;
    t->identityUsed = identityUsed;
    return t;
}

QString valueKey(const Value& v)
{
    if (v.isNull())
        return QStringLiteral("\x01");
    if (auto p = std::get_if<QString>(&v.data))
        return collationKey(*p);
    if (auto p = std::get_if<int64_t>(&v.data))
        return QString::number(*p);
    if (auto p = std::get_if<bool>(&v.data))
        return *p ? QStringLiteral("1") : QStringLiteral("0");
    if (auto p = std::get_if<QUuid>(&v.data))
        return p->toString();
    // Dates and times by their instant: datetimeoffsets of one instant at two offsets are one key.
    if (auto p = std::get_if<DateTimeValue>(&v.data))
        return QString::number(p->date.toJulianDay() * TimeOfDay::kUnitsPerDay + p->time.units
                               - int64_t(p->offsetMinutes) * 600000000LL);
    if (auto p = std::get_if<TimeOfDay>(&v.data))
        return QString::number(p->units);
    return toText(v);
}

QString indexKey(const Row& row, const std::vector<int>& columns)
{
    if (columns.size() == 1)
        return valueKey(row[columns[0]]);
    QString key;
    for (int c : columns) {
        key += valueKey(row[c]);
        key += QChar(0x1f);
    }
    return key;
}

void Table::ensureIndexes() const
{
    if (indexesValid)
        return;
    indexes.clear();
    for (const KeyConstraint& k : keys) {
        RowIndex idx;
        idx.key = int(&k - keys.data());
        for (const QString& c : k.columns) {
            int i = columnIndex(c);
            if (i >= 0)
                idx.columns.push_back(i);
        }
        if (!idx.columns.empty())
            indexes.push_back(std::move(idx));
    }
    const int ident = identityColumn();
    if (ident >= 0) {
        bool covered = false;
        for (const RowIndex& idx : indexes)
            covered |= idx.columns == std::vector<int>{ident};
        if (!covered) {
            RowIndex idx;
            idx.columns = {ident};
            indexes.push_back(std::move(idx));
        }
    }
    for (RowIndex& idx : indexes) {
        idx.map.reserve(rows.size());
        for (const auto& r : rows)
            if (idx.key < 0 || admits(keys[size_t(idx.key)], *r))
                idx.map.emplace(indexKey(*r, idx.columns), r.get());
    }
    indexesValid = true;
}

namespace {

const Expr* filterColumn(const Expr& e) { return e.kind == ExprKind::Column && !e.parts.isEmpty() ? &e : nullptr; }

// A constant of a filter: a literal, or a negated one.
std::optional<Value> filterConstant(const Expr& e)
{
    if (e.kind == ExprKind::Literal)
        return e.value;
    if (e.kind == ExprKind::Negate && !e.args.empty() && e.args[0] && e.args[0]->kind == ExprKind::Literal)
        return negate(e.args[0]->value);
    return std::nullopt;
}

bool compareHolds(CompareOp op, int c)
{
    switch (op) {
    case CompareOp::Eq:
        return c == 0;
    case CompareOp::Ne:
        return c != 0;
    case CompareOp::Lt:
        return c < 0;
    case CompareOp::Le:
        return c <= 0;
    case CompareOp::Gt:
        return c > 0;
    case CompareOp::Ge:
        return c >= 0;
    }
    return false;
}

CompareOp mirrored(CompareOp op)
{
    switch (op) {
    case CompareOp::Lt:
        return CompareOp::Gt;
    case CompareOp::Le:
        return CompareOp::Ge;
    case CompareOp::Gt:
        return CompareOp::Lt;
    case CompareOp::Ge:
        return CompareOp::Le;
    default:
        return op;
    }
}

// True only when the condition holds (unknown leaves the row out, as a WHERE does).
bool filterHolds(const Table& t, const Expr& e, const Row& row)
{
    auto columnValue = [&](const Expr& c) -> const Value* {
        const int i = t.columnIndex(c.parts.last());
        return i < 0 ? nullptr : &row[size_t(i)];
    };
    switch (e.kind) {
    case ExprKind::And:
        return filterHolds(t, *e.args[0], row) && filterHolds(t, *e.args[1], row);
    case ExprKind::IsNull: {
        const Value* v = columnValue(*e.args[0]);
        return v && v->isNull() != e.negated;
    }
    case ExprKind::Compare: {
        const bool columnLeft = filterColumn(*e.args[0]) != nullptr;
        const Value* v = columnValue(*e.args[columnLeft ? 0 : 1]);
        const std::optional<Value> k = filterConstant(*e.args[columnLeft ? 1 : 0]);
        if (!v || !k)
            return false;
        const std::optional<int> c = compare(*v, *k);
        return c && compareHolds(columnLeft ? e.cmp : mirrored(e.cmp), *c);
    }
    case ExprKind::In: {
        const Value* v = columnValue(*e.args[0]);
        if (!v || v->isNull())
            return false;
        bool found = false;
        for (size_t i = 1; i < e.args.size() && !found; ++i)
            if (const std::optional<Value> k = filterConstant(*e.args[i]))
                found = compare(*v, *k) == 0;
        return found != e.negated;
    }
    default:
        return false;
    }
}

}  // namespace

bool indexFilterSupported(const Expr& e)
{
    switch (e.kind) {
    case ExprKind::And:
        return e.args.size() == 2 && indexFilterSupported(*e.args[0]) && indexFilterSupported(*e.args[1]);
    case ExprKind::IsNull:
        return !e.args.empty() && filterColumn(*e.args[0]);
    case ExprKind::Compare:
        return e.args.size() == 2
               && ((filterColumn(*e.args[0]) && filterConstant(*e.args[1]))
                   || (filterColumn(*e.args[1]) && filterConstant(*e.args[0])));
    case ExprKind::In:
        if (e.negated || e.subquery || e.args.size() < 2 || !filterColumn(*e.args[0]))
            return false;
        for (size_t i = 1; i < e.args.size(); ++i)
            if (!filterConstant(*e.args[i]))
                return false;
        return true;
    default:
        return false;
    }
}

bool Table::admits(const KeyConstraint& key, const Row& row) const
{
    return !key.filter || filterHolds(*this, *key.filter, row);
}

Row* Table::findDuplicate(const Row& row, const RowIndex** clash) const
{
    ensureIndexes();
    // Only declared keys are unique; the identity index alone does not refuse duplicates.
    for (size_t i = 0; i < indexes.size() && i < keys.size(); ++i) {
        const RowIndex& idx = indexes[i];
        if (idx.key >= 0 && !admits(keys[size_t(idx.key)], row))
            continue;
        auto it = idx.map.find(indexKey(row, idx.columns));
        if (it != idx.map.end() && it->second != &row) {
            if (clash)
                *clash = &idx;
            return it->second;
        }
    }
    return nullptr;
}

const std::vector<Row*>& Table::rowsWithKey(int column, const QString& key) const
{
    static const std::vector<Row*> none;
    auto [it, built] = columnIndexes.try_emplace(column);
    if (built) {
        it->second.map.reserve(rows.size() / 4 + 1);
        for (const auto& r : rows)
            it->second.map[valueKey((*r)[size_t(column)])].push_back(r.get());
    }
    auto found = it->second.map.find(key);
    return found == it->second.map.end() ? none : found->second;
}

const Value& Table::columnExtreme(int column, bool greatest) const
{
    ColumnExtreme& e = columnExtremes[column];
    if (!(greatest ? e.hasMax : e.hasMin)) {
        // The same rule as the aggregate's scan: the first value wins over later equal ones.
        Value best = nullValue(columns[size_t(column)].type);
        for (const auto& r : rows) {
            const Value& v = (*r)[size_t(column)];
            if (v.isNull())
                continue;
            if (best.isNull()) {
                best = v;
                continue;
            }
            const int c = compareForSort(v, best);
            if (greatest ? c > 0 : c < 0)
                best = v;
        }
        (greatest ? e.max : e.min) = std::move(best);
        (greatest ? e.hasMax : e.hasMin) = true;
    }
    return greatest ? e.max : e.min;
}

namespace {

// A value added after every row that holds the extreme: it takes the extreme's place only when beyond it.
void extremeAdd(bool& has, Value& best, const Value& v, bool greatest)
{
    if (!has || v.isNull())
        return;
    if (best.isNull()) {
        best = v;
        return;
    }
    const int c = compareForSort(v, best);
    if (greatest ? c > 0 : c < 0)
        best = v;
}

// A value leaving the column: when it could be the extreme, the extreme is no longer known.
void extremeTake(bool& has, const Value& best, const Value& v, bool greatest)
{
    if (!has || v.isNull() || best.isNull())
        return;
    const int c = compareForSort(v, best);
    if (greatest ? c >= 0 : c <= 0)
        has = false;
}

}  // namespace

void Table::extremeChange(int column, const Value& before, const Value& after) const
{
    auto it = columnExtremes.find(column);
    if (it == columnExtremes.end())
        return;
    ColumnExtreme& e = it->second;
    extremeTake(e.hasMax, e.max, before, true);
    extremeTake(e.hasMin, e.min, before, false);
    // The changed row may stand before the row holding an equal extreme, so an equal value drops it too.
    if (!after.isNull()) {
        if (e.hasMax && !e.max.isNull() && compareForSort(after, e.max) == 0)
            e.hasMax = false;
        if (e.hasMin && !e.min.isNull() && compareForSort(after, e.min) == 0)
            e.hasMin = false;
    }
    extremeAdd(e.hasMax, e.max, after, true);
    extremeAdd(e.hasMin, e.min, after, false);
    if (!e.hasMax && !e.hasMin)
        columnExtremes.erase(it);
}

void Table::dropColumnIndexes(const std::vector<int>& columns) const
{
    for (int c : columns)
        columnIndexes.erase(c);
}

void Table::indexInsert(Row* row) const
{
    // Rows are only ever added at the end of the table, so appending keeps table order.
    for (auto& [c, idx] : columnIndexes)
        idx.map[valueKey((*row)[size_t(c)])].push_back(row);
    for (auto& [c, e] : columnExtremes) {
        extremeAdd(e.hasMax, e.max, (*row)[size_t(c)], true);
        extremeAdd(e.hasMin, e.min, (*row)[size_t(c)], false);
    }
    if (!indexesValid)
        return;
    for (RowIndex& idx : indexes)
        if (idx.key < 0 || admits(keys[size_t(idx.key)], *row))
            idx.map.emplace(indexKey(*row, idx.columns), row);
}

void Table::indexRemove(const Row* row) const
{
    for (auto it = columnExtremes.begin(); it != columnExtremes.end();) {
        ColumnExtreme& e = it->second;
        extremeTake(e.hasMax, e.max, (*row)[size_t(it->first)], true);
        extremeTake(e.hasMin, e.min, (*row)[size_t(it->first)], false);
        if (!e.hasMax && !e.hasMin)
            it = columnExtremes.erase(it);
        else
            ++it;
    }
    for (auto& [c, idx] : columnIndexes) {
        auto it = idx.map.find(valueKey((*row)[size_t(c)]));
        if (it == idx.map.end())
            continue;
        // From the end: an undone insert takes back the last rows.
        auto& list = it->second;
        for (auto r = list.rbegin(); r != list.rend(); ++r)
            if (*r == row) {
                list.erase(std::next(r).base());
                break;
            }
        if (list.empty())
            idx.map.erase(it);
    }
    if (!indexesValid)
        return;
    for (RowIndex& idx : indexes) {
        auto it = idx.map.find(indexKey(*row, idx.columns));
        if (it != idx.map.end() && it->second == row)
            idx.map.erase(it);
    }
}

std::shared_ptr<Table> Database::findTable(const QString& n) const
{
    auto it = tables.find(collationKey(n));
    return it == tables.end() ? nullptr : it->second;
}

std::shared_ptr<Module> Database::findModule(const QString& n) const
{
    auto it = modules.find(collationKey(n));
    return it == modules.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Module>> Database::triggersOf(const QString& table) const
{
    std::vector<std::shared_ptr<Module>> out;
    const QString key = collationKey(table);
    for (const auto& [k, m] : modules)
        if (m->kind == ModuleKind::Trigger && collationKey(m->table) == key)
            out.push_back(m);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a->objectId < b->objectId; });
    return out;
}

void Module::describe(const CreateModuleStatement& s)
{
    kind = s.kind;
    definition = s.definition;
    table = s.table.isEmpty() ? QString() : s.table.last();
    onInsert = s.onInsert;
    onUpdate = s.onUpdate;
    onDelete = s.onDelete;
    parameters = s.parameters;
    returns = s.returns;
    idle_.clear();
}

std::shared_ptr<CreateModuleStatement> Module::takeProgram() const
{
    if (!idle_.empty()) {
        auto p = std::move(idle_.back());
        idle_.pop_back();
        return p;
    }
    auto statements = parseBatch(definition);
    if (statements.empty() || statements[0]->kind != StmtKind::CreateModule)
        throw sqlError(0, QStringLiteral("The stored text of '%1' is not a module definition.").arg(name));
    return std::static_pointer_cast<CreateModuleStatement>(statements[0]);
}

void Module::returnProgram(std::shared_ptr<CreateModuleStatement> program) const
{
    if (program && program->definition == definition && idle_.size() < 8)
        idle_.push_back(std::move(program));
}

const char* Module::typeCode() const
{
    switch (kind) {
    case ModuleKind::Trigger: return "TR";
    case ModuleKind::Function: return "FN";
    case ModuleKind::Procedure: break;
    }
    return "P";
}

QString Module::typeDescription() const
{
    switch (kind) {
    case ModuleKind::Trigger: return QStringLiteral("SQL_TRIGGER");
    case ModuleKind::Function: return QStringLiteral("SQL_SCALAR_FUNCTION");
    case ModuleKind::Procedure: break;
    }
    return QStringLiteral("SQL_STORED_PROCEDURE");
}

int Database::objectId(const QString& n, QString* type) const
{
    const QString key = collationKey(n);
    if (auto m = findModule(n)) {
        if (type)
            *type = QString::fromLatin1(m->typeCode());
        return m->objectId;
    }
    for (const auto& [k, t] : tables) {
        if (k == key) {
            if (type)
                *type = QStringLiteral("U");
            return t->objectId;
        }
        for (const KeyConstraint& c : t->keys)
            if (!c.index && collationKey(c.name) == key) {
                if (type)
                    *type = c.primary ? QStringLiteral("PK") : QStringLiteral("UQ");
                return c.objectId;
            }
        for (const Column& c : t->columns)
            if (!c.defaultName.isEmpty() && collationKey(c.defaultName) == key) {
                if (type)
                    *type = QStringLiteral("D");
                return c.defaultObjectId;
            }
        for (const OtherConstraint& c : t->others)
            if (collationKey(c.name) == key) {
                if (type)
                    *type = c.kind == ConstraintKind::ForeignKey ? QStringLiteral("F") : QStringLiteral("C");
                return c.objectId;
            }
    }
    return 0;
}

bool Database::objectExists(const QString& n) const
{
    return objectId(n) != 0;
}

}  // namespace standin
