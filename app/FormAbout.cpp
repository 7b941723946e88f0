#include "app/FormAbout.h"

#include "app/DialogSupport.h"
#include "app/Skins.h"
#include "app/Version.h"
#include "app/Window.h"
#include "core/Translate.h"
#include "platform/PixelScaling.h"
#include "platform/win32/IconPicture.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace varnook {

namespace {

// The layout in pixels at 96 DPI.
constexpr int kClientWidth = 446;
constexpr int kClientHeight = 274;
constexpr RECT kLogo = {10, 4, 10 + 64, 4 + 128};
constexpr int kTextLeft = 92;
constexpr int kFontHeight = 11; // Tahoma 8 pt
constexpr int kTitleFontHeight = 16;
constexpr RECT kOK = {186, 242, 186 + 75, 242 + 25};

struct TLabel {
    int id;
    int top;
};
constexpr TLabel kLabels[] = {
    {IDC_ABOUT_NAME, 14}, {IDC_ABOUT_VERSION, 40}, {IDC_ABOUT_NOTICE, 58}, {IDC_ABOUT_LINK, 80}, {IDC_ABOUT_THANKS, 112},
};
constexpr int kThanksTop = 112;

constexpr COLORREF kFill = RGB(140, 172, 115);
constexpr COLORREF kLines = RGB(117, 155, 92);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLinkText = RGB(0, 0, 255);
constexpr char16_t kSite[] = u"" VARNOOK_PRODUCT_SITE;

constexpr uint32_t DibPixel(COLORREF c)
{
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

// The fill with its outline, two white outlines inside it, and thin diagonal lines five pixels
// apart wherever x - y is a multiple of 5.
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

} // namespace

std::vector<std::u16string> TfrmAbout::ThanksLines()
{
    // Only real contributions to this build: the tools, libraries and runtimes it is built and
    // tested with, and who drew its pictures. Translations join the list when catalogs exist.
    return {
        u"The Varnook developers (logo and icon set)",
        u"The MinGW-w64 project (Windows headers and runtime)",
        u"The GCC developers (compiler and C++ library of the executable)",
        u"The LLVM project (Clang and the sanitizers of the tests)",
        u"The GoogleTest developers (test framework)",
        u"The Wine project (Windows of every test run)",
        u"The X.Org project (Xvfb, the display of the window tests)",
        u"The CMake developers (build system)",
        u"The Ninja developers (build tool)",
        u"The ccache developers (compiler cache)",
        u"The librsvg developers (rendering of the icons)",
        u"The ImageMagick developers (icon files and screenshots)",
        u"The GNU gettext developers (message catalog format)",
        u"The Python developers (scripts for the Unicode tables and the catalogs)",
        u"The Debian project (packages of all of the above)",
    };
}

std::u16string TfrmAbout::VersionLine()
{
    return gettext(u"Version") + u" " + GetVersionMajor() + u"." + GetVersionMinor() + u" " + gettext(u"build") + u" " +
           GetVersionBuild();
}

void TfrmAbout::createAndShowModal()
{
    TfrmAbout form;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), GetActiveWindow(), DialogProc,
                    reinterpret_cast<LPARAM>(&form));
}

void TfrmAbout::FormCreate()
{
    TranslateDialogTexts(FHandle);
    SetDlgItemTextW(FHandle, IDC_ABOUT_VERSION, platform::W(VersionLine()));
    SetDlgItemTextW(FHandle, IDC_ABOUT_NOTICE, platform::W(gettext(u"Copyright (C) 2026 the Varnook developers")));
    SetDlgItemTextW(FHandle, IDC_ABOUT_LINK, platform::W(kSite));
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    FLogo.reset(platform::LoadIconPicture(instance, IDI_LOGO, 64, 128));
    FLogo2x.reset(platform::LoadIconPicture(instance, IDI_LOGO_2X, 128, 256));

    FCredits = std::make_unique<TScrollingCredits>();
    FCredits->SetCredits(ThanksLines());
    FCredits->SetBackgroundColor(kFill);
    FCredits->SetShowBorder(false);
    FCredits->Create(FHandle, IDC_ABOUT_CREDITS, 0, 0, 1, 1);
    ApplyDpi(WindowDpi(FHandle));
    CentreOverMainWindow(FHandle);
    FCredits->SetAnimate(true);
    SendMessageW(FHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(FHandle, IDOK)), TRUE);
}

