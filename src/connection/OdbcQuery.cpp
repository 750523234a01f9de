#include "connection/OdbcQuery.h"

#include "connection/Connection.h"
#include "connection/DbError.h"

#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QtEndian>

#include <sql.h>
#include <sqlext.h>

namespace OdbcQuery {
namespace {

// ODBC SQL types (sql.h / sqlext.h / SQL Server extensions).
enum : int {
    OdbcChar = 1, OdbcNumeric = 2, OdbcDecimal = 3, OdbcInteger = 4, OdbcSmallInt = 5, OdbcFloat = 6,
    OdbcReal = 7, OdbcDouble = 8, OdbcDate2 = 9, OdbcTime2 = 10, OdbcTimestamp2 = 11, OdbcVarChar = 12, OdbcTypeDate = 91, OdbcTypeTime = 92,
    OdbcTypeTimestamp = 93, OdbcLongVarChar = -1, OdbcBinary = -2, OdbcVarBinary = -3, OdbcLongVarBinary = -4,
    OdbcBigInt = -5, OdbcTinyInt = -6, OdbcBit = -7, OdbcWChar = -8, OdbcWVarChar = -9, OdbcWLongVarChar = -10,
    OdbcGuid = -11, OdbcSsVariant = -150, OdbcSsXml = -152, OdbcSsTime2 = -154, OdbcSsTimestampOffset = -155,
};

void raise(const QSqlError &e)
{
    QString text = stripDriverTags(e.databaseText());
    if (text.isEmpty())
        text = stripDriverTags(e.text());
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    throw DbError(text, ok ? code : 0);
}

void requireOpen(Connection &connection)
{
    if (!connection.isOpen())
        throw DbError(QStringLiteral("A conexão com o servidor não está aberta ..!"));
}

DatasetColumn columnOf(const QSqlField &f)
{
    DatasetColumn c;
    c.name = f.name();
    c.odbcType = f.typeID();
    c.size = f.length() < 0 ? 0 : f.length();
    c.precision = c.size;
    c.scale = f.precision() < 0 ? 0 : f.precision();
    c.nullable = f.requiredStatus() != QSqlField::Required;
    c.identity = f.isAutoValue();
    c.typeName = serverTypeName(c.odbcType, c.size, c.scale);
    if (c.size >= 0x3FFFFFFF)
        c.size = 0;
    return c;
}

// The ODBC statement underneath a query (nullptr when the driver is not ODBC).
SQLHANDLE statementOf(const QSqlQuery &q)
{
    const QVariant h = q.result() ? q.result()->handle() : QVariant();
    // SQLHANDLE is a typedef of void *, so the variant may carry either name.
    if (!h.isValid() || (qstrcmp(h.typeName(), "SQLHANDLE") != 0 && qstrcmp(h.typeName(), "void*") != 0))
        return nullptr;
    return *static_cast<SQLHANDLE const *>(h.constData());
}

// The identity flag of each column, read from the ODBC statement underneath (the driver
// reports it as SQL_DESC_AUTO_UNIQUE_VALUE from the server's column metadata).
void readIdentityFlags(const QSqlQuery &q, QList<DatasetColumn> &columns)
{
    SQLHANDLE stmt = statementOf(q);
    if (!stmt)
        return;
    for (int i = 0; i < columns.size(); ++i) {
        SQLLEN flag = SQL_FALSE;
        if (SQL_SUCCEEDED(SQLColAttribute(stmt, SQLUSMALLINT(i + 1), SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &flag)))
            columns[i].identity = columns[i].identity || flag == SQL_TRUE;
    }
}

// A real (4-byte float) cell of the current row, read from the statement underneath. Qt
// reads decimals as text to keep every digit, sized by the column's display size, and a real
// column has a display size of 7: a value such as 0.9 (0.899999976) does not fit that text
// and comes back empty. The columns before this one must have been read already, since the
// driver hands out the cells of a row in column order.
QVariant readReal(SQLHANDLE stmt, int index)
{
    double value = 0;
    SQLLEN indicator = 0;
    const SQLRETURN r = SQLGetData(stmt, SQLUSMALLINT(index + 1), SQL_C_DOUBLE, &value, sizeof value, &indicator);
    if (!SQL_SUCCEEDED(r) || indicator == SQL_NULL_DATA)
        return QVariant();
    // Through float, so that the value is the shortest decimal of the stored number.
    return QVariant(QString::number(float(value), 'g', 9).toDouble());
}

bool isCharacter(int odbcType)
{
    switch (odbcType) {
    case OdbcChar: case OdbcVarChar: case OdbcLongVarChar:
    case OdbcWChar: case OdbcWVarChar: case OdbcWLongVarChar:
        return true;
    default:
        return false;
    }
}

// A character cell of the current row, read from the statement underneath as UTF-16 in
// chunks until the driver has handed out all of it. Qt reads text in the client's 8-bit
// character set into a buffer sized by the column (256 bytes for a (max) column); when the
// text does not fit, the driver cannot tell how long the rest is once converted and answers
// "no total", which Qt takes for NULL, and a character cut between two chunks is garbled.
// So a long nvarchar(max) value, or accented text that fills a narrow column, came back
// empty. In UTF-16 the driver converts nothing and every chunk ends on a whole unit. The
// columns before this one must have been read already (cells are handed out in order).
QVariant readText(SQLHANDLE stmt, int index)
{
    constexpr int chunkUnits = 4096;
    SQLWCHAR chunk[chunkUnits];
    QString text;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN r = SQLGetData(stmt, SQLUSMALLINT(index + 1), SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r)) {
            SQLWCHAR state[6] = {}, message[512] = {};
            SQLINTEGER native = 0;
            SQLSMALLINT length = 0;
            QString reason;
            if (SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_STMT, stmt, 1, state, &native, message, 512, &length)))
                reason = QString::fromUtf16(reinterpret_cast<const char16_t *>(message), qMin<int>(length, 511));
            throw DbError(stripDriverTags(reason).isEmpty()
                              ? QStringLiteral("O texto da coluna %1 não pôde ser lido ..!").arg(index + 1)
                              : stripDriverTags(reason),
                          int(native));
        }
        if (indicator == SQL_NULL_DATA)
            return QVariant();   // as every other NULL cell of a row (normalize)
        // A full chunk holds one unit less than its size: the driver ends it with a zero.
        const bool full = indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof chunk);
        const qsizetype units = full ? chunkUnits - 1 : qsizetype(indicator / SQLLEN(sizeof(SQLWCHAR)));
        text.append(QStringView(reinterpret_cast<const char16_t *>(chunk), units));
        if (!full)
            break;
    }
    return QVariant(text); // not null, also when the server sent an empty text
}

