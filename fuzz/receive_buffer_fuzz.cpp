// The receive buffer's wrap rule under any sequence of arriving chunks and takes, checked
// against a plain model: bytes are kept in order until the 1210th untaken byte empties it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "serial/serial_port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t buffer[kReceiveBufferSize];
  std::uint32_t count = 0;
  std::vector<std::uint8_t> model;
  std::size_t pos = 0;
  while (pos < size) {
    std::uint8_t op = data[pos++];
    if (op == 0) {  // a take
      if (count != model.size()) __builtin_trap();
      if (count > 0 && std::memcmp(buffer, model.data(), count) != 0) __builtin_trap();
      count = 0;
      model.clear();
      continue;
    }
    // A chunk of up to 8 x 255 bytes, as large as one read pass may deliver and more.
    std::size_t want = static_cast<std::size_t>(op) * 8;
    std::size_t chunk = want < size - pos ? want : size - pos;
    AppendWithWrap(buffer, &count, data + pos, chunk);
    for (std::size_t i = 0; i < chunk; ++i) {
      model.push_back(data[pos + i]);
      if (model.size() == kReceiveBufferSize) model.clear();
    }
    pos += chunk;
  }
  if (count != model.size() || count >= kReceiveBufferSize) __builtin_trap();
  return 0;
}
