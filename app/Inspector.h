// The inspector: caption and value rows describing the focused node, rebuilt on every timer
// tick and passed to the grid only when something changed. Portable: no windows.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnook {

class TETree;
class TNode;

// What the inspector needs of the grid that shows its rows.
class IInspectorGrid {
public:
    virtual ~IInspectorGrid() = default;
    virtual void SetRowCount(int32_t rows) = 0;
    virtual void Repaint() = 0;
};

class TInspector {
public:
    // The grid is not owned; none is allowed (the rows are then only kept).
    explicit TInspector(IInspectorGrid* grid) : grid(grid) {}

    void BeginUpdate();
    // Sets the next row; a change of its caption, value or image counts as a change.
    void Add(const std::u16string& caption, const std::u16string& value, int32_t image);
    // One row per string: the title as caption of the first, empty captions after it.
    void AddAll(const std::u16string& title, const std::vector<std::u16string>& list, int32_t image);
    // Drops the rows not set since BeginUpdate; tells the grid only when anything changed.
    void EndUpdate();

    // The text of a cell (column 0 caption, 1 value); empty outside the rows.
    std::u16string Cells(int32_t row, int32_t column) const;
    // The image of a row; -1 outside the rows.
    int32_t Image(int32_t row) const;
    int32_t RowCount() const { return static_cast<int32_t>(data.size() / 2); }

private:
    IInspectorGrid* grid;
    std::vector<std::u16string> data; // caption and value of row r at 2r and 2r + 1
    std::vector<int32_t> images;
    bool modified = false;
    int32_t currentRow = 0;
};

// Rebuilds the rows for the focused node of tree: a variable (level 0) or an element (level 1).
void FillInspector(TInspector& inspector, const TETree& tree, const TNode* node);

} // namespace varnook
