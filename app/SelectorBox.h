// A drop-down list of the toolbar dock (language, look, user), made when first needed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace varnook {

// Under Wine a drop-down list makes its open list, a hidden top-level window, as it is made: the
// three lists cost a tenth of the start-up. There the window shows first and makes them right
// after, or at once when one is asked for; until then the box keeps its rows and selection itself
// and the strip it sits on paints its closed look in its place, as Wine draws it.
class TSelectorBox {
public:
    // Where the box goes on its strip, after its label; hint is untranslated.
    void Place(HWND strip, HWND label, int x, int width, int rows, std::u16string hint, HFONT font, UINT dpi);

    // The control, made first if need be.
    HWND Handle() const;
    // The control if it was made, else nullptr.
    HWND Made() const { return box_; }
    HWND Label() const { return label_; }
    HWND Strip() const { return strip_; }
    const std::u16string& Hint() const { return hint_; }

    void Clear();
    void Add(const std::u16string& text);
    void Select(int row);
    int Selected() const;
    // The text of the selected row; empty without one.
    std::u16string SelectedText() const;
    void Enable(bool enabled);
    bool Enabled() const;

    // The left edge moved (a label of another length); width stays.
    void MoveTo(int x);
    int Left() const { return rect_.left; }
    int Width() const { return rect_.right - rect_.left; }

    // The look of the closed list, where the control is not made yet.
    void PaintClosed(HDC dc) const;

private:
    void Invalidate() const;

    mutable HWND box_ = nullptr;
    HWND strip_ = nullptr;
    HWND label_ = nullptr;
    RECT rect_{};
    int rows_ = 0;
    std::u16string hint_;
    HFONT font_ = nullptr;
    std::vector<std::u16string> items_;
    int selected_ = -1;
    bool enabled_ = true;
};

// The boxes of a strip, for its painting; a strip keeps a pointer to its list.
using TSelectorBoxes = std::vector<TSelectorBox*>;

} // namespace varnook
