// The exclusion editor: one entry of an exclusion list, its name and its two options.
#pragma once

#include "core/Exclusions.h"
#include "platform/win32/Handles.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace varnook {

class TfrmExclusionVar {
public:
    // Edits the entry of name in the list (an empty name creates a new entry). True when the
    // user confirmed; storedName, if given, then receives the name as stored.
    static bool createAndShowModal(TExclusions& exclusions, std::u16string_view name,
                                   std::u16string* storedName = nullptr);

    TfrmExclusionVar(const TfrmExclusionVar&) = delete;
    TfrmExclusionVar& operator=(const TfrmExclusionVar&) = delete;

private:
    TfrmExclusionVar(TExclusions& list, std::u16string_view name) : exclusions(list), initialName(name) {}

    void FormCreate();
    // Checks the input and shows the verdict: the message with the error image and OK
    // unavailable, or an empty line and OK available.
    void Validate();
    std::u16string TypedName() const;
    bool Confirm();
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    TExclusions& exclusions; // not owned
    std::u16string initialName;
    std::u16string stored;
    HWND FHandle = nullptr;
    bool FReady = false; // the text set while opening is no change of the user's
    platform::unique_hicon FErrorIcon;
};

} // namespace varnook
