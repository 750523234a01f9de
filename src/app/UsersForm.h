#pragma once

#include "app/Shell.h"

#include <QMainWindow>

class QLabel;
class QTimer;
class QToolButton;
class LogonForm;
class DropDownCombo;

// The main window (Users_Frm, "Cadastro e controle de Usuários"): toolbar, the user list at
// the left, the six pages, the popup menu, two status bars, the main connection SERVER1
// and the datasets the modules use. Plant connection: the program INI file, the plant
// list, the connect toggle and the properties flow.
class UsersForm : public QMainWindow
{
    Q_OBJECT
public:
    // iniPath: the program INI file (programIniPath of the executable).
    UsersForm(Prompter *prompter, const QString &iniPath, QWidget *parent = nullptr);
    ~UsersForm() override;

    Shell &shell() { return m_shell; }
    void setLogonForm(LogonForm *form) { m_logon = form; }
    LogonForm *logonForm() const { return m_logon; }

    // The creation handler's start-up: plant list from the INI file, first connection.
    // A failure is shown in the standard error message box and the window goes on.
    void FormCreate();

    // Connection state kept by the window.
    QString iniPath() const { return m_iniPath; }
    QString connectionString() const { return m_connectionString; }
    QString sectionInUse() const { return m_profile.section; }

public slots:
    void ConnectSelectedPlant();   // throws DbError to its caller
    void PlantasComboCloseUp();
    void ConectaClick();
    void PropCONECTAClick();
    void Timer1Timer();
    void SERVER1AfterConnect();
    void SERVER1AfterDisconnect();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void buildToolbar();
    void buildPages();
    void buildStatusBars();
    void buildMenu();
    void buildDatabase();
    void installModules();
    void setConnectState(bool connected);
    static void reopen(Dataset *dataset);

    Shell m_shell;
    QString m_iniPath;
    struct Profile {
        QString section, server, database, name, userSql, passwordSql, driver;
    } m_profile;
    QString m_connectionString;
    LogonForm *m_logon = nullptr;
    QToolButton *m_conecta = nullptr;
    QToolButton *m_images[6] = {};   // Image1..Image5, Image10
    DropDownCombo *m_plantas = nullptr;
    QTimer *m_timer = nullptr;
};
