#include "cli/cli_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/loader_state.h"
#include "app/window_selection.h"
#include "base/atomic_file.h"
#include "base/header_record.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "catalogue/catalogue.h"
#include "catalogue/selection.h"
#include "cli/cli_user_interaction.h"
#include "cli/display_text.h"
#include "cli/utf8_path.h"
#include "loader/first/almanac.h"
#include "loader/program_image.h"

namespace {

constexpr const char* kProgramName = "kznload-cli: ";

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

void ListEntries(std::ostream& err, const char* what, const std::vector<std::string>& entries) {
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
  err << kProgramName << "unknown receiver type '" << type << "'\n";
  if (!w.IsExpertMode()) {
    // Listed in expert mode only: the type is known but none of its files is here.
    std::optional<std::vector<std::string>> everyType =
        ReceiverTypeNames(w.catalogueFolder, w.ui, w.language, true);
    if (everyType && FindEntry(*everyType, type) >= 0) {
      err << "  it has no language file here for the running language; send a file with "
             "--file PATH\n";
    }
  }
  ListEntries(err, "Receiver types:", w.receiverTypes.entries);
  return kExitUsage;
}

}  // namespace

Language ChooseCliLanguage(const CliOptions& options, const CSettingsStore& settings) {
  if (options.language) return *options.language;
  int index = settings.GetInt("LANGUAGE", "TYPE_LANG", -1);
  return index == 0 ? Language::kFrench : Language::kEnglish;
}

int SelectFileToSend(CLoaderState& w, const CliOptions& options, std::ostream& err) {
  w.mode = options.file ? 1 : 0;
  w.portNumber = static_cast<std::int8_t>(options.portNumber);
  w.keepUserData = options.keepUserData;
  std::filesystem::path file;
  if (options.file) {
    std::error_code ec;
    file = std::filesystem::absolute(PathFromUtf8(*options.file), ec).lexically_normal();
    if (ec || !std::filesystem::is_regular_file(file, ec)) {
      err << kProgramName << "no such file: " << *options.file << '\n';
      return kExitUsage;
    }
  }
  if (FillReceiverTypeList(w) < 0) return kExitFailed;
  const std::string type = options.type.value_or("");
  int typeIndex = FindEntry(w.receiverTypes.entries, type);
  if (typeIndex < 0) return ReportUnknownType(w, type, err);
  w.receiverTypes.selection = typeIndex;

  if (options.file) {
    w.folder = Utf8FromPath(file.parent_path());
    if (w.folder.empty() || w.folder.back() != kPathSeparator) w.folder += kPathSeparator;
    w.fileName = Utf8FromPath(file.filename());
  } else {
    w.languageVersions = ChoiceList{};
    FillLanguageVersionList(w);
    int versionIndex = FindEntry(w.languageVersions.entries, *options.version);
    if (versionIndex < 0) {
      err << kProgramName << "unknown language version '" << *options.version << "' for '" << type
          << "'\n";
      ListEntries(err, "Language versions:", w.languageVersions.entries);
      return kExitUsage;
    }
    w.languageVersions.selection = versionIndex;
  }
  // The window's own order: the saved almanac is loaded once the lists are filled, and the
  // version label follows every choice (in standard mode it also fixes the file).
  LoadAlmanacBackup(w.tables, w.catalogueFolder);
  UpdateVersionLabel(w);
  return kExitLoaded;
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
    out << Field(type) << '\t' << Field(family) << '\n';
    std::optional<std::vector<LanguageVersion>> versions = LanguageVersions(choice, ui, language);
    if (!versions) continue;
    for (const LanguageVersion& version : *versions) {
      const std::string label =
          VersionLabel(catalogueFolder + kPathSeparator + version.fileName, family, ui,
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
    err << kProgramName << path << " is a folder\n";
    return kExitUsage;
  }
  if (OpenFile(path, "rb") == nullptr) {
    err << kProgramName << "cannot open " << path << ": " << std::strerror(errno) << '\n';
    return kExitUsage;
  }
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
    out << "family: " << (first == ImageLoad::kReady ? "VR, TK" : "TK20B") << '\n' << std::flush;
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
