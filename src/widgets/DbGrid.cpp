#include "widgets/DbGrid.h"

#include "connection/DataSource.h"
#include "connection/DbError.h"

#include <QHeaderView>
#include <QKeyEvent>

DatasetModel::DatasetModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void DatasetModel::setDataset(Dataset *dataset)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (dataset) {
        connect(dataset, &Dataset::afterOpen, this, &DatasetModel::reload);
        connect(dataset, &Dataset::afterClose, this, &DatasetModel::reload);
        connect(dataset, &Dataset::afterPost, this, &DatasetModel::reload);
        connect(dataset, &Dataset::afterCancel, this, &DatasetModel::reload);
        connect(dataset, &Dataset::afterInsert, this, &DatasetModel::reload);
        connect(dataset, &Dataset::fieldChanged, this, [this](const QString &name) {
            for (int c = 0; c < m_columns.size(); ++c) {
                if (m_columns[c].first.compare(name, Qt::CaseInsensitive) == 0 && m_dataset && !m_dataset->isEmpty()) {
                    const int r = m_dataset->recNo() - 1;
                    if (r < m_cache.size())
                        m_cache[r][c] = m_dataset->value(name);
                    emit dataChanged(index(r, c), index(r, c));
                }
            }
        });
    }
    reload();
}

void DatasetModel::setColumns(const QList<QPair<QString, QString>> &columns)
{
    m_columns = columns;
    reload();
}

void DatasetModel::reload()
{
    beginResetModel();
    m_cache.clear();
    if (m_dataset && m_dataset->isOpen()) {
        // The dataset keeps all rows on the client; copy the shown columns.
        const int keep = m_dataset->recNo();
        Q_UNUSED(keep);
        QList<int> idx;
        for (const auto &c : m_columns)
            idx << m_dataset->columnIndex(c.first);
        m_cache.resize(m_dataset->recordCount());
        for (int r = 0; r < m_dataset->recordCount(); ++r) {
            QVector<QVariant> row(m_columns.size());
            for (int c = 0; c < idx.size(); ++c)
                row[c] = idx[c] >= 0 ? m_dataset->rowValue(r, idx[c]) : QVariant();
            m_cache[r] = row;
        }
    }
    endResetModel();
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_cache.size());
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_cache.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_cache[index.row()][index.column()].toString();
    return QVariant();
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section < m_columns.size())
        return m_columns[section].second;
    return QAbstractTableModel::headerData(section, orientation, role);
}

DbGrid::DbGrid(QWidget *parent)
    : QTableView(parent), m_model(new DatasetModel(this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsClickable(false);
    setWordWrap(false);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { onCurrentChanged(current); });
    connect(m_model, &QAbstractItemModel::modelReset, this, &DbGrid::syncFromDataset);
}

void DbGrid::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_model->setDataset(source ? source->dataset() : nullptr);
    if (source && source->dataset())
        connect(source->dataset(), &Dataset::afterScroll, this, &DbGrid::syncFromDataset);
    syncFromDataset();
}

void DbGrid::setColumns(const QList<QPair<QString, QString>> &columns)
{
    m_model->setColumns(columns);
}

void DbGrid::onCurrentChanged(const QModelIndex &current)
{
    if (m_syncing || !current.isValid() || !m_source || !m_source->dataset() || !m_source->dataset()->isOpen())
        return;
    Dataset *ds = m_source->dataset();
    if (ds->recNo() == current.row() + 1)
        return;
    try {
        ds->moveTo(current.row() + 1);
    } catch (const DbError &e) {
        syncFromDataset();
        emit error(e.message());
    }
}

void DbGrid::syncFromDataset()
{
    if (!m_source || !m_source->dataset())
        return;
    const Dataset *ds = m_source->dataset();
    m_syncing = true;
    if (ds->isOpen() && !ds->isEmpty() && ds->recNo() - 1 < m_model->rowCount()) {
        const QModelIndex idx = m_model->index(ds->recNo() - 1, 0);
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(idx);
    } else {
        selectionModel()->clear();
    }
    m_syncing = false;
}
