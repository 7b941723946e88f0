// The three message boxes on screen: what each shows, and what the keys and the frame answer.
// Each box runs its own modal loop, so a thread timer inside that loop finds the box, looks
// at it, keeps a screenshot and answers it the way a user would.
#include "app/FormOK.h"
#include "app/FormYesNo.h"
#include "app/FormYesNoCancel.h"
#include "res/resource.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace varnook;
using namespace varnook::testing;

namespace {

struct Button {
    int id;
    std::wstring text;
    RECT rect; // in the box's client coordinates
};

struct Seen {
    HWND box = nullptr;
    std::wstring caption, text;
    RECT client{}, textRect{}, frameRect{};
    UINT dpi = 96;
    std::vector<Button> buttons; // left to right
    int focusId = 0;
    int defaultId = 0;
    std::vector<DWORD> iconPixels; // the icon shown, drawn at the system icon size
    bool iconVisible = false;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    DWORD style = 0;
    RECT window{};
    int textHeightNeeded = -1; // measured the way the text control draws
};

enum class Answer { Enter, Esc, Frame, KeyN, TabEnter, ClickCancel };

std::wstring OutputDir()
{
    wchar_t buffer[MAX_PATH * 2]{};
    std::wstring dir;
    if (GetEnvironmentVariableW(L"VARNOOK_TEST_OUTPUT", buffer, ARRAYSIZE(buffer)))
        dir = buffer;
    else
        dir = BuildDir() + L"test-output";
    for (auto& c : dir)
        if (c == L'/')
            c = L'\\';
    if (!dir.empty() && dir[0] == L'\\' && (dir.size() < 2 || dir[1] != L'\\'))
        dir = L"Z:" + dir; // a Unix path from ctest: Wine's Z: drive is the file-system root
    SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
    return dir + L"\\";
}

// The window as it stands on the screen, as a 24-bit BMP.
void Screenshot(HWND hwnd, const std::wstring& name)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) & ~3), imageSize = stride * h;
    BITMAPFILEHEADER fh{0x4D42, DWORD(sizeof(fh) + sizeof(BITMAPINFOHEADER) + imageSize), 0, 0,
                        DWORD(sizeof(fh) + sizeof(BITMAPINFOHEADER))};
    bi.bmiHeader.biSizeImage = imageSize;
    HANDLE file = CreateFileW((OutputDir() + name + L".bmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << "cannot write the screenshot " << Narrow(name);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, &fh, sizeof(fh), &written, nullptr);
        WriteFile(file, &bi.bmiHeader, sizeof(BITMAPINFOHEADER), &written, nullptr);
        WriteFile(file, bits, imageSize, &written, nullptr);
        CloseHandle(file);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

// The pixels of an icon drawn at a size on a fixed background: two icons look alike when these match.
std::vector<DWORD> IconPixels(HICON icon, int size)
{
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    RECT all{0, 0, size, size};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    DrawIconEx(mem, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + size * size);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return pixels;
}

void Key(WORD vk)
{
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// Finds the box the code under test shows, records it, answers it, and makes sure it goes away.
class BoxDriver {
public:
    BoxDriver(Answer answer, std::wstring screenshot = {}) : answer_(answer), screenshot_(std::move(screenshot))
    {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 30, Tick);
    }
    ~BoxDriver()
    {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    const Seen& seen() const { return seen_; }
    bool hung() const { return hung_; }

private:
    static BOOL CALLBACK FindBox(HWND hwnd, LPARAM found)
    {
        wchar_t cls[32]{};
        GetClassNameW(hwnd, cls, ARRAYSIZE(cls));
        if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd)) {
            *reinterpret_cast<HWND*>(found) = hwnd;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (current_)
            current_->OnTick();
    }

    void OnTick()
    {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box)
            return;
        if (!seen_.box) {
            Record(box);
            if (!screenshot_.empty())
                Screenshot(box, screenshot_);
            Respond(box);
        } else if (++ticksAfterAnswer_ > 150) { // about 4 s: the answer went unheard
            hung_ = true;
            EndDialog(box, 99);
        }
    }

    void Record(HWND box)
    {
        seen_.box = box;
        wchar_t text[1024]{};
        GetWindowTextW(box, text, ARRAYSIZE(text));
        seen_.caption = text;
        GetDlgItemTextW(box, IDC_MSG_TEXT, text, ARRAYSIZE(text));
        seen_.text = text;
        GetClientRect(box, &seen_.client);
        seen_.dpi = GetDpiForWindow(box);
        seen_.style = static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE));
        auto childRect = [box](int id) {
            RECT r{};
            HWND child = GetDlgItem(box, id);
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        seen_.textRect = childRect(IDC_MSG_TEXT);
        seen_.frameRect = childRect(IDC_MSG_FRAME);
        for (int id : {IDOK, IDYES, IDNO, IDCANCEL}) {
            if (HWND b = GetDlgItem(box, id)) {
                GetWindowTextW(b, text, ARRAYSIZE(text));
                seen_.buttons.push_back({id, text, childRect(id)});
            }
        }
        std::sort(seen_.buttons.begin(), seen_.buttons.end(), [](auto& a, auto& b) { return a.rect.left < b.rect.left; });
        seen_.focusId = GetDlgCtrlID(GetFocus());
        LRESULT def = SendMessageW(box, DM_GETDEFID, 0, 0);
        seen_.defaultId = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : 0;
        HWND icon = GetDlgItem(box, IDC_MSG_ICON);
        seen_.iconVisible = IsWindowVisible(icon);
        if (auto shown = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0)))
            seen_.iconPixels = IconPixels(shown, GetSystemMetricsForDpi(SM_CXICON, seen_.dpi));
        GetWindowRect(box, &seen_.window);
        seen_.owner = GetWindow(box, GW_OWNER);
        if (seen_.owner)
            seen_.ownerEnabled = IsWindowEnabled(seen_.owner);
        HWND textControl = GetDlgItem(box, IDC_MSG_TEXT);
        RECT need{0, 0, seen_.textRect.right - seen_.textRect.left, 0};
        HDC dc = GetDC(textControl);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(textControl, WM_GETFONT, 0, 0)));
        DrawTextW(dc, seen_.text.c_str(), -1, &need, DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        SelectObject(dc, old);
        ReleaseDC(textControl, dc);
        seen_.textHeightNeeded = need.bottom;
    }

    void Respond(HWND box)
    {
        switch (answer_) {
        case Answer::Enter: Key(VK_RETURN); break;
        case Answer::Esc: Key(VK_ESCAPE); break;
        case Answer::KeyN: Key('N'); break;
        case Answer::TabEnter: Key(VK_TAB); Key(VK_RETURN); break;
        case Answer::Frame: PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case Answer::ClickCancel: PostMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0); break;
        }
    }

    static inline BoxDriver* current_ = nullptr;
    Answer answer_;
    std::wstring screenshot_;
    UINT_PTR timer_ = 0;
    Seen seen_;
    int ticksAfterAnswer_ = 0;
    bool hung_ = false;
};

