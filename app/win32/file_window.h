// The file window of expert mode: the system's open-file window over the main window with
// the language-file filters, the first one preselected.
#pragma once

#include <windows.h>

#include <string>

#include "base/messages.h"

// The filter list in the open-file window's form: label, NUL, pattern, NUL, ..., NUL.
std::wstring FileWindowFilter();

// Shows the window modally, starting in `folder`; the chosen full path (UTF-8), or empty when the
// user cancelled.
std::string AskFileToSend(HWND owner, const std::string& folder, Language language);
