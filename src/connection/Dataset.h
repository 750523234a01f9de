#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariant>
#include <QVector>

#include <functional>

class Connection;

// One column of a dataset's result, in result order.
struct DatasetColumn
{
    QString name;
    QString typeName;     // SQL Server type name: "nvarchar", "int", "bit", "uniqueidentifier", "image" ...
    int odbcType = 0;     // the ODBC SQL type (SQL_WVARCHAR = -9 ...)
    int size = 0;         // characters for text types, bytes for binary ones, 0 for unlimited
    int precision = 0;
    int scale = 0;
    bool nullable = true;
    bool identity = false;

    bool isText() const;
    bool isBinary() const;   // image, varbinary, binary
    bool isBlob() const;     // image, text, ntext, (max) types: not comparable in a WHERE
};

// A query over a connection with a client-side copy of all rows of its result, a current
// row, and edit/insert/post of that row. Field names match without regard to case.
//
// Posting writes the fields changed since edit() with one UPDATE of the table named after
// the first FROM of the SQL text (or setUpdateTable), keyed by the row's identity column,
// else by its uniqueidentifier column, else by the table's primary key, else by the
// original values of all comparable columns. In insert state the post is an INSERT of the
// fields that were set. A post that changes no row throws DbError and the dataset stays in
// edit with its changes.
class Dataset : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit Dataset(QObject *parent = nullptr);
    ~Dataset() override;

    void setConnection(Connection *connection) { m_connection = connection; }
    Connection *connection() const { return m_connection; }

    // The SQL text. Changing it does not reopen the dataset.
    void setSql(const QString &sql) { m_sql = sql; }
    QString sql() const { return m_sql; }
    // Seconds the reading of the rows, and the statement of a post, may take before the driver
    // cancels it (0: no limit).
    void setTimeout(int seconds) { m_timeout = seconds; }
    int timeout() const { return m_timeout; }

    // The table that post() writes; by default the first table after FROM in the SQL text.
    void setUpdateTable(const QString &table) { m_updateTable = table; }
    QString updateTable() const;

    // A read-only dataset refuses edit() and insert().
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }

    // Runs the query and copies every row; the cursor stands on the first row. Throws
    // DbError (the dataset stays closed). Opening an open dataset does nothing.
    void open();
    // Drops a pending edit, forgets the rows; emits afterClose when it was open.
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }

    // Navigation. A pending edit is posted first when the record was modified, and
    // cancelled when it was not. Each move emits afterScroll.
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int recNo);   // 1-based

    bool isEmpty() const { return m_rows.isEmpty(); }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    int recordCount() const { return int(m_rows.size()); }
    int recNo() const { return m_rows.isEmpty() ? 0 : m_cursor + 1; }   // 1-based, 0 when empty

    // Columns of the result, in result order.
    const QList<DatasetColumn> &columns() const { return m_columns; }
    int columnIndex(const QString &name) const;   // -1 when there is no such column
    bool hasField(const QString &name) const { return columnIndex(name) >= 0; }
    const DatasetColumn &column(const QString &name) const;   // throws DbError when unknown

    // Values of the current row. An unknown field name throws DbError; on an empty or
    // closed dataset the value is null.
    QVariant value(const QString &name) const;
    QVariant value(int index) const;
    // A value of any row (0-based row, column index), for grids.
    QVariant rowValue(int row, int index) const { return m_rows.value(row).value(index); }
    bool isNull(const QString &name) const;
    QString asString(const QString &name) const;      // "" for null
    int asInteger(const QString &name) const;         // 0 for null
    bool asBoolean(const QString &name) const;        // false for null
    double asFloat(const QString &name) const;        // 0 for null
    QDateTime asDateTime(const QString &name) const;  // invalid for null
    QUuid asGuid(const QString &name) const;          // null uuid for null
    QByteArray asBlob(const QString &name) const;     // empty for null

    // Writing needs edit or insert state (throws DbError otherwise). Texts are cut to the
    // column's width. Each write emits fieldChanged(name).
    void setValue(const QString &name, const QVariant &value);
    void setString(const QString &name, const QString &value) { setValue(name, value); }
    void setInteger(const QString &name, int value) { setValue(name, value); }
    void setBoolean(const QString &name, bool value) { setValue(name, value); }
    void setFloat(const QString &name, double value) { setValue(name, value); }
    void setDateTime(const QString &name, const QDateTime &value) { setValue(name, value); }
    void setGuid(const QString &name, const QUuid &value) { setValue(name, QVariant::fromValue(value)); }
    void setBlob(const QString &name, const QByteArray &value) { setValue(name, value); }
    void setNull(const QString &name) { setValue(name, QVariant()); }

    // Enters edit state (an empty dataset enters insert state instead). Emits afterEdit.
    // Throws DbError on a closed or read-only dataset.
    void edit();
    // Adds an empty row after the current one and enters insert state. Emits afterInsert.
    void insert();
    // Writes the pending changes to the server, back to browse state. Emits afterPost.
    // Nothing changed: back to browse without a statement.
    void post();
    // Drops the pending changes. Emits afterCancel.
    void cancel();
    bool isModified() const { return !m_changed.isEmpty(); }
    // Names of the fields written since edit()/insert(), in the order first written.
    QStringList changedFields() const;

    // Posts when modified, cancels an unmodified edit (what a move does first).
    void checkBrowseMode();

    // The last statement post() sent (for messages and tests).
    QString lastPostStatement() const { return m_lastPostStatement; }

    // Event handlers of the owning window, each run right after the signal of the same
    // name. Unlike slots they may throw; the error reaches the caller of the operation
    // (open, a move, edit, post, close), and the operation itself stays done.
    std::function<void()> onAfterOpen;
    std::function<void()> onAfterClose;
    std::function<void()> onAfterScroll;
    std::function<void()> onAfterEdit;
    std::function<void()> onAfterPost;

signals:
    void afterOpen();
    void afterClose();
    void afterScroll();
    void afterEdit();
    void afterInsert();
    void afterPost();
    void afterCancel();
    // Every change of state(): open, close, edit, insert, post, cancel.
    void stateChanged(Dataset::State state);
    // A field of the current row was written.
    void fieldChanged(const QString &name);
    // The current row shows other values (open, close, scroll, cancel): refresh everything.
    void recordChanged();

private:
    struct KeyInfo;
    void requireOpen(const char *what) const;
    void moveCursor(int index);
    QString buildUpdate() const;
    QString buildInsert() const;
    QString keyCondition() const;
    QString literal(const DatasetColumn &column, const QVariant &value) const;
    QStringList primaryKeyColumns() const;
    void setState(State state);
    void fireOpen();
    void fireClose();
    void fireScroll();
    void fireEdit();
    void firePost();

    Connection *m_connection = nullptr;
    QString m_sql;
    int m_timeout = 1200;
    QString m_updateTable;
    bool m_readOnly = false;
    State m_state = State::Inactive;
    QList<DatasetColumn> m_columns;
    QVector<QVector<QVariant>> m_rows;
    QVector<QVariant> m_original;   // the current row as it was when editing began
    QList<int> m_changed;           // columns written since edit()/insert(), in order
    int m_cursor = 0;
    bool m_eof = true;
    bool m_bof = true;
    int m_insertedAt = -1;
    QString m_lastPostStatement;
    mutable bool m_pkLoaded = false;
    mutable QStringList m_pk;
};
