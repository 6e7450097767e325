#include "cli/cli_options.h"

#include <string_view>

#include "base/messages.h"
#include "cli/cli_journal.h"
#include "cli/cli_multi_port.h"

const char* const kCliUsageText =
    R"(Usage:
  kznload-cli load --type NAME (--version LABEL | --file PATH) [--port N] [--device PATH]
                   [--keep-user-data] [--lang fr|en] [--answer yes|no]
  kznload-cli load --type NAME (--version LABEL | --file PATH) [--port N,N...]
                   [--device N=PATH]... [--watch | --watch-folder DIR] [...]
  kznload-cli list [--lang fr|en]
  kznload-cli info FILE
  kznload-cli ports
  kznload-cli journal [--json] [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--port N]
  kznload-cli --version | --help

Writes a program or a language version into a GPS receiver over a serial line, with the
receiver catalogue chgt.cfg and the language files of the current directory.

  load    --type NAME        receiver type, by its name as `list` shows it
          --version LABEL    language version, by its label in the running language
          --file PATH        send this file instead (expert mode)
          --port N           serial port 1 to 4 (default 1)
          --device PATH      device of that port (default: "COMMUNICATION"/"COMn" of the
                             settings, else the n-th of /dev/ttyUSB*, ttyACM*, ttyS*;
                             on Windows the device COMn itself, or a name such as COM12)
          --port N,N...      several ports in one run, each loaded at the same time
          --device N=PATH    the device of port N (1 to 99), once per port; the port
                             number keeps that receiver's marker and table dump
          --watch            load every serial adapter that appears, until Ctrl+C; each
                             adapter keeps a port number of its own (from 5) in the
                             settings
          --watch-folder DIR the same, for the serial devices and by-id links in DIR
          --keep-user-data   the receiver keeps its user data (second family)
          --lang fr|en       language of the messages (default: the stored one, else en)
          --answer yes|no    answers every question; without it questions are asked on a
                             terminal; with no terminal, 108 and 115 are answered Yes (stop)
                             and an unfinished load (134) stops before anything is sent
  list    every receiver type with its family tag and its language versions
          (type lines: NAME<TAB>TAG; version lines: <TAB>LABEL<TAB>FILE<TAB>VERSION)
  info    the header record of FILE: form, counted length, version text
  ports   the serial devices (USB vendor, product, serial number, /dev/serial/by-id name)
          and the device each of COM1 to COM4 leads to
  journal the journal of loads, one line per load from either program, as a table:
          start (UTC), port, device, type, version or file, outcome, records, duration
          --json             the journal's own lines (JSON) instead of the table
          --since/--until D  only loads that started on day D (UTC) or after / or before
          --port N           only loads on COMn
          The journal: $XDG_STATE_HOME/kznload/journal.jsonl (default
          ~/.local/state/kznload), %LOCALAPPDATA%\kznload\journal.jsonl on Windows.

Standard output holds the messages, one "[NNN] text" line each (NNN from 101 to 146 in
both languages; a multi-line message goes on over the following lines), "[answer] Yes"
or "[answer] No" after a question, "[serial] text" and "[file] text" for the serial
port's and the file reader's own messages; a load stopped where no box tells it ends with
"[cancelled] text", one refused in the program's own words with "[refused] text". Progress goes to standard error. Ctrl+C is the cancel button; a second
Ctrl+C while the question is open answers it No; with no terminal and no --answer it counts
as confirmed. SIGTERM and SIGHUP stop a load as a confirmed cancel; on Windows Ctrl+Break
is Ctrl+C, and closing the console, logging off or shutting down is SIGTERM.

A run of several ports asks nothing: --answer answers for every port, and without it every
question gets the answer that loses nothing. Each message line starts with its port
("COM2: [123] ..."); standard error has one live line per port on a terminal, else lines
with a time stamp and the port; a summary table ends the run.

Exit status: 0 loaded (every port, in a run of several), 1 failed, refused or cancelled, 2
usage error (bad option, unknown type or version, missing file).

