#include "app/Inspector.h"

#include "core/ETree.h"
#include "core/Presentation.h"
#include "core/Tools.h"
#include "core/Translate.h"

namespace varnook {

void TInspector::BeginUpdate()
{
    modified = false;
    currentRow = 0;
}

void TInspector::Add(const std::u16string& caption, const std::u16string& value, int32_t image)
{
    if (currentRow < RowCount()) {
        const size_t at = 2 * static_cast<size_t>(currentRow);
        if (data[at] != caption) {
            data[at] = caption;
            modified = true;
        }
        if (data[at + 1] != value) {
            data[at + 1] = value;
            modified = true;
        }
        // The same texts can stand for another picture: the Type row of a variable shows its
        // tag, the same row of one of its elements shows none. A kept image would be a stale one.
        if (images[currentRow] != image) {
            images[currentRow] = image;
            modified = true;
        }
        // The image belongs to the row's content: the "Type" row of an element has none, that
        // of its variable a tag, with the same texts.
        if (images[currentRow] != image) {
            images[currentRow] = image;
            modified = true;
        }
    } else {
        data.push_back(caption);
        data.push_back(value);
        images.push_back(image);
        modified = true;
    }
    ++currentRow;
}

void TInspector::AddAll(const std::u16string& title, const std::vector<std::u16string>& list, int32_t image)
{
    for (size_t i = 0; i < list.size(); ++i)
        Add(i == 0 ? title : std::u16string(), list[i], image);
}

void TInspector::EndUpdate()
{
    const size_t rows = static_cast<size_t>(currentRow);
    if (data.size() > 2 * rows) {
        data.resize(2 * rows);
        modified = true;
    }
    if (images.size() > rows) {
        images.resize(rows);
        modified = true;
    }
    if (modified && grid) {
        grid->SetRowCount(RowCount());
        grid->Repaint();
    }
}

std::u16string TInspector::Cells(int32_t row, int32_t column) const
{
    if (row < 0 || column < 0 || column > 1)
        return {};
    const size_t at = 2 * static_cast<size_t>(row) + static_cast<size_t>(column);
    return at < data.size() ? data[at] : std::u16string();
}

int32_t TInspector::Image(int32_t row) const
{
    return row >= 0 && static_cast<size_t>(row) < images.size() ? images[row] : kImageNone;
}

namespace {

std::u16string TypeText(const TNode* variable)
{
    if (TETree::GetVariableReadOnly(variable))
        return gettext(u"Read-only string");
    return TETree::GetVariableType(variable) == rdString ? gettext(u"String") : gettext(u"Expandable string");
}

int32_t TypeImage(const TNode* variable)
{
    if (TETree::GetVariableReadOnly(variable))
        return kImageReadOnly;
    return TETree::GetVariableType(variable) == rdString ? kImageString : kImageExpandString;
}

} // namespace

void FillInspector(TInspector& inspector, const TETree& tree, const TNode* node)
{
    if (!node || node->Level() < 0)
        return;
    const TNode* variable = node->Level() == 0 ? node : node->Parent();
    const bool expandable = TETree::GetVariableType(variable) != rdString;
    inspector.BeginUpdate();
    inspector.Add(gettext(u"Variable name"), TETree::GetVariableName(variable), kImageNone);
    if (node == variable) {
        inspector.Add(gettext(u"Type"), TypeText(variable), TypeImage(variable));
        inspector.Add(gettext(u"Value"), TETree::GetVariableValue(variable), kImageNone);
        if (expandable)
            inspector.Add(gettext(u"Expanded value"), tree.GetVariableValueEx(variable), kImageNone);
    } else {
        const std::u16string& stored = TETree::GetElement(node);
        inspector.Add(gettext(u"Type"), TypeText(variable), kImageNone);
        inspector.Add(gettext(u"Value"), stored, kImageNone);
        if (expandable)
            inspector.Add(gettext(u"Expanded value"), tree.GetElementEx(node), kImageNone);
        if (IsLocalPath(stored)) {
            const std::u16string shortPath = ToShortPath(stored);
            if (shortPath != stored)
                inspector.Add(gettext(u"Short path"), shortPath, kImageNone);
            const std::u16string longPath = ToLongPath(stored);
            if (longPath != stored)
                inspector.Add(gettext(u"Long path"), longPath, kImageNone);
        }
    }
    inspector.AddAll(gettext(u"Error(s)"), tree.GetNodeErrors(node), kImageErrorOverlay);
    inspector.AddAll(gettext(u"Warning(s)"), tree.GetNodeWarnings(node), kImageExcludedOverlay);
    inspector.EndUpdate();
}

} // namespace varnook
