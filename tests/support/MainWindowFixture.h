// A main window created in the test's own process, with the options at their defaults, and
// helpers to find and edit its variables as the user would.
#pragma once

#include "app/MainWindow.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace varnook::testing {

inline std::u16string U(const std::wstring& s)
{
    return std::u16string(s.begin(), s.end());
}

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        optionsBackup_ = std::make_unique<KeyBackup>(HKEY_CURRENT_USER, L"Software\\Varnook");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
    }
    void TearDown() override
    {
        window_.reset();
        Pump(50);
    }

    TfrmMain& Open()
    {
        window_ = std::make_unique<TfrmMain>();
        TfrmMain::TStartOptions start;
        start.runCommandLine = false;
        EXPECT_TRUE(window_->Create(start));
        Pump(100);
        return *window_;
    }

    static TNode* Find(const TETree& tree, std::u16string_view name)
    {
        for (TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
            if (TETree::GetVariableName(v) == name)
                return v;
        return nullptr;
    }
    static std::u16string ValueOf(const TETree& tree, std::u16string_view name)
    {
        TNode* v = Find(tree, name);
        return v ? tree.GetVariableValue(v) : u"<missing>";
    }
    // An undoable edit of a variable's value, as the edit operations make them.
    static void Edit(TETree& tree, std::u16string_view name, const std::u16string& value)
    {
        TNode* v = Find(tree, name);
        ASSERT_NE(v, nullptr) << ToUtf8(name);
        tree.PushSnapshot();
        tree.SetVariableValue(v, value);
    }

    std::unique_ptr<KeyBackup> optionsBackup_;
    std::unique_ptr<TfrmMain> window_;
};

} // namespace varnook::testing