Examples:
  kznload-cli list --lang en
  kznload-cli load --type VR540 --version "English version" --port 2
  kznload-cli load --type TK20B --file ./TK20B.gb --device /dev/ttyUSB0 --answer no
  kznload-cli load --type TK10B --version "English version" --port 1,2,3,4
  kznload-cli load --type VR540 --file VR540.gb --device 5=/dev/ttyUSB0 --device 6=/dev/ttyUSB1
  kznload-cli load --type TK20B --version "English version" --watch --answer no
  kznload-cli info VR540.gb
  kznload-cli ports
  kznload-cli journal --since 2025-03-01 --port 2
)";

namespace {

struct OptionSpec {
  std::string_view name;
  bool takesValue;
};

constexpr OptionSpec kLoadOptions[] = {
    {"--type", true},   {"--version", true},         {"--file", true}, {"--port", true},
    {"--device", true}, {"--keep-user-data", false}, {"--lang", true}, {"--answer", true},
    {"--watch", false}, {"--watch-folder", true},
};
constexpr OptionSpec kListOptions[] = {{"--lang", true}};

bool IsHelp(std::string_view arg) {
  return arg == "--help" || arg == "-h";
}

CliParseResult Fail(std::string error) {
  CliParseResult result;
  result.error = std::move(error);
  return result;
}

CliParseResult Help() {
  CliParseResult result;
  result.options = CliOptions{};
  return result;
}

// "1" to "4" exactly: a port number that a script got wrong must not silently pick another.
std::optional<int> ParsePortNumber(std::string_view text) {
  if (text.size() != 1 || text[0] < '1' || text[0] > '4') return std::nullopt;
  return text[0] - '0';
}

// Applies one option with its value to `options`; returns an error text or "".
std::string ApplyOption(std::string_view name, const std::string& value, CliOptions& options) {
  if (name == "--type") {
    options.type = value;
  } else if (name == "--version") {
    options.version = value;
  } else if (name == "--file") {
    if (value.empty()) return "--file needs a file name";
    options.file = value;
  } else if (name == "--port") {
    if (value.find(',') != std::string::npos) {
      std::string error;
      std::optional<std::vector<int>> ports = ParsePortList(value, &error);
      if (!ports) return error;
      options.portNumbers = *ports;
      options.portNumber = ports->front();
      return "";
    }
    std::optional<int> port = ParsePortNumber(value);
    if (!port) return "--port takes a port number from 1 to 4, not '" + value + "'";
    options.portNumber = *port;
    options.portNumbers = {*port};
  } else if (name == "--device") {
    if (value.empty()) return "--device needs a device path";
    // "N=PATH": port number N (1 to 99) keeps this device's marker and dump.
    const std::size_t eq = value.find('=');
    if (eq != std::string::npos && eq > 0 && eq <= 2 &&
        value.find_first_not_of("0123456789") == eq) {
      const int port = std::stoi(value.substr(0, eq));
      if (port < 1 || eq + 1 == value.size()) return "--device takes N=PATH with N from 1 to 99";
      for (const auto& [known, path] : options.portDevices) {
        if (known == port) return "--device names port " + std::to_string(port) + " twice";
      }
      options.portDevices.emplace_back(port, value.substr(eq + 1));
      return "";
    }
    if (options.device) return "--device is given twice";
    options.device = value;
  } else if (name == "--watch") {
    options.watch = true;
  } else if (name == "--watch-folder") {
    if (value.empty()) return "--watch-folder needs a folder";
    options.watch = true;
    options.watchFolder = value;
  } else if (name == "--keep-user-data") {
    options.keepUserData = true;
  } else if (name == "--lang") {
    if (value == "fr") {
      options.language = Language::kFrench;
    } else if (value == "en") {
      options.language = Language::kEnglish;
    } else {
      return "--lang takes fr or en, not '" + value + "'";
    }
  } else if (name == "--answer") {
    if (value != "yes" && value != "no") return "--answer takes yes or no, not '" + value + "'";
    options.answer = value == "yes";
  }
  return "";
}

template <std::size_t N>
CliParseResult ParseOptions(const std::vector<std::string>& args, const OptionSpec (&specs)[N],
                            const std::string& command, CliOptions options) {
  std::vector<std::string_view> seen;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (IsHelp(arg)) return Help();
    std::string_view name = arg;
    std::optional<std::string> inlineValue;
    if (std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = std::string_view(arg).substr(0, eq);
      inlineValue = arg.substr(eq + 1);
    }
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& candidate : specs) {
      if (candidate.name == name) spec = &candidate;
    }
    if (spec == nullptr) {
      if (arg.rfind("-", 0) == 0) return Fail("unknown option '" + arg + "' for " + command);
      return Fail("unexpected argument '" + arg + "' for " + command);
    }
    for (std::string_view earlier : seen) {
      // --device comes once a port in a run of several.
      if (earlier == spec->name && spec->name != "--device")
        return Fail(std::string(spec->name) + " is given twice");
    }
    seen.push_back(spec->name);
    std::string value;
    if (spec->takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return Fail(std::string(spec->name) + " needs a value");
      }
    } else if (inlineValue) {
      return Fail(std::string(spec->name) + " takes no value");
    }
    std::string error = ApplyOption(spec->name, value, options);
    if (!error.empty()) return Fail(error);
  }
  CliParseResult result;
  result.options = std::move(options);
  return result;
}

}  // namespace

