#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"
#include "base/settings_store.h"
#include "base/user_interaction.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

// Every message number the program shows, in the French block.
const int kMessageIds[] = {101, 104, 107, 108, 109, 110, 113, 114, 115, 116, 117, 119, 121,
                           122, 123, 124, 125, 126, 127, 129, 130, 131, 132, 133, 134, 135,
                           136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146};

bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

TEST(LanguageTest, EveryNumberHasItsTextInBothLanguages) {
  for (int id : kMessageIds) {
    SCOPED_TRACE(id);
    EXPECT_GE(id, kFirstMessageId);
    EXPECT_LE(id, kLastMessageId);
    const std::string french = LoadTextByNumber(id + kFrenchOffset);
    const std::string english = LoadTextByNumber(id + kEnglishOffset);
    EXPECT_FALSE(french.empty());
    EXPECT_FALSE(english.empty());
    EXPECT_TRUE(IsUtf8(french) && IsUtf8(english));
    // Only the title reads the same in both languages.
    EXPECT_EQ(french == english, id == kMsgTitle) << french;
  }
  for (int id : {0, -1, kFirstMessageId - 1, kLastMessageId + kEnglishOffset + 1, 99999})
    EXPECT_EQ(LoadTextByNumber(id), "") << id;
}

TEST(LanguageTest, MessageBoxCarriesTextStyleAndTheTitleAsCaptionInBothLanguages) {
  RecordingUi ui;
  ui.answers = {kResultYes, 2};
  for (Language language : {Language::kFrench, Language::kEnglish}) {
    EXPECT_EQ(ShowMessageById(ui, language, kMsgLoadingOk, kStyleInformation), kResultOk);
  }
  EXPECT_EQ(ShowMessageById(ui, Language::kEnglish, kMsgConfirmAbort, kStyleQuestion), kResultYes);
  EXPECT_EQ(ShowMessageById(ui, Language::kEnglish, kMsgConfirmAbort, kStyleQuestion), 2);
  EXPECT_EQ(ShowMessageById(ui, Language::kEnglish, kMsgConfirmAbort, kStyleQuestion), kResultNo);
  ASSERT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(ui.messages[0].text, "Chargement OK.");
  EXPECT_EQ(ui.messages[0].textNumber, kMsgLoadingOk);
  EXPECT_EQ(ui.messages[1].text, "Software version succesfully loaded.");
  EXPECT_EQ(ui.messages[1].textNumber, kMsgLoadingOk + kEnglishOffset);
  EXPECT_EQ(ui.messages[4].textNumber, kMsgConfirmAbort + kEnglishOffset);
  EXPECT_EQ(ui.messages[2].style, kStyleQuestion);
  for (const auto& m : ui.messages)
    EXPECT_EQ(m.caption, "KZN LOAD 1.12 January 2001");
}

struct LanguageCase {
  const char* stored;            // nullptr: no key
  std::vector<Language> clicks;  // what the user clicks in the window
  bool windowOpens;
  Language expected;
};

TEST(LanguageTest, ChooseLanguageAsksOnlyWithoutAValidStoredIndex) {
  const LanguageCase cases[] = {
      {nullptr, {}, true, Language::kFrench},
      {nullptr, {Language::kEnglish}, true, Language::kEnglish},
      {nullptr, {Language::kEnglish, Language::kFrench}, true, Language::kFrench},
      {"0", {}, false, Language::kFrench},
      {"1", {}, false, Language::kEnglish},
      {"2", {Language::kEnglish}, true, Language::kEnglish},
      {"-1", {}, true, Language::kFrench},
      {"x", {}, false, Language::kFrench},  // no digits reads 0
  };
  for (const LanguageCase& c : cases) {
    TempDir dir;
    CSettingsStore store(dir.File("kznload.INI"));
    if (c.stored != nullptr) {
      ASSERT_TRUE(store.SetText("LANGUAGE", "TYPE_LANG", c.stored));
    }
    bool opened = false;
    const Language chosen = ChooseLanguage(store, [&]() -> std::optional<Language> {
      opened = true;
      if (c.clicks.empty()) return std::nullopt;
      return c.clicks.back();
    });
    EXPECT_EQ(opened, c.windowOpens) << (c.stored ? c.stored : "(none)");
    EXPECT_EQ(chosen, c.expected) << (c.stored ? c.stored : "(none)");
    // Choosing never writes the store; only the main window's close does.
    EXPECT_EQ(store.GetInt("LANGUAGE", "TYPE_LANG", -7), c.stored ? ParseProfileInt(c.stored) : -7);
  }
}

}  // namespace
