// The command-line mode from the raw command line to the store, on an in-memory store so that
// conditions such as a machine scope without write access can be set up.
#include "cli/CommandLine.h"
#include "core/Registry.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <optional>

using namespace varnook;
using namespace varnook::platform;

TEST(CommandLineSplit, WordsAsTheWindowsParserDeliversThem)
{
    using W = std::vector<std::u16string>;
    const std::pair<std::u16string, W> cases[] = {
        {u"", W{}},
        {u"   ", W{}},
        {u"prog", W{u"prog"}},
        {u"prog -S NAME value", W{u"prog", u"-S", u"NAME", u"value"}},
        {u"\"C:\\Program Files\\v.exe\" -S", W{u"C:\\Program Files\\v.exe", u"-S"}},
        {u"prog \"a b\" c", W{u"prog", u"a b", u"c"}},
        {u"prog a\"b c\"d", W{u"prog", u"ab cd"}},
        {u"prog \"\" x", W{u"prog", u"x"}},          // an empty quoted argument is no argument
        {u"prog \"\"", W{u"prog"}},
        {u"prog \"\"\"\" x", W{u"prog", u"x"}},
        {u"prog \"\"x", W{u"prog", u"x"}},
        {u"prog x\"\"", W{u"prog", u"x"}},
        {u"prog \"unterminated word", W{u"prog", u"unterminated word"}},
        {u"prog\ta\r\nb\x01" u"c", W{u"prog", u"a", u"b", u"c"}},  // everything up to U+0020 separates
        {u"prog \"tab\tinside\"", W{u"prog", u"tab\tinside"}},
        {u"prog C:\\x\\ \"C:\\y\\\"", W{u"prog", u"C:\\x\\", u"C:\\y\\"}}, // backslashes are plain characters
        {u"prog \u0414\u043E\u043C \U0001F600", W{u"prog", u"\u0414\u043E\u043C", u"\U0001F600"}},
    };
    for (const auto& [line, words] : cases) {
        SCOPED_TRACE(ToUtf8(line));
        EXPECT_EQ(SplitCommandLine(line), words);
    }
}

TEST(CommandLineParse, SwitchesAndWords)
{
    auto r = ParseArguments({u"-s", u"PATHX", u"C:\\A"});
    EXPECT_TRUE(r.Set);
    EXPECT_EQ(r.Name, u"PATHX");
    EXPECT_EQ(r.Value, u"C:\\A");

    r = ParseArguments({u"/i", u"/A", u"-c", u"/e", u"-r", u"/d", u"name", u"a", u"b"});
    EXPECT_TRUE(r.Insert && r.Append && r.Cleanup && r.Expandable && r.Remove && r.Delete);
    EXPECT_FALSE(r.Set);
    EXPECT_EQ(r.Name, u"name");
    EXPECT_EQ(r.Value, u"b"); // the last later word wins

    EXPECT_TRUE(ParseArguments({u"-U", u"-M", u"N"}).SystemScope);
    EXPECT_FALSE(ParseArguments({u"-M", u"-U", u"N"}).SystemScope);

    // Only ASCII letters fold; a Cyrillic Es is a word, and so is an unknown switch.
    r = ParseArguments({u"-\u0421", u"-X", u"-?"});
    EXPECT_FALSE(r.Cleanup);
    EXPECT_EQ(r.Name, u"-\u0421");
    EXPECT_EQ(r.Value, u"-?");
    r = ParseArguments({u"-s\u0131"}); // dotless i does not fold to I
    EXPECT_FALSE(r.Set);
    EXPECT_EQ(r.Name, u"-s\u0131");
}

namespace {

class RecordingNotifier : public INotifier {
public:
    void BroadcastSettingChange(std::u16string_view area, unsigned timeoutMs) override
    {
        ++count;
        lastArea = area;
        lastTimeout = timeoutMs;
    }
    int count = 0;
    std::u16string lastArea;
    unsigned lastTimeout = 0;
};

class CommandLineRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto [root, key] : {std::pair{kRootCurrentUser, kUserEnvironmentKey},
                                 std::pair{kRootLocalMachine, kSystemEnvironmentKey}}) {
            RegistryAccess reg(root);
            ASSERT_TRUE(reg.OpenKey(key, true));
        }
    }

    int Run(std::u16string line)
    {
        auto outcome = ProcessCommandLine(u"varnook.exe " + line);
        EXPECT_EQ(outcome.Action, TCommandLineAction::Exit);
        return outcome.ExitCode;
    }

    void Put(std::u16string_view name, std::u16string_view value, bool expandable = false, bool system = false)
    {
        RegistryAccess reg(system ? kRootLocalMachine : kRootCurrentUser);
        ASSERT_TRUE(reg.OpenKey(system ? kSystemEnvironmentKey : kUserEnvironmentKey, false));
        expandable ? reg.WriteExpandString(name, value) : reg.WriteString(name, value);
    }

    struct Stored {
        bool exists;
        TRegDataType kind;
        std::u16string value;
        bool operator==(const Stored&) const = default;
    };
    Stored Get(std::u16string_view name, bool system = false)
    {
        RegistryAccess reg(system ? kRootLocalMachine : kRootCurrentUser);
        reg.OpenKey(system ? kSystemEnvironmentKey : kUserEnvironmentKey, false);
        TRegDataInfo info;
        if (!reg.GetDataInfo(name, info))
            return {false, rdUnknown, {}};
        return {true, info.RegData, info.RegData == rdInteger ? u"" : reg.ReadString(name)};
    }

    MemoryRegistry store;
    RecordingNotifier notifier;
    ScopedOverride<IRegistryBackend> useStore{store};
    ScopedOverride<INotifier> useNotifier{notifier};
};

} // namespace

