// TScrollingCredits: a control that draws lines of text centred, still or scrolling upwards in
// an endless loop, each line with its own markup (app/CreditsMarkup.h).
#pragma once

#include "app/CreditsMarkup.h"
#include "app/Window.h"
#include "platform/win32/Handles.h"

#include <functional>
#include <string>
#include <vector>

namespace varnook {

class TScrollingCredits final : public TWindow {
public:
    using TCreditEvent = std::function<void(TScrollingCredits& sender, const std::u16string& line)>;
    using TNotifyEvent = std::function<void(TScrollingCredits& sender)>;

    static constexpr int kDefaultWidth = 305;
    static constexpr int kDefaultHeight = 201;

    TScrollingCredits();
    ~TScrollingCredits() override;

    // A child window of parent; width or height 0 gives the default size.
    bool Create(HWND parent, int id, int x, int y, int width = 0, int height = 0);

    void SetCredits(std::vector<std::u16string> lines);
    const std::vector<std::u16string>& Credits() const { return FCredits; }
    // Font face and height in pixels, and the lines' default colour.
    void SetCreditsFont(std::u16string face, int pixelHeight, COLORREF colour);
    void SetBackgroundColor(COLORREF colour);
    // Stretched over the control instead of the fill; not owned, none clears it.
    void SetBackgroundImage(HBITMAP picture);
    void SetBorderColor(COLORREF colour);
    void SetShowBorder(bool show);
    // Restarts the scroll from the bottom edge either way.
    void SetAnimate(bool animate);
    bool Animate() const { return FAnimate; }
    void SetInterval(UINT milliseconds);
    // The timer runs only while the control is visible and animated.
    void SetVisible(bool visible);
    bool TimerRunning() const { return FTimerRunning; }

    TCreditEvent OnShowCredit;
    TNotifyEvent AfterLastCredit;

    int TPos() const { return FScroll.TPos; }
    int YPos = 4; // top margin of the still text
    int LastShownIndex() const { return FScroll.LastShownIndex; }
    int LineHeight();
    // One step of the timer, as the timer makes it.
    void Step();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC target);
    void UpdateTimer();
    void Repaint();
    HFONT FontFor(const TCreditLine& line);

    std::vector<std::u16string> FCredits;
    std::u16string FFace = u"Tahoma";
    int FFontHeight = 13;
    COLORREF FFontColour = RGB(255, 255, 255);
    COLORREF FBackgroundColor = RGB(0, 0, 0);
    HBITMAP FBackgroundImage = nullptr;
    COLORREF FBorderColor = RGB(255, 255, 255);
    bool FShowBorder = true;
    bool FAnimate = false;
    UINT FInterval = 50;
    bool FVisible = true;
    bool FTimerRunning = false;
    TCreditsScroll FScroll;
    // The fonts of the styles in use, made once per font change: regular, bold, with italic
    // and underline in every combination.
    platform::unique_hfont FFonts[8];
};

} // namespace varnook
