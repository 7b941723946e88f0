#include "app/InPlaceEdit.h"

#include "app/FormOK.h"
#include "app/Window.h"
#include "core/ETree.h"
#include "core/Strings.h"
#include "core/Tools.h"
#include "core/Translate.h"
#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <vector>

namespace varnook {

namespace {

constexpr UINT_PTR kSubclassId = 7;

class TLineEdit final : public TInPlaceEdit {
public:
    TLineEdit(TETree& tree, TNode* node, HWND treeControl, HTREEITEM item, HFONT font, std::function<void()> onEnded)
        : tree_(tree), node_(node), treeControl_(treeControl), onEnded_(std::move(onEnded))
    {
        // A variable row is edited by its name alone.
        tree_.IsStartEditing = true;
        original_ = tree_.GetNodeAsText(node_);
        tree_.IsStartEditing = false;

        RECT text{}, client{};
        TreeView_GetItemRect(treeControl_, item, &text, TRUE);
        GetClientRect(treeControl_, &client);
        const int left = std::max<int>(0, text.left - 3);
        const int width = std::max<int>(30, client.right - left);
        edit_ = CreateWindowExW(0, L"EDIT", platform::W(original_), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, left,
                                text.top, width, text.bottom - text.top, treeControl_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowSubclass(edit_, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
        ShowWindow(edit_, SW_SHOW);
        SendMessageW(edit_, EM_SETSEL, 0, -1);
        SetFocus(edit_);
    }

    ~TLineEdit() override
    {
        if (edit_) {
            RemoveWindowSubclass(edit_, Proc, kSubclassId);
            DestroyWindow(edit_);
        }
    }

    void Accept() override
    {
        if (stopped_)
            return;
        const std::u16string text = Text();
        Stop();
        try {
            if (text != original_)
                Apply(text);
        } catch (...) {
            tree_.IsOnEdited = true;
            End();
            throw;
        }
        tree_.IsOnEdited = true;
        End();
    }

    void Cancel() override
    {
        if (stopped_)
            return;
        Stop();
        // The add operation pushed the snapshot for this edit: taking it back removes the node.
        if (!tree_.IsOnEdited)
            tree_.undo();
        tree_.IsOnEdited = true;
        End();
    }

    void Abandon() override
    {
        if (stopped_)
            return;
        Stop();
        tree_.IsOnEdited = true;
        End();
    }

    bool Stopped() const override { return stopped_; }
    HWND Control() const override { return edit_; }

private:
    std::u16string Text() const
    {
        std::vector<wchar_t> buffer(GetWindowTextLengthW(edit_) + 1);
        const int n = GetWindowTextW(edit_, buffer.data(), static_cast<int>(buffer.size()));
        return platform::U16(buffer.data(), n);
    }

    void Stop()
    {
        stopped_ = true;
        const bool hadFocus = GetFocus() == edit_;
        ShowWindow(edit_, SW_HIDE);
        if (hadFocus)
            SetFocus(treeControl_);
    }

    void End()
    {
        if (onEnded_)
            onEnded_();
    }

    void Apply(const std::u16string& text)
    {
        if (TETree::IsVariable(node_)) {
            const std::u16string& old = TETree::GetVariableName(node_);
            if (text.empty()) {
                TfrmOK::createAndShowModal(gettext(u"Variable name can't be empty"), mtError);
                return;
            }
            if (text == old)
                return;
            if (!platform::Text().EqualIgnoreCase(text, old) && tree_.IsExist(text)) {
                TfrmOK::createAndShowModal(FormatMessage1(gettext(u"Variable '%s' already exists"), text), mtError);
                return;
            }
            if (tree_.IsOnEdited)
                tree_.PushSnapshot();
            tree_.SetVariableName(node_, text);
            tree_.ReSplitVariable(node_);
            return;
        }
        if (tree_.IsOnEdited)
            tree_.PushSnapshot();
        if (!tree_.IsVariableSplit(node_) || text.find(u';') == std::u16string::npos) {
            tree_.SetElementText(node_, text);
            return;
        }
        TElementList parts = SplitValue(text);
        tree_.BeginUpdate();
        tree_.SetElementText(node_, parts.front());
        TNode* last = node_;
        for (size_t i = 1; i < parts.size(); ++i)
            last = tree_.InsertElementNode(last, TAttachMode::After, std::move(parts[i]));
        tree_.EndUpdate();
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
    {
        auto* self = reinterpret_cast<TLineEdit*>(data);
        try {
            switch (message) {
            case WM_GETDLGCODE:
                // Enter and Escape are the editor's, not the window's dialog navigation.
                return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, message, wParam, lParam);
            case WM_KEYDOWN:
                if (wParam == VK_RETURN) {
                    self->Accept();
                    return 0;
                }
                if (wParam == VK_ESCAPE) {
                    self->Cancel();
                    return 0;
                }
                break;
            case WM_CHAR:
                if (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_TAB)
                    return 0; // no beep
                break;
            case WM_KILLFOCUS:
                if (!self->stopped_)
                    self->Accept();
                break;
            }
        } catch (const std::exception& failure) {
            ReportUnhandledFailure(failure);
            return 0;
        }
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }

    TETree& tree_;
    TNode* node_;
    HWND treeControl_;
    std::function<void()> onEnded_;
    HWND edit_ = nullptr;
    std::u16string original_;
    bool stopped_ = false;
};

} // namespace

std::unique_ptr<TInPlaceEdit> StartInPlaceEdit(TETree& tree, TNode* node, HWND treeControl, HTREEITEM item,
                                               HFONT font, std::function<void()> onEnded)
{
    return std::make_unique<TLineEdit>(tree, node, treeControl, item, font, std::move(onEnded));
}

} // namespace varnook
