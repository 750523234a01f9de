// Syntax tree of T-SQL batches, as built by the parser and run by the executor.
#pragma once

#include "standin/ValueOps.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace standin {

struct SelectStmt;
struct Expr;
struct WindowSpec;
using ExprPtr = std::shared_ptr<Expr>;

enum class ExprKind {
    Literal,
    Column,     // parts: [db.][schema.][table.]column
    Variable,   // name: @v or @@v
    Negate,
    BitNot,
    Binary,     // op
    Compare,    // cmp
    And,
    Or,
    Not,
    IsNull,     // negated: IS NOT NULL
    Like,       // args: text, pattern[, escape]; negated
    In,         // args[0] IN (args[1..]) or subquery; negated
    Between,    // args: value, low, high; negated
    Case,       // caseOperand, args as WHEN/THEN pairs, elseExpr
    Function,   // name, args; distinct for COUNT(DISTINCT x); star for COUNT(*)
    Cast,       // args[0], castType; name "CONVERT" keeps args[1] as style
    Subquery,   // scalar subquery
    Exists,
    Default,    // DEFAULT keyword in VALUES/SET
};

enum class CompareOp { Eq, Ne, Lt, Le, Gt, Ge };

struct Expr {
    ExprKind kind = ExprKind::Literal;
    Value value;
    QStringList parts;
    QString name;
    BinaryOp op = BinaryOp::Add;
    CompareOp cmp = CompareOp::Eq;
    bool negated = false;
    bool distinct = false;
    bool star = false;
    std::vector<ExprPtr> args;
    ExprPtr caseOperand;
    ExprPtr elseExpr;
    SqlType castType;
    std::shared_ptr<SelectStmt> subquery;
    std::shared_ptr<WindowSpec> over;         // f(...) OVER (...): a window function
    std::shared_ptr<WindowSpec> withinGroup;  // STRING_AGG(...) WITHIN GROUP (ORDER BY ...): its order
    int start = 0, end = 0;  // span in the batch text

    // Filled by the binder.
    int depth = -1;     // 0 = current query's sources, 1 = enclosing query ...
    int slot = -1;      // source index
    int column = -1;    // column index in the source
    int aggIndex = -1;  // aggregate slot within the grouping
    int windowIndex = -1;  // window function slot within its query
};

enum class JoinType { Cross, Inner, Left, Right, Full };

struct TableRef {
    QStringList name;                      // [db.][schema.]table
    QString alias;
    std::shared_ptr<SelectStmt> derived;   // (SELECT ...) AS alias
    std::vector<ExprPtr> functionArgs;     // table-valued function: name is its name
    bool isFunction = false;
    JoinType join = JoinType::Cross;       // how this source joins the ones before it
    ExprPtr on;
};

struct SelectItem {
    ExprPtr expr;
    QString alias;
    bool star = false;
    QStringList starQualifier;  // t.* / dbo.t.*
    QString assignVariable;     // SELECT @v = expr
};

struct OrderItem {
    ExprPtr expr;
    bool descending = false;
};

// The frame of a window aggregate: ROWS or RANGE BETWEEN <start> AND <end>.
enum class FrameBound { UnboundedPreceding, Preceding, CurrentRow, Following, UnboundedFollowing };

struct WindowFrame {
    bool rows = false;  // ROWS (physical rows) or RANGE (peers of the ORDER BY)
    FrameBound start = FrameBound::UnboundedPreceding;
    FrameBound end = FrameBound::CurrentRow;
    int64_t startOffset = 0, endOffset = 0;  // n PRECEDING / n FOLLOWING
};

struct WindowSpec {
    std::vector<ExprPtr> partitionBy;
    std::vector<OrderItem> orderBy;
    std::optional<WindowFrame> frame;
};

struct SelectStmt {
    bool distinct = false;
    ExprPtr top;
    bool topPercent = false;
    bool topWithTies = false;
    std::vector<SelectItem> items;
    std::vector<TableRef> from;
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
    std::vector<OrderItem> orderBy;
    QStringList into;                            // SELECT ... INTO table
    std::vector<std::pair<bool, std::shared_ptr<SelectStmt>>> unions;  // (all, select)
};

