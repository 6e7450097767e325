// The main window's placement between the settings' ten numbers and the system's record.
#pragma once

#include <windows.h>

#include "app/window_settings.h"

// What is stored at close: the system's current placement, flags 2 when the window is
// maximised at that moment, else 0.
WindowPlacement StoredPlacementOf(const WINDOWPLACEMENT& system, bool maximised);

// What the system is given at start. A window closed while minimised opens in its normal
// state: a program that starts as a button on the taskbar looks as if it never started.
WINDOWPLACEMENT SystemPlacementOf(const WindowPlacement& stored);
