// Tells the window when the scope keys change, whoever changed them: RegNotifyChangeKeyValue
// signals an event per key, and the window's timer asks whether one was signalled.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace varnook {

class TStoreWatcher {
public:
    TStoreWatcher() = default;
    ~TStoreWatcher();
    TStoreWatcher(const TStoreWatcher&) = delete;
    TStoreWatcher& operator=(const TStoreWatcher&) = delete;

    // Starts watching the key's values; a key that cannot be opened is not watched.
    void Watch(HKEY root, const std::wstring& path);
    // Whether a watched key changed since the last call; watching goes on.
    bool Changed();

private:
    struct Watched {
        HKEY key = nullptr;
        HANDLE event = nullptr;
    };
    void Arm(Watched& w);
    std::vector<Watched> watched_;
};

} // namespace varnook
