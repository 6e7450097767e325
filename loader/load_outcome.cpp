#include "loader/load_outcome.h"

#include <utility>

LoadOutcome LoadedOutcome(int messageId, bool tablesLeftOut) {
  LoadOutcome outcome;
  outcome.end = LoadEnd::kLoaded;
  outcome.messageId = messageId;
  outcome.told = true;
  outcome.tablesLeftOut = tablesLeftOut;
  return outcome;
}

LoadOutcome RefusedOutcome(int messageId, std::string detail, bool told) {
  LoadOutcome outcome;
  outcome.end = LoadEnd::kRefused;
  outcome.messageId = messageId;
  outcome.detail = std::move(detail);
  outcome.told = told;
  return outcome;
}

LoadOutcome FailedOutcome(int messageId, std::string detail, bool told) {
  LoadOutcome outcome = RefusedOutcome(messageId, std::move(detail), told);
  outcome.end = LoadEnd::kFailed;
  return outcome;
}

LoadOutcome CancelledOutcome(std::string stopCause, bool told) {
  LoadOutcome outcome;
  outcome.end = LoadEnd::kCancelled;
  outcome.stopCause = std::move(stopCause);
  outcome.told = told;
  return outcome;
}

const char* LoadEndName(LoadEnd end) {
  switch (end) {
    case LoadEnd::kLoaded:
      return "loaded";
    case LoadEnd::kRefused:
      return "refused";
    case LoadEnd::kFailed:
      return "failed";
    case LoadEnd::kCancelled:
      return "cancelled";
  }
  return "failed";
}

std::string UntoldOutcomeText(const LoadOutcome& outcome, Language language) {
  if (outcome.end == LoadEnd::kCancelled) return {};
  if (!outcome.detail.empty()) return outcome.detail;
  if (outcome.messageId != 0) return LoadMessageText(outcome.messageId, language);
  return LoadMessageText(kMsgUnknownError, language);
}
