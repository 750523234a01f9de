#include "cli/PlantStatus.h"

#include "app/DatasetTexts.h"
#include "cli/CatalogueStatus.h"
#include "cli/PlantSession.h"
#include "cli/SchemaRun.h"
#include "connection/Connection.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "maintenance/Catalogue.h"
#include "switch/ApplicationSwitch.h"

#include <QDateTime>

QString displayDateTime(const QDateTime &when)
{
    return when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy hh:mm")) : QString();
}

int PlantStatus::objectsIn(InstalledObjects::State state) const
{
    int n = 0;
    for (const InstalledObjects::Object &o : objects)
        n += o.state == state;
    return n;
}

bool PlantStatus::readFailed() const
{
    return timedOutReads > 0 || !jobsError.isEmpty() || !catalogueError.isEmpty() || !mirrorError.isEmpty()
           || !objectsError.isEmpty();
}

bool PlantStatus::switchedOn() const
{
    return ApplicationSwitch::isEnabledState(state);
}

PlantStatus PlantStatus::of(PlantSession &session)
{
    PlantStatus s;
    s.plant = session.profile().section;
    s.server = session.profile().server;
    s.database = session.profile().database;
    s.reachable = session.open();
    if (!s.reachable) {
        s.connectError = session.error();
        return s;
    }
    const PlantReader reader = session.reader();
    // A read the driver cancelled at the timeout fails the status; the others say only what
    // could not be read.
    const auto failed = [&](const DbError &e) {
        s.timedOutReads += timedOut(e.nativeCode(), e.message());
        return reader.failure(e);
    };
    try {
        s.encrypted = session.connection().isEncrypted(reader.timeout());
    } catch (const DbError &e) {
        s.encryptionError = failed(e);
    }

    try {
        const std::unique_ptr<Dataset> jobs = reader.read(QString::fromUtf8(DatasetTexts::JobSQL));
        s.jobsHasRow = !jobs->isEmpty();
        s.state = jobs->asString(QStringLiteral("Estado"));
        s.disabledBy = jobs->asString(QStringLiteral("RespFT"));
        s.disabledAt = displayDateTime(jobs->asDateTime(QStringLiteral("DataFT")));
        s.enabledBy = jobs->asString(QStringLiteral("RespRT"));
        s.enabledAt = displayDateTime(jobs->asDateTime(QStringLiteral("DataRT")));
    } catch (const DbError &e) {
        s.jobsError = failed(e);
    }

    // The catalogue, from the metadata alone: no transaction, no statement that changes
    // anything, no lock beyond those of a plain SELECT.
    try {
        const CatalogueStatus::Result r = CatalogueStatus::evaluate(CatalogueStatus::read(reader));
        s.steps = r.steps;
        s.descriptions = r.descriptions;
        s.pendingStepNumbers = r.pendingSteps;
        s.pendingSteps = int(r.pendingSteps.size());
        s.repeatingSteps = int(r.repeatingSteps.size());
        s.pendingDescriptions = r.pendingDescriptions;
        s.stoppedAtStep = r.stoppedAtStep;
        s.stopError = r.stopError;
    } catch (const DbError &e) {
        s.catalogueError = failed(e);
    }

    try {
        const QList<MirrorColumns::Column> columns = MirrorColumns::addedBy(mirrorCatalogue());
        s.mirrorColumns = int(columns.size());
        s.mirrorMissing = MirrorColumns::missing(reader, columns);
    } catch (const DbError &e) {
        s.mirrorError = failed(e);
    }

    try {
        s.objects = InstalledObjects::check(reader, true);
    } catch (const DbError &e) {
        s.objectsError = failed(e);
    }
    return s;
}
