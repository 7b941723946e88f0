// The inspector grid of the real main window, created in this process, after timer ticks.
#include "app/InfoPanel.h"
#include "app/MainWindow.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";

std::wstring Cell(HWND grid, int row, int column)
{
    wchar_t text[512]{};
    ListView_GetItemText(grid, row, column, text, 512);
    return text;
}

int CellImage(HWND grid, int row, int column)
{
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iSubItem = column;
    ListView_GetItem(grid, &item);
    return item.iImage;
}

TNode* Find(const TETree& tree, const std::wstring& name)
{
    for (TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
        if (TETree::GetVariableName(v) == std::u16string(name.begin(), name.end()))
            return v;
    return nullptr;
}

} // namespace

TEST(InspectorWindow, GridShowsTheFocusedNodeAfterATick)
{
    KeyBackup options(HKEY_CURRENT_USER, L"Software\\Varnook");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
    const std::wstring name = UniqueName(L"VNK_INSPECT");
    ValueGuard guard(HKEY_CURRENT_USER, kUserKey, name);
    SetStringValue(HKEY_CURRENT_USER, kUserKey, name, L"%SystemRoot%;C:\\WINDOWS\\System32", REG_EXPAND_SZ);

    auto window = std::make_unique<TfrmMain>();
    TfrmMain::TStartOptions start;
    start.runCommandLine = false;
    ASSERT_TRUE(window->Create(start));
    Pump(100);
    TETree& user = *window->UserVarTree();
    ASSERT_EQ(window->ActiveTree(), &user);
    TNode* v = Find(user, name);
    ASSERT_NE(v, nullptr);
    HWND grid = window->InfoPanel()->InspectorGrid();

    user.ActivateNode(v);
    Pump(450);
    ASSERT_EQ(ListView_GetItemCount(grid), 4);
    EXPECT_EQ(Cell(grid, 0, 0), L"Variable name");
    EXPECT_EQ(Cell(grid, 0, 1), name);
    EXPECT_EQ(Cell(grid, 1, 1), L"Expandable string");
    EXPECT_EQ(CellImage(grid, 1, 1), 1);
    EXPECT_EQ(CellImage(grid, 1, 0), I_IMAGENONE);
    EXPECT_EQ(CellImage(grid, 0, 1), I_IMAGENONE);
    EXPECT_EQ(Cell(grid, 2, 1), L"%SystemRoot%;C:\\WINDOWS\\System32");
    EXPECT_EQ(Cell(grid, 3, 0), L"Expanded value");
    EXPECT_EQ(Cell(grid, 3, 1).find(L'%'), std::wstring::npos) << Narrow(Cell(grid, 3, 1));

    // The element names the system folder in other letters: its long form is shown.
    user.ActivateNode(v->LastChild());
    Pump(450);
    const int rows = ListView_GetItemCount(grid);
    ASSERT_GE(rows, 5);
    EXPECT_EQ(Cell(grid, 1, 1), L"Expandable string");
    EXPECT_EQ(Cell(grid, 2, 1), L"C:\\WINDOWS\\System32");
    EXPECT_EQ(Cell(grid, rows - 1, 0), L"Long path");
    EXPECT_EQ(Cell(grid, rows - 1, 1), L"C:\\windows\\system32");

    // On the legend tab the rows stay as they were.
    window->InfoPanel()->SetActiveTab(TInfoPanel::tabLegend);
    user.ActivateNode(v);
    Pump(450);
    EXPECT_EQ(ListView_GetItemCount(grid), rows);
    window->InfoPanel()->SetActiveTab(TInfoPanel::tabInspector);
    Pump(450);
    EXPECT_EQ(ListView_GetItemCount(grid), 4);

    // Nothing focused: the rows stay, without images.
    user.ActivateNode(nullptr);
    Pump(450);
    EXPECT_EQ(ListView_GetItemCount(grid), 4);
    EXPECT_EQ(Cell(grid, 0, 1), name);
    EXPECT_EQ(CellImage(grid, 1, 1), I_IMAGENONE);

    window.reset();
    Pump(50);
}

