#include "app/win32/loader_dlg.h"

#include <windowsx.h>

#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "app/win32/about_dlg.h"
#include "app/win32/file_window.h"
#include "app/win32/language_dlg.h"
#include "app/win32/placement.h"
#include "app/win32/progress_dlg.h"
#include "app/win32/resource.h"
#include "app/win32/win32_user_interaction.h"
#include "app/win32/window_text.h"
#include "base/wide_text.h"

namespace {

constexpr int kPortButtons[] = {IDC_PORT1, IDC_PORT2, IDC_PORT3, IDC_PORT4};
// The start button's picture, larger than a small icon so it reads as the thing to press.
constexpr int kStartPicturePx = 40;
constexpr int kFilePicturePx = 24;

void ShowEntries(HWND list, const ChoiceList& choices) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const std::string& entry : choices.entries) {
    const std::wstring text = WideFromDisplayBytes(entry);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageW(list, CB_SETCURSEL,
               static_cast<WPARAM>(choices.HasSelection() ? choices.selection : -1), 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

HICON LoadIconSized(int id, int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                       size, size, LR_DEFAULTCOLOR));
}

void SetText(HWND window, int id, int messageId, Language language) {
  SetDlgItemTextW(window, id, WideFromUtf8(LoadMessageText(messageId, language)).c_str());
}

// What the system shows beside the program while a load holds up a log-off or shutdown.
const wchar_t* SessionBlockReason(Language language) {
  return language == Language::kFrench
             ? L"Chargement d'un r\u00e9cepteur en cours : l'interrompre le laisserait sans "
               L"programme."
             : L"A receiver is being loaded: stopping now would leave it without its program.";
}

}  // namespace

CLoaderDlg::CLoaderDlg(CLoaderState& state, CWin32UserInteraction& ui,
                       std::function<std::optional<Language>(HWND)> askLanguage)
    : w_(state), ui_(ui), askLanguage_(std::move(askLanguage)) {
  if (!askLanguage_) askLanguage_ = AskLanguage;
}

INT_PTR CLoaderDlg::DoModal(const std::string& catalogueFolder) {
  catalogueFolder_ = catalogueFolder;
  const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LOADER),
                                         nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  ui_.SetOwner(nullptr);
  if (largeIcon_ != nullptr) DestroyIcon(largeIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
  largeIcon_ = smallIcon_ = nullptr;
  return result;
}

INT_PTR CALLBACK CLoaderDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CLoaderDlg*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->window_ = window;
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<CLoaderDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

BOOL CLoaderDlg::OnInitDialog() {
  ui_.SetOwner(window_);
  WindowInitialisation initialisation;
  // Without an owner: the main window is not shown yet, and a window it owned would hand the
  // activation back to a hidden window when it closes, leaving the main window without the
  // keyboard once it shows.
  initialisation.askLanguage = [this] { return askLanguage_(nullptr); };
  initialisation.setUpControls = [this] { SetUpControls(); };
  initialisation.restorePlacement = [this](const WindowPlacement& stored) {
    RestorePlacement(SystemPlacementOf(stored));
  };
  InitialiseMainWindow(w_, initialisation, catalogueFolder_);
  started_ = true;
  if (sessionEnding_) {
    // The session ended during the start-up (the language window of the first start closed
    // by it): nothing the user chose is in the window yet, so nothing is saved.
    EndDialog(window_, IDCANCEL);
    return TRUE;
  }
  const bool focusStart = w_.startHasFocus;
  w_.startHasFocus = false;
  ShowState();
  if (focusStart) {
    // Once the lists are filled the start button has the keyboard focus, so Enter or Space
    // starts the load.
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, IDC_START)),
                 TRUE);
    return FALSE;
  }
  return TRUE;
}

