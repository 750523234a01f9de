// In-memory catalog: databases, tables, columns, constraints, rows and their key indexes.
#pragma once

#include "Ast.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

namespace standin {

using Row = std::vector<Value>;

struct Column {
    QString name;
    SqlType type;
    bool nullable = true;
    bool identity = false;
    int64_t seed = 1, increment = 1;
    bool rowGuid = false;
    // Default constraint (empty text: none).
    QString defaultText;
    QString defaultName;
    int defaultObjectId = 0;
    ExprPtr defaultExpr;  // parsed from defaultText
};

struct KeyConstraint {
    QString name;
    int objectId = 0;
    bool primary = true;
    bool clustered = true;
    QStringList columns;
    QList<bool> descending;  // per key column: true for a DESC key (missing entries: ascending)
    bool index = false;  // a UNIQUE INDEX: named within its table, not an object of its own
    QStringList included;  // INCLUDE columns
    // A filtered index (CREATE ... INDEX ... WHERE): only the rows its condition admits are keys.
    QString filterText;
    ExprPtr filter;

    bool descendingAt(qsizetype i) const { return i < descending.size() && descending[i]; }
};

// The clustering of a new table's keys: two written CLUSTERED are refused (8112); with one, a PRIMARY KEY
// clustered by default becomes nonclustered.
void settleClustering(const QString& table, std::vector<ColumnDef>& columns, std::vector<ConstraintDef>& constraints);

// Whether a condition may filter an index: comparisons of a column with constants, IS [NOT] NULL,
// IN (constants), joined by AND.
bool indexFilterSupported(const Expr& e);

struct OtherConstraint {  // foreign keys and checks: kept for names and introspection
    QString name;
    int objectId = 0;
    ConstraintKind kind = ConstraintKind::Check;
    QString text;
    ExprPtr check;
    QString column;  // a column-level CHECK: the column it was declared on
    bool enabled = true;  // ALTER TABLE ... NOCHECK CONSTRAINT turns a constraint off
    bool trusted = true;  // false: added WITH NOCHECK or turned off since; WITH CHECK CHECK CONSTRAINT trusts it again
    // Foreign keys: the referencing columns, the table and columns referenced, the referential actions.
    QStringList columns;
    QString refTable;
    QStringList refColumns;
    int onDelete = 0, onUpdate = 0;
};

// Equality index from a key (one or more columns) to a row.
struct RowIndex {
    std::vector<int> columns;
    int key = -1;  // the entry of Table::keys it serves (-1: the identity column's)
    std::unordered_map<QString, Row*> map;
};

// Equality index on one column that need not be unique: the column's value key to the rows holding it,
// in table order. Built the first time a lookup wants it.
struct ColumnIndex {
    std::unordered_map<QString, std::vector<Row*>> map;
};

// The greatest and least value of one column, NULLs left out (NULL when the column holds no value), as a
// scan in table order finds them: the first of equal values. Kept current while that is cheap; a change
// that could take an extreme away drops it, and the next query that wants it reads the column again.
struct ColumnExtreme {
    bool hasMax = false, hasMin = false;
    Value max, min;
};

struct Table {
    QString name;
    QString schema = QStringLiteral("dbo");
    int objectId = 0;
    QDateTime created;
    QDateTime modified;
    std::vector<Column> columns;
    std::vector<std::unique_ptr<Row>> rows;
    std::vector<KeyConstraint> keys;
    std::vector<KeyConstraint> plainIndexes;  // indexes that are not unique: they refuse no row
    std::vector<OtherConstraint> others;
    int64_t identityLast = 0;  // last identity value handed out
    bool identityUsed = false;
    bool variable = false;  // a table variable: a ROLLBACK leaves its rows as they are

    // Indexes on the primary key / unique keys and the identity column, rebuilt when stale.
    mutable std::vector<RowIndex> indexes;
    mutable bool indexesValid = false;
    // Indexes on other columns, by column number; dropped when they could go stale.
    mutable std::unordered_map<int, ColumnIndex> columnIndexes;
    // Extremes of other columns, by column number; dropped when they could go stale.
    mutable std::unordered_map<int, ColumnExtreme> columnExtremes;

