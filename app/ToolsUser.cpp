#include "app/ToolsUser.h"

#include "core/Strings.h"
#include "platform/AdminServices.h"
#include "platform/Services.h"

#include <algorithm>
#include <utility>

namespace varnook {

namespace {
constexpr char16_t kRestorePrivilege[] = u"SeRestorePrivilege";
} // namespace

bool SidStringToUserInfo(const std::u16string& sid, UserInfo& entry)
{
    platform::TAccount account;
    if (!platform::Accounts().LookupSid(sid, account)) {
        entry.Name.clear();
        entry.Domain.clear();
        return false;
    }
    entry.Name = account.name;
    entry.Domain = account.domain;
    entry.SidType = account.sidType;
    return true;
}

bool GetCurrentUserInfo(UserInfo& entry)
{
    platform::TAccount account;
    if (!platform::Accounts().CurrentAccount(account))
        return false;
    entry.Name = account.name;
    entry.Domain = account.domain;
    entry.SidType = account.sidType;
    return true;
}

std::u16string ExpandEnvironmentText(const std::u16string& text)
{
    return platform::Accounts().ExpandEnvironmentText(text);
}

std::u16string ReadStringExpanded(RegistryAccess& reg, std::u16string_view name)
{
    try {
        switch (reg.GetDataType(name)) {
        case rdString: return reg.ReadString(name);
        case rdExpandString: return ExpandEnvironmentText(reg.ReadString(name));
        default: return {};
        }
    } catch (const ERegistryException&) {
        return {}; // changed or gone between the two questions
    }
}

bool EnablePrivilege(const std::u16string& name)
{
    return platform::Accounts().EnablePrivilege(name);
}

void SortUsers(TUserList& users)
{
    std::sort(users.begin(), users.end(), [](const UserInfo& a, const UserInfo& b) {
        if (int c = CompareTextAscii(a.Domain, b.Domain))
            return c < 0;
        return CompareTextAscii(a.Name, b.Name) < 0;
    });
}

TUserList GetUsers()
{
    std::vector<std::u16string> sids;
    {
        RegistryAccess reg(platform::kRootLocalMachine);
        if (reg.OpenKeyReadOnly(kProfileListKey))
            reg.GetKeyNames(sids);
    }
    TUserList users;
    for (const auto& sid : sids) {
        UserInfo entry;
        // Service and system accounts have profiles too, but no variables a person edits.
        if (!SidStringToUserInfo(sid, entry) || entry.SidType != kSidTypeUser)
            continue;
        RegistryAccess reg(platform::kRootLocalMachine);
        if (!reg.OpenKeyReadOnly(std::u16string(kProfileListKey) + u"\\" + sid))
            continue;
        entry.Sid = sid;
        entry.ProfileFolder = ReadStringExpanded(reg, u"ProfileImagePath");
        users.push_back(std::move(entry));
    }
    SortUsers(users);
    return users;
}

bool IsLoggedInUser(const UserInfo& entry, const UserInfo& loggedIn)
{
    return entry.Name == loggedIn.Name && entry.Domain == loggedIn.Domain;
}

TUserListContent BuildUserList(bool canWriteSystem, const UserInfo& loggedIn, const TUserList& profiles,
                               std::u16string_view loggedInMark, int previousCurrent)
{
    TUserListContent list;
    auto add = [&list, &loggedIn, loggedInMark](UserInfo entry) {
        std::u16string text = entry.Domain + u"\\" + entry.Name;
        const bool mark = IsLoggedInUser(entry, loggedIn);
        if (mark) {
            text += u" ";
            text += loggedInMark;
        }
        list.users.push_back(std::move(entry));
        list.items.push_back(std::move(text));
        return mark;
    };
    if (!canWriteSystem) {
        UserInfo own;
        own.Name = loggedIn.Name;
        own.Domain = loggedIn.Domain;
        own.SidType = loggedIn.SidType;
        // Shown with the mark even when the account is unknown: it is the only one there is.
        list.users.push_back(own);
        list.items.push_back(own.Domain + u"\\" + own.Name + u" " + std::u16string(loggedInMark));
        list.current = 0;
        list.enabled = false;
        return list;
    }
    int marked = -1;
    for (const auto& entry : profiles) {
        if (entry.Name.empty() || entry.Domain.empty() || !platform::FileSystem().DirectoryExists(entry.ProfileFolder))
            continue;
        if (add(entry) && marked < 0)
            marked = static_cast<int>(list.users.size()) - 1;
    }
    // The logged-in user without a listed profile is still the one the user tree shows at
    // start: it gets an entry of its own, for its own scope, rather than the first entry
    // standing for variables that are not that user's.
    if (marked < 0 && !loggedIn.Name.empty()) {
        UserInfo own;
        own.Name = loggedIn.Name;
        own.Domain = loggedIn.Domain;
        own.SidType = loggedIn.SidType;
        add(own);
        marked = static_cast<int>(list.users.size()) - 1;
    }
    if (marked >= 0)
        list.current = marked;
    else
        list.current = previousCurrent >= 0 && previousCurrent < static_cast<int>(list.users.size()) ? previousCurrent
                       : list.users.empty()                                                          ? -1
                                                                                                     : 0;
    list.enabled = true;
    return list;
}

TProfileHive::~TProfileHive()
{
    Release();
}

TProfileHive::TProfileHive(TProfileHive&& other) noexcept
    : sid_(std::exchange(other.sid_, {})), loadedHere_(std::exchange(other.loadedHere_, false))
{
}

TProfileHive& TProfileHive::operator=(TProfileHive&& other) noexcept
{
    if (this != &other) {
        Release();
        sid_ = std::exchange(other.sid_, {});
        loadedHere_ = std::exchange(other.loadedHere_, false);
    }
    return *this;
}

bool TProfileHive::Mount(const UserInfo& user)
{
    Release();
    // An empty name would be HKEY_USERS itself.
    if (user.Sid.empty() || user.Sid.find(u'\\') != std::u16string::npos)
        return false;
    {
        // Every logged-in user's hive is mounted by the system, the program's own user first of
        // all; loading its file again would fail, as the file is in use.
        RegistryAccess reg(platform::kRootUsers);
        if (reg.OpenKeyReadOnly(u"\\" + user.Sid)) {
            sid_ = user.Sid;
            loadedHere_ = false;
            return true;
        }
    }
    EnablePrivilege(kRestorePrivilege);
    RegistryAccess reg(platform::kRootUsers);
    if (!reg.LoadKey(user.Sid, user.ProfileFolder + u"\\ntuser.dat"))
        return false;
    sid_ = user.Sid;
    loadedHere_ = true;
    return true;
}

void TProfileHive::Release()
{
    if (loadedHere_) {
        EnablePrivilege(kRestorePrivilege);
        RegistryAccess reg(platform::kRootUsers);
        reg.UnLoadKey(sid_);
    }
    sid_.clear();
    loadedHere_ = false;
}

} // namespace varnook
