#pragma once

#include <QList>
#include <QString>

class Connection;

// The objects the installer leaves in a database (triggers, functions, procedures whose
// creation texts the program carries), each compared with what the database holds now.
namespace InstalledObjects {

enum class State {
    Same, // present, with the carried text
    Missing, // not in the database
    Different, // present with another text
};

struct Object
{
    QString name;
    QString kind; // "trigger", "função", "procedimento"
    State state = State::Missing;
    int firstDifferentLine = 0; // Different: the first line (from 1) that is not the carried one
};

// The objects with a carried text, in the order of the installer's menus, the trigger
// batch's own procedure last; for GNR_UP_Kardex_Novo the short version the batch leaves.
QList<Object> carried();

// Reads each object's definition (OBJECT_DEFINITION) and compares it with the carried text,
// line ends made alike (CR LF, CR alone and LF all count as one line end). A failure to
// read reaches the caller as DbError.
QList<Object> check(Connection &connection);

// Texts with their line ends made alike (every CR LF and CR alone become LF).
QString normalizedLineEnds(QString text);

} // namespace InstalledObjects
