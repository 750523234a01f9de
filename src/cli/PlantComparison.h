#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class PlantReader;

// Two plants side by side, read only: their tables and columns, constraints, indexes,
// installed objects, column descriptions, and the rights of the users both have. Each
// section is a map from a key (a table, a table and column, a user and column...) to what
// the plant holds there; the differences are the keys whose values are not the same.
namespace PlantComparison {

enum class SectionId { Tables, Columns, Constraints, Indexes, Objects, Descriptions, Users };

// What one plant holds for one section.
struct Side
{
    QMap<QString, QString> values; // key -> value
    QMap<QString, QStringList> keyParts; // key -> its parts, as the output shows them
    QMap<QString, QString> states; // installed objects: a trigger's "ativo" or "desativado"
    QString error; // the section could not be read on this plant
};

struct Snapshot
{
    QMap<SectionId, Side> sections;
    QStringList statements; // the SELECTs sent, in order
};

// Reads every section from one plant, each read with the reader's timeout. A section that
// cannot be read keeps its error; the other sections are still read.
Snapshot read(const PlantReader &reader);

struct Difference
{
    QStringList key; // the parts of the key
    QString a, b; // the values; null where the plant does not have the key
    int firstDifferentLine = 0; // objects: the first line that differs when both have it
    QString stateA, stateB; // objects: a trigger's state on each plant, where they differ
};

struct Section
{
    SectionId id;
    QString name; // "Tabelas", "Colunas" ...
    QString jsonName; // "tabelas", "colunas" ...
    QStringList keyHeaders;
    QList<Difference> differences;
    QString errorA, errorB;
};

// The sections in output order, each with its differences. Users are compared only where
// both plants have them (by Registro), columns only in tables both plants have.
QList<Section> compare(const Snapshot &a, const Snapshot &b);

} // namespace PlantComparison
