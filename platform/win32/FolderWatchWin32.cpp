// Folder change notifications from FindFirstChangeNotificationW. A wait takes at most 64
// handles, so the folders are spread over groups, each with a worker thread of its own that
// sleeps until one of its folders changes or the caller hands it work.
#include "platform/FolderWatch.h"

#include "platform/win32/WinString.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace varnook::platform {

namespace {

// One wait handle is the group's wake-up event.
constexpr size_t kFoldersPerGroup = MAXIMUM_WAIT_OBJECTS - 1;
// A watch holds its folder open, and where deleting waits for the last handle to close (Wine
// does), a folder deleted by another program would stay: every watch is opened anew now and
// then, and after each change.
constexpr DWORD kReopenMs = 30000;

HANDLE OpenWatch(const std::u16string& folder)
{
    // Names created, deleted or renamed inside the folder, files and folders alike.
    return FindFirstChangeNotificationW(W(folder), FALSE, FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_FILE_NAME);
}

class TFolderWatchWin32 final : public IFolderWatch {
public:
    ~TFolderWatchWin32() override
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        for (auto& group : groups_)
            SetEvent(group->wake);
        for (auto& group : groups_) {
            WaitForSingleObject(group->thread, INFINITE);
            CloseHandle(group->thread);
            CloseHandle(group->wake);
            for (HANDLE h : group->handles)
                FindCloseChangeNotification(h);
        }
    }

    void Watch(const std::u16string& folder) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (groupOf_.count(folder))
            return;
        TGroup* group = nullptr;
        for (auto& g : groups_)
            if (g->load < kFoldersPerGroup) {
                group = g.get();
                break;
            }
        if (!group && !(group = NewGroup())) {
            events_.failed.push_back(folder);
            return;
        }
        ++group->load;
        groupOf_[folder] = group;
        group->requests.push_back({folder, true});
        SetEvent(group->wake);
    }

    void Unwatch(const std::u16string& folder) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = groupOf_.find(folder);
        if (it == groupOf_.end())
            return;
        TGroup* group = it->second;
        groupOf_.erase(it);
        --group->load;
        group->requests.push_back({folder, false});
        SetEvent(group->wake);
    }

    TEvents Take() override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        TEvents taken;
        std::swap(taken, events_);
        return taken;
    }

private:
    struct TRequest {
        std::u16string folder;
        bool add;
    };
    struct TGroup {
        TFolderWatchWin32* owner = nullptr;
        HANDLE thread = nullptr;
        HANDLE wake = nullptr;
        size_t load = 0; // folders given to it, requests not yet carried out included
        std::vector<TRequest> requests;
        // The worker's own: the handles it waits on and their folders, in the same order.
        std::vector<HANDLE> handles;
        std::vector<std::u16string> folders;
    };

    TGroup* NewGroup()
    {
        auto group = std::make_unique<TGroup>();
        group->owner = this;
        group->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!group->wake)
            return nullptr;
        group->thread = CreateThread(nullptr, 64 * 1024, &TFolderWatchWin32::GroupMain, group.get(),
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!group->thread) {
            CloseHandle(group->wake);
            return nullptr;
        }
        groups_.push_back(std::move(group));
        return groups_.back().get();
    }

    static DWORD WINAPI GroupMain(void* data)
    {
        auto* group = static_cast<TGroup*>(data);
        group->owner->Serve(*group);
        return 0;
    }

    void Serve(TGroup& group)
    {
        std::vector<HANDLE> waits;
        for (;;) {
            std::vector<TRequest> requests;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stopping_)
                    return;
                std::swap(requests, group.requests);
            }
            for (const auto& request : requests) {
                auto at = std::find(group.folders.begin(), group.folders.end(), request.folder);
                if (at != group.folders.end()) {
                    const size_t i = static_cast<size_t>(at - group.folders.begin());
                    FindCloseChangeNotification(group.handles[i]);
                    group.handles.erase(group.handles.begin() + static_cast<ptrdiff_t>(i));
                    group.folders.erase(at);
                }
                if (!request.add)
                    continue;
                HANDLE h = OpenWatch(request.folder);
                std::lock_guard<std::mutex> lock(mutex_);
                if (h == INVALID_HANDLE_VALUE) {
                    Forget(group, request.folder);
                    events_.failed.push_back(request.folder);
                    continue;
                }
                group.handles.push_back(h);
                group.folders.push_back(request.folder);
                events_.armed.push_back(request.folder);
            }
            waits.assign(1, group.wake);
            waits.insert(waits.end(), group.handles.begin(), group.handles.end());
            const DWORD got = WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, kReopenMs);
            if (got == WAIT_TIMEOUT) {
                for (size_t i = group.handles.size(); i-- > 0;)
                    Reopen(group, i, false);
                continue;
            }
            if (got <= WAIT_OBJECT_0 || got >= WAIT_OBJECT_0 + waits.size())
                continue; // woken for work, or the wait failed: look at the requests again
            Reopen(group, got - WAIT_OBJECT_0 - 1, true);
        }
    }

    // Opens the watch of the group's folder i anew; a folder that is gone ends its watch.
    void Reopen(TGroup& group, size_t i, bool changed)
    {
        FindCloseChangeNotification(group.handles[i]);
        HANDLE h = OpenWatch(group.folders[i]);
        std::lock_guard<std::mutex> lock(mutex_);
        if (h != INVALID_HANDLE_VALUE) {
            group.handles[i] = h;
            if (changed)
                events_.changed.push_back(group.folders[i]);
            return;
        }
        Forget(group, group.folders[i]);
        events_.changed.push_back(group.folders[i]);
        events_.failed.push_back(group.folders[i]);
        group.handles.erase(group.handles.begin() + static_cast<ptrdiff_t>(i));
        group.folders.erase(group.folders.begin() + static_cast<ptrdiff_t>(i));
    }

    // A folder whose watch could not start or has ended may be asked for again. Under the lock.
    void Forget(TGroup& group, const std::u16string& folder)
    {
        auto it = groupOf_.find(folder);
        if (it != groupOf_.end() && it->second == &group) {
            groupOf_.erase(it);
            --group.load;
        }
    }

    std::mutex mutex_;
    bool stopping_ = false;
    std::vector<std::unique_ptr<TGroup>> groups_;
    std::unordered_map<std::u16string, TGroup*> groupOf_;
    TEvents events_;
};

} // namespace

std::unique_ptr<IFolderWatch> MakeFolderWatch()
{
    return std::make_unique<TFolderWatchWin32>();
}

} // namespace varnook::platform