TEST(InspectorWindow, RowsForEachKindOfNode)
{
    KeyBackup options(HKEY_CURRENT_USER, L"Software\\Varnook");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
    const std::wstring plain = UniqueName(L"VNK_INSP_PLAIN"), expandable = UniqueName(L"VNK_INSP_EXP"),
                       missing = UniqueName(L"VNK_INSP_MISSING");
    ValueGuard g1(HKEY_CURRENT_USER, kUserKey, plain), g2(HKEY_CURRENT_USER, kUserKey, expandable),
        g3(HKEY_CURRENT_USER, kUserKey, missing);
    SetStringValue(HKEY_CURRENT_USER, kUserKey, plain, L"C:\\windows");
    SetStringValue(HKEY_CURRENT_USER, kUserKey, expandable, L"%SystemRoot%", REG_EXPAND_SZ);
    SetStringValue(HKEY_CURRENT_USER, kUserKey, missing, L"C:\\windows;C:\\no\\such\\vnk_folder");

    auto window = std::make_unique<TfrmMain>();
    TfrmMain::TStartOptions start;
    start.runCommandLine = false;
    ASSERT_TRUE(window->Create(start));
    TETree& user = *window->UserVarTree();
    TNode* special = nullptr;
    for (TNode* v = user.FirstVariable(); v && !special; v = v->NextSibling())
        if (TETree::GetVariableReadOnly(v))
            special = v;
    ASSERT_NE(special, nullptr);
    HWND grid = window->InfoPanel()->InspectorGrid();

    struct Row {
        std::wstring caption, value;
        int image; // in the value column
    };
    struct Case {
        const char* what;
        TNode* node;
        std::vector<Row> rows;
    };
    const std::wstring none; // a cell whose text the test does not pin down
    const Case cases[] = {
        {"a plain string: three rows", Find(user, plain),
         {{L"Variable name", plain, I_IMAGENONE}, {L"Type", L"String", 0}, {L"Value", L"C:\\windows", I_IMAGENONE}}},
        {"an expandable string: the expanded value too", Find(user, expandable),
         {{L"Variable name", expandable, I_IMAGENONE},
          {L"Type", L"Expandable string", 1},
          {L"Value", L"%SystemRoot%", I_IMAGENONE},
          {L"Expanded value", none, I_IMAGENONE}}},
        {"a special read-only variable: grey tag, never expanded", special,
         {{L"Variable name", std::wstring(TETree::GetVariableName(special).begin(), TETree::GetVariableName(special).end()),
           I_IMAGENONE},
          {L"Type", L"Read-only string", 2},
          {L"Value", none, I_IMAGENONE}}},
        {"an element naming a missing folder: its error", Find(user, missing)->LastChild(),
         {{L"Variable name", missing, I_IMAGENONE},
          {L"Type", L"String", I_IMAGENONE},
          {L"Value", L"C:\\no\\such\\vnk_folder", I_IMAGENONE},
          {L"Error(s)", L"Invalid path or you have no access to it", 3}}},
        {"its variable carries the error too", Find(user, missing),
         {{L"Variable name", missing, I_IMAGENONE},
          {L"Type", L"String", 0},
          {L"Value", L"C:\\windows;C:\\no\\such\\vnk_folder", I_IMAGENONE},
          {L"Error(s)", none, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.node, nullptr);
        user.ActivateNode(c.node);
        Pump(450);
        ASSERT_EQ(ListView_GetItemCount(grid), static_cast<int>(c.rows.size()));
        for (size_t r = 0; r < c.rows.size(); ++r) {
            const int row = static_cast<int>(r);
            EXPECT_EQ(Cell(grid, row, 0), c.rows[r].caption) << r;
            if (!c.rows[r].value.empty()) {
                EXPECT_EQ(Cell(grid, row, 1), c.rows[r].value) << r;
            }
            EXPECT_EQ(CellImage(grid, row, 1), c.rows[r].image) << r;
            EXPECT_EQ(CellImage(grid, row, 0), I_IMAGENONE) << r;
        }
    }

    // The caption column is 150 pixels at 96 DPI; lines between the cells.
    const UINT dpi = GetDpiForWindow(grid);
    EXPECT_EQ(ListView_GetColumnWidth(grid, 0), MulDiv(150, dpi, 96));
    EXPECT_GE(ListView_GetColumnWidth(grid, 1), MulDiv(475, dpi, 96));
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(grid) & LVS_EX_GRIDLINES);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(window->InfoPanel()->LegendGrid()) & LVS_EX_GRIDLINES);

    // Every second row is shaded across the whole width, a selected one too; the first is not.
    ListView_SetItemState(grid, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetFocus(grid);
    RECT row0, row1, client;
    ListView_GetItemRect(grid, 0, &row0, LVIR_BOUNDS);
    ListView_GetItemRect(grid, 1, &row1, LVIR_BOUNDS);
    GetClientRect(grid, &client);
    const Screenshot shot = CaptureClient(grid);
    const int y1 = (row1.top + row1.bottom) / 2, y0 = (row0.top + row0.bottom) / 2;
    const int nearRight = client.right - 3;
    const int inCaption = MulDiv(140, dpi, 96);
    EXPECT_EQ(shot.At(nearRight, y1), RGB(245, 245, 245));
    EXPECT_EQ(shot.At(inCaption, y1), RGB(245, 245, 245));
    EXPECT_NE(shot.At(nearRight, y0), RGB(245, 245, 245));
    EXPECT_EQ(shot.At(nearRight, y0), shot.At(inCaption, y0));

    window.reset();
    Pump(50);
}
