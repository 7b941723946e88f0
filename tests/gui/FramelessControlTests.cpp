// A control told to skip painting a frame it does not have still paints one it is given later.
#include "app/Window.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

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