// The ODBC connection underneath a connection (nullptr when the driver is not ODBC).
SQLHANDLE connectionHandle(Connection &connection)
{
    const QSqlDatabase db = connection.database();
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || (qstrcmp(h.typeName(), "SQLHANDLE") != 0 && qstrcmp(h.typeName(), "void*") != 0))
        return nullptr;
    return *static_cast<SQLHANDLE const *>(h.constData());
}

// Raises the diagnostics of a handle as one DbError: every record's text without the
// driver's tags, and the first server error number among them.
[[noreturn]] void raiseDiagnostics(SQLSMALLINT type, SQLHANDLE handle, const QString &fallback)
{
    QStringList texts;
    int code = 0;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLWCHAR message[2048] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, record, state, &native, message, 2048, &length)))
            break;
        texts << QString::fromUtf16(reinterpret_cast<const char16_t *>(message), qBound<int>(0, length, 2047));
        if (code == 0 && native != 0)
            code = int(native);
    }
    const QString text = stripDriverTags(texts.join(QLatin1Char(' ')));
    throw DbError(text.isEmpty() ? fallback : text, code);
}

// Steps through the remaining results of the batch so that errors of later statements
// surface; returns false with the query's error set when one failed.
void drain(QSqlQuery &q)
{
    while (q.nextResult()) {
    }
    if (q.lastError().isValid())
        raise(q.lastError());
}

} // namespace

QString serverTypeName(int odbcType, int size, int scale)
{
    const bool unlimited = size == 0 || size >= 0x3FFFFFFF;
    switch (odbcType) {
    case OdbcChar: return QStringLiteral("char");
    case OdbcVarChar: return unlimited ? QStringLiteral("varchar(max)") : QStringLiteral("varchar");
    case OdbcLongVarChar: return QStringLiteral("text");
    case OdbcWChar: return QStringLiteral("nchar");
    case OdbcWVarChar: return unlimited ? QStringLiteral("nvarchar(max)") : QStringLiteral("nvarchar");
    case OdbcWLongVarChar: return QStringLiteral("ntext");
    case OdbcBit: return QStringLiteral("bit");
    case OdbcTinyInt: return QStringLiteral("tinyint");
    case OdbcSmallInt: return QStringLiteral("smallint");
    case OdbcInteger: return QStringLiteral("int");
    case OdbcBigInt: return QStringLiteral("bigint");
    case OdbcReal: return QStringLiteral("real");
    case OdbcFloat:
    case OdbcDouble: return QStringLiteral("float");
    case OdbcDecimal:
        if (size == 19 && scale == 4)
            return QStringLiteral("money");
        if (size == 10 && scale == 4)
            return QStringLiteral("smallmoney");
        return QStringLiteral("decimal");
    case OdbcNumeric: return QStringLiteral("numeric");
    case OdbcGuid: return QStringLiteral("uniqueidentifier");
    case OdbcBinary: return QStringLiteral("binary");
    case OdbcVarBinary: return unlimited ? QStringLiteral("varbinary(max)") : QStringLiteral("varbinary");
    case OdbcLongVarBinary: return QStringLiteral("image");
    // Qt's ODBC driver works in ODBC 2 mode, where the driver reports date, time and
    // timestamp as 9, 10 and 11; ODBC 3 numbers them 91, 92 and 93.
    case OdbcDate2:
    case OdbcTypeDate: return QStringLiteral("date");
    case OdbcTime2:
    case OdbcTypeTime:
    case OdbcSsTime2: return QStringLiteral("time");
    case OdbcTimestamp2:
    case OdbcTypeTimestamp:
        if (size == 16)
            return QStringLiteral("smalldatetime");
        if (size == 23 || size == 0)
            return QStringLiteral("datetime");
        return QStringLiteral("datetime2");
    case OdbcSsTimestampOffset: return QStringLiteral("datetimeoffset");
    case OdbcSsVariant: return QStringLiteral("sql_variant");
    case OdbcSsXml: return QStringLiteral("xml");
    default: return QStringLiteral("unknown(%1)").arg(odbcType);
    }
}

