#include "app/Skins.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>

namespace varnook {

namespace {

enum TSkin { skDefault, skClassic, skDark };
TSkin gSkin = skDefault;
HHOOK gDialogHook = nullptr;
// Some window was given a look other than the default one it is created with.
bool gSkinned = false;

constexpr COLORREF kDarkWindow = RGB(32, 32, 32);
constexpr COLORREF kDarkFace = RGB(45, 45, 48);
constexpr COLORREF kDarkText = RGB(230, 230, 230);
constexpr UINT_PTR kSkinSubclassId = 0x534B4E; // any number of the program's own

HBRUSH DarkFaceBrush()
{
    static HBRUSH brush = CreateSolidBrush(kDarkFace);
    return brush;
}

HBRUSH DarkWindowBrush()
{
    static HBRUSH brush = CreateSolidBrush(kDarkWindow);
    return brush;
}

bool IsClass(HWND window, const wchar_t* name)
{
    wchar_t cls[64]{};
    GetClassNameW(window, cls, 64);
    return lstrcmpiW(cls, name) == 0;
}

// Windows of the program's own classes and dialogs paint their background from the face colour.
bool PaintsFace(HWND window)
{
    wchar_t cls[64]{};
    GetClassNameW(window, cls, 64);
    return wcsncmp(cls, L"Varnook", 7) == 0 || wcsncmp(cls, L"Tfrm", 4) == 0 || lstrcmpW(cls, L"#32770") == 0;
}

LRESULT CALLBACK SkinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (gSkin == skDark) {
        switch (message) {
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kDarkText);
            SetBkColor(dc, kDarkFace);
            return reinterpret_cast<LRESULT>(DarkFaceBrush());
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kDarkText);
            SetBkColor(dc, kDarkWindow);
            return reinterpret_cast<LRESULT>(DarkWindowBrush());
        }
        case WM_ERASEBKGND:
            if (PaintsFace(window)) {
                RECT rc;
                GetClientRect(window, &rc);
                FillRect(reinterpret_cast<HDC>(wParam), &rc, DarkFaceBrush());
                return 1;
            }
            break;
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void SetDarkTitleBar(HWND window, bool dark)
{
    using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const auto set = reinterpret_cast<SetAttribute>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"dwmapi.dll"), "DwmSetWindowAttribute")));
    if (!set)
        return;
    const BOOL value = dark;
    constexpr DWORD kUseImmersiveDarkMode = 20;
    set(window, kUseImmersiveDarkMode, &value, sizeof(value));
}

void SkinOne(HWND window)
{
    const bool dark = gSkin == skDark;
    if (gSkin == skClassic)
        SetWindowTheme(window, L"", L"");
    else
        SetWindowTheme(window, nullptr, nullptr);
    SetWindowSubclass(window, SkinProc, kSkinSubclassId, 0);
    if (IsClass(window, WC_TREEVIEWW)) {
        TreeView_SetTextColor(window, dark ? kDarkText : static_cast<COLORREF>(-1));
        // A tree with a background of its own (the read-only look) keeps it.
        const COLORREF back = TreeView_GetBkColor(window);
        if (back == static_cast<COLORREF>(-1) || back == kDarkWindow)
            TreeView_SetBkColor(window, dark ? kDarkWindow : static_cast<COLORREF>(-1));
    } else if (IsClass(window, WC_LISTVIEWW)) {
        const COLORREF back = dark ? kDarkWindow : GetSysColor(COLOR_WINDOW);
        ListView_SetBkColor(window, back);
        ListView_SetTextBkColor(window, back);
        ListView_SetTextColor(window, dark ? kDarkText : GetSysColor(COLOR_WINDOWTEXT));
    } else if (IsClass(window, STATUSCLASSNAMEW)) {
        SendMessageW(window, SB_SETBKCOLOR, 0, dark ? kDarkFace : CLR_DEFAULT);
    } else if (IsClass(window, REBARCLASSNAMEW)) {
        SendMessageW(window, RB_SETBKCOLOR, 0, dark ? kDarkFace : CLR_DEFAULT);
        SendMessageW(window, RB_SETTEXTCOLOR, 0, dark ? kDarkText : CLR_DEFAULT);
    }
}

LRESULT CALLBACK DialogHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (message->message == WM_INITDIALOG && gSkin != skDefault)
            SkinWindow(message->hwnd);
    }
    return CallNextHookEx(gDialogHook, code, wParam, lParam);
}

} // namespace

const std::vector<std::u16string>& SkinNames()
{
    static const std::vector<std::u16string> names = [] {
        std::vector<std::u16string> sorted = {u"Classic", u"Dark", u"Default"};
        std::sort(sorted.begin(), sorted.end());
        std::stable_partition(sorted.begin(), sorted.end(), [](const std::u16string& n) { return n == u"Default"; });
        return sorted;
    }();
    return names;
}

int SkinRow(std::u16string_view name)
{
    const auto& names = SkinNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (CompareStringOrdinal(reinterpret_cast<const wchar_t*>(names[i].data()), static_cast<int>(names[i].size()),
                                 reinterpret_cast<const wchar_t*>(name.data()), static_cast<int>(name.size()),
                                 TRUE) == CSTR_EQUAL)
            return static_cast<int>(i);
    return 0;
}

int CurrentSkinRow()
{
    const auto& names = SkinNames();
    const char16_t* name = gSkin == skDark ? u"Dark" : gSkin == skClassic ? u"Classic" : u"Default";
    return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
}

void ApplySkin(int row, HWND window)
{
    const auto& names = SkinNames();
    const std::u16string& name = names[row >= 0 && row < static_cast<int>(names.size()) ? row : 0];
    gSkin = name == u"Dark" ? skDark : name == u"Classic" ? skClassic : skDefault;
    // Until another look is picked there is nothing to undo: no theme to set, and neither a hook
    // on every message sent nor a subclass in front of every control's (under Wine each costs
    // server round trips).
    if (gSkin == skDefault && !gSkinned)
        return;
    gSkinned = true;
    if (!gDialogHook)
        gDialogHook = SetWindowsHookExW(WH_CALLWNDPROCRET, DialogHook, nullptr, GetCurrentThreadId());
    if (window)
        SkinWindow(window);
}

void SkinWindow(HWND window)
{
    if (!window)
        return;
    if (!GetParent(window) || (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0)
        SetDarkTitleBar(window, gSkin == skDark);
    SkinOne(window);
    EnumChildWindows(window, [](HWND child, LPARAM) -> BOOL {
        SkinOne(child);
        return TRUE;
    }, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

COLORREF SkinWindowColor()
{
    return gSkin == skDark ? kDarkWindow : GetSysColor(COLOR_WINDOW);
}

COLORREF SkinShade(COLORREF light)
{
    return gSkin == skDark ? RGB(55, 55, 60) : light;
}

COLORREF SkinTextColor()
{
    return gSkin == skDark ? kDarkText : GetSysColor(COLOR_WINDOWTEXT);
}

} // namespace varnook
