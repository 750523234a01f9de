#include "app/Shell.h"

// The module's page is still the window's placeholder; the module fills it here.
void installMaintenanceModule(Shell &)
{
}
