// Catalog views over what the catalog holds: sys.tables, sys.columns, sys.schemas, the constraint and
// index views, sys.extended_properties, and INFORMATION_SCHEMA's constraint views; with SQL Server's
// columns in its order, and the definitions of checks and defaults in the form SQL Server stores them.
#include "Errors.h"
#include "Executor.h"
#include "Parser.h"

#include <QRegularExpression>

namespace standin {

namespace {

SqlType nv(int n) { return SqlType {TypeId::NVarChar, n, 0, 0}; }
SqlType vc(int n) { return SqlType {TypeId::VarChar, n, 0, 0}; }
const SqlType kInt {TypeId::Int, 0, 0, 0};
const SqlType kTinyInt {TypeId::TinyInt, 0, 0, 0};
const SqlType kSmallInt {TypeId::SmallInt, 0, 0, 0};
const SqlType kBit {TypeId::Bit, 0, 0, 0};
const SqlType kDateTime {TypeId::DateTime, 0, 0, 0};
const SqlType kCode {TypeId::Char, 2, 0, 0};

Value text(const QString& s, const SqlType& t = nv(128)) { return Value {t, s}; }
Value typed(int64_t v, const SqlType& t)
{
    Value x = intValue(v);
    x.type = t;
    return x;
}
Value tiny(int v) { return typed(v, kTinyInt); }
Value small(int v) { return typed(v, kSmallInt); }
Value date(const QDateTime& d) { return dateTimeValue(d); }
Value noText(const SqlType& t = nv(128)) { return nullValue(t); }

// The rows and columns of one view being built.
class View {
public:
    View(Table& t, Source& s)
        : t_(t)
        , s_(s)
    { }
    void column(const QString& name, const SqlType& type, bool nullable = true)
    {
        Column c;
        c.name = name;
        c.type = type;
        c.nullable = nullable;
        t_.columns.push_back(c);
        SourceColumn sc;
        sc.name = name;
        sc.type = type;
        sc.nullable = nullable;
        s_.columns.push_back(sc);
    }
    void row(Row r) { t_.rows.push_back(std::make_unique<Row>(std::move(r))); }

