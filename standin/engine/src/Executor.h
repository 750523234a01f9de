// Runs parsed statements against the catalog: binding of names, evaluation, DML and DDL.
#pragma once

#include "EngineImpl.h"

#include <unordered_map>
#include <unordered_set>

namespace standin {

struct SourceColumn {
    QString name;
    SqlType type;
    bool nullable = true;
    bool identity = false;
    QString baseTable;
    QString baseColumn;
};

// One table source of a FROM clause (a catalog table, a derived table, a system view).
struct Source {
    QString alias;
    QString tableName;
    std::vector<SourceColumn> columns;
    std::shared_ptr<Table> table;  // rows
    bool isBase = false;           // a catalog table whose rows a statement may change
    std::shared_ptr<Database> db;
    QString qualifier() const { return alias.isEmpty() ? tableName : alias; }
};

struct Scope {
    std::vector<Source>* sources = nullptr;
    const Scope* parent = nullptr;
};

// A cursor: its query, and once open the rows it read (a static snapshot taken at OPEN).
struct Cursor {
    QString name;
    std::shared_ptr<SelectStmt> select;
    bool global = false;
    bool open = false;
    size_t columns = 0;
    std::vector<ColumnInfo> columnInfo;
    std::vector<std::vector<Value>> rows;
    size_t position = 0;  // the next row FETCH NEXT reads
};

// One call frame: the batch itself, or one call of a trigger, procedure or function. It owns what
// belongs to that call alone; what belongs to the running statement lives on the stack.
struct Frame {
    Frame* parent = nullptr;
    std::shared_ptr<const Module> module;  // null for the batch
    int nestLevel = 0;                     // @@NESTLEVEL
    std::map<QString, Variable> variables;  // key: lower-case name
    std::map<QString, std::shared_ptr<Cursor>> cursors;  // LOCAL cursors; key: collation key
    // Triggers: the rows the firing statement touched, and the columns it set.
    std::shared_ptr<Table> inserted, deleted;
    std::vector<char> updatedColumns;
    std::optional<int64_t> scopeIdentity;  // SCOPE_IDENTITY()
    std::optional<Value> returnValue;      // RETURN n / RETURN expr
    bool keepsProgram = false;             // a GLOBAL cursor declared here holds a query of this call's tree
    std::unordered_set<const VariableDecl*> declarations;  // the DECLAREs this call has run
};

struct EvalContext {
    const std::vector<const Row*>* rows = nullptr;
    const EvalContext* outer = nullptr;
    const std::vector<Value>* aggregates = nullptr;
    const Scope* scope = nullptr;
};

class Executor {
public:
    Executor(EngineImpl& engine, SessionImpl& session) : engine_(engine), session_(session) {}

    BatchResult run(const std::vector<StmtPtr>& statements);

    // Evaluates a stored default definition.
    Value evaluateStandalone(const Expr& e);

private:
    enum class Flow { Normal, Return, AbortBatch, Break, Continue };
    // Runs one statement, appending its result (and the results of the module statements it ran) to `out`.
    Flow runStatement(Statement& s, std::vector<StatementResult>& out);
    Flow runStatements(const std::vector<StmtPtr>& body, std::vector<StatementResult>& out);
    // Runs a condition or RETURN value outside any statement result; an error becomes a failed result.
    // Returns false (and the flow to follow) when the work failed.
    bool runControl(Statement& s, std::vector<StatementResult>& out, const std::function<void()>& work, Flow& flow);
    void recordError(StatementResult& r, const SqlError& e, int line);
    void execute(Statement& s, StatementResult& r);
    void countStep();
    bool inModule() const { return frame_->module != nullptr; }
    // Errors in triggers and functions go on to the statement that called them; a procedure
    // (like the batch) goes on with its next statement.
    bool propagates() const { return frame_->module && frame_->module->kind != ModuleKind::Procedure; }
    bool inTrigger() const;

    // Per-statement state: saved while a module runs in the middle of a statement.
    struct StatementState {
        std::vector<ServerMessage>* messages = nullptr;
        int outerReferences = 0;
        std::unordered_map<const SelectStmt*, std::shared_ptr<const ResultSet>> subqueryCache;
        std::unordered_map<const SelectStmt*, SqlType> subqueryTypes;
        std::vector<StatementResult>* nested = nullptr;
    };
    StatementState saveStatement();
    void restoreStatement(StatementState& saved);

