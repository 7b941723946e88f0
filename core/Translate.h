// The translation lookup every user-visible text passes through at the moment it is shown.
#pragma once

#include <string>
#include <string_view>

namespace varnook {

// The text in the interface language. English is the message identifier; until catalogs are
// read, every text translates to itself.
std::u16string gettext(std::u16string_view text);

} // namespace varnook
