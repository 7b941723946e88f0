// Stands in for the installer in the update tests: when it runs it leaves a mark in the
// registry (HKCU\Software\VarnookTests\UpdateInstaller, value "ran" = its own path) and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t path[MAX_PATH * 4]{};
    GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VarnookTests\\UpdateInstaller", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    RegSetValueExW(key, L"ran", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                   static_cast<DWORD>((lstrlenW(path) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return 0;
}
