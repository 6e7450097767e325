// Who may open a serial device and who has it open now: what a user needs to know when a
// port cannot be had.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct DeviceHolder {
  int pid = 0;
  std::string program;  // the process's name as the system shows it ("ModemManager")
};

// Other processes that have the device `path` names open, as far as this process may look:
// on Linux the open files (/proc/PID/fd) of every process it may read, its own user's, or
// every one's when run as root. A program that opens a port without locking it (a terminal
// program, a modem manager probing new adapters) is found here before a byte goes out.
// Always empty on Windows, where a port another program holds fails the open itself.
std::vector<DeviceHolder> OtherProcessesHolding(const std::string& path);

// The system's error code for a device another program holds (EBUSY, ERROR_BUSY).
int DeviceInUseError();

// "ModemManager (PID 812), minicom (PID 4711)".
std::string DescribeHolders(const std::vector<DeviceHolder>& holders);

struct DeviceOwnership {
  std::string user;   // owner of the device node, by name (the number when it has none)
  std::string group;  // its group, likewise
  // The group may read and write the device and is one a user is meant to join (not the
  // system's own group 0, whose membership is no cure for a serial port).
  bool groupMayOpen = false;
};

// The owner and group of the node `path` names (through links); none when they cannot be
// learnt (always on Windows, where access to a port is no matter of groups).
std::optional<DeviceOwnership> OwnershipOfDevice(const std::string& path);
