#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "base/wide_text.h"
#include "serial/port_discovery.h"

namespace {

constexpr std::string_view kDeviceNamespace = "\\\\.\\";
// A COM port number above this is no name Windows gives out (COM1 to COM256 by default; the
// ports database allows up to COM4096 or so).
constexpr unsigned long kMaxComNumber = 65535;

// The number n of a name "COMn" (any case), or 0.
unsigned long ComNumber(const std::wstring& name) {
  if (name.size() < 4 || name.size() > 8) return 0;
  if (std::towupper(name[0]) != L'C' || std::towupper(name[1]) != L'O' ||
      std::towupper(name[2]) != L'M' || name[3] == L'0') {
    return 0;
  }
  unsigned long number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9') return 0;
    number = number * 10 + static_cast<unsigned long>(name[i] - L'0');
  }
  return number <= kMaxComNumber ? number : 0;
}

// The COM ports the serial drivers have registered: value data "COM3" and the like.
void AddRegisteredPorts(std::map<unsigned long, bool>& numbers) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = static_cast<DWORD>(std::size(name));
    wchar_t data[64] = {};
    DWORD dataBytes = sizeof data - sizeof(wchar_t);  // room for a terminator of our own
    DWORD type = 0;
    const LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    const unsigned long number = ComNumber(std::wstring(data, wcsnlen(data, std::size(data))));
    if (number != 0) numbers[number] = true;
  }
  RegCloseKey(key);
}

// The COMn names among the DOS devices (what CreateFile on "\\.\COMn" finds).
void AddDosDevicePorts(std::map<unsigned long, bool>& numbers) {
  std::vector<wchar_t> names(1 << 16);
  for (int tries = 0; tries < 6; ++tries) {
    const DWORD length = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
    if (length != 0) {
      const wchar_t* end = names.data() + length;
      for (const wchar_t* name = names.data(); name < end && *name != L'\0';
           name += wcslen(name) + 1) {
        const unsigned long number = ComNumber(name);
        if (number != 0) numbers[number] = true;
      }
      return;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
    names.resize(names.size() * 2);
  }
}

// A device path without its device-namespace prefix, in upper case: "\\.\com3" is "COM3".
std::string DeviceKey(const std::string& path) {
  std::string key = path;
  if (key.rfind(kDeviceNamespace, 0) == 0 || key.rfind("\\\\?\\", 0) == 0)
    key = key.substr(kDeviceNamespace.size());
  std::transform(key.begin(), key.end(), key.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  return key;
}

}  // namespace

std::vector<SerialPortInfo> CWin32PortDiscovery::FindPorts() const {
  std::map<unsigned long, bool> numbers;
  AddRegisteredPorts(numbers);
  AddDosDevicePorts(numbers);
  std::vector<SerialPortInfo> ports;
  for (const auto& [number, known] : numbers) {
    (void)known;
    SerialPortInfo port;
    port.device = std::string(kDeviceNamespace) + "COM" + std::to_string(number);
    ports.push_back(port);
  }
  return ports;
}

bool IsPortAt(const SerialPortInfo& port, const std::string& path) {
  return DeviceKey(path) == DeviceKey(port.device);
}

bool IsDevicePresent(const std::string& path) {
  const bool device = path.rfind(kDeviceNamespace, 0) == 0;
  if (device) {
    // A DOS device name: present when the system can say what it leads to.
    wchar_t target[1024];
    const std::wstring name = WideFromUtf8(path.substr(kDeviceNamespace.size()));
    return QueryDosDeviceW(name.c_str(), target, static_cast<DWORD>(std::size(target))) != 0;
  }
  return GetFileAttributesW(WideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
