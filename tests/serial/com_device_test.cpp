#include "serial/com_device.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/settings_store.h"
#include "tests/support/temp_dir.h"

namespace {

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
  const std::pair<int, std::string> ports[] = {{1, dev.File("ttyUSB2")},
                                               {3, dev.File("ttyACM0")},
                                               {7, dev.File("ttyS10")},
                                               {8, ""},
                                               {0, ""},
                                               {-1, ""}};
  for (const auto& [number, device] : ports)
    EXPECT_EQ(ResolveComDevice(settings, number, dev.Path()), device) << number;
  EXPECT_EQ(ResolveComDevice(settings, 1, dev.File("absent")), "");

  // A device named in the store wins for its port alone; key case does not matter.
  ASSERT_TRUE(settings.SetText("COMMUNICATION", "com2", "/dev/serial/by-id/gps"));
  EXPECT_EQ(ResolveComDevice(settings, 2, dev.Path()), "/dev/serial/by-id/gps");
  EXPECT_EQ(ResolveComDevice(settings, 1, dev.Path()), dev.File("ttyUSB2"));

  // A bare name is an adapter's stable by-id name when one is listed, else a device name.
  std::filesystem::create_directories(dev.File("serial/by-id"));
  dev.Write("serial/by-id/usb-FTDI_GPS-if00-port0", "");
  ASSERT_TRUE(settings.SetText("COMMUNICATION", "COM3", "usb-FTDI_GPS-if00-port0"));
  EXPECT_EQ(ResolveComDevice(settings, 3, dev.Path()),
            dev.File("serial/by-id/usb-FTDI_GPS-if00-port0"));
  ASSERT_TRUE(settings.SetText("COMMUNICATION", "COM4", "ttyACM0"));
  EXPECT_EQ(ResolveComDevice(settings, 4, dev.Path()), dev.File("ttyACM0"));
  // An adapter that is not plugged in is still named by where its by-id name would be.
  ASSERT_TRUE(settings.SetText("COMMUNICATION", "COM3", "usb-Prolific_GPS-if00-port0"));
  EXPECT_EQ(ResolveComDevice(settings, 3, dev.Path()),
            dev.File("serial/by-id/usb-Prolific_GPS-if00-port0"));
}

}  // namespace
