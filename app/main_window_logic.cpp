#include "app/main_window_logic.h"

#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/catalogue_folder.h"
#include "app/families.h"
#include "app/journal_entry.h"
#include "app/load_journal.h"
#include "app/loader_session.h"
#include "app/loader_state.h"
#include "app/window_selection.h"
#include "base/clock.h"
#include "base/messages.h"
#include "base/places.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "catalogue/catalogue.h"
#include "catalogue/selection.h"
#include "loader/first/almanac.h"
#include "loader/first/first_family.h"
#include "loader/load_context.h"
#include "serial/serial_link.h"

namespace {

std::int8_t PortNumberFromSetting(int value) {
  // Out of the 8-bit range there is no port to speak of; 0 checks no button.
  if (value < INT8_MIN || value > INT8_MAX) return 0;
  return static_cast<std::int8_t>(value);
}

std::int16_t TypeIndexFromSetting(int value) {
  if (value < INT16_MIN || value > INT16_MAX) return 0;
  return static_cast<std::int16_t>(value);
}

// A list entry by its text and, for entries listed more than once, which of them.
struct Occurrence {
  std::string text;
  int rank = 0;
  bool operator==(const Occurrence&) const = default;
};

std::optional<Occurrence> SelectedOccurrence(const ChoiceList& list) {
  if (!list.HasSelection()) return std::nullopt;
  Occurrence found{list.SelectedText(), 0};
  for (int i = 0; i < list.selection; ++i) {
    if (list.entries[static_cast<std::size_t>(i)] == found.text) ++found.rank;
  }
  return found;
}

// Selects that entry while it is listed; otherwise the selection stays as it is.
void Select(ChoiceList& list, const Occurrence& wanted) {
  int rank = 0;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    if (list.entries[i] != wanted.text) continue;
    if (rank++ == wanted.rank) {
      list.selection = static_cast<int>(i);
      return;
    }
  }
}

// The port keeps one device for the whole of a load.
class CLoadOnPort {
 public:
  explicit CLoadOnPort(SerialLink& port) : port_(port) { port_.BeginLoad(); }
  ~CLoadOnPort() { port_.EndLoad(); }
  CLoadOnPort(const CLoadOnPort&) = delete;
  CLoadOnPort& operator=(const CLoadOnPort&) = delete;

 private:
  SerialLink& port_;
};

// The start button's checks before a load: the file to send is fixed (standard mode: the
// chosen version's file). The refusal when there is none to send.
std::optional<LoadOutcome> FixFileToSend(CLoaderState& w) {
  if (w.IsExpertMode()) {
    if (w.folder.empty() || w.fileName.empty()) {
      ShowMessageById(w.ui, w.language, kMsgSelectFileFirst, kStyleExclamation);
      return RefusedOutcome(kMsgSelectFileFirst, {}, true);
    }
  } else {
    // No version to choose from, or the chosen one has no file any more (message 129, or
    // 110 for a catalogue that cannot be read): the folder and file name still name the
    // previous file, and sending that one would load something the user did not pick.
    if (w.languageVersions.entries.empty() || ResolveLanguageFile(w) < 0)
      return RefusedOutcome(0, {}, true);
  }
  return std::nullopt;
}

// The load sequence of the selected type's family (or `replaced`), as one load on the port.
LoadOutcome RunFamilyLoad(CLoaderState& w, const ReplacedLoadSequence& replaced) {
  const FamilyRow* family = FamilyToLoad(w);
  if (family == nullptr) return RefusedOutcome(kMsgBadConfigFile, {}, true);
  CLoadOnPort load(w.port);
  LoadContext context = LoadContextOf(w, family->family);
  const LoadTarget target = LoadTargetOf(w);
  return replaced ? replaced(context, target, w.tables) : family->load(context, target, w.tables);
}

}  // namespace

bool InitialiseMainWindow(CLoaderState& w, const WindowInitialisation& window,
                          const std::string& catalogueFolder) {
  SessionStart start;
  start.askLanguage = window.askLanguage;
  start.takeChoices = [&w, &window] {
    w.mode = w.settings.GetInt(kModeSection, kModeKey, 0);
    w.keepUserData = false;
    if (window.setUpControls) window.setUpControls();
    if (std::optional<WindowPlacement> placement = ReadWindowPlacement(w.settings)) {
      if (window.restorePlacement) window.restorePlacement(*placement);
    }
    w.portNumber = PortNumberFromSetting(w.settings.GetInt(kCommunicationSection, kPortKey, 1));
    StoreSwappedPort(w.settings, w.portNumber);
    w.folder = w.settings.GetText(kFileLocationSection, kFolderKey, DefaultFileFolder());
    w.fileName = w.settings.GetText(kFileLocationSection, kFileKey, "");
    w.rememberedTypeIndex =
        TypeIndexFromSetting(w.settings.GetInt(kFileLocationSection, kReceiverTypeKey, 0));
    return true;
  };
  start.catalogueFolder = catalogueFolder;
  start.chooseCatalogueFolder = window.chooseCatalogueFolder;
  start.select = [&w] {
    if (!w.IsExpertMode()) FillLanguageVersionList(w);
    return true;
  };
  if (!StartSession(w, start)) return false;
  w.doubleClickCounter = 0;
  return true;
}

