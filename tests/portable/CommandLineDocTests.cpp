// Every example of docs/command-line.md runs exactly as written, on an in-memory store set up as
// its "Before" column says; the store afterwards must be what its "After" column says, nothing
// more. The document is compiled into the test program, so a changed example is tested at once.
#include "cli/CommandLine.h"
#include "core/Registry.h"
#include "core/Strings.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"
#include "support/CommandLineDoc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnook;
using namespace varnook::platform;
using namespace varnook::testing;

namespace {

class RecordingNotifier : public INotifier {
public:
    void BroadcastSettingChange(std::u16string_view, unsigned) override { ++count; }
    int count = 0;
};

void Put(const StoreState& state)
{
    for (const auto& [where, v] : state) {
        RegistryAccess reg(where.first ? kRootLocalMachine : kRootCurrentUser);
        ASSERT_TRUE(reg.OpenKey(where.first ? kSystemEnvironmentKey : kUserEnvironmentKey, false));
        if (v.kind == rdInteger)
            reg.WriteInteger(where.second, std::stoi(ToUtf8(v.text)));
        else if (v.kind == rdExpandString)
            reg.WriteExpandString(where.second, v.text);
        else
            reg.WriteString(where.second, v.text);
    }
}

StoreState Read()
{
    StoreState state;
    for (bool system : {false, true}) {
        RegistryAccess reg(system ? kRootLocalMachine : kRootCurrentUser);
        reg.OpenKey(system ? kSystemEnvironmentKey : kUserEnvironmentKey, false);
        std::vector<std::u16string> names;
        reg.GetValueNames(names);
        for (const auto& name : names) {
            StoredValue v;
            v.kind = reg.GetDataType(name);
            v.text = v.kind == rdInteger ? FromUtf8(std::to_string(reg.ReadInteger(name))) : reg.ReadString(name);
            state[{system, name}] = v;
        }
    }
    return state;
}

} // namespace

TEST(CommandLineDoc, EveryExampleGivesTheResultItShows)
{
    std::string error;
    const auto examples = ExamplesOf(fixtures::kDoc_command_line, error);
    ASSERT_EQ(error, "");
    ASSERT_GE(examples.size(), 10u) << "docs/command-line.md lost its example tables";
    for (const auto& example : examples) {
        SCOPED_TRACE("docs/command-line.md line " + std::to_string(example.line) + ": " + example.command);
        StoreState before, after;
        bool notAdmin = false, unused = false;
        ASSERT_TRUE(ParseState(example.before, before, notAdmin, error)) << error;
        if (example.after == "unchanged")
            after = before;
        else
            ASSERT_TRUE(ParseState(example.after, after, unused, error)) << error;
        ASSERT_EQ(example.command.rfind("varnook.exe ", 0), 0u);

        MemoryRegistry store;
        RecordingNotifier notifier;
        ScopedOverride<IRegistryBackend> useStore{store};
        ScopedOverride<INotifier> useNotifier{notifier};
        for (auto [root, key] : {std::pair{kRootCurrentUser, kUserEnvironmentKey},
                                 std::pair{kRootLocalMachine, kSystemEnvironmentKey}}) {
            RegistryAccess reg(root);
            ASSERT_TRUE(reg.OpenKey(key, true));
        }
        Put(before);
        store.SetReadOnlyRoot(kRootLocalMachine, notAdmin);

        const auto outcome = ProcessCommandLine(FromUtf8(example.command));
        EXPECT_EQ(outcome.Action, TCommandLineAction::Exit);
        EXPECT_EQ(outcome.ExitCode, example.exitCode);
        EXPECT_EQ(notifier.count, example.exitCode == 0 ? 1 : 0) << "told running programs";
        store.SetReadOnlyRoot(kRootLocalMachine, false); // reading back opens with full rights
        EXPECT_EQ(Read(), after);
    }
}

TEST(CommandLineDoc, StateNotation)
{
    StoreState state;
    bool notAdmin = false;
    std::string error;
    ASSERT_TRUE(ParseState("system `Path` = `a;b` (REG_EXPAND_SZ), `N` = 7 (REG_DWORD), `E` = empty (REG_SZ), "
                           "not an administrator", state, notAdmin, error)) << error;
    EXPECT_TRUE(notAdmin);
    EXPECT_EQ(state, (StoreState{{{true, u"Path"}, {rdExpandString, u"a;b"}},
                                 {{false, u"N"}, {rdInteger, u"7"}},
                                 {{false, u"E"}, {rdString, u""}}}));
    EXPECT_FALSE(ParseState("`Path` = `a` (REG_BINARY)", state, notAdmin, error));
    EXPECT_FALSE(ParseState("Path = a", state, notAdmin, error));
}
