// The watch for a receiver's wrong-checksum text: a receiver whose loader is active (told
// to load, or with a damaged program) repeats the WRG: text of its type over and over.
#pragma once

class CLoaderState;
class CProgress;

inline constexpr int kWrongChecksumFound = 1;
inline constexpr int kWrongChecksumCancelled = 253;
inline constexpr int kWrongChecksumTimeout = 255;

inline constexpr int kWrongChecksumWindowMs = 2000;

// Needs w.port open. Empties the receive buffer, then collects the non-zero bytes that
// arrive for up to kWrongChecksumWindowMs and looks for the selected type's wrong-checksum
// text (read anew from the catalogue on each call). kWrongChecksumFound when it came,
// kWrongChecksumCancelled on a press of cancel, kWrongChecksumTimeout otherwise. An empty
// text is found at the first look.
int WaitForWrongChecksumText(CLoaderState& w, CProgress& progress);
