// The command-line mode: one operation on one variable directly in the store, reported only
// through the exit code. Nothing here shows a window; RunCommandLine (Windows) does that.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnook {

struct TCommandLineRequest {
    bool Set = false;
    bool Insert = false;
    bool Append = false;
    bool Cleanup = false;
    bool Expandable = false;
    bool Remove = false;
    bool Delete = false;
    bool SystemScope = false;
    std::u16string Name;
    std::u16string Value;
};

enum class TCommandLineAction { StartEditor, ShowHelp, Exit };

struct TCommandLineOutcome {
    TCommandLineAction Action = TCommandLineAction::StartEditor;
    int ExitCode = 0;
};

// Words of a raw command line, the program path first. Characters up to U+0020 separate words;
// a double quote opens a stretch in which blanks belong to the word; the quotes are dropped;
// a pair of double quotes at the start of a word is skipped.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// The working state after examining the arguments (program path excluded).
TCommandLineRequest ParseArguments(const std::vector<std::u16string>& arguments);

// Performs the request on the store and broadcasts the change. 0 when done, 1 on failure.
int ExecuteCommandLine(const TCommandLineRequest& request);

// Everything but showing the help window and ending the process.
TCommandLineOutcome ProcessCommandLine(std::u16string_view commandLine);

// Windows: runs the command-line mode on GetCommandLineW(). Returns only when there are no
// arguments; otherwise ends the process with the exit code.
void RunCommandLine();

} // namespace varnook
