// The in-place editors of a tree row: the name editor of a variable row (a plain one-line field)
// and the element editor TETreeEdit with its completion popup, both driven through one
// TETreeStringEditLink per edit. What the tree does with the text is InPlaceEdit.h; the tree
// control that hosts the editor answers through THost.
#pragma once

#include "core/ETree.h"
#include "edit/ContentAssistPopup.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace varnook {

class TETreeStringEditLink;

// How an edit ended, for the host: accepted by a key or by FinishEditing (the tree takes the
// focus back), by Tab in the name editor (the next row opens), because the focus went
// elsewhere, or cancelled (the node may be gone: a node just made for the edit is taken back).
enum class TEditEnd { Key, Tab, FocusLost, Cancel };

// The editor control. Without content assist it is the name editor.
class TETreeEdit final : public IVariablesGetter {
public:
    TETreeEdit(TETreeStringEditLink* link, HWND parent, HFONT font, UINT dpi, bool withContentAssist);
    ~TETreeEdit() override;
    TETreeEdit(const TETreeEdit&) = delete;
    TETreeEdit& operator=(const TETreeEdit&) = delete;

    HWND Handle() const { return hwnd_; }
    TContentAssist* ContentAssist() const { return contentAssist_.get(); }
    std::u16string Text() const;
    // Step 7: opens the list the text and caret call for, or hides the popup.
    void UpdateContentAssist(bool explicitRequest);
    // Width of the text plus the margins, keeping the left edge; never narrower than 30 pixels
    // nor past the tree's client area.
    void AdjustWidth();

    // IVariablesGetter
    std::vector<std::u16string> GetVariablesStartedWith(std::u16string_view prefix) override;
    std::vector<std::u16string> GetResolvedVariablesStartedWith(std::u16string_view prefix) override;

private:
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    bool OnKeyDown(WPARAM key, LPARAM flags, LRESULT& result);
    bool OnChar(WPARAM c, LPARAM flags, LRESULT& result);

    TETreeStringEditLink* FLink;
    HWND hwnd_ = nullptr;
    HWND parent_;
    HFONT font_;
    UINT dpi_;
    std::unique_ptr<TContentAssist> contentAssist_;
    // The WM_CHAR that follows a key the editor has already handled is dropped.
    bool swallowChar_ = false;
};

class TETreeStringEditLink {
public:
    struct THost {
        // Hands the changed text of the node to the tree; may raise, which keeps the edit open.
        std::function<void(TNode* node, const std::u16string& text)> accept;
        // The edit was cancelled: the tree takes back a node just made for it.
        std::function<void(TNode* node)> cancel;
        // After accept or cancel: the editor is hidden; the link may be released from now on
        // (later, not from inside this call).
        std::function<void(TEditEnd how)> ended;
    };

    explicit TETreeStringEditLink(THost host);
    ~TETreeStringEditLink();
    TETreeStringEditLink(const TETreeStringEditLink&) = delete;
    TETreeStringEditLink& operator=(const TETreeStringEditLink&) = delete;

    // Takes the node's row text (the name alone for a variable), its text rectangle in the
    // control and the control's font, and puts the text into a new, hidden editor.
    bool PrepareEdit(TETree* tree, TNode* node, int column, HWND control, const RECT& textBounds, HFONT font, UINT dpi);
    // Shows the editor with all its text selected and the focus in it; an empty element opens
    // the hints.
    bool BeginEdit();
    // Accepts a changed text. Idempotent with CancelEdit: the first ending wins.
    bool EndEdit(TEditEnd how = TEditEnd::Key);
    bool CancelEdit();
    // The window is going away: the text reaches nothing, the tree is not touched.
    void Discard();
    RECT GetBounds() const;
    void SetBounds(const RECT& bounds);
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam);

    TETree* Tree() const { return FTree; }
    TNode* Node() const { return FNode; }
    bool Stopping() const { return FStopping; }
    TETreeEdit* Editor() const { return FEdit.get(); }
    const RECT& TextBounds() const { return FTextBounds; }

private:
    THost host_;
    std::unique_ptr<TETreeEdit> FEdit;
    TETree* FTree = nullptr;
    TNode* FNode = nullptr;
    int FColumn = -1;
    RECT FTextBounds{};
    std::u16string original_;
    bool FStopping = false;
};

// The window is an in-place editor: the main window then leaves its keys to it.
bool IsInPlaceEditor(HWND hwnd);
// The keys that still run commands while an editor has the focus: none that edits text.
bool IsCommandKeyWhileEditing(UINT key, bool ctrl, bool shift, bool alt);

} // namespace varnook
