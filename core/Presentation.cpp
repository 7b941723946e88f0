#include "core/Presentation.h"

#include "core/Translate.h"

namespace varnook {

int VariableImage(TRegDataType kind, bool readOnly)
{
    if (readOnly)
        return kImageReadOnly;
    return kind == rdExpandString ? kImageExpandString : kImageString;
}

int RowIcon(const TRowFacts& row)
{
    return row.isVariable ? VariableImage(row.kind, row.readOnly) : kImageNone;
}

TOverlays RowOverlays(const TRowFacts& row)
{
    TOverlays overlays;
    if (!row.isVariable)
        return overlays;
    // A length error alone shows here (and in the hint), never in the text colour.
    if (row.wrongPath || row.tooLong)
        overlays.images[overlays.count++] = kImageErrorOverlay;
    if (row.excluded)
        overlays.images[overlays.count++] = kImageExcludedOverlay;
    return overlays;
}

TPoint OverlayPosition(int itemLeft, int itemTop, int indent, int margin, int rowHeight, int imageHeight)
{
    return {itemLeft + indent + margin, itemTop + (rowHeight - imageHeight) / 2};
}

TRowStyle RowStyle(const TRowFacts& row, bool selected)
{
    TRowStyle style;
    if (row.wrongPath) {
        style.bold = true;
        if (!selected)
            style.color = kWrongPathColor;
    } else if (row.readOnly && !selected) {
        style.color = kReadOnlyColor;
    }
    return style;
}

std::u16string HintText(const std::vector<std::u16string>& errors, const std::vector<std::u16string>& warnings)
{
    std::u16string hint;
    if (!errors.empty()) {
        hint += gettext(u"Error(s)");
        hint += u':';
        for (const auto& message : errors)
            hint.append(u"\r\n- ").append(message);
    }
    // The gap comes with the warnings, so a row with warnings only starts with two empty lines.
    if (!warnings.empty()) {
        hint += u"\r\n\r\n";
        hint += gettext(u"Warning(s)");
        hint += u':';
        for (const auto& message : warnings)
            hint.append(u"\r\n- ").append(message);
    }
    return hint;
}

} // namespace varnook
