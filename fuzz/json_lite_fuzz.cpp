// The tests' JSON reader takes any text without reading out of bounds or overflowing the stack.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/support/json_lite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto value = json_lite::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  if (value) {
    value->at("family").AsString();
    value->at(std::size_t{0}).AsInt();
  }
  return 0;
}
