// The users of the machine whose variables can be shown: their profiles, the account the
// program runs as, the list the user selector shows, and a profile hive mounted under
// HKEY_USERS while its variables are in use. Portable: the accounts come from the platform.
#pragma once

#include "core/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnook {

struct UserInfo {
    std::u16string Name;
    std::u16string Domain;
    std::u16string Sid;           // empty: the logged-in user's own scope (HKEY_CURRENT_USER)
    uint32_t SidType = 0;         // 1: an ordinary user account
    std::u16string ProfileFolder; // environment references expanded
};

using TUserList = std::vector<UserInfo>;

inline constexpr uint32_t kSidTypeUser = 1;
inline constexpr char16_t kProfileListKey[] = u"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Name, Domain and SidType of the account the SID text names; false leaves them empty.
bool SidStringToUserInfo(const std::u16string& sid, UserInfo& entry);
// Name and Domain of the account the program runs as; Sid and ProfileFolder stay empty.
bool GetCurrentUserInfo(UserInfo& entry);
// A string value as stored, an expandable one expanded; any other kind gives the empty text.
std::u16string ReadStringExpanded(RegistryAccess& reg, std::u16string_view name);
std::u16string ExpandEnvironmentText(const std::u16string& text);
// Enables a privilege of the process; callers go by the result of what needs it, not by this.
bool EnablePrivilege(const std::u16string& name);

// Every profile of the machine whose SID names an ordinary user account, sorted by SortUsers.
TUserList GetUsers();
// By Domain, then Name, ASCII letters compared without regard to case.
void SortUsers(TUserList& users);
// Name and Domain equal the logged-in account's, exactly.
bool IsLoggedInUser(const UserInfo& entry, const UserInfo& loggedIn);

// What the user selector shows: the entries, their texts, the entry to select and whether the
// selector can be used.
struct TUserListContent {
    TUserList users;
    std::vector<std::u16string> items;
    int current = 0;
    bool enabled = false;
};

// With write access to the system scope: the profiles whose folder exists and whose account
// has a name and a domain, the logged-in user's marked and selected. Without: the logged-in
// user alone, disabled. previousCurrent is selected when the logged-in user is not among them.
// loggedInMark is the translated "[logged in]".
TUserListContent BuildUserList(bool canWriteSystem, const UserInfo& loggedIn, const TUserList& profiles,
                               std::u16string_view loggedInMark, int previousCurrent);

// A user's profile hive, reachable under HKEY_USERS with the SID as key name while the object
// holds it. A hive mounted already (a logged-in user's) is used where it is; one this object
// loaded is unloaded again when it is released, so no profile stays locked.
class TProfileHive {
public:
    TProfileHive() = default;
    ~TProfileHive();
    TProfileHive(TProfileHive&& other) noexcept;
    TProfileHive& operator=(TProfileHive&& other) noexcept;
    TProfileHive(const TProfileHive&) = delete;
    TProfileHive& operator=(const TProfileHive&) = delete;

    // Releases what is held, then mounts the user's hive. False when it can be neither found
    // mounted nor loaded from ProfileFolder\ntuser.dat; nothing is held then.
    bool Mount(const UserInfo& user);
    void Release();

    bool IsMounted() const { return !sid_.empty(); }
    bool LoadedHere() const { return loadedHere_; }
    const std::u16string& Sid() const { return sid_; }
    // "\<SID>\Environment": the user scope's key below HKEY_USERS.
    std::u16string EnvironmentKey() const { return u"\\" + sid_ + u"\\Environment"; }

private:
    std::u16string sid_;
    bool loadedHere_ = false;
};

} // namespace varnook
