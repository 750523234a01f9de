#pragma once

#include "cli/PlantReader.h"
#include "connection/PlantProfiles.h"

#include <QString>
#include <QStringList>

#include <memory>

class Command;
class Connection;

// The program INI file as the command line reads it: it must exist and be readable, and a
// plant is named by its section (without regard to case, as the profile functions match it).
class PlantIni
{
public:
    // Loads the file; false with the reason in error() when it is missing or unreadable.
    bool load(const QString &path);
    QString path() const { return m_ini.path(); }
    QString error() const { return m_error; }

    QStringList plants() const { return m_ini.sections(); }
    // The section as the file spells it, or an empty text when there is none of that name.
    QString find(const QString &plant) const;
    PlantProfile profile(const QString &plant) const { return PlantProfile::read(m_ini, find(plant)); }

private:
    IniFile m_ini;
    QString m_error;
};

// One connection to one plant with the one command of its statements, as the window's
// SERVER1 and ExecuteQUERY (timeout 1200 s unless the command line says otherwise), and the
// reads of the command with the same timeout.
class PlantSession
{
public:
    explicit PlantSession(const PlantProfile &profile, int timeoutSeconds = 1200);
    ~PlantSession();

    const PlantProfile &profile() const { return m_profile; }
    // Opens the connection; false with the server's (or driver's) message in error().
    bool open();
    QString error() const { return m_error; }

    Connection &connection() { return *m_connection; }
    Command &command() { return *m_command; }
    // The datasets of the command's reads, with the command's timeout.
    PlantReader reader();

private:
    PlantProfile m_profile;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<Command> m_command;
    QString m_error;
};
