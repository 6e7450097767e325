// What the windows show, in UTF-16: the program's texts are UTF-8 (base/wide_text.h
// converts them, and WidePathFromBytes its paths), its catalogue names bytes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Catalogue names, language-version labels and version texts, shown as on every platform:
// UTF-8 when they are valid UTF-8, Windows-1252 otherwise; what follows a NUL byte is not
// shown.
std::wstring WideFromDisplayBytes(std::string_view bytes);

// The text of a window or control.
std::wstring WindowTextOf(HWND window);
