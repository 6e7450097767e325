// The wide entry (linked with -municode): Windows hands `main` its arguments in the ANSI code
// page, which cannot hold every folder name; `wmain` gets them whole. Reading them here, and
// not through CommandLineToArgvW, keeps shell32 and with it user32 out of the process, which
// would otherwise keep the logoff and shutdown events from the console control handler.
#include "base/wide_text.h"
#include "cli/cli_main.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(Utf8FromWide(argv[i]));
  return RunCli(args);
}
