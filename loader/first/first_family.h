// The load of a receiver of the first family ("VR" and "TK").
#pragma once

#include <string>

#include "catalogue/family_kind.h"

class CLoaderState;

// Reads the receiver's tables, brings it into loading mode, sends the file with the
// tables written back at its end, and tells the outcome in one message box.
void RunFirstFamilyLoad(CLoaderState& w, const std::string& familyTag);
