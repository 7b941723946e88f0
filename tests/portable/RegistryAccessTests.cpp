// The registry access layer against the build's own store: Wine's registry in the Windows
// build, the in-memory store natively. Each test works in a scratch key of its own.
#include "core/Registry.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>

using namespace varnook;
using namespace varnook::platform;

namespace {

std::u16string ScratchPath()
{
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string s = "\\Software\\VarnookTests\\ra_" + std::to_string(stamp) + "_" + std::to_string(++counter);
    return std::u16string(s.begin(), s.end());
}

class RegistryAccessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = ScratchPath();
        ASSERT_TRUE(reg.OpenKey(path, true));
    }
    void TearDown() override
    {
        reg.CloseKey();
        RegistryAccess cleaner;
        EXPECT_TRUE(cleaner.DeleteKey(path));
        EXPECT_FALSE(cleaner.OpenKey(path, false));
    }
    void WriteRaw(std::u16string_view name, uint32_t type, const void* data, uint32_t size)
    {
        RegistryAccess raw;
        ASSERT_TRUE(raw.OpenKey(path, false));
        RegHandle key = 0;
        ASSERT_EQ(Registry().OpenKey(kRootCurrentUser, path.substr(1), kKeyAllAccess, key), kErrorSuccess);
        ASSERT_EQ(Registry().SetValue(key, name, type, data, size), kErrorSuccess);
        Registry().CloseKey(key);
    }

    std::u16string path;
    RegistryAccess reg;
};

template <class F>
std::u16string RaisedMessage(F&& f)
{
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return u"(nothing raised)";
}

} // namespace

TEST_F(RegistryAccessTest, StringsRoundTripWithTheirKinds)
{
    reg.WriteString(u"Plain", u"C:\\Tools");
    reg.WriteExpandString(u"Expand", u"%SystemRoot%\\System32");
    reg.WriteString(u"Empty", u"");
    reg.WriteString(u"", u"default value");

    EXPECT_EQ(reg.ReadString(u"Plain"), u"C:\\Tools");
    EXPECT_EQ(reg.ReadString(u"Expand"), u"%SystemRoot%\\System32"); // never expanded behind our back
    EXPECT_EQ(reg.ReadString(u"Empty"), u"");
    EXPECT_EQ(reg.ReadString(u""), u"default value");
    EXPECT_EQ(reg.GetDataType(u"Plain"), rdString);
    EXPECT_EQ(reg.GetDataType(u"Expand"), rdExpandString);

    TRegDataInfo info;
    ASSERT_TRUE(reg.GetDataInfo(u"Plain", info));
    EXPECT_EQ(info.DataSize, (8u + 1u) * 2u); // the terminating NUL is stored
    ASSERT_TRUE(reg.GetDataInfo(u"Empty", info));
    EXPECT_EQ(info.DataSize, 2u);
}

TEST_F(RegistryAccessTest, NamesAreFoundWithoutRegardToLetterCase)
{
    reg.WriteString(u"MixedCase", u"one");
    EXPECT_EQ(reg.ReadString(u"MIXEDCASE"), u"one");
    reg.WriteString(u"mixedcase", u"two");
    std::vector<std::u16string> names;
    reg.GetValueNames(names);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], u"MixedCase"); // an overwrite keeps the stored letter case
    EXPECT_EQ(reg.ReadString(u"MixedCase"), u"two");
    EXPECT_TRUE(reg.DeleteValue(u"MIXEDcase"));
    EXPECT_FALSE(reg.ValueExists(u"MixedCase"));
}

