// Catalogue names, labels and version texts are bytes; this is how kznload-cli prints them.
#pragma once

#include <string>
#include <string_view>

// UTF-8 when the bytes are valid UTF-8, Windows-1252 otherwise (catalogues written on
// Windows). A NUL byte ends the text, as in the window; other control characters (a tab
// or an escape sequence hidden in a file, say) print as '?', so that a line of `list`
// keeps its fields and a terminal is never driven by file content.
std::string DisplayText(std::string_view bytes);