void TfrmAbout::ApplyDpi(UINT dpi)
{
    FDpi = dpi;
    const auto px = [dpi](int v) { return ScaleForDpi(v, dpi); };
    SetWindowPos(FHandle, nullptr, 0, 0, px(kClientWidth), px(kClientHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    platform::unique_hfont font = MakeFont(px(kFontHeight), false, false);
    platform::unique_hfont boldFont = MakeFont(px(kFontHeight), true, false);
    platform::unique_hfont titleFont = MakeFont(px(kTitleFontHeight), true, false);
    platform::unique_hfont linkFont = MakeFont(px(kFontHeight), true, true);
    HDC dc = GetDC(FHandle);
    const HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    for (const TLabel& label : kLabels) {
        HWND control = GetDlgItem(FHandle, label.id);
        const HFONT labelFont = label.id == IDC_ABOUT_NAME    ? titleFont.get()
                                : label.id == IDC_ABOUT_LINK   ? linkFont.get()
                                : label.id == IDC_ABOUT_THANKS ? boldFont.get()
                                                               : font.get();
        // Each label as large as its text, so that the hand shows over the link and nowhere else.
        const std::u16string text = WindowText(control);
        SelectObject(dc, labelFont);
        SIZE extent{};
        GetTextExtentPoint32W(dc, platform::W(text), static_cast<int>(text.size()), &extent);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont), FALSE);
        SetWindowPos(control, nullptr, px(kTextLeft), px(label.top), extent.cx + 1, extent.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(FHandle, dc);
    HWND ok = GetDlgItem(FHandle, IDOK);
    SendMessageW(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    SetWindowPos(ok, nullptr, px(kOK.left), px(kOK.top), px(kOK.right - kOK.left), px(kOK.bottom - kOK.top),
                 SWP_NOZORDER | SWP_NOACTIVATE);

    // The thanks span the box below "Special thanks:" and end 10 pixels above OK.
    const int creditsTop = px(kThanksTop) + px(20);
    SetWindowPos(FCredits->Handle(), nullptr, px(3), creditsTop, px(kClientWidth) - px(6),
                 px(kOK.top) - px(kThanksTop) - px(30), SWP_NOZORDER | SWP_NOACTIVATE);
    FCredits->SetCreditsFont(u"Tahoma", px(kFontHeight), RGB(0, 0, 0));

    FFont = std::move(font);
    FBoldFont = std::move(boldFont);
    FTitleFont = std::move(titleFont);
    FLinkFont = std::move(linkFont);
    ComposeBackground();
    RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TfrmAbout::ComposeBackground()
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

void TfrmAbout::DrawLogo(HDC target) const
{
    const auto px = [this](LONG value) { return ScaleForDpi(value, FDpi); };
    const int width = px(kLogo.right - kLogo.left), height = px(kLogo.bottom - kLogo.top);
    const HBITMAP source = FDpi == USER_DEFAULT_SCREEN_DPI ? FLogo.get() : FLogo2x.get();
    DIBSECTION dib{};
    if (!source || GetObjectW(source, sizeof(dib), &dib) != sizeof(dib) || dib.dsBm.bmBitsPixel != 32)
        return;
    // Resized by area: AlphaBlend would only drop or double pixels.
    platform::unique_hbitmap resized;
    HBITMAP picture = source;
    if (dib.dsBm.bmWidth != width || dib.dsBm.bmHeight != height) {
        const std::vector<uint32_t> pixels = platform::ScaleByArea(
            static_cast<const uint32_t*>(dib.dsBm.bmBits), dib.dsBm.bmWidth, dib.dsBm.bmHeight, width, height);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = dib.dsBmih.biHeight < 0 ? -height : height;
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
    AlphaBlend(target, px(kLogo.left), px(kLogo.top), width, height, logoDc.get(), 0, 0, width, height, blend);
    SelectObject(logoDc.get(), old);
}

void TfrmAbout::Paint(HDC dc) const
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

INT_PTR TfrmAbout::OnCtlColor(HDC dc, HWND control) const
{
    // A label fills itself with the box's own picture, aligned to where it stands.
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, FHandle, reinterpret_cast<POINT*>(&bounds), 2);
    SetBrushOrgEx(dc, -bounds.left, -bounds.top, nullptr);
    SetTextColor(dc, control == GetDlgItem(FHandle, IDC_ABOUT_LINK) ? kLinkText : RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(FBackgroundBrush.get());
}

INT_PTR TfrmAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        Paint(reinterpret_cast<HDC>(wParam));
        SetWindowLongPtrW(FHandle, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == GetDlgItem(FHandle, IDC_ABOUT_LINK)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            SetWindowLongPtrW(FHandle, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(FHandle, LOWORD(wParam));
            return TRUE;
        case IDC_ABOUT_LINK:
            if (HIWORD(wParam) == STN_CLICKED)
                ShellExecuteW(FHandle, L"open", platform::W(kSite), nullptr, nullptr, SW_SHOWNORMAL);
            return TRUE;
        }
        break;
    case WM_DPICHANGED: {
        ApplyDpi(HIWORD(wParam));
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(FHandle, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    case WM_DESTROY:
        // The scroll runs only while the box is open.
        FCredits.reset();
        KeepOwnLook(FHandle, false);
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK TfrmAbout::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* form = reinterpret_cast<TfrmAbout*>(GetWindowLongPtrW(dialog, DWLP_USER));
    try {
        if (message == WM_INITDIALOG) {
            form = reinterpret_cast<TfrmAbout*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            form->FHandle = dialog;
            form->FormCreate();
            KeepOwnLook(dialog); // the box is a picture of its own in every skin
            return FALSE; // OK has the focus
        }
        if (form)
            return form->OnMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
    } catch (...) {
        ReportUnhandledFailure();
    }
    return FALSE;
}

} // namespace varnook
