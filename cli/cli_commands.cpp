#include "cli/cli_commands.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/catalogue_folder.h"
#include "app/families.h"
#include "app/loader_session.h"
#include "app/loader_state.h"
#include "app/window_selection.h"
#include "base/atomic_file.h"
#include "base/header_record.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "base/system_error.h"
#include "catalogue/catalogue.h"
#include "catalogue/selection.h"
#include "cli/cli_texts.h"
#include "cli/cli_user_interaction.h"
#include "cli/display_text.h"
#include "cli/utf8_path.h"
#include "loader/program_image.h"

namespace {

constexpr const char* kProgramName = "kznload-cli: ";

constexpr CliText kUnknownType{"unknown receiver type '{}'", "type de récepteur inconnu '{}'"};
constexpr CliText kNoLanguageFileHere{
    "  it has no language file here for the running language; send a file with --file PATH",
    "  il n'a ici aucun fichier de langue pour la langue choisie ; envoyez un fichier avec "
    "--file CHEMIN"};
constexpr CliText kReceiverTypes{"Receiver types:", "Types de récepteur :"};
constexpr CliText kNoSuchFile{"no such file: {}", "fichier introuvable : {}"};
constexpr CliText kUnknownVersion{"unknown language version '{}' for '{}'",
                                  "version de langue inconnue '{}' pour '{}'"};
constexpr CliText kLanguageVersions{"Language versions:", "Versions de langue :"};
constexpr CliText kIsAFolder{"{} is a folder", "{} est un dossier"};
constexpr CliText kCannotOpen{"cannot open {}: {}", "impossible d'ouvrir {} : {}"};
constexpr CliText kNoCurrentFolder{"the current folder cannot be read: {}",
                                   "le dossier courant est illisible : {}"};

// The entry a user means: the same bytes, or the same text as `list` shows it (a catalogue
// in Windows-1252 is shown, and so typed, in UTF-8).
int FindEntry(const std::vector<std::string>& entries, const std::string& wanted) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == wanted) return static_cast<int>(i);
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (DisplayText(entries[i]) == wanted) return static_cast<int>(i);
  }
  return -1;
}

void ListEntries(std::ostream& err, const std::string& what,
                 const std::vector<std::string>& entries) {
  if (entries.empty()) return;
  err << what;
  for (const std::string& entry : entries)
    err << "\n  " << DisplayText(entry);
  err << '\n';
}

std::string Field(std::string_view bytes) {
  std::string text = DisplayText(bytes);
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "-";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

int ReportUnknownType(CLoaderState& w, const std::string& type, std::ostream& err) {
  err << kProgramName << Say(w.language, kUnknownType, {type}) << '\n';
  if (!w.IsExpertMode()) {
    // Listed in expert mode only: the type is known but none of its files is here.
    std::optional<std::vector<std::string>> everyType =
        ReceiverTypeNames(w.catalogueFolder, w.ui, w.language, true);
    if (everyType && FindEntry(*everyType, type) >= 0) {
      err << Say(w.language, kNoLanguageFileHere) << '\n';
    }
  }
  ListEntries(err, Say(w.language, kReceiverTypes), w.receiverTypes.entries);
  return kExitUsage;
}

}  // namespace

std::string CliCatalogueFolder(const CliOptions& options, const CSettingsStore& settings,
                               Language language, std::ostream& err) {
  if (options.catalogueFolder) {
    std::error_code ec;
    const std::filesystem::path folder =
        std::filesystem::absolute(PathFromUtf8(*options.catalogueFolder), ec).lexically_normal();
    if (!ec) return WithoutTrailingSeparator(Utf8FromPath(folder));
  }
  const std::string working = TakeCatalogueFolder();
  if (working.empty()) {
    const int error = LastSystemError();
    err << kProgramName << Say(language, kNoCurrentFolder, {SystemErrorText(error)}) << '\n';
    return working;
  }
  return StartingCatalogueFolder(working, settings);
}

Language ChooseCliLanguage(const CliOptions& options, const CSettingsStore& settings) {
  return StartingLanguage(settings, options.language, [] { return Language::kEnglish; });
}

