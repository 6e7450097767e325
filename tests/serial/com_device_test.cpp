#include "serial/com_device.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(ComDevice, PortNumbersFollowAdaptersThenModemsThenUartsInNumericOrder) {
  TempDir dev;
  for (const char* name : {"ttyS1", "ttyS0", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS10", "ttySx",
                           "tty0", "ttyUSB", "ttyUSB1a", "console", "ttyACM1"}) {
    dev.Write(name, "");
  }
  std::vector<std::string> expected;
  for (const char* name : {"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyACM1", "ttyS0", "ttyS1", "ttyS10"})
    expected.push_back(dev.File(name));
  EXPECT_EQ(ListSerialDevices(dev.Path()), expected);
  EXPECT_EQ(ListSerialDevices(dev.Path() + "/"), expected);

  TempDir config;
  CSettingsStore settings(config.File("kznload.INI"));
  EXPECT_EQ(ResolveComDevice(settings, 1, dev.Path()), dev.File("ttyUSB2"));
  EXPECT_EQ(ResolveComDevice(settings, 3, dev.Path()), dev.File("ttyACM0"));
  EXPECT_EQ(ResolveComDevice(settings, 7, dev.Path()), dev.File("ttyS10"));
  EXPECT_EQ(ResolveComDevice(settings, 8, dev.Path()), "");
  EXPECT_EQ(ResolveComDevice(settings, 0, dev.Path()), "");
  EXPECT_EQ(ResolveComDevice(settings, -1, dev.Path()), "");
  EXPECT_EQ(ResolveComDevice(settings, 1, dev.File("absent")), "");

  // A device named in the store wins for its port alone; key case does not matter.
  ASSERT_TRUE(settings.SetText("COMMUNICATION", "com2", "/dev/serial/by-id/gps"));
  EXPECT_EQ(ResolveComDevice(settings, 2, dev.Path()), "/dev/serial/by-id/gps");
  EXPECT_EQ(ResolveComDevice(settings, 1, dev.Path()), dev.File("ttyUSB2"));
}

TEST(ComDevice, OnlyWholeSerialDeviceNamesAreRanked) {
  auto usb = ParseSerialDeviceName("ttyUSB7");
  ASSERT_TRUE(usb);
  EXPECT_EQ(usb->family, 0);
  EXPECT_EQ(usb->number, 7u);
  ASSERT_TRUE(ParseSerialDeviceName("ttyS0"));
  EXPECT_EQ(ParseSerialDeviceName("ttyS0")->family, 2);
  for (const char* name : {"", "tty", "ttyS", "ttyS-1", "ttyUSB 1", "xttyS0", "ttyS99999999999"})
    EXPECT_FALSE(ParseSerialDeviceName(name)) << name;
}

}  // namespace
