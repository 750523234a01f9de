#include "conference/ReaderLinesModel.h"

ReaderLinesModel::ReaderLinesModel(QObject *parent) : QAbstractListModel(parent)
{ }

void ReaderLinesModel::clear()
{
    if (m_lines.isEmpty())
        return;
    beginResetModel();
    m_lines.clear();
    m_lines.squeeze();
    endResetModel();
}

void ReaderLinesModel::append(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + int(lines.size()) - 1);
    m_lines.append(lines);
    endInsertRows();
}

int ReaderLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ReaderLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_lines.at(index.row());
    return QVariant();
}
