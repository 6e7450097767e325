// The command line of kznload-cli: the three commands and their options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"

enum class CliCommand { kHelp, kVersion, kLoad, kList, kInfo, kPorts };

struct CliOptions {
  CliCommand command = CliCommand::kHelp;
  std::optional<std::string> type;             // display name of the receiver type
  std::optional<std::string> version;          // language-version label (standard mode)
  std::optional<std::string> file;             // file to send (expert mode)
  int portNumber = 1;                          // COM1 to COM4
  std::optional<std::string> device;           // device path for that port
  bool keepUserData = false;                   // the keep-user-data check box
  std::optional<Language> language;            // unset: the stored language
  std::optional<bool> answer;                  // answers every Yes/No question when set
  std::string infoFile;                        // the file of `info`
  std::optional<std::string> catalogueFolder;  // --catalogue: where chgt.cfg is
};

struct CliParseResult {
  std::optional<CliOptions> options;  // set when the command line is usable
  std::string error;                  // why it is not, for standard error
};

// `args` are the arguments after the program's name; an error is told in `language`.
CliParseResult ParseCommandLine(const std::vector<std::string>& args,
                                Language language = Language::kEnglish);

// The language --lang names, before the command line is known to be usable (its usage
// errors and --help speak it); none without a valid --lang.
std::optional<Language> LanguageOfCommandLine(const std::vector<std::string>& args);

// Exit statuses of the program.
inline constexpr int kExitLoaded = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
