// Qt's own texts (Yes and No of the message boxes, the file window) in the program's language.
#pragma once

#include "base/messages.h"

// Installs Qt's translations for `language` (English is Qt's own)
// and makes that language the default locale. True when French was asked and found.
bool InstallQtTranslations(Language language);
