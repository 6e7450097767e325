// The receiver families a catalogue's family tag ("E/S:") names, for the loads of both
// families and for the catalogue's own queries.
#pragma once

#include <optional>
#include <string_view>

// "VR" receivers are addressed with proprietary sentences, "TK" receivers with text markers.
enum class FirstFamilyKind { kVr, kTk };

// The kind for a family tag, exactly "VR" or "TK"; none for any other tag.
std::optional<FirstFamilyKind> FirstFamilyKindOf(std::string_view familyTag);
