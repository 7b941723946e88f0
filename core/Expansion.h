// %NAME% reference expansion over the variables being edited (not any process environment).
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace varnook {

// A reference loop: the text still changed after the last allowed pass.
class ELoopDetected : public std::invalid_argument {
public:
    ELoopDetected() : std::invalid_argument("") {}
};

inline constexpr int kExpansionPassLimit = 100;
// Eight times the longest value Windows lets an environment variable hold (32,767 characters):
// no real value comes near this, and a text that grows past it can only be a loop that doubles
// itself (A holding %A%%A%), which would otherwise need 2^100 code units. Reaching the limit
// costs building about twice its size, so it is kept low enough for a validation pass.
inline constexpr size_t kExpansionSizeLimit = 1u << 18;
// The characters all passes of one expansion may scan together. A value that never settles but
// never grows either (a ring of names, each holding a reference to the next, referenced thousands
// of times) otherwise costs a hundred passes over its whole text, and validation runs on the
// window's own thread. Following a real chain of references costs a few thousand characters.
inline constexpr size_t kExpansionWorkLimit = 1u << 21;

// The value of a variable by name, or nothing when no variable of that name exists.
using TVariableLookup = std::function<std::optional<std::u16string>(std::u16string_view name)>;

// Replaces every complete reference whose name the lookup knows, pass after pass, until a pass
// changes nothing. Raises ELoopDetected when the text still changes after the pass limit,
// repeats a text of an earlier pass, outgrows the size limit or takes more than the work limit.
// depth counts passes already made.
std::u16string ExpandText(const std::u16string& text, const TVariableLookup& lookup, int depth = 0);

} // namespace varnook
