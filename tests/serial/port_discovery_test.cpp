// Which devices the machine has and which of them COM1 to COM4 are, on a made-up /dev; and
// a stable by-id name in the settings leading a load to its adapter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "base/settings_store.h"
#include "serial/com_device.h"
#include "serial/port_discovery.h"
#include "serial/serial_port.h"
#include "tests/serial/pty_pair.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr const char* kById = "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";

// ttyUSB1 has a by-id link; "ttyUSBx" and "console" are no serial devices of ours.
class MadeUpDev : public ::testing::Test {
 protected:
  MadeUpDev() {
    for (const char* name : {"ttyUSB1", "ttyS0", "ttyACM0", "ttyUSB0", "ttyUSBx", "console"})
      dev.Write(name, "");
    std::filesystem::create_directories(ById());
    std::filesystem::create_symlink("../../ttyUSB1", ById() + "/" + kById);
  }
  std::string ById() const { return dev.File("serial/by-id"); }
  std::vector<SerialPortInfo> Found() const {
    return CFileSystemPortDiscovery(dev.Path(), ById()).FindPorts();
  }

  TempDir dev, config;
  CSettingsStore settings{config.File("kznload.INI")};
};

TEST_F(MadeUpDev, FileSystemDiscoveryListsSerialDevicesInComOrderWithTheirByIdNames) {
  const std::vector<SerialPortInfo> ports = Found();
  std::vector<std::string> devices, byId;
  for (const SerialPortInfo& port : ports) {
    devices.push_back(port.device);
    byId.push_back(port.byIdPath);
    EXPECT_EQ(DescribePort(port), "") << "nothing but the path is known without udev";
  }
  EXPECT_EQ(devices, (std::vector<std::string>{dev.File("ttyUSB0"), dev.File("ttyUSB1"),
                                               dev.File("ttyACM0"), dev.File("ttyS0")}));
  EXPECT_EQ(byId, (std::vector<std::string>{"", ById() + "/" + kById, "", ""}));
}

TEST_F(MadeUpDev, ComPortsFollowTheSettingsThenTheOrderAndMatchTheirDevices) {
  std::vector<SerialPortInfo> ports = Found();
  ports[1].vendorId = "0403";
  ports[1].productId = "6001";
  ports[1].vendor = "FTDI";
  ports[1].product = "FT232R USB UART";
  ports[1].serialNumber = "A1B2C3";
  settings.SetText("COMMUNICATION", "COM2", ById() + "/" + kById);  // a stable name
  settings.SetText("COMMUNICATION", "COM4", dev.File("gone"));
  const std::vector<ComPortMapping> mappings = MapComPorts(settings, ports, dev.Path());
  ASSERT_EQ(mappings.size(), 4u);
  struct Expected {
    std::string device;
    bool fromSettings;
    const SerialPortInfo* info;
  };
  const Expected expected[] = {{dev.File("ttyUSB0"), false, &ports[0]},
                               {ById() + "/" + kById, true, &ports[1]},
                               {dev.File("ttyACM0"), false, &ports[2]},
                               {dev.File("gone"), true, nullptr}};
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE("COM" + std::to_string(n + 1));
    EXPECT_EQ(mappings[n].portNumber, n + 1);
    EXPECT_EQ(mappings[n].device, expected[n].device);
    EXPECT_EQ(mappings[n].fromSettings, expected[n].fromSettings);
    EXPECT_EQ(mappings[n].info, expected[n].info);
  }
  EXPECT_EQ(DescribePort(ports[1]), "FTDI FT232R USB UART, USB 0403:6001, serial A1B2C3");
  EXPECT_EQ(ComPortToolTip(mappings[1]),
            ById() + "/" + kById + " -> " + dev.File("ttyUSB1") +
                "\nFTDI FT232R USB UART, USB 0403:6001, serial A1B2C3");
  EXPECT_EQ(ComPortToolTip(mappings[0]), dev.File("ttyUSB0"));
  EXPECT_EQ(ComPortToolTip(mappings[3]), dev.File("gone") + " (set in the settings; not present)");
  settings.SetText("COMMUNICATION", "COM4", "");
  EXPECT_EQ(ComPortToolTip(MapComPorts(settings, {}, config.Path())[0]),
            "No serial device for COM1");
}

TEST(ComDeviceByIdName, AStableNameInTheSettingsOpensTheDeviceItLeadsTo) {
  RecordingUi ui;
  PtyPair pty;
  TempDir folder, config;
  const std::string link = folder.File("usb-Prolific_PL2303-if00-port0");
  ASSERT_EQ(::symlink(pty.SlavePath().c_str(), link.c_str()), 0);
  CSettingsStore settings(config.File("kznload.INI"));
  settings.SetText("COMMUNICATION", "COM1", link);
  CSerialPort port(ui,
                   [&settings](int n) { return ResolveComDevice(settings, n, "/nonexistent"); });
  ASSERT_TRUE(port.OpenPort(1, 9600, 'N', 8, 1));
  ASSERT_EQ(port.WriteToPort(reinterpret_cast<const std::uint8_t*>("$"), 1), 1u);
  EXPECT_EQ(pty.Receive(1, 2000), "$");
  EXPECT_TRUE(port.ClosePort());
}

}  // namespace

namespace {

TEST(UdevText, HexEscapesBecomeBytesAndAnythingElseStays) {
  const std::pair<std::string, std::string> cases[] = {
      {"FT232R\\x20USB\\x20UART", "FT232R USB UART"},
      {"\\x4b\\x5A", "KZ"},
      {"\\x+1 \\xZZ \\x4", "\\x+1 \\xZZ \\x4"},  // no two hex digits: kept as they are
      {"back\\\\x41", "back\\A"},
      {"", ""},
  };
  for (const auto& [encoded, text] : cases)
    EXPECT_EQ(DecodeUdevText(encoded), text) << encoded;
}

}  // namespace
