#include "edit/PathInsertion.h"

#include "core/Tools.h"

namespace varnook {

namespace {

std::u16string Quoted(std::u16string path)
{
    // A backslash before the closing quote would read as an escaped quote to a command-line
    // parser; only a drive's root keeps it, as "C:" alone means the current folder there.
    while (path.size() > 3 && path.back() == u'\\')
        path.pop_back();
    return u"\"" + path + u"\"";
}

} // namespace

std::u16string ElementTextForPath(const std::u16string& path, bool variableSplit)
{
    if (!variableSplit || path.find(u';') == std::u16string::npos)
        return path;
    return u"\"" + path + u"\"";
}

std::u16string ExplorerParameters(const std::u16string& path)
{
    if (DirectoryExists(path))
        return Quoted(path);
    if (PathExists(path) && path.find_first_of(u"*?") == std::u16string::npos)
        return u"/select, " + Quoted(path);
    const size_t cut = path.find_last_of(u"\\/");
    if (cut == std::u16string::npos)
        return {};
    return Quoted(path.substr(0, cut));
}

} // namespace varnook
