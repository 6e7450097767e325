#include "app/win32/about_dlg.h"

#include "app/win32/resource.h"

namespace {

// The picture is drawn from an image of its own size (48 pixels at 100 %, 72 and 96 for
// larger text), never scaled from another one, and the text starts just beside it.
constexpr int kPicturePx = 48;
constexpr int kPictureGapPx = 12;

void PlacePicture(HWND window) {
  HDC screen = GetDC(window);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ReleaseDC(window, screen);
  const int size = MulDiv(kPicturePx, dpi, 96);
  // Not shared: a shared load hands back the icon the template's control already loaded at
  // the system's icon size, which then shows scaled up. One icon for the program's life.
  static HANDLE picture = nullptr;
  static int pictureSize = 0;
  if (picture == nullptr || pictureSize != size) {
    if (picture != nullptr) DestroyIcon(static_cast<HICON>(picture));
    picture = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ABOUT), IMAGE_ICON, size,
                         size, 0);
    pictureSize = size;
  }
  HWND control = GetDlgItem(window, IDC_ABOUT_PICTURE);
  HWND text = GetDlgItem(window, IDC_ABOUT_TEXT);
  if (picture == nullptr || control == nullptr || text == nullptr) return;
  SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(picture), 0);
  RECT at{};
  GetWindowRect(control, &at);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&at), 2);
  SetWindowPos(control, nullptr, at.left, at.top, size, size, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT textAt{};
  GetWindowRect(text, &textAt);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&textAt), 2);
  SetWindowPos(text, nullptr, at.left + size + MulDiv(kPictureGapPx, dpi, 96), textAt.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_INITDIALOG) {
    PlacePicture(window);
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
