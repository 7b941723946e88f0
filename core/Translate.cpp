#include "core/Translate.h"

namespace varnook {

std::u16string gettext(std::u16string_view text)
{
    return std::u16string(text);
}

} // namespace varnook
