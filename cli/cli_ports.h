// `ports`: the serial devices this machine has and which of them COM1 to COM4 are.
#pragma once

#include <ostream>
#include <string>

class CSettingsStore;
class PortDiscovery;

// One line per port number, "COMn  DEVICE  what it is", with its by-id name on the next
// line, then the serial devices no port number reaches. Always kExitLoaded.
int ListPorts(const CSettingsStore& settings, const PortDiscovery& discovery, std::ostream& out,
              const std::string& devFolder = "/dev");
