#include "app/win32/progress_dlg.h"

#include <commctrl.h>

#include <cstdint>

#include "app/win32/resource.h"
#include "app/win32/window_text.h"
#include "base/wide_text.h"

CProgressDlg::CProgressDlg(Language language) : language_(language) {}

CProgressDlg::~CProgressDlg() {
  CloseProgress();
}

bool CProgressDlg::OpenProgress(HWND parent, const std::wstring& caption) {
  if (window_ != nullptr) return true;
  caption_ = caption;
  cancelRequest_ = 0;
  owner_ = parent != nullptr ? GetAncestor(parent, GA_ROOTOWNER) : nullptr;
  if (owner_ != nullptr && IsWindowEnabled(owner_)) {
    EnableWindow(owner_, FALSE);
    ownerDisabled_ = true;
  }
  // Owned, not a child: a disabled owner leaves the windows it owns usable.
  window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), parent,
                               DialogProc, reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) {
    GiveOwnerBack();
    return false;
  }
  SetDlgItemTextW(window_, IDCANCEL,
                  WideFromUtf8(LoadMessageText(kMsgCancelButton, language_)).c_str());
  return true;
}

void CProgressDlg::OnInitDialog() {
  HWND bar = GetDlgItem(window_, IDC_PROGRESS_BAR);
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(lower_, upper_));
  SendMessageW(bar, PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(lower_), 0);
  SetWindowTextW(window_, caption_.c_str());
  // Centred on the main window, which it stands for while the load runs.
  if (owner_ != nullptr) {
    RECT ownerRect;
    RECT ownRect;
    if (GetWindowRect(owner_, &ownerRect) && GetWindowRect(window_, &ownRect)) {
      const int width = ownRect.right - ownRect.left;
      const int height = ownRect.bottom - ownRect.top;
      const int x = (ownerRect.left + ownerRect.right - width) / 2;
      const int y = (ownerRect.top + ownerRect.bottom - height) / 2;
      SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void CProgressDlg::SetProgressText(const std::wstring& text) {
  if (window_ != nullptr) SetDlgItemTextW(window_, IDC_STATUS_TEXT, text.c_str());
}

int CProgressDlg::SetProgressPosition(int position) {
  PumpPendingMessages();
  if (window_ == nullptr) return 0;
  const LRESULT previous =
      SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  model_.SetPosition(position, static_cast<std::int64_t>(GetTickCount64()));
  const std::wstring text = WideFromUtf8(model_.PercentText());
  // Rewritten only when it changes, so the text does not flicker.
  if (PercentText() != text) {
    SetDlgItemTextW(window_, IDC_PERCENT_TEXT, text.c_str());
    ++percentWrites_;
  }
  return static_cast<int>(previous);
}

int CProgressDlg::PollCancel() {
  PumpPendingMessages();
  const int request = cancelRequest_;
  cancelRequest_ = 0;
  return request;
}

void CProgressDlg::PumpPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // For the loop that waits for it, once the load has returned.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    // Tab, Enter and Escape in this window are its dialog navigation.
    if (window_ != nullptr && IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void CProgressDlg::CloseProgress() {
  // The owner first, so that it, and not some other program, becomes active again.
  GiveOwnerBack();
  if (window_ != nullptr) {
    HWND window = window_;
    window_ = nullptr;
    DestroyWindow(window);
  }
}

std::wstring CProgressDlg::StatusText() const {
  return window_ != nullptr ? WindowTextOf(GetDlgItem(window_, IDC_STATUS_TEXT)) : L"";
}

std::wstring CProgressDlg::PercentText() const {
  return window_ != nullptr ? WindowTextOf(GetDlgItem(window_, IDC_PERCENT_TEXT)) : L"";
}

int CProgressDlg::Position() const {
  if (window_ == nullptr) return 0;
  return static_cast<int>(SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
}

void CProgressDlg::GiveOwnerBack() {
  if (ownerDisabled_ && owner_ != nullptr) EnableWindow(owner_, TRUE);
  ownerDisabled_ = false;
}

INT_PTR CALLBACK CProgressDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CProgressDlg*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->window_ = window;
    self->OnInitDialog();
    return TRUE;
  }
  auto* self = reinterpret_cast<CProgressDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CProgressDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
      // The window it stands for decides whether the session may end, and stops the load.
      if (owner_ == nullptr) return FALSE;
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, SendMessageW(owner_, message, wParam, lParam));
      return TRUE;
    case WM_COMMAND:
      // The cancel button, Escape: a request that the load reads at its next poll; the
      // window stays. Enter presses the default button, which is cancel; there is no OK.
      if (LOWORD(wParam) == IDCANCEL) cancelRequest_ = 1;
      return TRUE;
    case WM_CLOSE:  // the close box, as the cancel button
      cancelRequest_ = 1;
      return TRUE;
    default:
      return FALSE;
  }
}
