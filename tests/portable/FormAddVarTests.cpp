// The new-variable dialog's check of the name, as its error line shows it.
#include "app/FormAddVar.h"

#include "core/ETree.h"
#include "core/Strings.h"

#include <gtest/gtest.h>

using namespace varnook;

TEST(FormAddVar, NamesThatAreBlankHoldAnEqualsSignOrExistAreRefused)
{
    TETree tree;
    tree.AddVariable(u"Path", u"x", rdString, false);
    const struct {
        std::u16string name;
        std::string error;
    } cases[] = {
        {u"", "Variable name can't be empty"},
        {u"   ", "Variable name can't be empty"},
        {u"A=B", "Variable name can't contain '='"},
        {u"=C:", "Variable name can't contain '='"},
        {u"PATH", "This variable already exists"},
        {u"path", "This variable already exists"},
        {u" Path", ""}, // a leading blank makes another name, kept as typed
        {u"NEW", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToUtf8(TfrmAddVar::NameError(c.name, tree)), c.error) << ToUtf8(c.name);
}
