// The information panel along the bottom of the main window: a title bar with a close button
// and the two tabs "&Inspector" and "Legen&d".
#pragma once

#include "app/HoverTip.h"
#include "app/Inspector.h"
#include "app/Window.h"
#include "platform/win32/Handles.h"

#include <commctrl.h>

#include <functional>
#include <memory>

namespace varnook {

class TPanelCaption;

class TInfoPanel final : public TWindow, public IInspectorGrid {
public:
    enum TTab { tabInspector = 0, tabLegend = 1 };

    // onClose runs when the title bar's close button is pressed; onTabChange after the user
    // picked another tab.
    TInfoPanel(HWND parent, HIMAGELIST images, std::function<void()> onClose, std::function<void()> onTabChange);
    ~TInfoPanel() override;

    TTab ActiveTab() const;
    void SetActiveTab(TTab tab);
    // As the user picks a tab: the tab changes, then the panel tells its owner.
    void SelectTab(TTab tab);
    // The untranslated caption of a tab, with its access key.
    static const char16_t* TabCaption(TTab tab);
    HWND InspectorGrid() const { return inspector_; }
    HWND LegendGrid();
    HWND Tabs() const { return tabs_; }
    // The hover hints that show a cut cell whole.
    THoverTip& InspectorTip() { return *inspectorTip_; }
    THoverTip& LegendTip();
    void SetImages(HIMAGELIST images);
    void SetFonts(HFONT font, HFONT boldFont);
    // Caption, tabs and legend in the language now in use.
    void Retranslate();
    void UpdateDpi(UINT dpi);
    // The rows the inspector grid shows (not owned; none shows nothing); showImages tells
    // whether the value column shows the rows' images now.
    void SetInspector(const TInspector* model, std::function<bool()> showImages);

    // IInspectorGrid
    void SetRowCount(int32_t rows) override;
    void Repaint() override;
    // Default height at the window's DPI.
    static int DefaultHeight(UINT dpi);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    void FillLegend();
    // The text of the cell under a point of a grid when the cell cuts it; empty otherwise.
    std::u16string CutCellAt(HWND grid, POINT client, uintptr_t& spot) const;
    std::u16string CellText(HWND grid, int row, int column) const;
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
    void DrawTab(const DRAWITEMSTRUCT& item);

    UINT dpi_;
    std::unique_ptr<TPanelCaption> caption_;
    HWND tabs_ = nullptr;
    HWND inspector_ = nullptr;
    HWND legend_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HFONT font_ = nullptr;
    HIMAGELIST tabIcons_ = nullptr;
    std::function<void()> onTabChange_;
    const TInspector* model_ = nullptr;
    std::function<bool()> showImages_;
    std::unique_ptr<THoverTip> inspectorTip_;
    std::unique_ptr<THoverTip> legendTip_;
};

// The five rows of the legend, in image order.
extern const char16_t* const kLegendTexts[5];

} // namespace varnook
