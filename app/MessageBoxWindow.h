// What the three message boxes share: one layout, one dialog procedure, one modal run.
#pragma once

#include "app/ModalResult.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace varnook {

struct TMessageBoxSetup {
    int templateId = 0;
    std::optional<std::u16string> caption; // translated; none keeps the template's, translated
    const wchar_t* icon = nullptr;         // a predefined icon (IDI_...), or none
    std::u16string_view text;
    TModalResult escResult = mrCancel;     // what Esc answers
    int focusId = IDOK;                    // the button with the focus, which Enter presses
};

// Creates the box over the active window, runs it modally and releases it.
TModalResult ShowMessageBox(const TMessageBoxSetup& setup);

// A string resource of the executable, translated as it is loaded.
std::u16string LoadResString(UINT id);

} // namespace varnook
