// Loading and saving a tree against Wine's registry on a scratch key: which values become
// variables, what a save leaves behind, letter case included.
#include "core/ETree.h"
#include "core/Exclusions.h"
#include "platform/win32/WinString.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace varnook;
using namespace varnook::testing;

namespace {

struct Raw {
    DWORD type = 0;
    std::string bytes;
    friend bool operator==(const Raw&, const Raw&) = default;
};
using KeyContents = std::map<std::wstring, Raw>; // exact names, as the store spells them

KeyContents ReadKey(HKEY key)
{
    KeyContents contents;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = ARRAYSIZE(name), type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::string bytes(size, '\0');
        nameLength = ARRAYSIZE(name);
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
        contents[std::wstring(name, nameLength)] = {type, bytes.substr(0, size)};
    }
    return contents;
}

Raw Sz(const std::wstring& text, DWORD type = REG_SZ)
{
    return {type, std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t))};
}

std::vector<std::u16string> Elements(const TNode* variable)
{
    std::vector<std::u16string> out;
    for (const TNode* e = variable->FirstChild(); e; e = e->NextSibling())
        out.push_back(TETree::GetElement(e));
    return out;
}

class ScopeStoreTest : public ::testing::Test {
protected:
    ScopeStoreTest()
    {
        const DWORD count = 42;
        const wchar_t multi[] = L"a\0b\0";
        SetRawValue(scratch.Handle(), L"Count", REG_DWORD, &count, sizeof(count));
        SetRawValue(scratch.Handle(), L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
        for (const auto& [name, raw] : KeyContents{{L"Path", Sz(L"C:\\a;%SystemRoot%", REG_EXPAND_SZ)},
                                                     {L"TEMP", Sz(L"C:\\t")},
                                                     {L"", Sz(L"default")},
                                                     {L"Empty", Sz(L"")},
                                                     {L"Whole", Sz(L"a;b")}})
            SetRawValue(scratch.Handle(), name, raw.type, raw.bytes.data(), DWORD(raw.bytes.size()));
        exclusions.Add(u"Whole", false, true);
        tree.SetExclusions(&exclusions);
        tree.LoadFromRegistry(platform::kRootCurrentUser, KeyPath());
    }

    std::u16string KeyPath() const { return u"\\" + platform::U16(scratch.Path()); }

    ScratchKey scratch{HKEY_CURRENT_USER};
    TExclusions exclusions;
    TETree tree;
};

} // namespace

TEST_F(ScopeStoreTest, OnlyStringValuesLoadAsVariables)
{
    EXPECT_EQ(tree.root, platform::kRootCurrentUser);
    EXPECT_EQ(tree.key, KeyPath());
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    using L = std::vector<std::u16string>;
    const struct {
        std::u16string name;
        TRegDataType kind;
        L elements;
    } expected[] = {
        {u"", rdString, {u"default"}}, // the key's default value: the empty name sorts first
        {u"Empty", rdString, {u""}},
        {u"Path", rdExpandString, {u"C:\\a", u"%SystemRoot%"}},
        {u"TEMP", rdString, {u"C:\\t"}},
        {u"Whole", rdString, {u"a;b"}}, // not to be split
    };
    ASSERT_EQ(tree.VariableCount(), std::size(expected)); // neither the DWORD nor the multi-string
    const TNode* v = tree.FirstVariable();
    for (const auto& e : expected) {
        SCOPED_TRACE(ToUtf8(e.name));
        EXPECT_EQ(TETree::GetVariableName(v), e.name);
        EXPECT_EQ(TETree::GetVariableType(v), e.kind);
        EXPECT_FALSE(TETree::GetVariableReadOnly(v));
        EXPECT_EQ(Elements(v), e.elements);
        v = v->NextSibling();
    }
}

TEST_F(ScopeStoreTest, ASaveLeavesExactlyTheTreesVariablesAndTheirLetterCase)
{
    const KeyContents before = ReadKey(scratch.Handle());
    // What the save has to work around: Wine keeps a name's letter case when the value is
    // overwritten under another case.
    {
        HKEY probe = scratch.Handle();
        SetRawValue(probe, L"Probe", REG_SZ, L"x", 4);
        SetRawValue(probe, L"PROBE", REG_SZ, L"y", 4);
        EXPECT_EQ(ReadKey(probe).count(L"Probe"), 1u);
        RegDeleteValueW(probe, L"Probe");
    }

    TNode* path = tree.FindVariable(u"Path");
    tree.SetVariableName(path, u"PATH");
    tree.DeleteNode(tree.FindVariable(u"TEMP"));
    tree.AddVariable(u"New", u"n;m", rdExpandString, false);
    tree.AddVariable(u"VARNOOK_SPECIAL", u"never written", rdString, true);
    tree.SaveToRegistry();

    KeyContents expected = before;
    expected.erase(L"Path");
    expected.erase(L"TEMP");
    expected[L"PATH"] = Sz(L"C:\\a;%SystemRoot%", REG_EXPAND_SZ);
    expected[L"New"] = Sz(L"n;m", REG_EXPAND_SZ);
    EXPECT_EQ(ReadKey(scratch.Handle()), expected); // DWORD and multi-string untouched, default and empty kept

    // Wine's reg.exe reads the same.
    const RegExeValue fromRegExe = RegExeQuery(L"HKCU\\" + scratch.Path(), L"PATH");
    EXPECT_EQ(fromRegExe.type, "REG_EXPAND_SZ");
    EXPECT_EQ(fromRegExe.data, "C:\\a;%SystemRoot%");

    // Loading what was saved gives the same tree back.
    TETree again;
    again.SetExclusions(&exclusions);
    again.LoadFromRegistry(platform::kRootCurrentUser, KeyPath());
    tree.DeleteNode(tree.FindVariable(u"VARNOOK_SPECIAL"));
    EXPECT_EQ(again.VariableCount(), tree.VariableCount());
    for (const TNode *a = again.FirstVariable(), *b = tree.FirstVariable(); a && b; a = a->NextSibling(), b = b->NextSibling())
        EXPECT_EQ(again.GetNodeAsText(a), tree.GetNodeAsText(b));
}

TEST_F(ScopeStoreTest, AMissingKeyLoadsEmptyAndCannotBeSaved)
{
    TETree missing;
    missing.LoadFromRegistry(platform::kRootCurrentUser, KeyPath() + u"\\NoSuchKey");
    EXPECT_EQ(missing.VariableCount(), 0u);
    missing.AddVariable(u"A", u"a", rdString, false);
    try {
        missing.SaveToRegistry();
        ADD_FAILURE() << "saved to a key that does not exist";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), u"Error writing to the registry, the registry key is locked by another process");
    }
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, (scratch.Path() + L"\\NoSuchKey").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
}
