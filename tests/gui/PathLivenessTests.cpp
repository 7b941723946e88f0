// Folders made and removed by other programs while the window is open: the rows in view show the
// new state at once, the others soon after, and the inspector follows.
#include "app/InfoPanel.h"
#include "app/TreeView.h"
#include "support/MainWindowFixture.h"
#include "support/ScratchFolder.h"

#include <algorithm>
#include <functional>
#include <vector>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";

class PathLivenessTest : public MainWindowFixture {
protected:
    void PutUser(const std::wstring& name, const std::wstring& value)
    {
        guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, kUserKey, name));
        SetStringValue(HKEY_CURRENT_USER, kUserKey, name, value, REG_SZ);
    }
    // Milliseconds until done() holds while the window runs; -1 when it did not within limit.
    static long Until(const std::function<bool()>& done, DWORD limit)
    {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > limit)
                return -1;
            Pump(10);
        }
        return static_cast<long>(GetTickCount() - start);
    }
    static std::vector<std::wstring> InspectorCaptions(HWND grid)
    {
        std::vector<std::wstring> captions;
        for (int row = 0; row < ListView_GetItemCount(grid); ++row) {
            wchar_t text[128]{};
            ListView_GetItemText(grid, row, 0, text, 128);
            captions.push_back(text);
        }
        return captions;
    }

    std::vector<std::unique_ptr<ValueGuard>> guards_;
};

TEST_F(PathLivenessTest, AFolderMadeOrRemovedOutsideShowsOnTheRowsInViewAndElsewhere)
{
    ScratchFolder scratch;
    const std::u16string folder16 = scratch.Path() + u"\\made";
    const std::wstring folder(folder16.begin(), folder16.end());
    // One variable on screen; enough others after it that the last one is out of view.
    const std::wstring shown = UniqueName(L"VNK_LIVE_A"), hidden = L"VNK_LIVE_Z" + UniqueName(L"");
    PutUser(shown, folder);
    for (int i = 0; i < 80; ++i)
        PutUser(UniqueName(L"VNK_LIVE_M"), L"C:\\windows");
    PutUser(hidden, L"C:\\windows;" + folder);
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    TNode* inView = Find(user, U(shown));
    TNode* outOfView = Find(user, U(hidden));
    ASSERT_TRUE(inView && outOfView);
    user.ActivateNode(inView);
    std::vector<const TNode*> rows;
    ASSERT_TRUE(w.UserTreeView()->NodesInView(rows));
    ASSERT_NE(std::find(rows.begin(), rows.end(), inView), rows.end());
    ASSERT_EQ(std::find(rows.begin(), rows.end(), outOfView), rows.end());
    auto wrong = [](const TNode* v) { return v->Data()->GetWrongPath(); };
    ASSERT_GE(Until([&] { return wrong(inView) && wrong(outOfView); }, 3000), 0);
    HWND grid = w.InfoPanel()->InspectorGrid();
    Pump(250);
    EXPECT_EQ(InspectorCaptions(grid).back(), L"Error(s)");

    struct Step {
        const char* what;
        std::function<void()> act;
        bool missing;
    } steps[] = {
        {"the folder is made", [&] { ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)); }, false},
        {"the folder is removed", [&] { ASSERT_TRUE(RemoveDirectoryW(folder.c_str())); }, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        // A tick is 200 ms; the bounds leave room for a busy machine.
        const long inViewMs = Until([&] { return wrong(inView) == step.missing; }, 3000);
        const long elsewhereMs = Until([&] { return wrong(outOfView) == step.missing; }, 5000);
        EXPECT_GE(inViewMs, 0);
        EXPECT_LE(inViewMs, 1000);
        EXPECT_GE(elsewhereMs, 0);
        EXPECT_LE(inViewMs + elsewhereMs, 3000);
        EXPECT_EQ(wrong(outOfView->LastChild()), step.missing);
        Pump(250); // the inspector is refreshed after the tick's pass
        const std::vector<std::wstring> captions = InspectorCaptions(grid);
        EXPECT_EQ(std::count(captions.begin(), captions.end(), L"Error(s)"), step.missing ? 1 : 0);
        EXPECT_FALSE(w.IsModified()); // a folder outside is no edit
        EXPECT_EQ(w.StatusText(0), u"");
    }
}

} // namespace
