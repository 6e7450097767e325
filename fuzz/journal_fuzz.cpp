// The journal of loads' reader over arbitrary file contents: a line it cannot read says
// why, and every line it reads is written back by the writer as the same entry.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/load_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  for (const JournalLine& line : ReadJournalLines(content)) {
    if (!line.entry) {
      if (line.problem.empty()) __builtin_trap();
      continue;
    }
    std::string why;
    const std::optional<JournalEntry> again =
        ParseJournalLine(FormatJournalLine(*line.entry), &why);
    if (!again || !(*again == *line.entry)) __builtin_trap();
  }
  return 0;
}
