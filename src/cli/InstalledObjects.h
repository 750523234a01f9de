#pragma once

#include <QList>
#include <QString>

class PlantReader;

// The objects the installer leaves in a database (triggers, functions, procedures whose
// creation texts the program carries), each compared with what the database holds now.
namespace InstalledObjects {

enum class State {
    Same, // present, with the carried text
    SameFull, // present with the text of the full version the installer's menu also carries
    Missing, // not in the database
    Different, // present with another text
    NotApplicable, // not in the database, and the plant's CNPJ refuses every entry that installs it
    Disabled, // a trigger present but disabled: it does not fire, whatever its text
};

struct Object
{
    QString name;
    QString kind; // "trigger", "função", "procedimento"
    State state = State::Missing;
    // Different (and Disabled with another text): the first line (from 1) that is not the
    // carried one
    int firstDifferentLine = 0;
};

// The objects with a carried text, in the order of the installer's menus, the trigger
// batch's own procedure last; for GNR_UP_Kardex_Novo the short version the batch leaves.
QList<Object> carried();

// Compares a definition the database holds with the texts the program carries for the
// object: line ends made alike (CR LF, CR alone and LF all count as one line end) and the line
// ends after the last line left out. Sets state (Same, SameFull or Different) and firstDifferentLine.
void compare(Object &object, const QString &held);

// Reads every object's definition (and whether a trigger is disabled) in one SELECT and
// compares it; a disabled trigger is Disabled whatever its text. With gate, an absent
// object whose entries the active company's CNPJ refuses is NotApplicable. A failure to read
// reaches the caller as DbError.
QList<Object> check(const PlantReader &reader, bool gate);

// Texts with their line ends made alike (every CR LF and CR alone become LF).
QString normalizedLineEnds(QString text);

// The word of a state as the output shows it: "igual", "igual (versão completa)", "ausente",
// "diferente", "não se aplica", "desativado".
QString stateWord(State state);
QString stateKey(State state); // the same for JSON, without blanks or accents

} // namespace InstalledObjects
