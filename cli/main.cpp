// kznload-cli: the loads of the desktop program from a command line, for scripts and
// production lines. The program's entry is one file per platform (entry_posix.cpp,
// entry_win32.cpp), which hands the arguments over in UTF-8.
#include <iostream>
#include <string>
#include <vector>

#include "app/load_journal.h"
#include "app/loader_session.h"
#include "app/main_window_logic.h"
#include "base/messages.h"
#include "base/places.h"
#include "base/settings_store.h"
#include "cli/cli_commands.h"
#include "cli/cli_console.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_journal.h"
#include "cli/cli_main.h"
#include "cli/cli_multi_port.h"
#include "cli/cli_options.h"
#include "cli/cli_system_ports.h"
#include "cli/cli_texts.h"
#include "cli/cli_user_interaction.h"
#include "serial/port_discovery.h"
#include "serial/port_trace.h"

namespace {

int RunWithCatalogue(const CliOptions& options, CCliUserInteraction& ui,
                     InterruptSource& interrupts, bool errIsTerminal) {
  SetPortTraceSink([&ui](const std::string& text) { ui.WriteDiagnostic(text); });
  // Declared before the session's port, so the port's last words still reach `ui`.
  struct TraceSinkReset {
    ~TraceSinkReset() { SetPortTraceSink(nullptr); }
  } traceSinkReset;
  // The desktop program's settings: the language, the port devices, its catalogue folder and
  // the markers are read; only the markers are ever written.
  CLoaderSession session(ui, CSettingsStore::DefaultPath(), options.device);
  CSettingsStore& settings = session.settings;
  const Language language = ChooseCliLanguage(options, settings);
  const std::string folder = CliCatalogueFolder(options, settings, language, std::cerr);
  if (folder.empty()) return kExitFailed;
  ui.SetLanguage(language);
  CLoaderState& w = session.state;
  w.language = language;
  w.catalogueFolder = folder;

  if (options.command == CliCommand::kList) {
    return ListReceiverTypes(w.catalogueFolder, ui, language, std::cout);
  }
  CLoadJournal journal(DefaultJournalPath(), "kznload-cli",
                       [&ui](const std::string& line) { ui.WriteDiagnostic(line); });
  if (IsSeveralPortRun(options)) {
    std::unique_ptr<PortDiscovery> discovery;
    if (options.watch) {
      discovery = CreateWatchDiscovery(options.watchFolder);
      if (!discovery) {
        std::cerr << "kznload-cli: --watch-folder is not available here\n";
        return kExitUsage;
      }
    }
    return RunSeveralPorts(options, w.catalogueFolder, settings, language, ui, interrupts,
                           std::cout, std::cerr, errIsTerminal, discovery.get(), &journal);
  }
  int selected = SelectFileToSend(w, options, std::cerr);
  if (selected != kExitLoaded) return selected;
  session.AttachJournal(journal, DescribeSystemAdapter);
  const LoadOutcome outcome = StartLoad(w);
  // The device the load used; one that never opened the port names what COMn names.
  std::string device = session.port.DevicePath();
  if (device.empty()) device = session.ResolveDevice(options.portNumber);
  ui.TellLoadOutcome(outcome, options.portNumber, device);
  return outcome.Loaded() ? kExitLoaded : kExitFailed;
}

}  // namespace

int RunCli(const std::vector<std::string>& args) {
  // Before anything starts a thread: every thread after it leaves SIGINT to this one.
  InterruptSource& interrupts = InstallProcessInterrupts();

  PrepareConsoleOutput();
  // Usage errors and --help speak --lang, else the stored language.
  const Language usageLanguage = LanguageOfCommandLine(args).value_or(
      ChooseCliLanguage(CliOptions{}, CSettingsStore(CSettingsStore::DefaultPath())));
  CliParseResult parsed = ParseCommandLine(args, usageLanguage);
  if (!parsed.options) {
    std::cerr << "kznload-cli: " << parsed.error << '\n'
              << Say(usageLanguage, {"Try 'kznload-cli --help'.", "Essayez 'kznload-cli --help'."})
              << '\n';
    return kExitUsage;
  }
  const CliOptions& options = *parsed.options;
  if (options.command == CliCommand::kHelp) {
    std::cout << CliUsageText(usageLanguage);
    return kExitLoaded;
  }
  if (options.command == CliCommand::kVersion) {
    std::cout << "kznload-cli " KZN_VERSION "\n";
    return kExitLoaded;
  }
  if (options.command == CliCommand::kJournal) {
    return ShowJournal(DefaultJournalPath(), options.journal, std::cout, std::cerr);
  }
  if (options.command == CliCommand::kPorts) {
    const CSettingsStore settings(CSettingsStore::DefaultPath());
    return ListSystemPorts(settings, std::cout);
  }

  CliConsole console{std::cout, std::cerr};
  DescribeConsole(console);
  CCliUserInteraction ui(console, interrupts, options.answer);

  if (options.command == CliCommand::kInfo) {
    return ShowHeaderRecord(options.infoFile, ui, usageLanguage, std::cout, std::cerr);
  }
  return RunWithCatalogue(options, ui, interrupts, console.errIsTerminal);
}
