// The application object: shows the main window modally with everything it owns, and the
// program ends when the window closes.
#pragma once

#include <windows.h>

class CLoaderApp {
 public:
  // Builds the main window (steady clock, settings store, serial port, window state),
  // initialises it and shows it modally; false once it has closed, so the program ends
  // without a message loop of its own.
  bool InitInstance();
};
