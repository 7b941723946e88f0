// The examples of docs/command-line.md once more, run by varnook.exe itself on Wine's registry:
// the program's own command line and the real store. The variables an example names are put
// back as they were afterwards.
#include "cli/CommandLine.h"
#include "core/Strings.h"
#include "support/CommandLineDoc.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";
const wchar_t kSystemKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

HKEY RootOf(bool system) { return system ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
const wchar_t* KeyOf(bool system) { return system ? kSystemKey : kUserKey; }

void Remove(bool system, const std::wstring& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(RootOf(system), KeyOf(system), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, name.c_str());
        RegCloseKey(key);
    }
}

void Put(bool system, const std::wstring& name, const StoredValue& v)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(RootOf(system), KeyOf(system), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    if (v.kind == rdInteger) {
        const DWORD number = static_cast<DWORD>(std::stoul(ToUtf8(v.text)));
        SetRawValue(key, name, REG_DWORD, &number, sizeof number);
    } else {
        const std::wstring text = Wide(v.text);
        SetRawValue(key, name, v.kind == rdExpandString ? REG_EXPAND_SZ : REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

// The value as the store holds it, in the document's terms; none when it is not there.
bool Read(bool system, const std::wstring& name, StoredValue& v)
{
    const RawValue raw = ReadRawValue(RootOf(system), KeyOf(system), name);
    if (!raw.exists)
        return false;
    v.kind = raw.type == REG_SZ ? rdString : raw.type == REG_EXPAND_SZ ? rdExpandString
           : raw.type == REG_DWORD ? rdInteger : rdUnknown;
    if (v.kind == rdInteger) {
        DWORD number = 0;
        memcpy(&number, raw.bytes.data(), std::min<size_t>(raw.bytes.size(), sizeof number));
        v.text = FromUtf8(std::to_string(number));
    } else {
        v.text.assign(raw.text.begin(), raw.text.end());
    }
    return true;
}

} // namespace

TEST(CommandLineDocEndToEnd, EveryExampleAsVarnookExeRunsIt)
{
    std::string error;
    const auto examples = ExamplesOf(fixtures::kDoc_command_line, error);
    ASSERT_EQ(error, "");
    ASSERT_FALSE(examples.empty());
    for (const auto& example : examples) {
        SCOPED_TRACE("docs/command-line.md line " + std::to_string(example.line) + ": " + example.command);
        StoreState before, after;
        bool notAdmin = false, unused = false;
        ASSERT_TRUE(ParseState(example.before, before, notAdmin, error)) << error;
        if (example.after == "unchanged")
            after = before;
        else
            ASSERT_TRUE(ParseState(example.after, after, unused, error)) << error;
        // Wine gives every program full rights to the machine's keys.
        if (notAdmin)
            continue;

        // Every variable the example names, in the scope the command works on as well.
        const std::u16string line = FromUtf8(example.command);
        auto words = SplitCommandLine(line);
        words.erase(words.begin());
        const TCommandLineRequest request = ParseArguments(words);
        std::set<std::pair<bool, std::u16string>> named{{request.SystemScope, request.Name}};
        for (const auto* state : {&before, &after})
            for (const auto& entry : *state)
                named.insert(entry.first);
        std::vector<std::unique_ptr<ValueGuard>> guards;
        for (const auto& [system, name] : named) {
            guards.push_back(std::make_unique<ValueGuard>(RootOf(system), KeyOf(system), Wide(name)));
            Remove(system, Wide(name));
        }
        for (const auto& [where, v] : before)
            Put(where.first, Wide(where.second), v);

        const std::wstring arguments = Wide(line.substr(line.find(u' ') + 1));
        const ProcessResult run = RunProcess(L"\"" + VarnookExe() + L"\" " + arguments, 30000);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(example.exitCode));

        StoreState found;
        for (const auto& [system, name] : named) {
            StoredValue v;
            if (Read(system, Wide(name), v))
                found[{system, name}] = v;
        }
        EXPECT_EQ(found, after);
    }
}