enum class StmtKind {
    Select,
    Insert,
    Update,
    Delete,
    CreateTable,
    AlterTable,
    DropTable,
    TruncateTable,
    CreateDatabase,
    DropDatabase,
    Use,
    SetOption,
    SetVariable,
    Declare,
    Exec,
    Print,
    If,
    Block,
    While,
    Return,
    Transaction,
    CreateModule,   // CREATE/ALTER TRIGGER, PROCEDURE, FUNCTION
    DropModule,
    Cursor,         // DECLARE CURSOR, OPEN, FETCH, CLOSE, DEALLOCATE
    Break,
    Continue,
    Raiserror,
    WaitFor,        // WAITFOR DELAY / WAITFOR TIME
    Try,            // BEGIN TRY ... END TRY BEGIN CATCH ... END CATCH
    Throw,
    EnableTrigger,  // ENABLE/DISABLE TRIGGER, ALTER TABLE ... ENABLE/DISABLE TRIGGER
};

// WITH name [(columns)] AS (query), ...: the common table expressions of one statement.
struct CommonTable {
    QString name;
    QStringList columns;
    std::shared_ptr<SelectStmt> select;
};

struct WithClause {
    std::vector<CommonTable> tables;
    int maxRecursion = 100;  // OPTION (MAXRECURSION n); 0: no limit
};

struct Statement {
    explicit Statement(StmtKind k) : kind(k) {}
    virtual ~Statement() = default;
    StmtKind kind;
    int line = 1;
    int start = 0, end = 0;
    std::shared_ptr<WithClause> with;  // SELECT, INSERT, UPDATE, DELETE led by WITH
};
using StmtPtr = std::shared_ptr<Statement>;

struct SelectStatement : Statement {
    SelectStatement() : Statement(StmtKind::Select) {}
    std::shared_ptr<SelectStmt> select;
};

struct InsertStatement : Statement {
    InsertStatement() : Statement(StmtKind::Insert) {}
    QStringList table;
    QStringList columns;
    std::vector<std::vector<ExprPtr>> values;
    std::shared_ptr<SelectStmt> select;
    bool defaultValues = false;
    std::shared_ptr<Statement> exec;  // INSERT ... EXEC
    ExprPtr top;  // INSERT TOP (n) [PERCENT]
    bool topPercent = false;
};

struct Assignment {
    QStringList column;   // [table.]column, or empty for a variable
    QString variable;     // SET @v = ...
    ExprPtr value;
    std::optional<BinaryOp> compound;  // col += x
};

struct UpdateStatement : Statement {
    UpdateStatement() : Statement(StmtKind::Update) {}
    ExprPtr top;
    bool topPercent = false;
    QStringList target;
    std::vector<Assignment> sets;
    std::vector<TableRef> from;
    ExprPtr where;
};

struct DeleteStatement : Statement {
    DeleteStatement() : Statement(StmtKind::Delete) {}
    ExprPtr top;
    bool topPercent = false;
    QStringList target;
    std::vector<TableRef> from;
    ExprPtr where;
};

struct ColumnDef {
    QString name;
    SqlType type;
    std::optional<bool> nullable;  // unstated: nullable
    bool identity = false;
    int64_t seed = 1, increment = 1;
    ExprPtr defaultExpr;
    QString defaultText;
    QString defaultName;
    bool primaryKey = false;
    bool unique = false;
    bool clustered = true;
    bool clusteredWritten = false;  // PRIMARY KEY CLUSTERED: written, not taken by default
    bool uniqueClustered = false;  // UNIQUE CLUSTERED
    QString keyName;
    bool rowGuid = false;
};

enum class ConstraintKind { PrimaryKey, Unique, Default, ForeignKey, Check };