void CloseMainWindow(CLoaderState& w, const std::optional<WindowPlacement>& placement) {
  const int portNumber = w.portNumber;
  w.port.ClosePort();
  if (placement) WriteWindowPlacement(w.settings, *placement);
  w.settings.SetInt(kCommunicationSection, kPortKey, portNumber);
  w.settings.SetInt(kLanguageSection, kLanguageKey, LanguageIndex(w.language));
  if (w.catalogueRead) {
    w.settings.SetText(kFileLocationSection, kFolderKey, w.folder);
    w.settings.SetText(kFileLocationSection, kFileKey, w.fileName);
    w.settings.SetInt(kFileLocationSection, kReceiverTypeKey,
                      w.receiverTypes.HasSelection() ? w.receiverTypes.selection : -1);
  }
  w.settings.SetInt(kModeSection, kModeKey, w.mode);
  w.clock.SleepMs(kCloseSettleMs);
}

bool CountDoubleClick(CLoaderState& w) {
  ++w.doubleClickCounter;
  if (w.doubleClickCounter <= kDoubleClicksBeforeSwitch) return false;
  // The two modes list different types (expert mode also those without a language file),
  // so the refill would select by index another type than the one the user chose.
  const std::optional<Occurrence> type = SelectedOccurrence(w.receiverTypes);
  const std::optional<Occurrence> version = SelectedOccurrence(w.languageVersions);
  w.mode = w.mode == 0 ? 1 : 0;
  if (FillReceiverTypeList(w) > 0) {
    if (type) Select(w.receiverTypes, *type);
    const bool sameType = type && SelectedOccurrence(w.receiverTypes) == type;
    // The follow-ups of a selection change, so that the lists, the label and the file to
    // send belong to the type now selected; its language version stays as it was chosen.
    if (!w.IsExpertMode()) {
      FillLanguageVersionList(w);
      if (sameType && version) Select(w.languageVersions, *version);
    }
    UpdateVersionLabel(w);
  }
  w.doubleClickCounter = 0;
  return true;
}

void ClickPort(CLoaderState& w, int portNumber) {
  w.port.ClosePort();
  w.portNumber = PortNumberFromSetting(portNumber);
}

void SelectReceiverType(CLoaderState& w, int index) {
  w.receiverTypes.selection = index;
  if (!w.IsExpertMode()) FillLanguageVersionList(w);
  UpdateVersionLabel(w);
}

void SelectLanguageVersion(CLoaderState& w, int index) {
  w.languageVersions.selection = index;
  UpdateVersionLabel(w);
}

void ChooseFile(CLoaderState& w, const std::string& fullPath) {
  const std::size_t cut = fullPath.rfind(kPathSeparator);
  if (cut == std::string::npos) {
    w.folder.clear();
    w.fileName = fullPath;
  } else {
    w.folder = fullPath.substr(0, cut + 1);
    w.fileName = fullPath.substr(cut + 1);
  }
  UpdateVersionLabel(w);
}

LoadOutcome StartLoad(CLoaderState& w) {
  return StartLoad(w, ReplacedLoadSequence());
}

LoadOutcome StartLoad(CLoaderState& w, const ReplacedLoadSequence& sequence) {
  const LoadStartTime started = NoteLoadStart(w.clock);
  std::optional<LoadOutcome> refusal = FixFileToSend(w);
  std::optional<JournalEntry> entry;
  if (w.journal != nullptr)
    entry = JournalEntryBeforeLoad(w, started, w.journal->Program(), !refusal.has_value());
  const LoadOutcome outcome = refusal ? *refusal : RunFamilyLoad(w, sequence);
  if (entry) {
    CompleteJournalEntry(*entry, started, w.clock, outcome, w.language);
    // Whatever becomes of the line, the load's outcome stands as it is.
    w.journal->Record(*entry, w.ui, w.language);
  }
  return outcome;
}

LoadContext LoadContextOf(CLoaderState& w, Family family) {
  return LoadContext{w.port, w.clock, w.ui, w.settings, w.language, CatalogueChoiceOf(w),
                     family, {}};
}

LoadTarget LoadTargetOf(const CLoaderState& w) {
  return LoadTarget{w.portNumber, w.FilePath(), w.keepUserData, w.checkedImage};
}
