// varnook.exe started with arguments under Wine; the store is then read back by Wine's own
// reg.exe, a peer we did not write.
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";
const wchar_t kUserKeyForReg[] = L"HKCU\\Environment";
const wchar_t kSystemKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const wchar_t kSystemKeyForReg[] = L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

DWORD Varnook(const std::wstring& arguments)
{
    ProcessResult r = RunProcess(L"\"" + VarnookExe() + L"\" " + arguments, 30000);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.output, "") << "the command-line mode prints nothing";
    return r.exitCode;
}

// reg.exe export writes UTF-16 text; the line for one value, as regedit would show it.
std::wstring ExportedLine(const std::wstring& key, const std::wstring& name)
{
    const std::wstring file = BuildDir() + UniqueName(L"export") + L".reg";
    ProcessResult r = RunProcess(L"reg.exe export \"" + key + L"\" \"" + file + L"\" /y");
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    std::ifstream in(std::filesystem::path(file), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileW(file.c_str());
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    const std::wstring prefix = L"\"" + name + L"\"=";
    size_t at = text.find(L"\n" + prefix);
    if (at == std::wstring::npos)
        return L"";
    size_t end = text.find(L"\r\n", at + 1);
    return text.substr(at + 1, end - at - 1);
}

} // namespace

TEST(CommandLineEndToEnd, SetInsertAppendRemoveDeleteAsRegExeSeesThem)
{
    const std::wstring name = UniqueName(L"VARNOOK_E2E");
    ValueGuard guard(HKEY_CURRENT_USER, kUserKey, name);

    EXPECT_EQ(Varnook(L"-S " + name + L" C:\\A"), 0u);
    RegExeValue v = RegExeQuery(kUserKeyForReg, name);
    EXPECT_TRUE(v.exists);
    EXPECT_EQ(v.type, "REG_SZ");
    EXPECT_EQ(v.data, "C:\\A");

    EXPECT_EQ(Varnook(L"/i " + name + L" \"C:\\Program Files\""), 0u);
    EXPECT_EQ(RegExeQuery(kUserKeyForReg, name).data, "C:\\Program Files;C:\\A");
    EXPECT_EQ(Varnook(L"-A -C " + name + L" c:\\a"), 0u);
    EXPECT_EQ(RegExeQuery(kUserKeyForReg, name).data, "C:\\Program Files;C:\\A");
    EXPECT_EQ(Varnook(L"-R " + name + L" C:\\A"), 0u);
    EXPECT_EQ(RegExeQuery(kUserKeyForReg, name).data, "C:\\Program Files");

    EXPECT_EQ(Varnook(L"-E " + name + L" %SystemRoot%\\x"), 0u);
    v = RegExeQuery(kUserKeyForReg, name);
    EXPECT_EQ(v.type, "REG_EXPAND_SZ");
    EXPECT_EQ(v.data, "%SystemRoot%\\x");
    EXPECT_EQ(Varnook(L"-A " + name + L" C:\\y"), 0u); // stays expandable without -E
    v = RegExeQuery(kUserKeyForReg, name);
    EXPECT_EQ(v.type, "REG_EXPAND_SZ");
    EXPECT_EQ(v.data, "%SystemRoot%\\x;C:\\y");

    EXPECT_EQ(Varnook(L"-D " + name), 0u);
    EXPECT_FALSE(RegExeQuery(kUserKeyForReg, name).exists);
    EXPECT_EQ(Varnook(L"-D " + name), 0u);
}

TEST(CommandLineEndToEnd, MachineScopeAndEmptyQuotedArguments)
{
    const std::wstring name = UniqueName(L"VARNOOK_E2E_M");
    ValueGuard guard(HKEY_LOCAL_MACHINE, kSystemKey, name);
    ValueGuard userGuard(HKEY_CURRENT_USER, kUserKey, name);

    // "" is no argument at all, so the value is "v", not the empty text.
    EXPECT_EQ(Varnook(L"-U \"\" -M " + name + L" v \"\""), 0u);
    RegExeValue v = RegExeQuery(kSystemKeyForReg, name);
    EXPECT_EQ(v.type, "REG_SZ");
    EXPECT_EQ(v.data, "v");
    EXPECT_FALSE(RegExeQuery(kUserKeyForReg, name).exists);
    EXPECT_EQ(Varnook(L"-m -d " + name), 0u);
    EXPECT_FALSE(RegExeQuery(kSystemKeyForReg, name).exists);
}

TEST(CommandLineEndToEnd, NonAsciiAndLongValues)
{
    const std::wstring name = UniqueName(L"VARNOOK_\u0414\u043E\u043C");
    ValueGuard guard(HKEY_CURRENT_USER, kUserKey, name);
    const std::wstring value = L"C:\\\u00C4rger\\\U0001F600;D:\\\u6771\u4EAC";
    EXPECT_EQ(Varnook(L"-S " + name + L" \"" + value + L"\""), 0u);
    RawValue raw = ReadRawValue(HKEY_CURRENT_USER, kUserKey, name);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.text, value);
    EXPECT_EQ(raw.bytes.size(), (value.size() + 1) * 2); // the NUL is stored
    std::wstring escaped; // .reg files double every backslash
    for (wchar_t c : value)
        escaped += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    EXPECT_EQ(ExportedLine(kUserKeyForReg, name), L"\"" + name + L"\"=\"" + escaped + L"\"");

    // Nearly as long as a command line can be.
    std::wstring longValue;
    while (longValue.size() < 32000)
        longValue += L"C:\\Some\\Long\\Folder" + std::to_wstring(longValue.size()) + L";";
    EXPECT_EQ(Varnook(L"-S " + name + L" " + longValue), 0u);
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, name).text, longValue);
    EXPECT_EQ(Varnook(L"-A -C " + name + L" " + longValue.substr(0, 20)), 0u);
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, name).text, longValue.substr(0, longValue.size() - 1));
}

TEST(CommandLineEndToEnd, FailuresEndWithExitCodeOneAndLeaveTheStoreAlone)
{
    const std::wstring name = UniqueName(L"VARNOOK_E2E_F");
    ValueGuard guard(HKEY_CURRENT_USER, kUserKey, name);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kUserKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    DWORD seven = 7;
    SetRawValue(key, name, REG_DWORD, &seven, sizeof seven);
    RegCloseKey(key);

    EXPECT_EQ(Varnook(L"-I " + name + L" x"), 1u);
    RegExeValue v = RegExeQuery(kUserKeyForReg, name);
    EXPECT_EQ(v.type, "REG_DWORD");
    EXPECT_EQ(v.data, "0x7");

    const std::wstring bad = name + L"=X";
    EXPECT_EQ(Varnook(L"-S " + bad + L" v"), 1u);
    EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, kUserKey, bad).exists);
}
