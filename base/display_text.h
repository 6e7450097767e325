// Catalogue lines, display names, labels and version texts are bytes. Catalogues written
// on Windows hold Windows-1252 ("Version française" with é as 0xE9); newer ones may be
// UTF-8. For display they are decoded as UTF-8 when they are valid UTF-8, and as
// Windows-1252 otherwise; the bytes themselves are what lookups compare.
#pragma once

#include <string>
#include <string_view>

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The text of `bytes` in UTF-8: unchanged when already valid UTF-8, else each byte read as
// Windows-1252 (the five bytes 1252 leaves undefined become U+FFFD).
std::string DisplayTextFromBytes(std::string_view bytes);
