#include "app/MainWindow.h"
#include "app/OneInst.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    varnook::RunSingleInstanceGuard();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_LINK_CLASS | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    return varnook::TfrmMain::Run();
}