TEST_F(RegistryAccessTest, OtherKindsAreNotStrings)
{
    reg.WriteInteger(u"Dword", 42);
    reg.WriteBool(u"Flag", true);
    const uint8_t bytes[] = {1, 2, 3};
    WriteRaw(u"Binary", kRegBinary, bytes, sizeof bytes);
    const char16_t multi[] = u"a\0b\0";
    WriteRaw(u"Multi", kRegMultiSz, multi, sizeof multi);
    const uint64_t q = 7;
    WriteRaw(u"Qword", kRegQword, &q, sizeof q);

    EXPECT_EQ(reg.ReadInteger(u"Dword"), 42);
    EXPECT_TRUE(reg.ReadBool(u"Flag"));
    EXPECT_EQ(reg.GetDataType(u"Dword"), rdInteger);
    EXPECT_EQ(reg.GetDataType(u"Binary"), rdBinary);
    EXPECT_EQ(reg.GetDataType(u"Multi"), rdUnknown);
    EXPECT_EQ(reg.GetDataType(u"Qword"), rdUnknown);
    EXPECT_EQ(reg.GetDataType(u"Missing"), rdUnknown);

    EXPECT_EQ(RaisedMessage([&] { reg.ReadString(u"Dword"); }), u"Invalid data type for 'Dword'");
    EXPECT_EQ(RaisedMessage([&] { reg.ReadString(u"Multi"); }), u"Invalid data type for 'Multi'");
    EXPECT_EQ(RaisedMessage([&] { reg.ReadInteger(u"Binary"); }), u"Invalid data type for 'Binary'");
    EXPECT_EQ(RaisedMessage([&] { reg.ReadInteger(u"Missing"); }), u"Failed to get data for 'Missing'");
    EXPECT_EQ(reg.ReadString(u"Missing"), u"");
}

TEST_F(RegistryAccessTest, StringDataIsReadSafelyWhateverItsShape)
{
    const char16_t noNul[] = {u'a', u'b', u'c'};
    WriteRaw(u"NoNul", kRegSz, noNul, sizeof noNul);
    const char16_t oddLength[] = {u'x', u'y', u'\0'};
    WriteRaw(u"Odd", kRegSz, oddLength, 5); // "xy" and half a code unit
    const char16_t innerNul[] = u"left\0right";
    WriteRaw(u"InnerNul", kRegExpandSz, innerNul, sizeof innerNul);
    WriteRaw(u"NoData", kRegSz, nullptr, 0);

    EXPECT_EQ(reg.ReadString(u"NoNul"), u"abc");
    EXPECT_EQ(reg.ReadString(u"Odd"), u"xy");
    EXPECT_EQ(reg.ReadString(u"InnerNul"), u"left");
    EXPECT_EQ(reg.ReadString(u"NoData"), u"");
}

TEST_F(RegistryAccessTest, LongAndNonAsciiValues)
{
    std::u16string longest(32767, u'x');
    longest[0] = u'C';
    longest[32766] = u'Z';
    reg.WriteString(u"Longest", longest);
    EXPECT_EQ(reg.ReadString(u"Longest"), longest);

    std::u16string huge(300000, u'y'); // far past any first guess of a buffer
    reg.WriteExpandString(u"Huge", huge);
    EXPECT_EQ(reg.ReadString(u"Huge"), huge);

    const std::u16string emoji = u"C:\\\U0001F600\\\u00C4\u00DF\u6771";
    reg.WriteString(u"\u0414\u043E\u043C\U0001F600", emoji);
    EXPECT_EQ(reg.ReadString(u"\u0434\u043E\u043C\U0001F600"), emoji);
}

TEST_F(RegistryAccessTest, KeyPathRule)
{
    ASSERT_TRUE(reg.OpenKey(u"Child", true)); // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), path.substr(1) + u"\\Child");
    reg.WriteString(u"Here", u"1");
    ASSERT_TRUE(reg.OpenKey(path, false)); // absolute again
    EXPECT_EQ(reg.CurrentPath(), path.substr(1));
    std::vector<std::u16string> keys;
    reg.GetKeyNames(keys);
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"Child"}));
    EXPECT_FALSE(reg.OpenKey(u"NoSuchChild", false));
    EXPECT_EQ(reg.CurrentPath(), path.substr(1)); // a failed open changes nothing
    ASSERT_TRUE(reg.OpenKey(u"Child\\Grand\\Deeper", true));
    reg.CloseKey();
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_TRUE(reg.DeleteKey(path + u"\\Child")); // whole subtree
    ASSERT_TRUE(reg.OpenKey(path, false));
    reg.GetKeyNames(keys);
    EXPECT_TRUE(keys.empty());
}

