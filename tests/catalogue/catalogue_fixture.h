// A main-window state over a catalogue folder in a temporary directory, with a recording
// user interface; the interface language is French unless a test says otherwise.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/loader_state.h"
#include "base/clock.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "tests/support/fake_link.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() : settings(dir.File("kznload.INI")), link(clock), w(ui, clock, settings, link) {
    w.catalogueFolder = dir.Path();
  }

  void WriteCatalogue(const std::string& text) { dir.Write("chgt.cfg", text); }
  // Empty language files: only their existence matters.
  void Touch(std::initializer_list<std::string> names) {
    for (const auto& name : names)
      dir.Write(name, "");
  }
  void SelectType(const std::string& name) {
    auto& entries = w.receiverTypes.entries;
    auto found = std::find(entries.begin(), entries.end(), name);
    if (found == entries.end()) found = entries.insert(entries.end(), name);
    w.receiverTypes.selection = static_cast<int>(found - entries.begin());
  }
  int CountShown(int messageId, int style) const {
    return static_cast<int>(
        std::count_if(ui.messages.begin(), ui.messages.end(), [&](const RecordingUi::Shown& shown) {
          return shown.textNumber == TextNumber(messageId, w.language) && shown.style == style;
        }));
  }

  TempDir dir;
  RecordingUi ui;
  CVirtualClock clock;
  CSettingsStore settings;
  FakeLink link;
  CLoaderState w;
};

using Entries = std::vector<std::string>;
