// A serial link with no device behind it: every open fails. For work on the catalogue
// alone (fuzz targets, benchmarks), where nothing may reach a line.
#pragma once

#include "serial/serial_link.h"

class CNoSerialLink : public SerialLink {
 public:
  int OpenPort(std::int16_t, std::uint32_t, char, std::uint16_t, std::uint16_t) override {
    return 0;
  }
  std::uint32_t WriteToPort(const std::uint8_t*, std::uint32_t) override { return 0; }
  int TakeReceived(const std::uint8_t** data, std::uint32_t* count) override {
    *data = nullptr;
    *count = 0;
    return 1;
  }
  int TakeReceivedWaiting(const std::uint8_t** data, std::uint32_t* count, int) override {
    return TakeReceived(data, count);
  }
  void ClearReceived() override {}
  int SetBaudRate(std::uint32_t) override { return 0; }
  int ClosePort() override { return 0; }
};