void CLoaderDlg::SetUpControls() {
  const Language language = w_.language;
  ui_.SetLanguage(language);
  const std::wstring about = WideFromUtf8(LoadMessageText(kMsgAboutEntry, language));
  if (!about.empty()) {
    if (HMENU menu = GetSystemMenu(window_, FALSE); menu != nullptr) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, IDM_ABOUT, about.c_str());
    }
  }
  largeIcon_ = LoadIconSized(IDI_KZNLOAD, GetSystemMetrics(SM_CXICON));
  smallIcon_ = LoadIconSized(IDI_KZNLOAD, GetSystemMetrics(SM_CXSMICON));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  SendDlgItemMessageW(window_, IDC_CHOOSE_FILE, BM_SETIMAGE, IMAGE_ICON,
                      reinterpret_cast<LPARAM>(
                          LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_OPEN_FILE),
                                     IMAGE_ICON, kFilePicturePx, kFilePicturePx, LR_SHARED)));
  SetText(window_, IDC_FILE_GROUP, kMsgLanguageVersionGroup, language);
  SetText(window_, IDC_RECEIVER_TYPE_GROUP, kMsgReceiverTypeGroup, language);
  SetText(window_, IDC_START_PROMPT, kMsgStartPrompt, language);
  SetWindowTextW(window_, WideFromUtf8(LoadMessageText(kMsgTitle, language)).c_str());
  SendDlgItemMessageW(window_, IDC_START, BM_SETIMAGE, IMAGE_ICON,
                      reinterpret_cast<LPARAM>(
                          LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_START),
                                     IMAGE_ICON, kStartPicturePx, kStartPicturePx, LR_SHARED)));
  ShowState();
}

void CLoaderDlg::RestorePlacement(const WINDOWPLACEMENT& placement) {
  // The system keeps a rectangle that no monitor shows any more on one that does.
  SetWindowPlacement(window_, &placement);
}

void CLoaderDlg::ShowControl(int id, bool visible) {
  ShowWindow(GetDlgItem(window_, id), visible ? SW_SHOW : SW_HIDE);
}

void CLoaderDlg::ShowPort() {
  for (int i = 0; i < 4; ++i) {
    CheckDlgButton(window_, kPortButtons[i], w_.portNumber == i + 1 ? BST_CHECKED : BST_UNCHECKED);
  }
}

void CLoaderDlg::ShowState() {
  if (window_ == nullptr) return;
  const bool expert = w_.IsExpertMode();
  ShowPort();
  ShowEntries(GetDlgItem(window_, IDC_RECEIVER_TYPES), w_.receiverTypes);
  ShowEntries(GetDlgItem(window_, IDC_LANGUAGE_VERSIONS), w_.languageVersions);
  SetDlgItemTextW(window_, IDC_FILE_PATH, WidePathFromBytes(w_.FilePath()).c_str());
  SetDlgItemTextW(window_, IDC_VERSION_LABEL, WideFromDisplayBytes(w_.versionLabel).c_str());
  CheckDlgButton(window_, IDC_KEEP_USER_DATA, w_.keepUserData ? BST_CHECKED : BST_UNCHECKED);
  ShowControl(IDC_CHOOSE_FILE, expert);
  ShowControl(IDC_FILE_PATH, expert);
  ShowControl(IDC_KEEP_USER_DATA, expert);
  ShowControl(IDC_LANGUAGE_VERSIONS, !expert);
  EnableWindow(GetDlgItem(window_, IDC_START), w_.startEnabled ? TRUE : FALSE);
  if (w_.startHasFocus) {
    // Through the dialog, so that the start button also becomes the default button.
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, IDC_START)),
                 TRUE);
    w_.startHasFocus = false;
  }
}

INT_PTR CLoaderDlg::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUT) {
        // Not during a load: its loop would hold the load up until the window is closed.
        if (!loading_ && started_ && !sessionEnding_) ShowAbout(window_);
        return TRUE;
      }
      return FALSE;
    case WM_QUERYDRAGICON:
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(largeIcon_));
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_QUERYENDSESSION:
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, OnQueryEndSession() ? TRUE : FALSE);
      return TRUE;
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
      return TRUE;
    case WM_LBUTTONDBLCLK:
      // The window's own surface: labels and frames let clicks through to it.
      if (CountDoubleClick(w_)) ShowState();
      return FALSE;
    default:
      return FALSE;
  }
}

