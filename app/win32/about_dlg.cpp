#include "app/win32/about_dlg.h"

#include "app/win32/resource.h"

namespace {

constexpr int kPicturePx = 64;

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_INITDIALOG) {
    // The picture at its own size, larger than the system's icon size the template gives.
    HANDLE picture = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ABOUT), IMAGE_ICON,
                                kPicturePx, kPicturePx, LR_SHARED);
    if (picture != nullptr)
      SendDlgItemMessageW(window, IDC_ABOUT_PICTURE, STM_SETICON, reinterpret_cast<WPARAM>(picture),
                          0);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(window, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowAbout(HWND owner) {
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutProc, 0);
}
