#pragma once

#include <QString>
#include <QStringList>

// One statement of a conference run, in the order the run sends them.
struct ConferenceStep
{
    enum class Kind {
        ClearResult, // DELETE FROM ConferirTEMP
        LabelInsert, // an invoice label with its master label
        MasterInsert, // a "999999" master label met in the list
        Match, // the five updates after the list
        MasterInsertAgain, // the last master label once more
        Attach, // the two final updates
    };

    Kind kind = Kind::ClearResult;
    QString text;
    int line = -1; // 0-based line of the list that gave the statement; -1 outside the list

    // The master-unit inserts may fail (no such invoice item, a refused row): the run goes on.
    bool failureIgnored() const { return kind == Kind::MasterInsert || kind == Kind::MasterInsertAgain; }
};

// Walks the lines of the reader files and yields the statements of the run, one at a time.
// Only a line's length decides what it is: 31 characters a master label, 22 or 26 an
// invoice label of the last master label met before it, anything else is skipped.
class ConferencePlan
{
public:
    ConferencePlan(const QStringList &lines, const QString &company);

    // The next statement; false once the run has no more.
    bool next(ConferenceStep &step);

    int lineCount() const { return int(m_lines.size()); }

    static bool isMasterLabel(const QString &line) { return line.size() == 31; }
    static bool isInvoiceLabel(const QString &line) { return line.size() == 22 || line.size() == 26; }
    // A master label whose unit the run registers.
    static bool registersUnit(const QString &master) { return master.startsWith(QLatin1String("999999")); }

private:
    enum class Phase { Start, Lines, Match, Again, Attach, Done };

    const QStringList m_lines;
    const QString m_company;
    Phase m_phase = Phase::Start;
    int m_pos = 0; // next line (Lines) or next update (Match, Attach)
    QString m_master; // the current master label
};
