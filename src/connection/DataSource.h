#pragma once

#include <QObject>

#include "connection/Dataset.h"

// Binds data-aware controls to a dataset. With automatic editing off, a bound control
// changes a field only while the program has put the dataset in edit state; with it on,
// a change in a bound control puts the dataset in edit state by itself.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr);

    void setDataset(Dataset *dataset);
    Dataset *dataset() const { return m_dataset; }

    void setAutoEdit(bool on);
    bool autoEdit() const { return m_autoEdit; }

    // Whether a bound control may change its field now.
    bool canModify() const;
    // Called by a control before it writes: true when the dataset is (now) in edit or
    // insert state; enters edit state when automatic editing is on.
    bool beginEdit();

signals:
    void autoEditChanged(bool on);
    // Re-emitted from the dataset, plus autoEditChanged: a bound control re-reads its
    // read-only state on each.
    void stateChanged();
    void recordChanged();
    void fieldChanged(const QString &name);

private:
    Dataset *m_dataset = nullptr;
    bool m_autoEdit = false;
};