QVariant normalize(const DatasetColumn &column, const QVariant &value)
{
    if (value.isNull())
        return QVariant();
    if (column.typeName == QLatin1String("uniqueidentifier")) {
        if (value.typeId() == QMetaType::QByteArray && value.toByteArray().size() == 16) {
            // SQLGUID: Data1, Data2, Data3 in the machine's byte order, then 8 bytes.
            const QByteArray b = value.toByteArray();
            const auto *p = reinterpret_cast<const uchar *>(b.constData());
            const uint d1 = qFromLittleEndian<quint32>(p);
            const ushort d2 = qFromLittleEndian<quint16>(p + 4);
            const ushort d3 = qFromLittleEndian<quint16>(p + 6);
            return QVariant::fromValue(QUuid(d1, d2, d3, p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]));
        }
        const QUuid u(value.toString().trimmed());
        return u.isNull() && !value.toString().contains(QLatin1String("00000000")) ? value : QVariant::fromValue(u);
    }
    if (column.typeName == QLatin1String("bit"))
        return QVariant(value.toBool());
    return value;
}

Result select(Connection &connection, const QString &text, int timeoutSeconds)
{
    requireOpen(connection);
    QSqlQuery q(connection.database());
    q.setForwardOnly(true);
    if (timeoutSeconds > 0) {
        // Qt allocates the statement in prepare(): the timeout goes on it before it runs.
        if (!q.prepare(text))
            raise(q.lastError());
        if (SQLHANDLE stmt = statementOf(q))
            SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(timeoutSeconds)), 0);
        if (!q.exec())
            raise(q.lastError());
    } else if (!q.exec(text)) {
        raise(q.lastError());
    }
    Result r;
    // The first result that has columns is the row set (statements before it may only count rows).
    while (!q.isSelect()) {
        if (!q.nextResult()) {
            if (q.lastError().isValid())
                raise(q.lastError());
            return r;
        }
    }
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i)
        r.columns.append(columnOf(rec.field(i)));
    readIdentityFlags(q, r.columns);
    SQLHANDLE stmt = statementOf(q);
    // A time of day is read as the driver's text ("07:05:42.1234567"): Qt would keep only
    // its milliseconds.
    while (q.next()) {
        QVector<QVariant> row(rec.count());
        for (int i = 0; i < rec.count(); ++i)
            row[i] = !stmt                               ? normalize(r.columns[i], q.value(i))
                     : r.columns[i].odbcType == OdbcReal ? readReal(stmt, i)
                     : isCharacter(r.columns[i].odbcType) || r.columns[i].typeName == QLatin1String("time")
                         ? readText(stmt, i)
                         : normalize(r.columns[i], q.value(i));
        r.rows.append(row);
    }
    if (q.lastError().isValid())
        raise(q.lastError());
    drain(q);
    return r;
}

int execute(Connection &connection, const QString &text, int timeoutSeconds)
{
    requireOpen(connection);
    SQLHANDLE dbc = connectionHandle(connection);
    if (!dbc)
        throw DbError(QStringLiteral("A conexão com o servidor não está aberta ..!"));
    // A statement of our own on the connection: Qt allocates its statements inside exec(),
    // where no timeout can be set on them. The driver cancels a statement that runs past
    // its timeout (an attention to the server) and reports the timeout as its error.
    SQLHANDLE stmt = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)))
        raiseDiagnostics(SQL_HANDLE_DBC, dbc, QStringLiteral("O comando não pôde ser preparado ..!"));
    const auto freeStatement = qScopeGuard([stmt] { SQLFreeHandle(SQL_HANDLE_STMT, stmt); });
    if (timeoutSeconds > 0)
        SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(timeoutSeconds)), 0);
    QVector<SQLWCHAR> units(text.size() + 1, 0);
    std::copy(text.utf16(), text.utf16() + text.size(), units.begin());
    SQLRETURN r = SQLExecDirectW(stmt, units.data(), SQLINTEGER(text.size()));
    // Walk every result of the batch, so that an error of a later statement surfaces; the
    // rows affected are those of the last statement that counted any.
    int affected = -1;
    for (;;) {
        if (r == SQL_ERROR || r == SQL_INVALID_HANDLE)
            raiseDiagnostics(SQL_HANDLE_STMT, stmt, QStringLiteral("O servidor recusou o comando ..!"));
        SQLLEN n = -1;
        if (SQL_SUCCEEDED(SQLRowCount(stmt, &n)) && n >= 0)
            affected = int(n);
        r = SQLMoreResults(stmt);
        if (r == SQL_NO_DATA)
            break;
    }
    return affected;
}

} // namespace OdbcQuery