TEST_F(RegistryAccessTest, ReadOnlyOpenAndEnumeration)
{
    reg.WriteString(u"B", u"2");
    reg.WriteString(u"A", u"1");
    RegistryAccess reader;
    ASSERT_TRUE(reader.OpenKeyReadOnly(path));
    EXPECT_EQ(reader.Access(), kKeyRead);
    std::vector<std::u16string> names;
    reader.GetValueNames(names);
    // Index order is the store's own (Wine sorts, Windows keeps creation order).
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"A", u"B"}));
    EXPECT_EQ(reader.ReadString(u"A"), u"1");
}

TEST(RegistryAccess, WithoutAnOpenKeyWritesRaiseAndProbesSayNo)
{
    RegistryAccess reg;
    EXPECT_FALSE(reg.OpenKey(u"\\Software\\VarnookTests\\does\\not\\exist", false));
    EXPECT_EQ(RaisedMessage([&] { reg.WriteString(u"N", u"v"); }), u"Failed to set data for 'N'");
    EXPECT_EQ(RaisedMessage([&] { reg.WriteExpandString(u"N", u"v"); }), u"Failed to set data for 'N'");
    EXPECT_EQ(RaisedMessage([&] { reg.WriteInteger(u"N", 1); }), u"Failed to set data for 'N'");
    EXPECT_FALSE(reg.DeleteValue(u"N"));
    TRegDataInfo info;
    EXPECT_FALSE(reg.GetDataInfo(u"N", info));
    EXPECT_EQ(reg.ReadString(u"N"), u"");
    std::vector<std::u16string> names{u"stale"};
    reg.GetValueNames(names);
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(reg.DeleteKey(u"\\Software\\VarnookTests\\does\\not\\exist"));
}

namespace {
// Counts what reaches the store, and can refuse writes to the machine scope.
class CountingRegistry : public MemoryRegistry {
public:
    long SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) override
    {
        ++writes;
        return MemoryRegistry::SetValue(key, name, type, data, size);
    }
    int writes = 0;
};
} // namespace

TEST(WriteAccessProbe, AsksTheStoreOnceAndLeavesNothingBehind)
{
    CountingRegistry store;
    ScopedOverride<IRegistryBackend> use(store);
    ResetWriteAccessProbe();
    EXPECT_TRUE(CanWriteSystemScope());
    EXPECT_TRUE(CanWriteSystemScope());
    EXPECT_EQ(store.writes, 1);
    RegistryAccess reg(kRootLocalMachine);
    ASSERT_TRUE(reg.OpenKey(u"\\SYSTEM\\CurrentControlSet\\Control\\Session Manager", false));
    EXPECT_FALSE(reg.ValueExists(u"check_for_admin_access"));
    EXPECT_EQ(store.OpenHandleCount(), 1u); // only ours
    ResetWriteAccessProbe();
}

TEST(WriteAccessProbe, NoRightsMeansFalse)
{
    MemoryRegistry store;
    store.SetReadOnlyRoot(kRootLocalMachine, true);
    ScopedOverride<IRegistryBackend> use(store);
    ResetWriteAccessProbe();
    EXPECT_FALSE(CanWriteSystemScope());
    EXPECT_EQ(store.OpenHandleCount(), 0u);
    ResetWriteAccessProbe();
}

TEST(WriteAccessProbe, TheRealStore)
{
    // Wine grants the machine scope to everyone; the native build's store does too.
    ResetWriteAccessProbe();
    EXPECT_TRUE(CanWriteSystemScope());
    RegistryAccess reg(kRootLocalMachine);
    ASSERT_TRUE(reg.OpenKeyReadOnly(u"\\SYSTEM\\CurrentControlSet\\Control\\Session Manager"));
    EXPECT_FALSE(reg.ValueExists(u"check_for_admin_access"));
}
