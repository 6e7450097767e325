// kznload.exe: the Windows desktop program. The folder it is started in is its catalogue
// folder; it takes no command-line options.
#include <windows.h>

#include "app/win32/loader_app.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*showCommand*/) {
  CLoaderApp application;
  application.InitInstance();
  return 0;
}
