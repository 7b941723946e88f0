#include "edit/ContentAssist.h"

#include "core/Strings.h"
#include "core/Tools.h"
#include "core/Translate.h"

#include <algorithm>

namespace varnook {

TAssistRequest DecideContentAssist(std::u16string_view text, size_t caret, bool expandable, bool explicitRequest)
{
    if (!expandable)
        return {true, TContentAssistType::Path, 1};
    caret = std::min(caret, text.size());
    size_t count = 0, last = 0;
    for (size_t i = 0; i < caret; ++i) {
        if (text[i] == u'%') {
            ++count;
            last = i;
        }
    }
    if (count == 0)
        return {true, TContentAssistType::Path, 1};
    if (count % 2 == 1)
        return {true, TContentAssistType::Variable, static_cast<int>(last) + 1};
    if (explicitRequest)
        return {true, TContentAssistType::Variable, static_cast<int>(caret) + 1};
    return {};
}

bool AssistPrefix(std::u16string_view text, int position, size_t caret, std::u16string& prefix)
{
    if (position < 1 || caret + 1 < static_cast<size_t>(position))
        return false;
    caret = std::min(caret, text.size());
    const size_t start = std::min(static_cast<size_t>(position - 1), caret);
    prefix.assign(text.substr(start, caret - start));
    return true;
}

namespace {

bool IsDot(std::u16string_view row, std::u16string_view dots)
{
    return row == dots || (row.size() > dots.size() && row.substr(row.size() - dots.size() - 1) ==
                                                           std::u16string(u"\\") + std::u16string(dots));
}

// Whether the folder part may be listed without asking a server.
bool MayList(const std::u16string& folder)
{
    // A share is never listed; a folder with a drive must be a drive path; one relative to the
    // current folder or to the current drive's root is where the program runs. Each must then
    // still not lie on a drive mapped to a share.
    if (folder.size() >= 2 && folder[0] == u'\\' && folder[1] == u'\\')
        return false;
    if (folder.find(u':') != std::u16string::npos && !IsLocalPath(folder))
        return false;
    return !platform::FileSystem().IsOnNetwork(folder);
}

void SortRows(std::vector<TAssistRow>& rows)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TAssistRow& a, const TAssistRow& b) { return CompareTextAscii(a.text, b.text) < 0; });
}

} // namespace

std::vector<TAssistRow> PathCompletions(std::u16string_view text, const platform::TListLimits& limits, bool* complete)
{
    if (complete)
        *complete = true;
    std::u16string path(text);
    std::replace(path.begin(), path.end(), u'/', u'\\');
    const size_t cut = path.find_last_of(u"\\:");
    std::u16string folder, name;
    if (cut == std::u16string::npos) {
        name = path;
    } else {
        folder = path.substr(0, cut + 1);
        name = path.substr(cut + 1);
        if (folder.back() != u'\\')
            folder += u'\\';
    }
    std::vector<TAssistRow> rows;
    if (!MayList(folder))
        return rows;
    std::vector<platform::TDirEntry> entries;
    const bool all = platform::FileSystem().ListEntries(folder + name + u"*", limits, entries);
    if (complete)
        *complete = all;
    rows.reserve(entries.size());
    for (auto& entry : entries)
        rows.push_back({folder + entry.name, entry.directory});
    if (!rows.empty() && IsDot(rows.front().text, u"."))
        rows.erase(rows.begin());
    if (!rows.empty() && IsDot(rows.front().text, u".."))
        rows.erase(rows.begin());
    return rows;
}

std::vector<std::u16string> HintRows()
{
    return {u"F7 " + gettext(u"Insert directory path..."), u"F8 " + gettext(u"Insert file path...")};
}

std::vector<TAssistRow> FillAssistRows(TContentAssistType list, std::u16string_view prefix, IVariablesGetter* getter,
                                       const platform::TListLimits& limits)
{
    std::vector<TAssistRow> rows;
    switch (list) {
    case TContentAssistType::Path: {
        // A path begun with a double quote is completed inside the quotes.
        if (!prefix.empty() && prefix[0] == u'"')
            prefix.remove_prefix(1);
        rows = PathCompletions(prefix, limits);
        break;
    }
    case TContentAssistType::Variable: {
        if (!getter)
            break;
        std::vector<std::u16string> offered;
        auto add = [&](std::vector<std::u16string> texts) {
            for (auto& text : texts) {
                const bool known = std::any_of(offered.begin(), offered.end(), [&](const std::u16string& o) {
                    return CompareTextAscii(o, text) == 0;
                });
                if (!known) {
                    offered.push_back(text);
                    rows.push_back({std::move(text), false});
                }
            }
        };
        add(getter->GetVariablesStartedWith(prefix));
        add(getter->GetResolvedVariablesStartedWith(prefix));
        break;
    }
    case TContentAssistType::Hints:
        for (auto& text : HintRows())
            rows.push_back({std::move(text), false});
        break;
    }
    SortRows(rows);
    return rows;
}

TInsertion InsertCompletion(std::u16string_view text, int position, size_t end, std::u16string_view row,
                            TContentAssistType list, bool splitVariable)
{
    const size_t start = std::min(static_cast<size_t>(std::max(position, 1) - 1), text.size());
    end = std::clamp(end, start, text.size());
    TInsertion result;
    result.text.assign(text.substr(0, start));
    const bool quote = list == TContentAssistType::Path &&
                       ((start < text.size() && text[start] == u'"') ||
                        (splitVariable && row.find(u';') != std::u16string_view::npos));
    if (!quote) {
        result.text += row;
        result.caret = result.text.size();
        result.text += text.substr(end);
        return result;
    }
    // The caret stays inside the quotes, so that typing on continues the path.
    result.text += u'"';
    result.text += row;
    result.caret = result.text.size();
    // A closing quote the user already typed after the caret stays the only one.
    if (end >= text.size() || text[end] != u'"')
        result.text += u'"';
    result.text += text.substr(end);
    return result;
}

} // namespace varnook
