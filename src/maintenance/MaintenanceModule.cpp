#include "app/Shell.h"
#include "maintenance/MaintenancePage.h"
#include "maintenance/installer/ProgrammabilityPage.h"

#include <QMainWindow>

void installMaintenanceModule(Shell &shell)
{
    new MaintenancePage(shell, shell.window);
    new ProgrammabilityPage(shell, shell.window);
}
