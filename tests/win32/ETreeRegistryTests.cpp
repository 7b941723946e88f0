// Loading and saving a tree against Wine's registry on a scratch key: which values become
// variables, what a save leaves behind, letter case included.
#include "core/ETree.h"
#include "core/Exclusions.h"
#include "platform/win32/WinString.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

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

// The lines reg.exe export writes for the key: what a peer sees of every value, whatever its kind.
std::vector<std::wstring> ExportLines(const std::wstring& key)
{
    const std::wstring file = BuildDir() + UniqueName(L"export") + L".reg";
    ProcessResult r = RunProcess(L"reg.exe export \"" + key + L"\" \"" + file + L"\" /y");
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    std::ifstream in(std::filesystem::path(file), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileW(file.c_str());
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    std::vector<std::wstring> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find(L"\r\n", at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
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

// Values no save of the program would write: they must come through a save that changed
// something else byte for byte, as Wine's reg.exe exports them.
TEST_F(ScopeStoreTest, ASaveLeavesEveryUntouchedValueByteForByte)
{
    const wchar_t trailing[] = L"a\0\0\0";
    const char oddLength[] = {'a', 0, 'b', 0, 'c'};
    const wchar_t unterminated[] = {L'x', L'y'};
    const wchar_t inner[] = L"a\0b";
    const std::wstring editor = L"\"C:\\Program Files\\Vim\\vim.exe\" -f";
    const std::wstring quoted = L"\"C:\\a b\"\\c;D:\\x";
    const unsigned char binary[] = {1, 2, 3};
    const unsigned long long qword = 0x1122334455667788ull;
    HKEY key = scratch.Handle();
    SetRawValue(key, L"Trailing", REG_SZ, trailing, sizeof(trailing));
    SetRawValue(key, L"OddLength", REG_EXPAND_SZ, oddLength, sizeof(oddLength));
    SetRawValue(key, L"Unterminated", REG_SZ, unterminated, sizeof(unterminated));
    SetRawValue(key, L"Inner", REG_SZ, inner, sizeof(inner));
    SetRawValue(key, L"NoData", REG_SZ, nullptr, 0);
    SetRawValue(key, L"Editor", REG_SZ, editor.c_str(), DWORD((editor.size() + 1) * 2));
    SetRawValue(key, L"Quoted", REG_EXPAND_SZ, quoted.c_str(), DWORD((quoted.size() + 1) * 2));
    SetRawValue(key, L"Binary", REG_BINARY, binary, sizeof(binary));
    SetRawValue(key, L"Qword", REG_QWORD, &qword, sizeof(qword));
    SetRawValue(key, L"None", REG_NONE, binary, sizeof(binary));
    const std::wstring regKey = L"HKEY_CURRENT_USER\\" + scratch.Path();
    const KeyContents before = ReadKey(key);
    const auto exportedBefore = ExportLines(regKey);

    TETree loaded;
    loaded.SetExclusions(&exclusions);
    loaded.LoadFromRegistry(platform::kRootCurrentUser, KeyPath());
    // Quoted values with text after the closing quote load losslessly.
    EXPECT_EQ(Elements(loaded.FindVariable(u"Editor")), std::vector<std::u16string>{platform::U16(editor)});
    EXPECT_EQ(TETree::GetVariableValue(loaded.FindVariable(u"Quoted")), platform::U16(quoted));
    loaded.SaveToRegistry();
    EXPECT_EQ(ReadKey(key), before);
    EXPECT_EQ(ExportLines(regKey), exportedBefore);

    // One variable changed: its line alone differs.
    loaded.SetVariableValue(loaded.FindVariable(u"TEMP"), u"C:\\t2");
    loaded.SaveToRegistry();
    const auto exportedAfter = ExportLines(regKey);
    ASSERT_EQ(exportedAfter.size(), exportedBefore.size());
    std::vector<std::wstring> changed;
    for (size_t i = 0; i < exportedAfter.size(); ++i)
        if (exportedAfter[i] != exportedBefore[i])
            changed.push_back(exportedAfter[i]);
    EXPECT_EQ(changed, std::vector<std::wstring>{L"\"TEMP\"=\"C:\\\\t2\""});
}

// Another program's changes between load and save survive it: reg.exe adds a variable and
// changes one the user did not touch, while the user edits a third.
TEST_F(ScopeStoreTest, ChangesMadeByAnotherProgramSurviveASave)
{
    const std::wstring regKey = L"HKCU\\" + scratch.Path();
    EXPECT_EQ(RunProcess(L"reg.exe add \"" + regKey + L"\" /v JAVA_HOME /d C:\\jdk /f").exitCode, 0u);
    EXPECT_EQ(RunProcess(L"reg.exe add \"" + regKey + L"\" /v TEMP /d C:\\outside /f").exitCode, 0u);
    EXPECT_EQ(tree.CountOutsideChanges(), 2u);
    tree.SetVariableValue(tree.FindVariable(u"Path"), u"C:\\mine");
    const auto plan = tree.PlanSave();
    for (const auto& e : plan)
        EXPECT_FALSE(e.Conflict());
    tree.ApplySave(plan, true);
    EXPECT_EQ(RegExeQuery(regKey, L"JAVA_HOME").data, "C:\\jdk");
    EXPECT_EQ(RegExeQuery(regKey, L"TEMP").data, "C:\\outside");
    EXPECT_EQ(RegExeQuery(regKey, L"Path").data, "C:\\mine");
    // The tree still shows the old TEMP: the window is told of two changes it has not loaded.
    EXPECT_EQ(tree.CountOutsideChanges(), 2u);

    // Both change the same variable: the plan says so, and the choice decides.
    tree.SetVariableValue(tree.FindVariable(u"Path"), u"C:\\mine2");
    EXPECT_EQ(RunProcess(L"reg.exe add \"" + regKey + L"\" /v Path /t REG_EXPAND_SZ /d C:\\theirs /f").exitCode, 0u);
    auto second = tree.PlanSave();
    EXPECT_EQ(std::count_if(second.begin(), second.end(), [](const TMergeEntry& e) { return e.Conflict(); }), 1);
    tree.ApplySave(second, false);
    EXPECT_EQ(RegExeQuery(regKey, L"Path").data, "C:\\theirs");
}

// The store upper-cases names its own way: for Wine's registry (as for Windows) GEOა and GEOᲐ,
// CHRꭰ and CHRᎠ are one name each. A rename between them changes the spelling and loses nothing.
TEST_F(ScopeStoreTest, ARenameTheStoreTakesForTheSameNameKeepsTheVariable)
{
    const std::u16string pairs[][2] = {{u"GEO\u10D0", u"GEO\u1C90"}, {u"CHR\uAB70", u"CHR\u13A0"}, {u"X\u00E5", u"X\u212B"}};
    HKEY key = scratch.Handle();
    for (const auto& p : pairs) {
        SetStringValue(HKEY_CURRENT_USER, scratch.Path(), std::wstring(p[0].begin(), p[0].end()), L"kept");
        // Skip a pair this store tells apart: then there is nothing to lose.
        const std::wstring other(p[1].begin(), p[1].end());
        if (RegQueryValueExW(key, other.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        SCOPED_TRACE(ToUtf8(p[1]));
        TETree t;
        t.LoadFromRegistry(platform::kRootCurrentUser, KeyPath());
        t.SetVariableName(t.FindVariable(p[0]), p[1]);
        t.SaveToRegistry();
        const KeyContents now = ReadKey(key);
        EXPECT_EQ(now.count(other), 1u) << "the new spelling";
        EXPECT_EQ(now.count(std::wstring(p[0].begin(), p[0].end())), 0u);
        EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, scratch.Path(), other).text, L"kept");
        for (const auto& [name, raw] : now)
            EXPECT_EQ(name.find(L"(Varnook"), std::wstring::npos) << "a held copy was left behind";

        // Two of the tree's variables the store takes for one name: refused before any write.
        TETree both;
        both.LoadFromRegistry(platform::kRootCurrentUser, KeyPath());
        if (!both.FindVariable(p[0])) {
            both.AddVariable(p[0], u"second", rdString, false);
            try {
                both.SaveToRegistry();
                ADD_FAILURE() << "two variables went into one value";
            } catch (const ERegistryException& e) {
                EXPECT_EQ(e.Message(), u"The registry takes '" + p[0] + u"' for the name of another variable");
            }
            EXPECT_EQ(ReadKey(key), now);
        }
    }
}

TEST(ScopeLoad, ValuesLargerThanTheFirstBufferAndWithoutTerminatorLoadWhole)
{
    ScratchKey scratch{HKEY_CURRENT_USER};
    // Names and data far past the first buffer, between short ones, so that every size of
    // answer follows every other.
    std::wstring big;
    for (int i = 0; big.size() < 40000; ++i)
        big += L"C:\\folder" + std::to_wstring(i) + L";";
    const std::wstring longName(5000, L'N');
    const std::wstring bare = L"C:\\no\\terminator";
    SetRawValue(scratch.Handle(), L"A_small", REG_SZ, L"C:\\a", 10);
    SetRawValue(scratch.Handle(), L"B_big", REG_EXPAND_SZ, big.c_str(), DWORD((big.size() + 1) * 2));
    SetRawValue(scratch.Handle(), longName, REG_SZ, L"x", 4);
    SetRawValue(scratch.Handle(), L"C_bare", REG_SZ, bare.c_str(), DWORD(bare.size() * 2));
    SetRawValue(scratch.Handle(), L"D_small", REG_SZ, L"d", 4);

    TETree tree;
    tree.LoadFromRegistry(platform::kRootCurrentUser, u"\\" + platform::U16(scratch.Path()));
    EXPECT_EQ(tree.VariableCount(), 5u);
    EXPECT_EQ(tree.GetValueByName(u"A_small"), u"C:\\a");
    EXPECT_EQ(tree.GetValueByName(u"B_big"), platform::U16(big));
    EXPECT_EQ(TETree::GetVariableType(tree.FindVariable(u"B_big")), rdExpandString);
    EXPECT_EQ(tree.GetValueByName(platform::U16(longName)), u"x");
    EXPECT_EQ(tree.GetValueByName(u"C_bare"), platform::U16(bare));
    EXPECT_EQ(tree.GetValueByName(u"D_small"), u"d");
}
