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
    // A common table expression over base tables: each row carries, after its visible columns, the
    // address of the row of each table it came from, so DELETE and UPDATE through it reach one of them.
    std::vector<std::shared_ptr<Table>> viewTables;
    std::vector<std::shared_ptr<Database>> viewDbs;
    std::vector<std::pair<int, int>> viewColumnOf;  // per visible column: (table, column); (-1, -1) computed
    // Once a DELETE or UPDATE has chosen the table it changes (chooseViewTable):
    std::shared_ptr<Table> viewOf;
    int viewSlot = 0;
    std::vector<int> viewColumns;  // the column of viewOf of each visible column; -1 for any other
    QString qualifier() const { return alias.isEmpty() ? tableName : alias; }
};

// A common table expression of the running statement: its rows once read (a statement reads each
// once), and while its recursive members run, the rows of the level before.
struct ActiveCommonTable {
    const CommonTable* definition = nullptr;
    std::shared_ptr<const WithClause> with;
    size_t position = 0;  // in its WITH clause: it sees itself and the ones before
    std::shared_ptr<Table> rows;
    std::vector<SourceColumn> columns;
    std::vector<std::shared_ptr<Table>> viewTables;
    std::vector<std::shared_ptr<Database>> viewDbs;
    std::vector<std::pair<int, int>> viewColumnOf;
    std::shared_ptr<Table> working;  // recursive members read this level
    bool running = false;
};

// windowIndex of the hidden select item that gives the address of the row of source `slot` (reading a
// common table expression that DELETE or UPDATE may go through).
constexpr int kRowAddressItem = -2;

// How many of `total` rows TOP (v) [PERCENT] keeps (PERCENT rounds up); refuses a value out of range.
size_t topRows(const Value& v, bool percent, size_t total);

struct Scope {
    std::vector<Source>* sources = nullptr;
    const Scope* parent = nullptr;
};

// A cursor: its query, and once open the rows it read (a static snapshot taken at OPEN).
struct Cursor {
    QString name;
    std::shared_ptr<SelectStmt> select;
    std::shared_ptr<WithClause> with;  // DECLARE ... CURSOR FOR WITH ...
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
    std::vector<std::shared_ptr<ActiveCommonTable>> commonTables;  // WITH of the running statement
    size_t visibleCommonTables = 0;  // while one of them is read: those it may name
    std::unordered_set<const VariableDecl*> declarations;  // the DECLAREs this call has run
};

struct EvalContext {
    const std::vector<const Row*>* rows = nullptr;
    const EvalContext* outer = nullptr;
    const std::vector<Value>* aggregates = nullptr;
    const Scope* scope = nullptr;
    const std::vector<Value>* windows = nullptr;  // the window functions' values for the current row
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
    static bool declaresOnly(const Statement& s);  // DECLARE without initial values
    bool inModule() const { return frame_->module != nullptr; }
    // Errors in triggers and functions go on to the statement that called them; a procedure
    // (like the batch) goes on with its next statement.
    bool propagates() const { return frame_->module && frame_->module->kind != ModuleKind::Procedure; }
    bool inTrigger() const;
    // Whether SET IDENTITY_INSERT ON of this session names this table.
    bool identityInsertOn(const Database& db, const Table& t) const;

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
    void runEnableTrigger(EnableTriggerStatement& s);
    void describeForeignKey(Database& db, const Table& t, const ConstraintDef& def, OtherConstraint& o);
    void addPlainIndex(Table& t, const ConstraintDef& def);
    // The catalog views of CatalogViews.cpp; false for a name they do not know.
    bool catalogView(const QString& schema, const QString& name, const std::shared_ptr<Database>& db, Table& t, Source& s);
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

    // Common table expressions (CommonTables.cpp)
    class CommonTableScope {
    public:
        CommonTableScope(Executor& executor, const std::shared_ptr<WithClause>& with);
        ~CommonTableScope();
        CommonTableScope(const CommonTableScope&) = delete;
        CommonTableScope& operator=(const CommonTableScope&) = delete;

