// The windows speak UTF-16; the program's texts are UTF-8, its catalogue names bytes, and its
// paths the bytes the C runtime's file functions take.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Message-table texts and the serial layer's texts (UTF-8).
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// Catalogue names, language-version labels and version texts, shown as on every platform:
// UTF-8 when they are valid UTF-8, Windows-1252 otherwise; what follows a NUL byte is not
// shown.
std::wstring WideFromDisplayBytes(std::string_view bytes);

// Paths as the core keeps them: in the system's ANSI code page, which the C runtime's
// narrow file functions use.
std::wstring WideFromPath(std::string_view path);
// Empty when the code page cannot hold every character of `path`: the core could not open
// the file by that name.
std::string PathFromWide(std::wstring_view path);

// The text of a window or control.
std::wstring WindowTextOf(HWND window);