struct BoxCase {
    const char* name;
    std::function<TModalResult(std::u16string_view)> show;
    std::wstring caption;
    const wchar_t* icon; // expected predefined icon, or none
    std::vector<std::pair<int, std::wstring>> buttons; // left to right
    int focusId;
};

std::vector<BoxCase> AllBoxes()
{
    auto ok = [](TMsgDlgType kind) { return [kind](std::u16string_view t) { return TfrmOK::createAndShowModal(t, kind); }; };
    const std::vector<std::pair<int, std::wstring>> okButton{{IDOK, L"OK"}};
    const std::vector<std::pair<int, std::wstring>> yesNo{{IDYES, L"&Yes"}, {IDNO, L"&No"}};
    const std::vector<std::pair<int, std::wstring>> yesNoCancel{{IDYES, L"&Yes"}, {IDNO, L"&No"}, {IDCANCEL, L"Cancel"}};
    return {
        {"ok-warning", ok(mtWarning), L"Warning", IDI_EXCLAMATION, okButton, IDOK},
        {"ok-error", ok(mtError), L"Error", IDI_HAND, okButton, IDOK},
        {"ok-information", ok(mtInformation), L"Information", IDI_ASTERISK, okButton, IDOK},
        {"ok-confirmation", ok(mtConfirmation), L"Confirm", IDI_QUESTION, okButton, IDOK},
        {"ok-custom", ok(mtCustom), L"", nullptr, okButton, IDOK},
        {"yesno", TfrmYesNo::createAndShowModal, L"Confirm", IDI_QUESTION, yesNo, IDYES},
        {"yesnocancel", TfrmYesNoCancel::createAndShowModal, L"Warning", IDI_EXCLAMATION, yesNoCancel, IDYES},
    };
}

