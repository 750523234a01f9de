#include "cli/PlantReader.h"

#include "cli/SchemaRun.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"

std::unique_ptr<Dataset> PlantReader::dataset(const QString &sql, bool readOnly) const
{
    auto ds = std::make_unique<Dataset>();
    ds->setConnection(m_connection);
    ds->setReadOnly(readOnly);
    ds->setTimeout(m_timeout);
    ds->setSql(sql);
    return ds;
}

std::unique_ptr<Dataset> PlantReader::read(const QString &sql) const
{
    std::unique_ptr<Dataset> ds = dataset(sql);
    ds->open();
    return ds;
}

QString PlantReader::failure(const DbError &error) const
{
    if (timedOut(error.nativeCode(), error.message()))
        return QStringLiteral("a leitura passou de %1 s e foi cancelada (%2)")
            .arg(m_timeout)
            .arg(error.message().trimmed());
    return error.message().trimmed();
}
