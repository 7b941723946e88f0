#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

namespace varnook::platform {

namespace {

class Win32Notifier final : public INotifier {
public:
    void BroadcastSettingChange(std::u16string_view area, unsigned timeoutMs) override
    {
        std::u16string text(area);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(W(text)),
                            SMTO_ABORTIFHUNG, timeoutMs, &result);
    }
};

} // namespace

INotifier& DefaultNotifier()
{
    static Win32Notifier notifier;
    return notifier;
}

} // namespace varnook::platform
