// The language window of the first start. Its texts are fixed, in both languages at once.
// A click on a radio button chooses its language at once; OK, Escape and the close box only
// close the window, so the pre-checked "Francais" alone chooses nothing.
#pragma once

#include <windows.h>

#include <optional>

#include "base/messages.h"

class CLanguageDlg {
 public:
  // Shows the window modally over `owner`; the language last clicked, none without a click.
  std::optional<Language> DoModal(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::optional<Language> chosen_;
};

// The language window as the main window's initialisation asks for it.
std::optional<Language> AskLanguage(HWND owner);
