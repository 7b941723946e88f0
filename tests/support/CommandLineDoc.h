// The examples of docs/command-line.md, read from the document itself: every row of a table
// headed "Before | Command | After | Exit code". The store columns are "not set", or items
// separated by ", ": [system ]`NAME` = `VALUE` (KIND), [system ]`NAME` = 7 (REG_DWORD),
// [system ]`NAME` = empty (KIND), and "not an administrator"; After may also be "unchanged".
#pragma once

#include "core/Registry.h"

#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnook::fixtures {
extern const std::string_view kDoc_command_line;
}

namespace varnook::testing {

struct StoredValue {
    TRegDataType kind = rdUnknown;
    std::u16string text; // the number in decimal for REG_DWORD
    bool operator==(const StoredValue&) const = default;
};
void PrintTo(const StoredValue& v, std::ostream* os);

// (system?, name) -> value.
using StoreState = std::map<std::pair<bool, std::u16string>, StoredValue>;

struct DocExample {
    int line = 0; // in the document
    std::string before, command, after;
    int exitCode = -1;
};

// The example rows in document order; on a malformed row, none and the reason in error.
std::vector<DocExample> ExamplesOf(std::string_view doc, std::string& error);

// One store column; false with the reason in error when it does not follow the notation.
bool ParseState(std::string_view cell, StoreState& state, bool& notAdmin, std::string& error);

} // namespace varnook::testing
