#include "app/MainWindow.h"
#include "app/MessageBoxWindow.h"
#include "app/OneInst.h"
#include "core/Translate.h"
#include "res/resource.h"

#include <windows.h>

#include <cstdlib>
#include <string>

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
    // The catalogs are indexed before any window; a catalog that has to be turned off says so
    // in the program's own box.
    varnook::SetLocalizationProblemReporter([](const std::u16string& caption, const std::u16string& text) {
        varnook::TMessageBoxSetup setup;
        setup.templateId = IDD_MSG_OK;
        setup.text = text;
        setup.caption = caption;
        setup.icon = IDI_EXCLAMATION;
        setup.escResult = varnook::mrOk;
        setup.focusId = IDOK;
        varnook::ShowMessageBox(setup);
    });
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    varnook::StartTranslator(std::u16string(path.begin(), path.end()));
    return varnook::TfrmMain::Run();
}
