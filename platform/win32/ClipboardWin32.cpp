#include "platform/Clipboard.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <cstring>

namespace varnook::platform {

namespace {

// Programs that read the clipboard hold it for a moment only; a quarter of a second covers
// that without a pause the user notices.
constexpr int kOpenAttempts = 10;
constexpr DWORD kRetryPauseMs = 25;

class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner)
    {
        for (int i = 0; i < kOpenAttempts && !open_; ++i) {
            if (i)
                Sleep(kRetryPauseMs);
            open_ = OpenClipboard(owner) != FALSE;
        }
    }
    ~ClipboardSession()
    {
        if (open_)
            CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    bool IsOpen() const { return open_; }

private:
    bool open_ = false;
};

// A movable, shareable, zero-filled block holding the bytes.
unique_hglobal MakeBlock(const void* data, size_t size)
{
    unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, size));
    if (!block)
        return block;
    void* p = GlobalLock(block.get());
    if (!p)
        return unique_hglobal();
    std::memcpy(p, data, size);
    GlobalUnlock(block.get());
    return block;
}

class Win32Clipboard final : public IClipboard {
public:
    void RegisterVariableFormat() override { format_ = RegisterClipboardFormatW(W(kVariableClipboardFormat)); }

    bool HasText() const override { return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE; }

    bool HasVariable() const override { return Format() && IsClipboardFormatAvailable(Format()); }

    TClipboardStatus Put(void* owner, std::u16string_view text, const std::vector<uint8_t>* record) override
    {
        // The blocks are made before the clipboard is emptied, so that a failure leaves it as it was.
        std::u16string terminated(text);
        unique_hglobal textBlock = MakeBlock(terminated.c_str(), (terminated.size() + 1) * sizeof(char16_t));
        unique_hglobal recordBlock;
        if (record)
            recordBlock = MakeBlock(record->data(), record->size());
        if (!textBlock || (record && (!recordBlock || !Format())))
            return TClipboardStatus::NoMemory;
        ClipboardSession session(static_cast<HWND>(owner));
        if (!session.IsOpen())
            return TClipboardStatus::Busy;
        EmptyClipboard();
        // The clipboard owns a block once it took it.
        if (recordBlock && SetClipboardData(Format(), recordBlock.get()))
            recordBlock.release();
        if (!SetClipboardData(CF_UNICODETEXT, textBlock.get()))
            return TClipboardStatus::NoMemory;
        textBlock.release();
        return TClipboardStatus::Done;
    }

    TClipboardStatus Get(void* owner, TClipboardContent& content) override
    {
        content = {};
        ClipboardSession session(static_cast<HWND>(owner));
        if (!session.IsOpen())
            return TClipboardStatus::Busy;
        if (Format() && IsClipboardFormatAvailable(Format())) {
            if (HANDLE block = GetClipboardData(Format())) {
                const size_t size = GlobalSize(block);
                if (const auto* p = static_cast<const uint8_t*>(GlobalLock(block))) {
                    content.record.emplace(p, p + size);
                    GlobalUnlock(block);
                }
            }
        }
        if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
            const size_t units = GlobalSize(block) / sizeof(char16_t);
            if (const auto* p = static_cast<const char16_t*>(GlobalLock(block))) {
                // A block without a terminator ends with the block.
                size_t length = 0;
                while (length < units && p[length])
                    ++length;
                content.text.assign(p, length);
                GlobalUnlock(block);
            }
        }
        return TClipboardStatus::Done;
    }

private:
    UINT Format() const
    {
        // Registered at window creation; a lookup by name also serves anyone who asks earlier.
        if (!format_)
            format_ = RegisterClipboardFormatW(W(kVariableClipboardFormat));
        return format_;
    }
    mutable UINT format_ = 0;
};

} // namespace

IClipboard& Clipboard()
{
    static Win32Clipboard clipboard;
    return clipboard;
}

} // namespace varnook::platform
