// The completion popup of the element editor: TContentAssist decides nothing itself (that is
// ContentAssist.h); it fills, places, draws and hides its window TBorderedForm and inserts the
// chosen row into the editor.
#pragma once

#include "app/Window.h"
#include "edit/ContentAssist.h"
#include "platform/win32/Handles.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace varnook {

class TContentAssist;

// A borderless popup that stays on top, casts a shadow and never takes the activation, so the
// keyboard stays in the editor. Its one child is the list of rows.
class TBorderedForm final : public TWindow {
public:
    static constexpr wchar_t kClassName[] = L"VarnookBorderedForm";
    TBorderedForm(TContentAssist* owner, HWND ownerWindow);
    ~TBorderedForm() override;

    HWND List() const { return listBox_; }
    HWND Tooltip() const { return tooltip_; }
    // Back reference, cleared when the controller goes first.
    TContentAssist* ca;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    HWND listBox_ = nullptr;
    HWND tooltip_ = nullptr;
};

class TContentAssist {
public:
    // editField: the editor served; font: the tree's font; dpi: the monitor's.
    TContentAssist(IVariablesGetter* getter, HWND editField, HFONT font, UINT dpi);
    ~TContentAssist();
    TContentAssist(const TContentAssist&) = delete;
    TContentAssist& operator=(const TContentAssist&) = delete;

    // Where a chosen path goes: quoted when it holds ';' and the variable is split.
    std::function<bool()> isSplitVariable;

    // Remembers the list and its start (1-based) and places the popup under the caret put
    // before the start; UpdatePopup shows it.
    void Initialize(int position, TContentAssistType list);
    // Fills the rows for the text typed since the start; hides when there are none or the caret
    // moved before the start.
    void UpdatePopup();
    void Hide();
    bool IsVisible() const { return visible_; }
    int GetSelectionIndex() const;
    std::u16string GetSelection() const;
    void ProcessKeyUp();
    void ProcessKeyDown();
    // Inserts the selected row (Hints: sends F7 or F8 to the editor), then hides.
    void ProcessKeyEnter();

    int Position() const { return contentAssistPos; }
    TContentAssistType ListType() const { return isVars; }
    const std::vector<TAssistRow>& Rows() const { return rows_; }
    HWND PopupHandle() const { return form ? form->Handle() : nullptr; }
    // The row under the pointer at the last mouse move, -1 for none.
    int HoveredRow() const { return fOldIndex; }

    // For the popup window.
    void DrawRow(const DRAWITEMSTRUCT& item);
    void MouseMovedTo(int row);
    void ClickedRow(int row);
    const std::u16string& RowText(int row) const;

private:
    void Place();

    int contentAssistPos = -1;
    std::unique_ptr<TBorderedForm> form;
    TContentAssistType isVars = TContentAssistType::Path;
    bool visible_ = false;
    HWND editField;
    int fOldIndex = -1;
    IVariablesGetter* varGetter;
    HFONT font_;
    platform::unique_hfont boldFont_;
    UINT dpi_;
    std::vector<TAssistRow> rows_;
};

} // namespace varnook
