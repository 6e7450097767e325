// The watch for a receiver's wrong-checksum text: a receiver whose loader is active (told
// to load, or with a damaged program) repeats the WRG: text of its type over and over.
#pragma once

#include <cstdint>

class CProgress;
struct LoadContext;

enum class WrongChecksumWait : std::int8_t { kFound, kCancelled, kTimeout };

inline constexpr int kWrongChecksumWindowMs = 2000;

// Needs the context's port open. Empties the receive buffer, then collects the non-zero bytes that
// arrive for up to kWrongChecksumWindowMs and looks for the selected type's wrong-checksum
// text (read anew from the catalogue on each call). kFound when it came, kCancelled on a
// press of cancel, kTimeout otherwise. An empty
// text is found at the first look.
WrongChecksumWait WaitForWrongChecksumText(LoadContext& context, CProgress& progress);
