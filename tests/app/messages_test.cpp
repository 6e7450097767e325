#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/messages.h"
#include "base/settings_store.h"
#include "base/user_interaction.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

struct Expected {
  int id;
  const char8_t* french;
  const char8_t* english;
};

std::string Text(const char8_t* s) {
  return reinterpret_cast<const char*>(s);
}

// Typed from the texts the program must show, apart from the table in the code.
const Expected kExpected[] = {
    {101, u8R"(&A propos de KZN LOAD...)", u8R"(About.....)"},
    {104, u8R"(Zephan GPS KZN)", u8R"(KZN GPS Receivers)"},
    {107, u8R"(Vous devez choisir un fichier à envoyer)", u8R"(You first, have to select a file.)"},
    {108, u8R"(Etes vous sur de vouloir stopper le chargement?)", u8R"(Confirm abortion.)"},
    {109, u8R"(Fichier KZN à envoyer au récepteur)", u8R"(File to be sent to the receiver ?)"},
    {110, u8R"(Impossible d'ouvrir le fichier de configuration)", u8R"(Error opening ini file.)"},
    {113, u8R"(Impossible d'ouvrir le fichier temporaire)", u8R"(Failure opening temp file)"},
    {114,
     u8R"(Données erronées.)"
     "\n"
     u8R"(- Eteignez/allumez votre appareil.)"
     "\n"
     u8R"(- Verifiez l'entrée série du récepteur (NMEA))"
     "\n"
     u8R"(- Vérifiez votre cable série)"
     "\n"
     u8R"(- Verifiez le type du récepteur)"
     "\n"
     u8R"( - Vérifiez que la liaison série est active (TK20B).)",
     u8R"(Bad data on input.)"
     "\n"
     u8R"(- Reset the receiver.)"
     "\n"
     u8R"(- Check the input mode  in the receiver)"
     "\n"
     u8R"(- Check the wiring of your link cable)"
     "\n"
     u8R"(- Check the receiver type)"
     "\n"
     u8R"( -Check the serial port is active (TK20B).)"},
    {115, u8R"(Mauvaise lecture de la table des dopplers. Quitter?)",
     u8R"(Error reading Doppler table. Quit?)"},
    {116, u8R"(Vérifiez le branchement du récepteur)",
     u8R"(Check out the connection between the receiver and the computer)"},
    {117, u8R"(Lecture table des dopplers/almanach en cours....)", u8R"(Reading receiver...)"},
    {119, u8R"(Erreur pendant le  chargement)", u8R"(Failure while loading. Retry.)"},
    {121, u8R"(Chargement du programme en cours...)", u8R"(Loading in progress....)"},
    {122, u8R"(Erreur de chargement. Mauvais checksum.)",
     u8R"(Failure while loading (Bad checksum). Retry.)"},
    {123, u8R"(Chargement OK.)", u8R"(Software version succesfully loaded.)"},
    {124, u8R"(Version de programme inappropriée au récepteur.)", u8R"(Bad software version.)"},
    {125, u8R"(Recherche du récepteur en cours)", u8R"(Waking GPS receiver. Please wait...)"},
    {126, u8R"(Mauvais fichier de configuration!)", u8R"(Bad config file.)"},
    {127, u8R"(Version du récepteur)", u8R"(Receiver language version)"},
    {129, u8R"(Le fichier de langue n'a pu être trouvé.)",
     u8R"(The file version for this language was not found)"},
    {130, u8R"(Type de récepteur)", u8R"(Receiver type)"},
    {131, u8R"(Appuyer ici pour démarrer le chargement  ===>)",
     u8R"(Click here to start loading  =======>)"},
    {132, u8R"(KZN LOAD 1.12 January 2001)", u8R"(KZN LOAD 1.12 January 2001)"},
    {133, u8R"(Annuler)", u8R"(Cancel)"},
    {134,
     u8R"(Le dernier chargement ne c'est pas bien terminé. Rechargez-vous le même récepteur ?)",
     u8R"(Last loading ended badly. Are you uploading the same receiver ?)"},
    {135, u8R"(Impossible d'ouvrir le port de communication.)",
     u8R"(Could not open the communication port.)"},
    {136, u8R"(Erreur d'écriture dans la flash)", u8R"(Bad writing in flash memory)"},
    {137, u8R"(Recherche du récepteur en cours...)", u8R"(Detecting receiver....)"},
    {138, u8R"(Préparation du récepteur...)", u8R"(Making receiver ready...)"},
    {139, u8R"(Effacement des données...)", u8R"(Erasing data ...)"},
    {140, u8R"(Effacement du programme...)", u8R"(Erasing software........)"},
    {141, u8R"(Arrêt utlisateur.)", u8R"(User cancel.)"},
    {142, u8R"(Erreur indéterminée.)", u8R"(Unknown error.)"},
    {143, u8R"(Ouverture du port série impossible.)", u8R"(Serial communication port not ready.)"},
    {144, u8R"(Erreur de checksum programme)", u8R"(Checksum error)"},
    {145, u8R"(Erreur de checksum chargement)", u8R"(Loading checksum error)"},
    {146, u8R"(Erreur de type d'appareil)", u8R"(Wrong receiver type)"},
};

