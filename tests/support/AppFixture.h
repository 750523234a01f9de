#pragma once

#include "ScriptedPrompter.h"
#include "StandinServer.h"

#include <QTemporaryDir>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>

class Connection;
class LogonForm;
class UsersForm;

// Owns what one GUI test needs: a folder with the program INI file, optionally its own
// sql-standin, the main window and its dialog, and scripted answers to every prompt.
// Helpers find, click and type by object name, and check the database through SQL.
class AppFixture
{
public:
    AppFixture();
    ~AppFixture();

    ScriptedPrompter &prompter() { return m_prompter; }
    StandinServer &server() { return m_server; }
    const StandinServer &server() const { return m_server; }
    QString dir() const { return m_dir.path(); }
    QString iniPath() const;

    // Starts the stand-in (throws std::runtime_error when it cannot).
    void startServer(const QStringList &extraLogins = {});
    // An INI section for the stand-in: Server=127.0.0.1,<port>, DataBase=ORVO, orvo/orvo
    // unless given.
    QString plantSection(const QString &name, const QString &password = QStringLiteral("orvo"),
                         const QString &user = QStringLiteral("orvo"), const QString &database = QStringLiteral("ORVO")) const;
    void writeIni(const QString &text);

    // Creates the window as the program entry does (creation handler, then the hidden
    // dialog) and shows it unless told not to.
    UsersForm *openWindow(bool show = true);
    UsersForm *window() const { return m_window.get(); }
    LogonForm *logon() const { return m_logon; }

    // A widget or object of the window or the dialog by object name (nullptr when absent).
    template <class T = QWidget>
    T *find(const QString &name) const { return qobject_cast<T *>(findObject(name)); }
    QObject *findObject(const QString &name) const;

    void click(const QString &name);
    void typeText(const QString &name, const QString &text);
    void key(const QString &name, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // Runs script once the widget is shown (for modal dialogs), then lets the dialog go on.
    static void whenShown(QWidget *widget, std::function<void()> script);

    // SQL on a connection of the test's own to the stand-in's ORVO database.
    QVariant scalar(const QString &sql);
    QList<QVariantList> rows(const QString &sql);
    void exec(const QString &sql);

private:
    Connection &checkConnection();

    QTemporaryDir m_dir;
    ScriptedPrompter m_prompter;
    StandinServer m_server;
    std::unique_ptr<UsersForm> m_window;
    LogonForm *m_logon = nullptr;
    std::unique_ptr<Connection> m_check;
};
