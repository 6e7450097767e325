// `ports` on the running system: what it knows of its serial devices and which of them
// COM1 to COM4 are. One file per platform: cli_system_ports_posix.cpp (udev or /dev),
// cli_system_ports_win32.cpp (the system's COM ports).
#pragma once

#include <ostream>

class CSettingsStore;

// Always kExitLoaded.
int ListSystemPorts(const CSettingsStore& settings, std::ostream& out);
