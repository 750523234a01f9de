// SELECT: table sources, joins (hash join on equalities), key lookups, grouping, ordering.
#include "Errors.h"
#include "Executor.h"
#include "Functions.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace standin {

namespace {

SqlType nv(int n) { return SqlType{TypeId::NVarChar, n, 0, 0}; }
SqlType vc(int n) { return SqlType{TypeId::VarChar, n, 0, 0}; }
SqlType intT() { return SqlType{TypeId::Int, 0, 0, 0}; }

Value str(const QString& s, const SqlType& t) { return Value{t, s}; }

void virtualColumn(Table& t, Source& s, const QString& name, const SqlType& type, bool nullable = true)
{
    Column c;
    c.name = name;
    c.type = type;
    c.nullable = nullable;
    t.columns.push_back(c);
    SourceColumn sc;
    sc.name = name;
    sc.type = type;
    sc.nullable = nullable;
    s.columns.push_back(sc);
}

void collectConjuncts(const ExprPtr& e, std::vector<Expr*>& out)
{
    if (!e)
        return;
    if (e->kind == ExprKind::And) {
        collectConjuncts(e->args[0], out);
        collectConjuncts(e->args[1], out);
    } else {
        out.push_back(e.get());
    }
}

// Which sources of the current query an expression reads (bitmask; bit 63 = something not
// constant for the statement, such as a subquery).
uint64_t sourcesUsed(const Expr& e)
{
    uint64_t m = 0;
    if (e.kind == ExprKind::Column)
        return e.depth == 0 ? (uint64_t(1) << qMin(e.slot, 62)) : (uint64_t(1) << 63);
    if (e.kind == ExprKind::Subquery || e.kind == ExprKind::Exists || e.subquery)
        m |= uint64_t(1) << 63;
    if (e.kind == ExprKind::Function && (e.name == QLatin1String("NEWID") || e.name == QLatin1String("RAND")))
        m |= uint64_t(1) << 63;
    for (const auto& a : e.args)
        if (a)
            m |= sourcesUsed(*a);
    if (e.caseOperand)
        m |= sourcesUsed(*e.caseOperand);
    if (e.elseExpr)
        m |= sourcesUsed(*e.elseExpr);
    return m;
}

// Whether an expression has one value for a whole scan of the current query's sources: it reads
// none of them (variables, literals and outer references of a correlated subquery are fixed while
// the subquery runs) and nothing that changes from row to row.
bool constantForScan(const Expr& e)
{
    if (e.kind == ExprKind::Column)
        return e.depth > 0;
    if (e.kind == ExprKind::Subquery || e.kind == ExprKind::Exists || e.subquery)
        return false;
    if (e.kind == ExprKind::Function && (e.name == QLatin1String("NEWID") || e.name == QLatin1String("RAND")))
        return false;
    for (const auto& a : e.args)
        if (a && !constantForScan(*a))
            return false;
    return (!e.caseOperand || constantForScan(*e.caseOperand)) && (!e.elseExpr || constantForScan(*e.elseExpr));
}

bool plainText(TypeId t)
{
    return t == TypeId::Char || t == TypeId::VarChar || t == TypeId::NChar || t == TypeId::NVarChar;
}

bool wholeNumber(TypeId t)
{
    return t == TypeId::TinyInt || t == TypeId::SmallInt || t == TypeId::Int || t == TypeId::BigInt;
}

// The key under which a column index holds the rows for which `column = v` is true, when that
// comparison needs no conversion that could change its outcome: text against text (the collation key
// folds case and trailing blanks as the comparison does) and whole numbers against whole numbers.
// Anything else (a text compared with a number converts, and may fail) is left to a scan.
bool columnLookupKey(const Value& v, const SqlType& column, QString& key)
{
    if (plainText(column.id) && plainText(v.type.id)) {
        if (const QString* text = std::get_if<QString>(&v.data)) {
            key = collationKey(*text);
            return true;
        }
    }
    if (wholeNumber(column.id) && wholeNumber(v.type.id)) {
        if (const int64_t* n = std::get_if<int64_t>(&v.data)) {
            key = QString::number(*n);
            return true;
        }
    }
    return false;
}

// Below this many rows a scan is as quick as keeping an index.
constexpr size_t columnIndexMinRows = 16;

bool isAggregateName(const QString& n)
{
    const BuiltinFunction* f = findBuiltin(n);
    return f && f->aggregate;
}

// Whether two bound expressions are the same expression (a select item that repeats a GROUP BY one).
bool sameExpr(const Expr& a, const Expr& b)
{
    if (a.kind != b.kind || a.args.size() != b.args.size() || a.negated != b.negated || a.distinct != b.distinct
        || a.star != b.star || bool(a.caseOperand) != bool(b.caseOperand) || bool(a.elseExpr) != bool(b.elseExpr)
        || a.subquery || b.subquery)
        return false;
    switch (a.kind) {
    case ExprKind::Column:
        return a.depth == b.depth && a.slot == b.slot && a.column == b.column && a.slot >= 0;
    case ExprKind::Literal:
        return a.value.type.id == b.value.type.id && compare(a.value, b.value) == 0;
    case ExprKind::Variable:
    case ExprKind::Function:
        if (a.name.compare(b.name, Qt::CaseInsensitive) != 0)
            return false;
        break;
    case ExprKind::Binary:
        if (a.op != b.op)
            return false;
        break;
    case ExprKind::Compare:
        if (a.cmp != b.cmp)
            return false;
        break;
    case ExprKind::Cast:
        if (a.castType.id != b.castType.id || a.castType.length != b.castType.length)
            return false;
        break;
    default:
        break;
    }
    for (size_t i = 0; i < a.args.size(); ++i)
        if (bool(a.args[i]) != bool(b.args[i]) || (a.args[i] && !sameExpr(*a.args[i], *b.args[i])))
            return false;
    return (!a.caseOperand || sameExpr(*a.caseOperand, *b.caseOperand))
           && (!a.elseExpr || sameExpr(*a.elseExpr, *b.elseExpr));
}

// A column of this query's sources read outside any aggregate and outside every GROUP BY expression;
// nullptr when there is none.
const Expr* columnOutsideGroups(const Expr& e, const std::vector<ExprPtr>& groupBy)
{
    for (const ExprPtr& g : groupBy)
        if (g && sameExpr(e, *g))
            return nullptr;
    if ((e.kind == ExprKind::Function && isAggregateName(e.name) && !e.over) || e.kind == ExprKind::Subquery
        || e.kind == ExprKind::Exists)
        return nullptr;
    if (e.kind == ExprKind::Column && e.depth == 0)
        return &e;
    if (e.over) {
        for (const auto& p : e.over->partitionBy)
            if (const Expr* c = columnOutsideGroups(*p, groupBy))
                return c;
        for (const auto& o : e.over->orderBy)
            if (const Expr* c = columnOutsideGroups(*o.expr, groupBy))
                return c;
    }
    for (const auto& a : e.args)
        if (const Expr* c = a ? columnOutsideGroups(*a, groupBy) : nullptr)
            return c;
    if (const Expr* c = e.caseOperand ? columnOutsideGroups(*e.caseOperand, groupBy) : nullptr)
        return c;
    return e.elseExpr ? columnOutsideGroups(*e.elseExpr, groupBy) : nullptr;
}

// Whether an aggregate's argument holds another aggregate or a subquery (130).
bool holdsAggregateOrSubquery(const Expr& e)
{
    if ((e.kind == ExprKind::Function && isAggregateName(e.name)) || e.kind == ExprKind::Subquery
        || e.kind == ExprKind::Exists || e.subquery)
        return true;
    for (const auto& a : e.args)
        if (a && holdsAggregateOrSubquery(*a))
            return true;
    return (e.caseOperand && holdsAggregateOrSubquery(*e.caseOperand))
           || (e.elseExpr && holdsAggregateOrSubquery(*e.elseExpr));
}

void collectAggregates(Expr& e, std::vector<Expr*>& out)
{
    if (e.kind == ExprKind::Function && isAggregateName(e.name) && !e.over) {
        for (const auto& a : e.args)
            if (a && holdsAggregateOrSubquery(*a))
                throw sqlError(130, QStringLiteral("Cannot perform an aggregate function on an expression containing "
                                                   "an aggregate or a subquery."));
        e.aggIndex = int(out.size());
        out.push_back(&e);
        return;
    }
    if (e.kind == ExprKind::Subquery || e.kind == ExprKind::Exists)
        return;
    if (e.over) {
        for (auto& p : e.over->partitionBy)
            collectAggregates(*p, out);
        for (auto& o : e.over->orderBy)
            collectAggregates(*o.expr, out);
    }
    for (auto& a : e.args)
        if (a)
            collectAggregates(*a, out);
    if (e.caseOperand)
        collectAggregates(*e.caseOperand, out);
    if (e.elseExpr)
        collectAggregates(*e.elseExpr, out);
}

struct Accumulator {
    int64_t count = 0;
    Value sum;
    Value best;
    bool any = false;
    std::unordered_set<QString> seen;
    std::vector<std::pair<std::vector<Value>, QString>> pieces;  // STRING_AGG: (WITHIN GROUP key, text)
    Value separator;
};

// The window functions of an expression, numbered in their query; one inside another window function
// or an aggregate is refused.
void collectWindows(Expr& e, std::vector<Expr*>& out, bool inside)
{
    if (e.kind == ExprKind::Subquery || e.kind == ExprKind::Exists)
        return;
    bool nested = inside;
    if (e.kind == ExprKind::Function && e.over) {
        if (inside)
            throw sqlError(4109, QStringLiteral("Windowed functions cannot be used in the context of another windowed "
                                                "function or aggregate."));
        e.windowIndex = int(out.size());
        out.push_back(&e);
        nested = true;
        for (auto& p : e.over->partitionBy)
            collectWindows(*p, out, true);
        for (auto& o : e.over->orderBy)
            collectWindows(*o.expr, out, true);
    } else if (e.kind == ExprKind::Function && isAggregateName(e.name)) {
        nested = true;
    }
    for (auto& a : e.args)
        if (a)
            collectWindows(*a, out, nested);
    if (e.caseOperand)
        collectWindows(*e.caseOperand, out, nested);
    if (e.elseExpr)
        collectWindows(*e.elseExpr, out, nested);
}

// STRING_AGG's text: the pieces in WITHIN GROUP order, joined by the separator.
Value stringAggregate(Accumulator& acc, const Expr& agg, const SqlType& type)
{
    if (agg.withinGroup) {
        const auto& order = agg.withinGroup->orderBy;
        std::stable_sort(acc.pieces.begin(), acc.pieces.end(), [&](const auto& a, const auto& b) {
            for (size_t k = 0; k < order.size(); ++k) {
                const int c = compareForSort(a.first[k], b.first[k]);
                if (c != 0)
                    return order[k].descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    const QString separator = acc.separator.isNull() ? QString() : toText(acc.separator);
    QString text;
    for (size_t i = 0; i < acc.pieces.size(); ++i) {
        if (i > 0)
            text += separator;
        text += acc.pieces[i].second;
    }
    if (type.length > 0 && text.size() > type.length)
        throw sqlError(9829, QStringLiteral("STRING_AGG aggregation result exceeded the limit of 8000 bytes. Use LOB "
                                            "types to avoid result truncation."));
    return Value{type, text};
}

QString rowKey(const std::vector<Value>& values)
{
    QString key;
    for (const Value& v : values) {
        key += valueKey(v);
        key += QChar(0x1f);
    }
    return key;
}

ColumnInfo columnInfoFor(const QString& name, const SqlType& type)
{
    ColumnInfo c;
    c.name = name;
    c.type = type;
    c.computed = true;
    return c;
}

}  // namespace

std::shared_ptr<Database> Executor::currentDatabase() const
{
    auto db = engine_.findDatabase(session_.database);
    if (!db)
        throw sqlError(911, QStringLiteral("Database '%1' does not exist. Make sure that the name is entered correctly.")
                                .arg(session_.database));
    return db;
}

std::shared_ptr<Database> Executor::databaseFor(const QStringList& name) const
{
    if (name.size() >= 3 && !name[name.size() - 3].isEmpty())
        return engine_.findDatabase(name[name.size() - 3]);
    return currentDatabase();
}

std::shared_ptr<Table> Executor::findTable(const QStringList& name, std::shared_ptr<Database>* dbOut) const
{
    if (name.isEmpty() || name.size() > 4)
        return nullptr;
    if (name.last().startsWith(u'@') || name.last().startsWith(u'#')) {
        if (dbOut)
            *dbOut = session_.temp->db;
        if (name.last().startsWith(u'#'))
            return tempTable(name);
        return name.size() == 1 ? tableVariable(name.last()) : nullptr;
    }
    auto db = databaseFor(name);
    if (dbOut)
        *dbOut = db;
    if (!db)
        return nullptr;
    if (name.size() >= 2 && !name[name.size() - 2].isEmpty() &&
        collationKey(name[name.size() - 2]) != collationKey(QStringLiteral("dbo")))
        return nullptr;
    return db->findTable(name.last());
}

Source Executor::tableSource(const QStringList& name, const QString& alias)
{
    if (name.size() == 1)
        if (ActiveCommonTable* cte = findCommonTable(name[0]))
            return commonTableSource(*cte, alias);
    Source s;
    s.alias = alias;
    s.tableName = name.last();
    if (name.size() >= 2) {
        const QString schema = name[name.size() - 2];
        if (schema.compare(QLatin1String("INFORMATION_SCHEMA"), Qt::CaseInsensitive) == 0 ||
            schema.compare(QLatin1String("sys"), Qt::CaseInsensitive) == 0) {
            auto db = databaseFor(name);
            if (!db)
                throw invalidObject(name.join(QLatin1Char('.')));
            Source v = virtualSource(schema.toLower(), name.last().toLower(), db);
            v.alias = alias;
            if (!v.table)
                throw invalidObject(name.join(QLatin1Char('.')));
            return v;
        }
    }
    if (name.size() == 1 && frame_ && frame_->module && frame_->module->kind == ModuleKind::Trigger &&
        (name[0].compare(QLatin1String("inserted"), Qt::CaseInsensitive) == 0 ||
         name[0].compare(QLatin1String("deleted"), Qt::CaseInsensitive) == 0)) {
        // The trigger's pseudo-tables: every row the firing statement touched, with all columns.
        const bool inserted = name[0].compare(QLatin1String("inserted"), Qt::CaseInsensitive) == 0;
        s.table = inserted ? frame_->inserted : frame_->deleted;
        s.tableName = name[0];
        for (const Column& c : s.table->columns) {
            SourceColumn sc;
            sc.name = c.name;
            sc.type = c.type;
            sc.nullable = c.nullable;
            sc.identity = c.identity;
            s.columns.push_back(sc);
        }
        return s;
    }
    std::shared_ptr<Database> db;
    auto t = findTable(name, &db);
    if (!t) {
        // sys views may also be named without their schema.
        if (name.size() == 1 && (name[0].compare(QLatin1String("sysobjects"), Qt::CaseInsensitive) == 0)) {
            Source v = virtualSource(QStringLiteral("sys"), QStringLiteral("sysobjects"), currentDatabase());
            v.alias = alias;
            return v;
        }
        throw invalidObject(name.join(QLatin1Char('.')));
    }
    s.table = t;
    // A temporary table or table variable goes by the name the statement gives it, not tempdb's.
    s.tableName = db == session_.temp->db && !t->name.isEmpty() && (t->variable || t->name.startsWith(u'#'))
                      ? name.last()
                      : t->name;
    s.isBase = true;
    s.db = db;
    for (const Column& c : t->columns) {
        SourceColumn sc;
        sc.name = c.name;
        sc.type = c.type;
        sc.nullable = c.nullable;
        sc.identity = c.identity;
        sc.baseTable = s.tableName;
        sc.baseColumn = c.name;
        s.columns.push_back(sc);
    }
    return s;
}

Source Executor::virtualSource(const QString& schema, const QString& name, const std::shared_ptr<Database>& db)
{
    Source s;
    auto t = std::make_shared<Table>();
    s.tableName = name;
    s.db = db;
    if (catalogView(schema, name, db, *t, s)) {
        s.table = t;
        return s;
    }
    if (schema == QLatin1String("information_schema") && name == QLatin1String("tables")) {
        virtualColumn(*t, s, QStringLiteral("TABLE_CATALOG"), nv(128));
        virtualColumn(*t, s, QStringLiteral("TABLE_SCHEMA"), nv(128));
        virtualColumn(*t, s, QStringLiteral("TABLE_NAME"), nv(128), false);
        virtualColumn(*t, s, QStringLiteral("TABLE_TYPE"), vc(10));
        for (const auto& [k, tab] : db->tables)
            t->rows.push_back(std::make_unique<Row>(Row{str(db->name, nv(128)), str(tab->schema, nv(128)),
                                                        str(tab->name, nv(128)), str(QStringLiteral("BASE TABLE"), vc(10))}));
    } else if (schema == QLatin1String("information_schema") && name == QLatin1String("columns")) {
        virtualColumn(*t, s, QStringLiteral("TABLE_CATALOG"), nv(128));
        virtualColumn(*t, s, QStringLiteral("TABLE_SCHEMA"), nv(128));
        virtualColumn(*t, s, QStringLiteral("TABLE_NAME"), nv(128), false);
        virtualColumn(*t, s, QStringLiteral("COLUMN_NAME"), nv(128));
        virtualColumn(*t, s, QStringLiteral("ORDINAL_POSITION"), intT());
        virtualColumn(*t, s, QStringLiteral("COLUMN_DEFAULT"), nv(4000));
        virtualColumn(*t, s, QStringLiteral("IS_NULLABLE"), vc(3));
        virtualColumn(*t, s, QStringLiteral("DATA_TYPE"), nv(128));
        virtualColumn(*t, s, QStringLiteral("CHARACTER_MAXIMUM_LENGTH"), intT());
        virtualColumn(*t, s, QStringLiteral("CHARACTER_OCTET_LENGTH"), intT());
        virtualColumn(*t, s, QStringLiteral("NUMERIC_PRECISION"), SqlType{TypeId::TinyInt, 0, 0, 0});
        virtualColumn(*t, s, QStringLiteral("NUMERIC_SCALE"), intT());
        virtualColumn(*t, s, QStringLiteral("DATETIME_PRECISION"), SqlType{TypeId::SmallInt, 0, 0, 0});
        virtualColumn(*t, s, QStringLiteral("COLLATION_NAME"), nv(128));
        for (const auto& [k, tab] : db->tables) {
            int ordinal = 0;
            for (const Column& c : tab->columns) {
                ++ordinal;
                const SqlType& ty = c.type;
                Value charMax = nullValue(intT()), octet = nullValue(intT()), precision = nullValue(SqlType{TypeId::TinyInt, 0, 0, 0}),
                      scale = nullValue(intT()), dtPrecision = nullValue(SqlType{TypeId::SmallInt, 0, 0, 0}),
                      collation = nullValue(nv(128));
                if (isCharacter(ty.id) || isBinary(ty.id)) {
                    charMax = intValue(ty.length < 0 ? (ty.id == TypeId::Text ? 2147483647 : ty.id == TypeId::NText ? 1073741823 : -1) : ty.length);
                    octet = intValue(byteLength(ty) < 0 ? (ty.length < 0 && (ty.id == TypeId::Text || ty.id == TypeId::NText || ty.id == TypeId::Image) ? 2147483647 : -1) : byteLength(ty));
                    if (isCharacter(ty.id))
                        collation = str(QStringLiteral("Latin1_General_CI_AS"), nv(128));
                } else if (isNumeric(ty.id) && ty.id != TypeId::Bit) {
                    int p = ty.id == TypeId::TinyInt ? 3 : ty.id == TypeId::SmallInt ? 5 : ty.id == TypeId::Int ? 10
                          : ty.id == TypeId::BigInt ? 19 : ty.id == TypeId::Real ? 24 : ty.id == TypeId::Float ? 53 : ty.precision;
                    precision = intValue(p);
                    precision.type = SqlType{TypeId::TinyInt, 0, 0, 0};
                    if (ty.id != TypeId::Real && ty.id != TypeId::Float)
                        scale = intValue(ty.scale);
                } else if (isDateTime(ty.id)) {
                    Value p = intValue(ty.id == TypeId::DateTime ? 3 : ty.id == TypeId::Date || ty.id == TypeId::SmallDateTime ? 0 : ty.scale);
                    p.type = SqlType{TypeId::SmallInt, 0, 0, 0};
                    dtPrecision = p;
                }
                const QString def = c.defaultText.isEmpty() ? QString() : storedDefinition(c.defaultText);
                t->rows.push_back(std::make_unique<Row>(Row{
                    str(db->name, nv(128)), str(tab->schema, nv(128)), str(tab->name, nv(128)), str(c.name, nv(128)),
                    intValue(ordinal), def.isEmpty() ? nullValue(nv(4000)) : str(def, nv(4000)),
                    str(c.nullable ? QStringLiteral("YES") : QStringLiteral("NO"), vc(3)), str(typeName(ty.id), nv(128)),
                    charMax, octet, precision, scale, dtPrecision, collation}));
            }
        }
    } else if (schema == QLatin1String("sys") && (name == QLatin1String("objects") || name == QLatin1String("sysobjects"))) {
        virtualColumn(*t, s, QStringLiteral("name"), nv(128), false);
        virtualColumn(*t, s, QStringLiteral("object_id"), intT(), false);
        virtualColumn(*t, s, QStringLiteral("principal_id"), intT());
        virtualColumn(*t, s, QStringLiteral("schema_id"), intT(), false);
        virtualColumn(*t, s, QStringLiteral("parent_object_id"), intT(), false);
        virtualColumn(*t, s, QStringLiteral("type"), SqlType{TypeId::Char, 2, 0, 0}, false);
        virtualColumn(*t, s, QStringLiteral("type_desc"), nv(60));
        virtualColumn(*t, s, QStringLiteral("create_date"), SqlType{TypeId::DateTime, 0, 0, 0}, false);
        virtualColumn(*t, s, QStringLiteral("modify_date"), SqlType{TypeId::DateTime, 0, 0, 0}, false);
        virtualColumn(*t, s, QStringLiteral("is_ms_shipped"), SqlType{TypeId::Bit, 0, 0, 0}, false);
        // The old sysobjects adds its own names for the same facts.
        const bool old = name == QLatin1String("sysobjects");
        if (!old) {
            virtualColumn(*t, s, QStringLiteral("is_published"), SqlType{TypeId::Bit, 0, 0, 0}, false);
            virtualColumn(*t, s, QStringLiteral("is_schema_published"), SqlType{TypeId::Bit, 0, 0, 0}, false);
        }
        if (old) {
            virtualColumn(*t, s, QStringLiteral("id"), intT(), false);
            virtualColumn(*t, s, QStringLiteral("xtype"), SqlType{TypeId::Char, 2, 0, 0}, false);
            virtualColumn(*t, s, QStringLiteral("parent_obj"), intT(), false);
            virtualColumn(*t, s, QStringLiteral("crdate"), SqlType{TypeId::DateTime, 0, 0, 0}, false);
        }
        auto add = [&](const QString& n, int id, int parent, const QString& type, const QString& desc, const QDateTime& when) {
            const Value code = str(type.leftJustified(2, QLatin1Char(' ')), SqlType{TypeId::Char, 2, 0, 0});
            const Value date = dateTimeValue(when);
            Row row{str(n, nv(128)), intValue(id), nullValue(intT()), intValue(1), intValue(parent), code,
                    str(desc, nv(60)), date, date, bitValue(false)};
            if (!old) {
                row.push_back(bitValue(false));
                row.push_back(bitValue(false));
            }
            if (old) {
                row.push_back(intValue(id));
                row.push_back(code);
                row.push_back(intValue(parent));
                row.push_back(date);
            }
            t->rows.push_back(std::make_unique<Row>(std::move(row)));
        };
        for (const auto& [k, tab] : db->tables) {
            add(tab->name, tab->objectId, 0, QStringLiteral("U"), QStringLiteral("USER_TABLE"), tab->created);
            t->rows.back()->at(8) = dateTimeValue(tab->modified);  // the last ALTER
            for (const KeyConstraint& key : tab->keys)
                if (!key.index)
                    add(key.name, key.objectId, tab->objectId,
                        key.primary ? QStringLiteral("PK") : QStringLiteral("UQ"),
                        key.primary ? QStringLiteral("PRIMARY_KEY_CONSTRAINT") : QStringLiteral("UNIQUE_CONSTRAINT"),
                        tab->created);
            for (const Column& c : tab->columns)
                if (!c.defaultName.isEmpty())
                    add(c.defaultName, c.defaultObjectId, tab->objectId, QStringLiteral("D"),
                        QStringLiteral("DEFAULT_CONSTRAINT"), tab->modified);
            for (const OtherConstraint& o : tab->others)
                add(o.name, o.objectId, tab->objectId, o.kind == ConstraintKind::ForeignKey ? QStringLiteral("F") : QStringLiteral("C"),
                    o.kind == ConstraintKind::ForeignKey ? QStringLiteral("FOREIGN_KEY_CONSTRAINT") : QStringLiteral("CHECK_CONSTRAINT"),
                    tab->modified);
        }
        for (const auto& [k, m] : db->modules) {
            auto parent = m->kind == ModuleKind::Trigger ? db->findTable(m->table) : nullptr;
            add(m->name, m->objectId, parent ? parent->objectId : 0, QString::fromLatin1(m->typeCode()),
                m->typeDescription(), m->created);
            t->rows.back()->at(8) = dateTimeValue(m->modified);
        }
    } else if (schema == QLatin1String("sys") && (name == QLatin1String("triggers") || name == QLatin1String("procedures"))) {
        const bool triggers = name == QLatin1String("triggers");
        virtualColumn(*t, s, QStringLiteral("name"), nv(128), false);
        virtualColumn(*t, s, QStringLiteral("object_id"), intT(), false);
        if (triggers) {
            virtualColumn(*t, s, QStringLiteral("parent_class"), SqlType{TypeId::TinyInt, 0, 0, 0}, false);
            virtualColumn(*t, s, QStringLiteral("parent_class_desc"), nv(60));
            virtualColumn(*t, s, QStringLiteral("parent_id"), intT(), false);
        } else {
            virtualColumn(*t, s, QStringLiteral("schema_id"), intT(), false);
        }
        virtualColumn(*t, s, QStringLiteral("type"), SqlType{TypeId::Char, 2, 0, 0}, false);
        virtualColumn(*t, s, QStringLiteral("type_desc"), nv(60));
        virtualColumn(*t, s, QStringLiteral("create_date"), SqlType{TypeId::DateTime, 0, 0, 0}, false);
        virtualColumn(*t, s, QStringLiteral("modify_date"), SqlType{TypeId::DateTime, 0, 0, 0}, false);
        virtualColumn(*t, s, QStringLiteral("is_ms_shipped"), SqlType{TypeId::Bit, 0, 0, 0}, false);
        if (triggers) {
            virtualColumn(*t, s, QStringLiteral("is_disabled"), SqlType{TypeId::Bit, 0, 0, 0}, false);
            virtualColumn(*t, s, QStringLiteral("is_not_for_replication"), SqlType{TypeId::Bit, 0, 0, 0}, false);
            virtualColumn(*t, s, QStringLiteral("is_instead_of_trigger"), SqlType{TypeId::Bit, 0, 0, 0}, false);
        }
        const ModuleKind wanted = triggers ? ModuleKind::Trigger : ModuleKind::Procedure;
        for (const auto& [k, m] : db->modules) {
            if (m->kind != wanted)
                continue;
            Row row{str(m->name, nv(128)), intValue(m->objectId)};
            if (triggers) {
                auto parent = db->findTable(m->table);
                Value cls = intValue(1);
                cls.type.id = TypeId::TinyInt;
                row.push_back(cls);
                row.push_back(str(QStringLiteral("OBJECT_OR_COLUMN"), nv(60)));
                row.push_back(intValue(parent ? parent->objectId : 0));
            } else {
                row.push_back(intValue(1));
            }
            row.push_back(str(QString::fromLatin1(m->typeCode()).leftJustified(2, QLatin1Char(' ')),
                              SqlType{TypeId::Char, 2, 0, 0}));
            row.push_back(str(m->typeDescription(), nv(60)));
            row.push_back(dateTimeValue(m->created));
            row.push_back(dateTimeValue(m->modified));
            row.push_back(bitValue(false));
            if (triggers) {
                row.push_back(bitValue(m->disabled));
                row.push_back(bitValue(false));
                row.push_back(bitValue(false));
            }
            t->rows.push_back(std::make_unique<Row>(std::move(row)));
        }
    } else if (schema == QLatin1String("sys") && name == QLatin1String("sql_modules")) {
        virtualColumn(*t, s, QStringLiteral("object_id"), intT(), false);
        virtualColumn(*t, s, QStringLiteral("definition"), nv(-1));
        virtualColumn(*t, s, QStringLiteral("uses_ansi_nulls"), SqlType{TypeId::Bit, 0, 0, 0});
        virtualColumn(*t, s, QStringLiteral("uses_quoted_identifier"), SqlType{TypeId::Bit, 0, 0, 0});
        virtualColumn(*t, s, QStringLiteral("is_schema_bound"), SqlType{TypeId::Bit, 0, 0, 0});
        for (const auto& [k, m] : db->modules)
            t->rows.push_back(std::make_unique<Row>(Row{intValue(m->objectId), str(m->definition, nv(-1)), bitValue(true),
                                                        bitValue(true), bitValue(false)}));
    } else if (schema == QLatin1String("sys") && name == QLatin1String("databases")) {
        virtualColumn(*t, s, QStringLiteral("name"), nv(128), false);
        virtualColumn(*t, s, QStringLiteral("database_id"), intT(), false);
        int i = 0;
        for (const auto& [k, d] : engine_.databases)
            t->rows.push_back(std::make_unique<Row>(Row{str(d->name, nv(128)), intValue(5 + i++)}));
    } else if (schema == QLatin1String("sys") && name == QLatin1String("dm_exec_connections")) {
        // Only the asking connection: the engine does not list the others.
        virtualColumn(*t, s, QStringLiteral("session_id"), intT());
        virtualColumn(*t, s, QStringLiteral("net_transport"), nv(40), false);
        virtualColumn(*t, s, QStringLiteral("protocol_type"), nv(40));
        virtualColumn(*t, s, QStringLiteral("encrypt_option"), nv(40), false);
        virtualColumn(*t, s, QStringLiteral("auth_scheme"), nv(40), false);
        t->rows.push_back(std::make_unique<Row>(Row{intValue(session_.spid), str(QStringLiteral("TCP"), nv(40)),
                                                    str(QStringLiteral("TSQL"), nv(40)),
                                                    str(session_.encrypted ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), nv(40)),
                                                    str(QStringLiteral("SQL"), nv(40))}));
    } else {
        return s;
    }
    s.table = t;
    return s;
}

Source Executor::functionSource(TableRef& ref, const Scope* outerScope, const EvalContext* outerCtx)
{
    const QString fn = ref.name.last().toLower();
    if (fn != QLatin1String("fn_listextendedproperty"))
        throw invalidObject(ref.name.join(QLatin1Char('.')));
    EvalContext ctx;
    Scope scope;
    scope.parent = outerScope;
    ctx.outer = outerCtx;
    ctx.scope = &scope;
    std::vector<QString> args;
    for (auto& a : ref.functionArgs) {
        if (a->kind == ExprKind::Default) {
            args.push_back(QString());
            continue;
        }
        bind(*a, scope);
        Value v = eval(*a, ctx);
        args.push_back(v.isNull() ? QString() : toText(v));
    }
    args.resize(7);
    Source s;
    s.alias = ref.alias;
    s.tableName = ref.name.last();
    auto t = std::make_shared<Table>();
    virtualColumn(*t, s, QStringLiteral("objtype"), nv(128));
    virtualColumn(*t, s, QStringLiteral("objname"), nv(128));
    virtualColumn(*t, s, QStringLiteral("name"), nv(128));
    virtualColumn(*t, s, QStringLiteral("value"), SqlType{TypeId::SqlVariant, 0, 0, 0});
    auto db = currentDatabase();
    auto matches = [](const QString& want, const QString& have) { return want.isEmpty() || collationKey(want) == collationKey(have); };
    const QString name = args[0], level1type = args[3], level1 = args[4], level2type = args[5], level2 = args[6];
    for (const ExtendedProperty& p : db->properties) {
        if (!matches(name, p.name))
            continue;
        if (level1type.isEmpty()) {
            if (!p.table.isEmpty())
                continue;
        } else if (level2type.isEmpty()) {
            if (p.table.isEmpty() || !p.column.isEmpty() || !matches(level1, p.table))
                continue;
        } else if (p.column.isEmpty() || !matches(level1, p.table) || !matches(level2, p.column)) {
            continue;
        }
        const bool column = !p.column.isEmpty();
        const bool table = !p.table.isEmpty();
        t->rows.push_back(std::make_unique<Row>(Row{
            str(column ? QStringLiteral("COLUMN") : table ? QStringLiteral("TABLE") : QStringLiteral("SCHEMA"), nv(128)),
            str(column ? p.column : table ? p.table : p.level0, nv(128)), str(p.name, nv(128)), p.value}));
    }
    s.table = t;
    return s;
}

std::vector<Source> Executor::openSources(std::vector<TableRef>& refs, const Scope* outerScope,
                                          const EvalContext* outerCtx)
{
    std::vector<Source> sources;
    for (TableRef& ref : refs) {
        if (ref.derived) {
            ResultSet rs = runSelect(*ref.derived, outerScope, outerCtx);
            Source s;
            s.alias = ref.alias;
            s.tableName = ref.alias;
            auto t = std::make_shared<Table>();
            QSet<QString> names;
            for (const ColumnInfo& c : rs.columns) {
                if (c.name.isEmpty())
                    throw sqlError(8155, QStringLiteral("No column name was specified for column %1 of '%2'.")
                                             .arg(int(s.columns.size()) + 1).arg(ref.alias));
                if (names.contains(collationKey(c.name)))
                    throw sqlError(8156, QStringLiteral("The column '%1' was specified multiple times for '%2'.").arg(c.name, ref.alias));
                names.insert(collationKey(c.name));
                SourceColumn sc;
                sc.name = c.name;
                sc.type = c.type;
                sc.nullable = c.nullable;
                sc.identity = c.identity;
                sc.baseTable = c.baseTable;
                sc.baseColumn = c.baseColumn;
                s.columns.push_back(sc);
                Column col;
                col.name = c.name;
                col.type = c.type;
                t->columns.push_back(col);
            }
            t->rows.reserve(rs.rows.size());
            for (auto& row : rs.rows)
                t->rows.push_back(std::make_unique<Row>(std::move(row)));
            s.table = t;
            sources.push_back(std::move(s));
        } else if (ref.isFunction) {
            sources.push_back(functionSource(ref, outerScope, outerCtx));
        } else {
            sources.push_back(tableSource(ref.name, ref.alias));
        }
    }
    // Two sources may not share one exposed name.
    for (size_t i = 0; i < sources.size(); ++i)
        for (size_t j = i + 1; j < sources.size(); ++j)
            if (collationKey(sources[i].qualifier()) == collationKey(sources[j].qualifier()))
                throw sqlError(1013, QStringLiteral("The objects \"%1\" and \"%2\" in the FROM clause have the same exposed "
                                                    "names. Use correlation names to distinguish them.")
                                         .arg(sources[i].qualifier(), sources[j].qualifier()), 16, 1);
    return sources;
}

// Whether a subquery reads nothing of the queries around it: its names bound against its own
// sources alone (a nested subquery, or a source that is not a plain table, counts as reading them).
bool Executor::uncorrelated(SelectStmt& s, const Scope& scope)
{
    for (const TableRef& ref : s.from)
        if (ref.derived || ref.isFunction)
            return false;
    std::function<bool(const ExprPtr&)> nested = [&](const ExprPtr& e) {
        if (!e)
            return false;
        if (e->subquery || (e->kind == ExprKind::Function && e->parts.size() >= 2))
            return true;
        for (const auto& a : e->args)
            if (nested(a))
                return true;
        return nested(e->caseOperand) || nested(e->elseExpr);
    };
    for (const SelectItem& item : s.items)
        if (item.star || nested(item.expr))
            return false;
    if (nested(s.where) || nested(s.having) || !s.unions.empty())
        return false;
    for (const auto& g : s.groupBy)
        if (nested(g))
            return false;
    for (const TableRef& ref : s.from)
        if (nested(ref.on))
            return false;
    std::vector<Source> sources = openSources(s.from, &scope, nullptr);
    Scope inner;
    inner.sources = &sources;
    inner.parent = &scope;
    const int before = outerReferences_;
    for (SelectItem& item : s.items)
        bind(*item.expr, inner);
    for (TableRef& ref : s.from)
        if (ref.on)
            bind(*ref.on, inner);
    if (s.where)
        bind(*s.where, inner);
    for (auto& g : s.groupBy)
        bind(*g, inner);
    if (s.having)
        bind(*s.having, inner);
    const bool alone = outerReferences_ == before;
    outerReferences_ = before;
    return alone;
}

std::vector<const Row*> Executor::candidateRows(Source& source, int slot, const ExprPtr& where, const EvalContext& ctx)
{
    std::vector<const Row*> out;
    const Table& t = *source.table;
    if (where && source.isBase && !t.rows.empty()) {
        // Equality on every column of a key or the identity: look the row up instead of scanning.
        std::vector<Expr*> conj;
        collectConjuncts(where, conj);
        std::map<int, Expr*> equalities;  // column -> constant side
        for (Expr* c : conj) {
            if (c->kind != ExprKind::Compare || c->cmp != CompareOp::Eq)
                continue;
            Expr* a = c->args[0].get();
            Expr* b = c->args[1].get();
            for (int k = 0; k < 2; ++k) {
                if (a->kind == ExprKind::Column && a->depth == 0 && a->slot == slot && sourcesUsed(*b) == 0)
                    equalities[a->column] = b;
                std::swap(a, b);
            }
        }
        if (!equalities.empty()) {
            t.ensureIndexes();
            for (const RowIndex& idx : t.indexes) {
                bool covered = true;
                for (int c : idx.columns)
                    covered &= equalities.count(c) > 0;
                if (!covered)
                    continue;
                Row probe(t.columns.size());
                bool usable = true;
                for (int c : idx.columns) {
                    Value v = eval(*equalities[c], ctx);
                    if (v.isNull())
                        return out;  // = NULL matches nothing
                    try {
                        probe[c] = convert(v, t.columns[c].type, false);
                    } catch (const SqlError& e) {
                        // A value that does not fit the column type: let the scan raise the
                        // conversion error or find nothing, as the comparison would.
                        if (e.message.number == 8152)
                            return out;
                        usable = false;
                        break;
                    }
                    if (isCharacter(t.columns[c].type.id) && !isCharacter(v.type.id))
                        usable = false;  // number compared with text column: text converts instead
                }
                if (!usable)
                    continue;
                auto it = idx.map.find(indexKey(probe, idx.columns));
                if (it != idx.map.end())
                    out.push_back(it->second);
                return out;
            }
        }
        // column = value fixed for the scan: the rows come from that column's index (of the columns whose
        // index exists already, the one giving fewest rows; otherwise the first such column's, built now).
        // NULL equals nothing.
        if (t.rows.size() >= columnIndexMinRows) {
            const std::vector<Row*>* best = nullptr;
            int first = -1;
            QString firstKey;
            for (Expr* c : conj) {
                if (c->kind != ExprKind::Compare || c->cmp != CompareOp::Eq)
                    continue;
                for (int k = 0; k < 2; ++k) {
                    const Expr* a = c->args[k].get();
                    const Expr* b = c->args[1 - k].get();
                    if (a->kind != ExprKind::Column || a->depth != 0 || a->slot != slot || !constantForScan(*b))
                        continue;
                    const SqlType& type = t.columns[size_t(a->column)].type;
                    if (!plainText(type.id) && !wholeNumber(type.id))
                        continue;
                    const Value v = eval(*b, ctx);
                    if (v.isNull())
                        return out;
                    QString key;
                    if (!columnLookupKey(v, type, key))
                        continue;
                    if (t.columnIndexes.count(a->column)) {
                        const std::vector<Row*>& rows = t.rowsWithKey(a->column, key);
                        if (!best || rows.size() < best->size())
                            best = &rows;
                    } else if (first < 0) {
                        first = a->column;
                        firstKey = key;
                    }
                    break;
                }
            }
            if (!best && first >= 0)
                best = &t.rowsWithKey(first, firstKey);
            if (best) {
                out.assign(best->begin(), best->end());
                return out;
            }
        }
        // key IN (SELECT ...) with a subquery that reads nothing of this query: look each value up.
        for (Expr* c : conj) {
            if (c->kind != ExprKind::In || !c->subquery || c->negated || c->args.empty())
                continue;
            const Expr* a = c->args[0].get();
            if (a->kind != ExprKind::Column || a->depth != 0 || a->slot != slot)
                continue;
            t.ensureIndexes();
            const RowIndex* index = nullptr;
            for (const RowIndex& idx : t.indexes)
                if (idx.columns.size() == 1 && idx.columns[0] == a->column)
                    index = &idx;
            if (!index || !uncorrelated(*c->subquery, *ctx.scope))
                continue;
            const auto values = subqueryResult(*c, ctx);
            const Column& column = t.columns[a->column];
            std::unordered_set<const Row*> seen;
            for (const auto& row : values->rows) {
                if (row.empty() || row[0].isNull())
                    continue;
                if (isCharacter(column.type.id) != isCharacter(row[0].type.id))
                    return candidateScan(t);  // text against number: the comparison converts, scan instead
                Row probe(t.columns.size());
                try {
                    probe[a->column] = convert(row[0], column.type, false);
                } catch (const SqlError&) {
                    return candidateScan(t);  // a value the column cannot hold: the comparison decides
                }
                auto it = index->map.find(indexKey(probe, index->columns));
                if (it != index->map.end() && seen.insert(it->second).second)
                    out.push_back(it->second);
            }
            // In table order, as a scan would give them.
            std::unordered_map<const Row*, size_t> position;
            if (out.size() > 1) {
                for (size_t k = 0; k < t.rows.size(); ++k)
                    if (seen.count(t.rows[k].get()))
                        position[t.rows[k].get()] = k;
                std::sort(out.begin(), out.end(), [&](const Row* x, const Row* y) { return position[x] < position[y]; });
            }
            return out;
        }
    }
    return candidateScan(t);
}

std::vector<const Row*> Executor::candidateScan(const Table& t)
{
    std::vector<const Row*> out;
    out.reserve(t.rows.size());
    for (const auto& r : t.rows)
        out.push_back(r.get());
    return out;
}

std::vector<std::vector<const Row*>> Executor::produceRows(std::vector<Source>& sources, std::vector<TableRef>& refs,
                                                           const ExprPtr& where, const Scope& scope,
                                                           const EvalContext* outerCtx)
{
    const size_t n = sources.size();
    std::vector<std::vector<const Row*>> combos;
    EvalContext ctx;
    ctx.outer = outerCtx;
    ctx.scope = &scope;
    std::vector<const Row*> current(n, nullptr);
    ctx.rows = &current;
    // The WHERE clause is tested as the last source joins, so rows it refuses are never kept.
    auto keep = [&](std::vector<std::vector<const Row*>>& into, const std::vector<const Row*>& combo, bool last) {
        if (last && where) {
            ctx.rows = &combo;
            if (test(*where, ctx) != true)
                return;
        }
        into.push_back(combo);
    };
    if (n == 0) {
        std::vector<const Row*> none;
        keep(combos, none, true);
        return combos;
    }
    {
        // Conditions of the WHERE clause that read the first source alone are tested as it is read, so
        // rows they refuse never join (not past a RIGHT or FULL join, whose unmatched rows have no first row).
        std::vector<Expr*> early;
        if (n > 1 && where) {
            bool outerJoined = false;
            for (size_t i = 1; i < n; ++i)
                outerJoined |= refs[i].join == JoinType::Right || refs[i].join == JoinType::Full;
            if (!outerJoined) {
                std::vector<Expr*> conj;
                collectConjuncts(where, conj);
                for (Expr* c : conj)
                    if (sourcesUsed(*c) == 1)
                        early.push_back(c);
            }
        }
        std::vector<const Row*> c(n, nullptr);
        ctx.rows = &c;
        // A WHERE condition `column = value` on one source refuses, in every join, each combination whose
        // row of that source does not satisfy it (or that has no such row), so only its satisfying rows
        // need to be read.
        for (const Row* r : candidateRows(sources[0], 0, where, ctx)) {
            c[0] = r;
            bool refused = false;
            for (Expr* e : early)
                if (test(*e, ctx) != true) {
                    refused = true;
                    break;
                }
            if (!refused)
                keep(combos, c, n == 1);
        }
        ctx.rows = &current;
    }
    for (size_t i = 1; i < n; ++i) {
        const bool last = i + 1 == n;
        TableRef& ref = refs[i];
        ctx.rows = &current;
        std::vector<const Row*> right = candidateRows(sources[i], int(i), where, ctx);
        std::vector<std::vector<const Row*>> next;
        // Equalities between this source and the earlier ones drive a hash join.
        std::vector<std::pair<Expr*, Expr*>> keys;  // (earlier side, this side)
        if (ref.on) {
            std::vector<Expr*> conj;
            collectConjuncts(ref.on, conj);
            const uint64_t self = uint64_t(1) << qMin<size_t>(i, 62);
            const uint64_t earlier = self - 1;
            for (Expr* c : conj) {
                if (c->kind != ExprKind::Compare || c->cmp != CompareOp::Eq)
                    continue;
                uint64_t a = sourcesUsed(*c->args[0]), b = sourcesUsed(*c->args[1]);
                if (a == self && b != 0 && (b & ~earlier) == 0)
                    keys.push_back({c->args[1].get(), c->args[0].get()});
                else if (b == self && a != 0 && (a & ~earlier) == 0)
                    keys.push_back({c->args[0].get(), c->args[1].get()});
            }
        }
        std::vector<char> rightMatched(ref.join == JoinType::Right || ref.join == JoinType::Full ? right.size() : 0, 0);
        auto emitMatches = [&](std::vector<const Row*>& combo, const std::vector<size_t>& candidates) {
            bool matched = false;
            for (size_t k : candidates) {
                combo[i] = right[k];
                ctx.rows = &combo;
                if (!ref.on || test(*ref.on, ctx) == true) {
                    matched = true;
                    if (!rightMatched.empty())
                        rightMatched[k] = 1;
                    keep(next, combo, last);
                }
            }
            if (!matched && (ref.join == JoinType::Left || ref.join == JoinType::Full)) {
                combo[i] = nullptr;
                keep(next, combo, last);
            }
        };
        // Few rows so far against a whole table: look each one's partners up in the index of a column
        // of this source that the ON clause equals to them, instead of hashing the table.
        bool looked = false;
        if ((ref.join == JoinType::Inner || ref.join == JoinType::Left) && !keys.empty() && sources[i].isBase &&
            right.size() >= columnIndexMinRows && right.size() == sources[i].table->rows.size() &&
            combos.size() * 8 < right.size()) {
            const Table& t = *sources[i].table;
            for (auto& [l, r] : keys) {
                if (r->kind != ExprKind::Column || r->depth != 0 || r->slot != int(i))
                    continue;
                const SqlType& type = t.columns[size_t(r->column)].type;
                if (!plainText(type.id) && !wholeNumber(type.id))
                    continue;
                // Every earlier row's key must be one the index answers exactly.
                std::vector<QString> probe(combos.size());
                std::vector<char> none(combos.size(), 0);
                bool usable = true;
                for (size_t k = 0; k < combos.size() && usable; ++k) {
                    ctx.rows = &combos[k];
                    const Value v = eval(*l, ctx);
                    if (v.isNull())
                        none[k] = 1;
                    else
                        usable = columnLookupKey(v, type, probe[k]);
                }
                if (!usable)
                    continue;
                for (size_t k = 0; k < combos.size(); ++k) {
                    auto& combo = combos[k];
                    bool matched = false;
                    if (!none[k])
                        for (Row* row : t.rowsWithKey(r->column, probe[k])) {
                            combo[i] = row;
                            ctx.rows = &combo;
                            if (test(*ref.on, ctx) == true) {
                                matched = true;
                                keep(next, combo, last);
                            }
                        }
                    if (!matched && ref.join == JoinType::Left) {
                        combo[i] = nullptr;
                        keep(next, combo, last);
                    }
                }
                looked = true;
                break;
            }
        }
        if (looked) {
        } else if (ref.join != JoinType::Cross && !keys.empty()) {
            std::vector<SqlType> keyTypes;
            for (auto& [l, r] : keys)
                keyTypes.push_back(commonType(typeOf(*l, scope), typeOf(*r, scope)));
            // Keys are compared through their collation-normalized text, so equal keys (by the
            // server's comparison) meet in one bucket and a key-only ON clause needs no re-test.
            // Texts made only of printable ASCII compare equal exactly when they are equal after
            // case folding and trimming trailing blanks; such keys skip the full collation key.
            // The first attempt assumes every key text is like that and starts over otherwise.
            bool fast = true;
            bool restart = false;
            auto textKey = [&](const Value& v) {
                const QString* text = std::get_if<QString>(&v.data);
                if (!text)
                    return valueKey(v);
                if (!fast)
                    return collationKey(*text);
                qsizetype end = text->size();
                while (end > 0 && text->at(end - 1) == QLatin1Char(' '))
                    --end;
                QString key(end, Qt::Uninitialized);
                QChar* out = key.data();
                const QChar* in = text->constData();
                for (qsizetype c = 0; c < end; ++c) {
                    char16_t u = in[c].unicode();
                    if (u < 0x20 || u > 0x7E) {
                        restart = true;
                        return QString();
                    }
                    out[c] = QChar(u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u);
                }
                return key;
            };
            auto keyText = [&](bool rightSide, bool& hasNull) {
                QString key;
                for (size_t k = 0; k < keys.size(); ++k) {
                    Value scratch;
                    const Value* v = &evalRef(rightSide ? *keys[k].second : *keys[k].first, ctx, scratch);
                    if (v->isNull()) {
                        hasNull = true;
                        return QString();
                    }
                    Value converted;
                    if (v->type.id != keyTypes[k].id) {
                        converted = convert(*v, keyTypes[k]);
                        v = &converted;
                    }
                    if (keys.size() == 1)
                        return textKey(*v);
                    if (k > 0)
                        key += QChar(0x1f);
                    key += textKey(*v);
                }
                return key;
            };
            for (int attempt = 0; attempt < 2; ++attempt) {
                fast = attempt == 0;
                restart = false;
                next.clear();
                std::fill(rightMatched.begin(), rightMatched.end(), 0);
                std::vector<Expr*> conj;
                collectConjuncts(ref.on, conj);
                const bool onlyKeys = conj.size() == keys.size();
                // Buckets: the first row of each key, and a chain to the next row with the same key.
                constexpr size_t npos = size_t(-1);
                std::unordered_map<QString, size_t> table;
                std::vector<size_t> sameKey(right.size(), npos);
                table.reserve(right.size());
                current.assign(n, nullptr);
                ctx.rows = &current;
                for (size_t k = right.size(); k-- > 0;) {
                    current[i] = right[k];
                    bool hasNull = false;
                    QString key = keyText(true, hasNull);
                    if (restart)
                        break;
                    if (hasNull)
                        continue;
                    auto [it, inserted] = table.try_emplace(std::move(key), k);
                    if (!inserted) {
                        sameKey[k] = it->second;
                        it->second = k;
                    }
                }
                std::vector<size_t> candidates;
                for (auto& combo : combos) {
                    ctx.rows = &combo;
                    bool hasNull = false;
                    QString key = keyText(false, hasNull);
                    if (restart)
                        break;
                    candidates.clear();
                    if (!hasNull) {
                        auto it = table.find(key);
                        for (size_t k = it == table.end() ? npos : it->second; k != npos; k = sameKey[k])
                            candidates.push_back(k);
                    }
                    if (!onlyKeys) {
                        emitMatches(combo, candidates);
                        continue;
                    }
                    for (size_t k : candidates) {
                        combo[i] = right[k];
                        if (!rightMatched.empty())
                            rightMatched[k] = 1;
                        keep(next, combo, last);
                    }
                    if (candidates.empty() && (ref.join == JoinType::Left || ref.join == JoinType::Full)) {
                        combo[i] = nullptr;
                        keep(next, combo, last);
                    }
                }
                if (!restart)
                    break;
            }
        } else {
            std::vector<size_t> all(right.size());
            for (size_t k = 0; k < right.size(); ++k)
                all[k] = k;
            for (auto& combo : combos)
                emitMatches(combo, all);
        }
        for (size_t k = 0; k < rightMatched.size(); ++k) {
            if (!rightMatched[k]) {
                std::vector<const Row*> c(n, nullptr);
                c[i] = right[k];
                keep(next, c, last);
            }
        }
        combos = std::move(next);
    }
    return combos;
}

ResultSet Executor::runSelect(SelectStmt& s, const Scope* outerScope, const EvalContext* outerCtx, bool* correlated)
{
    const int before = outerReferences_;
    ResultSet rs = runSelectCore(s, outerScope, outerCtx);
    // A bare NULL in a select list of a UNION has no type of its own: the other queries give the column's.
    auto nullLiteral = [](const SelectStmt& q, size_t c) {
        return q.items.size() > c && !q.items[c].star && q.items[c].expr && q.items[c].expr->kind == ExprKind::Literal &&
               q.items[c].expr->value.isNull();
    };
    std::vector<char> untyped(rs.columns.size());
    for (size_t c = 0; c < rs.columns.size() && !s.unions.empty(); ++c)
        untyped[c] = nullLiteral(s, c);
    for (auto& [all, other] : s.unions) {
        ResultSet more = runSelectCore(*other, outerScope, outerCtx);
        if (more.columns.size() != rs.columns.size())
            throw sqlError(205, QStringLiteral("All queries combined using a UNION, INTERSECT or EXCEPT operator must "
                                               "have an equal number of expressions in their target lists."));
        for (size_t c = 0; c < rs.columns.size(); ++c) {
            if (nullLiteral(*other, c))
                continue;
            rs.columns[c].type = untyped[c] ? more.columns[c].type : commonType(rs.columns[c].type, more.columns[c].type);
            untyped[c] = false;
        }
        for (auto& r : more.rows)
            rs.rows.push_back(std::move(r));
        if (!all) {
            std::unordered_set<QString> seen;
            std::vector<std::vector<Value>> unique;
            for (auto& r : rs.rows)
                if (seen.insert(rowKey(r)).second)
                    unique.push_back(std::move(r));
            rs.rows = std::move(unique);
        }
    }
    // Every value takes its column's type (an int beside a decimal, a name beside a NULL column).
    if (!s.unions.empty())
        for (auto& r : rs.rows)
            for (size_t c = 0; c < rs.columns.size() && c < r.size(); ++c)
                if (!r[c].isNull() && r[c].type.id != rs.columns[c].type.id)
                    r[c] = convert(r[c], rs.columns[c].type);
    if (!s.unions.empty() && !s.orderBy.empty()) {
        std::vector<int> positions;
        for (const OrderItem& o : s.orderBy) {
            int pos = -1;
            if (o.expr->kind == ExprKind::Column && o.expr->parts.size() == 1) {
                for (size_t c = 0; c < rs.columns.size(); ++c)
                    if (collationKey(rs.columns[c].name) == collationKey(o.expr->parts[0]))
                        pos = int(c);
            } else if (o.expr->kind == ExprKind::Literal && std::holds_alternative<int64_t>(o.expr->value.data)) {
                pos = int(std::get<int64_t>(o.expr->value.data)) - 1;
            }
            if (pos < 0 || pos >= int(rs.columns.size()))
                throw sqlError(104, QStringLiteral("ORDER BY items must appear in the select list if the statement "
                                                   "contains a UNION, INTERSECT or EXCEPT operator."), 15);
            positions.push_back(pos);
        }
        std::stable_sort(rs.rows.begin(), rs.rows.end(), [&](const auto& a, const auto& b) {
            for (size_t k = 0; k < positions.size(); ++k) {
                int c = compareForSort(a[positions[k]], b[positions[k]]);
                if (c != 0)
                    return s.orderBy[k].descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    if (correlated)
        *correlated = outerReferences_ != before;
    return rs;
}

ResultSet Executor::runSelectCore(SelectStmt& s, const Scope* outerScope, const EvalContext* outerCtx)
{
    std::vector<Source> sources = openSources(s.from, outerScope, outerCtx);
    Scope scope;
    scope.sources = &sources;
    scope.parent = outerScope;

    // Output columns: expand * and t.*.
    struct OutputItem {
        ExprPtr expr;
        QString name;
        QString variable;
    };
    std::vector<OutputItem> items;
    for (SelectItem& item : s.items) {
        if (item.star) {
            if (sources.empty())
                throw sqlError(263, QStringLiteral("Must specify table to select from."));
            bool matched = false;
            for (size_t i = 0; i < sources.size(); ++i) {
                if (!item.starQualifier.isEmpty() &&
                    collationKey(sources[i].qualifier()) != collationKey(item.starQualifier.last()))
                    continue;
                matched = true;
                for (size_t c = 0; c < sources[i].columns.size(); ++c) {
                    auto e = std::make_shared<Expr>();
                    e->kind = ExprKind::Column;
                    e->parts = {sources[i].qualifier(), sources[i].columns[c].name};
                    e->depth = 0;
                    e->slot = int(i);
                    e->column = int(c);
                    items.push_back({e, sources[i].columns[c].name, QString()});
                }
            }
            if (!matched)
                throw unboundIdentifier(item.starQualifier.join(QLatin1Char('.')));
            continue;
        }
        bind(*item.expr, scope);
        QString name = item.alias;
        if (name.isEmpty() && item.expr->kind == ExprKind::Column)
            name = item.expr->parts.last();
        items.push_back({item.expr, name, item.assignVariable});
    }
    {
        RefuseWindows refuse(windowsRefused_);
        for (TableRef& ref : s.from)
            if (ref.on)
                bind(*ref.on, scope);
        if (s.where)
            bind(*s.where, scope);
        for (auto& g : s.groupBy)
            bind(*g, scope);
        if (s.having)
            bind(*s.having, scope);
    }

    std::vector<Expr*> aggregates;
    for (auto& it : items)
        collectAggregates(*it.expr, aggregates);
    if (s.having)
        collectAggregates(*s.having, aggregates);

    // ORDER BY: an output alias or position, else an expression over the sources.
    struct OrderKey {
        int output = -1;
        ExprPtr expr;
        bool descending = false;
    };
    std::vector<OrderKey> orderKeys;
    if (s.unions.empty()) {
        for (OrderItem& o : s.orderBy) {
            OrderKey k;
            k.descending = o.descending;
            if (o.expr->kind == ExprKind::Column && o.expr->parts.size() == 1) {
                for (size_t c = 0; c < items.size(); ++c)
                    if (!items[c].name.isEmpty() && collationKey(items[c].name) == collationKey(o.expr->parts[0]) &&
                        !(items[c].expr->kind == ExprKind::Column && items[c].expr->parts.size() > 1 &&
                          collationKey(items[c].expr->parts.last()) != collationKey(items[c].name))) {
                        k.output = int(c);
                        break;
                    }
            } else if (o.expr->kind == ExprKind::Literal && std::holds_alternative<int64_t>(o.expr->value.data)) {
                k.output = int(std::get<int64_t>(o.expr->value.data)) - 1;
                if (k.output < 0 || k.output >= int(items.size()))
                    throw sqlError(108, QStringLiteral("The ORDER BY position number %1 is out of range of the number "
                                                       "of items in the select list.").arg(k.output + 1), 15);
            }
            if (k.output < 0) {
                bind(*o.expr, scope);
                collectAggregates(*o.expr, aggregates);
                k.expr = o.expr;
            }
            orderKeys.push_back(k);
        }
    }

    std::vector<Expr*> windows;
    for (auto& it : items)
        collectWindows(*it.expr, windows, false);
    for (auto& k : orderKeys)
        if (k.expr)
            collectWindows(*k.expr, windows, false);
    // With window functions every row is kept until all are known; then the values are computed.
    std::vector<WindowRow> windowRows;

    ResultSet rs;
    for (auto& it : items) {
        ColumnInfo info;
        info.name = it.name;
        if (const SourceColumn* c = boundColumn(*it.expr, scope); c && it.expr->depth == 0) {
            info.type = c->type;
            info.nullable = c->nullable || s.from.size() > 1;
            info.identity = c->identity;
            info.baseTable = c->baseTable;
            info.baseColumn = c->baseColumn;
            if (!info.baseTable.isEmpty()) {
                // Outer-joined sources may give NULL.
                info.nullable = c->nullable || s.from[it.expr->slot].join == JoinType::Left ||
                                (it.expr->slot + 1 < int(s.from.size()) && s.from[it.expr->slot + 1].join == JoinType::Right);
            }
        } else {
            info = columnInfoFor(it.name, typeOf(*it.expr, scope));
        }
        rs.columns.push_back(info);
    }

    // MIN and MAX of columns of one table, nothing else and no filter: the table keeps those extremes,
    // so no row needs reading (the first row stands for the group, as in the scan).
    bool fromExtremes = s.groupBy.empty() && !s.having && !s.where && orderKeys.empty() && !aggregates.empty() &&
                        s.from.size() == 1 && sources.size() == 1 && sources[0].isBase && sources[0].table;
    for (size_t a = 0; fromExtremes && a < aggregates.size(); ++a) {
        const Expr& agg = *aggregates[a];
        fromExtremes = !agg.star && agg.args.size() == 1 && agg.args[0] &&
                       (agg.name == QLatin1String("MAX") || agg.name == QLatin1String("MIN")) &&
                       agg.args[0]->kind == ExprKind::Column && agg.args[0]->depth == 0 && agg.args[0]->slot == 0 &&
                       agg.args[0]->column >= 0 && agg.args[0]->column < int(sources[0].table->columns.size());
    }
    std::vector<std::vector<const Row*>> combos;
    if (!fromExtremes)
        combos = produceRows(sources, s.from, s.where, scope, outerCtx);

    EvalContext ctx;
    ctx.outer = outerCtx;
    ctx.scope = &scope;
    struct OutRow {
        std::vector<Value> values;
        std::vector<Value> sortKeys;
    };
    std::vector<OutRow> out;
    auto project = [&](const EvalContext& c) {
        if (!windows.empty() && !c.windows) {
            windowRows.push_back(WindowRow{*c.rows, c.aggregates ? *c.aggregates : std::vector<Value>{}});
            return;
        }
        OutRow r;
        r.values.reserve(items.size());
        for (auto& it : items)
            r.values.push_back(eval(*it.expr, c));
        for (auto& k : orderKeys)
            r.sortKeys.push_back(k.output >= 0 ? r.values[k.output] : eval(*k.expr, c));
        out.push_back(std::move(r));
    };

    // Aggregates or HAVING without GROUP BY make the whole query one group: a column may then be read
    // only inside an aggregate.
    const bool grouped = !s.groupBy.empty() || !aggregates.empty() || s.having;
    if (grouped) {
        // Outside aggregates a grouped query reads only what it groups by (nothing without GROUP BY).
        auto refuse = [&](const Expr& c, int number, const char* clause, QChar quote) {
            const QString name =
                c.slot >= 0 && c.slot < int(sources.size()) && c.column >= 0
                    ? sources[c.slot].qualifier() + QLatin1Char('.') + sources[c.slot].columns[c.column].name
                    : c.parts.join(QLatin1Char('.'));
            throw sqlError(number, QStringLiteral("Column %1%2%1 is invalid in the %3 because it is not contained in "
                                                  "either an aggregate function or the GROUP BY clause.")
                                       .arg(quote)
                                       .arg(name, QLatin1String(clause)));
        };
        for (auto& it : items)
            if (const Expr* c = columnOutsideGroups(*it.expr, s.groupBy))
                refuse(*c, 8120, "select list", QLatin1Char('\''));
        if (s.having)
            if (const Expr* c = columnOutsideGroups(*s.having, s.groupBy))
                refuse(*c, 8121, "HAVING clause", QLatin1Char('\''));
        for (auto& k : orderKeys)
            if (k.output < 0 && k.expr)
                if (const Expr* c = columnOutsideGroups(*k.expr, s.groupBy))
                    refuse(*c, 8127, "ORDER BY clause", QLatin1Char('"'));
    }
    if (grouped) {
        struct Group {
            std::vector<const Row*> first;
            std::vector<Accumulator> acc;
        };
        std::vector<Group> groups;
        std::unordered_map<QString, size_t> index;
        Value scratch;
        for (auto& combo : combos) {
            ctx.rows = &combo;
            size_t at = 0;
            if (s.groupBy.empty()) {
                // One group for the whole query: no key to build.
                if (groups.empty())
                    groups.push_back(Group{combo, std::vector<Accumulator>(aggregates.size())});
            } else {
                std::vector<Value> keyValues;
                for (auto& g : s.groupBy)
                    keyValues.push_back(eval(*g, ctx));
                const QString key = rowKey(keyValues);
                auto [it, inserted] = index.emplace(key, groups.size());
                if (inserted)
                    groups.push_back(Group{combo, std::vector<Accumulator>(aggregates.size())});
                at = it->second;
            }
            Group& g = groups[at];
            for (size_t a = 0; a < aggregates.size(); ++a) {
                Expr& agg = *aggregates[a];
                Accumulator& acc = g.acc[a];
                if (agg.star) {
                    ++acc.count;
                    continue;
                }
                if (agg.args.empty())
                    throw sqlError(174, QStringLiteral("The %1 function requires 1 argument(s).").arg(agg.name.toLower()), 15);
                const Value& v = evalRef(*agg.args[0], ctx, scratch);
                if (v.isNull())
                    continue;
                if (agg.distinct && !acc.seen.insert(valueKey(v)).second)
                    continue;
                ++acc.count;
                if (agg.name == QLatin1String("SUM") || agg.name == QLatin1String("AVG")) {
                    if (!acc.any) {
                        SqlType t = v.type;
                        if (isInteger(t.id) && t.id != TypeId::BigInt)
                            t = intT();
                        if (t.id == TypeId::Decimal || t.id == TypeId::Numeric)
                            t.precision = 38;
                        acc.sum = convert(v, t);
                    } else {
                        acc.sum = binary(BinaryOp::Add, acc.sum, v);
                    }
                } else if (agg.name == QLatin1String("STRING_AGG")) {
                    if (!acc.any)
                        acc.separator = eval(*agg.args[1], ctx);
                    std::vector<Value> key;
                    if (agg.withinGroup)
                        for (const auto& o : agg.withinGroup->orderBy)
                            key.push_back(eval(*o.expr, ctx));
                    const SqlType& want = isUnicode(v.type.id) || !isCharacter(v.type.id)
                                              ? SqlType{TypeId::NVarChar, -1, 0, 0}
                                              : SqlType{TypeId::VarChar, -1, 0, 0};
                    acc.pieces.emplace_back(std::move(key), toText(isCharacter(v.type.id) ? v : convert(v, want)));
                } else if (agg.name == QLatin1String("MIN") || agg.name == QLatin1String("MAX")) {
                    if (!acc.any)
                        acc.best = v;
                    else {
                        int c = compareForSort(v, acc.best);
                        if ((agg.name == QLatin1String("MIN") && c < 0) || (agg.name == QLatin1String("MAX") && c > 0))
                            acc.best = v;
                    }
                }
                acc.any = true;
            }
        }
        if (fromExtremes) {
            const Table& t = *sources[0].table;
            std::vector<const Row*> first(1, t.rows.empty() ? nullptr : t.rows.front().get());
            groups.push_back(Group{std::move(first), std::vector<Accumulator>(aggregates.size())});
            for (size_t a = 0; a < aggregates.size(); ++a) {
                const Expr& agg = *aggregates[a];
                const Value& v = t.columnExtreme(agg.args[0]->column, agg.name == QLatin1String("MAX"));
                if (!v.isNull()) {
                    groups.back().acc[a].best = v;
                    groups.back().acc[a].any = true;
                }
            }
        }
        if (groups.empty() && s.groupBy.empty())
            groups.push_back(Group{std::vector<const Row*>(sources.size(), nullptr), std::vector<Accumulator>(aggregates.size())});
        for (Group& g : groups) {
            std::vector<Value> values;
            for (size_t a = 0; a < aggregates.size(); ++a) {
                Expr& agg = *aggregates[a];
                Accumulator& acc = g.acc[a];
                SqlType t = typeOf(agg, scope);
                if (agg.name == QLatin1String("COUNT"))
                    values.push_back(intValue(acc.count));
                else if (agg.name == QLatin1String("COUNT_BIG")) {
                    Value v = intValue(acc.count);
                    v.type.id = TypeId::BigInt;
                    values.push_back(v);
                } else if (!acc.any)
                    values.push_back(nullValue(t));
                else if (agg.name == QLatin1String("STRING_AGG"))
                    values.push_back(stringAggregate(acc, agg, t));
                else if (agg.name == QLatin1String("SUM"))
                    values.push_back(acc.sum);
                else if (agg.name == QLatin1String("AVG"))
                    values.push_back(convert(binary(BinaryOp::Divide, acc.sum, intValue(acc.count)), t));
                else
                    values.push_back(acc.best);
            }
            ctx.rows = &g.first;
            ctx.aggregates = &values;
            if (s.having && test(*s.having, ctx) != true)
                continue;
            project(ctx);
        }
        ctx.aggregates = nullptr;
    } else {
        out.reserve(combos.size());
        for (auto& combo : combos) {
            ctx.rows = &combo;
            project(ctx);
        }
    }
    if (!windows.empty()) {
        const std::vector<std::vector<Value>> values = computeWindows(windows, windowRows, ctx);
        out.reserve(windowRows.size());
        for (size_t k = 0; k < windowRows.size(); ++k) {
            ctx.rows = &windowRows[k].rows;
            ctx.aggregates = windowRows[k].aggregates.empty() ? nullptr : &windowRows[k].aggregates;
            ctx.windows = &values[k];
            project(ctx);
        }
        ctx.windows = nullptr;
        ctx.aggregates = nullptr;
    }

    if (s.distinct) {
        std::unordered_set<QString> seen;
        std::vector<OutRow> unique;
        for (auto& r : out)
            if (seen.insert(rowKey(r.values)).second)
                unique.push_back(std::move(r));
        out = std::move(unique);
    }
    if (!orderKeys.empty()) {
        std::stable_sort(out.begin(), out.end(), [&](const OutRow& a, const OutRow& b) {
            for (size_t k = 0; k < orderKeys.size(); ++k) {
                int c = compareForSort(a.sortKeys[k], b.sortKeys[k]);
                if (c != 0)
                    return orderKeys[k].descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    if (s.top) {
        EvalContext topCtx;
        topCtx.scope = &scope;
        topCtx.outer = outerCtx;
        size_t n = topRows(eval(*s.top, topCtx), s.topPercent, out.size());
        if (s.topWithTies) {
            if (orderKeys.empty())
                throw sqlError(1062, QStringLiteral("The TOP N WITH TIES clause is not allowed without a corresponding "
                                                    "ORDER BY clause."));
            auto ties = [&](const OutRow& a, const OutRow& b) {
                for (size_t k = 0; k < orderKeys.size(); ++k)
                    if (compareForSort(a.sortKeys[k], b.sortKeys[k]) != 0)
                        return false;
                return true;
            };
            while (n > 0 && n < out.size() && ties(out[n], out[n - 1]))
                ++n;
        }
        if (out.size() > n)
            out.resize(n);
    }

    // SELECT @v = expr assigns (the last row wins) and returns no rows.
    bool assigns = false;
    for (size_t c = 0; c < items.size(); ++c) {
        if (items[c].variable.isEmpty())
            continue;
        assigns = true;
        Variable* var = findVariable(items[c].variable);
        if (!var)
            throw undeclaredVariable(items[c].variable);
        for (auto& r : out)
            var->value = assign(r.values[c], var->type, true);
    }
    if (assigns) {
        rs.columns.clear();
        session_.lastRowCount = int64_t(out.size());
        return rs;
    }
    rs.rows.reserve(out.size());
    for (auto& r : out)
        rs.rows.push_back(std::move(r.values));
    return rs;
}

}  // namespace standin
