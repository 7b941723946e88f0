// Saving a tree into an in-memory store that fails on demand: a save changes only what the user
// changed, keeps what other programs changed meanwhile, asks where both changed a variable, and
// no pattern of failing operations costs a variable. The real registry's side of loading and
// saving is tested under Wine (tests/win32/ETreeRegistryTests.cpp).
#include "core/ETree.h"
#include "core/Strings.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>

using namespace varnook;
using namespace varnook::platform;

namespace {

constexpr char16_t kKey[] = u"\\Environment";

// Fails the value writes and removals that fails() names (counting both from 1) with access
// denied.
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
    bool Fails()
    {
        ++operations;
        return fails && fails(operations);
    }

    std::function<bool(int)> fails;
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

std::vector<uint8_t> Bytes(const Stored& v)
{
    std::vector<uint8_t> bytes;
    if (v.type == kRegSz || v.type == kRegExpandSz) {
        for (char16_t c : v.text)
            bytes.insert(bytes.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
        bytes.insert(bytes.end(), {0, 0});
    } else {
        bytes.assign(v.text.begin(), v.text.end());
    }
    return bytes;
}

class StoreTest : public ::testing::Test {
protected:
    StoreTest() { FillStore(kBefore); }

    // The key holds exactly contents, whatever it held.
    void FillStore(const StoreContents& contents)
    {
        RegHandle key = Open();
        std::u16string name;
        while (store.EnumValue(key, 0, name) == kErrorSuccess)
            store.MemoryRegistry::DeleteValue(key, name);
        for (const auto& [valueName, v] : contents) {
            const auto bytes = Bytes(v);
            store.MemoryRegistry::SetValue(key, valueName, v.type, bytes.data(), uint32_t(bytes.size()));
        }
        store.CloseKey(key);
    }

    // Another program's change: a value set (none removes it), bypassing the failures.
    void Outside(std::u16string_view name, std::optional<Stored> v)
    {
        RegHandle key = Open();
        if (v) {
            const auto bytes = Bytes(*v);
            store.MemoryRegistry::SetValue(key, name, v->type, bytes.data(), uint32_t(bytes.size()));
        } else {
            store.MemoryRegistry::DeleteValue(key, name);
        }
        store.CloseKey(key);
    }

    RegHandle Open()
    {
        RegHandle key = 0;
        EXPECT_EQ(store.MemoryRegistry::CreateKey(kRootCurrentUser, u"Environment", kKeyAllAccess, key), kErrorSuccess);
        return key;
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

std::vector<std::u16string> ConflictNames(const std::vector<TMergeEntry>& plan)
{
    std::vector<std::u16string> names;
    for (const auto& e : plan)
        if (e.Conflict())
            names.push_back(e.base ? e.base->name : e.ours ? e.ours->name : e.theirs->name);
    return names;
}

} // namespace

TEST_F(StoreTest, ASuccessfulSaveLeavesExactlyTheTreesVariables)
{
    ASSERT_EQ(ReadStore(), kBefore);
    TETree tree;
    LoadAndEdit(tree);
    store.operations = 0;
    tree.SaveToRegistry();
    EXPECT_EQ(store.lastAccess, kKeyAllAccess);
    EXPECT_EQ(ReadStore(), kAfter);
    EXPECT_EQ(store.OpenHandleCount(), 0u);
    // Only what changed: PATH through a held copy (4), TEMP, Renamed, New, and the removals of
    // Gone and Old. Keep, the default value and Empty are not touched.
    EXPECT_EQ(store.operations, 9);

    // Saved again without further edits, nothing is written.
    store.operations = 0;
    tree.SaveToRegistry();
    EXPECT_EQ(store.operations, 0);
    EXPECT_EQ(ReadStore(), kAfter);
}

TEST_F(StoreTest, UntouchedVariablesKeepTheirStoredBytes)
{
    // Data no write of the program would produce: trailing NULs, an odd length, no terminator,
    // text after a closing quote, a NUL inside.
    RegHandle key = Open();
    const std::vector<std::pair<std::u16string, std::vector<uint8_t>>> odd = {
        {u"Trailing", {'a', 0, 0, 0, 0, 0, 0, 0}},
        {u"OddLength", {'a', 0, 'b', 0, 'c'}},
        {u"Unterminated", {'x', 0, 'y', 0}},
        {u"Editor", {'"', 0, 'v', 0, '"', 0, ' ', 0, '-', 0, 'f', 0, 0, 0}},
        {u"Inner", {'a', 0, 0, 0, 'b', 0, 0, 0}},
        {u"NoData", {}},
    };
    for (const auto& [name, bytes] : odd)
        store.MemoryRegistry::SetValue(key, name, kRegSz, bytes.data(), uint32_t(bytes.size()));
    store.CloseKey(key);
    TETree tree;
    tree.LoadFromRegistry(kRootCurrentUser, kKey);
    tree.SetVariableValue(tree.FindVariable(u"TEMP"), u"C:\\t2");
    store.operations = 0;
    tree.SaveToRegistry();
    EXPECT_EQ(store.operations, 1);
    key = Open();
    for (const auto& [name, bytes] : odd) {
        uint32_t type = 0, size = 0;
        std::vector<uint8_t> data;
        ASSERT_EQ(store.QueryValue(key, name, type, size, &data), kErrorSuccess);
        EXPECT_EQ(data, bytes) << ToUtf8(name);
    }
    store.CloseKey(key);
}

// One variable per row, seen at load (base), in the tree (ours) and in the store at save (theirs);
// each side none (absent) or name=value. What the store holds afterwards when the user keeps
// their own version, and when they keep the other program's.
TEST_F(StoreTest, SaveMergesTheUsersChangesWithTheStoresCurrentState)
{
    using Side = std::optional<std::pair<std::u16string, std::u16string>>;
    struct Row {
        Side base, ours, theirs;
        bool conflict;
        Side keepOurs, keepTheirs;
    };
    auto S = [](std::u16string n, std::u16string v) { return Side{{std::move(n), std::move(v)}}; };
    const Side none;
    const Row rows[] = {
        // unchanged on both sides
        {S(u"A", u"a"), S(u"A", u"a"), S(u"A", u"a"), false, S(u"A", u"a"), S(u"A", u"a")},
        // changed by the user only / outside only / both alike / both differently
        {S(u"B", u"a"), S(u"B", u"mine"), S(u"B", u"a"), false, S(u"B", u"mine"), S(u"B", u"mine")},
        {S(u"C", u"a"), S(u"C", u"a"), S(u"C", u"out"), false, S(u"C", u"out"), S(u"C", u"out")},
        {S(u"D", u"a"), S(u"D", u"same"), S(u"D", u"same"), false, S(u"D", u"same"), S(u"D", u"same")},
        {S(u"E", u"a"), S(u"E", u"mine"), S(u"E", u"out"), true, S(u"E", u"mine"), S(u"E", u"out")},
        // deleted by the user / outside / both; deleted on one side, changed on the other
        {S(u"F", u"a"), none, S(u"F", u"a"), false, none, none},
        {S(u"G", u"a"), S(u"G", u"a"), none, false, none, none},
        {S(u"H", u"a"), none, none, false, none, none},
        {S(u"I", u"a"), none, S(u"I", u"out"), true, none, S(u"I", u"out")},
        {S(u"J", u"a"), S(u"J", u"mine"), none, true, S(u"J", u"mine"), none},
        // added by the user / outside (JAVA_HOME by an installer) / both, differently and alike
        {none, S(u"K", u"mine"), none, false, S(u"K", u"mine"), S(u"K", u"mine")},
        {none, none, S(u"JAVA_HOME", u"C:\\jdk"), false, S(u"JAVA_HOME", u"C:\\jdk"), S(u"JAVA_HOME", u"C:\\jdk")},
        {none, S(u"L", u"mine"), S(u"L", u"out"), true, S(u"L", u"mine"), S(u"L", u"out")},
        {none, S(u"M", u"x"), S(u"M", u"x"), false, S(u"M", u"x"), S(u"M", u"x")},
        // renamed by the user (a new name and the old one gone), also in letter case only
        {S(u"N", u"a"), S(u"N2", u"a"), S(u"N", u"a"), false, S(u"N2", u"a"), S(u"N2", u"a")},
        {S(u"Case", u"a"), S(u"CASE", u"a"), S(u"Case", u"a"), false, S(u"CASE", u"a"), S(u"CASE", u"a")},
        // renamed in letter case outside: kept when the user left it, asked when the user changed it
        {S(u"Out", u"a"), S(u"Out", u"a"), S(u"OUT", u"a"), false, S(u"OUT", u"a"), S(u"OUT", u"a")},
        {S(u"Both", u"a"), S(u"Both", u"mine"), S(u"BOTH", u"a"), true, S(u"Both", u"mine"), S(u"BOTH", u"a")},
        // renamed by the user while the old name changed outside
        {S(u"P", u"a"), S(u"P2", u"a"), S(u"P", u"out"), true, S(u"P2", u"a"), S(u"P2", u"a")},
    };
    for (bool keepOurs : {true, false}) {
        SCOPED_TRACE(keepOurs ? "keeping the user's changes" : "keeping the other program's");
        StoreContents base;
        for (const auto& r : rows)
            if (r.base)
                base[r.base->first] = {kRegSz, r.base->second};
        FillStore(base);
        TETree tree;
        tree.LoadFromRegistry(kRootCurrentUser, kKey);
        for (const auto& r : rows) {
            if (r.base && !r.ours)
                tree.DeleteNode(tree.FindVariable(r.base->first));
            else if (!r.base && r.ours)
                tree.AddVariable(r.ours->first, r.ours->second, rdString, false);
            else if (r.base && r.ours) {
                TNode* v = tree.FindVariable(r.base->first);
                if (r.ours->second != r.base->second)
                    tree.SetVariableValue(v, r.ours->second);
                if (r.ours->first != r.base->first)
                    tree.SetVariableName(v, r.ours->first);
            }
            if (r.base && (!r.theirs || r.theirs->first != r.base->first))
                Outside(r.base->first, std::nullopt);
            if (r.theirs)
                Outside(r.theirs->first, Stored{kRegSz, r.theirs->second});
        }
        const auto plan = tree.PlanSave();
        std::set<std::u16string> conflicts;
        for (const auto& n : ConflictNames(plan))
            conflicts.insert(AsciiUpper(n));
        tree.ApplySave(plan, keepOurs);
        const StoreContents now = ReadStore();
        size_t expectedCount = 0;
        for (const auto& r : rows) {
            const auto& side = r.base ? r.base : r.ours ? r.ours : r.theirs;
            SCOPED_TRACE(ToUtf8(side->first));
            EXPECT_EQ(conflicts.count(AsciiUpper(side->first)) == 1, r.conflict);
            const Side& expected = keepOurs ? r.keepOurs : r.keepTheirs;
            if (expected) {
                ++expectedCount;
                auto it = now.find(expected->first);
                ASSERT_NE(it, now.end());
                EXPECT_EQ(it->second.text, expected->second);
            }
            // The rename's old name is gone unless the other program's version of it was kept.
            if (r.base && r.ours && r.ours->first != r.base->first && AsciiUpper(r.ours->first) != AsciiUpper(r.base->first)
                && !(r.conflict && !keepOurs))
                EXPECT_FALSE(FindFolded(now, r.base->first));
        }
        // P kept outside with keepTheirs survives beside P2.
        EXPECT_EQ(now.size(), expectedCount + (keepOurs ? 0 : 1));
        // Saved again at once: nothing to write, nothing to ask, the outside versions stay.
        store.operations = 0;
        const auto again = tree.PlanSave();
        EXPECT_TRUE(ConflictNames(again).empty());
        tree.ApplySave(again, keepOurs);
        EXPECT_EQ(store.operations, 0);
        EXPECT_EQ(ReadStore(), now);
    }
}

namespace {

// The pieces of a save that fails part-way: every variable must hold its old or its new state
// (a value being renamed in letter case may wait under its temporary name), and a second save
// with a working store must end where an undisturbed save ends.
void ExpectNothingLost(const StoreContents& before, const StoreContents& after, const StoreContents& now)
{
    for (const auto& [name, v] : now) {
        if (name.find(u" (Varnook ") != std::u16string::npos)
            continue;
        const auto old = FindFolded(before, name);
        const auto wanted = FindFolded(after, name);
        EXPECT_TRUE((old && *old == v) || (wanted && *wanted == v)) << "unexpected " << ToUtf8(name);
    }
    for (const auto& [name, v] : after) {
        const auto old = FindFolded(before, name);
        const auto present = FindFolded(now, name);
        if (present && (*present == v || (old && *present == *old)))
            continue;
        bool existed = false; // the value was there before, under this or another (old) name
        for (const auto& [n, w] : before)
            existed |= w == v;
        if (!present && !old && !existed)
            continue; // an addition not written yet
        // Renamed or being renamed: its value is still somewhere, under its old name or held.
        bool held = false;
        for (const auto& [n, w] : now)
            held |= w == v || (old && w == *old);
        EXPECT_TRUE(held) << "lost " << ToUtf8(name);
    }
}

} // namespace

TEST_F(StoreTest, EveryPatternOfFailingOperationsLosesNoVariable)
{
    // Outside changes present during the save: a new variable and a changed one.
    auto outside = [&] {
        Outside(u"JAVA_HOME", Stored{kRegSz, u"C:\\jdk"});
        Outside(u"Keep", Stored{kRegSz, u"k2"});
    };
    StoreContents expected = kAfter;
    expected[u"JAVA_HOME"] = {kRegSz, u"C:\\jdk"};
    expected[u"Keep"] = {kRegSz, u"k2"};
    StoreContents atSave = kBefore;
    atSave[u"JAVA_HOME"] = {kRegSz, u"C:\\jdk"};
    atSave[u"Keep"] = {kRegSz, u"k2"};

    // Every subset of the operations a save makes (at most the first dozen).
    int operationCount = 0;
    {
        TETree tree;
        LoadAndEdit(tree);
        outside();
        store.operations = 0;
        tree.SaveToRegistry();
        operationCount = std::min(store.operations, 12);
        ASSERT_EQ(ReadStore(), expected);
    }
    ASSERT_EQ(operationCount, 9);
    for (int mask = 1; mask < (1 << operationCount); ++mask) {
        SCOPED_TRACE("failing operations mask " + std::to_string(mask));
        FillStore(kBefore);
        TETree tree;
        LoadAndEdit(tree);
        outside();
        store.operations = 0;
        store.fails = [mask, operationCount](int k) { return k <= operationCount && (mask >> (k - 1)) & 1; };
        bool failed = false;
        try {
            tree.SaveToRegistry();
        } catch (const EVarnookError& e) {
            failed = true;
            EXPECT_TRUE(e.Message().starts_with(u"Failed to set data for '")) << ToUtf8(e.Message());
        }
        const int done = store.operations;
        store.fails = nullptr;
        // Operations after the first failure are not tried, beyond putting things back.
        EXPECT_EQ(failed, (mask & ((1 << std::min(done, operationCount)) - 1)) != 0);
        ExpectNothingLost(atSave, expected, ReadStore());
        EXPECT_EQ(store.OpenHandleCount(), 0u);
        if (!failed)
            continue;
        tree.SaveToRegistry();
        ASSERT_EQ(ReadStore(), expected);
    }
}

TEST_F(StoreTest, RandomFailuresInLargerStoresLoseNoVariable)
{
    std::mt19937 random(15);
    for (int round = 0; round < 80; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        auto pick = [&](int n) { return static_cast<int>(random() % unsigned(n)); };
        StoreContents before;
        for (int i = 0; i < 30; ++i)
            before[u"V" + FromUtf8(std::to_string(i))] = {pick(2) ? kRegSz : kRegExpandSz, u"v" + FromUtf8(std::to_string(i))};
        struct Edit {
            std::u16string name;
            int what;
        };
        std::vector<Edit> edits;
        for (const auto& [name, v] : before)
            edits.push_back({name, pick(6)}); // 0-1 none, 2 value, 3 delete, 4 rename, 5 letter case
        auto scenario = [&](TETree& tree) {
            FillStore(before);
            tree.LoadFromRegistry(kRootCurrentUser, kKey);
            for (const auto& e : edits) {
                TNode* v = tree.FindVariable(e.name);
                if (e.what == 2)
                    tree.SetVariableValue(v, u"changed " + e.name);
                else if (e.what == 3)
                    tree.DeleteNode(v);
                else if (e.what == 4)
                    tree.SetVariableName(v, e.name + u"_new");
                else if (e.what == 5)
                    tree.SetVariableName(v, u"v" + e.name.substr(1));
            }
            tree.AddVariable(u"Added", u"a", rdString, false);
            Outside(u"Outside", Stored{kRegSz, u"o"});
        };
        StoreContents expected, atSave;
        {
            TETree tree;
            scenario(tree);
            atSave = ReadStore();
            tree.SaveToRegistry();
            expected = ReadStore();
        }
        TETree tree;
        scenario(tree);
        std::bernoulli_distribution fail(0.25);
        std::vector<bool> pattern(80);
        for (size_t i = 0; i < pattern.size(); ++i)
            pattern[i] = fail(random);
        store.operations = 0;
        store.fails = [&](int k) { return k <= int(pattern.size()) && pattern[k - 1]; };
        try {
            tree.SaveToRegistry();
        } catch (const EVarnookError&) {
        }
        store.fails = nullptr;
        ExpectNothingLost(atSave, expected, ReadStore());
        tree.SaveToRegistry();
        ASSERT_EQ(ReadStore(), expected);
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
