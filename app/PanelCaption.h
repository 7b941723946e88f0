// The title bar of a docked panel: an icon, a caption, small buttons on the right.
#pragma once

#include "app/Window.h"
#include "platform/win32/Handles.h"

#include <functional>
#include <string>
#include <vector>

namespace varnook {

class TPanelCaption final : public TWindow {
public:
    struct TButton {
        int iconId = 0;         // icon resource; 0 for a text button
        std::u16string text;    // for a text button (shown after the icon if both)
        std::u16string hint;
        std::function<void()> onClick;
        bool rightAligned = true;
        bool visible = true;
        bool shield = false;    // the elevation shield as icon
    };

    TPanelCaption(HWND parent, int iconId, std::u16string caption, std::vector<TButton> buttons);
    ~TPanelCaption() override;

    void SetCaption(std::u16string caption);
    // Shows the caption, button texts and hints in the language now in use.
    void Retranslate();
    const std::u16string& Caption() const { return caption_; }
    void SetButtonVisible(size_t index, bool visible);
    bool ButtonVisible(size_t index) const;
    // The button's window, made first if it never showed.
    HWND Button(size_t index);
    // Height at the window's DPI.
    static int HeightFor(UINT dpi);
    void SetFont(HFONT font, HFONT boldFont);
    void UpdateDpi(UINT dpi);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    HWND MakeButton(size_t index);
    void Paint(HDC dc);
    void LoadIcons();
    // Gives a shown button its icon at the current scale, once; a hidden one gets it when shown.
    void SetButtonIcon(size_t index);

    UINT dpi_;
    int iconId_;
    std::u16string caption_;
    std::vector<TButton> buttons_;
    std::vector<HWND> buttonWindows_;
    platform::unique_hicon icon_;
    std::vector<UINT> buttonIconDpi_; // the scale each button's icon was given at; 0 for none
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
};

} // namespace varnook
