// The users list: which profiles are listed and how, the marked logged-in user, and a profile
// hive used in place or loaded and unloaded again; against doubles of the accounts, the file
// system and a registry that loads hives.
#include "app/ToolsUser.h"
#include "platform/AdminServices.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace varnook;
using namespace varnook::platform;

namespace {

class FakeAccounts : public IAccounts {
public:
    std::map<std::u16string, TAccount> sids;
    TAccount current{u"admin", u"PC", 1};
    bool knowsCurrent = true;
    std::vector<std::u16string> enabled;

    bool LookupSid(const std::u16string& sid, TAccount& account) override
    {
        auto it = sids.find(sid);
        if (it == sids.end())
            return false;
        account = it->second;
        return true;
    }
    bool CurrentAccount(TAccount& account) override
    {
        if (knowsCurrent)
            account = current;
        return knowsCurrent;
    }
    bool EnablePrivilege(const std::u16string& name) override
    {
        enabled.push_back(name);
        return true;
    }
    std::u16string ExpandEnvironmentText(const std::u16string& text) override
    {
        std::u16string out = text;
        const std::u16string ref = u"%SystemDrive%";
        if (auto at = out.find(ref); at != std::u16string::npos)
            out.replace(at, ref.size(), u"C:");
        return out;
    }
};

class FakeFolders : public IFileSystem {
public:
    std::set<std::u16string> folders;
    bool DirectoryExists(const std::u16string& path) override { return folders.count(path) > 0; }
    bool SearchFinds(const std::u16string&) override { return false; }
    uint32_t SetErrorMode(uint32_t mode) override { return mode; }
};

// Loading a hive file puts a key under HKEY_USERS; unloading takes it away again.
class HiveRegistry : public MemoryRegistry {
public:
    std::set<std::u16string> hiveFiles;
    std::vector<std::u16string> loads, unloads;

    long LoadKey(RegHandle root, std::u16string_view path, std::u16string_view file) override
    {
        if (root != kRootUsers || !hiveFiles.count(std::u16string(file)))
            return kErrorFileNotFound;
        RegHandle key = 0;
        if (OpenKey(root, path, kKeyRead, key) == kErrorSuccess) {
            CloseKey(key);
            return 32; // ERROR_SHARING_VIOLATION: mounted already
        }
        loads.emplace_back(path);
        if (long rc = CreateKey(root, std::u16string(path) + u"\\Environment", kKeyAllAccess, key))
            return rc;
        CloseKey(key);
        return kErrorSuccess;
    }
    long UnLoadKey(RegHandle root, std::u16string_view path) override
    {
        unloads.emplace_back(path);
        RegistryAccess reg(root);
        return reg.DeleteKey(u"\\" + std::u16string(path)) ? kErrorSuccess : kErrorFileNotFound;
    }
    bool Mounted(const std::u16string& sid)
    {
        RegHandle key = 0;
        if (OpenKey(kRootUsers, sid, kKeyRead, key) != kErrorSuccess)
            return false;
        CloseKey(key);
        return true;
    }
};

class UsersTest : public ::testing::Test {
protected:
    void AddProfile(const std::u16string& sid, const TAccount& account, const std::u16string& folder,
                    bool expandable = false)
    {
        accounts.sids[sid] = account;
        RegistryAccess reg(kRootLocalMachine);
        ASSERT_TRUE(reg.OpenKey(std::u16string(kProfileListKey) + u"\\" + sid, true));
        if (expandable)
            reg.WriteExpandString(u"ProfileImagePath", folder);
        else
            reg.WriteString(u"ProfileImagePath", folder);
    }

    HiveRegistry registry;
    FakeAccounts accounts;
    FakeFolders folders;
    ScopedOverride<IRegistryBackend> useRegistry{registry};
    ScopedOverride<IAccounts> useAccounts{accounts};
    ScopedOverride<IFileSystem> useFolders{folders};
};

std::vector<std::string> Texts(const std::vector<std::u16string>& items)
{
    std::vector<std::string> out;
    for (const auto& i : items)
        out.push_back(ToUtf8(i));
    return out;
}

} // namespace

