// UTF-8, the program's own encoding, and UTF-16, the one of the Windows interfaces.
#pragma once

#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
