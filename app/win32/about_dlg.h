// The About window, reached from the main window's system menu.
#pragma once

#include <windows.h>

// Opens the About window modally over `owner` and returns when the user closes it.
void ShowAbout(HWND owner);
