// The user selector, and the main window's side of it: filling the list, switching the user
// and reloading both trees from the store through the user's profile hive.
#include "app/VarnookUI.h"

#include "app/FormOK.h"
#include "app/FormYesNoCancel.h"
#include "app/MainWindow.h"
#include "core/Translate.h"
#include "platform/win32/WinString.h"

#include <stdexcept>

namespace varnook {

void TUsersComboBox::Fill(TUserListContent content)
{
    if (!box_)
        return;
    HWND made = box_->Made();
    if (made)
        SendMessageW(made, WM_SETREDRAW, FALSE, 0);
    box_->Clear();
    FUsers = std::move(content.users);
    for (const auto& item : content.items)
        box_->Add(item);
    if (made)
        SendMessageW(made, WM_SETREDRAW, TRUE, 0);
    SetItemIndex(content.current);
    box_->Enable(content.enabled);
    if (made)
        InvalidateRect(made, nullptr, TRUE);
}

int TUsersComboBox::ItemIndex() const
{
    return box_ ? box_->Selected() : -1;
}

void TUsersComboBox::SetItemIndex(int index)
{
    if (box_)
        box_->Select(index);
}

const UserInfo& TUsersComboBox::GetUser() const
{
    const int index = ItemIndex();
    if (index < 0 || index >= static_cast<int>(FUsers.size()))
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return FUsers[static_cast<size_t>(index)];
}

namespace {
constexpr char16_t kLoadFailed[] = N_(u"Can not load profile of the user '%s'");
constexpr char16_t kChangesLost[] = N_(u"All changes will be lost after switching user\r\nDo you want to save the changes?");
} // namespace

void TfrmMain::FillUserList()
{
    UserInfo loggedIn;
    GetCurrentUserInfo(loggedIn);
    loggedInUser_ = loggedIn;
    const TUserList profiles = canWriteSystem_ ? GetUsers() : TUserList{};
    TUserListContent content =
        BuildUserList(canWriteSystem_, loggedIn, profiles, gettext(u"[logged in]"), CURRENT_USER);
    CURRENT_USER = content.current;
    comboUsers.Fill(std::move(content));
}

void TfrmMain::comboUsersSelect()
{
    const int picked = comboUsers.ItemIndex();
    if (picked == CURRENT_USER)
        return;
    auto goBack = [this] { comboUsers.SetItemIndex(CURRENT_USER); };
    if (IsModified()) {
        switch (TfrmYesNoCancel::createAndShowModal(gettext(kChangesLost))) {
        case mrYes:
            // The trees are still the previous user's and go to that user's store.
            if (!Save()) {
                goBack();
                return;
            }
            break;
        case mrNo:
            break;
        default:
            goBack();
            return;
        }
    }
    if (ReloadFromStore())
        CURRENT_USER = picked;
    else
        goBack();
}

bool TfrmMain::ReloadFromStore()
{
    // Watching restarts on the keys loaded now, which may be in another user's hive.
    StopWatchingStore();
    if (comboUsers.Enabled()) {
        const UserInfo& user = comboUsers.GetUser();
        if (user.Sid.empty()) {
            // The logged-in user without a listed profile: its own scope.
            userTree_->LoadFromRegistry(platform::kRootCurrentUser, kUserEnvironmentKey);
            userTree_->AddSpecialVariables(UserReadOnlyNames);
            userHive_.Release();
        } else {
            // A reload of the user shown keeps the hive it holds; releasing it first would
            // unload it under the tree that is about to read it.
            const bool sameHive = userHive_.IsMounted() && userHive_.Sid() == user.Sid;
            TProfileHive hive;
            if (!sameHive && !hive.Mount(user)) {
                TfrmOK::createAndShowModal(FormatMessage1(gettext(kLoadFailed), user.Name), mtError);
                return false;
            }
            userTree_->LoadFromRegistry(platform::kRootUsers, (sameHive ? userHive_ : hive).EnvironmentKey());
            // The special variables are the logged-in user's own; nobody else's.
            if (IsLoggedInUser(user, loggedInUser_))
                userTree_->AddSpecialVariables(UserReadOnlyNames);
            // The previous user's hive, if this program loaded it, is unloaded now.
            if (!sameHive)
                userHive_ = std::move(hive);
        }
    } else {
        userTree_->LoadFromRegistry(platform::kRootCurrentUser, kUserEnvironmentKey);
        userTree_->AddSpecialVariables(UserReadOnlyNames);
    }
    sysTree_->LoadFromRegistry(platform::kRootLocalMachine, kSystemEnvironmentKey);
    sysTree_->AddSpecialVariables(SystemReadOnlyNames);
    sysTree_->ShowReadOnly(options_->showReadonly);
    userTree_->ShowReadOnly(options_->showReadonly);
    undoStack_.Clear();
    baseState_ = 0;
    ClearOutsideNotice();
    StartWatchingStore();
    UpdateStatusBar();
    return true;
}

} // namespace varnook
