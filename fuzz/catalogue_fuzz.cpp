// Every catalogue operation over an arbitrary chgt.cfg: listing in both modes and both
// languages, lookups, language versions, the file to send and its version label.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/loader_state.h"
#include "app/window_selection.h"
#include "base/clock.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "base/silent_user_interaction.h"
#include "catalogue/catalogue.h"
#include "catalogue/selection.h"
#include "serial/no_serial_link.h"

namespace {

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// A catalogue folder that lives as long as the fuzzer, with language files of the model
// names "M" and "VR540" carrying short and long header records.
const std::string& Folder() {
  static const std::string& folder = *new std::string([] {  // kept for the exit handler
    std::string made = (std::filesystem::temp_directory_path() / "kzncatfuzz.XXXXXX").string();
    if (::mkdtemp(made.data()) == nullptr) std::abort();
    WriteFile(made + "/M.fra", std::string{'\x8A', '\x03', '1', '.', '2', '\0', '\0'});
    WriteFile(made + "/M.gb", "\x8B\xFF" + std::string(261, '7'));
    WriteFile(made + "/M.", "\x8C");
    WriteFile(made + "/VR540.fra", "\x8B\x10VR540 V 2.25 build 17 abc");
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return made;
  }());
  return folder;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void Exercise(CLoaderState& w) {
  if (FillReceiverTypeList(w) != 1) return;
  const auto& types = w.receiverTypes;
  Check(types.selection == -1 || types.HasSelection());
  std::size_t count = types.entries.size() < 16 ? types.entries.size() : 16;
  for (std::size_t i = 0; i < count; ++i) {
    Check(!types.entries[i].empty());
    w.receiverTypes.selection = static_cast<int>(i);
    (void)GetWrongChecksumText(CatalogueChoiceOf(w), w.ui, w.language);
    if (!w.IsExpertMode()) {
      FillLanguageVersionList(w);
      Check(w.languageVersions.selection == -1 || w.languageVersions.HasSelection());
    }
    for (int version = -1; version < 3; ++version) {
      w.languageVersions.selection = version;
      UpdateVersionLabel(w);
      Check(w.versionLabel.find('\0') == std::string::npos);
      Check(w.versionLabel.size() <= 10 + 261);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  WriteFile(Folder() + "/chgt.cfg", content);
  CSilentUserInteraction ui;
  CSteadyClock clock;
  CSettingsStore settings(Folder() + "/kznload.INI");
  CNoSerialLink link;
  for (int mode : {0, 1}) {
    for (Language language : {Language::kFrench, Language::kEnglish}) {
      CLoaderState w(ui, clock, settings, link);
      w.language = language;
      w.catalogueFolder = Folder();
      w.mode = mode;
      w.rememberedTypeIndex = static_cast<std::int16_t>(size % 5) - 1;
      Exercise(w);
    }
  }
  (void)ReadVersionNumber(content);
  return 0;
}
