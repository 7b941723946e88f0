// The command-line help window ("varnook.exe -?" or "/?"): how it looks and the ways it closes.
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include "res/resource.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace varnook::testing;

namespace {

constexpr DWORD kTimeout = 30000;
constexpr wchar_t kClassName[] = L"TfrmCmdHelp";
constexpr wchar_t kUserEnvironment[] = L"Environment";

std::wstring Command(const std::wstring& arguments)
{
    return L"\"" + VarnookExe() + L"\" " + arguments;
}

struct Child {
    HWND handle;
    std::wstring className;
    std::wstring text;
    int id;
    RECT bounds; // in the parent's client area
};

// In tab order.
std::vector<Child> Children(HWND window)
{
    std::vector<Child> children;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        Child child{c, {}, {}, GetDlgCtrlID(c), {}};
        wchar_t buffer[512] = {};
        GetClassNameW(c, buffer, ARRAYSIZE(buffer));
        child.className = buffer;
        GetWindowTextW(c, buffer, ARRAYSIZE(buffer));
        child.text = buffer;
        GetWindowRect(c, &child.bounds);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&child.bounds), 2);
        children.push_back(child);
    }
    return children;
}

const Child* FindText(const std::vector<Child>& children, const std::wstring& text)
{
    for (const Child& child : children)
        if (child.text == text)
            return &child;
    return nullptr;
}

// The background as drawn by the window: outline, two white insets, diagonal lines on the fill.
COLORREF ExpectedBackground(int x, int y, int width, int height)
{
    const int edge = std::min(std::min(x, y), std::min(width - 1 - x, height - 1 - y));
    if (edge == 0)
        return RGB(117, 155, 92);
    if (edge <= 2)
        return RGB(255, 255, 255);
    return (x - y) % 5 == 0 ? RGB(117, 155, 92) : RGB(140, 172, 115);
}

std::string Describe(COLORREF c)
{
    return "RGB(" + std::to_string(GetRValue(c)) + ", " + std::to_string(GetGValue(c)) + ", " +
           std::to_string(GetBValue(c)) + ")";
}

} // namespace

TEST(CmdHelp, WindowIsLaidOutAndPainted)
{
    ChildProcess program(Command(L"-?"));
    HWND window = program.WaitForWindow(kClassName, kTimeout);
    ASSERT_NE(window, nullptr) << "no help window; exit code " << program.ExitCode();

    RECT client{}, frame{};
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    EXPECT_EQ(client.right, 586);
    EXPECT_EQ(client.bottom, 360);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0) << std::hex << style;
    EXPECT_EQ(frame.right - frame.left, 586) << "a border around the client area";
    EXPECT_EQ(frame.bottom - frame.top, 360);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR(frame.left - area.left, area.right - frame.right, 1) << "not centred";
    EXPECT_NEAR(frame.top - area.top, area.bottom - frame.bottom, 1) << "not centred";

    const std::vector<Child> children = Children(window);
    ASSERT_FALSE(children.empty());
    const Child& ok = children.front(); // first in the tab order
    EXPECT_EQ(ok.id, IDOK);
    EXPECT_EQ(ok.text, L"OK");
    EXPECT_EQ(ok.bounds.left, 255);
    EXPECT_EQ(ok.bounds.top, 324);
    EXPECT_EQ(ok.bounds.right - ok.bounds.left, 75);
    EXPECT_EQ(ok.bounds.bottom - ok.bounds.top, 25);
    GUITHREADINFO focus{};
    focus.cbSize = sizeof(focus);
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &focus));
    EXPECT_EQ(focus.hwndFocus, ok.handle);

    struct {
        const wchar_t* text;
        int left, top;
    } const labels[] = {
        {L"Command line parameters", 104, 14},
        {L"https://varnook.example/en/command_line", 104, 36},
        {L"-\u0421", 112, 104}, // Cyrillic Es, not the switch -C
        {L"If variable doesn't exist then create it as expandable", 160, 120},
        {L"-R [-C] [-U | -M]", 112, 272},
        {L"variable", 174, 312},
    };
    for (const auto& label : labels) {
        const Child* child = FindText(children, label.text);
        ASSERT_NE(child, nullptr) << Narrow(label.text);
        EXPECT_EQ(child->bounds.left, label.left) << Narrow(label.text);
        EXPECT_EQ(child->bounds.top, label.top) << Narrow(label.text);
    }
    EXPECT_EQ(FindText(children, L"-C"), nullptr) << "the label shows a Cyrillic Es";
    EXPECT_EQ(FindText(children, L"https://varnook.example/en/command_line")->id, IDC_CMDHELP_LINK);
    // With the window's font every text fits in its place: no label runs into its neighbour.
    for (size_t i = 0; i < children.size(); ++i)
        for (size_t j = i + 1; j < children.size(); ++j) {
            RECT overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &children[i].bounds, &children[j].bounds))
                << '"' << Narrow(children[i].text) << "\" overlaps \"" << Narrow(children[j].text) << '"';
        }

    const Screenshot shot = CaptureClient(window);
    ASSERT_EQ(shot.width, 586);
    ASSERT_EQ(shot.height, 360);
    if (const std::wstring dir = TestOutputDir(); !dir.empty()) {
        EXPECT_TRUE(shot.SaveBmp(dir + L"cmd-help.bmp"));
    }
    // Corners, insets, lines and fill in the empty right part, and the logo's transparent corners.
    const POINT background[] = {{0, 0},     {1, 1},     {2, 2},     {585, 359}, {584, 358}, {583, 357},
                                {3, 3},     {4, 3},     {500, 100}, {501, 100}, {503, 99},  {560, 200},
                                {16, 19},   {79, 19},   {16, 146},  {3, 170},   {290, 3},   {582, 180}};
    for (const POINT& p : background) {
        const COLORREF want = ExpectedBackground(p.x, p.y, shot.width, shot.height);
        EXPECT_EQ(shot.At(p.x, p.y), want) << "at " << p.x << "," << p.y << ": " << Describe(shot.At(p.x, p.y))
                                           << " instead of " << Describe(want);
    }
    // The logo's window body is white.
    const COLORREF body = shot.At(16 + 41, 19 + 60);
    EXPECT_TRUE(GetRValue(body) > 220 && GetGValue(body) > 220 && GetBValue(body) > 220) << Describe(body);
    // The link lies on its own colour.
    const Child* link = FindText(children, L"https://varnook.example/en/command_line");
    EXPECT_EQ(shot.At(link->bounds.right - 1, link->bounds.top), RGB(217, 255, 142));

    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitForExit(kTimeout));
    EXPECT_EQ(program.ExitCode(), 0u);
}

