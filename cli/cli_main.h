// The program kznload-cli, after its platform's entry.
#pragma once

#include <string>
#include <vector>

// Runs the command `args` (the arguments after the program's name, in UTF-8); returns the
// exit status.
int RunCli(const std::vector<std::string>& args);
