#include "cli/FormCmdHelp.h"

#include "core/Translate.h"
#include "platform/PixelScaling.h"
#include "platform/win32/IconPicture.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace varnook {

namespace {

constexpr wchar_t kClassName[] = L"TfrmCmdHelp";
constexpr char16_t kCommandLinePage[] = u"" VARNOOK_PRODUCT_SITE "/en/command_line";

// Sizes and positions are given at 96 DPI and scaled to the monitor's.
constexpr int kClientWidth = 586;
constexpr int kClientHeight = 360;
constexpr int kFontHeight = 11; // Tahoma 8 pt
constexpr int kTitleFontHeight = 16;
constexpr RECT kLogo = {16, 19, 16 + 64, 19 + 128};
constexpr RECT kOK = {255, 324, 255 + 75, 324 + 25};

constexpr COLORREF kFill = RGB(140, 172, 115);
constexpr COLORREF kLines = RGB(117, 155, 92);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLinkBack = RGB(217, 255, 142);
constexpr COLORREF kLinkText = RGB(0, 0, 255);

enum class TLabelStyle { Normal, Bold, Title, Link };

struct TLabel {
    int left;
    int top;
    const char16_t* text;
    TLabelStyle style;
    bool translated; // the switches read the same in every language
};

constexpr TLabel kLabels[] = {
    {104, 14, N_(u"Command line parameters"), TLabelStyle::Title, true},
    {104, 36, kCommandLinePage, TLabelStyle::Link, false},
    {104, 64, N_(u"Set variable value:"), TLabelStyle::Bold, true},
    {112, 80, u"-S [-C] [-E] [-U | -M]", TLabelStyle::Normal, false},
    {216, 80, N_(u"variable value"), TLabelStyle::Normal, true},
    // A Cyrillic Es, as the help has always shown it; the processor knows only the Latin -C.
    {112, 104, u"-\u0421", TLabelStyle::Normal, false},
    {160, 104, N_(u"Clean up paths (remove duplicates and empty elements)"), TLabelStyle::Normal, true},
    {112, 120, u"-E", TLabelStyle::Normal, false},
    {160, 120, N_(u"If variable doesn't exist then create it as expandable"), TLabelStyle::Normal, true},
    {112, 136, u"-U", TLabelStyle::Normal, false},
    {160, 136, N_(u"Process user variables (default option)"), TLabelStyle::Normal, true},
    {112, 152, u"-M", TLabelStyle::Normal, false},
    {160, 152, N_(u"Process system (machine) variables"), TLabelStyle::Normal, true},
    {104, 176, N_(u"Insert value:"), TLabelStyle::Bold, true},
    {112, 192, u"-I [-C] [-E] [-U | -M]", TLabelStyle::Normal, false},
    {214, 192, N_(u"variable value"), TLabelStyle::Normal, true},
    {104, 216, N_(u"Append value:"), TLabelStyle::Bold, true},
    {112, 232, u"-A [-C] [-E] [-U | -M]", TLabelStyle::Normal, false},
    {217, 232, N_(u"variable value"), TLabelStyle::Normal, true},
    {104, 256, N_(u"Remove value:"), TLabelStyle::Bold, true},
    {112, 272, u"-R [-C] [-U | -M]", TLabelStyle::Normal, false},
    {196, 272, N_(u"variable value"), TLabelStyle::Normal, true},
    {104, 296, N_(u"Delete variable:"), TLabelStyle::Bold, true},
    {112, 312, u"-D [-U | -M]", TLabelStyle::Normal, false},
    {174, 312, N_(u"variable"), TLabelStyle::Normal, true},
};

// A pixel of a 32-bit DIB: blue in the lowest byte.
constexpr uint32_t DibPixel(COLORREF c)
{
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

// The fill, the three outlines and the diagonal lines five pixels apart.
void PaintPattern(uint32_t* pixels, int width, int height)
{
    const uint32_t fill = DibPixel(kFill), lines = DibPixel(kLines), white = DibPixel(kWhite);
    for (int y = 0; y < height; ++y) {
        uint32_t* row = pixels + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            const int edge = std::min(std::min(x, y), std::min(width - 1 - x, height - 1 - y));
            if (edge == 0)
                row[x] = lines;
            else if (edge <= 2)
                row[x] = white;
            else
                row[x] = (x - y) % 5 == 0 ? lines : fill;
        }
    }
}

UINT DpiOf(HWND window)
{
    // GetDpiForWindow came with Windows 10 1607; looked up so that older systems still start.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow) {
        if (UINT dpi = getDpiForWindow(window))
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : USER_DEFAULT_SCREEN_DPI;
}

platform::unique_hfont MakeFont(int pixelHeight, bool bold, bool underline)
{
    LOGFONTW font{};
    font.lfHeight = -pixelHeight;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfUnderline = underline;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    return platform::unique_hfont(CreateFontIndirectW(&font));
}

void CentreOnMonitor(HWND window, int width, int height)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void TfrmCmdHelp::createAndShowModal()
{
    UINT exitCode = 1; // unless the window could be shown and was closed
    try {
        // The themed OK button comes with the common controls, which the command-line mode
        // does not load otherwise.
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        // The shell wants COM on the thread that opens the link.
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        {
            TfrmCmdHelp form;
            if (form.Create()) {
                form.RunModal();
                exitCode = form.FFailed ? 1 : 0;
            }
        }
        if (SUCCEEDED(com))
            CoUninitialize();
    } catch (...) {
    }
    ExitProcess(exitCode);
}

TfrmCmdHelp::~TfrmCmdHelp()
{
    if (FHandle)
        DestroyWindow(FHandle);
}

bool TfrmCmdHelp::Create()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"MAINICON");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass))
        return false;

    // Created at its 96-DPI size on the primary monitor; that monitor's DPI then gives the real size.
    // WS_CLIPCHILDREN: the labels paint the pattern behind their text themselves (OnCtlColor).
    if (!CreateWindowExW(0, kClassName, L"Varnook", WS_POPUP | WS_CLIPCHILDREN, 0, 0, kClientWidth, kClientHeight,
                         nullptr, nullptr, instance, this))
        return false;

    FLogo.reset(platform::LoadIconPicture(instance, IDI_LOGO, 64, 128));
    FLogo2x.reset(platform::LoadIconPicture(instance, IDI_LOGO_2X, 128, 256));
    FLinkBrush.reset(CreateSolidBrush(kLinkBack));

    // First child, first in the tab order.
    FOK = CreateWindowExW(0, L"BUTTON", platform::W(gettext(u"OK")),
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, FHandle,
                          reinterpret_cast<HMENU>(INT_PTR(IDOK)), instance, nullptr);
    if (!FOK)
        return false;
    for (const TLabel& label : kLabels) {
        const bool link = label.style == TLabelStyle::Link;
        const std::u16string text = label.translated ? gettext(label.text) : std::u16string(label.text);
        HWND control = CreateWindowExW(0, L"STATIC", platform::W(text),
                                       WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX | (link ? SS_NOTIFY : 0),
                                       0, 0, 0, 0, FHandle,
                                       reinterpret_cast<HMENU>(INT_PTR(link ? IDC_CMDHELP_LINK : IDC_STATIC_TEXT)),
                                       instance, nullptr);
        if (!control)
            return false;
        FLabels.push_back(control);
        if (link)
            FLink = control;
    }

    CentreOnMonitor(FHandle, kClientWidth, kClientHeight);
    ApplyDpi(DpiOf(FHandle));
    CentreOnMonitor(FHandle, MulDiv(kClientWidth, FDpi, USER_DEFAULT_SCREEN_DPI),
                    MulDiv(kClientHeight, FDpi, USER_DEFAULT_SCREEN_DPI));
    ShowWindow(FHandle, SW_SHOW);
    SetForegroundWindow(FHandle);
    SetFocus(FOK);
    UpdateWindow(FHandle);
    return true;
}

