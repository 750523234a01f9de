#include "app/Shell.h"
#include "maintenance/MaintenancePage.h"

#include <QMainWindow>

void installMaintenanceModule(Shell &shell)
{
    new MaintenancePage(shell, shell.window);
}