    // Modules
    void runCreateModule(CreateModuleStatement& s);
    void runDropModule(DropModuleStatement& s);
    void checkModuleColumns(const CreateModuleStatement& s);
    Flow callModule(const std::shared_ptr<const Module>& module, Frame& frame);
    void runProcedure(const std::shared_ptr<const Module>& module, ExecStatement& s);
    Value callFunction(const Expr& e, const EvalContext& ctx);
    std::shared_ptr<Module> findModule(const QStringList& name, std::shared_ptr<Database>* db = nullptr) const;
    // Fires the AFTER triggers of a table for one statement; rows are copies of what it touched.
    void fireTriggers(const std::shared_ptr<Database>& db, const Table& t, char event,
                      std::vector<Row> inserted, std::vector<Row> deleted, std::vector<char> updatedColumns,
                      int64_t count);
    bool hasTriggers(const Database& db, const Table& t, char event) const;
    std::shared_ptr<Table> pseudoTable(const Table& t, std::vector<Row> rows) const;

    // Cursors and messages
    void runCursor(CursorStatement& s, StatementResult& r);
    std::shared_ptr<Cursor> findCursor(const QString& name, bool global) const;
    void runRaiserror(RaiserrorStatement& s, StatementResult& r);
    void runWaitFor(WaitForStatement& s);

    // TRY ... CATCH. An error that a CATCH block takes leaves the statement that raised it (its work
    // undone) as a TryJump, and unwinds the frames up to the TRY that waits for it.
    struct TryJump {
        SqlError error;
    };
    bool catchable(const SqlError& e) const;
    // Fills in the line and module of an error raised by statement `s` of the running frame.
    void locate(ServerMessage& m, int line) const;
    Flow runTry(TryStatement& s, std::vector<StatementResult>& out);
    void runThrow(ThrowStatement& s);
    Value errorFunction(const QString& upperName) const;
    // The work of a statement of the batch itself is done, or joins the open transaction.
    void settleBatchStatement();
    Variable* findVariable(const QString& name) const;

    // Queries
    ResultSet runSelect(SelectStmt& s, const Scope* outerScope, const EvalContext* outerCtx, bool* correlated = nullptr);
    ResultSet runSelectCore(SelectStmt& s, const Scope* outerScope, const EvalContext* outerCtx);
    std::vector<Source> openSources(std::vector<TableRef>& refs, const Scope* outerScope, const EvalContext* outerCtx);
    Source tableSource(const QStringList& name, const QString& alias);
    Source functionSource(TableRef& ref, const Scope* outerScope, const EvalContext* outerCtx);
    Source virtualSource(const QString& schema, const QString& name, const std::shared_ptr<Database>& db);
    std::vector<std::vector<const Row*>> produceRows(std::vector<Source>& sources, std::vector<TableRef>& refs,
                                                     const ExprPtr& where, const Scope& scope,
                                                     const EvalContext* outerCtx);
    std::vector<std::vector<const Row*>> targetRows(std::vector<Source>& sources, std::vector<TableRef>& refs,
                                                    const ExprPtr& where, const ExprPtr& top, bool topPercent,
                                                    const Scope& scope);
    std::vector<const Row*> candidateRows(Source& source, int slot, const ExprPtr& where, const EvalContext& ctx);
    std::vector<const Row*> candidateScan(const Table& t);
    bool uncorrelated(SelectStmt& s, const Scope& scope);

    // Binding and evaluation
    void bind(Expr& e, const Scope& scope);
    void resolveFunction(const Expr& e) const;
    const SourceColumn* boundColumn(const Expr& e, const Scope& scope) const;
    SqlType typeOf(const Expr& e, const Scope& scope);
    SqlType subqueryType(SelectStmt& s, const Scope& scope);
    Value eval(const Expr& e, const EvalContext& ctx);
    // As eval, but a column's value is read in place (no copy); other expressions land in `scratch`.
    const Value& evalRef(const Expr& e, const EvalContext& ctx, Value& scratch);
    std::optional<bool> test(const Expr& e, const EvalContext& ctx);
    Value function(const Expr& e, const EvalContext& ctx);
    Value systemVariable(const QString& name);
    std::shared_ptr<const ResultSet> subqueryResult(const Expr& e, const EvalContext& ctx);

    // Statements
    void runInsert(InsertStatement& s, StatementResult& r);
    void runUpdate(UpdateStatement& s, StatementResult& r);
    void runDelete(DeleteStatement& s, StatementResult& r);
    void runCreateTable(CreateTableStatement& s);
    void runAlterTable(AlterTableStatement& s);
    void runDropTable(DropTableStatement& s);
    void runExec(ExecStatement& s, StatementResult& r);
    void runFunctionExec(const Module& function, ExecStatement& s);
    void runSetOption(SetOptionStatement& s, StatementResult& r);
    void addExtendedProperty(const std::vector<Value>& args, bool drop);

