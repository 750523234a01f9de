#include "cli/PlantStatus.h"

#include "app/DatasetTexts.h"
#include "cli/CatalogueStatus.h"
#include "cli/PlantSession.h"
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
    try {
        s.encrypted = session.connection().isEncrypted();
    } catch (const DbError &e) {
        s.encryptionError = e.message().trimmed();
    }

    try {
        Dataset jobs;
        jobs.setConnection(&session.connection());
        jobs.setReadOnly(true);
        jobs.setSql(QString::fromUtf8(DatasetTexts::JobSQL));
        jobs.open();
        s.jobsHasRow = !jobs.isEmpty();
        s.state = jobs.asString(QStringLiteral("Estado"));
        s.disabledBy = jobs.asString(QStringLiteral("RespFT"));
        s.disabledAt = displayDateTime(jobs.asDateTime(QStringLiteral("DataFT")));
        s.enabledBy = jobs.asString(QStringLiteral("RespRT"));
        s.enabledAt = displayDateTime(jobs.asDateTime(QStringLiteral("DataRT")));
    } catch (const DbError &e) {
        s.jobsError = e.message().trimmed();
    }

    // The catalogue, from the metadata alone: no transaction, no statement that changes
    // anything, no lock beyond those of a plain SELECT.
    try {
        const CatalogueStatus::Result r = CatalogueStatus::evaluate(CatalogueStatus::read(session.connection()));
        s.steps = r.steps;
        s.descriptions = r.descriptions;
        s.pendingStepNumbers = r.pendingSteps;
        s.pendingSteps = int(r.pendingSteps.size());
        s.repeatingSteps = int(r.repeatingSteps.size());
        s.pendingDescriptions = r.pendingDescriptions;
        s.stoppedAtStep = r.stoppedAtStep;
        s.stopError = r.stopError;
    } catch (const DbError &e) {
        s.catalogueError = e.message().trimmed();
    }

    try {
        const QList<MirrorColumns::Column> columns = MirrorColumns::addedBy(mirrorCatalogue());
        s.mirrorColumns = int(columns.size());
        s.mirrorMissing = MirrorColumns::missing(session.connection(), columns);
    } catch (const DbError &e) {
        s.mirrorError = e.message().trimmed();
    }

    try {
        s.objects = InstalledObjects::check(session.connection(), true);
    } catch (const DbError &e) {
        s.objectsError = e.message().trimmed();
    }
    return s;
}