    int columnIndex(const QString& name) const;
    int identityColumn() const;
    const KeyConstraint* primaryKey() const;
    std::shared_ptr<Table> clone() const;
    void invalidateIndexes()
    {
        indexesValid = false;
        columnIndexes.clear();
        columnExtremes.clear();
    }
    // The greatest (or least) value of a column, NULLs left out, NULL when there is none (read on first use).
    const Value& columnExtreme(int column, bool greatest) const;
    // A row's value of `column` changed in place from `before` to `after`: keeps or drops its extremes.
    void extremeChange(int column, const Value& before, const Value& after) const;
    // The rows whose column `column` has this value key, in table order (built on first use).
    const std::vector<Row*>& rowsWithKey(int column, const QString& key) const;
    // Forgets the column indexes of these columns (their values changed in place).
    void dropColumnIndexes(const std::vector<int>& columns) const;
    void ensureIndexes() const;
    // Whether a row is a key of this unique key or index (a filtered index leaves rows out).
    bool admits(const KeyConstraint& key, const Row& row) const;
    // Adds a row to the indexes; returns the clashing row if a unique key exists already.
    Row* findDuplicate(const Row& row, const RowIndex** clash = nullptr) const;
    void indexInsert(Row* row) const;
    void indexRemove(const Row* row) const;
};

QString indexKey(const Row& row, const std::vector<int>& columns);
// A check condition or default value as SQL Server stores it: "([Qtd]>(0))", "((0))", "(getdate())".
QString storedDefinition(const QString& text);
QString valueKey(const Value& v);

struct ExtendedProperty {
    QString name;
    QString level0;  // schema
    QString table;   // level 1 (empty for a schema-level property)
    QString column;  // level 2 (empty for a table-level property)
    Value value;
};

// A trigger, procedure or scalar function. The catalog keeps its text exactly as it was sent; a call
// runs a syntax tree of its own, taken from `idle` or parsed anew, so that nested and recursive calls
// never bind one shared tree.
struct Module {
    ModuleKind kind = ModuleKind::Procedure;
    QString name;
    QString schema = QStringLiteral("dbo");
    int objectId = 0;
    QDateTime created;
    QDateTime modified;
    QString definition;
    QString table;  // triggers: the table they belong to
    bool onInsert = false, onUpdate = false, onDelete = false;
    bool disabled = false;  // DISABLE TRIGGER: kept, but does not fire
    std::vector<Parameter> parameters;
    SqlType returns;  // functions

    // Fills the fields above (but name ids and dates) from a parsed CREATE/ALTER.
    void describe(const CreateModuleStatement& s);
    std::shared_ptr<CreateModuleStatement> takeProgram() const;
    void returnProgram(std::shared_ptr<CreateModuleStatement> program) const;
    const char* typeCode() const;  // TR, P, FN
    QString typeDescription() const;

private:
    mutable std::vector<std::shared_ptr<CreateModuleStatement>> idle_;
};

struct Database {
    QString name;
    int nextObjectId = 245575913;
    std::map<QString, std::shared_ptr<Table>> tables;  // key: collationKey(name)
    std::vector<ExtendedProperty> properties;
    std::map<QString, std::shared_ptr<Module>> modules;  // key: collationKey(name)

    std::shared_ptr<Table> findTable(const QString& name) const;
    std::shared_ptr<Module> findModule(const QString& name) const;
    // The triggers of a table, in the order they were created.
    std::vector<std::shared_ptr<Module>> triggersOf(const QString& table) const;
    // Whether an object (table or constraint) carries this name.
    bool objectExists(const QString& name) const;
    // The object id of a table or constraint by name, 0 when unknown.
    int objectId(const QString& name, QString* type = nullptr) const;
    int allocateObjectId() { return nextObjectId += 16000057 % 100003 + 1; }
};

// OBJECTPROPERTY of a constraint (IsConstraint, IsPrimaryKey, CnstIsDisabled ...) or the table properties
// about its constraints and indexes (TableHasPrimaryKey ...); no value for other objects or properties.
std::optional<int> constraintProperty(const Database& db, int id, const QString& lowerProperty);
// INDEXKEY_PROPERTY: ColumnId or IsDescending of key column `keyId` (from 1) of an index as sys.indexes
// numbers it; no value for an unknown table, index, key column or property.
std::optional<int> indexKeyProperty(const Database& db, int objectId, int indexId, int keyId,
                                    const QString& lowerProperty);

// Undo log of one statement (and, later, of a transaction): actions run in reverse to
// take back what the statement did.
class UndoLog {
public:
    void push(std::function<void()> undo) { actions_.push_back(std::move(undo)); }
    // A change that the failure of its statement takes back but a ROLLBACK does not (the rows of a
    // table variable): settle() makes it final once its statement has succeeded.
    void pushSettling(std::function<void()> undo)
    {
        settling_.push_back(actions_.size());
        actions_.push_back(std::move(undo));
    }
    // The settling changes recorded from entry `from` on are final: nothing takes them back any more.
    void settle(size_t from)
    {
        while (!settling_.empty() && settling_.back() >= from) {
            actions_[settling_.back()] = nullptr;
            settling_.pop_back();
        }
    }
    void rollback()
    {
        for (auto it = actions_.rbegin(); it != actions_.rend(); ++it)
            if (*it)
                (*it)();
        actions_.clear();
        settling_.clear();
    }
    void commit()
    {
        actions_.clear();
        settling_.clear();
    }
    bool empty() const { return actions_.empty(); }
    size_t size() const { return actions_.size(); }
    // Takes back everything recorded after the first `keep` entries (a savepoint).
    void rollbackTo(size_t keep)
    {
        while (actions_.size() > keep) {
            if (actions_.back())
                actions_.back()();
            actions_.pop_back();
        }
        while (!settling_.empty() && settling_.back() >= keep)
            settling_.pop_back();
    }
    // Moves this log's entries from `from` on to the end of `into` (a statement joining its transaction);
    // those before it are done (work of the statement before its transaction began).
    void appendTo(UndoLog& into, size_t from = 0)
    {
        for (size_t i = std::min(from, actions_.size()); i < actions_.size(); ++i)
            into.actions_.push_back(std::move(actions_[i]));
        actions_.clear();
        settling_.clear();
    }

private:
    std::vector<std::function<void()>> actions_;
    std::vector<size_t> settling_;  // positions of the settling entries, ascending
};

}  // namespace standin
