// The command line of kznload-cli: its commands and their options.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"

enum class CliCommand { kHelp, kVersion, kLoad, kList, kInfo, kPorts, kJournal };

// `journal`: the raw lines or a table, of the loads that started on those days (UTC) and
// on that port.
struct CliJournalOptions {
  bool json = false;
  std::optional<std::string> since;  // YYYY-MM-DD, the first day shown
  std::optional<std::string> until;  // YYYY-MM-DD, the last day shown
  std::optional<int> port;
};

struct CliOptions {
  CliCommand command = CliCommand::kHelp;
  std::optional<std::string> type;     // display name of the receiver type
  std::optional<std::string> version;  // language-version label (standard mode)
  std::optional<std::string> file;     // file to send (expert mode)
  int portNumber = 1;                  // COM1 to COM4
  std::optional<std::string> device;   // device path for that port
  // A run on several ports: --port 1,2,3 (each resolved through the settings) and
  // --device N=PATH (the port number N keeps that device's marker and dump).
  std::vector<int> portNumbers;
  std::vector<std::pair<int, std::string>> portDevices;
  bool watch = false;                          // load every adapter that appears
  std::optional<std::string> watchFolder;      // look for them there instead of the system's list
  bool keepUserData = false;                   // the keep-user-data check box
  std::optional<Language> language;            // unset: the stored language
  std::optional<bool> answer;                  // answers every Yes/No question when set
  std::string infoFile;                        // the file of `info`
  std::optional<std::string> catalogueFolder;  // --catalogue: where chgt.cfg is
  CliJournalOptions journal;                   // the choices of `journal`
};

// More than one port, or --watch: the run of several ports.
inline bool IsSeveralPortRun(const CliOptions& options) {
  return options.watch || options.portNumbers.size() + options.portDevices.size() > 1;
}

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
