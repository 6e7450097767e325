// Where the serial layer's diagnostics go. The port shows none of them itself; a Linux
// user mostly needs to know why a device failed (permission, absent, busy), so each text
// carries the device path and the system's error text captured where it failed.
#pragma once

#include <functional>
#include <string>

// Replaces the sink; an empty function restores the default (standard error).
void SetPortTraceSink(std::function<void(const std::string&)> sink);

// Hands `text` to the sink, followed by the device path and the system's text for errorCode when
// they are given (errorCode 0: no system error).
void TracePortError(const std::string& text, const std::string& devicePath = {}, int errorCode = 0);
