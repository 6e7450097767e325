// The table store's almanac backup alm.alm and the parsing of the dump file.
#pragma once

class CLoaderState;

inline constexpr const char* kAlmanacFileName = "alm.alm";

// Doppler table valid and fresh almanac valid back to 0; the saved almanac stays.
void ClearTableFlags(CLoaderState& w);
// Reads alm.alm from the catalogue folder into the saved almanac and judges its age.
void LoadAlmanacBackup(CLoaderState& w);
