// Saving a tree into an in-memory store that fails on demand: no failure part-way may cost a
// variable, and a save that succeeds leaves exactly the tree's variables. The real registry's
// side of loading and saving is tested under Wine (tests/win32/ETreeRegistryTests.cpp).
#include "core/ETree.h"
#include "core/Strings.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

using namespace varnook;
using namespace varnook::platform;

namespace {

constexpr char16_t kKey[] = u"\\Environment";

// Fails the failAt-th value write or removal, counting both, with access denied.
class FailingRegistry : public MemoryRegistry {
public:
    long SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) override
    {
        return Fails() ? kErrorAccessDenied : MemoryRegistry::SetValue(key, name, type, data, size);
    }
    long DeleteValue(RegHandle key, std::u16string_view name) override
    {
        return Fails() ? kErrorAccessDenied : MemoryRegistry::DeleteValue(key, name);
    }
    long OpenKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) override
    {
        lastAccess = access;
        return MemoryRegistry::OpenKey(base, path, access, key);
    }
    bool Fails() { return ++operations == failAt; }

    int failAt = 0;
    int operations = 0;
    uint32_t lastAccess = 0;
};

struct Stored {
    uint32_t type = 0;
    std::u16string text; // string kinds: the text; other kinds: the raw bytes widened
    friend bool operator==(const Stored&, const Stored&) = default;
};
using StoreContents = std::map<std::u16string, Stored>; // exact names

StoreContents ReadStore()
{
    StoreContents contents;
    IRegistryBackend& registry = Registry();
    RegHandle key = 0;
    if (registry.OpenKey(kRootCurrentUser, u"Environment", kKeyRead, key) != kErrorSuccess)
        return contents;
    std::u16string name;
    for (uint32_t i = 0; registry.EnumValue(key, i, name) == kErrorSuccess; ++i) {
        uint32_t type = 0, size = 0;
        std::vector<uint8_t> data;
        registry.QueryValue(key, name, type, size, &data);
        Stored s{type, {}};
        if (type == kRegSz || type == kRegExpandSz)
            for (size_t j = 0; j + 1 < data.size() && (data[j] || data[j + 1]); j += 2)
                s.text += static_cast<char16_t>(data[j] | data[j + 1] << 8);
        else
            s.text.assign(data.begin(), data.end());
        contents[name] = s;
    }
    registry.CloseKey(key);
    return contents;
}

std::optional<Stored> FindFolded(const StoreContents& contents, std::u16string_view name)
{
    for (const auto& [n, v] : contents)
        if (AsciiUpper(n) == AsciiUpper(name))
            return v;
    return std::nullopt;
}

const StoreContents kBefore = {
    {u"Path", {kRegExpandSz, u"C:\\a;%X%"}},
    {u"TEMP", {kRegSz, u"C:\\t"}},
    {u"Gone", {kRegSz, u"g"}},
    {u"Old", {kRegSz, u"o"}},
    {u"Keep", {kRegSz, u"k"}},
    {u"", {kRegSz, u"default"}},
    {u"Empty", {kRegSz, u""}},
    {u"Count", {kRegDword, std::u16string{7, 0, 0, 0}}},
    {u"Multi", {kRegMultiSz, std::u16string{'a', 0, 0, 0, 0, 0}}},
};

// What a successful save must leave: the tree's variables under its names, other kinds as they were.
const StoreContents kAfter = {
    {u"PATH", {kRegExpandSz, u"C:\\new"}},
    {u"TEMP", {kRegSz, u"C:\\t2"}},
    {u"Renamed", {kRegSz, u"o"}},
    {u"New", {kRegExpandSz, u"n"}},
    {u"Keep", {kRegSz, u"k"}},
    {u"", {kRegSz, u"default"}},
    {u"Empty", {kRegSz, u""}},
    {u"Count", {kRegDword, std::u16string{7, 0, 0, 0}}},
    {u"Multi", {kRegMultiSz, std::u16string{'a', 0, 0, 0, 0, 0}}},
};

class StoreTest : public ::testing::Test {
protected:
    StoreTest() { FillStore(); }

    // The key holds exactly kBefore, whatever it held.
    void FillStore()
    {
        RegHandle key = 0;
        ASSERT_EQ(store.MemoryRegistry::CreateKey(kRootCurrentUser, u"Environment", kKeyAllAccess, key), kErrorSuccess);
        std::u16string name;
        while (store.EnumValue(key, 0, name) == kErrorSuccess)
            store.MemoryRegistry::DeleteValue(key, name);
        for (const auto& [valueName, v] : kBefore) {
            std::vector<uint8_t> bytes;
            if (v.type == kRegSz || v.type == kRegExpandSz) {
                for (char16_t c : v.text)
                    bytes.insert(bytes.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
                bytes.insert(bytes.end(), {0, 0});
            } else {
                bytes.assign(v.text.begin(), v.text.end());
            }
            store.MemoryRegistry::SetValue(key, valueName, v.type, bytes.data(), uint32_t(bytes.size()));
        }
        store.CloseKey(key);
    }

    // The tree as the user left it: Path renamed to PATH with a new value, TEMP changed, Gone
    // deleted, Old renamed, New added, a read-only special variable beside them.
    void LoadAndEdit(TETree& tree)
    {
        tree.LoadFromRegistry(kRootCurrentUser, kKey);
        TNode* path = tree.FindVariable(u"Path");
        tree.SetVariableName(path, u"PATH");
        tree.SetVariableValue(path, u"C:\\new");
        tree.SetVariableValue(tree.FindVariable(u"TEMP"), u"C:\\t2");
        tree.DeleteNode(tree.FindVariable(u"Gone"));
        tree.SetVariableName(tree.FindVariable(u"Old"), u"Renamed");
        tree.AddVariable(u"New", u"n", rdExpandString, false);
        tree.AddVariable(u"USERNAME", u"ann", rdString, true);
    }

    FailingRegistry store;
    ScopedOverride<IRegistryBackend> useStore{store};
};

} // namespace

