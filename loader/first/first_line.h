// The line settings of the first family's receivers, in one place: no parity, 8 data bits,
// 2 stop bits; tables and loader at 9600 bit/s, VR wake sentences and requests at 4800.
#pragma once

#include <cstdint>

#include "serial/serial_link.h"

namespace first_line {

inline constexpr std::uint32_t kLineBitRate = 9600;
inline constexpr std::uint32_t kWakeBitRate = 4800;
inline constexpr char kParity = 'N';
inline constexpr std::uint16_t kDataBits = 8;
inline constexpr std::uint16_t kStopBits = 2;

// Opens COMn at `bitRate` with the family's settings; false when it cannot.
inline bool OpenLine(SerialLink& port, std::int16_t portNumber, std::uint32_t bitRate) {
  return port.OpenPort(portNumber, bitRate, kParity, kDataBits, kStopBits);
}

}  // namespace first_line