TEST_F(UsersTest, ProfilesOfUserAccountsSortedByDomainThenName)
{
    AddProfile(u"S-1-5-21-1-1001", {u"zoe", u"PC", 1}, u"C:\\Users\\zoe");
    AddProfile(u"S-1-5-21-1-1002", {u"Bob", u"pc", 1}, u"%SystemDrive%\\Users\\bob", true);
    AddProfile(u"S-1-5-21-1-1003", {u"anna", u"Corp", 1}, u"C:\\Users\\anna");
    AddProfile(u"S-1-5-18", {u"SYSTEM", u"NT AUTHORITY", 5}, u"C:\\Windows\\system32\\config\\systemprofile");
    AddProfile(u"S-1-5-21-1-1004", {u"gone", u"PC", 1}, u"C:\\Users\\gone");
    accounts.sids.erase(u"S-1-5-21-1-1004"); // an account that no longer resolves

    const TUserList users = GetUsers();
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0].Name, u"anna");
    EXPECT_EQ(users[1].Name, u"Bob"); // "pc" and "PC" are one domain; Bob before zoe
    EXPECT_EQ(users[2].Name, u"zoe");
    EXPECT_EQ(users[1].Sid, u"S-1-5-21-1-1002");
    EXPECT_EQ(users[1].ProfileFolder, u"C:\\Users\\bob");
    EXPECT_EQ(users[1].SidType, 1u);
}

TEST_F(UsersTest, ListWithWriteAccessShowsExistingProfilesAndMarksTheLoggedInUser)
{
    folders.folders = {u"C:\\Users\\admin", u"C:\\Users\\zoe", u"C:\\Users\\noname"};
    const UserInfo loggedIn{u"admin", u"PC", {}, 1, {}};
    const TUserList profiles = {{u"admin", u"PC", u"S-1", 1, u"C:\\Users\\admin"},
                                {u"gone", u"PC", u"S-2", 1, u"C:\\Users\\gone"},
                                {u"", u"PC", u"S-3", 1, u"C:\\Users\\noname"},
                                {u"zoe", u"PC", u"S-4", 1, u"C:\\Users\\zoe"}};
    const TUserListContent list = BuildUserList(true, loggedIn, profiles, u"[logged in]", 0);
    EXPECT_EQ(Texts(list.items), (std::vector<std::string>{"PC\\admin [logged in]", "PC\\zoe"}));
    ASSERT_EQ(list.users.size(), 2u);
    EXPECT_EQ(list.users[1].Sid, u"S-4");
    EXPECT_EQ(list.current, 0);
    EXPECT_TRUE(list.enabled);

    // The mark needs both name and domain, exactly.
    const TUserListContent other = BuildUserList(true, {u"Admin", u"PC", {}, 1, {}}, {profiles[3], profiles[0]},
                                                 u"[angemeldet]", 0);
    EXPECT_EQ(Texts(other.items),
              (std::vector<std::string>{"PC\\zoe", "PC\\admin", "PC\\Admin [angemeldet]"}));
    EXPECT_EQ(other.current, 2);
    EXPECT_TRUE(other.users[2].Sid.empty()); // its own scope, not a hive
}

TEST_F(UsersTest, ListWithoutWriteAccessHoldsTheLoggedInUserAlone)
{
    folders.folders = {u"C:\\Users\\zoe"};
    const TUserListContent list =
        BuildUserList(false, {u"admin", u"PC", {}, 1, {}}, {{u"zoe", u"PC", u"S-4", 1, u"C:\\Users\\zoe"}},
                      u"[logged in]", 0);
    EXPECT_EQ(Texts(list.items), (std::vector<std::string>{"PC\\admin [logged in]"}));
    EXPECT_EQ(list.current, 0);
    EXPECT_FALSE(list.enabled);
    EXPECT_TRUE(list.users[0].Sid.empty());
    EXPECT_TRUE(list.users[0].ProfileFolder.empty());

    const TUserListContent unknown = BuildUserList(false, {}, {}, u"[logged in]", 0);
    EXPECT_EQ(Texts(unknown.items), (std::vector<std::string>{"\\ [logged in]"}));
}

