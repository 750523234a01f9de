// Running a batch: statement by statement, each atomic, with SQL Server's rules on which
// errors end only the statement and which end the batch; modules run in call frames of their own.
#include "Errors.h"
#include "Executor.h"

#include <algorithm>

namespace standin {

namespace {

// Errors after which SQL Server ends the whole batch, not only the statement. Divide by zero (8134)
// and a subquery giving several values (512) end only their statement.
bool abortsBatch(int number)
{
    switch (number) {
    case 207: case 208: case 209: case 4104: case 137: case 245: case 241: case 8114: case 8115: case 8169:
    case 911: case 1013: case 195: case 174: case 147: case 529: case 2715:
    case 102: case 105: case 217: case 3609: case 3727: case 4121: case 201: case 8144: case 8145: case 111:
    case 1087:
        return true;
    default:
        return false;
    }
}

// Conversion errors inside a transaction end it: SQL Server rolls the whole transaction back
// whatever XACT_ABORT says. So does a failed drop of a constraint that is not there (3728, 3727).
bool rollsBackTransaction(int number)
{
    return number == 245 || number == 241 || number == 8114 || number == 8169 || number == 3727;
}

// Errors that end only their statement even under XACT_ABORT ON.
bool ignoresXactAbort(int number)
{
    return number == 3701;
}

// Errors after which SQL Server adds "The statement has been terminated."
bool terminates(int number)
{
    return number == 515 || number == 2627 || number == 8152 || number == 547 || number == 2601 || number == 544 ||
           number == 8102 || number == 3621;
}

ServerMessage info(int number, const QString& text)
{
    ServerMessage m;
    m.number = number;
    m.severity = 0;
    m.state = 1;
    m.text = text;
    return m;
}

// Statements refused inside an uncommittable transaction (3930).
bool writesLog(const Statement& s)
{
    switch (s.kind) {
    case StmtKind::Insert: case StmtKind::Update: case StmtKind::Delete: case StmtKind::CreateTable:
    case StmtKind::AlterTable: case StmtKind::DropTable: case StmtKind::TruncateTable: case StmtKind::CreateModule:
    case StmtKind::DropModule: case StmtKind::EnableTrigger:
        return true;
    case StmtKind::Transaction: {
        const auto action = static_cast<const TransactionStatement&>(s).action;
        return action == TransactionAction::Commit || action == TransactionAction::Save;
    }
    default:
        return false;
    }
}

bool changesData(StmtKind k)
{
    switch (k) {
    case StmtKind::Insert: case StmtKind::Update: case StmtKind::Delete: case StmtKind::CreateTable:
    case StmtKind::AlterTable: case StmtKind::DropTable: case StmtKind::TruncateTable: case StmtKind::CreateDatabase:
    case StmtKind::DropDatabase: case StmtKind::Exec: case StmtKind::Transaction: case StmtKind::CreateModule:
    case StmtKind::DropModule: case StmtKind::EnableTrigger:
        return true;
    default:
        return false;
    }
}

}  // namespace

void Executor::settleBatchStatement()
{
    if (session_.transactionCount > 0) {
        undo_.appendTo(session_.transactionLog, tranMark_);
    } else {
        undo_.commit();
        session_.savepoints.clear();  // set by SAVE TRAN in a trigger of an autocommit statement
    }
    tranMark_ = 0;
}

bool Executor::declaresOnly(const Statement& s)
{
    if (s.kind != StmtKind::Declare)
        return false;
    const auto& variables = static_cast<const DeclareStatement&>(s).variables;
    return std::none_of(variables.begin(), variables.end(), [](const VariableDecl& v) { return v.init != nullptr; });
}

BatchResult Executor::run(const std::vector<StmtPtr>& statements)
{
    BatchResult out;
    Frame batchFrame;
    const DateSettingsScope dates(&session_.dateSettings);
    batch_ = &out;
    frame_ = &batchFrame;
    // What SQL Server refuses when it compiles the batch stops it before its first statement.
    bool compiled = true;
    try {
        checkTableVariables(statements, {});
    } catch (const SqlError& e) {
        StatementResult r;
        recordError(r, e, e.message.line);
        out.statements.push_back(std::move(r));
        compiled = false;
    }
    const Flow flow = compiled ? runStatements(statements, out.statements) : Flow::AbortBatch;
    // A transaction that an error left uncommittable does not outlive its batch.
    if (doomed_ && session_.transactionCount > 0) {
        session_.transactionLog.rollback();
        session_.transactionCount = 0;
        session_.savepoints.clear();
        StatementResult r;
        r.failed = true;
        r.messages.push_back(sqlError(3998, QStringLiteral("Uncommittable transaction is detected at the end of the "
                                                           "batch. The transaction is rolled back.")).message);
        out.statements.push_back(std::move(r));
    }
    // RETURN ends the batch quietly; an error that ended it leaves the rest unrun.
    out.aborted = flow == Flow::AbortBatch;
    out.cancelled = cancelled_;
    frame_ = nullptr;
    batch_ = nullptr;
    return out;
}

Executor::Flow Executor::runStatements(const std::vector<StmtPtr>& body, std::vector<StatementResult>& out)
{
    for (const StmtPtr& s : body) {
        const Flow f = runStatement(*s, out);
        if (f != Flow::Normal)
            return f;
    }
    return Flow::Normal;
}

void Executor::countStep()
{
    ++steps_;
    if (engine_.stepBudget > 0 && steps_ > engine_.stepBudget) {
        stopping_ = true;
        throw sqlError(0, QStringLiteral("The batch ran more than %1 statements and was stopped (the step budget of this "
                                         "server).").arg(engine_.stepBudget));
    }
    if (session_.cancelRequested && (steps_ % 16) == 0 && session_.cancelRequested()) {
        stopping_ = true;
        cancelled_ = true;
        throw sqlError(0, QStringLiteral("The client cancelled the batch."), 11);
    }
}

void Executor::recordError(StatementResult& r, const SqlError& e, int line)
{
    r.failed = true;
    r.resultSet.reset();
    r.rowCount = -1;
    r.messages.push_back(e.message);
    for (auto& m : r.messages) {
        if (!m.procedure.isEmpty())
            continue;
        if (m.line <= 1)
            m.line = line;
        if (inModule())
            m.procedure = frame_->module->name;
    }
    if (terminates(e.message.number)) {
        ServerMessage m = info(3621, QStringLiteral("The statement has been terminated."));
        m.line = line;
        if (inModule())
            m.procedure = frame_->module->name;
        r.messages.push_back(m);
    }
    session_.lastError = e.message.number;
    session_.lastRowCount = 0;
}

// An error inside a trigger or a function belongs to the statement that called it: it leaves
// the frame, carrying the module's name and line.
[[noreturn]] static void rethrowFromModule(const SqlError& e, const Module& module, int line)
{
    SqlError copy = e;
    if (copy.message.procedure.isEmpty()) {
        copy.message.procedure = module.name;
        if (copy.message.line <= 1)
            copy.message.line = line;
    }
    throw copy;
}

bool Executor::runControl(Statement& s, std::vector<StatementResult>& out, const std::function<void()>& work, Flow& flow)
{
    StatementResult r;
    std::vector<StatementResult> nested;
    nested_ = &nested;
    messages_ = &r.messages;
    subqueryCache_.clear();
    subqueryTypes_.clear();
    outerReferences_ = 0;
    bool ok = true;
    try {
        countStep();
        work();
    } catch (const SqlError& e) {
        nested_ = nullptr;
        messages_ = nullptr;
        if (catchable(e)) {
            SqlError caught = e;
            locate(caught.message, s.line);
            triggerFailed_ = false;
            for (auto& n : nested)
                out.push_back(std::move(n));
            throw TryJump{caught};
        }
        if (propagates())
            rethrowFromModule(e, *frame_->module, s.line);
        recordError(r, e, s.line);
        if (inModule())
            r.inProcedure = true;
        ok = false;
        flow = abortsBatch(e.message.number) || stopping_ || std::exchange(triggerFailed_, false) ? Flow::AbortBatch
                                                                                                    : Flow::Normal;
    }
    nested_ = nullptr;
    messages_ = nullptr;
    if (ok)
        session_.lastError = 0;
    for (auto& n : nested)
        out.push_back(std::move(n));
    if (!ok || !r.messages.empty())
        out.push_back(std::move(r));
    if (ok && std::exchange(abortBatch_, false)) {
        flow = Flow::AbortBatch;
        return false;
    }
    return ok;
}

Executor::Flow Executor::runStatement(Statement& s, std::vector<StatementResult>& out)
{
    switch (s.kind) {
    case StmtKind::Block:
        return runStatements(static_cast<BlockStatement&>(s).body, out);
    case StmtKind::If: {
        auto& st = static_cast<IfStatement&>(s);
        std::optional<bool> cond;
        Flow flow = Flow::Normal;
        if (!runControl(s, out, [&] {
                Scope scope;
                EvalContext ctx;
                ctx.scope = &scope;
                bind(*st.condition, scope);
                cond = test(*st.condition, ctx);
            }, flow))
            return flow;  // a failing condition skips both branches
        if (cond == true)
            return runStatement(*st.thenBranch, out);
        if (st.elseBranch)
            return runStatement(*st.elseBranch, out);
        return Flow::Normal;
    }
    case StmtKind::While: {
        auto& st = static_cast<WhileStatement&>(s);
        while (true) {
            std::optional<bool> cond;
            Flow flow = Flow::Normal;
            if (!runControl(s, out, [&] {
                    Scope scope;
                    EvalContext ctx;
                    ctx.scope = &scope;
                    bind(*st.condition, scope);
                    cond = test(*st.condition, ctx);
                }, flow))
                return flow;
            if (cond != true)
                break;
            const Flow f = runStatement(*st.body, out);
            if (f == Flow::Break)
                break;
            if (f != Flow::Normal && f != Flow::Continue)
                return f;
        }
        return Flow::Normal;
    }
    case StmtKind::Try:
        return runTry(static_cast<TryStatement&>(s), out);
    case StmtKind::Break:
        return Flow::Break;
    case StmtKind::Continue:
        return Flow::Continue;
    case StmtKind::Return: {
        auto& st = static_cast<ReturnStatement&>(s);
        if (st.value) {
            Flow flow = Flow::Normal;
            if (!runControl(s, out, [&] {
                    Scope scope;
                    EvalContext ctx;
                    ctx.scope = &scope;
                    bind(*st.value, scope);
                    frame_->returnValue = eval(*st.value, ctx);
                }, flow))
                return flow;
        }
        session_.lastRowCount = 1;  // RETURN is a simple assignment
        return Flow::Return;
    }
    default:
        break;
    }
    StatementResult r;
    std::vector<StatementResult> nested;
    nested_ = &nested;
    messages_ = &r.messages;
    subqueryCache_.clear();
    subqueryTypes_.clear();
    outerReferences_ = 0;
    const size_t mark = undo_.size();
    const size_t outerAutocommit = autocommitMark_;
    if (!propagates())
        autocommitMark_ = mark;
    bool abort = false;
    try {
        countStep();
        if (doomed_ && session_.transactionCount > 0 && writesLog(s))
            throw sqlError(3930, QStringLiteral("The current transaction cannot be committed and cannot support "
                                                "operations that write to the log file. Roll back the transaction."));
        if (s.kind == StmtKind::Throw)
            runThrow(static_cast<ThrowStatement&>(s));
        execute(s, r);
        undo_.settle(mark);  // what it did to table variables stays, whatever becomes of its transaction
        if (!inModule())
            settleBatchStatement();
        // RAISERROR fails its statement without an exception; a DECLARE without initial values runs nothing
        // and leaves @@ERROR as it was.
        if (!r.failed && !declaresOnly(s))
            session_.lastError = 0;
        if (r.rowCount >= 0)
            session_.lastRowCount = r.rowCount;
        abort = std::exchange(abortBatch_, false);
    } catch (const TryJump&) {
        // An error on its way to a CATCH block: the statement that raised it is undone already; this
        // one (an EXEC, or a statement whose trigger or function failed) keeps what ran before it.
        autocommitMark_ = outerAutocommit;
        nested_ = nullptr;
        messages_ = nullptr;
        if (!inModule())
            settleBatchStatement();
        if (changesData(s.kind))
            batch_->changedData = true;
        for (auto& n : nested)
            out.push_back(std::move(n));
        throw;
    } catch (const SqlError& e) {
        if (!endedInTrigger_)
            undo_.rollbackTo(mark);
        autocommitMark_ = outerAutocommit;
        if (catchable(e)) {
            SqlError caught = e;
            locate(caught.message, s.line);
            const bool fromTrigger = std::exchange(triggerFailed_, false);
            // Where the error would have ended the transaction, a CATCH block finds it uncommittable.
            if (session_.transactionCount > 0 && !endedInTrigger_ &&
                (fromTrigger || (session_.xactAbort && !ignoresXactAbort(e.message.number)) ||
                 rollsBackTransaction(e.message.number)))
                doomed_ = true;
            // A trigger runs inside the transaction of its statement, an autocommit one too: the error that left
            // it dooms that transaction, which the CATCH block then finds open (@@TRANCOUNT 1, XACT_STATE() -1).
            if (session_.transactionCount == 0 && !endedInTrigger_ && fromTrigger) {
                session_.transactionCount = 1;
                session_.transactionName.clear();
                tranMark_ = undo_.size();
                doomed_ = true;
            }
            endedInTrigger_ = false;
            abortBatch_ = false;
            thrown_ = false;
            nested_ = nullptr;
            messages_ = nullptr;
            if (!inModule())
                settleBatchStatement();
            if (changesData(s.kind))
                batch_->changedData = true;
            session_.lastError = e.message.number;
            for (auto& n : nested)
                out.push_back(std::move(n));
            throw TryJump{caught};
        }
        if (propagates()) {
            nested_ = nullptr;
            messages_ = nullptr;
            rethrowFromModule(e, *frame_->module, s.line);
        }
        // An error that leaves a trigger, a conversion error, or any error under XACT_ABORT ends the batch
        // and takes back the open transaction.
        // A cancel is no error: it undoes the statement, and the transaction stays open unless XACT_ABORT is on.
        const bool fromTrigger = std::exchange(triggerFailed_, false) && !cancelled_;
        const bool xactAbort = session_.xactAbort && !ignoresXactAbort(e.message.number);
        if ((fromTrigger || xactAbort || rollsBackTransaction(e.message.number)) && session_.transactionCount > 0) {
            undo_.rollbackTo(tranMark_);
            session_.transactionLog.rollback();
            session_.transactionCount = 0;
            session_.savepoints.clear();
        }
        if (!inModule()) {
            undo_.commit();  // what is left (the work before a ROLLBACK in a trigger) stays
            tranMark_ = 0;
        }
        recordError(r, e, s.line);
        abort = fromTrigger || xactAbort || abortsBatch(e.message.number) || stopping_ || endedInTrigger_ ||
                std::exchange(thrown_, false);
        abortBatch_ = false;
    }
    autocommitMark_ = outerAutocommit;
    nested_ = nullptr;
    messages_ = nullptr;
    if (!r.failed && changesData(s.kind))
        batch_->changedData = true;
    // SET NOCOUNT ON: no counts to the client (@@ROWCOUNT is kept). Without it the statements of
    // triggers and procedures send their counts too (DONEINPROC), before the firing statement's own.
    if (session_.nocount && !r.failed)
        r.rowCount = -1;
    for (auto& n : nested)
        out.push_back(std::move(n));
    if (inModule()) {
        r.inProcedure = true;
        // Statements of a module that have nothing to tell the client stay out of the results.
        if (!r.resultSet && r.rowCount < 0 && r.messages.empty() && !r.failed)
            return abort ? Flow::AbortBatch : Flow::Normal;
    }
    out.push_back(std::move(r));
    return abort ? Flow::AbortBatch : Flow::Normal;
}

void Executor::execute(Statement& s, StatementResult& r)
{
    CommonTableScope commonTables(*this, s.with);
    switch (s.kind) {
    case StmtKind::Select: {
        auto& st = static_cast<SelectStatement&>(s);
        if (!st.select->into.isEmpty()) {
            runSelectInto(*st.select, r);
            return;
        }
        ResultSet rs = runSelect(*st.select, nullptr, nullptr);
        if (rs.columns.empty()) {
            r.rowCount = session_.lastRowCount;  // variable assignment
            return;
        }
        r.rowCount = int64_t(rs.rows.size());
        r.resultSet = std::move(rs);
        return;
    }
    case StmtKind::Insert:
        runInsert(static_cast<InsertStatement&>(s), r);
        return;
    case StmtKind::Update:
        runUpdate(static_cast<UpdateStatement&>(s), r);
        return;
    case StmtKind::Delete:
        runDelete(static_cast<DeleteStatement&>(s), r);
        return;
    case StmtKind::CreateTable:
        runCreateTable(static_cast<CreateTableStatement&>(s));
        return;
    case StmtKind::AlterTable:
        runAlterTable(static_cast<AlterTableStatement&>(s));
        return;
    case StmtKind::DropTable:
        runDropTable(static_cast<DropTableStatement&>(s));
        return;
    case StmtKind::TruncateTable: {
        auto& st = static_cast<TruncateStatement&>(s);
        std::shared_ptr<Database> db;
        auto t = findTable(st.table, &db);
        if (!t)
            throw sqlError(4701, QStringLiteral("Cannot find the object \"%1\" because it does not exist or you do not "
                                                "have permissions.").arg(st.table.join(QLatin1Char('.'))));
        // A table a foreign key references (its own included, enabled or not) is emptied with DELETE only.
        for (const auto& [key, other] : db->tables)
            for (const OtherConstraint& o : other->others)
                if (o.kind == ConstraintKind::ForeignKey && collationKey(o.refTable) == collationKey(t->name))
                    throw sqlError(4712, QStringLiteral("Cannot truncate table '%1' because it is being referenced by "
                                                        "a FOREIGN KEY constraint.")
                                             .arg(st.table.join(QLatin1Char('.'))));
        auto copy = t->clone();
        copy->rows.clear();
        copy->identityUsed = false;
        copy->identityLast = 0;
        replaceTable(db, t, copy);
        return;
    }
    case StmtKind::CreateDatabase: {
        auto& st = static_cast<DatabaseStatement&>(s);
        if (engine_.findDatabase(st.name))
            throw sqlError(1801, QStringLiteral("Database '%1' already exists. Choose a different database name.").arg(st.name));
        auto db = std::make_shared<Database>();
        db->name = st.name;
        const QString key = collationKey(st.name);
        engine_.databases[key] = db;
        undo_.push([engine = &engine_, key] { engine->databases.erase(key); });
        return;
    }
    case StmtKind::DropDatabase: {
        auto& st = static_cast<DatabaseStatement&>(s);
        auto db = engine_.findDatabase(st.name);
        if (!db)
            throw sqlError(3701, QStringLiteral("Cannot drop the database '%1', because it does not exist or you do not "
                                                "have permission.").arg(st.name), 11, 1);
        if (db == session_.temp->db)
            throw sqlError(
                3708, QStringLiteral("Cannot drop the database '%1' because it is a system database.").arg(db->name));
        if (collationKey(session_.database) == collationKey(db->name))
            throw sqlError(3702, QStringLiteral("Cannot drop database \"%1\" because it is currently in use.").arg(db->name));
        const QString key = collationKey(db->name);
        engine_.databases.erase(key);
        undo_.push([engine = &engine_, key, db] { engine->databases[key] = db; });
        return;
    }
    case StmtKind::Use: {
        auto& st = static_cast<DatabaseStatement&>(s);
        auto db = engine_.findDatabase(st.name);
        if (!db)
            throw sqlError(911, QStringLiteral("Database '%1' does not exist. Make sure that the name is entered correctly.")
                                    .arg(st.name));
        session_.database = db->name;
        ServerMessage m = info(5701, QStringLiteral("Changed database context to '%1'.").arg(db->name));
        r.messages.push_back(m);
        return;
    }
    case StmtKind::SetOption:
        runSetOption(static_cast<SetOptionStatement&>(s), r);
        return;
    case StmtKind::SetVariable: {
        auto& st = static_cast<SetVariableStatement&>(s);
        Variable* var = findVariable(st.assignment.variable);
        if (!var)
            throw undeclaredVariable(st.assignment.variable);
        Scope scope;
        EvalContext ctx;
        ctx.scope = &scope;
        bind(*st.assignment.value, scope);
        Value v = eval(*st.assignment.value, ctx);
        if (st.assignment.compound)
            v = binary(*st.assignment.compound, var->value, v);
        var->value = assign(v, var->type, true);
        return;
    }
    case StmtKind::Declare: {
        auto& st = static_cast<DeclareStatement&>(s);
        for (VariableDecl& d : st.variables) {
            const QString key = d.name.toLower();
            if (frame_->variables.count(key) && frame_->declarations.count(&d)) {
                // A DECLARE met again (in a loop) declares nothing new: a table variable keeps its rows,
                // a scalar keeps its value unless the DECLARE assigns one.
                if (d.init && !d.table) {
                    Scope scope;
                    EvalContext ctx;
                    ctx.scope = &scope;
                    bind(*d.init, scope);
                    frame_->variables[key].value = assign(eval(*d.init, ctx), d.type, true);
                }
                continue;
            }
            if (frame_->variables.count(key))
                throw sqlError(134, QStringLiteral("The variable name '%1' has already been declared. Variable names must "
                                                   "be unique within a query batch or stored procedure.").arg(d.name), 15);
            if (d.table) {
                declareTableVariable(d);
                frame_->declarations.insert(&d);
                continue;
            }
            Variable v;
            v.name = d.name;
            v.type = d.type;
            v.value = nullValue(d.type);
            if (d.init) {
                Scope scope;
                EvalContext ctx;
                ctx.scope = &scope;
                bind(*d.init, scope);
                v.value = assign(eval(*d.init, ctx), d.type, true);
            }
            frame_->variables[key] = v;
            frame_->declarations.insert(&d);
        }
        return;
    }
    case StmtKind::Exec:
        runExec(static_cast<ExecStatement&>(s), r);
        return;
    case StmtKind::Print: {
        auto& st = static_cast<PrintStatement&>(s);
        Scope scope;
        EvalContext ctx;
        ctx.scope = &scope;
        bind(*st.value, scope);
        Value v = eval(*st.value, ctx);
        r.messages.push_back(info(0, v.isNull() ? QString() : toText(v)));
        r.messages.back().line = s.line;
        return;
    }
    case StmtKind::Transaction: {
        auto& st = static_cast<TransactionStatement&>(s);
        // A transaction or savepoint name held in a variable is cut to 32 characters.
        QString name = st.name;
        if (name.startsWith(u'@')) {
            Variable* var = findVariable(name);
            if (!var)
                throw undeclaredVariable(name);
            name = var->value.isNull() ? QString() : toText(var->value).left(32);
        }
        // Changes of statements inside a transaction stay in its log until COMMIT ends the
        // outermost transaction or ROLLBACK takes them back.
        if (st.action == TransactionAction::Begin) {
            if (session_.transactionCount++ == 0) {
                doomed_ = false;
                tranMark_ = undo_.size();
                session_.transactionName = name;
            }
        } else if (st.action == TransactionAction::Commit) {
            if (inTrigger() && session_.transactionCount <= 1) {
                // COMMIT in a trigger ends the transaction the firing statement runs in: its work stays, and
                // the batch ends when the trigger is done (3609).
                session_.transactionCount = 0;
                session_.transactionLog.commit();
                session_.savepoints.clear();
                undo_.commit();
                endedInTrigger_ = true;
                return;
            }
            if (session_.transactionCount == 0)
                throw sqlError(3902, QStringLiteral("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."));
            if (--session_.transactionCount == 0) {
                session_.transactionLog.commit();
                session_.savepoints.clear();
            }
        } else if (st.action == TransactionAction::Save) {
            // A trigger always runs inside a transaction: in autocommit, that of its firing statement.
            if (session_.transactionCount == 0 && !inTrigger())
                throw sqlError(628, QStringLiteral("Cannot issue SAVE TRANSACTION when there is no active transaction."));
            // The position the savepoint will have in the transaction's log once the running statement's
            // work (still in the undo log, inside a procedure) joins it.
            session_.savepoints.emplace_back(name, session_.transactionLog.size() + (undo_.size() - tranMark_));
        } else {
            if (session_.transactionCount == 0 && !inTrigger())
                throw sqlError(3903, QStringLiteral("The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."));
            if (inTrigger() && name.isEmpty()) {
                // ROLLBACK in a trigger takes back the transaction up to here, the firing statement included
                // (in autocommit, the statement is the transaction); the trigger goes on, and the batch
                // ends when it is done (3609).
                undo_.rollbackTo(session_.transactionCount > 0 ? tranMark_ : autocommitMark_);
                session_.transactionLog.rollback();
                session_.savepoints.clear();
                session_.transactionCount = 0;
                endedInTrigger_ = true;
                return;
            }
            // Transaction and savepoint names are case-sensitive whatever the collation.
            if (!name.isEmpty()) {
                for (auto it = session_.savepoints.rbegin(); it != session_.savepoints.rend(); ++it) {
                    if (it->first == name) {
                        const size_t logged = session_.transactionLog.size();
                        if (it->second >= logged) {
                            undo_.rollbackTo(tranMark_ + (it->second - logged));
                        } else {
                            undo_.rollbackTo(tranMark_);
                            session_.transactionLog.rollbackTo(it->second);
                        }
                        session_.savepoints.erase(std::next(it).base(), session_.savepoints.end());
                        return;
                    }
                }
                // A name that is neither a savepoint nor the outermost transaction's rolls nothing back.
                if (name != session_.transactionName)
                    throw sqlError(6401, QStringLiteral("Cannot roll back %1. No transaction or savepoint of that name was found.")
                                             .arg(name));
            }
            session_.transactionLog.rollback();
            undo_.rollbackTo(tranMark_);
            session_.savepoints.clear();
            session_.transactionCount = 0;
        }
        return;
    }
    case StmtKind::CreateModule:
        runCreateModule(static_cast<CreateModuleStatement&>(s));
        return;
    case StmtKind::DropModule:
        runDropModule(static_cast<DropModuleStatement&>(s));
        return;
    case StmtKind::EnableTrigger:
        runEnableTrigger(static_cast<EnableTriggerStatement&>(s));
        return;
    case StmtKind::Cursor:
        runCursor(static_cast<CursorStatement&>(s), r);
        return;
    case StmtKind::Raiserror:
        runRaiserror(static_cast<RaiserrorStatement&>(s), r);
        return;
    case StmtKind::WaitFor:
        runWaitFor(static_cast<WaitForStatement&>(s));
        return;
    case StmtKind::Try: case StmtKind::Throw:
        return;  // steered by runStatement
    case StmtKind::Block: case StmtKind::If: case StmtKind::While: case StmtKind::Return: case StmtKind::Break:
    case StmtKind::Continue:
        return;
    }
}

bool Executor::identityInsertOn(const Database& db, const Table& t) const
{
    return session_.identityInsertTable != 0 && session_.identityInsertTable == t.objectId
           && collationKey(session_.identityInsertDatabase) == collationKey(db.name);
}

void Executor::runSetOption(SetOptionStatement& s, StatementResult& r)
{
    if (s.option == QLatin1String("IDENTITY_INSERT")) {
        if (s.arguments.size() < 2)
            throw syntaxError(s.option);
        QStringList name;
        for (int i = 0; i + 1 < s.arguments.size(); ++i)
            if (s.arguments[i] != QLatin1String("."))
                name << s.arguments[i];
        std::shared_ptr<Database> db;
        auto t = findTable(name, &db);
        if (!t)
            throw invalidObject(name.join(QLatin1Char('.')));
        if (!t->columns.empty() && t->identityColumn() < 0)
            throw sqlError(8106, QStringLiteral("Table '%1' does not have the identity property. Cannot perform SET "
                                                "operation.").arg(t->name));
        const bool on = s.arguments.last().compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0;
        // A session has IDENTITY_INSERT on for one table at a time; a SET option is not undone by ROLLBACK.
        if (on && session_.identityInsertTable != 0 && !identityInsertOn(*db, *t)) {
            auto otherDb = engine_.findDatabase(session_.identityInsertDatabase);
            std::shared_ptr<Table> other;
            if (otherDb)
                for (const auto& [key, candidate] : otherDb->tables)
                    if (candidate->objectId == session_.identityInsertTable)
                        other = candidate;
            if (other)
                throw sqlError(8107,
                               QStringLiteral("IDENTITY_INSERT is already ON for table '%1.%2.%3'. Cannot perform "
                                              "SET operation for table '%4'.")
                                   .arg(otherDb->name, other->schema, other->name, t->name));
        }
        if (on) {
            session_.identityInsertDatabase = db->name;
            session_.identityInsertTable = t->objectId;
        } else if (identityInsertOn(*db, *t)) {
            session_.identityInsertDatabase.clear();
            session_.identityInsertTable = 0;
        }
        return;
    }
    if (s.option == QLatin1String("NOCOUNT") || s.option == QLatin1String("XACT_ABORT")) {
        if (s.arguments.size() != 1)
            throw syntaxError(s.arguments.isEmpty() ? s.option : s.arguments.last());
        const bool on = s.arguments[0].compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0;
        if (!on && s.arguments[0].compare(QLatin1String("OFF"), Qt::CaseInsensitive) != 0)
            throw syntaxError(s.arguments[0]);
        (s.option == QLatin1String("NOCOUNT") ? session_.nocount : session_.xactAbort) = on;
        return;
    }
    if (s.option == QLatin1String("LANGUAGE") || s.option == QLatin1String("DATEFORMAT")
        || s.option == QLatin1String("DATEFIRST")) {
        if (s.arguments.size() != 1)
            throw syntaxError(s.arguments.isEmpty() ? s.option : s.arguments.last());
        QString value = s.arguments[0];
        if (value.startsWith(QLatin1Char('@'))) {
            const Variable* v = findVariable(value);
            if (!v)
                throw undeclaredVariable(value);
            value = v->value.isNull() ? QString() : toText(v->value);
        }
        DateSettings& settings = session_.dateSettings;
        if (s.option == QLatin1String("LANGUAGE")) {
            const Language* language = findLanguage(value);
            if (!language)
                throw sqlError(2740, QStringLiteral("SET LANGUAGE failed because '%1' is not an official language name "
                                                    "or a language alias on this SQL Server.")
                                         .arg(value));
            settings.setLanguage(*language);
            r.messages.push_back(
                info(5703, QStringLiteral("Changed language setting to %1.").arg(languageName(*language))));
            r.messages.back().line = s.line;
        } else if (s.option == QLatin1String("DATEFORMAT")) {
            static const QStringList orders {QStringLiteral("mdy"), QStringLiteral("dmy"), QStringLiteral("ymd"),
                                             QStringLiteral("ydm"), QStringLiteral("myd"), QStringLiteral("dym")};
            const QString order = value.trimmed().toLower();
            if (!orders.contains(order))
                throw sqlError(2741, QStringLiteral("SET DATEFORMAT date order '%1' is invalid.").arg(value));
            settings.order = order;
        } else {
            bool ok = false;
            const int first = value.trimmed().toInt(&ok);
            if (!ok || first < 1 || first > 7)
                throw sqlError(2742, QStringLiteral("SET DATEFIRST %1 is out of range.").arg(value.trimmed()));
            settings.dateFirst = first;
        }
        return;
    }
    // Other connection options (TEXTSIZE, ANSI_*, QUOTED_IDENTIFIER, LOCK_TIMEOUT, DATEFORMAT,
    // TRANSACTION ISOLATION LEVEL ...) are accepted; this server behaves as their usual settings.
}

namespace {

// One row of the data type catalogue the ODBC drivers read on connect (SQLGetTypeInfo).
struct TypeInfoRow {
    const char* name;
    int odbc2;           // DATA_TYPE under ODBC 2
    int odbc3;           // DATA_TYPE under ODBC 3 (date and time types differ)
    int precision;
    const char* prefix;  // nullptr: NULL
    const char* suffix;
    const char* createParams;
    int searchable;
    int unsignedAttr;    // -1: NULL (not a number)
    int money;
    int autoIncrement;   // -1: NULL
    int minScale;        // -1: NULL
    int maxScale;
    int radix;           // -1: NULL
    int userType;        // the classic systypes usertype, 0 for later types
};

const TypeInfoRow kTypeInfo[] = {
    {"sql_variant", -150, -150, 8000, nullptr, nullptr, nullptr, 2, -1, 0, -1, 0, 0, 10, 0},
    {"uniqueidentifier", -11, -11, 36, "'", "'", nullptr, 2, -1, 0, -1, -1, -1, -1, 0},
    {"ntext", -10, -10, 1073741823, "N'", "'", nullptr, 1, -1, 0, -1, -1, -1, -1, 0},
    {"nvarchar", -9, -9, 4000, "N'", "'", "max length", 3, -1, 0, -1, -1, -1, -1, 0},
    {"nchar", -8, -8, 4000, "N'", "'", "length", 3, -1, 0, -1, -1, -1, -1, 0},
    {"bit", -7, -7, 1, nullptr, nullptr, nullptr, 2, -1, 0, -1, 0, 0, -1, 16},
    {"tinyint", -6, -6, 3, nullptr, nullptr, nullptr, 2, 1, 0, 0, 0, 0, 10, 5},
    {"bigint", -5, -5, 19, nullptr, nullptr, nullptr, 2, 0, 0, 0, 0, 0, 10, 0},
    {"image", -4, -4, 2147483647, "0x", nullptr, nullptr, 0, -1, 0, -1, -1, -1, -1, 20},
    {"varbinary", -3, -3, 8000, "0x", nullptr, "max length", 2, -1, 0, -1, -1, -1, -1, 4},
    {"binary", -2, -2, 8000, "0x", nullptr, "length", 2, -1, 0, -1, -1, -1, -1, 3},
    {"text", -1, -1, 2147483647, "'", "'", nullptr, 1, -1, 0, -1, -1, -1, -1, 19},
    {"char", 1, 1, 8000, "'", "'", "length", 3, -1, 0, -1, -1, -1, -1, 1},
    {"numeric", 2, 2, 38, nullptr, nullptr, "precision,scale", 2, 0, 0, 0, 0, 38, 10, 10},
    {"decimal", 3, 3, 38, nullptr, nullptr, "precision,scale", 2, 0, 0, 0, 0, 38, 10, 24},
    {"money", 3, 3, 19, "$", nullptr, nullptr, 2, 0, 1, 0, 4, 4, 10, 11},
    {"smallmoney", 3, 3, 10, "$", nullptr, nullptr, 2, 0, 1, 0, 4, 4, 10, 21},
    {"int", 4, 4, 10, nullptr, nullptr, nullptr, 2, 0, 0, 0, 0, 0, 10, 7},
    {"smallint", 5, 5, 5, nullptr, nullptr, nullptr, 2, 0, 0, 0, 0, 0, 10, 6},
    {"float", 6, 6, 53, nullptr, nullptr, nullptr, 2, 0, 0, 0, -1, -1, 2, 8},
    {"real", 7, 7, 24, nullptr, nullptr, nullptr, 2, 0, 0, 0, -1, -1, 2, 23},
    {"date", 9, 91, 10, "'", "'", nullptr, 2, -1, 0, -1, -1, -1, -1, 0},
    {"time", 10, 92, 16, "'", "'", "scale", 2, -1, 0, -1, 0, 7, -1, 0},
    {"datetime", 11, 93, 23, "'", "'", nullptr, 2, -1, 0, -1, 3, 3, -1, 12},
    {"smalldatetime", 11, 93, 16, "'", "'", nullptr, 2, -1, 0, -1, 0, 0, -1, 22},
    {"datetime2", 11, 93, 27, "'", "'", "scale", 2, -1, 0, -1, 0, 7, -1, 0},
    {"varchar", 12, 12, 8000, "'", "'", "max length", 3, -1, 0, -1, -1, -1, -1, 2},
};

// sp_datatype_info [@data_type] [, @ODBCVer]: the engine's types, all of them for data type 0.
ResultSet dataTypeInfo(const Value& dataType, const Value& odbcVersion)
{
    const SqlType smallint{TypeId::SmallInt, 0, 0, 0};
    const SqlType integer{TypeId::Int, 0, 0, 0};
    const SqlType sysname{TypeId::NVarChar, 128, 0, 0};
    const SqlType text32{TypeId::VarChar, 32, 0, 0};
    const int wanted = dataType.isNull() ? 0 : int(std::get<int64_t>(convert(dataType, integer).data));
    const bool odbc3 = !odbcVersion.isNull() && std::get<int64_t>(convert(odbcVersion, integer).data) >= 3;

    ResultSet rs;
    auto column = [&](const char* name, const SqlType& type) {
        ColumnInfo c;
        c.name = QLatin1String(name);
        c.type = type;
        rs.columns.push_back(c);
    };
    column("TYPE_NAME", sysname);
    column("DATA_TYPE", smallint);
    column("PRECISION", integer);
    column("LITERAL_PREFIX", text32);
    column("LITERAL_SUFFIX", text32);
    column("CREATE_PARAMS", text32);
    for (const char* n : {"NULLABLE", "CASE_SENSITIVE", "SEARCHABLE", "UNSIGNED_ATTRIBUTE", "MONEY", "AUTO_INCREMENT"})
        column(n, smallint);
    column("LOCAL_TYPE_NAME", sysname);
    for (const char* n : {"MINIMUM_SCALE", "MAXIMUM_SCALE", "SQL_DATA_TYPE", "SQL_DATETIME_SUB", "NUM_PREC_RADIX",
                          "INTERVAL_PRECISION", "USERTYPE"})
        column(n, smallint);

    auto number = [&](int v, const SqlType& type) { return convert(intValue(v), type); };
    auto optional = [&](int v) { return v < 0 ? nullValue(smallint) : number(v, smallint); };
    auto str = [&](const char* v, const SqlType& type) {
        return v ? convert(stringValue(QLatin1String(v), type.id == TypeId::NVarChar), type) : nullValue(type);
    };
    for (const TypeInfoRow& t : kTypeInfo) {
        const int odbcType = odbc3 ? t.odbc3 : t.odbc2;
        if (wanted != 0 && wanted != odbcType)
            continue;
        // Date and time types: SQL_DATETIME (9) with the subcode 1 date, 2 time, 3 timestamp.
        const bool dated = t.odbc3 >= 91 && t.odbc3 <= 93;
        rs.rows.push_back({str(t.name, sysname), number(odbcType, smallint), number(t.precision, integer),
                           str(t.prefix, text32), str(t.suffix, text32), str(t.createParams, text32),
                           number(1, smallint), number(0, smallint), number(t.searchable, smallint),
                           optional(t.unsignedAttr), number(t.money, smallint), optional(t.autoIncrement),
                           str(t.name, sysname), optional(t.minScale), optional(t.maxScale),
                           number(dated ? 9 : odbcType, smallint),
                           dated ? number(t.odbc3 - 90, smallint) : nullValue(smallint), optional(t.radix),
                           nullValue(smallint), number(t.userType, smallint)});
    }
    // Ordered by DATA_TYPE, as the server lists them (ODBC 3 moves the date and time types last).
    std::stable_sort(rs.rows.begin(), rs.rows.end(), [](const auto& a, const auto& b) {
        return std::get<int64_t>(a[1].data) < std::get<int64_t>(b[1].data);
    });
    return rs;
}

}  // namespace

void Executor::runExec(ExecStatement& s, StatementResult& r)
{
    if (!s.dynamic.empty())
        throw sqlError(0, QStringLiteral("Dynamic SQL is not supported by this server."));
    const QString proc = s.procedure.last().toLower();
    // The system procedures below come first; any other name, sp_ ones included, is a procedure of
    // the database.
    static const QStringList systemProcedures = {
        QStringLiteral("sp_addextendedproperty"), QStringLiteral("sp_updateextendedproperty"),
        QStringLiteral("sp_dropextendedproperty"), QStringLiteral("sp_datatype_info"),
        QStringLiteral("sp_datatype_info_100"), QStringLiteral("sp_datatype_info_90")};
    if (auto m = systemProcedures.contains(proc) ? nullptr : findModule(s.procedure); m && m->kind == ModuleKind::Procedure) {
        const int before = session_.transactionCount;
        runProcedure(m, s);
        if (session_.transactionCount != before && !endedInTrigger_) {
            // The procedure's work stays (in the transaction it left open, or as its ROLLBACK left it).
            SqlError e = sqlError(266, QStringLiteral("Transaction count after EXECUTE indicates a mismatching number of "
                                                      "BEGIN and COMMIT statements. Previous count = %1, current count = %2.")
                                           .arg(before).arg(session_.transactionCount));
            locate(e.message, s.line);
            session_.lastError = 266;
            if (catchable(e))
                throw TryJump{e};
            r.messages.push_back(e.message);
            r.failed = true;
        }
        return;
    }
    if (auto m = systemProcedures.contains(proc) ? nullptr : findModule(s.procedure); m && m->kind == ModuleKind::Function) {
        runFunctionExec(*m, s);
        return;
    }
    std::vector<Value> positional;
    std::map<QString, Value> named;
    Scope scope;
    EvalContext ctx;
    ctx.scope = &scope;
    for (ExecArgument& a : s.arguments) {
        Value v;
        if (!a.isDefault) {
            bind(*a.value, scope);
            v = eval(*a.value, ctx);
        }
        if (a.parameter.isEmpty()) {
            if (!named.empty())
                throw sqlError(119, QStringLiteral("Must pass parameter number %1 and subsequent parameters as '@name = "
                                                   "value'. After the form '@name = value' has been used, all subsequent "
                                                   "parameters must be passed in the form '@name = value'.")
                                        .arg(positional.size() + named.size() + 1), 15);
            positional.push_back(v);
        } else {
            named[a.parameter.toLower()] = v;
        }
    }
    auto arrange = [&](const QStringList& params) {
        std::vector<Value> args = positional;
        args.resize(qMax<size_t>(args.size(), params.size()));
        for (auto& [k, v] : named) {
            int i = params.indexOf(k);
            if (i < 0)
                throw sqlError(8145, QStringLiteral("%1 is not a parameter for procedure %2.").arg(k, s.procedure.last()));
            args[i] = v;
        }
        return args;
    };
    if (proc == QLatin1String("sp_addextendedproperty") || proc == QLatin1String("sp_updateextendedproperty")) {
        auto args = arrange({QStringLiteral("@name"), QStringLiteral("@value"), QStringLiteral("@level0type"),
                             QStringLiteral("@level0name"), QStringLiteral("@level1type"), QStringLiteral("@level1name"),
                             QStringLiteral("@level2type"), QStringLiteral("@level2name")});
        if (proc == QLatin1String("sp_updateextendedproperty")) {
            std::vector<Value> dropArgs = args;
            dropArgs.erase(dropArgs.begin() + 1);
            dropArgs.insert(dropArgs.begin() + 1, Value{});
            addExtendedProperty(dropArgs, true);
        }
        addExtendedProperty(args, false);
        return;
    }
    if (proc == QLatin1String("sp_dropextendedproperty")) {
        auto args = arrange({QStringLiteral("@name"), QStringLiteral("@level0type"), QStringLiteral("@level0name"),
                             QStringLiteral("@level1type"), QStringLiteral("@level1name"), QStringLiteral("@level2type"),
                             QStringLiteral("@level2name")});
        args.insert(args.begin() + 1, Value{});
        addExtendedProperty(args, true);
        return;
    }
    if (proc == QLatin1String("sp_datatype_info") || proc == QLatin1String("sp_datatype_info_100") ||
        proc == QLatin1String("sp_datatype_info_90")) {
        auto args = arrange({QStringLiteral("@data_type"), QStringLiteral("@odbcver")});
        r.resultSet = dataTypeInfo(args[0], args[1]);
        r.rowCount = int64_t(r.resultSet->rows.size());
        return;
    }
    throw sqlError(2812, QStringLiteral("Could not find stored procedure '%1'.").arg(s.procedure.join(QLatin1Char('.'))));
}

}  // namespace standin

