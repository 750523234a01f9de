#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QMenu;
class QPlainTextEdit;
class QTabWidget;
struct Shell;

// The page " Programmability ": the script pages in four groups, each memo with the popup
// menu of its group whose items install the objects, and the trigger batch of the button
// GetTriggers on the page " Exportar Usuários ".
class ProgrammabilityPage : public QObject
{
    Q_OBJECT
public:
    explicit ProgrammabilityPage(Shell &shell, QObject *parent = nullptr);

    // A menu item chosen (by its object name).
    void menuItemClick(const QString &name);
    void GetTriggersClick();

    QMenu *menu(const QString &name) const { return m_menus.value(name); }

private:
    void buildMenus();
    void buildPages();
    QString failureText(const QString &object, const QString &error) const;

    Shell &m_shell;
    QHash<QString, QMenu *> m_menus;
    QTabWidget *m_groups = nullptr;
};