TEST_F(CommandLineRun, NoArgumentsStartsTheEditorAndHelpIsOnlyTheFirstWord)
{
    EXPECT_EQ(ProcessCommandLine(u"varnook.exe").Action, TCommandLineAction::StartEditor);
    EXPECT_EQ(ProcessCommandLine(u"\"C:\\a b\\varnook.exe\"   ").Action, TCommandLineAction::StartEditor);
    EXPECT_EQ(ProcessCommandLine(u"varnook.exe \"\"").Action, TCommandLineAction::StartEditor);
    EXPECT_EQ(ProcessCommandLine(u"varnook.exe -? x").Action, TCommandLineAction::ShowHelp);
    EXPECT_EQ(ProcessCommandLine(u"varnook.exe /?").Action, TCommandLineAction::ShowHelp);
    EXPECT_EQ(ProcessCommandLine(u"varnook.exe \"\" /?").Action, TCommandLineAction::ShowHelp);
    EXPECT_EQ(notifier.count, 0);

    EXPECT_EQ(Run(u"x -?"), 0);
    EXPECT_EQ(Get(u"x"), (Stored{true, rdString, u"-?"}));
}

TEST_F(CommandLineRun, OperationsOnTheUserScope)
{
    struct Case {
        const char* what;
        std::optional<std::u16string> before; // none: the variable does not exist
        std::u16string line;
        std::u16string after;
    };
    const Case cases[] = {
        {"set, lower-case switch", u"", u"-s NAME C:\\A", u"C:\\A"},
        {"bare name and value set", std::nullopt, u"NAME v", u"v"},
        {"name alone sets empty", u"old", u"NAME", u""},
        {"last word wins", std::nullopt, u"-S NAME a b", u"b"},
        {"insert into absent", std::nullopt, u"-I NAME x", u"x;"},
        {"insert, cleaned", u"", u"-I -C NAME x", u"x"},
        {"insert", u"s", u"-I NAME x", u"x;s"},
        {"append", u"s", u"-A NAME x", u"s;x"},
        {"append to absent", std::nullopt, u"-A NAME x", u";x"},
        {"append, cleaned", u"x;y", u"-A -C NAME x", u"x;y"},
        {"insert and append chain", u"s", u"-A -I NAME x", u"s;x;s"},
        {"remove", u"x;y;X;x", u"-R NAME x", u"y;X"},
        {"remove, cleaned", u"x;;y;y", u"-R -C NAME x", u"y"},
        {"remove from absent", std::nullopt, u"-R NAME x", u""},
        // Text after a closing quote stays where it was.
        {"remove keeps quoted text", u"\"C:\\Program Files\\Vim\\vim.exe\" -f;C:\\x", u"-R NAME C:\\x",
         u"\"C:\\Program Files\\Vim\\vim.exe\" -f"},
        {"append, cleaned, keeps quoted text", u"\"C:\\a b\"\\c;;", u"-A -C NAME D:\\x", u"\"C:\\a b\"\\c;D:\\x"},
        {"cleanup of the new text only", u"a;a", u"-C NAME b;;B;c", u"b;c"},
        {"set with spaces and quotes", std::nullopt, u"-S NAME \"C:\\Program Files;D:\\x\"", u"C:\\Program Files;D:\\x"},
        {"non-ASCII", std::nullopt, u"-S \u0414\u043E\u043C \U0001F600\u00E9", u"\U0001F600\u00E9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryAccess reg;
        reg.OpenKey(kUserEnvironmentKey, false);
        reg.DeleteValue(u"NAME");
        reg.DeleteValue(u"\u0414\u043E\u043C");
        if (c.before)
            Put(u"NAME", *c.before);
        const int before = notifier.count;
        EXPECT_EQ(Run(c.line), 0);
        const std::u16string name = c.line.find(u'\u0414') != std::u16string::npos ? u"\u0414\u043E\u043C" : u"NAME";
        EXPECT_EQ(Get(name), (Stored{true, rdString, c.after}));
        EXPECT_EQ(notifier.count, before + 1);
        EXPECT_EQ(notifier.lastArea, u"Environment");
        EXPECT_EQ(notifier.lastTimeout, 5000u);
    }
}

TEST_F(CommandLineRun, SetAloneWritesTheDefaultValue)
{
    EXPECT_EQ(Run(u"-S"), 0);
    EXPECT_EQ(Get(u""), (Stored{true, rdString, u""}));
}

TEST_F(CommandLineRun, KindOfAnExistingVariableIsKept)
{
    Put(u"Path", u"%SystemRoot%\\system32", true);
    EXPECT_EQ(Run(u"-A Path C:\\x"), 0);
    EXPECT_EQ(Get(u"Path"), (Stored{true, rdExpandString, u"%SystemRoot%\\system32;C:\\x"}));
    EXPECT_EQ(Run(u"-S path v"), 0);
    EXPECT_EQ(Get(u"Path"), (Stored{true, rdExpandString, u"v"}));

    Put(u"Plain", u"a");
    EXPECT_EQ(Run(u"-S Plain b"), 0);
    EXPECT_EQ(Get(u"Plain"), (Stored{true, rdString, u"b"}));
    EXPECT_EQ(Run(u"-E -S Plain c"), 0); // -E makes the result expandable
    EXPECT_EQ(Get(u"Plain"), (Stored{true, rdExpandString, u"c"}));

    EXPECT_EQ(Run(u"-E New %TEMP%"), 0);
    EXPECT_EQ(Get(u"New"), (Stored{true, rdExpandString, u"%TEMP%"}));
    EXPECT_EQ(Run(u"Fresh x"), 0);
    EXPECT_EQ(Get(u"Fresh"), (Stored{true, rdString, u"x"}));
}

TEST_F(CommandLineRun, ScopesAndDelete)
{
    EXPECT_EQ(Run(u"-U -M NAME v"), 0);
    EXPECT_EQ(Get(u"NAME", true), (Stored{true, rdString, u"v"}));
    EXPECT_FALSE(Get(u"NAME").exists);
    EXPECT_EQ(Run(u"-M -U NAME u"), 0);
    EXPECT_EQ(Get(u"NAME"), (Stored{true, rdString, u"u"}));

    EXPECT_EQ(Run(u"-D -I NAME x"), 0);
    EXPECT_FALSE(Get(u"NAME").exists);
    EXPECT_EQ(Get(u"NAME", true), (Stored{true, rdString, u"v"}));
    EXPECT_EQ(Run(u"/m /d name"), 0);
    EXPECT_FALSE(Get(u"NAME", true).exists);

    const int before = notifier.count;
    EXPECT_EQ(Run(u"-D Absent"), 0); // nothing to delete is no failure, and still broadcast
    EXPECT_EQ(notifier.count, before + 1);
}

TEST_F(CommandLineRun, FailuresWriteNothingAndBroadcastNothing)
{
    {
        RegistryAccess reg;
        reg.OpenKey(kUserEnvironmentKey, false);
        reg.WriteInteger(u"Dword", 7);
    }
    for (const char16_t* line : {u"-I Dword x", u"-A Dword x", u"-R Dword x"}) {
        SCOPED_TRACE(ToUtf8(line));
        EXPECT_EQ(Run(line), 1);
        EXPECT_EQ(Get(u"Dword").kind, rdInteger);
    }

    // A name with '=' cannot be a Windows environment variable.
    for (const char16_t* line : {u"-S A=B v", u"=C: v", u"-E -I X= v"}) {
        SCOPED_TRACE(ToUtf8(line));
        EXPECT_EQ(Run(line), 1);
    }
    std::vector<std::u16string> names;
    RegistryAccess reg;
    reg.OpenKey(kUserEnvironmentKey, false);
    reg.GetValueNames(names);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Dword"}));
    EXPECT_EQ(notifier.count, 0);
    EXPECT_EQ(Run(u"-D A=B"), 0); // deleting such a name is harmless

    store.SetReadOnlyRoot(kRootLocalMachine, true); // no administrator rights
    const int before = notifier.count;
    EXPECT_EQ(Run(u"-M -S NAME v"), 1);
    EXPECT_FALSE(Get(u"NAME", true).exists);
    EXPECT_EQ(notifier.count, before);
    EXPECT_EQ(Run(u"-M -D NAME"), 0); // a failed delete is not reported
}

TEST_F(CommandLineRun, MissingScopeKeyFails)
{
    RegistryAccess reg;
    ASSERT_TRUE(reg.DeleteKey(kUserEnvironmentKey));
    EXPECT_EQ(Run(u"-S NAME v"), 1);
    EXPECT_FALSE(reg.OpenKey(kUserEnvironmentKey, false)); // never created behind the user's back
}
