// Catalogue names, labels and version texts as kznload-cli prints them, and its command
// line, over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/display_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string shown = DisplayText(bytes);
  // Whatever a file holds, what reaches the terminal is UTF-8 without control characters:
  // shown again, it stays as it is.
  if (DisplayText(shown) != shown) __builtin_trap();
  for (char c : shown) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) __builtin_trap();
  }
  // The same bytes as a command line, one argument per NUL-separated piece.
  std::vector<std::string> args(1);
  for (char c : bytes) {
    if (c == '\0') args.emplace_back();
    if (c != '\0') args.back().push_back(c);
  }
  // Its errors are told in the language --lang names, read before the line is known good.
  const Language language = LanguageOfCommandLine(args).value_or(Language::kEnglish);
  CliParseResult parsed = ParseCommandLine(args, language);
  if (parsed.options.has_value() == !parsed.error.empty()) __builtin_trap();
  return 0;
}