int SelectFileToSend(CLoaderState& w, const CliOptions& options, std::ostream& err) {
  int refused = kExitLoaded;  // why the start ended early, when the command line says it
  std::filesystem::path file;
  SessionStart start;
  start.language = w.language;
  start.takeChoices = [&] {
    w.mode = options.file ? 1 : 0;
    w.portNumber = static_cast<std::int8_t>(options.portNumber);
    w.keepUserData = options.keepUserData;
    if (!options.file) return true;
    std::error_code ec;
    file = std::filesystem::absolute(PathFromUtf8(*options.file), ec).lexically_normal();
    if (ec || !std::filesystem::is_regular_file(file, ec)) {
      err << kProgramName << Say(w.language, kNoSuchFile, {*options.file}) << '\n';
      refused = kExitUsage;
      return false;
    }
    return true;
  };
  start.catalogueFolder = w.catalogueFolder;
  start.select = [&] {
    const std::string type = options.type.value_or("");
    int typeIndex = FindEntry(w.receiverTypes.entries, type);
    if (typeIndex < 0) {
      refused = ReportUnknownType(w, type, err);
      return false;
    }
    w.receiverTypes.selection = typeIndex;
    if (options.file) {
      w.folder = Utf8FromPath(file.parent_path());
      if (w.folder.empty() || w.folder.back() != kPathSeparator) w.folder += kPathSeparator;
      w.fileName = Utf8FromPath(file.filename());
      return true;
    }
    w.languageVersions = ChoiceList{};
    FillLanguageVersionList(w);
    int versionIndex = FindEntry(w.languageVersions.entries, *options.version);
    if (versionIndex < 0) {
      err << kProgramName << Say(w.language, kUnknownVersion, {*options.version, type}) << '\n';
      ListEntries(err, Say(w.language, kLanguageVersions), w.languageVersions.entries);
      refused = kExitUsage;
      return false;
    }
    w.languageVersions.selection = versionIndex;
    return true;
  };
  // The window's own start-up: once the lists are filled the saved almanac is loaded, and the
  // version label follows the choice (in standard mode it also fixes the file).
  if (StartSession(w, start)) return kExitLoaded;
  // Without a refusal of its own, the catalogue could not be read (message 110 shown).
  return refused != kExitLoaded ? refused : kExitFailed;
}

int ListReceiverTypes(const std::string& catalogueFolder, UserInteraction& ui, Language language,
                      std::ostream& out) {
  // Every type, also those whose files are not here; they show no language version and can
  // be loaded with --file only.
  std::optional<std::vector<std::string>> types =
      ReceiverTypeNames(catalogueFolder, ui, language, true);
  if (!types) return kExitFailed;
  for (const std::string& type : *types) {
    const CatalogueChoice choice{catalogueFolder, type};
    const std::string family = GetFamilyTag(choice, ui, language);
    const VersionLabelForm form = VersionLabelFormOf(FamilyOfTag(family));
    out << Field(type) << '\t' << Field(family) << '\n';
    std::optional<std::vector<LanguageVersion>> versions = LanguageVersions(choice, ui, language);
    if (!versions) continue;
    for (const LanguageVersion& version : *versions) {
      const std::string label =
          VersionLabel(catalogueFolder + kPathSeparator + version.fileName, form, ui,
                       [&] { return LookupTypeValue(choice, ui, language, kTagModelName); });
      out << '\t' << Field(version.label) << '\t' << Field(version.fileName) << '\t' << Field(label)
          << '\n';
    }
  }
  out << std::flush;
  return kExitLoaded;
}

int ShowHeaderRecord(const std::string& path, CCliUserInteraction& ui, Language language,
                     std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (std::filesystem::is_directory(PathFromUtf8(path), ec)) {
    err << kProgramName << Say(language, kIsAFolder, {path}) << '\n';
    return kExitUsage;
  }
  UniqueFile file = OpenFile(path, "rb");
  if (file == nullptr) {
    const int error = LastSystemError();
    err << kProgramName << Say(language, kCannotOpen, {path, SystemErrorText(error)}) << '\n';
    return kExitUsage;
  }
  file.reset();
  // Read once, whole, and checked as each family's load would check it.
  ProgramImage image;
  const ImageLoad first = LoadProgramImage(path, RecordRules::kFirstFamily, ui, &image);
  if (first == ImageLoad::kUnreadable) return kExitFailed;
  const ImageLayout second = CheckProgramImage(image.bytes, RecordRules::kSecondFamily);

  const HeaderRecord& record = image.header;
  const std::int16_t counted = record.counted;
  const char* form = "none";
  std::string versionText;
  if (counted > 0) {
    form = record.Form() == kHeaderFormA ? "A" : "B";
    std::size_t length = static_cast<std::size_t>(counted - 2);
    versionText.assign(reinterpret_cast<const char*>(record.Text()), length);
  }
  out << "form: " << form << "\ncounted length: " << counted
      << "\nversion text: " << DisplayText(versionText) << '\n';
  if (first == ImageLoad::kReady || second.fault == ImageFault::kNone) {
    const RecordRules rules =
        first == ImageLoad::kReady ? RecordRules::kFirstFamily : RecordRules::kSecondFamily;
    out << "family: " << FamilyTagsOf(rules) << '\n' << std::flush;
    return kExitLoaded;
  }
  // The family whose rules the file follows furthest says best what is wrong with it.
  const bool secondFurther = second.records.size() > image.layout.records.size();
  out << "[file] "
      << DescribeImageFault(image.bytes, secondFurther ? second : image.layout,
                            secondFurther ? RecordRules::kSecondFamily : RecordRules::kFirstFamily,
                            language)
      << '\n'
      << std::flush;
  return kExitFailed;
}
