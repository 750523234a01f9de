// Triggers, procedures and scalar functions: creation, dropping and calls in frames of their own.
#include "Errors.h"
#include "Executor.h"

#include <algorithm>

namespace standin {

namespace {

constexpr int kMaxNesting = 32;

QString kindWord(ModuleKind k)
{
    switch (k) {
    case ModuleKind::Trigger: return QStringLiteral("trigger");
    case ModuleKind::Function: return QStringLiteral("function");
    case ModuleKind::Procedure: break;
    }
    return QStringLiteral("procedure");
}

bool isDbo(const QStringList& name)
{
    return name.size() < 2 || name[name.size() - 2].isEmpty() ||
           collationKey(name[name.size() - 2]) == collationKey(QStringLiteral("dbo"));
}

bool isPseudoTable(const QStringList& name)
{
    return name.size() == 1 && (name[0].compare(QLatin1String("inserted"), Qt::CaseInsensitive) == 0 ||
                                name[0].compare(QLatin1String("deleted"), Qt::CaseInsensitive) == 0);
}

}  // namespace

// --- frames and per-statement state -------------------------------------------------------------

Variable* Executor::findVariable(const QString& name) const
{
    if (!frame_)
        return nullptr;
    auto it = frame_->variables.find(name.toLower());
    // A table variable has no scalar value (137 where one is wanted).
    return it == frame_->variables.end() || it->second.table ? nullptr : &it->second;
}

bool Executor::inTrigger() const
{
    for (const Frame* f = frame_; f; f = f->parent)
        if (f->module && f->module->kind == ModuleKind::Trigger)
            return true;
    return false;
}

Executor::StatementState Executor::saveStatement()
{
    StatementState s;
    s.messages = messages_;
    s.outerReferences = outerReferences_;
    s.subqueryCache = std::move(subqueryCache_);
    s.subqueryTypes = std::move(subqueryTypes_);
    s.nested = nested_;
    subqueryCache_.clear();
    subqueryTypes_.clear();
    return s;
}

void Executor::restoreStatement(StatementState& s)
{
    messages_ = s.messages;
    outerReferences_ = s.outerReferences;
    subqueryCache_ = std::move(s.subqueryCache);
    subqueryTypes_ = std::move(s.subqueryTypes);
    nested_ = s.nested;
}

std::shared_ptr<Module> Executor::findModule(const QStringList& name, std::shared_ptr<Database>* dbOut) const
{
    if (name.isEmpty() || name.size() > 3 || !isDbo(name))
        return nullptr;
    auto db = databaseFor(name);
    if (dbOut)
        *dbOut = db;
    return db ? db->findModule(name.last()) : nullptr;
}

// Runs a module's body in `frame`, in the middle of whatever statement called it: that statement's
// state is put aside and comes back afterwards, whatever way the body ends.
Executor::Flow Executor::callModule(const std::shared_ptr<const Module>& module, Frame& frame)
{
    if (frame_->nestLevel >= kMaxNesting)
        throw sqlError(217, QStringLiteral("Maximum stored procedure, function, trigger, or view nesting level exceeded "
                                           "(limit %1).").arg(kMaxNesting));
    frame.parent = frame_;
    frame.module = module;
    frame.nestLevel = frame_->nestLevel + 1;
    auto program = module->takeProgram();

    struct Restore {
        Executor& x;
        Frame* caller;
        Frame& frame;
        StatementState saved;
        bool nocount;
        DateSettings dates;
        const std::shared_ptr<const Module>& module;
        std::shared_ptr<CreateModuleStatement> program;
        ~Restore()
        {
            x.frame_ = caller;
            x.dropScopeTempTables(frame.nestLevel);
            x.restoreStatement(saved);
            x.session_.nocount = nocount;  // SET NOCOUNT inside a module lasts until it ends
            x.session_.dateSettings = dates;  // so do SET LANGUAGE, DATEFORMAT and DATEFIRST
            if (!frame.keepsProgram)
                module->returnProgram(std::move(program));
        }
    } restore {*this, frame_, frame, saveStatement(), session_.nocount, session_.dateSettings, module, program};

    std::vector<StatementResult> discarded;  // module statements run outside any statement (defaults)
    std::vector<StatementResult>& out = restore.saved.nested ? *restore.saved.nested : discarded;
    frame_ = &frame;
    const Flow flow = runStatements(program->body, out);
    return flow == Flow::AbortBatch ? Flow::AbortBatch : Flow::Normal;
}

// --- CREATE, ALTER, DROP ------------------------------------------------------------------------

void Executor::runCreateModule(CreateModuleStatement& s)
{
    const QString name = s.name.last();
    if (!isDbo(s.name))
        throw sqlError(2760, QStringLiteral("The specified schema name \"%1\" either does not exist or you do not have "
                                            "permission to use it.").arg(s.name[s.name.size() - 2]));
    auto db = databaseFor(s.name);
    if (!db)
        throw sqlError(911, QStringLiteral("Database '%1' does not exist. Make sure that the name is entered correctly.")
                                .arg(s.name.first()));
    std::shared_ptr<Module> existing = db->findModule(name);
    if (!s.alter && db->objectExists(name))
        throw objectExists(name);
    if (s.alter && (!existing || existing->kind != s.kind))
        throw invalidObject(name);
    if (s.kind == ModuleKind::Trigger) {
        // A trigger belongs to a table of the database: never to a temporary table.
        auto table = s.table.last().startsWith(u'#') ? nullptr : findTable(s.table);
        if (!table)
            throw sqlError(8197, QStringLiteral("The object '%1' does not exist or is invalid for this operation.")
                                     .arg(s.table.join(QLatin1Char('.'))));
    }
    checkTableVariables(s.body, s.parameters);
    checkModuleColumns(s);
    auto m = std::make_shared<Module>();
    m->describe(s);
    m->name = existing && s.alter ? existing->name : name;
    const QDateTime now = QDateTime::currentDateTime();
    if (s.alter) {
        m->objectId = existing->objectId;
        m->created = existing->created;
    } else {
        m->objectId = db->allocateObjectId();
        m->created = now;
    }
    m->modified = now;
    const QString key = collationKey(name);
    db->modules[key] = m;
    undo_.push([db, key, existing] {
        if (existing)
            db->modules[key] = existing;
        else
            db->modules.erase(key);
    });
}

void Executor::runDropModule(DropModuleStatement& s)
{
    for (const QStringList& name : s.names) {
        std::shared_ptr<Database> db;
        auto m = findModule(name, &db);
        if (!m || m->kind != s.kind) {
            if (s.ifExists)
                continue;
            throw sqlError(3701, QStringLiteral("Cannot drop the %1 '%2', because it does not exist or you do not have "
                                                "permission.").arg(kindWord(s.kind), name.join(QLatin1Char('.'))), 11, 5);
        }
        const QString key = collationKey(m->name);
        db->modules.erase(key);
        undo_.push([db, key, m] { db->modules[key] = m; });
    }
}

// Deferred name resolution: a statement of a module that names a table that does not exist yet is
// resolved when it runs (208 then); in the others a column missing from its tables (207) or an
// unqualified column that two of them hold (209) fails the creation.
void Executor::checkModuleColumns(const CreateModuleStatement& s)
{
    std::shared_ptr<Table> triggerTable = s.kind == ModuleKind::Trigger ? findTable(s.table) : nullptr;
    std::function<bool(const TableRef&, Source&)> derivedSource;
    auto sourceFor = [&](const TableRef& ref, Source& out) -> bool {
        if (ref.derived)
            return derivedSource(ref, out);
        if (ref.isFunction)
            return false;
        if (isPseudoTable(ref.name)) {
            if (!triggerTable)
                return false;
            out = Source{};
            out.alias = ref.alias;
            out.tableName = ref.name[0];
            for (const Column& c : triggerTable->columns) {
                SourceColumn sc;
                sc.name = c.name;
                sc.type = c.type;
                out.columns.push_back(sc);
            }
            return true;
        }
        if (ref.name.size() >= 2 && !isDbo(ref.name))
            return false;  // system views and other schemas are resolved when the module runs
        if (!findTable(ref.name))
            return false;
        out = tableSource(ref.name, ref.alias);
        return true;
    };
    // Whether a statement part names a table that is not there yet (then the whole statement waits).
    auto tableMissing = [&](const QStringList& name) {
        return !isPseudoTable(name) && isDbo(name) && !findTable(name);
    };
    std::function<bool(const SelectStmt&)> selectMissing;
    std::function<bool(const ExprPtr&)> exprMissing = [&](const ExprPtr& e) {
        if (!e)
            return false;
        if (e->subquery && selectMissing(*e->subquery))
            return true;
        for (const auto& a : e->args)
            if (exprMissing(a))
                return true;
        return exprMissing(e->caseOperand) || exprMissing(e->elseExpr);
    };
    auto refsMissing = [&](const std::vector<TableRef>& refs) {
        for (const TableRef& ref : refs)
            if ((ref.derived ? selectMissing(*ref.derived) : !ref.isFunction && tableMissing(ref.name))
                || exprMissing(ref.on))
                return true;
        return false;
    };
    selectMissing = [&](const SelectStmt& sel) {
        if (refsMissing(sel.from) || exprMissing(sel.where) || exprMissing(sel.having))
            return true;
        for (const SelectItem& item : sel.items)
            if (exprMissing(item.expr))
                return true;
        for (const auto& g : sel.groupBy)
            if (exprMissing(g))
                return true;
        for (const auto& [all, other] : sel.unions)
            if (selectMissing(*other))
                return true;
        return false;
    };
    // A derived table shows the names of its select list (its own columns are checked with it).
    std::function<void(SelectStmt&, const Scope*)> checkSelect;
    derivedSource = [&](const TableRef& ref, Source& out) -> bool {
        if (selectMissing(*ref.derived))
            return false;
        out = Source {};
        out.alias = ref.alias;
        out.tableName = ref.alias;
        for (const SelectItem& item : ref.derived->items) {
            SourceColumn c;
            c.name = !item.alias.isEmpty() ? item.alias
                     : item.expr && item.expr->kind == ExprKind::Column && !item.expr->parts.isEmpty()
                         ? item.expr->parts.last()
                         : QString();
            if (item.star || c.name.isEmpty() || !item.assignVariable.isEmpty())
                return false;
            out.columns.push_back(c);
        }
        checkSelect(*ref.derived, nullptr);
        return true;
    };
    // Binds an expression and the subqueries inside it; only a missing or ambiguous column fails here.
    std::function<void(const ExprPtr&, const Scope&)> checkExpr;
    checkSelect = [&](SelectStmt& sel, const Scope* parent) {
        std::vector<Source> sources;
        for (const TableRef& ref : sel.from) {
            Source src;
            if (!sourceFor(ref, src))
                return;
            sources.push_back(std::move(src));
        }
        Scope scope;
        scope.sources = &sources;
        scope.parent = parent;
        for (SelectItem& item : sel.items)
            if (!item.star)
                checkExpr(item.expr, scope);
        for (TableRef& ref : sel.from)
            checkExpr(ref.on, scope);
        checkExpr(sel.where, scope);
        for (auto& g : sel.groupBy)
            checkExpr(g, scope);
        checkExpr(sel.having, scope);
        for (auto& [all, other] : sel.unions)
            checkSelect(*other, parent);
    };
    checkExpr = [&](const ExprPtr& e, const Scope& scope) {
        if (!e)
            return;
        if (e->subquery)
            checkSelect(*e->subquery, &scope);
        if (e->kind == ExprKind::Subquery || e->kind == ExprKind::Exists)
            return;
        if (e->kind == ExprKind::Function && e->name == QLatin1String("UPDATE"))
            return;
        if (e->kind == ExprKind::Column) {
            try {
                bind(*e, scope);
            } catch (const SqlError& err) {
                if (err.message.number == 207 || err.message.number == 209)
                    throw;
                // Other binding errors (an alias of a table not yet there ...) wait for the run.
            }
            return;
        }
        for (auto& a : e->args)
            checkExpr(a, scope);
        checkExpr(e->caseOperand, scope);
        checkExpr(e->elseExpr, scope);
    };
    // Only the subqueries of an expression that stands outside any query (IF, SET, RETURN ...).
    std::function<void(const ExprPtr&, const Scope&)> checkSubqueries = [&](const ExprPtr& e, const Scope& scope) {
        if (!e)
            return;
        if (e->subquery) {
            checkSelect(*e->subquery, &scope);
            return;
        }
        for (auto& a : e->args)
            checkSubqueries(a, scope);
        checkSubqueries(e->caseOperand, scope);
        checkSubqueries(e->elseExpr, scope);
    };
    auto checkTarget = [&](const QStringList& target, std::vector<TableRef> refs, const std::vector<Assignment>* sets,
                           const ExprPtr& where) {
        // A target named by the alias of a FROM source is that source, not a table to look for.
        const bool byAlias = target.size() == 1 && std::any_of(refs.begin(), refs.end(), [&](const TableRef& ref) {
                                 return !ref.alias.isEmpty() && collationKey(ref.alias) == collationKey(target[0]);
                             });
        if ((!byAlias && tableMissing(target)) || refsMissing(refs) || exprMissing(where))
            return;
        if (sets)
            for (const Assignment& a : *sets)
                if (exprMissing(a.value))
                    return;
        // The target is a source of the FROM clause by alias or by table name, else a source of its own.
        bool found = false;
        for (const TableRef& ref : refs)
            found |= (target.size() == 1 && !ref.alias.isEmpty() && collationKey(ref.alias) == collationKey(target[0]))
                     || (!ref.derived && !ref.isFunction && !ref.name.isEmpty()
                         && collationKey(ref.name.last()) == collationKey(target.last()));
        if (!found) {
            TableRef t;
            t.name = target;
            refs.push_back(t);
        }
        std::vector<Source> sources;
        int targetSlot = -1;
        for (size_t i = 0; i < refs.size(); ++i) {
            Source src;
            if (!sourceFor(refs[i], src))
                return;
            if (collationKey(src.qualifier()) == collationKey(target.last()) ||
                collationKey(src.tableName) == collationKey(target.last()))
                targetSlot = int(i);
            sources.push_back(std::move(src));
        }
        Scope scope;
        scope.sources = &sources;
        if (sets && targetSlot >= 0) {
            for (const Assignment& a : *sets) {
                if (!a.column.isEmpty()) {
                    const Source& t = sources[targetSlot];
                    bool has = false;
                    for (const SourceColumn& c : t.columns)
                        has |= collationKey(c.name) == collationKey(a.column.last());
                    if (!has)
                        throw invalidColumn(a.column.last());
                }
                checkExpr(a.value, scope);
            }
        }
        for (TableRef& ref : refs)
            checkExpr(ref.on, scope);
        checkExpr(where, scope);
    };
    // UPDATE(column) names a column of the trigger's table.
    std::function<void(const ExprPtr&)> checkUpdated = [&](const ExprPtr& e) {
        if (!e)
            return;
        if (e->kind == ExprKind::Function && e->name == QLatin1String("UPDATE") && triggerTable && !e->args.empty() &&
            triggerTable->columnIndex(e->args[0]->parts.last()) < 0)
            throw invalidColumn(e->args[0]->parts.last());
        for (auto& a : e->args)
            checkUpdated(a);
    };
    std::function<void(const StmtPtr&)> checkStatement = [&](const StmtPtr& st) {
        if (!st)
            return;
        // The subqueries of a condition or a value stand on their own.
        const Scope none;
        auto checkValue = [&](const ExprPtr& e) {
            if (e && !exprMissing(e))
                checkSubqueries(e, none);
        };
        switch (st->kind) {
        case StmtKind::Select:
            if (!selectMissing(*static_cast<SelectStatement&>(*st).select))
                checkSelect(*static_cast<SelectStatement&>(*st).select, nullptr);
            return;
        case StmtKind::SetVariable:
            checkValue(static_cast<SetVariableStatement&>(*st).assignment.value);
            return;
        case StmtKind::Declare:
            for (const VariableDecl& d : static_cast<DeclareStatement&>(*st).variables)
                checkValue(d.init);
            return;
        case StmtKind::Return:
            checkValue(static_cast<ReturnStatement&>(*st).value);
            return;
        case StmtKind::Update: {
            auto& u = static_cast<UpdateStatement&>(*st);
            checkTarget(u.target, u.from, &u.sets, u.where);
            return;
        }
        case StmtKind::Delete: {
            auto& d = static_cast<DeleteStatement&>(*st);
            checkTarget(d.target, d.from, nullptr, d.where);
            return;
        }
        case StmtKind::Insert: {
            auto& i = static_cast<InsertStatement&>(*st);
            if (auto t = isPseudoTable(i.table) ? nullptr : findTable(i.table); t && isDbo(i.table))
                for (const QString& c : i.columns)
                    if (t->columnIndex(c) < 0)
                        throw invalidColumn(c);
            if (i.select && !selectMissing(*i.select))
                checkSelect(*i.select, nullptr);
            for (const auto& row : i.values)
                for (const ExprPtr& v : row)
                    checkValue(v);
            return;
        }
        case StmtKind::Cursor: {
            auto& c = static_cast<CursorStatement&>(*st);
            if (c.select && !selectMissing(*c.select))
                checkSelect(*c.select, nullptr);
            return;
        }
        case StmtKind::Block:
            for (const StmtPtr& child : static_cast<BlockStatement&>(*st).body)
                checkStatement(child);
            return;
        case StmtKind::If:
            checkUpdated(static_cast<IfStatement&>(*st).condition);
            checkValue(static_cast<IfStatement&>(*st).condition);
            checkStatement(static_cast<IfStatement&>(*st).thenBranch);
            checkStatement(static_cast<IfStatement&>(*st).elseBranch);
            return;
        case StmtKind::While:
            checkValue(static_cast<WhileStatement&>(*st).condition);
            checkStatement(static_cast<WhileStatement&>(*st).body);
            return;
        default:
            return;
        }
    };
    for (const StmtPtr& st : s.body)
        checkStatement(st);
}

// --- procedures and functions -------------------------------------------------------------------

void Executor::runProcedure(const std::shared_ptr<const Module>& module, ExecStatement& s)
{
    const auto& params = module->parameters;
    std::vector<std::optional<Value>> values(params.size());
    std::vector<const ExecArgument*> byParameter(params.size(), nullptr);
    Scope scope;
    EvalContext ctx;
    ctx.scope = &scope;
    size_t position = 0;
    bool named = false;
    for (ExecArgument& a : s.arguments) {
        size_t index;
        if (a.parameter.isEmpty()) {
            if (named)
                throw sqlError(119, QStringLiteral("Must pass parameter number %1 and subsequent parameters as '@name = "
                                                   "value'. After the form '@name = value' has been used, all subsequent "
                                                   "parameters must be passed in the form '@name = value'.")
                                        .arg(position + 1), 15);
            index = position++;
            if (index >= params.size())
                throw sqlError(8144, QStringLiteral("Procedure or function %1 has too many arguments specified.")
                                         .arg(module->name));
        } else {
            named = true;
            auto it = std::find_if(params.begin(), params.end(), [&](const Parameter& p) {
                return p.name.compare(a.parameter, Qt::CaseInsensitive) == 0;
            });
            if (it == params.end())
                throw sqlError(8145, QStringLiteral("%1 is not a parameter for procedure %2.").arg(a.parameter, module->name));
            index = size_t(it - params.begin());
        }
        byParameter[index] = &a;
        if (!a.isDefault) {
            bind(*a.value, scope);
            values[index] = eval(*a.value, ctx);
        }
    }
    Frame frame;
    for (size_t i = 0; i < params.size(); ++i) {
        const Parameter& p = params[i];
        Value v;
        if (values[i]) {
            v = *values[i];
        } else if (p.defaultValue) {
            v = evaluateStandalone(*p.defaultValue);
        } else if (!p.output || !byParameter[i]) {
            throw sqlError(201, QStringLiteral("Procedure or function '%1' expects parameter '%2', which was not supplied.")
                                    .arg(module->name, p.name));
        }
        frame.variables[p.name.toLower()] = Variable {p.name, p.type, assign(v, p.type, true), nullptr};
    }
    const Flow flow = callModule(module, frame);
    // OUTPUT arguments take the parameters' last values; EXEC @r = p the return status (0 unless RETURN n).
    for (size_t i = 0; i < params.size(); ++i) {
        const ExecArgument* a = byParameter[i];
        if (!a || !a->output || !params[i].output || !a->value || a->value->kind != ExprKind::Variable)
            continue;
        if (Variable* target = findVariable(a->value->name))
            target->value = assign(frame.variables[params[i].name.toLower()].value, target->type, true);
    }
    if (!s.returnVariable.isEmpty()) {
        Variable* target = findVariable(s.returnVariable);
        if (!target)
            throw undeclaredVariable(s.returnVariable);
        Value status = frame.returnValue && !frame.returnValue->isNull() ? *frame.returnValue : intValue(0);
        target->value = assign(status, target->type, true);
    }
    if (flow == Flow::AbortBatch)
        abortBatch_ = true;
}

Value Executor::callFunction(const Expr& e, const EvalContext& ctx)
{
    auto module = findModule(e.parts);
    if (!module || module->kind != ModuleKind::Function)
        throw sqlError(4121, QStringLiteral("Cannot find either column \"%1\" or the user-defined function or aggregate "
                                            "\"%2\", or the name is ambiguous.")
                                 .arg(e.parts.first(), e.parts.join(QLatin1Char('.'))));
    const auto& params = module->parameters;
    if (e.args.size() < params.size())
        throw sqlError(313, QStringLiteral("An insufficient number of arguments were supplied for the procedure or "
                                           "function %1.").arg(e.parts.join(QLatin1Char('.'))));
    if (e.args.size() > params.size())
        throw sqlError(8144, QStringLiteral("Procedure or function %1 has too many arguments specified.")
                                 .arg(e.parts.join(QLatin1Char('.'))));
    Frame frame;
    for (size_t i = 0; i < params.size(); ++i) {
        const Parameter& p = params[i];
        Value v;
        if (e.args[i]->kind == ExprKind::Default) {
            if (p.defaultValue)
                v = evaluateStandalone(*p.defaultValue);
        } else {
            v = eval(*e.args[i], ctx);
        }
        frame.variables[p.name.toLower()] = Variable {p.name, p.type, assign(v, p.type, true), nullptr};
    }
    try {
        callModule(module, frame);
    } catch (const TryJump& jump) {
        throw jump.error;  // a function's error is an error of the statement that called it
    }
    if (!frame.returnValue)
        return nullValue(module->returns);
    return assign(*frame.returnValue, module->returns, true);
}

// --- triggers -----------------------------------------------------------------------------------

namespace {

bool firesOn(const Module& m, char event)
{
    return !m.disabled && ((event == 'I' && m.onInsert) || (event == 'U' && m.onUpdate) || (event == 'D' && m.onDelete));
}

}  // namespace

bool Executor::hasTriggers(const Database& db, const Table& t, char event) const
{
    for (const auto& m : db.triggersOf(t.name))
        if (firesOn(*m, event) && m != frame_->module)
            return true;
    return false;
}

std::shared_ptr<Table> Executor::pseudoTable(const Table& t, std::vector<Row> rows) const
{
    auto p = std::make_shared<Table>();
    p->name = t.name;
    p->columns = t.columns;
    p->rows.reserve(rows.size());
    for (Row& row : rows)
        p->rows.push_back(std::make_unique<Row>(std::move(row)));
    return p;
}

void Executor::fireTriggers(const std::shared_ptr<Database>& db, const Table& t, char event, std::vector<Row> inserted,
                            std::vector<Row> deleted, std::vector<char> updatedColumns, int64_t count)
{
    std::shared_ptr<Table> insertedTable, deletedTable;
    for (const auto& m : db->triggersOf(t.name)) {
        // A trigger's own statements do not fire it again (no direct recursion); others nest.
        if (!firesOn(*m, event) || m == frame_->module)
            continue;
        if (!insertedTable) {
            insertedTable = pseudoTable(t, std::move(inserted));
            deletedTable = pseudoTable(t, std::move(deleted));
        }
        Frame frame;
        frame.inserted = insertedTable;
        frame.deleted = deletedTable;
        frame.updatedColumns = updatedColumns;
        session_.lastRowCount = count;  // @@ROWCOUNT, as the trigger begins, counts the firing statement's rows
        try {
            callModule(m, frame);
        } catch (const SqlError&) {
            triggerFailed_ = true;
            throw;
        } catch (const TryJump& jump) {
            // Bound for a CATCH block outside the trigger: it fails the firing statement first.
            triggerFailed_ = true;
            throw jump.error;
        }
        if (endedInTrigger_)
            throw sqlError(3609, QStringLiteral("The transaction ended in the trigger. The batch has been aborted."));
    }
}

// ENABLE/DISABLE TRIGGER: a disabled trigger stays in the catalog and does not fire. ON DATABASE and
// ON ALL SERVER name DDL and logon triggers, of which there are none here: ALL changes nothing.
void Executor::runEnableTrigger(EnableTriggerStatement& s)
{
    auto notFound = [](const QStringList& name) {
        return sqlError(1088, QStringLiteral("Cannot find the object \"%1\" because it does not exist or you do not have "
                                             "permissions.").arg(name.join(QLatin1Char('.'))));
    };
    if (s.table.isEmpty()) {
        if (!s.triggers.empty())
            throw notFound(s.triggers.front());
        return;
    }
    std::shared_ptr<Database> db;
    auto t = findTable(s.table, &db);
    if (!t) {
        if (s.alterTable)
            throw sqlError(4902, QStringLiteral("Cannot find the object \"%1\" because it does not exist or you do not "
                                                "have permissions.").arg(s.table.join(QLatin1Char('.'))));
        throw notFound(s.table);
    }
    const auto triggers = db->triggersOf(t->name);
    std::vector<std::shared_ptr<Module>> chosen;
    if (s.triggers.empty())
        chosen = triggers;
    for (const QStringList& name : s.triggers) {
        auto it = std::find_if(triggers.begin(), triggers.end(),
                               [&](const auto& m) { return collationKey(m->name) == collationKey(name.last()); });
        if (it == triggers.end() || (name.size() >= 2 && collationKey(name[name.size() - 2]) != collationKey((*it)->schema))) {
            if (s.alterTable)
                throw sqlError(4920, QStringLiteral("ALTER TABLE failed because trigger '%1' does not belong to table '%2'.")
                                         .arg(name.last(), t->name));
            throw notFound(name);
        }
        chosen.push_back(*it);
    }
    for (const auto& m : chosen) {
        const bool before = m->disabled;
        m->disabled = !s.enable;
        undo_.push([m, before] { m->disabled = before; });
    }
}

}  // namespace standin
