#pragma once

#include <QString>
#include <functional>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QToolButton;
class QVBoxLayout;
class QWidget;
class Command;
class Connection;
class DataSource;
class Dataset;
class DbGrid;
class DbNavigator;
class Prompter;

// What the main window lends to the modules that fill it (users, switch, conference,
// maintenance). The window owns everything here for its whole life. A module library
// implements its install function (declared below); the window calls them all
// after building its own parts and before the first connection.
struct Shell
{
    QMainWindow *window = nullptr;          // Users_Frm
    Prompter *prompter = nullptr;

    // Database components.
    Connection *SERVER1 = nullptr;
    Command *ExecuteQUERY = nullptr;
    Dataset *SenhaSQL = nullptr;
    DataSource *SenhaDATA = nullptr;
    Dataset *JobSQL = nullptr;
    DataSource *JobDATA = nullptr;
    Dataset *Data1SQL = nullptr;
    DataSource *Data1DATA = nullptr;
    Dataset *OrganizacaoSQL = nullptr;
    DataSource *OrganizacaoDATA = nullptr;

    // Toolbar (ToolBar1); the users module gives these buttons their behaviour.
    QToolButton *IncluiUSER = nullptr;
    QToolButton *ULock = nullptr;
    QToolButton *SalvaREC = nullptr;
    QToolButton *ExcluiFOR = nullptr;
    DbNavigator *NAV00 = nullptr;           // over SenhaDATA
    QToolButton *Fechar = nullptr;
    QToolButton *LockIMAGE = nullptr;       // hidden glyph holders
    QToolButton *UnLockIMAGE = nullptr;

    // The user list grid at the left (column Nome, title "Listagem de usuários").
    DbGrid *ItensGRADE = nullptr;

    // Popup menu of the window and its items (object names as the menu's).
    QMenu *MainMENU = nullptr;
    QAction *action(const QString &objectName) const;

    // Pages of PageControl1. Each page has a vertical layout; a module adds its page
    // widget with setPageContent (which removes the placeholder).
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr;           // record page: the shell's strip with Conecta and PlantasCombo on top
    QWidget *TabSheet2 = nullptr;
    QWidget *TabSheet4 = nullptr;
    QWidget *TabSheet5 = nullptr;
    QWidget *TabSheet12 = nullptr;
    QWidget *TabSheet13 = nullptr;
    void setPageContent(QWidget *page, QWidget *content) const;

    // Page " Exportar Usuários ": the left panel's buttons and the output memo.
    QToolButton *DataBaseSTRU = nullptr;
    QToolButton *ImportaKDXC = nullptr;
    QToolButton *GetTriggers = nullptr;
    QToolButton *SemAcento = nullptr;
    QPlainTextEdit *MemoCCDB = nullptr;

    // Glyph holders of the first page used by the switch page: ConIMAGE, UnConIMAGE.
    QToolButton *ConIMAGE = nullptr;
    QToolButton *UnConIMAGE = nullptr;

    // Status bars: StatusBar1 (server, database, user) above StatusBar (file, position, version).
    QLabel *StatusBar1[3] = {};
    QLabel *StatusBar[3] = {};

    // Runs a handler; a DbError it throws is shown in the standard error message box
    // (the window's uncaught-error handling). Returns false when it threw.
    bool run(const std::function<void()> &handler) const;
    // Busy cursor for the duration of a handler that sends statements.
    bool runBusy(const std::function<void()> &handler) const;
};

// Implemented by the module libraries; the window calls each of them once, in this order.
void installUsersModule(Shell &shell);        // orvo_users
void installSwitchModule(Shell &shell);       // orvo_switch
void installConferenceModule(Shell &shell);   // orvo_conference
void installMaintenanceModule(Shell &shell);  // orvo_maintenance
