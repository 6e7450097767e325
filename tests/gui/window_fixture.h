// A catalogue folder with two loadable families and a few types the start button must not
// load, a settings store of its own, and the window state over a scripted receiver.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "tests/support/fake_link.h"
#include "tests/support/temp_dir.h"

// The catalogue: "VR540" (first family, French label written on Windows in 1252),
// "TK20B" (second family), "Odd" (tag "tk"), "Blank" (tag "VR " with a trailing blank),
// and "Ghost", whose only language file is missing.
void WriteSampleCatalogue(const TempDir& folder);

// The file `name` with a header record carrying `version` (form B: 0x8A, length, text).
void WriteProgramFile(const TempDir& folder, const std::string& name, const std::string& version);

inline const std::string kFrenchLabel1252 =
    "Version fran\xE7"
    "aise";
inline const std::string kFrenchLabelUtf8 = "Version française";

template <class Ui>
struct WindowFixture {
  TempDir catalogue;
  TempDir config;
  VirtualClock clock;
  FakeLink link{clock};
  Ui ui;
  CSettingsStore settings{config.File("kznload.INI")};
  CLoaderState w{ui, clock, settings, link};

  WindowFixture() {
    LanguageOffset = kFrenchOffset;
    WriteSampleCatalogue(catalogue);
  }
  int StoredInt(const char* section, const char* key) {
    return settings.GetInt(section, key, -999);
  }
};
