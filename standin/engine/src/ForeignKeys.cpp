// Foreign keys: a referencing row needs its key in the referenced table (unless a column of it is NULL),
// and a referenced row cannot go while rows reference it. Both sides are read after the statement's change,
// with the unique index of the referenced key, as SQL Server checks them before the AFTER triggers.
#include "Errors.h"
#include "Executor.h"

namespace standin {

namespace {

std::vector<int> columnNumbers(const Table& t, const QStringList& names)
{
    std::vector<int> out;
    for (const QString& n : names)
        out.push_back(t.columnIndex(n));
    return out;
}

bool sameColumns(const QStringList& a, const QStringList& b)
{
    if (a.size() != b.size())
        return false;
    for (const QString& c : a)
        if (!b.contains(c, Qt::CaseInsensitive))
            return false;
    return true;
}

// The unique index of `parent` on exactly these columns (in the key's own order), or nullptr.
const RowIndex* keyIndex(const Table& parent, const QStringList& columns, std::vector<int>* order)
{
    parent.ensureIndexes();
    for (const RowIndex& idx : parent.indexes) {
        if (idx.key < 0)
            continue;
        const KeyConstraint& k = parent.keys[size_t(idx.key)];
        if (k.filter || !sameColumns(k.columns, columns))
            continue;
        // The referencing columns in the order of the key's columns.
        order->clear();
        for (const QString& kc : k.columns)
            for (int i = 0; i < columns.size(); ++i)
                if (collationKey(columns[i]) == collationKey(kc))
                    order->push_back(i);
        return &idx;
    }
    return nullptr;
}

// Whether the referenced key of `row` (its columns `fk`) is in `parent`; a NULL column matches anything.
bool keyPresent(const Table& parent, const RowIndex& idx, const Row& row, const std::vector<int>& fk,
                const std::vector<int>& order)
{
    Row key(parent.columns.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const Value& v = row[size_t(fk[size_t(order[i])])];
        if (v.isNull())
            return true;
        key[size_t(idx.columns[i])] = v;
    }
    return idx.map.count(indexKey(key, idx.columns)) > 0;
}

QString columnPart(const QStringList& columns)
{
    return columns.size() == 1 ? QStringLiteral(", column '%1'").arg(columns[0]) : QString();
}

}  // namespace

void Executor::validateForeignKey(const Database& db, const Table& t, OtherConstraint& fk)
{
    // describeForeignKey() has resolved the table and the columns on both sides; the columns referenced must
    // be those of a primary key or an unfiltered unique key.
    const Table* parent = collationKey(fk.refTable) == collationKey(t.name) ? &t : db.findTable(fk.refTable).get();
    const bool keyed = parent && std::any_of(parent->keys.begin(), parent->keys.end(), [&](const KeyConstraint& k) {
        return !k.filter && sameColumns(k.columns, fk.refColumns);
    });
    if (!keyed) {
        messages_->push_back(
            sqlError(1776, QStringLiteral("There are no primary or candidate keys in the referenced table '%1' "
                                          "that match the referencing column list in the foreign key '%2'.")
                               .arg(fk.refTable, fk.name))
                .message);
        throw sqlError(1750, QStringLiteral("Could not create constraint or index. See previous errors."));
    }
}

void Executor::checkForeignKeys(const Database& db, const Table& t, const std::vector<const Row*>& rows,
                                const char* statement, const QString* only)
{
    for (const OtherConstraint& o : t.others) {
        if (o.kind != ConstraintKind::ForeignKey || !o.enabled || o.refTable.isEmpty())
            continue;
        if (only && collationKey(*only) != collationKey(o.name))
            continue;
        const Table* parent = collationKey(o.refTable) == collationKey(t.name) ? &t : db.findTable(o.refTable).get();
        std::vector<int> order;
        const RowIndex* idx = parent ? keyIndex(*parent, o.refColumns, &order) : nullptr;
        if (!idx)
            continue;
        const std::vector<int> fk = columnNumbers(t, o.columns);
        if (std::find(fk.begin(), fk.end(), -1) != fk.end())
            continue;
        for (const Row* row : rows)
            if (!keyPresent(*parent, *idx, *row, fk, order))
                throw sqlError(547,
                               QStringLiteral("The %1 statement conflicted with the FOREIGN KEY constraint \"%2\". The "
                                              "conflict occurred in database \"%3\", table \"%4.%5\"%6.")
                                   .arg(QLatin1String(statement), o.name, db.name, parent->schema, parent->name,
                                        columnPart(o.refColumns)),
                               16, 0);
    }
}

void Executor::checkReferences(const Database& db, const Table& t, const char* statement)
{
    for (const auto& [key, child] : db.tables) {
        for (const OtherConstraint& o : child->others) {
            if (o.kind != ConstraintKind::ForeignKey || !o.enabled || collationKey(o.refTable) != collationKey(t.name))
                continue;
            std::vector<int> order;
            const RowIndex* idx = keyIndex(t, o.refColumns, &order);
            const std::vector<int> fk = columnNumbers(*child, o.columns);
            if (!idx || std::find(fk.begin(), fk.end(), -1) != fk.end())
                continue;
            for (const auto& row : child->rows)
                if (!keyPresent(t, *idx, *row, fk, order))
                    throw sqlError(
                        547,
                        QStringLiteral("The %1 statement conflicted with the REFERENCE constraint \"%2\". The "
                                       "conflict occurred in database \"%3\", table \"%4.%5\"%6.")
                            .arg(QLatin1String(statement), o.name, db.name, child->schema, child->name,
                                 columnPart(o.columns)),
                        16, 0);
        }
    }
}

bool Executor::isReferenced(const Database& db, const Table& t) const
{
    for (const auto& [key, child] : db.tables)
        for (const OtherConstraint& o : child->others)
            if (o.kind == ConstraintKind::ForeignKey && o.enabled && collationKey(o.refTable) == collationKey(t.name))
                return true;
    return false;
}

}  // namespace standin