namespace standin {

// EXEC [@r =] dbo.f arguments: a scalar function called as a procedure; its value goes to @r.
void Executor::runFunctionExec(const Module& function, ExecStatement& s)
{
    auto call = std::make_shared<Expr>();
    call->kind = ExprKind::Function;
    call->parts = s.procedure;
    call->name = s.procedure.last().toUpper();
    call->args.resize(function.parameters.size());
    size_t position = 0;
    for (ExecArgument& a : s.arguments) {
        size_t index = position++;
        if (!a.parameter.isEmpty()) {
            auto it = std::find_if(function.parameters.begin(), function.parameters.end(), [&](const Parameter& p) {
                return p.name.compare(a.parameter, Qt::CaseInsensitive) == 0;
            });
            if (it == function.parameters.end())
                throw sqlError(8145, QStringLiteral("%1 is not a parameter for procedure %2.").arg(a.parameter, function.name));
            index = size_t(it - function.parameters.begin());
        }
        if (index >= call->args.size())
            throw sqlError(8144, QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(function.name));
        if (a.isDefault) {
            call->args[index] = std::make_shared<Expr>();
            call->args[index]->kind = ExprKind::Default;
        } else {
            call->args[index] = a.value;
        }
    }
    for (size_t i = 0; i < call->args.size(); ++i) {
        if (call->args[i])
            continue;
        if (!function.parameters[i].defaultValue)
            throw sqlError(201, QStringLiteral("Procedure or function '%1' expects parameter '%2', which was not supplied.")
                                    .arg(function.name, function.parameters[i].name));
        call->args[i] = std::make_shared<Expr>();
        call->args[i]->kind = ExprKind::Default;
    }
    Scope scope;
    EvalContext ctx;
    ctx.scope = &scope;
    for (auto& a : call->args)
        if (a->kind != ExprKind::Default)
            bind(*a, scope);
    const Value v = callFunction(*call, ctx);
    if (!s.returnVariable.isEmpty()) {
        Variable* target = findVariable(s.returnVariable);
        if (!target)
            throw undeclaredVariable(s.returnVariable);
        target->value = assign(v, target->type, true);
    }
}

}  // namespace standin