void TfrmCmdHelp::RunModal()
{
    MSG message;
    while (!FClosed && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(FHandle, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void TfrmCmdHelp::ApplyDpi(UINT dpi)
{
    FDpi = dpi;
    const auto scale = [dpi](int value) { return MulDiv(value, int(dpi), USER_DEFAULT_SCREEN_DPI); };
    // The controls move to the new fonts before the old ones are deleted.
    platform::unique_hfont font = MakeFont(scale(kFontHeight), false, false);
    platform::unique_hfont boldFont = MakeFont(scale(kFontHeight), true, false);
    platform::unique_hfont titleFont = MakeFont(scale(kTitleFontHeight), true, false);
    platform::unique_hfont linkFont = MakeFont(scale(kFontHeight), true, true);

    HDC dc = GetDC(FHandle);
    const HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    for (size_t i = 0; i < FLabels.size(); ++i) {
        const TLabel& label = kLabels[i];
        const HFONT labelFont = label.style == TLabelStyle::Title  ? titleFont.get()
                                : label.style == TLabelStyle::Link ? linkFont.get()
                                : label.style == TLabelStyle::Bold ? boldFont.get()
                                                                   : font.get();
        // Each label is exactly as large as its text, so the link's colour lies just behind it.
        std::wstring text(size_t(GetWindowTextLengthW(FLabels[i])) + 1, L'\0');
        text.resize(size_t(GetWindowTextW(FLabels[i], text.data(), int(text.size()))));
        SelectObject(dc, labelFont);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
        SendMessageW(FLabels[i], WM_SETFONT, WPARAM(labelFont), FALSE);
        SetWindowPos(FLabels[i], nullptr, scale(label.left), scale(label.top), extent.cx, extent.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(FHandle, dc);

    SendMessageW(FOK, WM_SETFONT, WPARAM(font.get()), FALSE);
    SetWindowPos(FOK, nullptr, scale(kOK.left), scale(kOK.top), scale(kOK.right - kOK.left),
                 scale(kOK.bottom - kOK.top), SWP_NOZORDER | SWP_NOACTIVATE);

    FFont = std::move(font);
    FBoldFont = std::move(boldFont);
    FTitleFont = std::move(titleFont);
    FLinkFont = std::move(linkFont);
    ComposeBackground();
    RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TfrmCmdHelp::ComposeBackground()
{
    RECT client{};
    GetClientRect(FHandle, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    platform::unique_hbitmap picture(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture)
        return;
    PaintPattern(static_cast<uint32_t*>(bits), width, height);

    platform::unique_hdc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.get(), picture.get());
    DrawLogo(dc.get());
    SelectObject(dc.get(), old);
    GdiFlush();
    FBackgroundBrush.reset(CreatePatternBrush(picture.get()));
    FBackground = std::move(picture);
}

void TfrmCmdHelp::DrawLogo(HDC target) const
{
    const auto scale = [this](LONG value) { return MulDiv(value, int(FDpi), USER_DEFAULT_SCREEN_DPI); };
    const int width = scale(kLogo.right - kLogo.left), height = scale(kLogo.bottom - kLogo.top);
    const HBITMAP source = FDpi == USER_DEFAULT_SCREEN_DPI ? FLogo.get() : FLogo2x.get();
    DIBSECTION dib{};
    if (!source || GetObjectW(source, sizeof(dib), &dib) != sizeof(dib) || dib.dsBm.bmBitsPixel != 32)
        return;
    // AlphaBlend only stretches by dropping or doubling pixels; the logo is resized by area instead.
    platform::unique_hbitmap resized;
    HBITMAP picture = source;
    if (dib.dsBm.bmWidth != width || dib.dsBm.bmHeight != height) {
        const std::vector<uint32_t> pixels = platform::ScaleByArea(
            static_cast<const uint32_t*>(dib.dsBm.bmBits), dib.dsBm.bmWidth, dib.dsBm.bmHeight, width, height);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = dib.dsBmih.biHeight < 0 ? -height : height; // rows in the source's order
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        resized.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!resized || pixels.empty())
            return;
        std::memcpy(bits, pixels.data(), pixels.size() * sizeof(pixels[0]));
        picture = resized.get();
    }
    platform::unique_hdc logoDc(CreateCompatibleDC(target));
    const HGDIOBJ old = SelectObject(logoDc.get(), picture);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(target, scale(kLogo.left), scale(kLogo.top), width, height, logoDc.get(), 0, 0, width, height, blend);
    SelectObject(logoDc.get(), old);
}

void TfrmCmdHelp::Paint(HDC dc) const
{
    if (!FBackground)
        return;
    BITMAP picture{};
    GetObjectW(FBackground.get(), sizeof(picture), &picture);
    platform::unique_hdc source(CreateCompatibleDC(dc));
    const HGDIOBJ old = SelectObject(source.get(), FBackground.get());
    BitBlt(dc, 0, 0, picture.bmWidth, picture.bmHeight, source.get(), 0, 0, SRCCOPY);
    SelectObject(source.get(), old);
}

LRESULT TfrmCmdHelp::OnCtlColor(HDC dc, HWND control) const
{
    if (control == FLink) {
        SetTextColor(dc, kLinkText);
        SetBkColor(dc, kLinkBack);
        SetBkMode(dc, OPAQUE);
        return reinterpret_cast<LRESULT>(FLinkBrush.get());
    }
    // The control fills itself with the window's own picture, aligned to where it stands.
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, FHandle, reinterpret_cast<POINT*>(&bounds), 2);
    SetBrushOrgEx(dc, -bounds.left, -bounds.top, nullptr);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(FBackgroundBrush.get());
}

bool TfrmCmdHelp::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(FHandle, &ps);
        Paint(dc);
        EndPaint(FHandle, &ps);
        return true;
    }
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: // themed buttons draw their parent behind their rounded corners
        Paint(reinterpret_cast<HDC>(wParam));
        result = 1;
        return true;
    case WM_SIZE:
        ComposeBackground();
        RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        result = OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return true;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == FLink && FLink) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            result = TRUE;
            return true;
        }
        return false;
    case WM_SETFOCUS:
        if (FOK)
            SetFocus(FOK);
        return true;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL: // Esc, through IsDialogMessage
            DestroyWindow(FHandle);
            return true;
        case IDC_CMDHELP_LINK:
            if (HIWORD(wParam) == STN_CLICKED)
                ShellExecuteW(FHandle, L"open", platform::W(kCommandLinePage), nullptr, nullptr, SW_SHOWNORMAL);
            return true;
        }
        return false;
    case DM_GETDEFID: // what IsDialogMessage presses on Enter
        result = MAKELRESULT(IDOK, DC_HASDEFID);
        return true;
    case WM_DPICHANGED: {
        ApplyDpi(HIWORD(wParam));
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(FHandle, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    }
    }
    return false;
}

LRESULT CALLBACK TfrmCmdHelp::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TfrmCmdHelp*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->FHandle = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TfrmCmdHelp*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->FHandle = nullptr;
        form->FClosed = true;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        LRESULT result = 0;
        if (form->OnMessage(message, wParam, lParam, result))
            return result;
    } catch (...) {
        // Nothing here should fail short of memory; if it does, the help ends as a failed run
        // rather than letting the exception unwind through Windows.
        form->FFailed = true;
        form->FClosed = true;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace varnook
