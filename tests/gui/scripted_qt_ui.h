// What every window test needs: the application, offscreen, a user interface whose boxes
// are recorded instead of shown, and the main window over a catalogue folder of the test's.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/loader_state.h"
#include "app/qt/loader_dlg.h"
#include "app/qt/progress_dlg.h"
#include "app/qt/qt_user_interaction.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "tests/support/fake_link.h"
#include "tests/support/temp_dir.h"

// The application, once, offscreen (never on the desktop); never destroyed (Qt's globals).
inline void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "kzn_gui_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// Boxes are recorded instead of waiting for a user; a question is answered No.
class ScriptedQtUi : public CQtUserInteraction {
 public:
  struct Shown {
    int textNumber, style;
    bool progressOpen, ownerWasEnabled;  // at the moment the box came
    std::string text;
    std::string detail;
  };
  int ExecMessageBox(const MessageBoxRequest& r) override {
    messages.push_back({r.TextNumber(), r.style, Progress() != nullptr,
                        owner != nullptr && owner->isEnabled(), r.text, r.detail});
    if (onMessage) onMessage();
    return r.style == kStyleQuestion ? kResultNo : kResultOk;
  }
  void ShowSerialMessage(const std::string& text) override {
    std::lock_guard<std::mutex> lock(serialMutex_);  // may come from the reader thread
    serialMessages.push_back(text);
  }
  void ShowFileReadError() override {
    ShowMessageBox({-1, Language::kFrench, "", "", kStyleStop, {}});
  }

  // The numbers of the boxes shown, in order.
  std::vector<int> Numbers() const {
    std::vector<int> numbers;
    for (const Shown& m : messages)
      numbers.push_back(m.textNumber);
    return numbers;
  }

  std::vector<Shown> messages;
  std::vector<std::string> serialMessages;
  QWidget* owner = nullptr;
  std::function<void()> onMessage;

 private:
  std::mutex serialMutex_;
};

// A language window closed without a click.
inline std::optional<Language> NoLanguageClicked() {
  return std::nullopt;
}

// The main window on a link of the virtual clock; each suite writes its own catalogue.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApplication(); }
  // Opens the window (anew) over `state`, the fixture's own by default.
  void Open(std::function<std::optional<Language>()> ask = NoLanguageClicked,
            CLoaderState* state = nullptr) {
    dlg.reset();
    dlg = std::make_unique<CLoaderDlg>(state != nullptr ? *state : w, ui, std::move(ask));
    // No catalogue: the folder window is cancelled.
    dlg->SetCatalogueFolderChooser([] { return std::optional<std::string>(); });
    ui.owner = dlg.get();
    dlg->Initialise(catalogue.Path());
    dlg->show();
  }
  template <class T = QWidget>
  T* Find(const char* name) {
    return dlg->findChild<T*>(name);
  }

  TempDir catalogue, config;
  CVirtualClock clock;
  FakeLink link{clock};
  ScriptedQtUi ui;
  CSettingsStore settings{config.File("kznload.INI")};
  CLoaderState w{ui, clock, settings, link};
  std::unique_ptr<CLoaderDlg> dlg;
};
