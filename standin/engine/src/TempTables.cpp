// Temporary tables (#t of a session, ##t shared by all) in tempdb, table variables (DECLARE @t TABLE) in
// the call frame that declares them, and SELECT ... INTO.
#include "Errors.h"
#include "Executor.h"

#include <optional>
#include <unordered_set>

namespace standin {

namespace {

// The longest name a # table may have: tempdb names it after the session's copy, padded and numbered
// up to 128 characters.
constexpr int kTempNameMax = 116;

bool isGlobalTemp(const QString& name) { return name.startsWith(QLatin1String("##")); }

// The name tempdb gives a session's # table: the name padded with underscores, then a number that
// tells it from the same name of other sessions and calls.
QString tempdbName(const QString& name, int objectId)
{
    QString padded = name;
    padded += QString(kTempNameMax - name.size(), QLatin1Char('_'));
    return padded + QStringLiteral("%1").arg(uint(objectId), 12, 16, QLatin1Char('0')).toUpper();
}

bool isTempdb(const QString& name) { return collationKey(name) == collationKey(QStringLiteral("tempdb")); }

// A table variable is declared before the text that uses it, in the batch or module that holds both;
// SQL Server checks this when it compiles the batch or creates the module (1087), before anything runs.
// The walk follows the text: a DECLARE counts from where it stands, whichever branch it is in.
class DeclarationWalk {
public:
    explicit DeclarationWalk(std::unordered_set<QString> declared)
        : declared_(std::move(declared))
    { }

    // The first table variable used before its DECLARE, with the line of its statement.
    std::optional<std::pair<QString, int>> firstUndeclared(const std::vector<StmtPtr>& body)
    {
        for (const StmtPtr& s : body) {
            line_ = s->line;
            statement(*s);
            if (found_)
                return found_;
        }
        return std::nullopt;
    }

private:
    void table(const QStringList& name)
    {
        if (found_ || name.size() != 1 || !name[0].startsWith(u'@') || declared_.count(name[0].toLower()))
            return;
        found_ = std::make_pair(name[0], line_);
    }
    void expr(const ExprPtr& e)
    {
        if (!e)
            return;
        if (e->subquery)
            select(*e->subquery);
        for (const ExprPtr& a : e->args)
            expr(a);
        expr(e->caseOperand);
        expr(e->elseExpr);
    }
    void refs(const std::vector<TableRef>& from)
    {
        for (const TableRef& r : from) {
            if (r.derived)
                select(*r.derived);
            else if (!r.isFunction)
                table(r.name);
            for (const ExprPtr& a : r.functionArgs)
                expr(a);
            expr(r.on);
        }
    }
    void select(const SelectStmt& s)
    {
        refs(s.from);
        for (const SelectItem& i : s.items)
            expr(i.expr);
        expr(s.top);
        expr(s.where);
        for (const ExprPtr& g : s.groupBy)
            expr(g);
        expr(s.having);
        for (const OrderItem& o : s.orderBy)
            expr(o.expr);
        for (const auto& [all, other] : s.unions)
            select(*other);
    }
    void body(const std::vector<StmtPtr>& statements)
    {
        for (const StmtPtr& s : statements)
            if (s)
                statement(*s);
    }
    void statement(const Statement& s)
    {
        if (found_)
            return;
        if (s.line > 0)
            line_ = s.line;
        switch (s.kind) {
        case StmtKind::Declare:
            for (const VariableDecl& d : static_cast<const DeclareStatement&>(s).variables) {
                expr(d.init);
                declared_.insert(d.name.toLower());
            }
            return;
        case StmtKind::Select:
            select(*static_cast<const SelectStatement&>(s).select);
            return;
        case StmtKind::Insert: {
            const auto& st = static_cast<const InsertStatement&>(s);
            if (st.select)
                select(*st.select);
            for (const auto& row : st.values)
                for (const ExprPtr& e : row)
                    expr(e);
            table(st.table);
            return;
        }
        case StmtKind::Update: {
            const auto& st = static_cast<const UpdateStatement&>(s);
            table(st.target);
            refs(st.from);
            for (const Assignment& a : st.sets)
                expr(a.value);
            expr(st.where);
            return;
        }
        case StmtKind::Delete: {
            const auto& st = static_cast<const DeleteStatement&>(s);
            table(st.target);
            refs(st.from);
            expr(st.where);
            return;
        }
        case StmtKind::SetVariable:
            expr(static_cast<const SetVariableStatement&>(s).assignment.value);
            return;
        case StmtKind::Print:
            expr(static_cast<const PrintStatement&>(s).value);
            return;
        case StmtKind::Return:
            expr(static_cast<const ReturnStatement&>(s).value);
            return;
        case StmtKind::If: {
            const auto& st = static_cast<const IfStatement&>(s);
            expr(st.condition);
            if (st.thenBranch)
                statement(*st.thenBranch);
            if (st.elseBranch)
                statement(*st.elseBranch);
            return;
        }
        case StmtKind::While: {
            const auto& st = static_cast<const WhileStatement&>(s);
            expr(st.condition);
            if (st.body)
                statement(*st.body);
            return;
        }
        case StmtKind::Block:
            body(static_cast<const BlockStatement&>(s).body);
            return;
        case StmtKind::Try:
            body(static_cast<const TryStatement&>(s).tryBody);
            body(static_cast<const TryStatement&>(s).catchBody);
            return;
        case StmtKind::Cursor: {
            const auto& st = static_cast<const CursorStatement&>(s);
            if (st.select)
                select(*st.select);
            return;
        }
        default:
            return;  // a module's own body is walked when it is created
        }
    }

