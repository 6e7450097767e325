// The two-language message table, the process-wide language offset and message boxes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class CSettingsStore;
class UserInteraction;

// 0 while the interface speaks French, 500 while it speaks English; -1 only while the
// language window is open at the first start.
inline std::int16_t LanguageOffset = 0;

inline constexpr std::int16_t kFrenchOffset = 0;
inline constexpr std::int16_t kEnglishOffset = 500;
inline constexpr std::int16_t kNoLanguageYet = -1;

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

// The text with this number (MessageId + LanguageOffset), UTF-8; empty when there is none.
std::string LoadTextByNumber(int textNumber);

// The text of a message in the running language.
std::string LoadMessageText(int messageId);

// Shows a box with text number `textNumber` (the caller has added LanguageOffset) and the
// caption message 132 in the running language; returns the pressed button.
int ShowMessageById(UserInteraction& ui, int textNumber, int style);

// Fixes LanguageOffset at start: the remembered index from "LANGUAGE"/"TYPE_LANG", or,
// without a valid one, whatever the user clicks in the language window, which
// `askUser` shows modally (clicks set LanguageOffset as they happen).
void ChooseLanguage(const CSettingsStore& settings, const std::function<void()>& askUser);
