// The hover hint of a tree row cut at the window's edge: it shows the whole row, however long,
// and goes when the pointer does something else.
#include "app/TreeView.h"
#include "support/MainWindowFixture.h"

#include <commctrl.h>

#include <algorithm>

using namespace varnook;
using namespace varnook::testing;

namespace {

class HoverHintTest : public MainWindowFixture {};

std::wstring WithoutLineBreaks(std::wstring text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }), text.end());
    return text;
}

} // namespace

TEST_F(HoverHintTest, ALongValueShowsWholeInTheRowsHint)
{
    const std::wstring name = UniqueName(L"VNK_HINT");
    std::wstring value;
    while (value.size() < 2400)
        value += L"lorem ipsum " + std::to_wstring(value.size()) + L" ";
    ValueGuard guard(HKEY_CURRENT_USER, L"Environment", name);
    SetStringValue(HKEY_CURRENT_USER, L"Environment", name, value);
    TfrmMain& w = Open();
    TNode* node = Find(*w.UserVarTree(), U(name));
    ASSERT_NE(node, nullptr);
    w.UserVarTree()->ActivateNode(node);
    Pump(50);
    HWND control = w.UserTreeView()->Control();
    HTREEITEM item = TreeView_GetSelection(control);
    RECT text{};
    ASSERT_TRUE(TreeView_GetItemRect(control, item, &text, TRUE));
    POINT at{text.left + 10, (text.top + text.bottom) / 2};
    POINT screen = at;
    ClientToScreen(control, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    THoverTip& hint = w.UserTreeView()->Hint();
    for (int i = 0; i < 20 && !hint.IsShowing(); ++i)
        Pump(100);
    ASSERT_TRUE(hint.IsShowing());
    EXPECT_NE(WithoutLineBreaks(hint.Text()).find(value), std::wstring::npos) << Narrow(hint.Text());
    EXPECT_EQ(hint.Text().rfind(L"Error(s):", 0), 0u) << "the row's errors come first";
    // Every line has room: no line of the value is cut off below.
    const auto lines = std::count(hint.Text().begin(), hint.Text().end(), L'\n') + 1;
    EXPECT_GE(lines, 24);
    RECT client;
    GetClientRect(hint.Tooltip(), &client);
    EXPECT_GE(client.bottom, lines * 11);
    // Clicking the row puts the hint away.
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    Pump(100);
    EXPECT_FALSE(hint.IsShowing());
}
