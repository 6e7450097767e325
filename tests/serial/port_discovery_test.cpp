// Which devices the machine has and which of them COM1 to COM4 are, on a made-up /dev.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/settings_store.h"
#include "serial/com_device.h"
#include "serial/port_discovery.h"
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
  std::vector<std::string> devices, byId;
  for (const SerialPortInfo& port : Found()) {
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
  ports[1] = {ports[1].device, ports[1].byIdPath, "0403",  "6001",
              "FTDI",          "FT232R USB UART", "A1B2C3"};
  settings.SetText("COMMUNICATION", "COM2", ById() + "/" + kById);  // a stable name
  settings.SetText("COMMUNICATION", "COM4", dev.File("gone"));
  const std::vector<ComPortMapping> mappings = MapComPorts(settings, ports, dev.Path());
  // Each tooltip names the device its port leads to and what is known of it; the CLI's port
  // list checks the same mapping as text.
  ASSERT_EQ(mappings.size(), 4u);
  EXPECT_EQ(ComPortToolTip(mappings[1]),
            ById() + "/" + kById + " -> " + dev.File("ttyUSB1") +
                "\nFTDI FT232R USB UART, USB 0403:6001, serial A1B2C3");
  EXPECT_EQ(ComPortToolTip(mappings[0]), dev.File("ttyUSB0"));
  EXPECT_EQ(ComPortToolTip(mappings[2]), dev.File("ttyACM0"));
  EXPECT_EQ(ComPortToolTip(mappings[3]), dev.File("gone") + " (set in the settings; not present)");
  settings.SetText("COMMUNICATION", "COM4", "");
  EXPECT_EQ(ComPortToolTip(MapComPorts(settings, {}, config.Path())[0]),
            "No serial device for COM1");
}

TEST(ComDevice, PortNumbersFollowAdaptersThenModemsThenUartsInNumericOrder) {
  TempDir dev;
  // Only whole names rank; the rest are other devices or not numbers at all.
  for (const char* name : {"ttyS1", "ttyS0", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS10", "ttySx",
                           "tty0", "ttyUSB", "ttyUSB1a", "console", "ttyACM1", "tty", "ttyS-1",
                           "ttyUSB 1", "xttyS0", "ttyS99999999999"}) {
    dev.Write(name, "");
  }
  std::vector<std::string> expected;
  for (const char* name : {"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyACM1", "ttyS0", "ttyS1", "ttyS10"})
    expected.push_back(dev.File(name));
  EXPECT_EQ(ListSerialDevices(dev.Path()), expected);
  EXPECT_EQ(ListSerialDevices(dev.Path() + "/"), expected);
  EXPECT_FALSE(ParseSerialDeviceName(""));

  TempDir config;
  CSettingsStore settings(config.File("kznload.INI"));
  std::vector<std::string> resolved;
  for (int number : {1, 3, 7, 8, 0, -1})
    resolved.push_back(ResolveComDevice(settings, number, dev.Path()));
  EXPECT_EQ(resolved, (std::vector<std::string>{dev.File("ttyUSB2"), dev.File("ttyACM0"),
                                                dev.File("ttyS10"), "", "", ""}));
  EXPECT_EQ(ResolveComDevice(settings, 1, dev.File("absent")), "");

  // A device named in the store wins for its port alone; key case does not matter.
  ASSERT_TRUE(settings.SetText("COMMUNICATION", "com2", "/dev/serial/by-id/gps"));
  EXPECT_EQ(ResolveComDevice(settings, 2, dev.Path()), "/dev/serial/by-id/gps");
  EXPECT_EQ(ResolveComDevice(settings, 1, dev.Path()), dev.File("ttyUSB2"));

  // A bare name is an adapter's stable by-id name when one is listed, else a device name.
  std::filesystem::create_directories(dev.File("serial/by-id"));
  dev.Write("serial/by-id/usb-FTDI_GPS-if00-port0", "");
  // An adapter that is not plugged in is still named by where its by-id name would be.
  for (auto [name, device] :
       {std::pair{"usb-FTDI_GPS-if00-port0", "serial/by-id/usb-FTDI_GPS-if00-port0"},
        {"ttyACM0", "ttyACM0"},
        {"usb-Prolific_GPS-if00-port0", "serial/by-id/usb-Prolific_GPS-if00-port0"}}) {
    ASSERT_TRUE(settings.SetText("COMMUNICATION", "COM3", name));
    EXPECT_EQ(ResolveComDevice(settings, 3, dev.Path()), dev.File(device));
  }
}

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
