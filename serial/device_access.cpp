#include "serial/device_access.h"

std::string DescribeHolders(const std::vector<DeviceHolder>& holders) {
  std::string text;
  for (const DeviceHolder& holder : holders) {
    if (!text.empty()) text += ", ";
    text += (holder.program.empty() ? std::string("?") : holder.program) + " (PID " +
            std::to_string(holder.pid) + ")";
  }
  return text;
}
