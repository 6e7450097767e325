// kznload: the desktop program. Its only command-line options are --version and --help; the
// folder it is started in is its catalogue folder.
#include <cstdio>
#include <cstring>

#include "app/qt/loader_app.h"

namespace {

constexpr const char* kUsageText =
    "Usage: kznload [--version | --help]\n"
    "\n"
    "Writes a program or a language version into a KZN GPS receiver over a serial line.\n"
    "Start it in the folder that holds the receiver catalogue chgt.cfg and the language\n"
    "files it names. Settings: $XDG_CONFIG_HOME/kznload.INI (default ~/.config).\n"
    "kznload-cli does the same loads from a command line.\n";

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before any window exists, so they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("kznload %s\n", KZN_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsageText, stdout);
      return 0;
    }
  }
  CLoaderApp application(argc, argv);
  application.InitInstance();
  return 0;
}
