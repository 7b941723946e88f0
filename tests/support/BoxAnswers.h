// Answers the program's message boxes for a test: the next boxes shown get the given buttons,
// in order, and what they asked is kept.
#pragma once

#include "res/resource.h"
#include "support/WinTestSupport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace varnook::testing {

class BoxAnswers {
public:
    explicit BoxAnswers(std::vector<int> buttons) : buttons_(std::move(buttons))
    {
        self_ = this;
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~BoxAnswers()
    {
        KillTimer(nullptr, timer_);
        self_ = nullptr;
    }
    BoxAnswers(const BoxAnswers&) = delete;
    BoxAnswers& operator=(const BoxAnswers&) = delete;

    const std::vector<std::wstring>& Asked() const { return asked_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!self_ || self_->buttons_.empty())
            return;
        HWND box = VisibleDialog();
        if (!box)
            return;
        wchar_t text[1024]{};
        GetDlgItemTextW(box, IDC_MSG_TEXT, text, 1024);
        self_->asked_.push_back(text);
        const int button = self_->buttons_.front();
        self_->buttons_.erase(self_->buttons_.begin());
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    }

    static inline BoxAnswers* self_ = nullptr;
    std::vector<int> buttons_;
    std::vector<std::wstring> asked_;
    UINT_PTR timer_ = 0;
};

} // namespace varnook::testing
