// The interface language and the skin of the running window: the two lists of the interface
// toolbar, and translating the window again when the language changes.
#include "app/InfoPanel.h"
#include "app/MainWindow.h"
#include "app/Skins.h"
#include "app/TreeView.h"
#include "core/Translate.h"
#include "platform/win32/WinString.h"

#include <commctrl.h>

namespace varnook {

void TfrmMain::FillLanguageList()
{
    // The window's texts are English as built; a stored language name picks its row.
    UseLanguage(u"en");
    translatedLanguage_ = CurrentLanguage();
    languageBox_.Clear();
    int selected = -1;
    for (size_t i = 0; i < kLanguages.size(); ++i) {
        languageBox_.Add(kLanguages[i].name);
        if (kLanguages[i].name == options_->GetLanguage()) {
            UseLanguage(kLanguages[i].code);
            RetranslateComponent();
            selected = static_cast<int>(i);
        }
    }
    languageBox_.Select(selected);
}

void TfrmMain::comboLanguagesChange()
{
    const int row = languageBox_.Selected();
    if (row < 0 || row >= static_cast<int>(kLanguages.size()))
        return;
    UseLanguage(kLanguages[row].code);
    RetranslateComponent();
}

void TfrmMain::RetranslateComponent()
{
    const std::u16string language = CurrentLanguage();
    if (language == translatedLanguage_)
        return;
    translatedLanguage_ = language;
    // Menus: built anew from the actions, in the new language.
    HMENU oldBar = menuBar_, oldTree = treeMenu_;
    CreateMenus();
    if (oldBar)
        DestroyMenu(oldBar);
    if (oldTree)
        DestroyMenu(oldTree);
    SkinMenus(Handle());
    DrawMenuBar(Handle());
    RetranslateToolbar();
    RetranslateSelectors();
    sysView_->Caption().Retranslate();
    userView_->Caption().Retranslate();
    infoPanel_->Retranslate();
    // Status texts are kept in English and shown translated.
    for (int i = 0; i < 3; ++i)
        statusText_[i].clear();
    UpdateStatusBar();
    SetStatusLabel4(statusImage_[3], statusLabel4eng);
    RetranslateUserList();
    FillInspector();
    FitToolbarRows();
    LayoutChildren();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TfrmMain::RetranslateToolbar()
{
    // Button texts serve as the tooltips; they live as long as the toolbar.
    static std::vector<std::u16string> texts;
    texts.clear();
    const int count = static_cast<int>(SendMessageW(tbMain_, TB_BUTTONCOUNT, 0, 0));
    texts.reserve(count);
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        SendMessageW(tbMain_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        const UINT command = static_cast<UINT>(button.idCommand);
        if ((button.fsStyle & BTNS_SEP) || command < kCommandBase ||
            command >= kCommandBase + static_cast<UINT>(TActionId::Count))
            continue;
        const auto id = static_cast<TActionId>(command - kCommandBase);
        const bool isLink = (button.fsStyle & BTNS_SHOWTEXT) != 0;
        texts.push_back(isLink ? gettext(u"Donate") : gettext(ActionTooltip(Action(id))));
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT;
        info.pszText = const_cast<wchar_t*>(platform::W(texts.back()));
        if (isLink) {
            // The bold link label is as wide as its text.
            HDC dc = GetDC(tbMain_);
            HGDIOBJ old = SelectObject(dc, linkFont_.get());
            SIZE extent{};
            GetTextExtentPoint32W(dc, info.pszText, static_cast<int>(texts.back().size()), &extent);
            SelectObject(dc, old);
            ReleaseDC(tbMain_, dc);
            info.dwMask |= TBIF_SIZE;
            info.cx = static_cast<WORD>(extent.cx + ScaleForDpi(16, dpi_));
        }
        SendMessageW(tbMain_, TB_SETBUTTONINFOW, command, reinterpret_cast<LPARAM>(&info));
    }
    SIZE ideal{};
    SendMessageW(tbMain_, TB_GETIDEALSIZE, FALSE, reinterpret_cast<LPARAM>(&ideal));
    const int index = static_cast<int>(SendMessageW(rebar_, RB_IDTOINDEX, 0, 0));
    if (index >= 0) {
        REBARBANDINFOW band{};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_IDEALSIZE;
        band.cxIdeal = ideal.cx;
        SendMessageW(rebar_, RB_SETBANDINFOW, index, reinterpret_cast<LPARAM>(&band));
        SizeBandToIdeal(index);
    }
}

void TfrmMain::RetranslateUserList()
{
    // The list keeps showing the user whose variables the tree holds, not the logged-in one.
    UserInfo shown;
    const bool hadShown = CURRENT_USER >= 0 && CURRENT_USER < static_cast<int>(comboUsers.Users().size());
    if (hadShown)
        shown = comboUsers.Users()[CURRENT_USER];
    FillUserList();
    if (!hadShown)
        return;
    const auto& users = comboUsers.Users();
    for (size_t i = 0; i < users.size(); ++i) {
        const bool same = shown.Sid.empty() ? users[i].Sid.empty() && users[i].Name == shown.Name &&
                                                  users[i].Domain == shown.Domain
                                            : users[i].Sid == shown.Sid;
        if (same) {
            CURRENT_USER = static_cast<int>(i);
            comboUsers.SetItemIndex(CURRENT_USER);
            return;
        }
    }
}

void TfrmMain::FillSkinList()
{
    skinBox_.Clear();
    for (const std::u16string& name : SkinNames())
        skinBox_.Add(name);
    // A name the list does not know selects the first row, and that row's look is applied.
    const int row = SkinRow(options_->skin);
    skinBox_.Select(row);
    // The strips paint the boxes not made yet in the plain look only.
    if (row != SkinRow(u"Default"))
        MakeSelectorBoxes();
    ApplySkin(row, Handle());
}

void TfrmMain::comboSkinsChange()
{
    const int row = skinBox_.Selected();
    if (row < 0)
        return;
    ApplySkin(row, Handle());
}

} // namespace varnook
