// The program's life outside the message loop.
#pragma once
#include <windows.h>

#include <string>

// Tells a running instance it was started again; true when there was one.
bool NotifyRunningInstance();
// Everything from the settings to the hidden, filled window, with the settings
// file and the data directory in `directory`. Returns the window, or null after
// telling the user that it could not be made.
HWND StartUp(HINSTANCE instance, const std::string& directory);
// Returns the quit message's code.
int RunMessageLoop();
// After the loop: drop a keep-until-exit history, tidy the store, save the settings.
void ShutDown();
