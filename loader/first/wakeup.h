// Tells a running receiver to enter its loader and waits until the loader wants records.
#pragma once

#include "loader/first/first_family.h"

class CLoaderState;
class CProgress;

// 1 with the port open at 9600 bit/s and nothing received pending; -1 otherwise.
int EnterLoadingMode(CLoaderState& w, CProgress& progress, FirstFamilyKind kind);
