// The port discovery of the running system, for the programs (never the core or its tests).
#pragma once

#include <memory>

#include "serial/port_discovery.h"

// udev's device database when the build found libudev, otherwise the file system alone.
std::unique_ptr<PortDiscovery> CreateSystemPortDiscovery();
