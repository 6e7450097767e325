#include "base/messages.h"

#include <array>

#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "base/user_interaction.h"

namespace {

struct MessageText {
  int id;
  const char* french;
  const char* english;
};

// Numbers 102, 103, 105, 106, 111, 112, 118, 120 and 128 are not used.
constexpr MessageText kMessageTable[] = {
    {101, "&A propos de KZN LOAD...", "About....."},
    {104, "Zephan GPS KZN", "KZN GPS Receivers"},
    {107, "Vous devez choisir un fichier à envoyer", "You first, have to select a file."},
    {108, "Etes vous sur de vouloir stopper le chargement?", "Confirm abortion."},
    {109, "Fichier KZN à envoyer au récepteur", "File to be sent to the receiver ?"},
    {110, "Impossible d'ouvrir le fichier de configuration", "Error opening ini file."},
    {113, "Impossible d'ouvrir le fichier temporaire", "Failure opening temp file"},
    {114,
     "Données erronées.\n- Eteignez/allumez votre appareil.\n- Verifiez l'entrée série du "
     "récepteur (NMEA)\n- Vérifiez votre cable série\n- Verifiez le type du récepteur\n - Vérifiez "
     "que la liaison série est active (TK20B).",
     "Bad data on input.\n- Reset the receiver.\n- Check the input mode  in the receiver\n- Check "
     "the wiring of your link cable\n- Check the receiver type\n -Check the serial port is active "
     "(TK20B)."},
    {115, "Mauvaise lecture de la table des dopplers. Quitter?",
     "Error reading Doppler table. Quit?"},
    {116, "Vérifiez le branchement du récepteur",
     "Check out the connection between the receiver and the computer"},
    {117, "Lecture table des dopplers/almanach en cours....", "Reading receiver..."},
    {119, "Erreur pendant le  chargement", "Failure while loading. Retry."},
    {121, "Chargement du programme en cours...", "Loading in progress...."},
    {122, "Erreur de chargement. Mauvais checksum.",
     "Failure while loading (Bad checksum). Retry."},
    {123, "Chargement OK.", "Software version succesfully loaded."},
    {124, "Version de programme inappropriée au récepteur.", "Bad software version."},
    {125, "Recherche du récepteur en cours", "Waking GPS receiver. Please wait..."},
    {126, "Mauvais fichier de configuration!", "Bad config file."},
    {127, "Version du récepteur", "Receiver language version"},
    {129, "Le fichier de langue n'a pu être trouvé.",
     "The file version for this language was not found"},
    {130, "Type de récepteur", "Receiver type"},
    {131, "Appuyer ici pour démarrer le chargement  ===>", "Click here to start loading  =======>"},
    {132, "KZN LOAD 1.12 January 2001", "KZN LOAD 1.12 January 2001"},
    {133, "Annuler", "Cancel"},
    {134, "Le dernier chargement ne c'est pas bien terminé. Rechargez-vous le même récepteur ?",
     "Last loading ended badly. Are you uploading the same receiver ?"},
    {135, "Impossible d'ouvrir le port de communication.",
     "Could not open the communication port."},
    {136, "Erreur d'écriture dans la flash", "Bad writing in flash memory"},
    {137, "Recherche du récepteur en cours...", "Detecting receiver...."},
    {138, "Préparation du récepteur...", "Making receiver ready..."},
    {139, "Effacement des données...", "Erasing data ..."},
    {140, "Effacement du programme...", "Erasing software........"},
    {141, "Arrêt utlisateur.", "User cancel."},
    {142, "Erreur indéterminée.", "Unknown error."},
    {143, "Ouverture du port série impossible.", "Serial communication port not ready."},
    {144, "Erreur de checksum programme", "Checksum error"},
    {145, "Erreur de checksum chargement", "Loading checksum error"},
    {146, "Erreur de type d'appareil", "Wrong receiver type"},
};

}  // namespace

std::string LoadTextByNumber(int textNumber) {
  for (const MessageText& entry : kMessageTable) {
    if (entry.id == textNumber) return entry.french;
    if (entry.id + kEnglishOffset == textNumber) return entry.english;
  }
  return std::string();
}

std::string LoadMessageText(int messageId, Language language) {
  return LoadTextByNumber(TextNumber(messageId, language));
}

int ShowMessageById(UserInteraction& ui, Language language, int messageId, int style) {
  return ShowMessageById(ui, language, messageId, style, std::string());
}

int ShowMessageById(UserInteraction& ui, Language language, int messageId, int style,
                    const std::string& detail) {
  MessageBoxRequest request;
  request.messageId = messageId;
  request.language = language;
  request.text = LoadMessageText(messageId, language);
  request.caption = LoadMessageText(kMsgTitle, language);
  request.style = style;
  request.detail = detail;
  return ui.ShowMessageBox(request);
}

int UnattendedAnswer(int messageId) {
  switch (messageId) {
    case kMsgConfirmAbort:
    case kMsgDopplerReadError:
      return kResultYes;
    case kMsgLastLoadingUnfinished:
      return kResultUnanswered;
    default:
      return kResultNo;
  }
}

int UnattendedAnswer(const MessageBoxRequest& request) {
  return request.style == kStyleQuestion ? UnattendedAnswer(request.messageId) : kResultOk;
}

Language ChooseLanguage(const CSettingsStore& settings,
                        const std::function<std::optional<Language>()>& askUser) {
  const int index = settings.GetInt(kLanguageSection, kLanguageKey, -1);
  if (index == 0) return Language::kFrench;
  if (index == 1) return Language::kEnglish;
  // Only 0 and 1 are languages; anything else stored there is treated like a missing key.
  std::optional<Language> clicked = askUser ? askUser() : std::nullopt;
  return clicked.value_or(Language::kFrench);
}
