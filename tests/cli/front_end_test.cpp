// kznload-cli beyond loading: `ports` over a fake discovery, --version, the catalogue path
// after message 110, the settings left alone, and the progress bar's times.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "base/settings_store.h"
#include "cli/cli_options.h"
#include "cli/cli_ports.h"
#include "cli/cli_progress.h"
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
  EXPECT_EQ(out.str(),
            "COM1  " + dev.File("ttyUSB0") +
                "  FTDI FT232R USB UART, USB 0403:6001, serial A1B2C3\n"
                "      by-id: /dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0\n"
                "COM2  /dev/pts/7  (COMMUNICATION/COM2 of the settings; not a serial device "
                "found here)\n"
                "COM3  " +
                dev.File("ttyS0") + "\nCOM4  " + dev.File("ttyS1") +
                "\n"
                "Other serial devices:\n"
                "      " +
                dev.File("ttyACM0") +
                "  u-blox AG GNSS receiver, USB 1546:01a8\n"
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

TEST(CliCommandLine, VersionAndPortsTakeNoArguments) {
  const struct {
    std::vector<std::string> args;
    bool usable;
    CliCommand command;
  } cases[] = {
      {{"--version"}, true, CliCommand::kVersion},
      {{"ports"}, true, CliCommand::kPorts},
      {{"ports", "--help"}, true, CliCommand::kHelp},
      {{"ports", "COM1"}, false, {}},
      {{"--version", "x"}, false, {}},
      // In a load --version is still the language version's label.
      {{"load", "--type", "VR540", "--version", "English version"}, true, CliCommand::kLoad},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    CliParseResult parsed = ParseCommandLine(c.args);
    ASSERT_EQ(parsed.options.has_value(), c.usable) << parsed.error;
    if (c.usable) {
      EXPECT_EQ(parsed.options->command, c.command);
    }
  }
}

// The programs as a user starts them, in an empty folder with settings of their own.
class CliOutsideACatalogue : public ::testing::Test {
 protected:
  CliResult Cli(const std::vector<std::string>& args) {
    return RunCli(args, work.Path(), config.Path());
  }
  TempDir work, config;
};

TEST_F(CliOutsideACatalogue, VersionAndPortsWorkAndWriteNoSettings) {
  CliResult version = Cli({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, "kznload-cli " + std::string(KZN_PROJECT_VERSION) + "\n");
  CliResult ports = Cli({"ports"});
  EXPECT_EQ(ports.exitStatus, 0) << ports.err;
  for (const char* com : {"COM1  ", "\nCOM2  ", "\nCOM3  ", "\nCOM4  "})
    EXPECT_NE(ports.out.find(com), std::string::npos) << com << " in\n" << ports.out;
  EXPECT_FALSE(config.Exists("kznload.INI"));
}

TEST_F(CliOutsideACatalogue, Message110IsFollowedByTheFileThatWasLookedFor) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"list"},
        std::vector<std::string>{"load", "--type", "VR540", "--version", "x", "--port", "2"}}) {
    SCOPED_TRACE(args[0]);
    CliResult run = Cli(args);
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.out, "[110] Error opening ini file.\n[file] " + work.File("chgt.cfg") + ": " +
                           std::strerror(ENOENT) + "\n");
  }
  // Neither the port nor anything else was remembered.
  EXPECT_FALSE(config.Exists("kznload.INI"));
}

TEST(CliProgressBar, ShowsElapsedTimeAndDuringTheTransferTheTimeLeft) {
  std::int64_t now = 1000000;
  std::ostringstream err;
  CProgressLine line(err, true, 200, [&now] { return now; });
  line.Open();
  line.SetText("Waking");
  now += 5000;
  line.Tick();
  EXPECT_NE(err.str().find("Waking [--------------------] 0% 0:05"), std::string::npos)
      << err.str();
  EXPECT_EQ(err.str().find("left"), std::string::npos);
  line.SetText("Loading");
  line.SetTransfer(true);
  now += 30000;  // a quarter in 30 s: 90 s to go
  line.SetPosition(25);
  EXPECT_NE(err.str().find("Loading [#####---------------] 25% 0:35, 1:30 left"), std::string::npos)
      << err.str();
  const std::size_t written = err.str().size();
  now += 400;  // within the same second nothing is redrawn
  line.Tick();
  EXPECT_EQ(err.str().size(), written);
}

TEST(CliProgressBar, PlainLinesCarryNoTimes) {
  std::int64_t now = 0;
  std::ostringstream err;
  CProgressLine line(err, false, 80, [&now] { return now; });
  line.Open();
  line.SetText("Loading");
  line.SetTransfer(true);
  now += 61000;
  line.Tick();
  line.SetPosition(50);
  EXPECT_EQ(err.str(), "[progress] 0% Loading\n[progress] 50% Loading\n");
}

}  // namespace
