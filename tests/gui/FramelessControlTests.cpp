// The frames of controls: a control told to skip painting a frame it does not have still paints
// one it is given later; a frame painted off-screen looks as the system paints it.
#include "app/PaintBuffer.h"
#include "app/Window.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

using namespace varnook;
using namespace varnook::testing;

TEST(FramelessControls, AFrameGivenLaterIsPaintedAndTheControlWorksOn)
{
    HWND window = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | SS_WHITERECT, 100,
                                  100, 200, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    HWND label = CreateWindowExW(0, L"STATIC", L"text", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 20, 20, 100, 40, window,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(label, nullptr);
    SkipEmptyFramePaint(label);
    SkipEmptyFramePaint(label); // once is enough; again changes nothing

    // The procedure in front passes everything else on.
    wchar_t text[16]{};
    GetWindowTextW(label, text, 16);
    EXPECT_STREQ(text, L"text");

    // A grey rectangle with a black frame: the frame shows only if its painting got through.
    SetWindowLongPtrW(label, GWL_STYLE, (GetWindowLongPtrW(label, GWL_STYLE) & ~SS_BLACKRECT) | SS_GRAYRECT | WS_BORDER);
    SetWindowPos(label, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    RedrawWindow(label, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const Screenshot shot = CaptureClient(window);
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME), inside = GetSysColor(COLOR_3DSHADOW);
    ASSERT_NE(frame, inside);
    EXPECT_EQ(shot.At(20, 20), frame);
    EXPECT_EQ(shot.At(119, 59), frame);
    EXPECT_EQ(shot.At(70, 40), inside);

    DestroyWindow(window);
}

namespace {

HWND FilledTree(HWND parent, int x)
{
    HWND tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, nullptr,
                                WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, x, 10, 220,
                                260, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 200; ++i) {
        const std::wstring text = L"VARIABLE_" + std::to_wstring(i) + L"=C:\\Program Files\\Some Vendor\\bin";
        TVINSERTSTRUCTW insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<wchar_t*>(text.c_str());
        TreeView_InsertItem(tree, &insert);
    }
    return tree;
}

Screenshot CaptureWindow(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump(100);
    Sleep(300);
    RECT rc;
    GetWindowRect(window, &rc);
    return CaptureScreen(rc);
}

} // namespace

// Under Wine a themed control's frame and scroll bars are painted off-screen: they look exactly as
// the system paints them, and a bar under the mouse still lights up.
TEST(FramesPaintedOffScreen, LookAsTheSystemPaintsThemAndABarStillLightsUpUnderTheMouse)
{
    if (!RunningOnWine())
        GTEST_SKIP() << "the system paints frames itself outside Wine";
    SetCursorPos(0, 0);
    HWND window = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 480, 280,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    HWND system = FilledTree(window, 10), ours = FilledTree(window, 250);
    PaintFrameThroughBuffer(ours);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(ours, GWL_STYLE));
    ASSERT_TRUE((style & WS_VSCROLL) && (style & WS_HSCROLL)) << "both bars, and the box between them";
    // Scrolled a little: the thumbs are not at the start of their bars.
    SendMessageW(ours, WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageW(system, WM_VSCROLL, SB_PAGEDOWN, 0);
    Pump(50);
    EXPECT_TRUE(PaintFrameOffScreen(ours, reinterpret_cast<HRGN>(1)));

    const Screenshot mine = CaptureWindow(ours), theirs = CaptureWindow(system);
    ASSERT_EQ(mine.pixels.size(), theirs.pixels.size());
    const size_t differing = DifferingPixels(mine, theirs);
    EXPECT_EQ(differing, 0u);
    if (differing)
        KeepPictures(mine, L"frame-off-screen", theirs, L"frame-system");

    // The mouse resting on the last arrow of the vertical bar: that arrow takes its hover look.
    RECT rc;
    GetWindowRect(ours, &rc);
    const int edge = GetSystemMetrics(SM_CXEDGE), bar = GetSystemMetrics(SM_CXVSCROLL);
    const RECT arrow{rc.right - edge - bar, rc.bottom - edge - 2 * bar, rc.right - edge, rc.bottom - edge - bar};
    const Screenshot resting = CaptureScreen(arrow);
    SetCursorPos((arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2);
    Pump(300);
    Sleep(300);
    const Screenshot hovered = CaptureScreen(arrow);
    EXPECT_NE(resting.pixels, hovered.pixels) << "the arrow under the mouse looks as it did at rest";
    SetCursorPos(0, 0);
    DestroyWindow(window);
}
