// Qt's own texts (Yes and No of the message boxes, the file window) in the program's language.
#pragma once

// Installs Qt's translations for `languageOffset` (French for 0; English, Qt's own, otherwise)
// and makes that language the default locale. True when French was asked and found.
bool InstallQtTranslations(int languageOffset);
