#include "cli/CommandLine.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // With arguments the command-line mode ends the process here; no window is shown.
    varnook::RunCommandLine();
    return 0;
}
