#include "connection/Dataset.h"

#include "connection/Connection.h"
#include "connection/DbError.h"
#include "connection/OdbcQuery.h"
#include "connection/SqlText.h"

#include <QRegularExpression>

bool DatasetColumn::isText() const
{
    return typeName.contains(QLatin1String("char")) || typeName == QLatin1String("text")
           || typeName == QLatin1String("ntext") || typeName == QLatin1String("xml");
}

bool DatasetColumn::isBinary() const
{
    return typeName.contains(QLatin1String("binary")) || typeName == QLatin1String("image");
}

bool DatasetColumn::isBlob() const
{
    return typeName == QLatin1String("image") || typeName == QLatin1String("text") || typeName == QLatin1String("ntext")
           || typeName == QLatin1String("xml") || typeName.endsWith(QLatin1String("(max)"))
           || typeName == QLatin1String("sql_variant");
}

namespace {

// A table name as written after FROM: each dotted part bracketed unless already so.
QString bracketTable(const QString &table)
{
    if (table.contains(QLatin1Char('[')))
        return table;
    QStringList parts = table.split(QLatin1Char('.'));
    for (QString &p : parts)
        p = SqlText::bracketed(p);
    return parts.join(QLatin1Char('.'));
}

QString quoted(const QString &text, bool unicode)
{
    return unicode ? SqlText::unicode(text) : SqlText::quoted(text);
}

bool isIntegerType(const QString &t)
{
    return t == QLatin1String("int") || t == QLatin1String("bigint") || t == QLatin1String("smallint")
           || t == QLatin1String("tinyint");
}

bool isNumericType(const QString &t)
{
    return t == QLatin1String("decimal") || t == QLatin1String("numeric") || t == QLatin1String("money")
           || t == QLatin1String("smallmoney") || t == QLatin1String("float") || t == QLatin1String("real");
}

} // namespace

void Dataset::fireOpen()
{
    emit afterOpen();
    if (onAfterOpen)
        onAfterOpen();
}

void Dataset::fireClose()
{
    emit afterClose();
    if (onAfterClose)
        onAfterClose();
}

void Dataset::fireScroll()
{
    emit afterScroll();
    if (onAfterScroll)
        onAfterScroll();
}

void Dataset::fireEdit()
{
    emit afterEdit();
    if (onAfterEdit)
        onAfterEdit();
}

void Dataset::firePost()
{
    emit afterPost();
    if (onAfterPost)
        onAfterPost();
}

Dataset::Dataset(QObject *parent)
    : QObject(parent)
{
}

Dataset::~Dataset() = default;

