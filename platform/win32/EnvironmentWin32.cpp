#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

namespace varnook::platform {

namespace {

class Win32Environment final : public IProcessEnvironment {
public:
    std::u16string GetVariable(std::u16string_view name) const override
    {
        const std::u16string key(name);
        std::wstring buffer(256, L'\0');
        for (;;) {
            const DWORD length = GetEnvironmentVariableW(W(key), buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0)
                return {};
            if (length < buffer.size())
                return U16(buffer.data(), length);
            // Too small: the answer is the size needed, terminator included. The variable may
            // grow between the calls, so ask again rather than trust the first answer.
            buffer.assign(length, L'\0');
        }
    }

    bool IsWow64() const override
    {
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }
};

} // namespace

IProcessEnvironment& DefaultProcessEnvironment()
{
    static Win32Environment environment;
    return environment;
}

} // namespace varnook::platform