int Scaled(int v, UINT dpi) { return MulDiv(v, static_cast<int>(dpi), 96); }

} // namespace

TEST(MessageBoxes, ShowTheirCaptionIconButtonsAndLayout)
{
    const std::u16string message = u"Variable 'PATH' & its value: 50% done";
    for (const BoxCase& c : AllBoxes()) {
        SCOPED_TRACE(c.name);
        TModalResult result;
        Seen seen;
        {
            BoxDriver driver(Answer::Enter, std::wstring(L"msgbox-") + std::wstring(c.name, c.name + strlen(c.name)));
            result = c.show(message);
            seen = driver.seen();
            ASSERT_FALSE(driver.hung());
        }
        ASSERT_NE(seen.box, nullptr) << "no box was shown";
        EXPECT_FALSE(IsWindow(seen.box)) << "the box outlives its showing";
        EXPECT_EQ(result, c.focusId == IDOK ? mrOk : mrYes) << "Enter presses the focused button";

        EXPECT_EQ(seen.caption, c.caption);
        EXPECT_EQ(seen.text, L"Variable 'PATH' & its value: 50% done");
        EXPECT_EQ(seen.focusId, c.focusId);
        EXPECT_EQ(seen.defaultId, c.focusId);
        EXPECT_FALSE(seen.style & WS_THICKFRAME) << "the box is not resizable";
        EXPECT_TRUE(seen.style & WS_SYSMENU) << "the frame has its close button";

        EXPECT_EQ(seen.iconVisible, c.icon != nullptr);
        if (c.icon) {
            ASSERT_FALSE(seen.iconPixels.empty());
            const int size = GetSystemMetricsForDpi(SM_CXICON, seen.dpi);
            using LoadScaled = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
            auto loadScaled = reinterpret_cast<LoadScaled>(
                reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"comctl32.dll"), "LoadIconWithScaleDown")));
            ASSERT_NE(loadScaled, nullptr);
            HICON expected = nullptr;
            ASSERT_HRESULT_SUCCEEDED(loadScaled(nullptr, c.icon, size, size, &expected));
            EXPECT_TRUE(seen.iconPixels == IconPixels(expected, size)) << "not the expected icon";
            DestroyIcon(expected);
        }

        // 340 x 130 client, 75 x 25 buttons in a row at the bottom right, text inside the frame.
        EXPECT_EQ(seen.client.right, Scaled(340, seen.dpi));
        EXPECT_EQ(seen.client.bottom, Scaled(130, seen.dpi));
        ASSERT_EQ(seen.buttons.size(), c.buttons.size());
        for (size_t i = 0; i < c.buttons.size(); ++i) {
            const Button& b = seen.buttons[i];
            EXPECT_EQ(b.id, c.buttons[i].first);
            EXPECT_EQ(b.text, c.buttons[i].second);
            EXPECT_EQ(b.rect.right - b.rect.left, Scaled(75, seen.dpi));
            EXPECT_EQ(b.rect.bottom - b.rect.top, Scaled(25, seen.dpi));
            EXPECT_EQ(b.rect.top, seen.buttons[0].rect.top);
            EXPECT_GT(b.rect.top, seen.frameRect.bottom);
        }
        EXPECT_EQ(seen.buttons.back().rect.right, seen.client.right - Scaled(8, seen.dpi));
        EXPECT_EQ(seen.buttons.back().rect.bottom, seen.client.bottom - Scaled(8, seen.dpi));
        EXPECT_EQ(seen.textRect.right - seen.textRect.left, Scaled(258, seen.dpi));
        EXPECT_GE(seen.textRect.top, seen.frameRect.top);
        EXPECT_LE(seen.textRect.bottom, seen.frameRect.bottom);
    }
}