struct ConstraintDef {
    ConstraintKind kind = ConstraintKind::PrimaryKey;
    QString name;
    QStringList columns;
    QList<bool> descending;  // PRIMARY KEY, UNIQUE and indexes: per key column, true for DESC
    bool clustered = true;
    bool clusteredWritten = false;  // CLUSTERED written (a PRIMARY KEY is clustered by default, when it can be)
    ExprPtr expr;          // DEFAULT value or CHECK condition
    QString exprText;
    QString forColumn;  // DEFAULT x FOR column; the column a column-level CHECK is declared on
    QStringList refTable;  // FOREIGN KEY ... REFERENCES
    QStringList refColumns;
    bool index = false;  // CREATE UNIQUE INDEX: a unique key named within its table
    int deleteAction = 0, updateAction = 0;  // ON DELETE/UPDATE: 0 NO ACTION, 1 CASCADE, 2 SET NULL, 3 SET DEFAULT
    QStringList included;                    // CREATE INDEX ... INCLUDE (columns)
    bool plainIndex = false;  // CREATE INDEX without UNIQUE; a filtered index keeps its WHERE in expr/exprText
};

struct CreateTableStatement : Statement {
    CreateTableStatement() : Statement(StmtKind::CreateTable) {}
    QStringList name;
    std::vector<ColumnDef> columns;
    std::vector<ConstraintDef> constraints;
};

enum class AlterAction { Add, DropConstraint, DropColumn, SetOptions, AlterColumn, EnableConstraints, DropIndex };

struct AlterTableStatement : Statement {
    AlterTableStatement() : Statement(StmtKind::AlterTable) {}
    QStringList table;
    AlterAction action = AlterAction::Add;
    std::vector<ColumnDef> columns;          // Add, AlterColumn
    std::vector<ConstraintDef> constraints;  // Add
    QStringList names;  // DropConstraint, DropColumn, EnableConstraints (empty: ALL), DropIndex
    bool ifExists = false;
    bool noCheck = false;  // WITH NOCHECK: rows already there are not checked; NOCHECK CONSTRAINT
    bool withCheck = false;  // WITH CHECK: rows already there are checked (WITH CHECK CHECK CONSTRAINT too)
};

struct DropTableStatement : Statement {
    DropTableStatement() : Statement(StmtKind::DropTable) {}
    std::vector<QStringList> names;
    bool ifExists = false;
};

struct TruncateStatement : Statement {
    TruncateStatement() : Statement(StmtKind::TruncateTable) {}
    QStringList table;
};

struct DatabaseStatement : Statement {
    explicit DatabaseStatement(StmtKind k) : Statement(k) {}
    QString name;
};

struct SetOptionStatement : Statement {
    SetOptionStatement() : Statement(StmtKind::SetOption) {}
    QString option;
    QStringList arguments;
};

struct SetVariableStatement : Statement {
    SetVariableStatement() : Statement(StmtKind::SetVariable) {}
    Assignment assignment;
};

struct CreateTableStatement;

struct VariableDecl {
    QString name;
    SqlType type;
    ExprPtr init;
    std::shared_ptr<CreateTableStatement> table;  // DECLARE @t TABLE (...): its columns and constraints
};

struct DeclareStatement : Statement {
    DeclareStatement() : Statement(StmtKind::Declare) {}
    std::vector<VariableDecl> variables;
};

struct ExecArgument {
    QString parameter;  // @name = value, or empty
    ExprPtr value;
    bool output = false;
    bool isDefault = false;
};

struct ExecStatement : Statement {
    ExecStatement() : Statement(StmtKind::Exec) {}
    QStringList procedure;
    std::vector<ExprPtr> dynamic;  // EXEC ('text' + ...)
    std::vector<ExecArgument> arguments;
    QString returnVariable;
};

struct PrintStatement : Statement {
    PrintStatement() : Statement(StmtKind::Print) {}
    ExprPtr value;
};