    std::unordered_set<QString> declared_;
    std::optional<std::pair<QString, int>> found_;
    int line_ = 1;
};

}  // namespace

void Executor::checkTableVariables(const std::vector<StmtPtr>& body, const std::vector<Parameter>& parameters) const
{
    std::unordered_set<QString> declared;
    for (const Parameter& p : parameters)
        declared.insert(p.name.toLower());
    if (auto undeclared = DeclarationWalk(std::move(declared)).firstUndeclared(body)) {
        SqlError e = invalidObject(undeclared->first);
        e.message.line = undeclared->second;
        throw e;
    }
}

std::shared_ptr<Table> Executor::tableVariable(const QString& name) const
{
    // A table variable belongs to the batch or module that declared it, never to the calls it makes.
    if (!frame_)
        return nullptr;
    auto it = frame_->variables.find(name.toLower());
    return it == frame_->variables.end() ? nullptr : it->second.table;
}

std::shared_ptr<Table> Executor::tempTable(const QStringList& name) const
{
    const QString& last = name.last();
    if (frame_ && frame_->module && frame_->module->kind == ModuleKind::Function)
        throw sqlError(2772, QStringLiteral("Cannot access temporary tables from within a function."));
    const auto& tables = session_.temp->db->tables;
    if (isGlobalTemp(last)) {
        auto it = tables.find(collationKey(last));
        return it == tables.end() ? nullptr : it->second;
    }
    // The innermost call's table of that name hides those of its callers.
    const QString key = collationKey(last);
    for (auto it = session_.tempTables.rbegin(); it != session_.tempTables.rend(); ++it) {
        if (it->key != key)
            continue;
        auto found = tables.find(it->tempdbKey);
        if (found != tables.end())
            return found->second;
    }
    return nullptr;
}

std::shared_ptr<Table> Executor::buildTable(Database& db, const QString& name,
                                            const std::vector<ColumnDef>& writtenColumns,
                                            const std::vector<ConstraintDef>& writtenConstraints)
{
    auto t = std::make_shared<Table>();
    t->name = name;
    t->created = t->modified = QDateTime::currentDateTime();
    if (writtenColumns.empty())
        throw syntaxError(QStringLiteral(")"));
    std::vector<ColumnDef> columns = writtenColumns;
    std::vector<ConstraintDef> constraints = writtenConstraints;
    settleClustering(name, columns, constraints);
    for (const ColumnDef& c : columns)
        addColumn(db, *t, c, true);
    std::vector<QString> names;
    for (const ConstraintDef& c : constraints)
        addConstraint(db, *t, c, names);
    t->objectId = db.allocateObjectId();
    return t;
}

void Executor::declareTableVariable(VariableDecl& d)
{
    const CreateTableStatement& def = *d.table;
    // A table variable takes no names of constraints and no foreign keys.
    for (const ConstraintDef& c : def.constraints) {
        if (c.kind == ConstraintKind::ForeignKey)
            throw syntaxError(QStringLiteral("REFERENCES"));
        if (!c.name.isEmpty())
            throw syntaxError(QStringLiteral("CONSTRAINT"));
    }
    for (const ColumnDef& c : def.columns)
        if (!c.keyName.isEmpty() || !c.defaultName.isEmpty())
            throw syntaxError(QStringLiteral("CONSTRAINT"));
    // Its constraints live in tempdb under names of their own; they never clash with a # table's.
    auto t = buildTable(*session_.temp->db, d.name, def.columns, def.constraints);
    t->variable = true;
    Variable v;
    v.name = d.name;
    v.table = t;
    frame_->variables[d.name.toLower()] = v;
}

void Executor::registerTempTable(const QString& name, const std::shared_ptr<Table>& t)
{
    auto db = session_.temp->db;
    replaceTable(db, nullptr, t);
    if (isGlobalTemp(name)) {
        const QString key = collationKey(name);
        auto& owners = session_.temp->globalOwners;
        const std::optional<int> before = owners.count(key) ? std::optional<int>(owners[key]) : std::nullopt;
        owners[key] = session_.spid;
        undo_.push([temp = session_.temp, key, before] {
            if (before)
                temp->globalOwners[key] = *before;
            else
                temp->globalOwners.erase(key);
        });
        return;
    }
    const int level = frame_ ? frame_->nestLevel : 0;
    // Entries of tables dropped for good (no transaction could bring them back) are forgotten.
    if (session_.transactionCount == 0 && !inModule())
        std::erase_if(session_.tempTables, [&](const LocalTempTable& e) { return !db->tables.count(e.tempdbKey); });
    session_.tempTables.push_back(LocalTempTable {collationKey(name), collationKey(t->name), level});
}

void Executor::runCreateTempTable(CreateTableStatement& s)
{
    const QString name = s.name.last();
    checkTempTableFree(name);
    auto db = session_.temp->db;
    const int id = db->allocateObjectId();
    auto t = buildTable(*db, isGlobalTemp(name) ? name : tempdbName(name, id), s.columns, s.constraints);
    registerTempTable(name, t);
}

void Executor::checkTempTableFree(const QString& name) const
{
    if (name.size() > kTempNameMax)
        throw sqlError(193,
                       QStringLiteral("The object or column name starting with '%1' is too long. The maximum "
                                      "length is %2 characters.")
                           .arg(name.left(kTempNameMax))
                           .arg(kTempNameMax),
                       15);
    auto db = session_.temp->db;
    if (isGlobalTemp(name)) {
        if (db->tables.count(collationKey(name)))
            throw objectExists(name);
        return;
    }
    // A call may create a # table its caller has already; the same call may not create it twice.
    const int level = frame_ ? frame_->nestLevel : 0;
    const QString key = collationKey(name);
    for (const LocalTempTable& e : session_.tempTables)
        if (e.key == key && e.level == level && db->tables.count(e.tempdbKey))
            throw objectExists(name);
}

void Executor::dropScopeTempTables(int level)
{
    // The # tables a procedure or trigger created go when it returns.
    auto db = session_.temp->db;
    std::erase_if(session_.tempTables, [&](const LocalTempTable& e) {
        if (e.level < level)
            return false;
        db->tables.erase(e.tempdbKey);
        return true;
    });
}

Value Executor::tempObjectId(const QStringList& parts, const QString& type)
{
    // A # name means tempdb only where tempdb is named, or is the current database.
    const bool inTempdb = parts.size() >= 3 ? isTempdb(parts[parts.size() - 3]) : isTempdb(session_.database);
    const SqlType intType {TypeId::Int, 0, 0, 0};
    if (!inTempdb
        || (parts.size() >= 2 && !parts[parts.size() - 2].isEmpty()
            && collationKey(parts[parts.size() - 2]) != collationKey(QStringLiteral("dbo"))))
        return nullValue(intType);
    auto t = tempTable(parts);
    if (!t || (!type.trimmed().isEmpty() && collationKey(type.trimmed()) != collationKey(QStringLiteral("U"))))
        return nullValue(intType);
    return intValue(t->objectId);
}

void Executor::logRowChange(const Table& t, std::function<void()> undo)
{
    if (t.variable)
        undo_.pushSettling(std::move(undo));
    else
        undo_.push(std::move(undo));
}

// SELECT ... INTO table: a new table with the query's columns, filled with its rows.
void Executor::runSelectInto(SelectStmt& s, StatementResult& r)
{
    const QStringList target = s.into;
    const QString name = target.last();
    const bool temp = name.startsWith(u'#');
    std::shared_ptr<Database> db;
    if (temp) {
        checkTempTableFree(name);
        db = session_.temp->db;
    } else {
        db = databaseFor(target);
        if (!db)
            throw sqlError(2702, QStringLiteral("Database '%1' does not exist.").arg(target[target.size() - 3]));
        if (target.size() >= 2 && !target[target.size() - 2].isEmpty()
            && collationKey(target[target.size() - 2]) != collationKey(QStringLiteral("dbo")))
            throw sqlError(2760, QStringLiteral("The specified schema name \"%1\" either does not exist or you do not "
                                                "have permission to use it.")
                                     .arg(target[target.size() - 2]));
        if (db->objectExists(name))
            throw objectExists(name);
    }
    ResultSet rs = runSelect(s, nullptr, nullptr);

    // An identity column read alone from one table keeps its IDENTITY property in the new table.
    const bool keepsIdentity = s.from.size() == 1 && !s.from[0].derived && !s.from[0].isFunction && s.groupBy.empty()
                               && !s.having && s.unions.empty() && !s.distinct;
    std::shared_ptr<Table> from = keepsIdentity ? findTable(s.from[0].name) : nullptr;
    std::vector<ColumnDef> columns;
    std::unordered_set<QString> seen;
    bool identityTaken = false;
    for (size_t i = 0; i < rs.columns.size(); ++i) {
        const ColumnInfo& c = rs.columns[i];
        if (c.name.isEmpty())
            throw sqlError(1038,
                           QStringLiteral("An object or column name is missing or empty. For SELECT INTO "
                                          "statements, verify each column has a name. For other statements, look "
                                          "for empty alias names. Aliases defined as \"\" or [] are not allowed. "
                                          "Change the alias to a valid name."),
                           15);
        if (!seen.insert(collationKey(c.name)).second)
            throw sqlError(2705, QStringLiteral("Column names in each table must be unique. Column name '%1' in table "
                                                "'%2' is specified more than once.")
                                     .arg(c.name, name));
        ColumnDef d;
        d.name = c.name;
        d.type = c.type;
        bool nullable = c.nullable;
        if (i < s.items.size() && s.items[i].expr && !s.items[i].star) {
            const Expr& e = *s.items[i].expr;
            // A constant that is not NULL, and ISNULL with such a replacement, give a NOT NULL column.
            if (e.kind == ExprKind::Literal && !e.value.isNull())
                nullable = false;
            if (e.kind == ExprKind::Function && e.name == QLatin1String("ISNULL") && e.args.size() == 2 && e.args[1]
                && e.args[1]->kind == ExprKind::Literal && !e.args[1]->value.isNull())
                nullable = false;
        }
        d.nullable = nullable;
        if (c.identity && from && !identityTaken && !c.baseColumn.isEmpty()) {
            const int k = from->columnIndex(c.baseColumn);
            if (k >= 0 && from->columns[k].identity) {
                d.identity = true;
                d.seed = from->columns[k].seed;
                d.increment = from->columns[k].increment;
                d.nullable = false;
                identityTaken = true;
            }
        }
        columns.push_back(d);
    }
    // An identity read twice is a plain column both times.
    if (identityTaken) {
        int reads = 0;
        for (const ColumnInfo& c : rs.columns)
            reads += c.identity ? 1 : 0;
        if (reads > 1)
            for (ColumnDef& d : columns)
                d.identity = false;
    }
    const int id = temp && !isGlobalTemp(name) ? db->allocateObjectId() : 0;
    auto t = buildTable(*db, temp && !isGlobalTemp(name) ? tempdbName(name, id) : name, columns, {});
    if (temp)
        registerTempTable(name, t);
    else
        replaceTable(db, nullptr, t);
    const int identity = t->identityColumn();
    for (auto& values : rs.rows) {
        Row row(t->columns.size());
        for (size_t c = 0; c < values.size(); ++c)
            row[c] = assign(values[c], t->columns[c].type);
        if (identity >= 0 && !row[identity].isNull()) {
            const int64_t v = std::get<int64_t>(convert(row[identity], SqlType {TypeId::BigInt, 0, 0, 0}).data);
            const Column& ic = t->columns[identity];
            if (!t->identityUsed || (ic.increment > 0 ? v > t->identityLast : v < t->identityLast)) {
                t->identityLast = v;
                t->identityUsed = true;
            }
        }
        insertRow(db, t, std::move(row));
    }
    r.rowCount = int64_t(rs.rows.size());
}

std::vector<std::vector<Value>> Executor::execRows(ExecStatement& s, size_t columns)
{
    if (insertExec_)
        throw sqlError(8164, QStringLiteral("An INSERT EXEC statement cannot be nested."));
    std::vector<StatementResult> results;
    std::vector<StatementResult>* outer = nested_;
    StatementResult own;
    nested_ = &results;
    insertExec_ = true;
    try {
        runExec(s, own);
    } catch (...) {
        nested_ = outer;
        insertExec_ = false;
        throw;
    }
    nested_ = outer;
    insertExec_ = false;
    std::vector<std::vector<Value>> rows;
    for (StatementResult& r : results) {
        if (r.resultSet) {
            if (r.resultSet->columns.size() != columns)
                throw sqlError(213, QStringLiteral("Column name or number of supplied values does not match table "
                                                   "definition."));
            for (auto& row : r.resultSet->rows)
                rows.push_back(std::move(row));
            r.resultSet.reset();  // the rows go to the table, not to the client
        }
        if (outer)
            outer->push_back(std::move(r));
    }
    if (own.resultSet)
        for (auto& row : own.resultSet->rows)
            rows.push_back(std::move(row));
    if (own.failed) {
        // The procedure's own failure (266 ...) fails the INSERT.
        for (const ServerMessage& m : own.messages)
            if (m.severity > 10) {
                SqlError e;
                e.message = m;
                throw e;
            }
    }
    return rows;
}

}  // namespace standin
