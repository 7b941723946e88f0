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
