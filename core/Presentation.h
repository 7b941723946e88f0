// How a row of a variable tree looks: icons, overlays, text colour and weight, and the hover
// hint, decided from a few plain facts about the row. The tree view asks these and draws; the
// decisions need no window, so tests ask them directly.
#pragma once

#include "core/Registry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnook {

// The tree image list: three row icons, then two overlays drawn over a variable's icon.
inline constexpr int kImageNone = -1;
inline constexpr int kImageString = 0;
inline constexpr int kImageExpandString = 1;
inline constexpr int kImageReadOnly = 2;
inline constexpr int kImageErrorOverlay = 3;
inline constexpr int kImageExcludedOverlay = 4;

// The longest value the store takes for a variable, in UTF-16 code units.
inline constexpr size_t kMaxValueLength = 2047;

struct TRgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const TRgb&, const TRgb&) = default;
};
inline constexpr TRgb kWrongPathColor{255, 0, 0};
inline constexpr TRgb kReadOnlyColor{128, 128, 128};

// What a row's look depends on, gathered by TETree::GetRowFacts.
struct TRowFacts {
    bool isVariable = false;
    // Of the row's variable (for an element, its parent's).
    TRegDataType kind = rdString;
    bool readOnly = false;
    // The row's own cached path verdict.
    bool wrongPath = false;
    // Variable rows only: the raw joined value is longer than kMaxValueLength.
    bool tooLong = false;
    // Variable rows only: the name is on the exclusion list.
    bool excluded = false;
};

// The icon of a variable of this kind: read-only wins over the kind.
int VariableImage(TRegDataType kind, bool readOnly);
// The icon drawn for the row: the variable's for a variable row, none for an element row.
int RowIcon(const TRowFacts& row);

// Overlays over a variable row's icon in drawing order: the error overlay below the excluded one.
struct TOverlays {
    std::array<int, 2> images{};
    int count = 0;
};
TOverlays RowOverlays(const TRowFacts& row);

// Where an overlay goes: over the icon, one indent step and the margin in from the item's left
// edge, centred vertically in the row.
struct TPoint {
    int x = 0, y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};
TPoint OverlayPosition(int itemLeft, int itemTop, int indent, int margin, int rowHeight, int imageHeight);

// Text weight and colour; no colour means the control's own (a selected row keeps the selection
// colours).
struct TRowStyle {
    bool bold = false;
    std::optional<TRgb> color;
    friend bool operator==(const TRowStyle&, const TRowStyle&) = default;
};
TRowStyle RowStyle(const TRowFacts& row, bool selected);

// The hover hint from translated messages: "Error(s):" and one "- message" line per error, then,
// when there are warnings, two line breaks, "Warning(s):" and their lines. Empty when there is
// nothing to say, which means no hint.
std::u16string HintText(const std::vector<std::u16string>& errors, const std::vector<std::u16string>& warnings);

} // namespace varnook
