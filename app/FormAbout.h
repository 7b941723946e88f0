// The about box: the product's name, version and web address over the program's patterned
// background, and the scrolling thanks.
#pragma once

#include "app/Credits.h"
#include "platform/win32/Handles.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace varnook {

class TfrmAbout {
public:
    // Shows the box over the active window until OK, Enter or Esc closes it.
    static void createAndShowModal();

    // The thanks: what truly went into this build, one line per contribution.
    static std::vector<std::u16string> ThanksLines();
    // "Version major.minor build N": the release number is not shown.
    static std::u16string VersionLine();

    TfrmAbout(const TfrmAbout&) = delete;
    TfrmAbout& operator=(const TfrmAbout&) = delete;

private:
    TfrmAbout() = default;

    void FormCreate();
    void ApplyDpi(UINT dpi);
    void ComposeBackground();
    void DrawLogo(HDC target) const;
    void Paint(HDC dc) const;
    INT_PTR OnCtlColor(HDC dc, HWND control) const;
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    UINT FDpi = USER_DEFAULT_SCREEN_DPI;
    std::unique_ptr<TScrollingCredits> FCredits;
    platform::unique_hfont FFont, FBoldFont, FTitleFont, FLinkFont;
    platform::unique_hbitmap FLogo, FLogo2x;
    platform::unique_hbitmap FBackground;
    platform::unique_hbrush FBackgroundBrush;
};

} // namespace varnook
