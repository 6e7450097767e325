#include <gtest/gtest.h>

#include <string>

#include "base/display_text.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "base/user_interaction.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(LanguageTest, EveryNumberHasItsTextInBothLanguages) {
  // Every message number the program shows, in the French block.
  for (int id : {101, 104, 107, 108, 109, 110, 113, 114, 115, 116, 117, 119, 121,
                 122, 123, 124, 125, 126, 127, 129, 130, 131, 132, 133, 134, 135,
                 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146}) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(id >= kFirstMessageId && id <= kLastMessageId);
    const std::string french = LoadTextByNumber(id + kFrenchOffset);
    const std::string english = LoadTextByNumber(id + kEnglishOffset);
    EXPECT_FALSE(french.empty() || english.empty());
    EXPECT_TRUE(IsValidUtf8(french) && IsValidUtf8(english));
    // Only the title reads the same in both languages.
    EXPECT_EQ(french == english, id == kMsgTitle) << french;
  }
  for (int id : {0, -1, kFirstMessageId - 1, kLastMessageId + kEnglishOffset + 1, 99999})
    EXPECT_EQ(LoadTextByNumber(id), "") << id;
}

TEST(LanguageTest, MessageBoxCarriesTextStyleAndTheTitleAsCaptionInBothLanguages) {
  RecordingUi ui;
  ui.answers = {kResultYes, 2};
  for (Language language : {Language::kFrench, Language::kEnglish})
    EXPECT_EQ(ShowMessageById(ui, language, kMsgLoadingOk, kStyleInformation), kResultOk);
  for (int answer : {kResultYes, 2, kResultNo})
    EXPECT_EQ(ShowMessageById(ui, Language::kEnglish, kMsgConfirmAbort, kStyleQuestion), answer);
  std::vector<std::pair<int, int>> shown;  // number and style of each box
  for (const auto& m : ui.messages) {
    shown.emplace_back(m.textNumber, m.style);
    EXPECT_EQ(m.caption, "KZN LOAD 1.12 January 2001");
  }
  std::vector expected(5, std::pair(kMsgConfirmAbort + kEnglishOffset, kStyleQuestion));
  expected[0] = {kMsgLoadingOk, kStyleInformation};
  expected[1] = {kMsgLoadingOk + kEnglishOffset, kStyleInformation};
  ASSERT_EQ(shown, expected);
  EXPECT_EQ(ui.messages[0].text + "|" + ui.messages[1].text,
            "Chargement OK.|Software version succesfully loaded.");
}

TEST(LanguageTest, ChooseLanguageAsksOnlyWithoutAValidStoredIndex) {
  const struct {
    const char* stored;            // nullptr: no key
    std::vector<Language> clicks;  // what the user clicks in the window
    bool windowOpens;
    Language expected;
  } cases[] = {
      {nullptr, {}, true, Language::kFrench},
      {nullptr, {Language::kEnglish}, true, Language::kEnglish},
      {nullptr, {Language::kEnglish, Language::kFrench}, true, Language::kFrench},
      {"0", {}, false, Language::kFrench},
      {"1", {}, false, Language::kEnglish},
      {"2", {Language::kEnglish}, true, Language::kEnglish},
      {"-1", {}, true, Language::kFrench},
      {"x", {}, false, Language::kFrench},  // no digits reads 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "(none)");
    TempDir dir;
    CSettingsStore store(dir.File("kznload.INI"));
    ASSERT_TRUE(c.stored == nullptr || store.SetText("LANGUAGE", "TYPE_LANG", c.stored));
    bool opened = false;
    const Language chosen = ChooseLanguage(store, [&]() -> std::optional<Language> {
      opened = true;
      return c.clicks.empty() ? std::nullopt : std::optional(c.clicks.back());
    });
    EXPECT_EQ(std::pair(opened, chosen), std::pair(c.windowOpens, c.expected));
    // Choosing never writes the store; only the main window's close does.
    EXPECT_EQ(store.GetInt("LANGUAGE", "TYPE_LANG", -7), c.stored ? ParseProfileInt(c.stored) : -7);
  }
}

}  // namespace
