// UTF-8, the program's own encoding, and UTF-16, the one of the Windows interfaces.
#pragma once

#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// A path the program built from bytes of several origins (a folder the system named in
// UTF-8, a file name from a catalogue written in Windows-1252): each part between
// separators is decoded by the display rule (base/display_text.h).
std::wstring WidePathFromBytes(std::string_view path);
