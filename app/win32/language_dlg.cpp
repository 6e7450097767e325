#include "app/win32/language_dlg.h"

#include "app/win32/resource.h"

std::optional<Language> CLanguageDlg::DoModal(HWND owner) {
  chosen_.reset();
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LANGUAGE), owner, DialogProc,
                  reinterpret_cast<LPARAM>(this));
  return chosen_;
}

INT_PTR CALLBACK CLanguageDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    CheckRadioButton(window, IDC_FRENCH, IDC_ENGLISH, IDC_FRENCH);
    return TRUE;
  }
  auto* self = reinterpret_cast<CLanguageDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr || message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_FRENCH:
      if (HIWORD(wParam) == BN_CLICKED) self->chosen_ = Language::kFrench;
      return TRUE;
    case IDC_ENGLISH:
      if (HIWORD(wParam) == BN_CLICKED) self->chosen_ = Language::kEnglish;
      return TRUE;
    case IDOK:
    case IDCANCEL:  // Escape and the close box
      EndDialog(window, LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

std::optional<Language> AskLanguage(HWND owner) {
  CLanguageDlg window;
  return window.DoModal(owner);
}
