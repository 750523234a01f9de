#pragma once

#include <QList>
#include <QString>

#include <functional>

class Command;
class Dataset;
struct DatasetColumn;

// The copy of one user's profile onto another: every column of Usuarios except the
// identity, the registration number, the name, the access password and the e-mail
// address. "Copia Perfil" remembers the current user as the source and the columns the
// list has at that moment; "Iguala liberação" overwrites the current user's profile with
// the source's by one UPDATE ... FROM statement.
class ProfileCopy
{
public:
    // The copied columns of a list: from the fifth to the last, in table order, except
    // those named exactly IdUser, Senha, EmailU or RGUser.
    static QStringList copiedColumns(const QList<DatasetColumn> &columns);

    // Remembers the current user of the list as the source, with the list's columns and
    // the plant (server and database) the list was read from. With no current user nothing
    // changes and false is returned.
    bool copy(const Dataset &users, const QString &plant = QString());

    // The source is an IdUser number of one database: once another plant is connected it
    // would name whichever user has that number there, so it is forgotten.
    void plantConnected(const QString &plant);
    void forget();

    bool hasSource() const { return !m_source.isEmpty(); }
    QString plant() const { return m_plant; }
    QString source() const { return m_source; } // IdUser as text
    QString columnList() const { return m_columnList; } // "Vendas0, Vendas1, ..."
    QString assignmentList() const { return m_assignmentList; } // "Vendas0 = t1.Vendas0, ..."

    // Why a paste onto the given user may not go on; Ok when it may.
    enum class PasteCheck { Ok, NoSource, SameUser };
    PasteCheck check(const QString &target) const;
    static QString checkMessage(PasteCheck check); // empty for Ok
    static QString question(const QString &targetName);

    // The statement that sets the target's profile columns to the source's values.
    QString pasteStatement(const QString &target) const;

    struct PasteReport
    {
        QString statement;
        int affectedRows = -1; // 0 when the source (or the target) no longer exists
    };
    // Puts the statement into the command, hands the command's text to shown (the page
    // puts it into the output memo) and runs it. Throws DbError when the server refuses
    // it; shown has then already had the statement.
    PasteReport paste(Command &command, const QString &target,
                      const std::function<void(const QString &)> &shown = {}) const;

private:
    QString m_source;
    QString m_plant;
    QString m_columnList;
    QString m_assignmentList;
};
