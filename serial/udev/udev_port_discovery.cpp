// The port discovery over udev's device database: the USB adapter behind each serial device
// (vendor, product, serial number) and its stable /dev/serial/by-id name.
#include <libudev.h>
#include <poll.h>

#include <memory>
#include <string_view>

#include "serial/com_device.h"
#include "serial/udev/system_port_discovery.h"

namespace {

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string Text(const char* value) {
  return value != nullptr ? value : "";
}

std::string FirstOf(udev_device* device, std::initializer_list<const char*> keys) {
  for (const char* key : keys) {
    std::string value = Text(udev_device_get_property_value(device, key));
    if (std::string_view(key).ends_with("_ENC")) value = DecodeUdevText(value);
    if (!value.empty()) return value;
  }
  return {};
}

std::string ByIdLink(udev_device* device) {
  for (udev_list_entry* link = udev_device_get_devlinks_list_entry(device); link != nullptr;
       link = udev_list_entry_get_next(link)) {
    std::string path = Text(udev_list_entry_get_name(link));
    if (path.rfind("/dev/serial/by-id/", 0) == 0) return path;
  }
  return {};
}

class CUdevPortDiscovery : public PortDiscovery {
 public:
  // udev's monitor tells of every tty that comes or goes as it happens; without one (no
  // netlink socket in a container), the watch looks again at the end of every wait.
  bool WaitForChange(int maxMs) override {
    if (!monitorTried_) {
      monitorTried_ = true;
      monitorContext_.reset(udev_new());
      if (monitorContext_)
        monitor_.reset(udev_monitor_new_from_netlink(monitorContext_.get(), "udev"));
      if (monitor_ &&
          (udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "tty", nullptr) < 0 ||
           udev_monitor_enable_receiving(monitor_.get()) < 0)) {
        monitor_.reset();
      }
    }
    if (!monitor_) return PortDiscovery::WaitForChange(maxMs);
    pollfd watched{udev_monitor_get_fd(monitor_.get()), POLLIN, 0};
    if (::poll(&watched, 1, maxMs) <= 0) return false;
    // Every event waiting is taken: one look covers them all.
    while (udev_device* event = udev_monitor_receive_device(monitor_.get()))
      udev_device_unref(event);
    return true;
  }

  std::vector<SerialPortInfo> FindPorts() const override {
    std::vector<SerialPortInfo> ports;
    UdevPtr<udev> context(udev_new());
    if (!context) return CFileSystemPortDiscovery().FindPorts();
    UdevPtr<udev_enumerate> list(udev_enumerate_new(context.get()));
    if (!list || udev_enumerate_add_match_subsystem(list.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(list.get()) < 0) {
      return CFileSystemPortDiscovery().FindPorts();
    }
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(list.get()); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
      UdevPtr<udev_device> device(
          udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
      if (!device) continue;
      // The same devices a port number can lead to.
      const std::string name = Text(udev_device_get_sysname(device.get()));
      const std::string node = Text(udev_device_get_devnode(device.get()));
      if (node.empty() || !ParseSerialDeviceName(name)) continue;
      SerialPortInfo port;
      port.device = node;
      port.byIdPath = ByIdLink(device.get());
      // Owned by `device`: not to be unreferenced.
      udev_device* usb =
          udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
      if (usb != nullptr) {
        port.vendorId = Text(udev_device_get_sysattr_value(usb, "idVendor"));
        port.productId = Text(udev_device_get_sysattr_value(usb, "idProduct"));
        port.vendor = Text(udev_device_get_sysattr_value(usb, "manufacturer"));
        port.product = Text(udev_device_get_sysattr_value(usb, "product"));
        port.serialNumber = Text(udev_device_get_sysattr_value(usb, "serial"));
      }
      // The database's names where the adapter gives none of its own.
      if (port.vendor.empty())
        port.vendor = FirstOf(device.get(), {"ID_VENDOR_FROM_DATABASE", "ID_VENDOR_ENC"});
      if (port.product.empty())
        port.product = FirstOf(device.get(), {"ID_MODEL_FROM_DATABASE", "ID_MODEL_ENC"});
      if (port.serialNumber.empty()) port.serialNumber = FirstOf(device.get(), {"ID_SERIAL_SHORT"});
      ports.push_back(port);
    }
    // Without a running udev daemon the database holds no links; the folder may still.
    AddByIdNames(ports, "/dev/serial/by-id");
    return ports;
  }

 private:
  bool monitorTried_ = false;
  UdevPtr<udev> monitorContext_;
  UdevPtr<udev_monitor> monitor_;
};

}  // namespace

std::unique_ptr<PortDiscovery> CreateSystemPortDiscovery() {
  return std::make_unique<CUdevPortDiscovery>();
}
