#include "app/MainWindow.h"
#include "app/OneInst.h"

#include <windows.h>

#include <cstdlib>

#if defined(__GLIBCXX__)
// A failure that escapes everything ends the process either way; the library's verbose handler
// would first write the exception's name to a console a windowed program does not have, and
// brings a whole C++ name demangler into the executable for it.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    varnook::RunSingleInstanceGuard();
    return varnook::TfrmMain::Run();
}