TEST_F(StoreTest, ASuccessfulSaveLeavesExactlyTheTreesVariables)
{
    ASSERT_EQ(ReadStore(), kBefore);
    TETree tree;
    LoadAndEdit(tree);
    tree.SaveToRegistry();
    EXPECT_EQ(store.lastAccess, kKeyAllAccess);
    EXPECT_EQ(ReadStore(), kAfter);
    EXPECT_EQ(store.OpenHandleCount(), 0u);
}

TEST_F(StoreTest, AFailureAtAnyWriteOrRemovalLosesNoVariable)
{
    int total = 0;
    {
        TETree tree;
        LoadAndEdit(tree);
        store.operations = 0;
        tree.SaveToRegistry();
        total = store.operations;
    }
    ASSERT_GE(total, 10); // 7 writes, 3 removals, 1 write again for the new letter case

    for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE("failing operation " + std::to_string(k));
        FillStore();
        TETree tree;
        LoadAndEdit(tree);
        store.operations = 0;
        store.failAt = k;
        try {
            tree.SaveToRegistry();
            ADD_FAILURE() << "the failure was not reported";
        } catch (const EVarnookError& e) {
            EXPECT_TRUE(e.Message().starts_with(u"Failed to set data for '")) << ToUtf8(e.Message());
        }
        store.failAt = 0;

        const StoreContents now = ReadStore();
        auto holds = [&](std::u16string_view name, std::initializer_list<std::optional<std::u16string>> allowed) {
            const auto v = FindFolded(now, name);
            for (const auto& a : allowed)
                if ((!a && !v) || (a && v && v->text == *a))
                    return true;
            return false;
        };
        EXPECT_TRUE(holds(u"PATH", {u"C:\\a;%X%", u"C:\\new"}));
        EXPECT_TRUE(holds(u"TEMP", {u"C:\\t", u"C:\\t2"}));
        EXPECT_TRUE(holds(u"Keep", {u"k"}));
        EXPECT_TRUE(holds(u"", {u"default"}));
        EXPECT_TRUE(holds(u"Empty", {u""}));
        EXPECT_TRUE(holds(u"Old", {u"o"}) || holds(u"Renamed", {u"o"}));
        EXPECT_TRUE(holds(u"Gone", {u"g", std::nullopt}));
        EXPECT_TRUE(holds(u"New", {u"n", std::nullopt}));
        EXPECT_TRUE(holds(u"USERNAME", {std::nullopt}));
        EXPECT_EQ(store.OpenHandleCount(), 0u);

        // Saving again once the store works puts everything right.
        tree.SaveToRegistry();
        EXPECT_EQ(ReadStore(), kAfter);
    }
}

TEST_F(StoreTest, AKeyThatCannotBeOpenedForWritingIsReportedBeforeAnythingChanges)
{
    const std::u16string locked = u"Error writing to the registry, the registry key is locked by another process";
    TETree tree;
    LoadAndEdit(tree);

    store.SetReadOnlyRoot(kRootCurrentUser, true);
    try {
        tree.SaveToRegistry();
        ADD_FAILURE();
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), locked);
    }
    store.SetReadOnlyRoot(kRootCurrentUser, false);
    EXPECT_EQ(ReadStore(), kBefore);

    // A key that is gone is reported the same way, and the tree loaded from it is empty.
    TETree missing;
    missing.LoadFromRegistry(kRootCurrentUser, u"\\NoSuchKey");
    EXPECT_EQ(missing.VariableCount(), 0u);
    EXPECT_EQ(missing.key, u"\\NoSuchKey");
    missing.AddVariable(u"A", u"a", rdString, false);
    EXPECT_THROW(missing.SaveToRegistry(), ERegistryException);
    EXPECT_EQ(store.OpenHandleCount(), 0u);
}

TEST_F(StoreTest, A32BitProcessOn64BitWindowsWritesThe64BitView)
{
    class Wow64 : public IProcessEnvironment {
    public:
        std::u16string GetVariable(std::u16string_view) const override { return {}; }
        bool IsWow64() const override { return true; }
    } wow64;
    ScopedOverride<IProcessEnvironment> useWow64(wow64);
    TETree tree;
    tree.LoadFromRegistry(kRootCurrentUser, kKey);
    tree.SaveToRegistry();
    EXPECT_EQ(store.lastAccess, 0xF013Fu);
    EXPECT_EQ(ReadStore(), kBefore);
}
