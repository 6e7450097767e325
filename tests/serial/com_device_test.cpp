#include "serial/com_device.h"

#include <gtest/gtest.h>

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
}

}  // namespace
