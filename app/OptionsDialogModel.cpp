#include "app/OptionsDialogModel.h"

#include "app/Options.h"
#include "core/Errors.h"
#include "core/Strings.h"
#include "core/Translate.h"

#include <vector>

namespace varnook {

std::u16string_view TrimBlanks(std::u16string_view text)
{
    while (!text.empty() && text.front() <= u' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() <= u' ')
        text.remove_suffix(1);
    return text;
}

std::u16string ValidateExclusion(const TExclusions& list, std::u16string_view initialName, std::u16string_view text,
                                 bool notSplit, bool notCheck)
{
    const std::u16string_view name = TrimBlanks(text);
    if (name.empty())
        return N_(u"Variable name can't be empty");
    // The entry being edited may keep its name; a new spelling of it in letter case only is
    // still a name the list holds.
    if (name != initialName && list.ContainsKey(name))
        return N_(u"This variable already exists");
    if (!notSplit && !notCheck)
        return N_(u"At least one option must be selected");
    return {};
}

bool StoreExclusion(TExclusions& list, std::u16string_view initialName, std::u16string_view text, bool notSplit,
                    bool notCheck)
{
    if (!ValidateExclusion(list, initialName, text, notSplit, notCheck).empty())
        return false;
    const std::u16string name(TrimBlanks(text));
    const std::u16string oldName(initialName);
    if (TExclusionsComparer::Equals(name, oldName)) {
        // The same entry: only its flags change.
        list.Put(name, !notSplit, !notCheck);
        return true;
    }
    list.Add(name, !notSplit, !notCheck);
    list.Remove(oldName);
    return true;
}

void ApplyExclusions(TExclusions& target, const TExclusions& working)
{
    std::vector<std::u16string> gone;
    for (int i = 0; i < target.Count(); ++i)
        if (!working.ContainsKey(target.GetKey(i)))
            gone.push_back(target.GetKey(i));
    for (const std::u16string& name : gone)
        target.Remove(name);
    // Copies first: each change notifies, and a callback may read target.
    std::vector<std::pair<std::u16string, TExclusion>> entries;
    for (int i = 0; i < working.Count(); ++i)
        entries.emplace_back(working.GetKey(i), working.GetValue(i));
    for (const auto& [name, entry] : entries)
        target.Put(name, entry.isSplit(), entry.isCheck());
}

TOptionsChoices ReadOptionsChoices(const TOptions& options)
{
    TOptionsChoices choices;
    choices.onDeleteConfirmation = options.onDeleteConfirmation;
    choices.onExitConfirmation = options.onExitConfirmation;
    choices.checkForUpdates = options.checkForUpdates;
    choices.isAnimation = options.isAnimation;
    return choices;
}

std::u16string ApplyOptionsChoices(TOptions& options, const TOptionsChoices& choices, const TExclusions& working)
{
    options.onDeleteConfirmation = choices.onDeleteConfirmation;
    options.onExitConfirmation = choices.onExitConfirmation;
    options.isAnimation = choices.isAnimation;
    options.checkForUpdates = choices.checkForUpdates;
    ApplyExclusions(options.GetExclusions(), working);
    try {
        options.Save();
    } catch (const EVarnookError& failure) {
        return failure.Message();
    } catch (const std::exception& failure) {
        return FromUtf8(failure.what());
    }
    return {};
}

} // namespace varnook
