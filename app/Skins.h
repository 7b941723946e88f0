// The looks the program can take: "Default" (the system's own look), "Classic" (controls drawn
// without visual styles) and "Dark" (dark title bar where the system offers it, dark trees,
// grids, panels, toolbars, status bar and dialogs).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace varnook {

// The names in the order the list shows them: sorted, "Default" first.
const std::vector<std::u16string>& SkinNames();
// The row of the list a stored name selects: its own row (letter case aside), else row 0.
int SkinRow(std::u16string_view name);
// Makes the skin of that row the look of window, its children and every dialog created
// afterwards, and repaints window at once.
void ApplySkin(int row, HWND window);
int CurrentSkinRow();
// Gives a window (a dialog as it opens) and its children the current look.
void SkinWindow(HWND window);
// Gives a hint window made after the look was applied the current look.
void SkinNewHint(HWND tooltip);
// Leaves a dialog that draws a look of its own out of every skin (keep false before it is
// destroyed).
void KeepOwnLook(HWND dialog, bool keep = true);
// The colours a control that paints itself uses for its background and text.
COLORREF SkinWindowColor();
COLORREF SkinTextColor();
// A shade of the background: the light colour given, or a dark one in the dark skin.
COLORREF SkinShade(COLORREF light);
// The colour given for the light looks, or the other one in the dark skin.
COLORREF SkinColor(COLORREF light, COLORREF dark);
// The colours of hints that paint themselves.
COLORREF SkinTipColor();
COLORREF SkinTipTextColor();
// The colours of strips and captions that paint themselves in the face colour.
HBRUSH SkinFaceBrush();
COLORREF SkinFaceTextColor();
HBRUSH SkinEdgeBrush();
// The colour of a link drawn as text.
COLORREF SkinLinkColor();
// The colours of a menu item the window draws itself.
COLORREF SkinMenuColor(bool selected);
COLORREF SkinMenuTextColor(bool selected, bool grayed);
// Gives the window's menu bar the current look; for after the window made a new one.
void SkinMenus(HWND window);
// Gives a popup menu and its submenus the current look; for menus shown without the
// WM_INITMENUPOPUP through which the others get it.
void SkinPopupMenu(HMENU menu);

} // namespace varnook
