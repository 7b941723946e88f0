// Loading a tree from its scope key and saving it back.
#include "core/ETree.h"

#include "core/Translate.h"
#include "platform/Services.h"

namespace varnook {

namespace {

// KEY_ALL_ACCESS | KEY_WOW64_64KEY: a 32-bit build on 64-bit Windows must write the 64-bit view.
constexpr uint32_t kKeyAllAccess64 = platform::kKeyAllAccess | 0x0100;
constexpr char16_t kKeyLocked[] = u"Error writing to the registry, the registry key is locked by another process";
constexpr char16_t kFailedToSet[] = u"Failed to set data for '%s'";

bool IsStringKind(TRegDataType kind) { return kind == rdString || kind == rdExpandString; }

} // namespace

void TETree::LoadFromRegistry(RegHandle newRoot, std::u16string_view newKey)
{
    TBatch batch(*this);
    Clear();
    root = newRoot;
    key = std::u16string(newKey);

    RegistryAccess reg(root);
    // Not tested: a key that cannot be opened leaves no current key and lists no values.
    reg.OpenKeyReadOnly(key);
    std::vector<std::u16string> names;
    reg.GetValueNames(names);
    for (const auto& name : names) {
        TRegDataInfo info;
        // A value gone since it was listed is skipped like a value of another kind.
        if (!reg.GetDataInfo(name, info) || !IsStringKind(info.RegData))
            continue;
        std::u16string value;
        try {
            value = reg.ReadString(name);
        } catch (const ERegistryException&) {
            continue; // gone or changed kind between the two questions
        }
        TNode* variable = AppendVariableNode(name, info.RegData, false);
        FillElements(variable, value, name);
    }
}

void TETree::WriteVariable(RegistryAccess& reg, const TNode* variable, std::u16string_view name) const
{
    const std::u16string value = GetVariableValue(variable);
    if (GetVariableType(variable) == rdString)
        reg.WriteString(name, value);
    else
        reg.WriteExpandString(name, value);
}

// Every variable is written before anything is removed, so a failure part-way leaves each
// variable with its old or its new value; deleting every string value first, then writing,
// would lose all variables after the one that failed.
void TETree::SaveToRegistry() const
{
    RegistryAccess reg(root, platform::ProcessEnvironment().IsWow64() ? kKeyAllAccess64 : platform::kKeyAllAccess);
    if (!reg.OpenKey(key, false))
        throw ERegistryException(gettext(kKeyLocked));

    // The string values as the store names them before this save.
    std::vector<std::u16string> stored;
    reg.GetValueNames(stored);
    std::erase_if(stored, [&](const std::u16string& name) { return !IsStringKind(reg.GetDataType(name)); });

    std::vector<const TNode*> variables;
    for (const TNode* v = FirstVariable(); v; v = v->NextSibling())
        if (!GetVariableReadOnly(v))
            variables.push_back(v);
    for (const TNode* v : variables)
        WriteVariable(reg, v, GetVariableName(v));

    const platform::ITextServices& text = platform::Text();
    std::vector<const TNode*> recased;
    for (const auto& name : stored) {
        // The store keeps the letter case of a name it already holds, so a variable renamed
        // only in letter case was just written under its old name: it is removed with that name
        // and written again below.
        bool kept = false;
        recased.clear();
        for (const TNode* v : variables) {
            const std::u16string& treeName = GetVariableName(v);
            if (treeName == name)
                kept = true;
            else if (text.EqualIgnoreCase(treeName, name))
                recased.push_back(v);
        }
        if (kept)
            continue;
        if (!reg.DeleteValue(name) && reg.ValueExists(name))
            throw ERegistryException(FormatMessage1(gettext(kFailedToSet), name));
        for (const TNode* v : recased) {
            try {
                WriteVariable(reg, v, GetVariableName(v));
            } catch (const ERegistryException&) {
                // Its old name is gone already: put the value back under it rather than lose it.
                try {
                    WriteVariable(reg, v, name);
                } catch (const ERegistryException&) {
                }
                throw;
            }
        }
    }
}

} // namespace varnook
