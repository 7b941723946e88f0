// The single-instance guard: runs before any window exists.
#pragma once

#include <windows.h>

namespace varnook {

inline constexpr wchar_t kActivateWindowMessageName[] = L"Varnook: Activate Window";
inline constexpr wchar_t kInstanceMutexName[] = L"Varnook";

// Registers the activation message and takes a handle to the instance mutex. When no handle
// can be had, asks the running instance to come forward and ends the process with exit code 0.
void RunSingleInstanceGuard();
// The identifier of "Varnook: Activate Window".
UINT ActivateWindowMessage();

} // namespace varnook
