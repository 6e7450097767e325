#include "app/win32/win32_user_interaction.h"

#include <cstdio>
#include <string_view>
#include <thread>

#include "app/win32/progress_dlg.h"
#include "base/wide_text.h"

namespace {

// The system's line break inside a box's text.
std::wstring BoxText(const std::string& utf8) {
  std::wstring text;
  for (wchar_t c : WideFromUtf8(utf8)) {
    if (c == L'\n') text.push_back(L'\r');
    text.push_back(c);
  }
  return text;
}

}  // namespace

CWin32UserInteraction::CWin32UserInteraction() : windowThread_(GetCurrentThreadId()) {}

CWin32UserInteraction::~CWin32UserInteraction() = default;

HWND CWin32UserInteraction::BoxOwner() const {
  if (progress_ != nullptr && progress_->Window() != nullptr) return progress_->Window();
  return owner_;
}

int CWin32UserInteraction::ShowBox(const std::wstring& text, int style) {
  if (stopRequested_) return kResultOk;
  const std::wstring caption = WideFromUtf8(LoadMessageText(kMsgTitle, language_));
  return MessageBoxW(BoxOwner(), text.c_str(), caption.c_str(), static_cast<UINT>(style));
}

int CWin32UserInteraction::ShowMessageBox(const MessageBoxRequest& request) {
  LogMessage(std::to_string(request.TextNumber()), request.text);
  if (stopRequested_) return StoppedAnswer(request);
  std::wstring text = BoxText(request.text);
  if (!request.detail.empty()) text += L"\r\n\r\n" + BoxText(request.detail);
  const std::wstring caption = WideFromUtf8(request.caption);
  const int pressed =
      MessageBoxW(BoxOwner(), text.c_str(), caption.c_str(), static_cast<UINT>(request.style));
  // Ended by the stop rather than answered.
  if (stopRequested_) return StoppedAnswer(request);
  return pressed;
}

int CWin32UserInteraction::StoppedAnswer(const MessageBoxRequest& request) const {
  if (request.style != kStyleQuestion) return kResultOk;
  // Nobody is there to answer while the session ends: the answer that loses nothing.
  const int answer = UnattendedAnswer(request);
  LogMessage("answer", answer == kResultYes ? "Yes" : answer == kResultNo ? "No" : "none");
  return answer;
}

void CWin32UserInteraction::RequestStop() {
  stopRequested_ = true;
  EndOpenDialogs();
}

void CWin32UserInteraction::EndOpenDialogs() const {
  struct Keep {
    HWND main;
    HWND progress;
  } keep{owner_, progress_ != nullptr ? progress_->Window() : nullptr};
  EnumThreadWindows(
      windowThread_,
      [](HWND window, LPARAM data) -> BOOL {
        const auto* kept = reinterpret_cast<const Keep*>(data);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        // Dialogs only (message boxes, the language, About and file windows).
        if (window == kept->main || window == kept->progress ||
            std::wstring_view(className) != L"#32770")
          return TRUE;
        // A message box ends by EndDialog whatever its buttons; the file window by its cancel
        // command, like Escape.
        EndDialog(window, IDCANCEL);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&keep));
}

void CWin32UserInteraction::ShowSerialMessage(const std::string& text) {
  LogMessage("serial", text);
  if (GetCurrentThreadId() == windowThread_) {
    ShowBox(BoxText(text), kStyleExclamation);
    return;
  }
  // Without an owner: the main window may be disabled by a load, and the progress window
  // goes when the load ends; the box stays until the user closes it.
  const std::wstring caption = WideFromUtf8(LoadMessageText(kMsgTitle, language_));
  std::thread([box = BoxText(text), caption] {
    MessageBoxW(nullptr, box.c_str(), caption.c_str(),
                MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
  }).detach();
}

void CWin32UserInteraction::ShowFileReadError() {
  LogMessage("file", kFileReadErrorText);
  ShowBox(BoxText(kFileReadErrorText), kStyleExclamation);
}

void CWin32UserInteraction::ShowPortOpenFailure(const PortOpenFailure& failure) {
  const std::string text = PortOpenFailureText(failure, language_ == Language::kFrench);
  LogMessage("serial", text);
  ShowBox(BoxText(text), kStyleExclamation);
}

void CWin32UserInteraction::LogMessage(const std::string& tag, const std::string& text) const {
  if (messageLog_.empty()) return;
  FILE* log = _wfopen(messageLog_.c_str(), L"ab");
  if (log == nullptr) return;
  std::fprintf(log, "[%s] %s\n", tag.c_str(), text.c_str());
  std::fclose(log);
}

bool CWin32UserInteraction::OpenProgress(const std::string& caption) {
  progress_ = std::make_unique<CProgressDlg>(language_);
  return progress_->OpenProgress(owner_, WideFromUtf8(caption));
}

void CWin32UserInteraction::SetProgressText(const std::string& text) {
  if (progress_ != nullptr) progress_->SetProgressText(WideFromUtf8(text));
}

int CWin32UserInteraction::SetProgressPosition(int position) {
  return progress_ != nullptr ? progress_->SetProgressPosition(position) : 0;
}

int CWin32UserInteraction::PollCancel() {
  const int request = progress_ != nullptr ? progress_->PollCancel() : 0;
  // After the pump: the request may have come in with the messages it ran.
  return stopRequested_ ? 1 : request;
}

void CWin32UserInteraction::CloseProgress() {
  if (progress_ == nullptr) return;
  progress_->CloseProgress();
  progress_.reset();
}
