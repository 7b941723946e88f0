#include "app/FormAddVar.h"

#include "core/ETree.h"
#include "core/Translate.h"

namespace varnook {

std::u16string TfrmAddVar::NameError(std::u16string_view name, const TETree& tree)
{
    if (name.find_first_not_of(u" \t") == std::u16string_view::npos)
        return gettext(u"Variable name can't be empty");
    if (name.find(u'=') != std::u16string_view::npos)
        return gettext(u"Variable name can't contain '='");
    if (tree.IsExist(name))
        return gettext(u"This variable already exists");
    return {};
}

} // namespace varnook