    private:
        Frame* frame_;
        std::vector<std::shared_ptr<ActiveCommonTable>> saved_;
        size_t savedVisible_;
    };
    ActiveCommonTable* findCommonTable(const QString& name) const;
    Source commonTableSource(ActiveCommonTable& cte, const QString& alias);
    void readCommonTable(ActiveCommonTable& cte);
    void readRecursive(ActiveCommonTable& cte);
    static const Row* baseRowOf(const Source& view, const Row& row);
    // The table a DELETE (no SET list) or an UPDATE through a common table expression changes: the one
    // every column it sets comes from (4405 when they are several, 4406 for a computed column).
    static void chooseViewTable(Source& view, const std::vector<Assignment>* sets);

    // Window functions (Window.cpp)
    struct WindowRow {
        std::vector<const Row*> rows;
        std::vector<Value> aggregates;
    };
    void bindWindowCall(Expr& e, const Scope& scope);
    SqlType windowType(const Expr& e, const Scope& scope);
    // Each row's values of the window functions, computed over all rows of the query.
    std::vector<std::vector<Value>> computeWindows(const std::vector<Expr*>& windows, const std::vector<WindowRow>& rows,
                                                   const EvalContext& base);
    void computeWindow(const Expr& w, size_t slot, const std::vector<WindowRow>& rows, EvalContext& ctx,
                       std::vector<std::vector<Value>>& out);
    bool windowsRefused_ = false;  // binding WHERE, GROUP BY, HAVING, ON or SET: no window function there
    struct RefuseWindows {
        explicit RefuseWindows(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
        ~RefuseWindows() { flag_ = old_; }
        RefuseWindows(const RefuseWindows&) = delete;
        RefuseWindows& operator=(const RefuseWindows&) = delete;
        bool& flag_;
        bool old_;
    };

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
    // The newer scalar built-ins (Builtins.cpp): their value and type, std::nullopt for other names.
    std::optional<Value> scalarBuiltin(const Expr& e, const EvalContext& ctx);
    std::optional<SqlType> scalarBuiltinType(const Expr& e, const Scope& scope);
    const Culture& sessionCulture() const;       // the culture of the session's language
    const Culture& cultureArg(const Value& v) const;  // a named culture; 9818 for an unknown one
    Value systemVariable(const QString& name);
    std::shared_ptr<const ResultSet> subqueryResult(const Expr& e, const EvalContext& ctx);

    // Statements
    void runInsert(InsertStatement& s, StatementResult& r);
    void runUpdate(UpdateStatement& s, StatementResult& r);
    void runDelete(DeleteStatement& s, StatementResult& r);
    void runCreateTable(CreateTableStatement& s);
    void runAlterTable(AlterTableStatement& s);
    void runDropTable(DropTableStatement& s);
    void dropIndex(AlterTableStatement& s, const std::shared_ptr<Database>& db, const std::shared_ptr<Table>& old);
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
    // `only`: the constraints to check (by name), every enabled one when null.
    void checkConstraints(const Database& db, const Table& t, const std::vector<const Row*>& rows,
                          const char* statement, const QStringList* only = nullptr);
    // Foreign keys (ForeignKeys.cpp): the key a new foreign key references must be a primary or unique one (1776);
    // the keys of referencing rows (547, FOREIGN KEY; `only`: that constraint alone); the rows that still
    // reference a table after a DELETE or UPDATE of it (547, REFERENCE).
    void validateForeignKey(const Database& db, const Table& t, OtherConstraint& fk);
    void checkForeignKeys(const Database& db, const Table& t, const std::vector<const Row*>& rows,
                          const char* statement, const QString* only = nullptr);
    void checkReferences(const Database& db, const Table& t, const char* statement);
    bool isReferenced(const Database& db, const Table& t) const;

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