struct IfStatement : Statement {
    IfStatement() : Statement(StmtKind::If) {}
    ExprPtr condition;
    StmtPtr thenBranch;
    StmtPtr elseBranch;
};

struct WhileStatement : Statement {
    WhileStatement() : Statement(StmtKind::While) {}
    ExprPtr condition;
    StmtPtr body;
};

struct BlockStatement : Statement {
    BlockStatement() : Statement(StmtKind::Block) {}
    std::vector<StmtPtr> body;
};

// Triggers, procedures and scalar functions: the programs stored in the catalog.
enum class ModuleKind { Trigger, Procedure, Function };

struct Parameter {
    QString name;  // @name
    SqlType type;
    ExprPtr defaultValue;
    bool output = false;
};

struct CreateModuleStatement : Statement {
    CreateModuleStatement() : Statement(StmtKind::CreateModule) {}
    ModuleKind kind = ModuleKind::Procedure;
    bool alter = false;
    QStringList name;              // [schema.]name
    QStringList table;             // triggers: ON [schema.]table
    bool onInsert = false, onUpdate = false, onDelete = false;
    std::vector<Parameter> parameters;
    SqlType returns;               // functions
    std::vector<StmtPtr> body;     // the statements up to the end of the batch
    QString definition;            // the batch text as sent, comments and line ends included
};

struct DropModuleStatement : Statement {
    DropModuleStatement() : Statement(StmtKind::DropModule) {}
    ModuleKind kind = ModuleKind::Procedure;
    std::vector<QStringList> names;
    bool ifExists = false;
};

// ENABLE|DISABLE TRIGGER {name [,...] | ALL} ON {table | DATABASE | ALL SERVER}, and the same through
// ALTER TABLE table ENABLE|DISABLE TRIGGER {name [,...] | ALL}.
struct EnableTriggerStatement : Statement {
    EnableTriggerStatement() : Statement(StmtKind::EnableTrigger) {}
    bool enable = true;
    std::vector<QStringList> triggers;  // empty: ALL
    QStringList table;                  // empty: ON DATABASE or ON ALL SERVER
    bool alterTable = false;
};

enum class CursorAction { Declare, Open, Fetch, Close, Deallocate };

struct CursorStatement : Statement {
    CursorStatement() : Statement(StmtKind::Cursor) {}
    CursorAction action = CursorAction::Declare;
    QString name;
    bool global = false;        // GLOBAL cursor (DECLARE), or GLOBAL name (other actions)
    bool local = false;         // LOCAL stated
    std::shared_ptr<SelectStmt> select;
    QString fetchDirection;     // NEXT (the only one a forward-only cursor takes), FIRST, PRIOR ...
    QStringList into;           // FETCH ... INTO @a, @b
};

struct RaiserrorStatement : Statement {
    RaiserrorStatement() : Statement(StmtKind::Raiserror) {}
    std::vector<ExprPtr> args;  // message (text or number), severity, state, substitution arguments
    bool setError = false;
};

struct ReturnStatement : Statement {
    ReturnStatement() : Statement(StmtKind::Return) {}
    ExprPtr value;
};

struct WaitForStatement : Statement {
    WaitForStatement() : Statement(StmtKind::WaitFor) {}
    bool untilTime = false;  // WAITFOR TIME: until that time of day; WAITFOR DELAY: for that long
    ExprPtr value;
};

struct TryStatement : Statement {
    TryStatement() : Statement(StmtKind::Try) {}
    std::vector<StmtPtr> tryBody;
    std::vector<StmtPtr> catchBody;
};

// THROW number, message, state; without arguments (only inside CATCH) it raises the caught error again.
struct ThrowStatement : Statement {
    ThrowStatement() : Statement(StmtKind::Throw) {}
    std::vector<ExprPtr> args;
};

enum class TransactionAction { Begin, Commit, Rollback, Save };

struct TransactionStatement : Statement {
    TransactionStatement() : Statement(StmtKind::Transaction) {}
    TransactionAction action = TransactionAction::Begin;
    QString name;
};

}  // namespace standin
