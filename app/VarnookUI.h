// The user selector: a drop-down list whose item i describes entry i of FUsers.
#pragma once

#include "app/SelectorBox.h"
#include "app/ToolsUser.h"

#include <windows.h>

#include <string>

namespace varnook {

class TUsersComboBox {
public:
    void Attach(TSelectorBox* box) { box_ = box; }
    // The control, made first if need be.
    HWND Handle() const { return box_ ? box_->Handle() : nullptr; }
    bool Enabled() const { return box_ && box_->Enabled(); }

    // Replaces items and entries in one batch, selects content.current and enables the list as
    // content.enabled says.
    void Fill(TUserListContent content);
    // The selected entry; std::out_of_range when nothing is selected.
    const UserInfo& GetUser() const;
    std::u16string GetUserName() const { return GetUser().Name; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    const TUserList& Users() const { return FUsers; }

private:
    TSelectorBox* box_ = nullptr;
    TUserList FUsers;
};

} // namespace varnook
