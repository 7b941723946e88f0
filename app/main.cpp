#include "app/MainWindow.h"
#include "app/OneInst.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    varnook::RunSingleInstanceGuard();
    return varnook::TfrmMain::Run();
}
