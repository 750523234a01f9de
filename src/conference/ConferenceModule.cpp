#include "app/Shell.h"
#include "conference/ConferencePage.h"

// The page "  Conferir  ": reader files, the conference run and its result.
void installConferenceModule(Shell &shell)
{
    if (shell.TabSheet4)
        shell.setPageContent(shell.TabSheet4, new ConferencePage(shell));
}
