// The help window of the command-line mode ("-?" or "/?").
#pragma once

#include "platform/win32/Handles.h"

#include <windows.h>

#include <vector>

namespace varnook {

class TfrmCmdHelp {
public:
    // Creates the window, shows it modally and releases it. Closing it by any means ends the
    // process with exit code 0, so the call does not come back.
    [[noreturn]] static void createAndShowModal();

    TfrmCmdHelp(const TfrmCmdHelp&) = delete;
    TfrmCmdHelp& operator=(const TfrmCmdHelp&) = delete;

private:
    TfrmCmdHelp() = default;
    ~TfrmCmdHelp();

    bool Create();
    void RunModal();
    void ApplyDpi(UINT dpi);
    void ComposeBackground();
    void DrawLogo(HDC target) const;
    void Paint(HDC dc) const;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT OnCtlColor(HDC dc, HWND control) const;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    HWND FOK = nullptr;
    HWND FLink = nullptr;
    std::vector<HWND> FLabels; // in the order of the layout table
    UINT FDpi = USER_DEFAULT_SCREEN_DPI;
    platform::unique_hfont FFont, FBoldFont, FTitleFont, FLinkFont;
    platform::unique_hbitmap FLogo;   // drawn as it is at 96 DPI
    platform::unique_hbitmap FLogo2x; // resized for every other DPI
    // The window's background as composed for its present size, and a brush of it through which
    // the labels show the pattern behind their text.
    platform::unique_hbitmap FBackground;
    platform::unique_hbrush FBackgroundBrush;
    platform::unique_hbrush FLinkBrush;
    bool FClosed = false;
    bool FFailed = false;
};

} // namespace varnook
