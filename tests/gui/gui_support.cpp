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

void WriteSampleCatalogue(const TempDir& folder) {
  folder.Write("chgt.cfg",
               "REC:VR540\r\nNAM:VR540\r\nE/S:VR\r\nWRG:BAD CHECKSUM\r\n"
               "LFR:fra;Version fran\xE7"
               "aise\r\nLGB:gb;English version\r\n"
               "REC:TK20B\r\nNAM:TK20B\r\nE/S:TK20B\r\nWRG:ERR\r\n"
               "LFR:fra;Version française\r\nLGB:fra;French version\r\n"
               "REC:Odd\r\nNAM:ODD\r\nE/S:tk\r\nLFR:fra;Version\r\nLGB:fra;Version\r\n"
               "REC:Blank\r\nNAM:BLANK\r\nE/S:VR \r\nLFR:fra;Version\r\nLGB:fra;Version\r\n"
               "REC:Ghost\r\nNAM:GHOST\r\nE/S:VR\r\nLFR:fra;Version\r\n");
  // Each file opens with a header record carrying its version (0x8A, length, text).
  for (const std::string version :
       {"VR540 FR 2.40 2001", "VR540 GB 2.40 2001", "TK20B 1.00", "ODD", "BLANK"}) {
    const std::string name = version.substr(0, version.find(' '));
    const std::string ext = version.find(" GB") != std::string::npos ? ".gb" : ".fra";
    folder.Write(name + ext, "\x8A" + std::string(1, static_cast<char>(version.size())) + version +
                                 std::string(24, ' ') + "\x8B");
  }
}
