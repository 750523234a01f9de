#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The lines of the loaded reader files, as a list for a view. Lines are added in whole
// blocks (one per file), so a view lays them out once per block, not once per line.
class ReaderLinesModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ReaderLinesModel(QObject *parent = nullptr);

    const QStringList &lines() const { return m_lines; }
    int count() const { return int(m_lines.size()); }
    void clear();
    void append(const QStringList &lines);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QStringList m_lines;
};
