#pragma once

#include "cli/InstalledObjects.h"
#include "cli/MirrorColumns.h"

#include <QDateTime>
#include <QString>

#include <optional>

class PlantSession;

// One look at a plant, by reading only: reachable or not, the switch of the ORVO application,
// what the schema catalogue would still change (from the metadata), the mirror columns
// missing, the installer's objects missing or with another text than the program's.
struct PlantStatus
{
    QString plant, server, database;
    bool reachable = false;
    QString connectError;
    // Whether the whole session travels encrypted (the server's own word); unknown with the
    // reason when the server could not say (e.g. a login without VIEW SERVER STATE).
    std::optional<bool> encrypted;
    QString encryptionError;

    // The row of Jobs.
    QString jobsError; // the server's message when Jobs could not be read
    bool jobsHasRow = false;
    QString state; // Estado as text; empty without a row
    QString disabledBy, disabledAt, enabledBy, enabledAt; // "dd/MM/yyyy hh:mm"

    // The schema catalogue, told from the metadata.
    QString catalogueError; // the metadata could not be read
    int steps = 0;
    int pendingSteps = 0; // steps the server would accept that add or change structure
    QList<int> pendingStepNumbers;
    int repeatingSteps = 0; // accepted steps that every run repeats (row updates, table options)
    int descriptions = 0;
    int pendingDescriptions = 0; // descriptions the server would write
    int stoppedAtStep = 0; // an unguarded step would end the run here (0: it runs to its end)
    QString stopError;

    // The accent-free mirror columns.
    QString mirrorError;
    int mirrorColumns = 0;
    QList<MirrorColumns::Column> mirrorMissing;

    // The installer's objects.
    QString objectsError;
    QList<InstalledObjects::Object> objects;
    int objectsIn(InstalledObjects::State state) const;

    bool switchedOn() const;
    // Reads the driver cancelled because they passed the command's timeout.
    int timedOutReads = 0;
    // Something the status needs could not be read (the encryption, which a login may not be
    // allowed to see, only when its read ran out of time).
    bool readFailed() const;

    // Connects and looks; what cannot be read is said in the fields above.
    static PlantStatus of(PlantSession &session);
};

// "dd/MM/yyyy hh:mm", as the switch page shows its dates; empty for none.
QString displayDateTime(const QDateTime &when);
