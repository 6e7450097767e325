// The two-language message table, the interface's language and message boxes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CSettingsStore;
class UserInteraction;

inline constexpr std::int16_t kFrenchOffset = 0;
inline constexpr std::int16_t kEnglishOffset = 500;

// The language the interface speaks, as the offset of its block in the message table.
enum class Language : std::int16_t { kFrench = kFrenchOffset, kEnglish = kEnglishOffset };

// 0 for French, 500 for English.
constexpr int OffsetOf(Language language) {
  return static_cast<int>(language);
}
// The number of message `messageId` (French block) in `language`.
constexpr int TextNumber(int messageId, Language language) {
  return messageId + OffsetOf(language);
}
// 0 for French, 1 for English: how "LANGUAGE"/"TYPE_LANG" stores it.
constexpr int LanguageIndex(Language language) {
  return OffsetOf(language) / kEnglishOffset;
}

// Message numbers in the French block; the English text is the number + 500.
enum MessageId : int {
  kMsgAboutEntry = 101,
  kMsgDefaultCaption = 104,
  kMsgSelectFileFirst = 107,
  kMsgConfirmAbort = 108,
  kMsgFileWindowTitle = 109,
  kMsgCatalogueOpenError = 110,
  kMsgTempFileError = 113,
  kMsgBadDataOnInput = 114,
  kMsgDopplerReadError = 115,
  kMsgCheckConnection = 116,
  kMsgReadingReceiver = 117,
  kMsgLoadingFailed = 119,
  kMsgLoadingInProgress = 121,
  kMsgBadChecksum = 122,
  kMsgLoadingOk = 123,
  kMsgBadSoftwareVersion = 124,
  kMsgWakingReceiver = 125,
  kMsgBadConfigFile = 126,
  kMsgLanguageVersionGroup = 127,
  kMsgLanguageFileMissing = 129,
  kMsgReceiverTypeGroup = 130,
  kMsgStartPrompt = 131,
  kMsgTitle = 132,
  kMsgCancelButton = 133,
  kMsgLastLoadingUnfinished = 134,
  kMsgPortOpenError = 135,
  kMsgFlashWriteError = 136,
  kMsgDetectingReceiver = 137,
  kMsgPreparingReceiver = 138,
  kMsgErasingData = 139,
  kMsgErasingSoftware = 140,
  kMsgUserCancel = 141,
  kMsgUnknownError = 142,
  kMsgPortNotReady = 143,
  kMsgProgramChecksum = 144,
  kMsgLoadingChecksum = 145,
  kMsgWrongReceiverType = 146,
};

inline constexpr int kFirstMessageId = 101;
inline constexpr int kLastMessageId = 146;

// Message-box styles and the one result that means Yes.
inline constexpr int kStyleStop = 16;
inline constexpr int kStyleQuestion = 36;
inline constexpr int kStyleExclamation = 48;
inline constexpr int kStyleInformation = 64;
inline constexpr int kResultYes = 6;
inline constexpr int kResultNo = 7;
inline constexpr int kResultOk = 1;
// A question that nobody could answer: the load stops without choosing for the user.
inline constexpr int kResultUnanswered = 0;

// The answer to question `messageId` that loses nothing, for when nobody can answer (no
// terminal and no --answer) or a stop request ends the question: a confirmed stop for 108, a
// stop before the wake-up for 115, and no answer for 134, whose two answers can each lose a
// receiver's tables.
int UnattendedAnswer(int messageId);

// The text with this number (a MessageId plus its language's offset), UTF-8; empty when
// there is none.
std::string LoadTextByNumber(int textNumber);

// The text of a message in `language`.
std::string LoadMessageText(int messageId, Language language);

// Shows message `messageId` in `language`, with the caption message 132 in that language;
// returns the pressed button.
int ShowMessageById(UserInteraction& ui, Language language, int messageId, int style);
// The same, with `detail` under the message: what the table's text leaves out (which record
// of a file is wrong, where the catalogue lies).
int ShowMessageById(UserInteraction& ui, Language language, int messageId, int style,
                    const std::string& detail);

// The language at start: the remembered index from "LANGUAGE"/"TYPE_LANG", or, without a
// valid one, the language the user last clicked in the language window, which `askUser`
// shows modally (French when nothing was clicked).
Language ChooseLanguage(const CSettingsStore& settings,
                        const std::function<std::optional<Language>()>& askUser);