    // The columns every view over sys.objects starts with.
    void objectColumns()
    {
        column(QStringLiteral("name"), nv(128), false);
        column(QStringLiteral("object_id"), kInt, false);
        column(QStringLiteral("principal_id"), kInt);
        column(QStringLiteral("schema_id"), kInt, false);
        column(QStringLiteral("parent_object_id"), kInt, false);
        column(QStringLiteral("type"), kCode);
        column(QStringLiteral("type_desc"), nv(60));
        column(QStringLiteral("create_date"), kDateTime, false);
        column(QStringLiteral("modify_date"), kDateTime, false);
        column(QStringLiteral("is_ms_shipped"), kBit, false);
        column(QStringLiteral("is_published"), kBit, false);
        column(QStringLiteral("is_schema_published"), kBit, false);
    }
    static Row objectRow(const QString& name, int id, int parent, const char* type, const char* desc,
                         const QDateTime& created, const QDateTime& modified)
    {
        return Row {text(name),
                    intValue(id),
                    nullValue(kInt),
                    intValue(1),
                    intValue(parent),
                    text(QString::fromLatin1(type).leftJustified(2, QLatin1Char(' ')), kCode),
                    text(QString::fromLatin1(desc), nv(60)),
                    date(created),
                    date(modified),
                    bitValue(false),
                    bitValue(false),
                    bitValue(false)};
    }

private:
    Table& t_;
    Source& s_;
};

// SQL Server's names for the constraints it names itself: PK__Tabela__<16 hex>, DF__Tabela__Colun__<8 hex>.
bool systemNamed(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^(PK|UQ|FK|CK|DF)__.+__[0-9A-F]{8,16}$"));
    return pattern.match(name).hasMatch();
}

int systemTypeId(TypeId id)
{
    switch (id) {
    case TypeId::Bit:
        return 104;
    case TypeId::TinyInt:
        return 48;
    case TypeId::SmallInt:
        return 52;
    case TypeId::Int:
        return 56;
    case TypeId::BigInt:
        return 127;
    case TypeId::Real:
        return 59;
    case TypeId::Float:
        return 62;
    case TypeId::SmallMoney:
        return 122;
    case TypeId::Money:
        return 60;
    case TypeId::Decimal:
        return 106;
    case TypeId::Numeric:
        return 108;
    case TypeId::Char:
        return 175;
    case TypeId::VarChar:
        return 167;
    case TypeId::Text:
        return 35;
    case TypeId::NChar:
        return 239;
    case TypeId::NVarChar:
        return 231;
    case TypeId::NText:
        return 99;
    case TypeId::Binary:
        return 173;
    case TypeId::VarBinary:
        return 165;
    case TypeId::Image:
        return 34;
    case TypeId::Date:
        return 40;
    case TypeId::Time:
        return 41;
    case TypeId::SmallDateTime:
        return 58;
    case TypeId::DateTime:
        return 61;
    case TypeId::DateTime2:
        return 42;
    case TypeId::UniqueIdentifier:
        return 36;
    case TypeId::SqlVariant:
        return 98;
    default:
        return 43;  // datetimeoffset
    }
}

// sys.columns' precision and scale: the digits of numbers and of date and time values, 0 for the rest.
std::pair<int, int> precisionAndScale(const SqlType& t)
{
    switch (t.id) {
    case TypeId::Bit:
        return {1, 0};
    case TypeId::TinyInt:
        return {3, 0};
    case TypeId::SmallInt:
        return {5, 0};
    case TypeId::Int:
        return {10, 0};
    case TypeId::BigInt:
        return {19, 0};
    case TypeId::Real:
        return {24, 0};
    case TypeId::Float:
        return {53, 0};
    case TypeId::SmallMoney:
        return {10, 4};
    case TypeId::Money:
        return {19, 4};
    case TypeId::Decimal:
    case TypeId::Numeric:
        return {t.precision, t.scale};
    case TypeId::Date:
        return {10, 0};
    case TypeId::Time:
        return {t.scale == 0 ? 8 : 9 + t.scale, t.scale};
    case TypeId::SmallDateTime:
        return {16, 0};
    case TypeId::DateTime:
        return {23, 3};
    case TypeId::DateTime2:
        return {t.scale == 0 ? 19 : 20 + t.scale, t.scale};
    case TypeId::Char:
    case TypeId::VarChar:
    case TypeId::Text:
    case TypeId::NChar:
    case TypeId::NVarChar:
    case TypeId::NText:
    case TypeId::Binary:
    case TypeId::VarBinary:
    case TypeId::Image:
    case TypeId::UniqueIdentifier:
    case TypeId::SqlVariant:
        return {0, 0};
    default:
        return {t.scale == 0 ? 26 : 27 + t.scale, t.scale};  // datetimeoffset
    }
}

// --- stored definitions ------------------------------------------------------------------------

QString quoteName(const QString& n)
{
    return QLatin1Char('[') + QString(n).replace(QLatin1Char(']'), QStringLiteral("]]")) + QLatin1Char(']');
}

QString literal(const Value& v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    if (isCharacter(v.type.id)) {
        const QString quoted =
            QLatin1Char('\'') + toText(v).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
        return isUnicode(v.type.id) ? QLatin1Char('N') + quoted : quoted;
    }
    if (isNumeric(v.type.id))
        return QLatin1Char('(') + toText(v) + QLatin1Char(')');
    return toText(v);
}

const char* compareText(CompareOp op)
{
    switch (op) {
    case CompareOp::Eq:
        return "=";
    case CompareOp::Ne:
        return "<>";
    case CompareOp::Lt:
        return "<";
    case CompareOp::Le:
        return "<=";
    case CompareOp::Gt:
        return ">";
    case CompareOp::Ge:
        return ">=";
    }
    return "=";
}

// Precedence levels for the parentheses SQL Server keeps: OR, AND, NOT, comparisons, arithmetic.
int level(const Expr& e)
{
    switch (e.kind) {
    case ExprKind::Or:
        return 1;
    case ExprKind::And:
    case ExprKind::Between:
        return 2;
    case ExprKind::Not:
        return 3;
    case ExprKind::In:
        return e.args.size() > 2 ? 1 : 4;
    case ExprKind::Compare:
    case ExprKind::Like:
    case ExprKind::IsNull:
        return 4;
    default:
        return 5;
    }
}

QString render(const Expr& e, const QString& source);

QString operand(const Expr& e, int parent, const QString& source)
{
    const QString r = render(e, source);
    return level(e) < parent ? QLatin1Char('(') + r + QLatin1Char(')') : r;
}

// An expression as SQL Server writes it back: names in brackets, numbers in parentheses, operators
// without blanks, IN spelled out as ORs from the last value, BETWEEN as two comparisons. A form it
// does not know keeps the text it was written with.
QString render(const Expr& e, const QString& source)
{
    switch (e.kind) {
    case ExprKind::Literal:
        return literal(e.value);
    case ExprKind::Column:
        return quoteName(e.parts.last());
    case ExprKind::Negate:
        if (e.args[0]->kind == ExprKind::Literal && isNumeric(e.args[0]->value.type.id))
            return QStringLiteral("(-%1)").arg(toText(e.args[0]->value));
        return QLatin1Char('-') + operand(*e.args[0], 6, source);
    case ExprKind::Compare:
        return operand(*e.args[0], 5, source) + QLatin1String(compareText(e.cmp)) + operand(*e.args[1], 5, source);
    case ExprKind::And:
        return operand(*e.args[0], 2, source) + QStringLiteral(" AND ") + operand(*e.args[1], 2, source);
    case ExprKind::Or:
        return operand(*e.args[0], 1, source) + QStringLiteral(" OR ") + operand(*e.args[1], 1, source);
    case ExprKind::Not:
        return QStringLiteral("NOT ") + operand(*e.args[0], 4, source);
    case ExprKind::IsNull:
        return operand(*e.args[0], 5, source)
               + (e.negated ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL"));
    case ExprKind::Like:
        return operand(*e.args[0], 5, source) + (e.negated ? QStringLiteral(" not like ") : QStringLiteral(" like "))
               + operand(*e.args[1], 5, source);
    case ExprKind::Between: {
        const QString v = operand(*e.args[0], 5, source);
        if (e.negated)
            return QStringLiteral("%1<%2 OR %1>%3")
                .arg(v, operand(*e.args[1], 5, source), operand(*e.args[2], 5, source));
        return QStringLiteral("%1>=%2 AND %1<=%3")
            .arg(v, operand(*e.args[1], 5, source), operand(*e.args[2], 5, source));
    }
    case ExprKind::In:
        if (!e.subquery) {
            QStringList parts;
            const QString v = operand(*e.args[0], 5, source);
            for (size_t i = e.args.size() - 1; i >= 1; --i)
                parts << v + (e.negated ? QStringLiteral("<>") : QStringLiteral("=")) + operand(*e.args[i], 5, source);
            return parts.join(e.negated ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
        }
        break;
    case ExprKind::Function: {
        QStringList args;
        for (const auto& a : e.args)
            args << render(*a, source);
        return e.name.toLower() + QLatin1Char('(') + (e.star ? QStringLiteral("*") : args.join(QLatin1Char(',')))
               + QLatin1Char(')');
    }
    default:
        break;
    }
    return source.mid(e.start, e.end - e.start).trimmed();
}

}  // namespace

QString storedDefinition(const QString& text)
{
    ExprPtr e;
    try {
        e = parseExpression(text);
    } catch (const SqlError&) { }
    return QLatin1Char('(') + (e ? render(*e, text) : text.trimmed()) + QLatin1Char(')');
}

// --- the views ---------------------------------------------------------------------------------

namespace {

struct IndexRow {
    QString name;
    int indexId = 0;
    bool clustered = false, unique = false, primary = false, uniqueConstraint = false;
    QStringList columns, included;
    QList<bool> descending;
    QString filter;
};

// A table's indexes as sys.indexes numbers them: the clustered one 1 (a heap has a row 0 without a
// name), the others from 2 in the order they were made.
std::vector<IndexRow> indexesOf(const Table& t)
{
    std::vector<IndexRow> out;
    bool clustered = false;
    for (const KeyConstraint& k : t.keys) {
        IndexRow r;
        r.name = k.name;
        r.clustered = k.clustered && !clustered;
        clustered |= r.clustered;
        r.unique = true;
        r.primary = k.primary;
        r.uniqueConstraint = !k.primary && !k.index;
        r.columns = k.columns;
        r.descending = k.descending;
        r.included = k.included;
        r.filter = k.filterText;
        out.push_back(r);
    }
    for (const KeyConstraint& p : t.plainIndexes) {
        IndexRow r;
        r.name = p.name;
        r.clustered = p.clustered && !clustered;
        clustered |= r.clustered;
        r.columns = p.columns;
        r.descending = p.descending;
        r.included = p.included;
        r.filter = p.filterText;
        out.push_back(r);
    }
    int next = 2;
    for (IndexRow& r : out)
        r.indexId = r.clustered ? 1 : next++;
    if (!clustered) {
        IndexRow heap;
        out.insert(out.begin(), heap);
    }
    return out;
}

int columnId(const Table& t, const QString& column) { return t.columnIndex(column) + 1; }

bool readsColumnNamed(const Expr& e, const QString& column)
{
    if (e.kind == ExprKind::Column && !e.parts.isEmpty() && collationKey(e.parts.last()) == collationKey(column))
        return true;
    for (const auto& a : e.args)
        if (a && readsColumnNamed(*a, column))
            return true;
    return (e.caseOperand && readsColumnNamed(*e.caseOperand, column))
           || (e.elseExpr && readsColumnNamed(*e.elseExpr, column));
}

QString referentialAction(int action)
{
    static const char* names[] = {"NO_ACTION", "CASCADE", "SET_NULL", "SET_DEFAULT"};
    return QString::fromLatin1(names[qBound(0, action, 3)]);
}

}  // namespace

bool Executor::catalogView(const QString& schema, const QString& name, const std::shared_ptr<Database>& db, Table& t,
                           Source& s)
{
    View v(t, s);
    const bool sys = schema == QLatin1String("sys");
    const bool info = schema == QLatin1String("information_schema");
    // Constraint names and ids within the database, by table.
    if (sys && name == QLatin1String("tables")) {
        v.objectColumns();
        v.column(QStringLiteral("lob_data_space_id"), kInt, false);
        v.column(QStringLiteral("filestream_data_space_id"), kInt);
        v.column(QStringLiteral("max_column_id_used"), kInt, false);
        v.column(QStringLiteral("lock_on_bulk_load"), kBit, false);
        v.column(QStringLiteral("uses_ansi_nulls"), kBit);
        v.column(QStringLiteral("is_replicated"), kBit);
        v.column(QStringLiteral("has_replication_filter"), kBit);
        v.column(QStringLiteral("is_merge_published"), kBit);
        v.column(QStringLiteral("is_sync_tran_subscribed"), kBit);
        v.column(QStringLiteral("has_unchecked_assembly_data"), kBit, false);
        v.column(QStringLiteral("text_in_row_limit"), kInt);
        v.column(QStringLiteral("large_value_types_out_of_row"), kBit);
        v.column(QStringLiteral("is_tracked_by_cdc"), kBit);
        v.column(QStringLiteral("lock_escalation"), kTinyInt);
        v.column(QStringLiteral("lock_escalation_desc"), nv(60));
        v.column(QStringLiteral("is_filetable"), kBit);
        v.column(QStringLiteral("is_memory_optimized"), kBit);
        v.column(QStringLiteral("durability"), kTinyInt);
        v.column(QStringLiteral("durability_desc"), nv(60));
        v.column(QStringLiteral("temporal_type"), kTinyInt);
        v.column(QStringLiteral("temporal_type_desc"), nv(60));
        v.column(QStringLiteral("history_table_id"), kInt);
        v.column(QStringLiteral("is_remote_data_archive_enabled"), kBit);
        v.column(QStringLiteral("is_external"), kBit, false);
        v.column(QStringLiteral("history_retention_period"), kInt);
        v.column(QStringLiteral("history_retention_period_unit"), kInt);
        v.column(QStringLiteral("history_retention_period_unit_desc"), nv(10));
        v.column(QStringLiteral("is_node"), kBit);
        v.column(QStringLiteral("is_edge"), kBit);
        v.column(QStringLiteral("ledger_type"), kTinyInt);
        v.column(QStringLiteral("ledger_type_desc"), nv(60));
        v.column(QStringLiteral("ledger_view_id"), kInt);
        v.column(QStringLiteral("is_dropped_ledger_table"), kBit);
        for (const auto& [k, tab] : db->tables) {
            Row r = View::objectRow(tab->name, tab->objectId, 0, "U", "USER_TABLE", tab->created, tab->modified);
            const bool lob = std::any_of(tab->columns.begin(), tab->columns.end(), [](const Column& c) {
                return c.type.length < 0 || c.type.id == TypeId::Text || c.type.id == TypeId::NText
                       || c.type.id == TypeId::Image;
            });
            for (Value x : {intValue(lob ? 1 : 0),
                            nullValue(kInt),
                            intValue(int(tab->columns.size())),
                            bitValue(false),
                            bitValue(true),
                            bitValue(false),
                            bitValue(false),
                            bitValue(false),
                            bitValue(false),
                            bitValue(false),
                            intValue(0),
                            bitValue(false),
                            bitValue(false),
                            tiny(0),
                            text(QStringLiteral("TABLE"), nv(60)),
                            bitValue(false),
                            bitValue(false),
                            tiny(0),
                            text(QStringLiteral("SCHEMA_AND_DATA"), nv(60)),
                            tiny(0),
                            text(QStringLiteral("NON_TEMPORAL_TABLE"), nv(60)),
                            nullValue(kInt),
                            bitValue(false),
                            bitValue(false),
                            nullValue(kInt),
                            nullValue(kInt),
                            noText(nv(10)),
                            bitValue(false),
                            bitValue(false),
                            tiny(0),
                            text(QStringLiteral("NON_LEDGER_TABLE"), nv(60)),
                            nullValue(kInt),
                            bitValue(false)})
                r.push_back(x);
            v.row(std::move(r));
        }
        return true;
    }
    if (sys && name == QLatin1String("columns")) {
        v.column(QStringLiteral("object_id"), kInt, false);
        v.column(QStringLiteral("name"), nv(128));
        v.column(QStringLiteral("column_id"), kInt, false);
        v.column(QStringLiteral("system_type_id"), kTinyInt, false);
        v.column(QStringLiteral("user_type_id"), kInt, false);
        v.column(QStringLiteral("max_length"), kSmallInt, false);
        v.column(QStringLiteral("precision"), kTinyInt, false);
        v.column(QStringLiteral("scale"), kTinyInt, false);
        v.column(QStringLiteral("collation_name"), nv(128));
        v.column(QStringLiteral("is_nullable"), kBit);
        v.column(QStringLiteral("is_ansi_padded"), kBit, false);
        v.column(QStringLiteral("is_rowguidcol"), kBit, false);
        v.column(QStringLiteral("is_identity"), kBit, false);
        v.column(QStringLiteral("is_computed"), kBit, false);
        v.column(QStringLiteral("is_filestream"), kBit, false);
        v.column(QStringLiteral("is_replicated"), kBit);
        v.column(QStringLiteral("is_non_sql_subscribed"), kBit);
        v.column(QStringLiteral("is_merge_published"), kBit);
        v.column(QStringLiteral("is_dts_replicated"), kBit);
        v.column(QStringLiteral("is_xml_document"), kBit, false);
        v.column(QStringLiteral("xml_collection_id"), kInt, false);
        v.column(QStringLiteral("default_object_id"), kInt, false);
        v.column(QStringLiteral("rule_object_id"), kInt, false);
        v.column(QStringLiteral("is_sparse"), kBit);
        v.column(QStringLiteral("is_column_set"), kBit);
        v.column(QStringLiteral("generated_always_type"), kTinyInt);
        v.column(QStringLiteral("generated_always_type_desc"), nv(60));
        v.column(QStringLiteral("encryption_type"), kInt);
        v.column(QStringLiteral("encryption_type_desc"), nv(64));
        v.column(QStringLiteral("encryption_algorithm_name"), nv(128));
        v.column(QStringLiteral("column_encryption_key_id"), kInt);
        v.column(QStringLiteral("column_encryption_key_database_name"), nv(128));
        v.column(QStringLiteral("is_hidden"), kBit);
        v.column(QStringLiteral("is_masked"), kBit);
        v.column(QStringLiteral("graph_type"), kInt);
        v.column(QStringLiteral("graph_type_desc"), nv(60));
        for (const auto& [k, tab] : db->tables) {
            int id = 0;
            for (const Column& c : tab->columns) {
                const auto [precision, scale] = precisionAndScale(c.type);
                const int type = systemTypeId(c.type.id);
                const bool character = isCharacter(c.type.id);
                const bool padded = character || isBinary(c.type.id);
                v.row(Row {intValue(tab->objectId),
                           text(c.name),
                           intValue(++id),
                           tiny(type),
                           intValue(type),
                           small(byteLength(c.type)),
                           tiny(precision),
                           tiny(scale),
                           character ? text(QStringLiteral("Latin1_General_CI_AS")) : noText(),
                           bitValue(c.nullable),
                           bitValue(padded),
                           bitValue(c.rowGuid),
                           bitValue(c.identity),
                           bitValue(false),
                           bitValue(false),
                           bitValue(false),
                           bitValue(false),
                           bitValue(false),
                           bitValue(false),
                           bitValue(false),
                           intValue(0),
                           intValue(c.defaultObjectId),
                           intValue(0),
                           bitValue(false),
                           bitValue(false),
                           tiny(0),
                           text(QStringLiteral("NOT_APPLICABLE"), nv(60)),
                           nullValue(kInt),
                           noText(nv(64)),
                           noText(),
                           nullValue(kInt),
                           noText(),
                           bitValue(false),
                           bitValue(false),
                           nullValue(kInt),
                           noText(nv(60))});
            }
        }
        return true;
    }
    if (sys && name == QLatin1String("schemas")) {
        v.column(QStringLiteral("name"), nv(128), false);
        v.column(QStringLiteral("schema_id"), kInt, false);
        v.column(QStringLiteral("principal_id"), kInt);
        const std::pair<const char*, int> schemas[] = {{"dbo", 1}, {"guest", 2}, {"INFORMATION_SCHEMA", 3}, {"sys", 4}};
        for (const auto& [n, id] : schemas)
            v.row(Row {text(QString::fromLatin1(n)), intValue(id), intValue(id)});
        return true;
    }
    if (sys && name == QLatin1String("key_constraints")) {
        v.objectColumns();
        v.column(QStringLiteral("unique_index_id"), kInt);
        v.column(QStringLiteral("is_system_named"), kBit, false);
        v.column(QStringLiteral("is_enforced"), kBit);
        for (const auto& [k, tab] : db->tables)
            for (const IndexRow& ix : indexesOf(*tab)) {
                if (!ix.primary && !ix.uniqueConstraint)
                    continue;
                const auto key = std::find_if(tab->keys.begin(), tab->keys.end(),
                                              [&](const KeyConstraint& c) { return c.name == ix.name; });
                Row r = View::objectRow(ix.name, key->objectId, tab->objectId, ix.primary ? "PK" : "UQ",
                                        ix.primary ? "PRIMARY_KEY_CONSTRAINT" : "UNIQUE_CONSTRAINT", tab->created,
                                        tab->created);
                r.push_back(intValue(ix.indexId));
                r.push_back(bitValue(systemNamed(ix.name)));
                r.push_back(bitValue(true));
                v.row(std::move(r));
            }
        return true;
    }
    if (sys && name == QLatin1String("check_constraints")) {
        v.objectColumns();
        v.column(QStringLiteral("is_disabled"), kBit, false);
        v.column(QStringLiteral("is_not_for_replication"), kBit, false);
        v.column(QStringLiteral("is_not_trusted"), kBit, false);
        v.column(QStringLiteral("parent_column_id"), kInt, false);
        v.column(QStringLiteral("definition"), nv(-1));
        v.column(QStringLiteral("uses_database_collation"), kBit);
        v.column(QStringLiteral("is_system_named"), kBit, false);
        for (const auto& [k, tab] : db->tables)
            for (const OtherConstraint& o : tab->others) {
                if (o.kind != ConstraintKind::Check)
                    continue;
                Row r = View::objectRow(o.name, o.objectId, tab->objectId, "C", "CHECK_CONSTRAINT", tab->modified,
                                        tab->modified);
                for (Value x : {bitValue(!o.enabled), bitValue(false), bitValue(!o.trusted),
                                intValue(o.column.isEmpty() ? 0 : columnId(*tab, o.column)),
                                text(storedDefinition(o.text), nv(-1)), bitValue(true), bitValue(systemNamed(o.name))})
                    r.push_back(x);
                v.row(std::move(r));
            }
        return true;
    }
    if (sys && name == QLatin1String("default_constraints")) {
        v.objectColumns();
        v.column(QStringLiteral("parent_column_id"), kInt, false);
        v.column(QStringLiteral("definition"), nv(-1));
        v.column(QStringLiteral("is_system_named"), kBit, false);
        for (const auto& [k, tab] : db->tables) {
            int id = 0;
            for (const Column& c : tab->columns) {
                ++id;
                if (c.defaultName.isEmpty())
                    continue;
                Row r = View::objectRow(c.defaultName, c.defaultObjectId, tab->objectId, "D", "DEFAULT_CONSTRAINT",
                                        tab->modified, tab->modified);
                r.push_back(intValue(id));
                r.push_back(text(storedDefinition(c.defaultText), nv(-1)));
                r.push_back(bitValue(systemNamed(c.defaultName)));
                v.row(std::move(r));
            }
        }
        return true;
    }
    if (sys && (name == QLatin1String("foreign_keys") || name == QLatin1String("foreign_key_columns"))) {
        const bool columns = name == QLatin1String("foreign_key_columns");
        if (columns) {
            for (const char* c : {"constraint_object_id", "constraint_column_id", "parent_object_id",
                                  "parent_column_id", "referenced_object_id", "referenced_column_id"})
                v.column(QString::fromLatin1(c), kInt, false);
        } else {
            v.objectColumns();
            v.column(QStringLiteral("referenced_object_id"), kInt);
            v.column(QStringLiteral("key_index_id"), kInt);
            v.column(QStringLiteral("is_disabled"), kBit, false);
            v.column(QStringLiteral("is_not_for_replication"), kBit, false);
            v.column(QStringLiteral("is_not_trusted"), kBit, false);
            v.column(QStringLiteral("delete_referential_action"), kTinyInt);
            v.column(QStringLiteral("delete_referential_action_desc"), nv(60));
            v.column(QStringLiteral("update_referential_action"), kTinyInt);
            v.column(QStringLiteral("update_referential_action_desc"), nv(60));
            v.column(QStringLiteral("is_system_named"), kBit, false);
        }
        for (const auto& [k, tab] : db->tables)
            for (const OtherConstraint& o : tab->others) {
                if (o.kind != ConstraintKind::ForeignKey)
                    continue;
                auto ref = db->findTable(o.refTable);
                if (columns) {
                    for (qsizetype i = 0; i < o.columns.size(); ++i)
                        v.row(Row {intValue(o.objectId), intValue(i + 1), intValue(tab->objectId),
                                   intValue(columnId(*tab, o.columns[i])), intValue(ref ? ref->objectId : 0),
                                   intValue(ref && i < o.refColumns.size() ? columnId(*ref, o.refColumns[i]) : 0)});
                    continue;
                }
                int keyIndex = 0;
                if (ref)
                    for (const IndexRow& ix : indexesOf(*ref))
                        if (ix.unique && ix.filter.isEmpty() && ix.columns.size() == o.refColumns.size()
                            && std::is_permutation(ix.columns.begin(), ix.columns.end(), o.refColumns.begin(),
                                                   [](const QString& a, const QString& b) {
                                                       return collationKey(a) == collationKey(b);
                                                   })) {
                            keyIndex = ix.indexId;
                            break;
                        }
                Row r = View::objectRow(o.name, o.objectId, tab->objectId, "F", "FOREIGN_KEY_CONSTRAINT", tab->modified,
                                        tab->modified);
                for (Value x :
                     {intValue(ref ? ref->objectId : 0), intValue(keyIndex), bitValue(!o.enabled), bitValue(false),
                      bitValue(!o.trusted), tiny(o.onDelete), text(referentialAction(o.onDelete), nv(60)),
                      tiny(o.onUpdate), text(referentialAction(o.onUpdate), nv(60)), bitValue(systemNamed(o.name))})
                    r.push_back(x);
                v.row(std::move(r));
            }
        return true;
    }
    if (sys && (name == QLatin1String("indexes") || name == QLatin1String("index_columns"))) {
        const bool columns = name == QLatin1String("index_columns");
        if (columns) {
            v.column(QStringLiteral("object_id"), kInt, false);
            v.column(QStringLiteral("index_id"), kInt, false);
            v.column(QStringLiteral("index_column_id"), kInt, false);
            v.column(QStringLiteral("column_id"), kInt, false);
            v.column(QStringLiteral("key_ordinal"), kTinyInt, false);
            v.column(QStringLiteral("partition_ordinal"), kTinyInt, false);
            v.column(QStringLiteral("is_descending_key"), kBit);
            v.column(QStringLiteral("is_included_column"), kBit);
            v.column(QStringLiteral("column_store_order_ordinal"), kTinyInt, false);
        } else {
            v.column(QStringLiteral("object_id"), kInt, false);
            v.column(QStringLiteral("name"), nv(128));
            v.column(QStringLiteral("index_id"), kInt, false);
            v.column(QStringLiteral("type"), kTinyInt, false);
            v.column(QStringLiteral("type_desc"), nv(60));
            v.column(QStringLiteral("is_unique"), kBit);
            v.column(QStringLiteral("data_space_id"), kInt);
            v.column(QStringLiteral("ignore_dup_key"), kBit);
            v.column(QStringLiteral("is_primary_key"), kBit);
            v.column(QStringLiteral("is_unique_constraint"), kBit);
            v.column(QStringLiteral("fill_factor"), kTinyInt, false);
            v.column(QStringLiteral("is_padded"), kBit);
            v.column(QStringLiteral("is_disabled"), kBit);
            v.column(QStringLiteral("is_hypothetical"), kBit);
            v.column(QStringLiteral("is_ignored_in_optimization"), kBit);
            v.column(QStringLiteral("allow_row_locks"), kBit);
            v.column(QStringLiteral("allow_page_locks"), kBit);
            v.column(QStringLiteral("has_filter"), kBit);
            v.column(QStringLiteral("filter_definition"), nv(-1));
            v.column(QStringLiteral("compression_delay"), kInt);
            v.column(QStringLiteral("suppress_dup_key_messages"), kBit);
            v.column(QStringLiteral("auto_created"), kBit);
            v.column(QStringLiteral("optimize_for_sequential_key"), kBit);
        }
        for (const auto& [k, tab] : db->tables)
            for (const IndexRow& ix : indexesOf(*tab)) {
                if (columns) {
                    int n = 0;
                    for (const QString& c : ix.columns) {
                        ++n;
                        const bool descending = n - 1 < ix.descending.size() && ix.descending[n - 1];
                        v.row(Row {intValue(tab->objectId), intValue(ix.indexId), intValue(n),
                                   intValue(columnId(*tab, c)), tiny(n), tiny(0), bitValue(descending), bitValue(false),
                                   tiny(0)});
                    }
                    for (const QString& c : ix.included)
                        v.row(Row {intValue(tab->objectId), intValue(ix.indexId), intValue(++n),
                                   intValue(columnId(*tab, c)), tiny(0), tiny(0), bitValue(false), bitValue(true),
                                   tiny(0)});
                    continue;
                }
                const int type = ix.indexId == 0 ? 0 : ix.clustered ? 1 : 2;
                const char* desc = type == 0 ? "HEAP" : type == 1 ? "CLUSTERED" : "NONCLUSTERED";
                v.row(Row {intValue(tab->objectId),
                           ix.name.isEmpty() ? noText() : text(ix.name),
                           intValue(ix.indexId),
                           tiny(type),
                           text(QString::fromLatin1(desc), nv(60)),
                           bitValue(ix.unique),
                           intValue(1),
                           bitValue(false),
                           bitValue(ix.primary),
                           bitValue(ix.uniqueConstraint),
                           tiny(0),
                           bitValue(false),
                           bitValue(false),
                           bitValue(false),
                           bitValue(false),
                           bitValue(true),
                           bitValue(true),
                           bitValue(!ix.filter.isEmpty()),
                           ix.filter.isEmpty() ? noText(nv(-1)) : text(storedDefinition(ix.filter), nv(-1)),
                           nullValue(kInt),
                           bitValue(false),
                           bitValue(false),
                           bitValue(false)});
            }
        return true;
    }
    if (sys && name == QLatin1String("extended_properties")) {
        v.column(QStringLiteral("class"), kTinyInt, false);
        v.column(QStringLiteral("class_desc"), nv(60));
        v.column(QStringLiteral("major_id"), kInt, false);
        v.column(QStringLiteral("minor_id"), kInt, false);
        v.column(QStringLiteral("name"), nv(128), false);
        v.column(QStringLiteral("value"), SqlType {TypeId::SqlVariant, 0, 0, 0});
        for (const ExtendedProperty& p : db->properties) {
            // On the database (class 0), on a schema (3, major_id the schema's id), on a table or column (1).
            int cls = 1, major = 0, minor = 0;
            if (p.table.isEmpty()) {
                cls = p.level0.isEmpty() ? 0 : 3;
                major = p.level0.isEmpty() ? 0 : 1;
            } else if (auto tab = db->findTable(p.table)) {
                major = tab->objectId;
                minor = p.column.isEmpty() ? 0 : tab->columnIndex(p.column) + 1;
            }
            const char* desc = cls == 0 ? "DATABASE" : cls == 3 ? "SCHEMA" : "OBJECT_OR_COLUMN";
            v.row(Row {tiny(cls), text(QString::fromLatin1(desc), nv(60)), intValue(major), intValue(minor),
                       text(p.name), p.value});
        }
        return true;
    }
    if (!info)
        return false;
    const Value catalog = text(db->name), owner = text(QStringLiteral("dbo"));
    if (name == QLatin1String("table_constraints")) {
        for (const char* c : {"CONSTRAINT_CATALOG", "CONSTRAINT_SCHEMA", "CONSTRAINT_NAME", "TABLE_CATALOG",
                              "TABLE_SCHEMA", "TABLE_NAME"})
            v.column(QString::fromLatin1(c), nv(128),
                     QByteArray(c) != "CONSTRAINT_NAME" && QByteArray(c) != "TABLE_NAME");
        v.column(QStringLiteral("CONSTRAINT_TYPE"), vc(11));
        v.column(QStringLiteral("IS_DEFERRABLE"), vc(2), false);
        v.column(QStringLiteral("INITIALLY_DEFERRED"), vc(2), false);
        auto add = [&](const QString& n, const Table& tab, const char* type) {
            v.row(Row {catalog, owner, text(n), catalog, owner, text(tab.name), text(QString::fromLatin1(type), vc(11)),
                       text(QStringLiteral("NO"), vc(2)), text(QStringLiteral("NO"), vc(2))});
        };
        for (const auto& [k, tab] : db->tables) {
            for (const KeyConstraint& key : tab->keys)
                if (!key.index)
                    add(key.name, *tab, key.primary ? "PRIMARY KEY" : "UNIQUE");
            for (const OtherConstraint& o : tab->others)
                add(o.name, *tab, o.kind == ConstraintKind::ForeignKey ? "FOREIGN KEY" : "CHECK");
        }
        return true;
    }
    if (name == QLatin1String("key_column_usage") || name == QLatin1String("constraint_column_usage")) {
        const bool key = name == QLatin1String("key_column_usage");
        const char* constraintColumns[] = {"CONSTRAINT_CATALOG", "CONSTRAINT_SCHEMA", "CONSTRAINT_NAME"};
        const char* tableColumns[] = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "COLUMN_NAME"};
        auto addColumns = [&](const char* const* names, int count) {
            for (int i = 0; i < count; ++i)
                v.column(QString::fromLatin1(names[i]), nv(128), i < 2 || (key && i == 3));
        };
        if (key) {
            addColumns(constraintColumns, 3);
            addColumns(tableColumns, 4);
            v.column(QStringLiteral("ORDINAL_POSITION"), kInt, false);
        } else {
            addColumns(tableColumns, 4);
            addColumns(constraintColumns, 3);
        }
        auto add = [&](const QString& constraint, const Table& tab, const QStringList& cols) {
            int n = 0;
            for (const QString& c : cols) {
                const int i = tab.columnIndex(c);
                const QString column = i >= 0 ? tab.columns[i].name : c;
                if (key)
                    v.row(Row {catalog, owner, text(constraint), catalog, owner, text(tab.name), text(column),
                               intValue(++n)});
                else
                    v.row(Row {catalog, owner, text(tab.name), text(column), catalog, owner, text(constraint)});
            }
        };
        for (const auto& [k, tab] : db->tables) {
            for (const KeyConstraint& c : tab->keys)
                if (!c.index)
                    add(c.name, *tab, c.columns);
            for (const OtherConstraint& o : tab->others) {
                if (o.kind == ConstraintKind::ForeignKey) {
                    add(o.name, *tab, o.columns);
                } else if (!key) {
                    // The columns a check reads, in table order.
                    QStringList read;
                    for (const Column& c : tab->columns)
                        if (o.check && readsColumnNamed(*o.check, c.name))
                            read << c.name;
                    add(o.name, *tab, read);
                }
            }
        }
        return true;
    }
    if (name == QLatin1String("check_constraints")) {
        v.column(QStringLiteral("CONSTRAINT_CATALOG"), nv(128));
        v.column(QStringLiteral("CONSTRAINT_SCHEMA"), nv(128));
        v.column(QStringLiteral("CONSTRAINT_NAME"), nv(128), false);
        v.column(QStringLiteral("CHECK_CLAUSE"), nv(4000));
        for (const auto& [k, tab] : db->tables)
            for (const OtherConstraint& o : tab->others)
                if (o.kind == ConstraintKind::Check)
                    v.row(Row {catalog, owner, text(o.name), text(storedDefinition(o.text), nv(4000))});
        return true;
    }
    if (name == QLatin1String("referential_constraints")) {
        for (const char* c : {"CONSTRAINT_CATALOG", "CONSTRAINT_SCHEMA", "CONSTRAINT_NAME", "UNIQUE_CONSTRAINT_CATALOG",
                              "UNIQUE_CONSTRAINT_SCHEMA", "UNIQUE_CONSTRAINT_NAME"})
            v.column(QString::fromLatin1(c), nv(128), QByteArray(c) != "CONSTRAINT_NAME");
        v.column(QStringLiteral("MATCH_OPTION"), vc(7));
        v.column(QStringLiteral("UPDATE_RULE"), vc(11));
        v.column(QStringLiteral("DELETE_RULE"), vc(11));
        auto rule = [](int action) {
            return text(referentialAction(action).replace(QLatin1Char('_'), QLatin1Char(' ')), vc(11));
        };
        for (const auto& [k, tab] : db->tables)
            for (const OtherConstraint& o : tab->others) {
                if (o.kind != ConstraintKind::ForeignKey)
                    continue;
                // The key it references: a primary key or unique constraint of those columns.
                Value unique = noText();
                if (auto ref = db->findTable(o.refTable))
                    for (const KeyConstraint& c : ref->keys)
                        if (c.columns.size() == o.refColumns.size()
                            && std::is_permutation(c.columns.begin(), c.columns.end(), o.refColumns.begin(),
                                                   [](const QString& a, const QString& b) {
                                                       return collationKey(a) == collationKey(b);
                                                   })) {
                            unique = text(c.name);
                            break;
                        }
                v.row(Row {catalog, owner, text(o.name), unique.isNull() ? noText() : catalog,
                           unique.isNull() ? noText() : owner, unique, text(QStringLiteral("SIMPLE"), vc(7)),
                           rule(o.onUpdate), rule(o.onDelete)});
            }
        return true;
    }
    return false;
}

std::optional<int> indexKeyProperty(const Database& db, int objectId, int indexId, int keyId, const QString& property)
{
    for (const auto& entry : db.tables) {
        if (entry.second->objectId != objectId)
            continue;
        for (const IndexRow& ix : indexesOf(*entry.second)) {
            if (ix.indexId != indexId || ix.name.isEmpty() || keyId < 1 || keyId > ix.columns.size())
                continue;
            if (property == QLatin1String("columnid"))
                return columnId(*entry.second, ix.columns[keyId - 1]);
            if (property == QLatin1String("isdescending"))
                return int(keyId - 1 < ix.descending.size() && ix.descending[keyId - 1]);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<int> constraintProperty(const Database& db, int id, const QString& property)
{
    for (const auto& entry : db.tables) {
        const std::shared_ptr<Table>& t = entry.second;
        if (t->objectId == id) {
            auto has = [&](auto pred) { return int(std::any_of(t->others.begin(), t->others.end(), pred)); };
            if (property == QLatin1String("istable"))
                return 1;
            if (property == QLatin1String("tablehasprimarykey"))
                return int(t->primaryKey() != nullptr);
            if (property == QLatin1String("tablehasuniquecnst"))
                return int(std::any_of(t->keys.begin(), t->keys.end(),
                                       [](const KeyConstraint& c) { return !c.primary && !c.index; }));
            if (property == QLatin1String("tablehasforeignkey"))
                return has([](const OtherConstraint& o) { return o.kind == ConstraintKind::ForeignKey; });
            if (property == QLatin1String("tablehascheckcnst"))
                return has([](const OtherConstraint& o) { return o.kind == ConstraintKind::Check; });
            if (property == QLatin1String("tablehasdefaultcnst"))
                return int(std::any_of(t->columns.begin(), t->columns.end(),
                                       [](const Column& c) { return !c.defaultName.isEmpty(); }));
            if (property == QLatin1String("tablehasindex"))
                return int(!t->keys.empty() || !t->plainIndexes.empty());
            if (property == QLatin1String("tablehasclustindex"))
                return int(
                    std::any_of(t->keys.begin(), t->keys.end(), [](const KeyConstraint& c) { return c.clustered; })
                    || std::any_of(t->plainIndexes.begin(), t->plainIndexes.end(),
                                   [](const KeyConstraint& i) { return i.clustered; }));
            return std::nullopt;
        }
        // The constraint's kind, as sys.objects types it, and whether it is switched off.
        QString type;
        bool disabled = false, untrusted = false;
        for (const KeyConstraint& c : t->keys)
            if (!c.index && c.objectId == id)
                type = c.primary ? QStringLiteral("PK") : QStringLiteral("UQ");
        for (const Column& c : t->columns)
            if (!c.defaultName.isEmpty() && c.defaultObjectId == id)
                type = QStringLiteral("D");
        for (const OtherConstraint& o : t->others)
            if (o.objectId == id) {
                type = o.kind == ConstraintKind::ForeignKey ? QStringLiteral("F") : QStringLiteral("C");
                disabled = !o.enabled;
                untrusted = !o.trusted;
            }
        if (type.isEmpty())
            continue;
        if (property == QLatin1String("isconstraint"))
            return 1;
        const std::pair<const char*, const char*> kinds[] = {
            {"isprimarykey", "PK"}, {"isuniquecnst", "UQ"}, {"isforeignkey", "F"}, {"ischeckcnst", "C"},
            {"isdefaultcnst", "D"}, {"isusertable", ""},    {"istable", ""}};
        for (const auto& [name, code] : kinds)
            if (property == QLatin1String(name))
                return int(type == QLatin1String(code));
        if (property == QLatin1String("cnstisdisabled") || property == QLatin1String("cnstisnottrusted"))
            return type == QLatin1String("F") || type == QLatin1String("C")
                       ? std::optional<int>(property == QLatin1String("cnstisdisabled") ? disabled : untrusted)
                       : std::nullopt;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace standin
