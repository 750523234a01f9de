// Runs parsed statements against the catalog: binding of names, evaluation, DML and DDL.
#pragma once

#include "EngineImpl.h"

#include <unordered_map>

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
    enum class Flow { Normal, Return, AbortBatch };
    Flow runStatement(Statement& s, BatchResult& out, bool nested);
    void execute(Statement& s, StatementResult& r);

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

    // Binding and evaluation
    void bind(Expr& e, const Scope& scope);
    const SourceColumn* boundColumn(const Expr& e, const Scope& scope) const;
    SqlType typeOf(const Expr& e, const Scope& scope) const;
    Value eval(const Expr& e, const EvalContext& ctx);
    std::optional<bool> test(const Expr& e, const EvalContext& ctx);
    Value function(const Expr& e, const EvalContext& ctx);
    Value systemVariable(const QString& name);
    ResultSet subqueryResult(const Expr& e, const EvalContext& ctx);

    // Statements
    void runInsert(InsertStatement& s, StatementResult& r);
    void runUpdate(UpdateStatement& s, StatementResult& r);
    void runDelete(DeleteStatement& s, StatementResult& r);
    void runCreateTable(CreateTableStatement& s);
    void runAlterTable(AlterTableStatement& s);
    void runDropTable(DropTableStatement& s);
    void runExec(ExecStatement& s, StatementResult& r);
    void runSetOption(SetOptionStatement& s);
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
    void addConstraint(Database& db, Table& t, const ConstraintDef& def, std::vector<QString>& names);

    EngineImpl& engine_;
    SessionImpl& session_;
    UndoLog undo_;
    std::vector<ServerMessage>* messages_ = nullptr;
    int outerReferences_ = 0;
    std::unordered_map<const SelectStmt*, std::shared_ptr<ResultSet>> subqueryCache_;
};

}  // namespace standin
