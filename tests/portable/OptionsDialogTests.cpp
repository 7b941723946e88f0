// The options dialog and the exclusion editor without their windows: the editor's verdicts,
// how an edited entry is stored, and what OK and Cancel do to the options and the trees.
#include "app/Options.h"
#include "app/OptionsDialogModel.h"
#include "core/ETree.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

using namespace varnook;
using namespace varnook::platform;

namespace {

std::string Narrow(std::u16string_view s)
{
    return std::string(s.begin(), s.end());
}

// The entries as "name:flags", flags 1 = do not split, 2 = do not validate.
std::string Entries(const TExclusions& list)
{
    std::string out;
    for (int i = 0; i < list.Count(); ++i) {
        const TExclusion& e = list.GetValue(i);
        out += (i ? "|" : "") + Narrow(list.GetKey(i)) + ":" +
               std::to_string((e.isSplit() ? 0 : 1) + (e.isCheck() ? 0 : 2));
    }
    return out;
}

std::string Elements(const TNode* variable)
{
    std::string out;
    for (const TNode* e = variable->FirstChild(); e; e = e->NextSibling())
        out += (e == variable->FirstChild() ? "" : "|") + Narrow(TETree::GetElement(e));
    return out;
}

} // namespace

TEST(ExclusionEditor, ValidateAsATable)
{
    TExclusions list;
    list.Add(u"path", false, true);
    list.Add(u"TEMP", true, false);
    const struct {
        const char16_t* initial;
        const char16_t* text;
        bool notSplit, notCheck;
        const char16_t* message;
    } cases[] = {
        {u"", u"", true, false, u"Variable name can't be empty"},
        {u"", u" \t ", true, true, u"Variable name can't be empty"},
        {u"", u"NEW", false, false, u"At least one option must be selected"},
        {u"", u"NEW", true, false, u""},
        {u"", u"  NEW  ", false, true, u""},
        {u"", u"Path", true, false, u"This variable already exists"},
        {u"", u"  temp ", true, false, u"This variable already exists"},
        // A rename in letter case only is refused: the list holds the name ignoring case.
        {u"path", u"PATH", true, false, u"This variable already exists"},
        {u"path", u"path", false, true, u""},
        {u"path", u" path ", true, false, u""},
        {u"path", u"temp", true, false, u"This variable already exists"},
        {u"path", u"Other", false, false, u"At least one option must be selected"},
        // Only ASCII letters fold: É and é are different names.
        {u"", u"\u00E9", true, false, u""},
    };
    list.Add(u"\u00C9", false, false);
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        EXPECT_EQ(ValidateExclusion(list, c.initial, c.text, c.notSplit, c.notCheck), c.message);
    }
}

TEST(ExclusionEditor, StoresWhatItValidatedAndNeverLosesAnEntry)
{
    TExclusions list;
    list.Add(u"A", false, true);
    list.Add(u"B", true, false);

    // Blanks around the name are validated away and stored away alike.
    EXPECT_TRUE(StoreExclusion(list, u"", u"  C  ", true, true));
    EXPECT_EQ(Entries(list), "A:1|B:2|C:3");

    // Renaming A onto " B " is refused before anything changes; A survives.
    EXPECT_FALSE(StoreExclusion(list, u"A", u" B ", true, false));
    EXPECT_EQ(Entries(list), "A:1|B:2|C:3");

    // A rename takes the new name's place and the old one goes.
    EXPECT_TRUE(StoreExclusion(list, u"A", u"Z", false, true));
    EXPECT_EQ(Entries(list), "B:2|C:3|Z:2");

    // The same name with new flags, also when typed with blanks.
    EXPECT_TRUE(StoreExclusion(list, u"B", u" B", true, true));
    EXPECT_EQ(Entries(list), "B:3|C:3|Z:2");

    // Nothing is stored without a flag or without a name.
    EXPECT_FALSE(StoreExclusion(list, u"B", u"B", false, false));
    EXPECT_FALSE(StoreExclusion(list, u"", u"   ", true, true));
    EXPECT_EQ(Entries(list), "B:3|C:3|Z:2");
}

// The shared list with two trees on it, as the main window holds them.
class OptionsDialogApply : public ::testing::Test {
protected:
    void SetUp() override
    {
        options.Load();
        TExclusions& shared = options.GetExclusions();
        shared.Add(u"EDITOR", false, true);
        shared.Add(u"Keep", false, false);
        shared.Add(u"Check", true, false);
        shared.AddOnChange([this] { ++notifications; });
        for (TETree* tree : {&system, &user}) {
            tree->SetExclusions(&shared);
            tree->AddVariable(u"EDITOR", kEditor, rdString, false);
            tree->AddVariable(u"Keep", u"x;y", rdString, false);
            tree->AddVariable(u"Path", u"C:\\A;C:\\B", rdExpandString, false);
        }
    }
    // Every value of both trees with its division into elements.
    std::string Snapshot() const
    {
        std::string out;
        for (const TETree* tree : {&system, &user})
            for (const TNode* v = tree->FirstVariable(); v; v = v->NextSibling())
                out += Narrow(TETree::GetVariableName(v)) + "=" + Narrow(TETree::GetVariableValue(v)) + " [" +
                       Elements(v) + "]\n";
        return out;
    }
    // The dialog's working copy, as it is filled when the dialog opens.
    void Copy(TExclusions& working) { working.AddAll(options.GetExclusions()); }

