#include "app/OneInst.h"

namespace varnook {

namespace {
UINT gActivateMessage = 0;
} // namespace

void RunSingleInstanceGuard()
{
    gActivateMessage = RegisterWindowMessageW(kActivateWindowMessageName);
    // Only a missing handle stops the start: a second instance of the same user gets a handle
    // to the existing mutex and opens its own window, and so does an elevated restart.
    // The handle is held for the life of the process.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (!mutex) {
        PostMessageW(HWND_BROADCAST, gActivateMessage, 0, 0);
        ExitProcess(0);
    }
}

UINT ActivateWindowMessage()
{
    if (!gActivateMessage)
        gActivateMessage = RegisterWindowMessageW(kActivateWindowMessageName);
    return gActivateMessage;
}

} // namespace varnook
