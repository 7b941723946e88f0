// The texts the path commands produce: what a picked path becomes in an element, and what the
// file manager is asked to show.
#include "edit/PathInsertion.h"

#include "core/Strings.h"
#include "core/Tools.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

using namespace varnook;
using varnook::testing::ScratchFolder;

TEST(PathInsertion, APathHoldingASemicolonStaysOneElementOfASplitVariable)
{
    const struct {
        std::u16string path;
        bool split;
        std::u16string text;
    } cases[] = {
        {u"C:\\Tools", true, u"C:\\Tools"},
        {u"C:\\a;b", true, u"\"C:\\a;b\""},
        {u"C:\\a;b", false, u"C:\\a;b"}, // a variable that is not split holds it as it is
    };
    for (const auto& c : cases) {
        const std::u16string text = ElementTextForPath(c.path, c.split);
        EXPECT_EQ(ToUtf8(text), ToUtf8(c.text));
        // What the splitter makes of the value once it is saved and read back.
        if (c.split)
            EXPECT_EQ(SplitValue(u"X;" + text + u";Y").size(), 3u) << ToUtf8(text);
    }
}

TEST(PathInsertion, TheFileManagerOpensFoldersSelectsFilesAndQuotesEveryPath)
{
    ScratchFolder root;
    const std::u16string folder = root.Make(u"a, b folder", true);
    const std::u16string file = root.Make(u"a, b folder\\tool.exe", false);
    const struct {
        std::u16string path, parameters;
    } cases[] = {
        {folder, u"\"" + folder + u"\""},
        {folder + u"\\", u"\"" + folder + u"\""},
        {file, u"/select, \"" + file + u"\""},
        {folder + u"\\missing.exe", u"\"" + folder + u"\""},
        {u"nothing", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToUtf8(ExplorerParameters(c.path)), ToUtf8(c.parameters)) << ToUtf8(c.path);
}
