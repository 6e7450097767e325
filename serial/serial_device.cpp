#include "serial/serial_device.h"

unsigned FrameBits(const LineSettings& settings) {
  return 1u + settings.dataBits + (settings.parity == 'N' ? 0u : 1u) + settings.stopBits;
}
