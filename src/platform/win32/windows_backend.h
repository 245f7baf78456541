// The Windows backend's entry, for WinMain alone: what the system hands the
// program at its start that the backend keeps.
#pragma once

#include <windows.h>

namespace platform {

// Keeps the module and the show command the entry received (the screen
// window is shown with it) and registers the screen window's class
// "MyClass"; false when the class can't be registered.
bool StartWindowsBackend(HINSTANCE instance, int showCommand);

}  // namespace platform
