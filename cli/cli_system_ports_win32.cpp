#include <windows.h>

#include <string>

#include "base/settings_store.h"
#include "cli/cli_options.h"
#include "cli/cli_system_ports.h"

namespace {

// The system's name for COMn has a device behind it (a Wine mapping included).
bool ComPortExists(int portNumber) {
  const std::wstring name = L"COM" + std::to_wstring(portNumber);
  wchar_t target[512];
  return QueryDosDeviceW(name.c_str(), target, sizeof target / sizeof target[0]) != 0;
}

}  // namespace

int ListSystemPorts(const CSettingsStore& settings, std::ostream& out) {
  for (int portNumber = 1; portNumber <= 4; ++portNumber) {
    const std::string key = "COM" + std::to_string(portNumber);
    const std::string configured = settings.GetText("COMMUNICATION", key, "");
    out << key << "  ";
    if (!configured.empty()) {
      out << configured << "  (COMMUNICATION/" << key << " of the settings)\n";
    } else if (ComPortExists(portNumber)) {
      out << key << '\n';
    } else {
      out << "none\n";
    }
  }
  out << std::flush;
  return kExitLoaded;
}