// Every way of closing the window ends the program with exit code 0, and the help changes nothing.
TEST(CmdHelp, ClosesWithExitCodeZero)
{
    using Close = void (*)(HWND window, HWND ok);
    struct {
        const char* how;
        const wchar_t* arguments;
        Close close;
    } const cases[] = {
        {"OK clicked", L"-?", [](HWND, HWND ok) { PostMessageW(ok, BM_CLICK, 0, 0); }},
        {"Enter", L"/?", [](HWND, HWND ok) { PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 1); }},
        {"Space on OK", L"-?",
         [](HWND, HWND ok) {
             PostMessageW(ok, WM_KEYDOWN, VK_SPACE, 1);
             PostMessageW(ok, WM_KEYUP, VK_SPACE, 1 | 0xC0000000);
         }},
        {"Esc", L"/?", [](HWND, HWND ok) { PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"Alt+F4", L"-?", [](HWND, HWND ok) { PostMessageW(ok, WM_SYSKEYDOWN, VK_F4, 1 | (KF_ALTDOWN << 16)); }},
        {"WM_CLOSE, with a name after -?", L"-? %NAME%", [](HWND window, HWND) { PostMessageW(window, WM_CLOSE, 0, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const std::wstring name = UniqueName(L"VarnookHelpArg");
        ValueGuard guard(HKEY_CURRENT_USER, kUserEnvironment, name);
        std::wstring arguments = c.arguments;
        if (auto at = arguments.find(L"%NAME%"); at != std::wstring::npos)
            arguments.replace(at, 6, name);

        ChildProcess program(Command(arguments));
        HWND window = program.WaitForWindow(kClassName, kTimeout);
        ASSERT_NE(window, nullptr) << "no help window; exit code " << program.ExitCode();
        c.close(window, GetDlgItem(window, IDOK));
        ASSERT_TRUE(program.WaitForExit(kTimeout)) << "still open";
        EXPECT_EQ(program.ExitCode(), 0u);
        EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, kUserEnvironment, name).exists);
    }
}

// Only a first argument shows the help: after a name, -? is the value to store.
TEST(CmdHelp, LaterQuestionSwitchIsAValue)
{
    const std::wstring name = UniqueName(L"VarnookHelpValue");
    ValueGuard guard(HKEY_CURRENT_USER, kUserEnvironment, name);
    const ProcessResult result = RunProcess(Command(name + L" -?"), kTimeout);
    ASSERT_FALSE(result.timedOut) << "the help window came up";
    EXPECT_EQ(result.exitCode, 0u);
    const RawValue value = ReadRawValue(HKEY_CURRENT_USER, kUserEnvironment, name);
    EXPECT_TRUE(value.exists);
    EXPECT_EQ(value.type, DWORD(REG_SZ));
    EXPECT_EQ(value.text, L"-?");
}

// At 144 DPI everything is half as large again: the window, the positions and the fonts.
TEST(CmdHelp, ScalesWithTheDpi)
{
    ValueGuard guard(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &desktop, nullptr),
              ERROR_SUCCESS);
    const DWORD dpi = 144;
    SetRawValue(desktop, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    RegCloseKey(desktop);

    ChildProcess program(Command(L"-?"));
    HWND window = program.WaitForWindow(kClassName, kTimeout);
    ASSERT_NE(window, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 879);
    EXPECT_EQ(client.bottom, 540);
    const std::vector<Child> children = Children(window);
    const Child* title = FindText(children, L"Command line parameters");
    const Child* label = FindText(children, L"Set variable value:");
    ASSERT_TRUE(title && label);
    EXPECT_EQ(title->bounds.left, 156);
    EXPECT_EQ(title->bounds.top, 21);
    EXPECT_GE(label->bounds.bottom - label->bounds.top, 16) << "font not scaled";
    const Child& ok = children.front();
    EXPECT_EQ(ok.bounds.left, 383);
    EXPECT_EQ(ok.bounds.top, 486);
    EXPECT_EQ(ok.bounds.right - ok.bounds.left, 113);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(kTimeout));
}
