// A catalogue folder with two loadable families and a few types the start button must not
// load, a settings store of its own, and the window state over a scripted receiver.
#pragma once

#include <gtest/gtest.h>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "tests/support/fake_link.h"
#include "tests/support/temp_dir.h"

// "VR540" (first family, French label written on Windows in 1252), "TK20B" (second
// family), "Odd" (tag "tk"), "Blank" (tag "VR " with a trailing blank), and "Ghost", whose
// only language file is missing.
void WriteSampleCatalogue(const TempDir& folder);

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
