// Every example of docs/command-line.md runs exactly as written, on an in-memory store set up as
// its "Before" column says; the store afterwards must be what its "After" column says, nothing
// more. The document is compiled into the test program, so a changed example is tested at once.
#include "cli/CommandLine.h"
#include "core/Registry.h"
#include "core/Strings.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace varnook::fixtures {
extern const std::string_view kDoc_command_line;
}

using namespace varnook;
using namespace varnook::platform;

namespace {

struct StoredValue {
    TRegDataType kind = rdUnknown;
    std::u16string text; // the number in decimal for REG_DWORD
    bool operator==(const StoredValue&) const = default;
};

void PrintTo(const StoredValue& v, std::ostream* os)
{
    *os << (v.kind == rdString ? "REG_SZ " : v.kind == rdExpandString ? "REG_EXPAND_SZ " : "REG_DWORD ")
        << ToUtf8(v.text);
}

// (system?, name) -> value.
using StoreState = std::map<std::pair<bool, std::u16string>, StoredValue>;

struct DocExample {
    int line = 0;
    std::string before, command, after;
    int exitCode = -1;
};

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

std::vector<std::string> Cells(const std::string& row)
{
    std::vector<std::string> cells;
    std::string cell;
    for (size_t i = 1; i < row.size(); ++i) {
        if (row[i] == '|') {
            cells.push_back(Trim(cell));
            cell.clear();
        } else {
            cell += row[i];
        }
    }
    return cells;
}

// The rows of every table headed "Before | Command | After | Exit code".
std::vector<DocExample> ExamplesOf(std::string_view doc, std::string& error)
{
    std::vector<DocExample> examples;
    std::istringstream in{std::string(doc)};
    std::string line;
    int number = 0;
    bool inTable = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "| Before | Command | After | Exit code |") {
            inTable = true;
            std::getline(in, line); // the separator row
            ++number;
            continue;
        }
        if (!inTable)
            continue;
        if (line.empty() || line[0] != '|') {
            inTable = false;
            continue;
        }
        const auto cells = Cells(line);
        if (cells.size() != 4 || cells[1].size() < 2 || cells[1].front() != '`' || cells[1].back() != '`' ||
            (cells[3] != "0" && cells[3] != "1")) {
            error = "line " + std::to_string(number) + ": not an example row: " + line;
            return {};
        }
        examples.push_back({number, cells[0], cells[1].substr(1, cells[1].size() - 2), cells[2], cells[3][0] - '0'});
    }
    return examples;
}

// "not set", or items separated by ", ": [system ]`NAME` = `VALUE` (KIND), [system ]`NAME` = 7
// (REG_DWORD), "not an administrator".
bool ParseState(std::string_view cell, StoreState& state, bool& notAdmin, std::string& error)
{
    state.clear();
    notAdmin = false;
    if (cell == "not set")
        return true;
    size_t p = 0;
    auto take = [&](std::string_view word) {
        if (cell.substr(p, word.size()) != word)
            return false;
        p += word.size();
        return true;
    };
    auto fail = [&](std::string why) {
        error = std::move(why);
        return false;
    };
    auto upTo = [&](char end, std::string& out) {
        const size_t at = cell.find(end, p);
        if (at == std::string_view::npos)
            return false;
        out = std::string(cell.substr(p, at - p));
        p = at + 1;
        return true;
    };
    for (;;) {
        if (take("not an administrator")) {
            notAdmin = true;
        } else {
            const bool system = take("system ");
            std::string name, value, kind;
            if (!take("`") || !upTo('`', name) || !take(" = "))
                return fail("expected `NAME` = at " + std::to_string(p));
            if (take("`")) {
                if (!upTo('`', value))
                    return fail("unterminated value");
            } else if (take("empty")) {
            } else if (!upTo(' ', value)) {
                return fail("expected a value");
            } else {
                --p;
            }
            if (!take(" (") || !upTo(')', kind))
                return fail("expected (KIND) after " + name);
            StoredValue v;
            v.kind = kind == "REG_SZ" ? rdString : kind == "REG_EXPAND_SZ" ? rdExpandString
                   : kind == "REG_DWORD" ? rdInteger : rdUnknown;
            if (v.kind == rdUnknown)
                return fail("unknown kind " + kind);
            v.text = FromUtf8(value);
            state[{system, FromUtf8(name)}] = v;
        }
        if (p == cell.size())
            return true;
        if (!take(", "))
            return fail("expected \", \" at " + std::to_string(p));
    }
}

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
