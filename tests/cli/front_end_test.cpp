// kznload-cli beyond loading: `ports` over a fake discovery, --version, the catalogue path
// after message 110, the settings left alone, and the progress bar's times.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <sstream>

#include "base/messages.h"
#include "base/settings_store.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_options.h"
#include "cli/cli_ports.h"
#include "cli/cli_progress.h"
#include "cli/cli_user_interaction.h"
#include "serial/port_discovery.h"
#include "tests/cli/cli_process.h"
#include "tests/support/temp_dir.h"

namespace {

class FakeDiscovery : public PortDiscovery {
 public:
  std::vector<SerialPortInfo> FindPorts() const override { return ports; }
  std::vector<SerialPortInfo> ports;
};

TEST(CliPorts, ListsEachComPortWithItsAdapterThenTheDevicesNoPortReaches) {
  TempDir dev, config;
  for (const char* name : {"ttyUSB0", "ttyACM0", "ttyS0", "ttyS1"})
    dev.Write(name, "");
  FakeDiscovery discovery;
  // Given out of order, as udev may.
  discovery.ports = {
      {dev.File("ttyS1"), "", "", "", "", "", ""},
      {dev.File("ttyACM0"), "/dev/serial/by-id/usb-u-blox_GNSS-if00", "1546", "01a8", "u-blox AG",
       "GNSS receiver", ""},
      {dev.File("ttyS0"), "", "", "", "", "", ""},
      {dev.File("ttyUSB0"), "/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0", "0403", "6001",
       "FTDI", "FT232R USB UART", "A1B2C3"},
  };
  CSettingsStore settings(config.File("kznload.INI"));
  settings.SetText("COMMUNICATION", "COM2", "/dev/pts/7");
  const std::string before = config.Read("kznload.INI");
  std::ostringstream out;
  EXPECT_EQ(ListPorts(settings, discovery, out, dev.Path()), kExitLoaded);
  const std::string d = dev.Path() + "/";
  EXPECT_EQ(out.str(), "COM1  " + d +
                           "ttyUSB0  FTDI FT232R USB UART, USB 0403:6001, serial A1B2C3\n"
                           "      by-id: /dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0\n"
                           "COM2  /dev/pts/7  (COMMUNICATION/COM2 of the settings; not a serial "
                           "device found here)\nCOM3  " +
                           d + "ttyS0\nCOM4  " + d + "ttyS1\nOther serial devices:\n      " + d +
                           "ttyACM0  u-blox AG GNSS receiver, USB 1546:01a8\n"
                           "      by-id: /dev/serial/by-id/usb-u-blox_GNSS-if00\n");
  EXPECT_EQ(config.Read("kznload.INI"), before);
}

TEST(CliPorts, NoDeviceAtAllSaysSo) {
  TempDir dev, config;
  FakeDiscovery discovery;
  CSettingsStore settings(config.File("kznload.INI"));
  std::ostringstream out;
  ListPorts(settings, discovery, out, dev.Path());
  EXPECT_EQ(out.str(), "COM1  none\nCOM2  none\nCOM3  none\nCOM4  none\nNo serial device found.\n");
}

// The program as a user starts it, in an empty folder with settings of its own.
TEST(CliOutsideACatalogue, Message110IsFollowedByTheFileThatWasLookedFor) {
  TempDir work, config;
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"list"}, {"load", "--type", "VR540", "--version", "x", "--port", "2"}}) {
    SCOPED_TRACE(args[0]);
    CliResult run = RunCli(args, work.Path(), config.Path());
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.out, "[110] Error opening ini file.\n[file] " + work.File("chgt.cfg") + ": " +
                           std::strerror(ENOENT) + "\n");
  }
  // Neither the port nor anything else was remembered.
  EXPECT_FALSE(config.Exists("kznload.INI"));
}

// Nothing pressed, nothing to stop.
class QuietInterrupts : public InterruptSource {
 public:
  bool TakePress() override { return false; }
  void DiscardPresses() override {}
  WakeHandle Wake() const override { return kNoWake; }
  void SetWatching(bool) override {}
  int StopSignal() const override { return 0; }
};

