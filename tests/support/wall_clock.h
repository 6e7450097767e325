// Upper bounds on wall-clock or CPU time hold for the plain build only: a sanitizer slows
// every step several times over, so there a test checks what happened, not how fast.
#pragma once

#ifdef KZN_SANITIZED
inline constexpr bool kWallClockBounds = false;
#else
inline constexpr bool kWallClockBounds = true;
#endif
