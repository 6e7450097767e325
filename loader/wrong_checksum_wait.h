// The watch for a receiver's wrong-checksum text: a receiver whose loader is active (told
// to load, or with a damaged program) repeats the WRG: text of its type over and over.
#pragma once

#include <cstdint>

class CProgress;
struct LoadContext;

enum class WrongChecksumWait : std::int8_t {
  kFound,
  kCancelled,
  kTimeout,
  kNoText,  // the type has no wrong-checksum text, or the catalogue cannot be read now
};

inline constexpr std::int64_t kWrongChecksumWindowMs = 2000;

// Needs the context's port open. Empties the receive buffer, then collects the non-zero bytes that
// arrive for up to kWrongChecksumWindowMs and looks for the selected type's wrong-checksum
// text (read anew from the catalogue on each call). kFound when it came, kCancelled on a
// press of cancel, kTimeout otherwise. An empty text would be "found" in any text, a receiver
// in normal operation taken for one in its loader: kNoText at once instead, and the load stops
// (message 126).
WrongChecksumWait WaitForWrongChecksumText(LoadContext& context, CProgress& progress);

// The selected type's wrong-checksum text, or message 126 shown and false when it has none:
// checked before a load sends its first byte.
bool CheckWrongChecksumText(LoadContext& context);