TEST_F(UsersTest, UnknownLoggedInUserMarksNothingAndKeepsTheSelection)
{
    folders.folders = {u"C:\\a", u"C:\\b"};
    const TUserList profiles = {{u"a", u"PC", u"S-1", 1, u"C:\\a"}, {u"b", u"PC", u"S-2", 1, u"C:\\b"}};
    const TUserListContent list = BuildUserList(true, {}, profiles, u"[logged in]", 1);
    EXPECT_EQ(Texts(list.items), (std::vector<std::string>{"PC\\a", "PC\\b"}));
    EXPECT_EQ(list.current, 1);
    EXPECT_EQ(BuildUserList(true, {}, {}, u"[logged in]", 0).current, -1);
}

TEST_F(UsersTest, MountedHiveIsUsedInPlaceAndNeverUnloaded)
{
    RegistryAccess reg(kRootUsers);
    ASSERT_TRUE(reg.OpenKey(u"\\S-1-5-21-9-1000\\Environment", true));
    reg.CloseKey();
    registry.hiveFiles = {u"C:\\Users\\me\\ntuser.dat"};
    {
        TProfileHive hive;
        ASSERT_TRUE(hive.Mount({u"me", u"PC", u"S-1-5-21-9-1000", 1, u"C:\\Users\\me"}));
        EXPECT_FALSE(hive.LoadedHere());
        EXPECT_EQ(hive.EnvironmentKey(), u"\\S-1-5-21-9-1000\\Environment");
    }
    EXPECT_TRUE(registry.loads.empty());
    EXPECT_TRUE(registry.unloads.empty());
    EXPECT_TRUE(registry.Mounted(u"S-1-5-21-9-1000"));
}

TEST_F(UsersTest, HiveLoadedHereIsUnloadedWhenReleasedOrReplaced)
{
    registry.hiveFiles = {u"C:\\Users\\zoe\\ntuser.dat", u"C:\\Users\\bob\\ntuser.dat"};
    const UserInfo zoe{u"zoe", u"PC", u"S-1-5-21-9-1001", 1, u"C:\\Users\\zoe"};
    const UserInfo bob{u"bob", u"PC", u"S-1-5-21-9-1002", 1, u"C:\\Users\\bob"};
    TProfileHive shown;
    ASSERT_TRUE(shown.Mount(zoe));
    EXPECT_TRUE(shown.LoadedHere());
    EXPECT_TRUE(registry.Mounted(zoe.Sid));
    EXPECT_EQ(registry.loads, (std::vector<std::u16string>{zoe.Sid}));
    EXPECT_EQ(accounts.enabled, (std::vector<std::u16string>{u"SeRestorePrivilege"}));

    // A switch: the next user's hive first, then the previous one goes.
    TProfileHive next;
    ASSERT_TRUE(next.Mount(bob));
    shown = std::move(next);
    EXPECT_FALSE(registry.Mounted(zoe.Sid));
    EXPECT_TRUE(registry.Mounted(bob.Sid));
    EXPECT_EQ(shown.Sid(), bob.Sid);
    EXPECT_EQ(registry.unloads, (std::vector<std::u16string>{zoe.Sid}));

    shown.Release();
    EXPECT_FALSE(registry.Mounted(bob.Sid));
    EXPECT_FALSE(shown.IsMounted());
    EXPECT_EQ(accounts.enabled.back(), u"SeRestorePrivilege"); // unloading needs it too
}

TEST_F(UsersTest, FailedLoadHoldsNothing)
{
    TProfileHive hive;
    EXPECT_FALSE(hive.Mount({u"zoe", u"PC", u"S-1-5-21-9-1001", 1, u"C:\\Users\\zoe"}));
    EXPECT_FALSE(hive.IsMounted());
    EXPECT_FALSE(hive.Mount({u"me", u"PC", u"", 1, u""})); // no SID: never HKEY_USERS itself
    hive.Release();
    EXPECT_TRUE(registry.unloads.empty());
}
