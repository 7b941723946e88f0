// HTTP GETs through WinINet on a worker thread that hands what it receives to the window's
// thread, so the window never waits on a slow or dead server.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace varnook::platform {

enum class TGetState { Running, Done, Failed };

// One GET. The worker reads the body in chunks of at most kChunk bytes; after each chunk, and
// once at the end, it posts `message` to the window with wParam = the GET's serial (unique in
// the process). The window then calls Take with that serial to collect the bytes received so
// far and the state. Redirects are refused and only status 200 counts as an answer.
class TAsyncGet {
public:
    static constexpr unsigned kChunk = 10240;

    TAsyncGet() = default;
    ~TAsyncGet(); // drops the GET under way
    TAsyncGet(const TAsyncGet&) = delete;
    TAsyncGet& operator=(const TAsyncGet&) = delete;

    // Drops an unfinished earlier GET and starts this one; a body longer than maxLength fails.
    // 0 when the worker could not start.
    unsigned Start(const std::wstring& url, size_t maxLength, HWND window, UINT message);
    // Drops the GET under way: it stops after the read in progress and reports nothing more.
    void Drop();
    // Appends the bytes that arrived since the last call. Failed also for a serial that is not
    // the current GET's (a dropped one).
    TGetState Take(unsigned serial, std::string& received);

    struct TState;

private:
    std::shared_ptr<TState> state_;
};

} // namespace varnook::platform