// A question asked at a terminal: its prompt in the language of the run, and either
// language's word for yes.
TEST(CliQuestions, ThePromptSpeaksTheLanguageOfTheRunAndTakesEitherYes) {
  const struct {
    Language language;
    std::string typed, prompt;
    int answer;
  } cases[] = {
      {Language::kFrench, " Oui\n", "Oui ou Non ? [o/N] ", kResultYes},
      {Language::kFrench, "n\n", "Oui ou Non ? [o/N] ", kResultNo},
      {Language::kEnglish, "yes\n", "Yes or No? [y/N] ", kResultYes},
      {Language::kEnglish, "o\n", "Yes or No? [y/N] ", kResultYes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    int typed[2];
    ASSERT_EQ(::pipe(typed), 0);
    ASSERT_EQ(::write(typed[1], c.typed.data(), c.typed.size()),
              static_cast<ssize_t>(c.typed.size()));
    ::close(typed[1]);
    std::ostringstream out, err;
    CliConsole console{out, err};
    console.inputFd = typed[0];
    console.inputIsTerminal = true;
    QuietInterrupts interrupts;
    CCliUserInteraction ui(console, interrupts, std::nullopt);
    ui.SetLanguage(c.language);
    const std::string question = LoadMessageText(kMsgLastLoadingUnfinished, c.language);
    EXPECT_EQ(ui.ShowMessageBox(
                  {kMsgLastLoadingUnfinished, c.language, question, "", kStyleQuestion, {}}),
              c.answer);
    ::close(typed[0]);
    // Standard output is no terminal here: the question is repeated above the prompt.
    EXPECT_EQ(err.str(), question + "\n" + c.prompt);
    EXPECT_EQ(out.str(),
              "[134] " + question + "\n[answer] " + (c.answer == kResultYes ? "Yes" : "No") + "\n");
  }
}

// The bar tells the time left of the step under way, from the step's own pace: the
// transfer begins under the read-out's 90 % and spends its first seconds waking the
// receiver, and neither counts.
TEST(CliProgressBar, ShowsElapsedTimeAndTheTimeLeftOfTheStepUnderWay) {
  std::int64_t now = 1000000;
  std::ostringstream err;
  CProgressLine line(err, true, 200, [&now] { return now; });
  line.Open();
  line.SetText("Reading");
  for (int position = 10; position <= 90; position += 10) {
    now += 500;
    line.SetPosition(position);
  }
  line.SetText("Loading");
  line.SetPosition(0);
  now += 6000;  // the wake-up
  line.Tick();
  EXPECT_NE(err.str().find("Loading [--------------------] 0% 0:10"), std::string::npos)
      << err.str();
  const std::size_t transferFrom = err.str().size();
  line.SetPosition(1);  // the first record goes out
  for (int position = 2; position <= 25; ++position) {
    now += 1000;  // a percent a second: 75 s to go at 25 %
    line.SetPosition(position);
  }
  EXPECT_NE(err.str().find("Loading [#####---------------] 25% 0:34, 1:15 left", transferFrom),
            std::string::npos)
      << err.str().substr(transferFrom);
  const std::size_t written = err.str().size();
  now += 400;  // within the same second nothing is redrawn
  line.Tick();
  EXPECT_EQ(err.str().size(), written);
  now += 600;
  line.Tick();
  EXPECT_NE(err.str().find("25% 0:35, 1:14 left", written), std::string::npos);
  line.SetLanguage(Language::kFrench);
  now += 1000;
  line.Tick();
  EXPECT_NE(err.str().find("25% 0:36, reste 1:13", written), std::string::npos);
}

// A log gets a line per change, without times; a step's line starts from its own 0 %, not
// from the bar the step before left.
TEST(CliProgressBar, PlainLinesCarryNoTimesAndEachStepStartsFromZero) {
  std::int64_t now = 0;
  std::ostringstream err;
  CProgressLine line(err, false, 80, [&now] { return now; });
  line.Open();
  line.SetText("Reading");
  line.SetPosition(90);
  line.SetText("Loading");
  now += 61000;
  line.Tick();
  line.SetPosition(0);
  line.SetPosition(50);
  EXPECT_EQ(err.str(),
            "[progress] 0% Reading\n[progress] 90% Reading\n[progress] 0% Loading\n"
            "[progress] 50% Loading\n");
}

}  // namespace
