// Tells a running receiver to enter its loader and waits until the loader wants records.
#pragma once

#include "loader/first/first_family.h"
#include "loader/first/first_result.h"

struct FirstLoad;
class CProgress;

// kDone with the port open at 9600 bit/s and nothing received pending; kStopped otherwise
// (a failure told, or a cancel).
FirstStep EnterLoadingMode(FirstLoad& load, CProgress& progress, Family kind);
