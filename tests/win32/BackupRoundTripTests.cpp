// The backup judged by Wine's own registry editor: the file is imported with "regedit /s" and
// every value of both scopes must come back with its name, kind and data, and nothing else.
#include "core/RegExport.h"
#include "support/ScratchFolder.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace std::string_literals;

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";
const wchar_t kSystemKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char16_t kSystemHeading[] =
    u"; System variables\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]";

struct Stored {
    DWORD type = 0;
    std::string data; // string kinds: the text up to its first NUL, as UTF-16 bytes
    bool operator==(const Stored&) const = default;
};

// Every value of the key by name.
std::map<std::wstring, Stored> Snapshot(HKEY root, const wchar_t* path)
{
    std::map<std::wstring, Stored> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = ARRAYSIZE(name), type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        nameLength = ARRAYSIZE(name);
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(size);
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
            text.resize(wcslen(text.c_str()));
            data.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        }
        values[std::wstring(name, nameLength)] = {type, data};
    }
    RegCloseKey(key);
    return values;
}

class BackupRoundTrip : public ::testing::Test {
protected:
    void Put(HKEY root, const wchar_t* key, const std::wstring& name, const std::wstring& value, DWORD type)
    {
        guards_.push_back(std::make_unique<ValueGuard>(root, key, name));
        SetStringValue(root, key, name, value, type);
        ours_.push_back({root, key, name});
    }
    void PutBoth(const std::wstring& stem, const std::wstring& value, DWORD type = REG_SZ)
    {
        Put(HKEY_CURRENT_USER, kUserKey, stem + L"_" + UniqueName(L"u"), value, type);
        Put(HKEY_LOCAL_MACHINE, kSystemKey, stem + L"_" + UniqueName(L"s"), value, type);
    }

    // Backs up both scopes, removes the test's values, imports the file with regedit and
    // expects both keys as they were. Gives the file's bytes.
    std::string RoundTrip()
    {
        const auto userBefore = Snapshot(HKEY_CURRENT_USER, kUserKey);
        const auto systemBefore = Snapshot(HKEY_LOCAL_MACHINE, kSystemKey);
        const std::u16string file = folder_.Path() + u"\\backup.reg";
        TRegExport backup(SystemAnsiEncoder());
        backup.ExportKeyToRegFile(platform::kRootCurrentUser, u"Environment",
                                  u"; User: tester\r\n[HKEY_CURRENT_USER\\Environment]");
        backup.ExportKeyToRegFile(platform::kRootLocalMachine, kSystemEnvironmentKey, kSystemHeading);
        EXPECT_TRUE(backup.Skipped().empty());
        backup.SaveToFile(file);

        for (const auto& v : ours_) {
            HKEY key = nullptr;
            RegOpenKeyExW(v.root, v.key, 0, KEY_SET_VALUE, &key);
            EXPECT_EQ(RegDeleteValueW(key, v.name.c_str()), ERROR_SUCCESS) << Narrow(v.name);
            RegCloseKey(key);
        }
        const std::wstring path(file.begin(), file.end());
        const ProcessResult r = RunProcess(L"regedit.exe /s \"" + path + L"\"");
        EXPECT_EQ(r.exitCode, 0u) << r.output;

        const auto userAfter = Snapshot(HKEY_CURRENT_USER, kUserKey);
        const auto systemAfter = Snapshot(HKEY_LOCAL_MACHINE, kSystemKey);
        Compare(userBefore, userAfter);
        Compare(systemBefore, systemAfter);
        return ReadBytes(file);
    }

    static void Compare(const std::map<std::wstring, Stored>& before, const std::map<std::wstring, Stored>& after)
    {
        for (const auto& [name, value] : before) {
            auto it = after.find(name);
            if (it == after.end()) {
                ADD_FAILURE() << "missing after import: " << Narrow(name);
                continue;
            }
            EXPECT_EQ(it->second.type, value.type) << Narrow(name);
            EXPECT_EQ(it->second.data, value.data) << Narrow(name);
        }
        for (const auto& [name, value] : after)
            EXPECT_TRUE(before.count(name)) << "created by the import: " << Narrow(name);
    }

    struct Ours {
        HKEY root;
        const wchar_t* key;
        std::wstring name;
    };
    ScratchFolder folder_;
    std::vector<std::unique_ptr<ValueGuard>> guards_;
    std::vector<Ours> ours_;
};

} // namespace

TEST_F(BackupRoundTrip, PlainValuesComeBackFromAVersion4File)
{
    PutBoth(L"VNK_BS", L"C:\\Tools\\ed.exe\\");
    PutBoth(L"VNK_Q", L"say \"hi\" \\\"");
    PutBoth(L"VNK_EQ=X", L"a=b;c");
    PutBoth(L"VNK_EMPTY", L"");
    PutBoth(L"VNK_EXP", L"%PATH%;%SystemRoot%\\x", REG_EXPAND_SZ);
    PutBoth(L"VNK_EXP_EMPTY", L"", REG_EXPAND_SZ);
    PutBoth(L"VNK\\NAME\"Q", L"x");
    Put(HKEY_CURRENT_USER, kUserKey, L"", L"default value", REG_SZ);
    guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, kUserKey, L"VNK_DWORD"));
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kUserKey, 0, KEY_SET_VALUE, &key);
    const DWORD seven = 7;
    SetRawValue(key, L"VNK_DWORD", REG_DWORD, &seven, 4); // not a variable: left out, left alone
    RegCloseKey(key);

    const std::string file = RoundTrip();
    EXPECT_EQ(file.rfind("REGEDIT4\r\n\r\n; User: tester\r\n[HKEY_CURRENT_USER\\Environment]\r\n", 0), 0u);
    EXPECT_EQ(file.find("VNK_DWORD"), std::string::npos);
}

TEST_F(BackupRoundTrip, ValuesQuotedTextCannotCarryComeBackFromAVersion5File)
{
    PutBoth(L"VNK_LINES", L"first\r\nsecond\nthird\r");
    PutBoth(L"VNK_CYRILLIC_\u0416", L"\u0416\u00E9\u20AC");
    PutBoth(L"VNK_ASTRAL", L"x\U0001F600y");
    PutBoth(L"VNK_EXP_WIDE", L"%TEMP%\\\u0416\U0001F600\n", REG_EXPAND_SZ);
    PutBoth(L"VNK_PLAIN", L"C:\\plain");

    const std::string file = RoundTrip();
    EXPECT_EQ(file.rfind("\xFF\xFEW\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0"s, 0), 0u);
}

TEST_F(BackupRoundTrip, HostileValuesCreateNothing)
{
    const std::wstring inject = L"x\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\VarnookEvil]\r\n\"Evil\"=\"1\"\r\n@=\"";
    PutBoth(L"VNK_HOSTILE", inject);
    PutBoth(L"VNK_HOSTILE_EXP", inject, REG_EXPAND_SZ);
    PutBoth(L"VNK_HOSTILE\"]=\"[HKEY_CURRENT_USER\\Software\\VarnookEvil]", L"\\\"");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VarnookEvil");

    RoundTrip();
    HKEY evil = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\VarnookEvil", 0, KEY_READ, &evil), ERROR_SUCCESS);
}
