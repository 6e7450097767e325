// What the system knows of the serial devices plugged in, and which COMn each one is. The
// interface keeps the device database (udev on Linux) out of the core: the core and its tests
// see only SerialPortInfo lists, and the file-system discovery below needs nothing but /dev.
#pragma once

#include <string>
#include <vector>

class CSettingsStore;

struct SerialPortInfo {
  std::string device;    // "/dev/ttyUSB0"
  std::string byIdPath;  // "/dev/serial/by-id/usb-...", a name that survives re-plugging
  std::string vendorId;  // USB vendor and product ids, four hex digits each
  std::string productId;
  std::string vendor;  // as the adapter names itself, or from the USB id database
  std::string product;
  std::string serialNumber;  // the adapter's own serial number
};

class PortDiscovery {
 public:
  virtual ~PortDiscovery() = default;
  // The serial devices present now, in any order.
  virtual std::vector<SerialPortInfo> FindPorts() const = 0;
  // Sleeps until the system's serial devices have changed, at most `maxMs`; true when they
  // have. A discovery that cannot tell sleeps the whole time and says false: a watch for new
  // adapters then looks again once a second.
  virtual bool WaitForChange(int maxMs);
};

// Discovery from the file system alone: the serial devices of `devFolder` and the stable
// names linked from `byIdFolder` to them. No vendor, product or serial number. (POSIX)
class CFileSystemPortDiscovery : public PortDiscovery {
 public:
  explicit CFileSystemPortDiscovery(std::string devFolder = "/dev",
                                    std::string byIdFolder = "/dev/serial/by-id");
  std::vector<SerialPortInfo> FindPorts() const override;

 private:
  std::string devFolder_;
  std::string byIdFolder_;
};

// Fills the by-id names that `ports` lack from the links of `byIdFolder`. (POSIX)
void AddByIdNames(std::vector<SerialPortInfo>& ports, const std::string& byIdFolder);

// The COM ports Windows knows: those its serial drivers registered (the SERIALCOMM key of
// HARDWARE\DEVICEMAP) and the COMn names among its DOS devices, each as "\\.\COMn", in numeric
// order. Windows tells nothing more of them here. (Windows)
class CWin32PortDiscovery : public PortDiscovery {
 public:
  std::vector<SerialPortInfo> FindPorts() const override;
};

// The platform's part of matching: whether `path` leads to the device `port` describes, and
// whether a device is there at all.
bool IsPortAt(const SerialPortInfo& port, const std::string& path);
bool IsDevicePresent(const std::string& path);

// One of COM1 to COM4 and the device it leads to.
struct ComPortMapping {
  int portNumber = 0;
  std::string device;         // empty: no device for this port
  bool fromSettings = false;  // named by "COMMUNICATION"/"COMn", else the n-th device found
  const SerialPortInfo* info = nullptr;  // the discovered device it is, when it is one
};

// COM1 to COM4 in order, resolved as a load resolves them, matched to `ports` (by path, by
// by-id name, or by the device a link leads to).
std::vector<ComPortMapping> MapComPorts(const CSettingsStore& settings,
                                        const std::vector<SerialPortInfo>& ports,
                                        const std::string& devFolder = "/dev");

// One line about a device: "FTDI FT232R USB UART, USB 0403:6001, serial A1B2C3"; empty when
// nothing is known beyond its path.
std::string DescribePort(const SerialPortInfo& port);

// Who the adapter at `device` is, for the journal of loads: what DescribePort says of the
// port of `ports` that `device` leads to, else its by-id name; empty when the system knows
// nothing of it.
std::string AdapterIdentity(const std::vector<SerialPortInfo>& ports, const std::string& device);

// A udev *_ENC value as text: each "\xNN" (two hex digits) is the byte NN; anything else is
// kept as it is.
std::string DecodeUdevText(const std::string& encoded);

// The tooltip of a port button: the device, what it is, its by-id name; or why there is none.
std::string ComPortToolTip(const ComPortMapping& mapping);
