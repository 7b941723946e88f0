// A hover hint for the spot of a control under the pointer (a tree row, a grid cell), kept by the
// program rather than by the control: the controls' own tips differ between systems (Wine's tree
// never asks its owner for the hint of a row), and the tooltip control cuts a long value (Wine
// keeps 1,024 characters of a tip), so the hint is a window of the program's own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace varnook {

class THoverTip {
public:
    // The text for a point of the control's client area and the spot it belongs to (equal spots
    // share one showing of the tip); an empty text shows nothing there.
    using TTextAt = std::function<std::u16string(POINT client, uintptr_t& spot)>;

    // Where the tip learns of the pointer: from a window procedure of its own put in front of the
    // control's, or from the control's owner, whose own procedure hands every message of the
    // control to OnOwnerMessage.
    enum class TFeed { Subclass, ByOwner };

    THoverTip(HWND control, TTextAt textAt, TFeed feed = TFeed::Subclass);
    ~THoverTip();
    THoverTip(const THoverTip&) = delete;
    THoverTip& operator=(const THoverTip&) = delete;

    // The hint's window.
    HWND Tooltip() const { return tip_; }
    // The text the tip shows (or would show) for the spot under the pointer now.
    const std::wstring& Text() const { return shown_; }
    bool IsShowing() const { return tip_ && IsWindowVisible(tip_); }
    // Asks for the text of a point as a mouse move there would.
    void Update(POINT client);
    void UpdateDpi(UINT dpi);
    // Shows the hint for the spot under the pointer at once, as the hover delay's end does.
    void ShowNow();
    void Hide();
    // A message of the control, for a tip fed by its owner; true when it is the tip's alone.
    bool OnOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Characters per line of a long value.
    static constexpr size_t kLineLength = 100;

private:
    // The procedure put in front of the control's (GWLP_USERDATA holds the link): not a comctl32
    // subclass, which looks itself up on every message and under Wine asks the server each time.
    struct TFeedLink {
        THoverTip* owner;
        WNDPROC original;
    };
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK HintProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    bool MakeWindow();

    HWND control_;
    TFeed feed_;
    TFeedLink* link_ = nullptr; // freed with the control
    HWND tip_ = nullptr;
    HFONT font_ = nullptr;
    UINT dpi_ = 96;
    TTextAt textAt_;
    uintptr_t spot_ = UINTPTR_MAX;
    std::wstring shown_;
    bool tracking_ = false;
};

} // namespace varnook
