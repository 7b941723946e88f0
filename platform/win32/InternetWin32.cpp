#include "platform/win32/Internet.h"

#include <wininet.h>

#include <atomic>
#include <mutex>

namespace varnook::platform {

namespace {
std::atomic<unsigned> gSerial{0};
constexpr DWORD kTimeoutMs = 20000;
} // namespace

struct TAsyncGet::TState {
    std::wstring url;
    size_t maxLength = 0;
    HWND window = nullptr;
    UINT message = 0;
    unsigned serial = 0;

    std::mutex lock;
    std::atomic<bool> dropped{false};
    // Both guarded by lock: Drop closes the session to wake a worker blocked in a read.
    HINTERNET internet = nullptr;
    HINTERNET request = nullptr;
    std::string pending;
    TGetState state = TGetState::Running;

    void Report()
    {
        if (!dropped)
            PostMessageW(window, message, serial, 0);
    }

    void Finish(TGetState outcome)
    {
        {
            std::lock_guard guard(lock);
            state = outcome;
            if (request)
                InternetCloseHandle(request);
            if (internet)
                InternetCloseHandle(internet);
            request = internet = nullptr;
        }
        Report();
    }

    void Run()
    {
        HINTERNET session = InternetOpenW(L"Varnook", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (!session)
            return Finish(TGetState::Failed);
        for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
            DWORD ms = kTimeoutMs;
            InternetSetOptionW(session, option, &ms, sizeof(ms));
        }
        {
            std::lock_guard guard(lock);
            internet = session;
            if (dropped) {
                InternetCloseHandle(internet);
                internet = nullptr;
                return;
            }
        }
        // Always from the server, never from a cache; and never followed elsewhere: a redirect
        // could lead from HTTPS to plain HTTP.
        HINTERNET opened =
            InternetOpenUrlW(session, url.c_str(), nullptr, 0,
                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                 INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE,
                             0);
        {
            std::lock_guard guard(lock);
            if (!internet) { // dropped meanwhile: the session is closed
                if (opened)
                    InternetCloseHandle(opened);
                return;
            }
            request = opened;
        }
        if (!opened)
            return Finish(TGetState::Failed);
        DWORD status = 0, length = sizeof(status);
        if (!HttpQueryInfoW(opened, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr) ||
            status != 200)
            return Finish(TGetState::Failed);
        size_t total = 0;
        char buffer[kChunk];
        for (;;) {
            if (dropped)
                return Finish(TGetState::Failed);
            DWORD read = 0;
            if (!InternetReadFile(opened, buffer, kChunk, &read))
                return Finish(TGetState::Failed);
            if (read == 0)
                return Finish(TGetState::Done);
            total += read;
            if (total > maxLength)
                return Finish(TGetState::Failed);
            {
                std::lock_guard guard(lock);
                pending.append(buffer, read);
            }
            Report();
        }
    }
};

TAsyncGet::~TAsyncGet()
{
    Drop();
}

unsigned TAsyncGet::Start(const std::wstring& url, size_t maxLength, HWND window, UINT message)
{
    Drop();
    auto state = std::make_shared<TState>();
    state->url = url;
    state->maxLength = maxLength;
    state->window = window;
    state->message = message;
    state->serial = ++gSerial;
    // The worker holds the state too: a dropped GET may still be blocked in WinINet for a while
    // and must find its state alive when it wakes.
    auto* held = new std::shared_ptr<TState>(state);
    HANDLE thread = CreateThread(nullptr, 0, [](void* p) -> DWORD {
        std::unique_ptr<std::shared_ptr<TState>> own(static_cast<std::shared_ptr<TState>*>(p));
        (*own)->Run();
        return 0;
    }, held, 0, nullptr);
    if (!thread) {
        delete held;
        return 0;
    }
    CloseHandle(thread);
    state_ = std::move(state);
    return state_->serial;
}

void TAsyncGet::Drop()
{
    if (!state_)
        return;
    state_->dropped = true;
    {
        // Closing the session wakes a worker blocked in a connect or a read.
        std::lock_guard guard(state_->lock);
        if (state_->request)
            InternetCloseHandle(state_->request);
        if (state_->internet)
            InternetCloseHandle(state_->internet);
        state_->request = state_->internet = nullptr;
    }
    state_.reset();
}

TGetState TAsyncGet::Take(unsigned serial, std::string& received)
{
    if (!state_ || state_->serial != serial)
        return TGetState::Failed;
    std::lock_guard guard(state_->lock);
    received += state_->pending;
    state_->pending.clear();
    return state_->state;
}

} // namespace varnook::platform
