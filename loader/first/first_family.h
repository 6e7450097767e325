// The load of a receiver of the first family ("VR" and "TK").
#pragma once

#include <optional>
#include <string>
#include <string_view>

class CLoaderState;

// "VR" receivers are addressed with proprietary sentences, "TK" receivers with text markers.
enum class FirstFamilyKind { kVr, kTk };

// The kind for a family tag, exactly "VR" or "TK"; none for any other tag.
std::optional<FirstFamilyKind> FirstFamilyKindOf(std::string_view familyTag);

// Reads the receiver's tables, brings it into loading mode, sends the file with the
// tables written back at its end, and tells the outcome in one message box.
void RunFirstFamilyLoad(CLoaderState& w, const std::string& familyTag);