void CLoaderDlg::OnCommand(int id, int notification) {
  switch (id) {
    case IDC_PORT1:
    case IDC_PORT2:
      if (notification == BN_CLICKED) {
        ClickPort(w_, id == IDC_PORT1 ? 1 : 2);
        ShowPort();
      }
      return;
    case IDC_RECEIVER_TYPES:
      if (notification == CBN_SELCHANGE) {
        SelectReceiverType(w_, static_cast<int>(SendDlgItemMessageW(window_, IDC_RECEIVER_TYPES,
                                                                    CB_GETCURSEL, 0, 0)));
        ShowState();
      }
      return;
    case IDC_LANGUAGE_VERSIONS:
      if (notification == CBN_SELCHANGE) {
        SelectLanguageVersion(w_, static_cast<int>(SendDlgItemMessageW(
                                      window_, IDC_LANGUAGE_VERSIONS, CB_GETCURSEL, 0, 0)));
        ShowState();
      }
      return;
    case IDC_KEEP_USER_DATA:
      if (notification == BN_CLICKED)
        w_.keepUserData = IsDlgButtonChecked(window_, IDC_KEEP_USER_DATA) == BST_CHECKED;
      return;
    case IDC_CHOOSE_FILE:
      if (notification == BN_CLICKED) OnChooseFile();
      return;
    case IDC_START:
      if (notification == BN_CLICKED) OnStart();
      return;
    case IDCANCEL:
      // Escape ends the window without saving anything, as it always has; never in a load.
      if (!loading_) EndDialog(window_, IDCANCEL);
      return;
    default:
      // Enter away from a push button: it must neither start a load through a remembered
      // default button nor end the window without saving.
      return;
  }
}

void CLoaderDlg::OnClose() {
  // The close box stays live on a disabled window; closing now would shut the port in the
  // middle of a load.
  if (loading_) return;
  SaveAndEnd();
}

bool CLoaderDlg::OnQueryEndSession() const {
  // Ended now, the program would leave the receiver in the middle of a record. The user sees
  // why (BlockSessionEnd) and may still log off; a log-off they cancel leaves the load alone.
  return !loading_;
}

void CLoaderDlg::OnEndSession(bool ending) {
  if (!ending || sessionEnding_) return;
  sessionEnding_ = true;
  // The session ends for certain: a confirmed cancel. The boxes and windows open over this one
  // end first, so that their loops return.
  ui_.RequestStop();
  // The system ends the program soon after this returns. A load stops at its next cancel
  // point if there is time, and the window ends after it (OnStart); cut off before, the port
  // stays marked unfinished and the next load restores the receiver's tables from the dump.
  // Before the start-up has returned nothing is saved (OnInitDialog).
  if (loading_ || !started_) return;
  // No close box comes: what closing the window keeps is kept now.
  SaveAndEnd();
}

void CLoaderDlg::BlockSessionEnd() {
  blockingSessionEnd_ =
      ShutdownBlockReasonCreate(window_, SessionBlockReason(w_.language)) != FALSE;
}

void CLoaderDlg::UnblockSessionEnd() {
  if (blockingSessionEnd_) ShutdownBlockReasonDestroy(window_);
  blockingSessionEnd_ = false;
}

void CLoaderDlg::SaveAndEnd() {
  WINDOWPLACEMENT system{};
  system.length = sizeof system;
  std::optional<WindowPlacement> placement;
  if (GetWindowPlacement(window_, &system))
    placement = StoredPlacementOf(system, IsZoomed(window_) != FALSE);
  CloseMainWindow(w_, placement);
  EndDialog(window_, IDCANCEL);
}

void CLoaderDlg::OnChooseFile() {
  const std::string path = AskFileToSend(window_, w_.folder, w_.language);
  if (path.empty()) return;
  ChooseFile(w_, path);
  ShowState();
}

void CLoaderDlg::OnStart() {
  if (loading_ || sessionEnding_) return;
  loading_ = true;
  BlockSessionEnd();
  const LoadOutcome outcome = StartLoad(w_);
  loading_ = false;
  UnblockSessionEnd();
  if (sessionEnding_) {
    // Stopped by the session's end: the window ends as a close would end it.
    SaveAndEnd();
    return;
  }
  // A refusal in the load's own words (no message of the table says it) is told here.
  if (!outcome.told && outcome.end != LoadEnd::kCancelled && !ui_.StopRequested()) {
    MessageBoxRequest request;
    request.text = UntoldOutcomeText(outcome, w_.language);
    request.caption = LoadMessageText(kMsgTitle, w_.language);
    request.style = kStyleExclamation;
    ui_.ShowMessageBox(request);
  }
  ui_.ClearStop();
  ShowState();
}