    // Catalog helpers
    std::shared_ptr<Database> currentDatabase() const;
    std::shared_ptr<Database> databaseFor(const QStringList& name) const;
    std::shared_ptr<Table> findTable(const QStringList& name, std::shared_ptr<Database>* db = nullptr) const;
    void insertRow(const std::shared_ptr<Database>& db, const std::shared_ptr<Table>& t, Row row);
    void checkNulls(const Database& db, const Table& t, const Row& row, const char* statement) const;
    void replaceTable(const std::shared_ptr<Database>& db, const std::shared_ptr<Table>& oldTable,
                      const std::shared_ptr<Table>& newTable);
    Value defaultValue(const Column& c);
    int64_t nextIdentity(Table& t);
    QString newConstraintName(const QString& prefix, const QString& table, const QString& column) const;
    void addColumn(Database& db, Table& t, const ColumnDef& def, bool creating);
    // checkRows: a CHECK constraint added to a table with rows must hold for them (not WITH NOCHECK).
    void addConstraint(Database& db, Table& t, const ConstraintDef& def, std::vector<QString>& names,
                       bool checkRows = true);
    // Refuses rows that break an enabled CHECK constraint of their table (547): a condition that is
    // FALSE breaks it, an unknown (NULL) one does not.
    void checkConstraints(const Database& db, const Table& t, const std::vector<const Row*>& rows,
                          const char* statement);

    // Temporary tables and table variables (TempTables.cpp)
    std::shared_ptr<Table> tableVariable(const QString& name) const;
    std::shared_ptr<Table> tempTable(const QStringList& name) const;
    std::shared_ptr<Table> buildTable(Database& db, const QString& name, const std::vector<ColumnDef>& columns,
                                      const std::vector<ConstraintDef>& constraints);
    void declareTableVariable(VariableDecl& d);
    void runCreateTempTable(CreateTableStatement& s);
    void checkTempTableFree(const QString& name) const;
    void registerTempTable(const QString& name, const std::shared_ptr<Table>& t);
    void dropScopeTempTables(int level);
    Value tempObjectId(const QStringList& parts, const QString& type);
    // Records how to take back a change of a table's rows (a table variable's outlast a ROLLBACK).
    void logRowChange(const Table& t, std::function<void()> undo);
    void runSelectInto(SelectStmt& s, StatementResult& r);
    // Refuses (1087) a table variable used before its DECLARE in a batch or module body.
    void checkTableVariables(const std::vector<StmtPtr>& body, const std::vector<Parameter>& parameters) const;
    // INSERT ... EXEC: the rows of every result set the procedure returns, each of `columns` values.
    std::vector<std::vector<Value>> execRows(ExecStatement& s, size_t columns);

    EngineImpl& engine_;
    SessionImpl& session_;
    // One log for the batch: a statement marks its start and takes back only what follows the mark;
    // statements inside modules never commit, so a failing trigger undoes its firing statement too.
    UndoLog undo_;
    Frame* frame_ = nullptr;
    BatchResult* batch_ = nullptr;
    std::vector<ServerMessage>* messages_ = nullptr;
    int outerReferences_ = 0;
    std::unordered_map<const SelectStmt*, std::shared_ptr<const ResultSet>> subqueryCache_;
    std::unordered_map<const SelectStmt*, SqlType> subqueryTypes_;
    std::vector<StatementResult>* nested_ = nullptr;  // where module statements of the running statement go
    bool abortBatch_ = false;       // a statement inside a module ended the batch
    bool triggerFailed_ = false;    // an error left a trigger
    bool endedInTrigger_ = false;   // ROLLBACK inside a trigger
    bool stopping_ = false;         // step budget spent or the client cancelled: everything stops
    bool cancelled_ = false;
    size_t autocommitMark_ = 0;     // where the statement of the nearest batch or procedure frame began
    size_t tranMark_ = 0;           // where the open transaction began within the undo log
    int64_t steps_ = 0;
    int tryDepth_ = 0;                 // TRY blocks running, in every frame
    std::vector<const Frame*> tryFrames_;  // the frame of each running TRY block, innermost last
    std::vector<ServerMessage> caught_;    // the errors the running CATCH blocks handle, innermost last
    bool thrown_ = false;              // THROW raised the error in flight: it ends the batch
    bool insertExec_ = false;  // an INSERT ... EXEC is running its procedure
    bool doomed_ = false;              // an error in a TRY block left the transaction uncommittable
};

}  // namespace standin
