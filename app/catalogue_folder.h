// Where the catalogue is. The folder the program is started in, when it holds chgt.cfg, as
// always; a program started elsewhere (a menu entry, a desktop shortcut) uses the folder the
// user last chose with the desktop program's folder window, kept in the settings.
#pragma once

#include <string>

class CSettingsStore;

// `folder` + separator + chgt.cfg.
std::string CatalogueFileIn(const std::string& folder);
// Whether `folder` holds a catalogue file.
bool HoldsCatalogue(const std::string& folder);

// The working folder when it holds chgt.cfg; else the remembered folder when that does;
// else the working folder, whose missing chgt.cfg message 110 then names.
std::string StartingCatalogueFolder(const std::string& workingFolder,
                                    const CSettingsStore& settings);
// Remembers `folder` for the starts to come; a trailing separator is dropped.
void RememberCatalogueFolder(CSettingsStore& settings, const std::string& folder);
// `folder` without trailing separators (the root keeps its own).
std::string WithoutTrailingSeparator(std::string folder);
