#include "connection/DataSource.h"

DataSource::DataSource(QObject *parent)
    : QObject(parent)
{
}

void DataSource::setDataset(Dataset *dataset)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (m_dataset) {
        connect(m_dataset, &Dataset::stateChanged, this, &DataSource::stateChanged);
        connect(m_dataset, &Dataset::recordChanged, this, &DataSource::recordChanged);
        connect(m_dataset, &Dataset::fieldChanged, this, &DataSource::fieldChanged);
    }
    emit stateChanged();
    emit recordChanged();
}

void DataSource::setAutoEdit(bool on)
{
    if (m_autoEdit == on)
        return;
    m_autoEdit = on;
    emit autoEditChanged(on);
    emit stateChanged();
}

bool DataSource::canModify() const
{
    if (!m_dataset || !m_dataset->isOpen() || m_dataset->isReadOnly())
        return false;
    return m_dataset->isEditing() || m_autoEdit;
}

bool DataSource::beginEdit()
{
    if (!canModify())
        return false;
    if (!m_dataset->isEditing())
        m_dataset->edit();
    return m_dataset->isEditing();
}
