// A serial link with no device behind it: every open fails. For work on the catalogue
// alone (fuzz targets, benchmarks), where nothing may reach a line.
#pragma once

#include "serial/serial_link.h"

class CNoSerialLink : public SerialLink {
 public:
  bool OpenPort(std::int16_t, std::uint32_t, char, std::uint16_t, std::uint16_t) override {
    return false;
  }
  std::uint32_t WriteToPort(const std::uint8_t*, std::uint32_t) override { return 0; }
  void TakeReceived(const std::uint8_t** data, std::uint32_t* count) override {
    *data = nullptr;
    *count = 0;
  }
  void TakeReceivedWaiting(const std::uint8_t** data, std::uint32_t* count, std::int64_t) override {
    TakeReceived(data, count);
  }
  void ClearReceived() override {}
  bool SetBaudRate(std::uint32_t) override { return false; }
  bool ClosePort() override { return false; }
};
