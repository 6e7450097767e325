// `ports` on the running system: what it knows of its serial devices and which of them
// COM1 to COM4 are. One file per platform: cli_system_ports_posix.cpp (udev or /dev),
// cli_system_ports_win32.cpp (the system's COM ports).
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

class CSettingsStore;
class PortDiscovery;

// Always kExitLoaded.
int ListSystemPorts(const CSettingsStore& settings, std::ostream& out);

// What --watch looks at for adapters that appear: the system's list of serial devices, or
// the serial devices and by-id links of `folder` (POSIX); null where that cannot be.
std::unique_ptr<PortDiscovery> CreateWatchDiscovery(const std::optional<std::string>& folder);

// What the system knows of the adapter at `device` (USB vendor, product and serial number,
// else its by-id name), for the journal; empty when it knows nothing (always on Windows).
std::string DescribeSystemAdapter(const std::string& device);