    static constexpr const char16_t* kEditor = u"\"C:\\Program Files\\Vim\\gvim.exe\" --remote";
    MemoryRegistry store;
    ScopedOverride<IRegistryBackend> useStore{store};
    TOptions options{nullptr};
    TETree system, user;
    int notifications = 0;
};

TEST_F(OptionsDialogApply, OkWithoutChangesLeavesEveryValueByteForByte)
{
    const std::string before = Snapshot();
    EXPECT_NE(before.find("EDITOR=\"C:\\Program Files\\Vim\\gvim.exe\" --remote [\"C:\\Program Files\\Vim\\gvim.exe\" --remote]"),
              std::string::npos)
        << before;
    TExclusions working;
    Copy(working);
    EXPECT_EQ(ApplyOptionsChoices(options, ReadOptionsChoices(options), working), u"");
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(notifications, 0) << "nothing changed, so nothing re-splits";
    EXPECT_EQ(Entries(options.GetExclusions()), "Check:2|EDITOR:1|Keep:3");
}

TEST_F(OptionsDialogApply, OkAppliesOnlyTheDifference)
{
    TExclusions working;
    Copy(working);
    working.Remove(u"Check");
    working.Add(u"PATH", false, true);
    // EDITOR stays kept whole but is no longer validated: its value must not pass through a split.
    StoreExclusion(working, u"EDITOR", u"EDITOR", true, true);
    // A name spelled anew with the same flags.
    working.Remove(u"Keep");
    working.Add(u"KEEP", false, false);

    TOptionsChoices choices;
    choices.onDeleteConfirmation = true;
    choices.onExitConfirmation = true;
    choices.checkForUpdates = false;
    choices.isAnimation = false;
    EXPECT_EQ(ApplyOptionsChoices(options, choices, working), u"");

    EXPECT_EQ(Entries(options.GetExclusions()), "EDITOR:3|KEEP:3|PATH:1");
    EXPECT_EQ(notifications, 4) << "Check removed, EDITOR changed, KEEP respelled, PATH added";
    const std::string after = Snapshot();
    EXPECT_NE(after.find("EDITOR=\"C:\\Program Files\\Vim\\gvim.exe\" --remote [\"C:\\Program Files\\Vim\\gvim.exe\" --remote]"),
              std::string::npos)
        << after;
    EXPECT_NE(after.find("Keep=x;y [x;y]"), std::string::npos) << after;
    EXPECT_NE(after.find("Path=C:\\A;C:\\B [C:\\A;C:\\B]"), std::string::npos) << after;
    EXPECT_TRUE(options.onDeleteConfirmation && options.onExitConfirmation);
    EXPECT_FALSE(options.checkForUpdates || options.isAnimation);

    // Saved: a new options object reads the same back.
    TOptions reread(nullptr);
    reread.Load();
    EXPECT_EQ(Entries(reread.GetExclusions()), "EDITOR:3|KEEP:3|PATH:1");
    EXPECT_TRUE(reread.onDeleteConfirmation && reread.onExitConfirmation);
    EXPECT_FALSE(reread.checkForUpdates || reread.isAnimation);
}

TEST_F(OptionsDialogApply, CancelLeavesOptionsAndStoreAlone)
{
    const std::string before = Snapshot();
    {
        TExclusions working; // the dialog's copy, edited and then dropped
        Copy(working);
        working.Clear();
        working.Add(u"Other", false, false);
    }
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(Entries(options.GetExclusions()), "Check:2|EDITOR:1|Keep:3");
    RegistryAccess reg(kRootCurrentUser);
    EXPECT_FALSE(reg.OpenKey(u"\\Software\\Varnook", false)) << "nothing saved";
}

namespace {
class RefusingStore : public MemoryRegistry {
public:
    long SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) override
    {
        return refuse ? kErrorAccessDenied : MemoryRegistry::SetValue(key, name, type, data, size);
    }
    bool refuse = true;
};
} // namespace

TEST(OptionsDialogSave, AFailedSaveIsReportedAndTheChoicesStayForTheNextSave)
{
    RefusingStore store;
    ScopedOverride<IRegistryBackend> useStore(store);
    TOptions options(nullptr);
    options.Load();
    TExclusions working;
    working.Add(u"LIB", false, true);
    TOptionsChoices choices;
    choices.onExitConfirmation = true;
    const std::u16string failure = ApplyOptionsChoices(options, choices, working);
    EXPECT_EQ(failure, u"Failed to set data for 'onExitConfirmation'");
    EXPECT_TRUE(options.onExitConfirmation);
    EXPECT_TRUE(options.GetExclusions().ContainsKey(u"LIB"));

    // The save at closing writes what the dialog chose.
    store.refuse = false;
    options.Save();
    TOptions reread(nullptr);
    reread.Load();
    EXPECT_TRUE(reread.onExitConfirmation);
    EXPECT_FALSE(reread.GetExclusions().isSplit(u"lib"));
}
