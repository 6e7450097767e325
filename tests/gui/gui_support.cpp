#include "tests/gui/gui_support.h"

#include <QApplication>
#include <cstdlib>

#include "app/messages.h"
#include "app/qt/progress_dlg.h"

void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  // Never a real display: the tests must not open windows on the developer's desktop.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "kzn_gui_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: Qt's own globals may already be gone when statics are torn down.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

int ScriptedQtUi::ShowMessageBox(const MessageBoxRequest& request) {
  messages.push_back({request.textNumber, request.style, request.text, request.caption,
                      Progress() != nullptr, owner != nullptr && owner->isEnabled()});
  return request.style == kStyleQuestion ? kResultNo : kResultOk;
}

void ScriptedQtUi::ShowSerialMessage(const std::string& text) {
  std::lock_guard<std::mutex> lock(serialMutex_);
  serialMessages.push_back(text);
}

std::vector<int> ScriptedQtUi::MessageIds() const {
  std::vector<int> ids;
  for (const Shown& m : messages)
    ids.push_back(m.textNumber > kLastMessageId ? m.textNumber - kEnglishOffset : m.textNumber);
  return ids;
}