QString Dataset::updateTable() const
{
    if (!m_updateTable.isEmpty())
        return m_updateTable;
    static const QRegularExpression from(
        QStringLiteral("\\bFROM\\s+((?:\\[[^\\]]*\\]|[\\w#@$]+)(?:\\s*\\.\\s*(?:\\[[^\\]]*\\]|[\\w#@$]+))*)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const auto m = from.match(m_sql);
    return m.hasMatch() ? m.captured(1).remove(QRegularExpression(QStringLiteral("\\s+"))) : QString();
}

void Dataset::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void Dataset::requireOpen(const char *what) const
{
    if (m_state == State::Inactive)
        throw DbError(QStringLiteral("%1: operação não permitida com o conjunto de dados fechado ..!")
                          .arg(objectName().isEmpty() ? QString::fromLatin1(what) : objectName()));
}

void Dataset::open()
{
    if (isOpen())
        return;
    if (!m_connection)
        throw DbError(QStringLiteral("%1: conjunto de dados sem conexão ..!").arg(objectName()));
    OdbcQuery::Result r = OdbcQuery::select(*m_connection, m_sql, m_timeout);
    m_columns = r.columns;
    m_rows = std::move(r.rows);
    m_changed.clear();
    m_original.clear();
    m_insertedAt = -1;
    m_pkLoaded = false;
    m_cursor = 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    setState(State::Browse);
    emit recordChanged();
    fireOpen();
    fireScroll();
}

void Dataset::close()
{
    if (!isOpen())
        return;
    m_changed.clear();
    m_original.clear();
    m_rows.clear();
    m_columns.clear();
    m_insertedAt = -1;
    m_cursor = 0;
    m_eof = m_bof = true;
    setState(State::Inactive);
    emit recordChanged();
    fireClose();
}

void Dataset::checkBrowseMode()
{
    if (!isEditing())
        return;
    if (isModified())
        post();
    else
        cancel();
}

void Dataset::moveCursor(int index)
{
    const int old = m_cursor;
    m_cursor = index;
    if (old != m_cursor)
        emit recordChanged();
    fireScroll();
}

void Dataset::first()
{
    requireOpen("first");
    checkBrowseMode();
    m_bof = true;
    m_eof = m_rows.isEmpty();
    moveCursor(0);
}

void Dataset::last()
{
    requireOpen("last");
    checkBrowseMode();
    m_eof = true;
    m_bof = m_rows.isEmpty();
    moveCursor(m_rows.isEmpty() ? 0 : int(m_rows.size()) - 1);
}

void Dataset::next()
{
    requireOpen("next");
    checkBrowseMode();
    m_bof = false;
    if (m_rows.isEmpty() || m_cursor >= m_rows.size() - 1) {
        m_eof = true;
        fireScroll();
        return;
    }
    m_eof = false;
    moveCursor(m_cursor + 1);
}

void Dataset::prior()
{
    requireOpen("prior");
    checkBrowseMode();
    m_eof = false;
    if (m_cursor <= 0) {
        m_bof = true;
        fireScroll();
        return;
    }
    m_bof = false;
    moveCursor(m_cursor - 1);
}

void Dataset::moveTo(int recNo)
{
    requireOpen("moveTo");
    if (m_rows.isEmpty())
        return;
    const int index = qBound(0, recNo - 1, int(m_rows.size()) - 1);
    if (index == m_cursor && !isEditing())
        return;
    checkBrowseMode();
    m_bof = index == 0;
    m_eof = false;
    moveCursor(index);
}

int Dataset::columnIndex(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const DatasetColumn &Dataset::column(const QString &name) const
{
    const int i = columnIndex(name);
    if (i < 0)
        throw DbError(QStringLiteral("%1: campo '%2' não encontrado ..!").arg(objectName(), name));
    return m_columns[i];
}

QVariant Dataset::value(int index) const
{
    if (index < 0 || index >= m_columns.size() || m_rows.isEmpty())
        return QVariant();
    return m_rows[m_cursor][index];
}

QVariant Dataset::value(const QString &name) const
{
    if (!isOpen())
        return QVariant();
    column(name);   // unknown names throw
    return value(columnIndex(name));
}

bool Dataset::isNull(const QString &name) const
{
    return value(name).isNull();
}

QString Dataset::asString(const QString &name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return QString();
    if (v.canConvert<QUuid>() && v.typeId() == QMetaType::QUuid)
        return v.value<QUuid>().toString(QUuid::WithBraces).toUpper();
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

int Dataset::asInteger(const QString &name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return 0;
    bool ok = false;
    const int i = v.toInt(&ok);
    if (!ok && v.typeId() == QMetaType::QString && !v.toString().trimmed().isEmpty())
        throw DbError(QStringLiteral("'%1' não é um valor inteiro válido ..!").arg(v.toString()));
    return i;
}

bool Dataset::asBoolean(const QString &name) const
{
    const QVariant v = value(name);
    return v.isNull() ? false : v.toBool();
}

double Dataset::asFloat(const QString &name) const
{
    const QVariant v = value(name);
    return v.isNull() ? 0.0 : v.toDouble();
}

QDateTime Dataset::asDateTime(const QString &name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return QDateTime();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().startOfDay();
    return v.toDateTime();
}

QUuid Dataset::asGuid(const QString &name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return QUuid();
    if (v.typeId() == QMetaType::QUuid)
        return v.value<QUuid>();
    return QUuid(v.toString());
}

QByteArray Dataset::asBlob(const QString &name) const
{
    const QVariant v = value(name);
    return v.isNull() ? QByteArray() : v.toByteArray();
}

void Dataset::setValue(const QString &name, const QVariant &value)
{
    if (!isEditing())
        throw DbError(QStringLiteral("%1: o conjunto de dados não está em modo de edição ou inclusão ..!").arg(objectName()));
    const int index = columnIndex(name);
    if (index < 0)
        column(name);   // throws
    const DatasetColumn &c = m_columns[index];
    QVariant v = value;
    if (!v.isNull() && c.isText() && c.size > 0 && !c.isBlob()) {
        QString s = v.toString();
        if (s.size() > c.size)
            s.truncate(c.size);
        v = s;
    } else if (!v.isNull() && c.typeName == QLatin1String("uniqueidentifier") && v.typeId() != QMetaType::QUuid) {
        v = QVariant::fromValue(QUuid(v.toString()));
    } else if (!v.isNull() && c.typeName == QLatin1String("bit")) {
        v = QVariant(v.toBool());
    }
    m_rows[m_cursor][index] = v;
    if (!m_changed.contains(index))
        m_changed.append(index);
    emit fieldChanged(c.name);
}

QStringList Dataset::changedFields() const
{
    QStringList out;
    for (int i : m_changed)
        out << m_columns[i].name;
    return out;
}

void Dataset::edit()
{
    requireOpen("edit");
    if (isEditing())
        return;
    if (m_readOnly)
        throw DbError(QStringLiteral("%1: o conjunto de dados é somente leitura ..!").arg(objectName()));
    if (m_rows.isEmpty()) {
        insert();
        return;
    }
    m_original = m_rows[m_cursor];
    m_changed.clear();
    setState(State::Edit);
    fireEdit();
}

void Dataset::insert()
{
    requireOpen("insert");
    if (m_readOnly)
        throw DbError(QStringLiteral("%1: o conjunto de dados é somente leitura ..!").arg(objectName()));
    checkBrowseMode();
    const int at = m_rows.isEmpty() ? 0 : m_cursor + 1;
    m_rows.insert(at, QVector<QVariant>(m_columns.size()));
    m_insertedAt = at;
    m_cursor = at;
    m_original = m_rows[at];
    m_changed.clear();
    m_eof = m_bof = false;
    setState(State::Insert);
    emit recordChanged();
    emit afterInsert();
    fireEdit();
}

void Dataset::cancel()
{
    if (!isEditing())
        return;
    if (m_state == State::Insert) {
        m_rows.remove(m_insertedAt);
        m_cursor = qMax(0, qMin(m_insertedAt - 1, int(m_rows.size()) - 1));
        m_insertedAt = -1;
        m_eof = m_rows.isEmpty();
    } else {
        m_rows[m_cursor] = m_original;
    }
    m_changed.clear();
    m_original.clear();
    setState(State::Browse);
    emit recordChanged();
    emit afterCancel();
}

void Dataset::post()
{
    requireOpen("post");
    if (!isEditing())
        return;
    if (m_changed.isEmpty()) {
        if (m_state == State::Insert) {
            cancel();
        } else {
            m_original.clear();
            setState(State::Browse);
        }
        firePost();
        return;
    }
    if (!m_connection)
        throw DbError(QStringLiteral("%1: conjunto de dados sem conexão ..!").arg(objectName()));
    const QString statement = m_state == State::Insert ? buildInsert() : buildUpdate();
    m_lastPostStatement = statement;
    const int affected = OdbcQuery::execute(*m_connection, statement, m_timeout);
    if (affected == 0)
        throw DbError(m_state == State::Insert
                          ? QStringLiteral("O registro não foi incluído: nenhuma linha foi gravada na tabela %1 ..!").arg(updateTable())
                          : QStringLiteral("O registro não foi gravado: a linha não foi encontrada na tabela %1 "
                                           "(alterada ou excluída por outro usuário) ..!")
                                .arg(updateTable()));
    m_changed.clear();
    m_original.clear();
    m_insertedAt = -1;
    setState(State::Browse);
    firePost();
}

QString Dataset::literal(const DatasetColumn &c, const QVariant &v) const
{
    if (v.isNull())
        return QStringLiteral("NULL");
    const QString &t = c.typeName;
    if (t == QLatin1String("bit"))
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (isIntegerType(t)) {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        return ok ? QString::number(n) : quoted(v.toString(), false);
    }
    if (isNumericType(t)) {
        if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
            return QString::number(v.toDouble(), 'g', 17);
        bool ok = false;
        v.toString().toDouble(&ok);
        return ok ? v.toString() : quoted(v.toString(), false);
    }
    if (t == QLatin1String("uniqueidentifier")) {
        const QUuid u = v.typeId() == QMetaType::QUuid ? v.value<QUuid>() : QUuid(v.toString());
        return quoted(u.toString(QUuid::WithoutBraces).toUpper(), false);
    }
    if (c.isBinary()) {
        const QByteArray b = v.toByteArray();
        return QStringLiteral("0x") + QString::fromLatin1(b.toHex().toUpper());
    }
    if (v.typeId() == QMetaType::QDateTime)
        return quoted(v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")), false);
    if (v.typeId() == QMetaType::QDate)
        return quoted(v.toDate().toString(QStringLiteral("yyyyMMdd")), false);
    if (v.typeId() == QMetaType::QTime)
        return quoted(v.toTime().toString(QStringLiteral("HH:mm:ss.zzz")), false);
    const bool unicode = t.startsWith(QLatin1Char('n')) || t == QLatin1String("xml") || t == QLatin1String("sql_variant");
    return quoted(v.toString(), unicode);
}

QStringList Dataset::primaryKeyColumns() const
{
    if (m_pkLoaded)
        return m_pk;
    m_pkLoaded = true;
    m_pk.clear();
    QString table = updateTable();
    table.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    table = table.section(QLatin1Char('.'), -1);
    const QString sql = QStringLiteral(
        "SELECT k.COLUMN_NAME FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS t "
        "INNER JOIN INFORMATION_SCHEMA.KEY_COLUMN_USAGE k ON k.CONSTRAINT_NAME = t.CONSTRAINT_NAME "
        "AND k.TABLE_NAME = t.TABLE_NAME WHERE t.CONSTRAINT_TYPE = 'PRIMARY KEY' AND t.TABLE_NAME = %1 "
        "ORDER BY k.ORDINAL_POSITION")
        .arg(quoted(table, true));
    // A server without the catalogue views gives no key: the row is then found by its
    // original values, which is the only fallback there is.
    try {
        const OdbcQuery::Result r = OdbcQuery::select(*m_connection, sql, m_timeout);
        for (const auto &row : r.rows)
            m_pk << row.value(0).toString();
    } catch (const DbError &) {
        m_pk.clear();
    }
    for (const QString &k : m_pk)
        if (columnIndex(k) < 0)
            return m_pk = QStringList();
    return m_pk;
}

QString Dataset::keyCondition() const
{
    auto condition = [this](int i) {
        const QVariant v = m_original.value(i);
        return v.isNull() ? SqlText::bracketed(m_columns[i].name) + QStringLiteral(" IS NULL")
                          : SqlText::bracketed(m_columns[i].name) + QStringLiteral(" = ") + literal(m_columns[i], v);
    };
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].identity && !m_original.value(i).isNull())
            return condition(i);
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].typeName == QLatin1String("uniqueidentifier") && !m_original.value(i).isNull())
            return condition(i);
    const QStringList pk = primaryKeyColumns();
    QStringList parts;
    if (!pk.isEmpty()) {
        for (const QString &k : pk)
            parts << condition(columnIndex(k));
    } else {
        for (int i = 0; i < m_columns.size(); ++i)
            if (!m_columns[i].isBlob())
                parts << condition(i);
    }
    return parts.join(QStringLiteral(" AND "));
}

QString Dataset::buildUpdate() const
{
    const QString table = updateTable();
    if (table.isEmpty())
        throw DbError(QStringLiteral("%1: não foi possível identificar a tabela a gravar ..!").arg(objectName()));
    QStringList sets;
    for (int i : m_changed)
        sets << SqlText::bracketed(m_columns[i].name) + QStringLiteral(" = ") + literal(m_columns[i], m_rows[m_cursor][i]);
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(bracketTable(table), sets.join(QStringLiteral(", ")), keyCondition());
}

QString Dataset::buildInsert() const
{
    const QString table = updateTable();
    if (table.isEmpty())
        throw DbError(QStringLiteral("%1: não foi possível identificar a tabela a gravar ..!").arg(objectName()));
    QStringList names, values;
    for (int i : m_changed) {
        names << SqlText::bracketed(m_columns[i].name);
        values << literal(m_columns[i], m_rows[m_cursor][i]);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(bracketTable(table), names.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}
