#include "cli/cli_options.h"

#include <string_view>

#include "base/messages.h"
#include "cli/cli_journal.h"
#include "cli/cli_multi_port.h"
#include "cli/cli_texts.h"

namespace {

constexpr CliText kNoCommand{"no command given", "aucune commande donnée"};
constexpr CliText kNeedsFileName{"--file needs a file name", "--file demande un nom de fichier"};
constexpr CliText kBadPort{"--port takes a port number from 1 to 4, not '{}'",
                           "--port demande un numéro de port de 1 à 4, pas '{}'"};
constexpr CliText kNeedsDevice{"--device needs a device path",
                               "--device demande le chemin d'un périphérique"};
constexpr CliText kNeedsFolder{"--catalogue needs a folder", "--catalogue demande un dossier"};
constexpr CliText kBadLanguage{"--lang takes fr or en, not '{}'",
                               "--lang demande fr ou en, pas '{}'"};
constexpr CliText kBadAnswer{"--answer takes yes or no, not '{}'",
                             "--answer demande yes ou no, pas '{}'"};
constexpr CliText kUnknownOption{"unknown option '{}' for {}", "option inconnue '{}' pour {}"};
constexpr CliText kUnexpectedArgument{"unexpected argument '{}' for {}",
                                      "argument inattendu '{}' pour {}"};
constexpr CliText kGivenTwice{"{} is given twice", "{} est donnée deux fois"};
constexpr CliText kNeedsValue{"{} needs a value", "{} demande une valeur"};
constexpr CliText kTakesNoValue{"{} takes no value", "{} ne prend pas de valeur"};
constexpr CliText kVersionAlone{"--version takes no arguments",
                                "--version ne prend pas d'argument"};
constexpr CliText kNeedsType{"load needs --type NAME", "load demande --type NOM"};
constexpr CliText kNotBoth{"give either --version or --file, not both",
                           "donnez --version ou --file, pas les deux"};
constexpr CliText kNeedsVersionOrFile{"load needs --version LABEL or --file PATH",
                                      "load demande --version LIBELLÉ ou --file CHEMIN"};
constexpr CliText kInfoNeedsOneFile{"info needs exactly one FILE",
                                    "info demande exactement un FICHIER"};
constexpr CliText kPortsAlone{"ports takes no arguments, not '{}'",
                              "ports ne prend pas d'argument, pas '{}'"};
constexpr CliText kUnknownCommand{"unknown command '{}'", "commande inconnue '{}'"};

struct OptionSpec {
  std::string_view name;
  bool takesValue;
};

constexpr OptionSpec kLoadOptions[] = {
    {"--type", true},   {"--version", true},      {"--file", true},
    {"--port", true},   {"--device", true},       {"--keep-user-data", false},
    {"--lang", true},   {"--answer", true},       {"--catalogue", true},
    {"--watch", false}, {"--watch-folder", true},
};
constexpr OptionSpec kListOptions[] = {{"--lang", true}, {"--catalogue", true}};

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
std::string ApplyOption(std::string_view name, const std::string& value, CliOptions& options,
                        Language language) {
  if (name == "--type") {
    options.type = value;
  } else if (name == "--version") {
    options.version = value;
  } else if (name == "--file") {
    if (value.empty()) return Say(language, kNeedsFileName);
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
    if (!port) return Say(language, kBadPort, {value});
    options.portNumber = *port;
    options.portNumbers = {*port};
  } else if (name == "--device") {
    if (value.empty()) return Say(language, kNeedsDevice);
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
    if (options.device) return Say(language, kGivenTwice, {"--device"});
    options.device = value;
  } else if (name == "--catalogue") {
    if (value.empty()) return Say(language, kNeedsFolder);
    options.catalogueFolder = value;
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
      return Say(language, kBadLanguage, {value});
    }
  } else if (name == "--answer") {
    if (value != "yes" && value != "no") return Say(language, kBadAnswer, {value});
    options.answer = value == "yes";
  }
  return "";
}

template <std::size_t N>
CliParseResult ParseOptions(const std::vector<std::string>& args, const OptionSpec (&specs)[N],
                            const std::string& command, CliOptions options, Language language) {
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
      if (arg.rfind("-", 0) == 0) return Fail(Say(language, kUnknownOption, {arg, command}));
      return Fail(Say(language, kUnexpectedArgument, {arg, command}));
    }
    for (std::string_view earlier : seen) {
      // --device comes once a port in a run of several.
      if (earlier == spec->name && spec->name != "--device")
        return Fail(Say(language, kGivenTwice, {spec->name}));
    }
    seen.push_back(spec->name);
    std::string value;
    if (spec->takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return Fail(Say(language, kNeedsValue, {spec->name}));
      }
    } else if (inlineValue) {
      return Fail(Say(language, kTakesNoValue, {spec->name}));
    }
    std::string error = ApplyOption(spec->name, value, options, language);
    if (!error.empty()) return Fail(error);
  }
  CliParseResult result;
  result.options = std::move(options);
  return result;
}

}  // namespace

std::optional<Language> LanguageOfCommandLine(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view value;
    if (args[i] == "--lang" && i + 1 < args.size()) {
      value = args[i + 1];
    } else if (args[i].rfind("--lang=", 0) == 0) {
      value = std::string_view(args[i]).substr(7);
    } else {
      continue;
    }
    if (value == "fr") return Language::kFrench;
    if (value == "en") return Language::kEnglish;
  }
  return std::nullopt;
}

CliParseResult ParseCommandLine(const std::vector<std::string>& args, Language language) {
  if (args.empty()) return Fail(Say(language, kNoCommand));
  const std::string& command = args[0];
  if (IsHelp(command) || command == "help") return Help();
  if (command == "--version") {
    if (args.size() > 1) return Fail(Say(language, kVersionAlone));
    CliParseResult result;
    result.options = CliOptions{};
    result.options->command = CliCommand::kVersion;
    return result;
  }

  CliOptions options;
  if (command == "load") {
    options.command = CliCommand::kLoad;
    CliParseResult result = ParseOptions(args, kLoadOptions, command, options, language);
    if (!result.options || result.options->command == CliCommand::kHelp) return result;
    const CliOptions& load = *result.options;
    if (!load.type) return Fail(Say(language, kNeedsType));
    if (load.version && load.file) return Fail(Say(language, kNotBoth));
    if (!load.version && !load.file) return Fail(Say(language, kNeedsVersionOrFile));
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
    return ParseOptions(args, kListOptions, command, options, language);
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
        return Fail(Say(language, kUnknownOption, {args[i], "info"}));
      }
      files.push_back(args[i]);
    }
    if (files.size() != 1) return Fail(Say(language, kInfoNeedsOneFile));
    options.infoFile = files[0];
    CliParseResult result;
    result.options = options;
    return result;
  }
  if (command == "ports") {
    options.command = CliCommand::kPorts;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (IsHelp(args[i])) return Help();
      return Fail(Say(language, kPortsAlone, {args[i]}));
    }
    CliParseResult result;
    result.options = options;
    return result;
  }
  if (command == "journal") return ParseJournalCommand(args);
  return Fail(Say(language, kUnknownCommand, {command}));
}
