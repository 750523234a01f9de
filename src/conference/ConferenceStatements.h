#pragma once

#include <QString>
#include <QStringList>

// The statement texts of the conference run. Values that go between single quotes are
// written through SqlText, so a quote in the company's name or on a label stays data.
namespace ConferenceStatements {

// Empties the work table of the last run.
QString clearResult();
// One invoice label read after its master label.
QString labelInsert(const QString &company, const QString &master, const QString &label);
// Registers the master unit of a master label from the first matching invoice item
// (invoice number: positions 11-16, volume: positions 8-10).
QString masterInsert(const QString &company, const QString &master);
// The five updates that copy the master units and match the invoice items, in order.
const QStringList &matchUpdates();
// The two updates that copy the row identifiers and attach the items to their units.
const QStringList &attachUpdates();
// The result of the last run, as the page "  Conferido  " lists it.
QString resultQuery();

} // namespace ConferenceStatements
