// The process environment as the special variables see it, through Wine's real calls.
#include "core/ETree.h"
#include "platform/Services.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

using namespace varnook;
using namespace varnook::testing;

TEST(ProcessEnvironment, ReadsValuesOfAnyLength)
{
    const std::wstring name = UniqueName(L"VARNOOK_ENV");
    const std::u16string key(name.begin(), name.end());
    auto& environment = platform::DefaultProcessEnvironment();

    EXPECT_EQ(environment.GetVariable(key), u"");
    // Longer than the first buffer tried, and not ASCII.
    std::wstring value(3000, L'x');
    value += L"\u00C4\u6771";
    ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), value.c_str()));
    EXPECT_EQ(environment.GetVariable(key), std::u16string(value.begin(), value.end()));
    ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), L"short"));
    EXPECT_EQ(environment.GetVariable(key), u"short");
    SetEnvironmentVariableW(name.c_str(), nullptr);
    EXPECT_EQ(environment.GetVariable(key), u"");
}

TEST(ProcessEnvironment, SystemTreeGetsTheSpecialVariablesThatAreSet)
{
    TETree tree;
    tree.root = platform::kRootLocalMachine;
    tree.AddSpecialVariables(SystemReadOnlyNames);
    // Wine sets SystemRoot and ProgramFiles for every process.
    TNode* systemRoot = tree.FindVariable(u"SystemRoot");
    ASSERT_NE(systemRoot, nullptr);
    EXPECT_TRUE(TETree::GetVariableReadOnly(systemRoot));
    wchar_t expected[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SystemRoot", expected, MAX_PATH);
    EXPECT_EQ(TETree::GetVariableValue(systemRoot), std::u16string(reinterpret_cast<const char16_t*>(expected)));
    EXPECT_NE(tree.FindVariable(u"ProgramFiles"), nullptr);
}
