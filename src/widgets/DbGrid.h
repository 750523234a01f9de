#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>

class DataSource;
class Dataset;

// Table model over a dataset's client-side rows, showing the chosen columns.
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DatasetModel(QObject *parent = nullptr);

    void setDataset(Dataset *dataset);
    // Columns shown: field name and title.
    void setColumns(const QList<QPair<QString, QString>> &columns);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void reload();

private:
    QPointer<Dataset> m_dataset;
    QList<QPair<QString, QString>> m_columns;
    QVector<QVector<QVariant>> m_cache;
};

// A read-only grid: selecting a row makes it the dataset's current row. It never inserts,
// appends or deletes a row, whatever keys are pressed.
class DbGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DbGrid(QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    void setColumns(const QList<QPair<QString, QString>> &columns);
    DatasetModel *datasetModel() const { return m_model; }

signals:
    // Moving the current row failed (a refused post of a pending edit).
    void error(const QString &message);

private:
    void onCurrentChanged(const QModelIndex &current);
    void syncFromDataset();

    QPointer<DataSource> m_source;
    DatasetModel *m_model;
    bool m_syncing = false;
};