CliParseResult ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return Fail("no command given");
  const std::string& command = args[0];
  if (IsHelp(command) || command == "help") return Help();
  if (command == "--version") {
    if (args.size() > 1) return Fail("--version takes no arguments");
    CliParseResult result;
    result.options = CliOptions{};
    result.options->command = CliCommand::kVersion;
    return result;
  }

  CliOptions options;
  if (command == "load") {
    options.command = CliCommand::kLoad;
    CliParseResult result = ParseOptions(args, kLoadOptions, command, options);
    if (!result.options || result.options->command == CliCommand::kHelp) return result;
    const CliOptions& load = *result.options;
    if (!load.type) return Fail("load needs --type NAME");
    if (load.version && load.file) return Fail("give either --version or --file, not both");
    if (!load.version && !load.file) return Fail("load needs --version LABEL or --file PATH");
    if (load.watch && (load.device || !load.portDevices.empty() || load.portNumbers.size() > 1))
      return Fail("--watch finds its ports itself: no --port list or --device with it");
    if (load.device && !load.portDevices.empty())
      return Fail("give every port's device as --device N=PATH");
    if (load.device && load.portNumbers.size() > 1)
      return Fail("a run of several ports takes each device as --device N=PATH");
    CliOptions& single = *result.options;
    // One port named with its device is the load of one port.
    if (!single.watch && single.portDevices.size() == 1 && single.portNumbers.size() <= 1 &&
        (single.portNumbers.empty() || single.portNumbers[0] == single.portDevices[0].first)) {
      single.portNumber = single.portDevices[0].first;
      single.device = single.portDevices[0].second;
      single.portDevices.clear();
      single.portNumbers.clear();
    }
    if (!IsSeveralPortRun(single) && single.portNumber > 4 && !single.device)
      return Fail("port " + std::to_string(single.portNumber) +
                  " needs its device: --device N=PATH");
    return result;
  }
  if (command == "list") {
    options.command = CliCommand::kList;
    return ParseOptions(args, kListOptions, command, options);
  }
  if (command == "info") {
    options.command = CliCommand::kInfo;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (IsHelp(args[i])) return Help();
      // "--" ends the options, so a file whose name starts with '-' can be shown.
      if (args[i] == "--") {
        files.insert(files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
        break;
      }
      if (args[i].size() > 1 && args[i][0] == '-') {
        return Fail("unknown option '" + args[i] + "' for info");
      }
      files.push_back(args[i]);
    }
    if (files.size() != 1) return Fail("info needs exactly one FILE");
    options.infoFile = files[0];
    CliParseResult result;
    result.options = options;
    return result;
  }
  if (command == "ports") {
    options.command = CliCommand::kPorts;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (IsHelp(args[i])) return Help();
      return Fail("ports takes no arguments, not '" + args[i] + "'");
    }
    CliParseResult result;
    result.options = options;
    return result;
  }
  if (command == "journal") return ParseJournalCommand(args);
  return Fail("unknown command '" + command + "'");
}
