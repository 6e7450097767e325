// Filling the receiver-type list in standard mode from a catalogue of 1,000 types with two
// language lines each. Every type costs two passes over the file up to its record, so the
// work grows with the square of the catalogue's size; no cache is allowed to hide that.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/loader_state.h"
#include "app/window_selection.h"
#include "base/clock.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "base/user_interaction.h"
#include "catalogue/catalogue.h"
#include "serial/no_serial_link.h"

namespace {

constexpr int kTypes = 1000;
constexpr int kRuns = 7;

class CountingUi : public UserInteraction {
 public:
  int ShowMessageBox(const MessageBoxRequest&) override {
    ++boxes;
    return kResultOk;
  }
  void ShowSerialMessage(const std::string&) override {}
  void ShowFileReadError() override { ++boxes; }
  bool OpenProgress(const std::string&) override { return true; }
  void SetProgressText(const std::string&) override {}
  int SetProgressPosition(int) override { return 0; }
  int PollCancel() override { return 0; }
  void CloseProgress() override {}
  int boxes = 0;
};

}  // namespace

int main() {
  std::string folder = (std::filesystem::temp_directory_path() / "kzncatbench.XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  {
    std::ofstream catalogue(folder + "/chgt.cfg", std::ios::binary);
    for (int i = 0; i < kTypes; ++i) {
      std::string model = "MODEL" + std::to_string(i);
      catalogue << "REC:Receiver type " << i << "\r\nNAM:" << model
                << "\r\nE/S:" << (i % 2 ? "VR" : "TK20B") << "\r\nWRG:$PKZN,WRONG CHECKSUM\r\n"
                << "LFR:fra;Version fran\xe7"
                   "aise\r\nLGB:gb;English version\r\n";
      std::ofstream(folder + "/" + model + ".fra");
    }
  }
  CountingUi ui;
  CSteadyClock clock;
  CSettingsStore settings(folder + "/kznload.INI");
  CNoSerialLink link;
  CLoaderState w(ui, clock, settings, link);
  w.catalogueFolder = folder;
  w.language = Language::kFrench;

  std::vector<double> ms;
  for (int run = 0; run < kRuns; ++run) {
    auto start = std::chrono::steady_clock::now();
    std::int8_t result = FillReceiverTypeList(w);
    auto end = std::chrono::steady_clock::now();
    if (result != 1 || w.receiverTypes.entries.size() != kTypes || ui.boxes != 0) {
      std::fprintf(stderr, "unexpected result: %d, %zu entries\n", result,
                   w.receiverTypes.entries.size());
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf(
      "FillReceiverTypeList, standard mode, %d types x 2 language lines: "
      "median %.1f ms, best %.1f ms, worst %.1f ms (%d runs)\n",
      kTypes, ms[ms.size() / 2], ms.front(), ms.back(), kRuns);
  std::filesystem::remove_all(folder);
  return 0;
}
