#pragma once

#include "maintenance/SchemaStep.h"

#include <QList>

namespace catalogue {
struct Step;
}

// The 86 steps of the schema equalization, in the order they run.
QList<SchemaStep> schemaCatalogue();
// The 46 steps of the accent-free mirror run, with their progress marks.
QList<SchemaStep> mirrorCatalogue();

// The statement and the description entries of one catalogue step.
QString catalogueStatement(const catalogue::Step &step);
QList<DescriptionEntry> catalogueDescriptions(const catalogue::Step &step);
