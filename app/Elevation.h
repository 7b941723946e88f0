// Starting the program again with administrator rights.
#pragma once

#include <windows.h>

#include <string>

namespace varnook {

// Starts the program file through the shell's elevation verb, without arguments, and returns
// once it runs or was refused: 0, or the Win32 error (ERROR_CANCELLED when the user declined).
long RunElevated(const std::u16string& programFile, HWND owner);

// The system's text for an error code, or "Error n" when it has none.
std::u16string SystemErrorText(long error);

} // namespace varnook