TEST(MessageBoxes, AnswerKeysAndFrameAsDialogResults)
{
    auto ok = [](std::u16string_view t) { return TfrmOK::createAndShowModal(t, mtError); };
    const struct {
        const char* name;
        std::function<TModalResult(std::u16string_view)> show;
        Answer answer;
        TModalResult expected;
    } cases[] = {
        {"OK, Esc", ok, Answer::Esc, mrOk},
        {"OK, frame", ok, Answer::Frame, mrCancel},
        {"YesNo, Esc", TfrmYesNo::createAndShowModal, Answer::Esc, mrNo},
        {"YesNo, frame", TfrmYesNo::createAndShowModal, Answer::Frame, mrCancel},
        {"YesNo, N", TfrmYesNo::createAndShowModal, Answer::KeyN, mrNo},
        {"YesNo, Tab then Enter", TfrmYesNo::createAndShowModal, Answer::TabEnter, mrNo},
        {"YesNoCancel, Esc", TfrmYesNoCancel::createAndShowModal, Answer::Esc, mrCancel},
        {"YesNoCancel, frame", TfrmYesNoCancel::createAndShowModal, Answer::Frame, mrCancel},
        {"YesNoCancel, N", TfrmYesNoCancel::createAndShowModal, Answer::KeyN, mrNo},
        {"YesNoCancel, Cancel button", TfrmYesNoCancel::createAndShowModal, Answer::ClickCancel, mrCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoxDriver driver(c.answer);
        EXPECT_EQ(c.show(u"Save the changes?"), c.expected);
        EXPECT_NE(driver.seen().box, nullptr);
        EXPECT_FALSE(driver.hung());
    }
}

// The box belongs to the active window, which it disables while it is shown, and stands
// centred over it.
TEST(MessageBoxes, AreModalAndCentredOverTheActiveWindow)
{
    HWND main = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 700, 500, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(main, nullptr);
    SetActiveWindow(main);
    RECT mainRect;
    GetWindowRect(main, &mainRect);
    Seen seen;
    {
        BoxDriver driver(Answer::Enter);
        EXPECT_EQ(TfrmYesNo::createAndShowModal(u"Delete?"), mrYes);
        seen = driver.seen();
    }
    ASSERT_NE(seen.box, nullptr);
    EXPECT_EQ(seen.owner, main);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_NEAR((seen.window.left + seen.window.right) / 2, (mainRect.left + mainRect.right) / 2, 1);
    EXPECT_NEAR((seen.window.top + seen.window.bottom) / 2, (mainRect.top + mainRect.bottom) / 2, 1);
    DestroyWindow(main);
}

// A message too long for its area makes the box taller instead of being cut off, and a long
// path without spaces is broken inside the text's width.
TEST(MessageBoxes, GrowForLongMessages)
{
    std::u16string text = u"Error writing C:\\Users\\someone\\AppData\\Local\\Temp\\"
                          u"a_rather_long_folder_name_without_any_spaces_at_all\\backup.reg:\r\n";
    for (int i = 0; i < 8; ++i)
        text += u"The device is not ready, and this line says so once more. ";
    Seen seen;
    {
        BoxDriver driver(Answer::Enter, L"msgbox-long-text");
        TfrmOK::createAndShowModal(text, mtError);
        seen = driver.seen();
    }
    ASSERT_NE(seen.box, nullptr);
    EXPECT_GT(seen.client.bottom, Scaled(130, seen.dpi));
    EXPECT_EQ(seen.client.right, Scaled(340, seen.dpi));
    EXPECT_LE(seen.textRect.bottom, seen.frameRect.bottom);
    EXPECT_GT(seen.buttons[0].rect.top, seen.frameRect.bottom);
    EXPECT_GE(seen.textHeightNeeded, 0);
    EXPECT_GE(seen.textRect.bottom - seen.textRect.top, seen.textHeightNeeded);
}
