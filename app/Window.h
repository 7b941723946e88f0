// One base for every window of the program: the static window procedure finds the C++ object
// and forwards to OnMessage; no exception crosses it.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace varnook {

class TWindow {
public:
    TWindow() = default;
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    HWND Handle() const { return hwnd_; }

protected:
    // Registers the class once per process; the procedure is ours.
    static void RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon = nullptr,
                                    HICON smallIcon = nullptr);
    HWND CreateWindowFor(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                         int width, int height, HWND parent, HMENU menu);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// The application's one place for failures no operation caught: shows the failure's message
// in the error box and lets the program go on. Safe to call from any window procedure.
void ReportUnhandledFailure(const std::exception& failure) noexcept;
void ReportUnhandledFailure() noexcept; // inside a catch (...) of an unknown failure

// Wine, where some of the system's drawing and windows cost far more than on Windows.
bool RunningOnWine();
// Pixel sizes are designed at 96 DPI.
int ScaleForDpi(int pixels, UINT dpi);
UINT WindowDpi(HWND hwnd);
// Moves a child window to a place in its parent's client area, unless it is there already.
// Under Wine every move asks the window server several times, and a panel moved to where it
// was lays out its own children again. Gives whether it moved.
bool PlaceChild(HWND child, int x, int y, int width, int height, bool repaint = true);

// A procedure the program puts in front of a window's own, once: a comctl32 subclass looks itself
// up in a window property on every message, and under Wine each lookup asks the window server.
// The front procedure finds here what the window had before it, and a value of its own; the
// link goes with the window. Windows of the interface thread only.
struct TFrontLink {
    HWND window = nullptr;
    WNDPROC front = nullptr;
    WNDPROC next = nullptr; // none: no such link
    LONG_PTR data = 0;
};
// Puts front in front of the window's procedure, or gives the link that is there new data.
// Nothing for a window of another thread.
void PutInFront(HWND window, WNDPROC front, LONG_PTR data = 0);
// The link of a front procedure with a window, as a copy: the links may change while a message
// is handled.
TFrontLink FrontLink(HWND window, WNDPROC front);
// Hands a message on to what the window had before the front procedure; the link goes at
// WM_NCDESTROY.
LRESULT CallBehind(const TFrontLink& link, UINT message, WPARAM wParam, LPARAM lParam);

// Has a control of a system class skip the default painting of its non-client area while it
// has none (no frame, edge or scroll bar shown). Under Wine painting nothing still gets a window
// DC and asks the window server about the display: about a millisecond for every control each
// time the window shows.
void SkipEmptyFramePaint(HWND control);
// The hint window the controls of a top window share, gone with the top window. It is made when
// first needed (the mouse over a tool, or this call): every window made at start costs the
// start-up. Tools added before wait for it.
HWND SharedTooltip(HWND anyWindowOfTop);
// Makes the hint window a toolbar (TBSTYLE_TOOLTIPS) makes for its buttons the shared one, when
// the toolbar makes it: at once on Windows, when first asked for under Wine.
void ShareToolbarTooltip(HWND toolbar);
// Makes a hint window made elsewhere (the toolbar's own, as it tells of it with
// NM_TOOLTIPSCREATED) the shared one of its top window; the tools waiting for it join it.
void ShareTooltip(HWND anyWindowOfTop, HWND tooltip);
// Makes a control a tool of the shared hint window (owner: the window the hint window's
// notifications go to). The hint window learns of the mouse over it from the message loop
// (RelayToSharedTooltip), not from a subclass of the control: a subclassed control looks the
// subclass up on every message it gets, and under Wine every lookup asks the window server.
void AddSharedTool(HWND owner, HWND control, const std::u16string& text);
// A rectangle of a window as a tool (a status bar's label: id the part's number), and where it
// is now.
void AddSharedRectTool(HWND owner, UINT_PTR id, const RECT& rect, const std::u16string& text);
void PlaceSharedTool(HWND owner, UINT_PTR id, const RECT& rect);
// Gives a tool of the shared hint window new text: owner and id as the tool was added with (a
// control's handle for AddSharedTool).
void SetSharedToolText(HWND owner, UINT_PTR id, const std::u16string& text);
// Takes a tool out of the shared hint window, for a control that goes before its top window;
// nothing when the hint window went already.
void RemoveSharedTool(HWND owner, UINT_PTR id);
// Has the message loop hand the mouse messages of a window with tools of its own (parts of a
// status bar) to the shared hint window; AddSharedTool does it for its control.
void RelayMouseToSharedTooltip(HWND window);
// Hands a mouse message for a tool of the shared hint window to it, made then if need be; the
// message loop calls it.
void RelayToSharedTooltip(const MSG& msg);

} // namespace varnook
