#include "platform/win32/ShellLauncher.h"

#include <shellapi.h>

#include <vector>

namespace varnook::platform {

namespace {

class TShellExecuteLauncher final : public IShellLauncher {
public:
    void Open(HWND owner, const std::wstring& file, const std::wstring& parameters) override
    {
        ShellExecuteW(owner, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                      SW_SHOWNORMAL);
    }
};

IShellLauncher*& Current()
{
    static TShellExecuteLauncher real;
    static IShellLauncher* current = &real;
    return current;
}

} // namespace

IShellLauncher& ShellLauncher()
{
    return *Current();
}

ScopedShellLauncher::ScopedShellLauncher(IShellLauncher& replacement) : previous_(Current())
{
    Current() = &replacement;
}

ScopedShellLauncher::~ScopedShellLauncher()
{
    Current() = previous_;
}

std::wstring WindowsProgramPath(const wchar_t* fileName)
{
    std::vector<wchar_t> folder(MAX_PATH);
    UINT length = GetWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size()) {
        folder.resize(length + 1);
        length = GetWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    }
    std::wstring path(folder.data(), length < folder.size() ? length : 0);
    if (path.empty())
        path = L"C:\\Windows"; // the call does not fail in practice; a fixed folder beats a search
    if (path.back() != L'\\')
        path += L'\\';
    return path + fileName;
}

} // namespace varnook::platform
