// Choosing the file to send in standard mode (receiver type and language version), and the
// version label that shows the version text in the header of the file to send.
#pragma once

#include <cstdint>

class CLoaderState;

// Refills the language-version list with the labels of the selected type's language lines
// for the running language whose files exist; selects the first and enables start.
void FillLanguageVersionList(CLoaderState& w);
// Sets folder and file name from the selected type and language version: 1, or -1 (message
// 129 when the version has no file). Does nothing and returns 1 in expert mode.
std::int8_t ResolveLanguageFile(CLoaderState& w);
// The version text length of the file to send, or a negative value when it has none.
int ReadVersionText(CLoaderState& w);
// Writes the version label from the header of the file to send.
void UpdateVersionLabel(CLoaderState& w);
