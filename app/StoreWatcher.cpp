#include "app/StoreWatcher.h"

namespace varnook {

TStoreWatcher::~TStoreWatcher()
{
    for (auto& w : watched_) {
        RegCloseKey(w.key); // ends the notification before its event goes
        CloseHandle(w.event);
    }
}

void TStoreWatcher::Watch(HKEY root, const std::wstring& path)
{
    Watched w;
    // KEY_WOW64_64KEY: the keys the program saves to, also from a 32-bit build.
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_NOTIFY | KEY_WOW64_64KEY, &w.key) != ERROR_SUCCESS)
        return;
    w.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!w.event) {
        RegCloseKey(w.key);
        return;
    }
    Arm(w);
    watched_.push_back(w);
}

void TStoreWatcher::Arm(Watched& w)
{
    ResetEvent(w.event);
    RegNotifyChangeKeyValue(w.key, FALSE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, w.event, TRUE);
}

bool TStoreWatcher::Changed()
{
    bool changed = false;
    for (auto& w : watched_) {
        if (WaitForSingleObject(w.event, 0) == WAIT_OBJECT_0) {
            changed = true;
            // One notification per call: ask again for the next change.
            Arm(w);
        }
    }
    return changed;
}

} // namespace varnook