class LanguageTest : public ::testing::Test {
 protected:
  void TearDown() override { LanguageOffset = kFrenchOffset; }
};

TEST_F(LanguageTest, EveryNumberHasItsTextInBothLanguagesAndUnusedNumbersAreEmpty) {
  std::set<int> used;
  for (const Expected& e : kExpected) {
    used.insert(e.id);
    EXPECT_EQ(LoadTextByNumber(e.id), Text(e.french)) << e.id;
    EXPECT_EQ(LoadTextByNumber(e.id + 500), Text(e.english)) << e.id + 500;
  }
  EXPECT_EQ(used.size(), 37u);
  for (int id : {102, 103, 105, 106, 111, 112, 118, 120, 128, 100, 147, 0, -1, 500, 647}) {
    EXPECT_EQ(LoadTextByNumber(id), "") << id;
  }
  for (int id = 101; id <= 146; ++id) {
    EXPECT_EQ(LoadTextByNumber(id).empty(), used.count(id) == 0) << id;
  }
}

TEST_F(LanguageTest, MessageBoxCarriesTextStyleAndTheTitleAsCaptionInBothLanguages) {
  RecordingUi ui;
  ui.answers = {kResultYes, 2};
  for (std::int16_t offset : {kFrenchOffset, kEnglishOffset}) {
    LanguageOffset = offset;
    EXPECT_EQ(ShowMessageById(ui, kMsgLoadingOk + offset, kStyleInformation), kResultOk);
  }
  EXPECT_EQ(ShowMessageById(ui, kMsgConfirmAbort + kEnglishOffset, kStyleQuestion), kResultYes);
  EXPECT_EQ(ShowMessageById(ui, kMsgConfirmAbort + kEnglishOffset, kStyleQuestion), 2);
  EXPECT_EQ(ShowMessageById(ui, kMsgConfirmAbort + kEnglishOffset, kStyleQuestion), kResultNo);
  ASSERT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(ui.messages[0].text, "Chargement OK.");
  EXPECT_EQ(ui.messages[1].text, "Software version succesfully loaded.");
  EXPECT_EQ(ui.messages[2].style, kStyleQuestion);
  for (const auto& m : ui.messages)
    EXPECT_EQ(m.caption, "KZN LOAD 1.12 January 2001");
}

struct LanguageCase {
  const char* stored;                // nullptr: no key
  std::vector<std::int16_t> clicks;  // what the user clicks in the window
  bool windowOpens;
  std::int16_t expected;
};

TEST_F(LanguageTest, ChooseLanguageAsksOnlyWithoutAValidStoredIndex) {
  const LanguageCase cases[] = {
      {nullptr, {}, true, kFrenchOffset},
      {nullptr, {kEnglishOffset}, true, kEnglishOffset},
      {nullptr, {kEnglishOffset, kFrenchOffset}, true, kFrenchOffset},
      {"0", {}, false, kFrenchOffset},
      {"1", {}, false, kEnglishOffset},
      {"2", {kEnglishOffset}, true, kEnglishOffset},
      {"-1", {}, true, kFrenchOffset},
      {"x", {}, false, kFrenchOffset},  // no digits reads 0
  };
  for (const LanguageCase& c : cases) {
    TempDir dir;
    CSettingsStore store(dir.File("kznload.INI"));
    if (c.stored != nullptr) {
      ASSERT_TRUE(store.SetText("LANGUAGE", "TYPE_LANG", c.stored));
    }
    bool opened = false;
    std::int16_t offsetSeenInWindow = 0;
    ChooseLanguage(store, [&] {
      opened = true;
      offsetSeenInWindow = LanguageOffset;
      for (std::int16_t click : c.clicks)
        LanguageOffset = click;
    });
    EXPECT_EQ(opened, c.windowOpens) << (c.stored ? c.stored : "(none)");
    if (opened) {
      EXPECT_EQ(offsetSeenInWindow, kNoLanguageYet);
    }
    EXPECT_EQ(LanguageOffset, c.expected) << (c.stored ? c.stored : "(none)");
    // Choosing never writes the store; only the main window's close does.
    EXPECT_EQ(store.GetInt("LANGUAGE", "TYPE_LANG", -7), c.stored ? ParseProfileInt(c.stored) : -7);
  }
}

}  // namespace
