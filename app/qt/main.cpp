// kznload: the desktop program. It takes no command-line options; the folder it is started
// in is its catalogue folder.
#include "app/qt/loader_app.h"

int main(int argc, char* argv[]) {
  CLoaderApp application(argc, argv);
  application.InitInstance();
  return 0;
}
