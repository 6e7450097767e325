// The main window's catalogue choices: the receiver-type list, the language-version list,
// the file to send and its version label, filled from the catalogue's queries.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/catalogue.h"

class CLoaderState;

// catalogue folder + separator + chgt.cfg
std::string CataloguePath(const CLoaderState& w);
// The window's folder and selected type.
CatalogueChoice CatalogueChoiceOf(const CLoaderState& w);
std::string GetModelName(CLoaderState& w);

// Fills the receiver-type list (in standard mode only types with a language file for the
// running language). 1, or -1 when the catalogue cannot be opened (message 110 shown).
std::int8_t FillReceiverTypeList(CLoaderState& w);
// Refills the language-version list with the labels of the selected type's language lines
// for the running language whose files exist; selects the first and enables start.
void FillLanguageVersionList(CLoaderState& w);
// Sets folder and file name from the selected type and language version: 1, or -1 (message
// 129 when the version has no file). Does nothing and returns 1 in expert mode.
std::int8_t ResolveLanguageFile(CLoaderState& w);
// Writes the version label from the header of the file to send.
void UpdateVersionLabel(CLoaderState& w);
