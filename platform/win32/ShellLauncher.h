// Starting programs and documents through the shell (ShellExecuteW), behind a small interface so
// that tests can see what would be started without a window appearing.
#pragma once

#include <windows.h>

#include <string>

namespace varnook::platform {

class IShellLauncher {
public:
    virtual ~IShellLauncher() = default;
    // ShellExecuteW with the verb "open", no working folder, shown normally. The outcome is not
    // reported: a file manager that cannot show a folder is no failure of the program.
    virtual void Open(HWND owner, const std::wstring& file, const std::wstring& parameters) = 0;
};

IShellLauncher& ShellLauncher();

// Puts a double in place of the launcher for the life of the guard.
class ScopedShellLauncher {
public:
    explicit ScopedShellLauncher(IShellLauncher& replacement);
    ~ScopedShellLauncher();
    ScopedShellLauncher(const ScopedShellLauncher&) = delete;
    ScopedShellLauncher& operator=(const ScopedShellLauncher&) = delete;

private:
    IShellLauncher* previous_;
};

// The full path of a program in the Windows folder, so that a file of the same name in the
// current or the program's folder is never started in its place.
std::wstring WindowsProgramPath(const wchar_t* fileName);

} // namespace varnook::platform
