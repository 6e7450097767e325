#include <cstdio>

#include "app/loader_state.h"
#include "app/messages.h"
#include "catalogue/catalogue.h"

namespace {

// Reads one line of any length; the line end (LF, or CR LF) is not part of it.
bool ReadLine(std::FILE* file, std::string* line) {
  line->clear();
  int c = std::fgetc(file);
  if (c == EOF) return false;
  while (c != EOF && c != '\n') {
    line->push_back(static_cast<char>(c));
    c = std::fgetc(file);
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

}  // namespace

std::string CataloguePath(const CLoaderState& w) {
  return w.catalogueFolder + kPathSeparator + kCatalogueFileName;
}

std::string_view RunningLanguageTag() {
  return LanguageOffset == kEnglishOffset ? kTagEnglish : kTagFrench;
}

std::string_view LineTag(std::string_view line) {
  return line.size() >= 4 ? line.substr(0, 4) : std::string_view();
}

std::string_view LineValue(std::string_view line) {
  return line.size() >= 4 ? line.substr(4) : std::string_view();
}

void SplitLanguageLine(std::string_view line, std::string* extension, std::string* label) {
  std::size_t semicolon = line.find(';');
  if (semicolon == std::string_view::npos) {
    extension->clear();
    label->assign(line);
    return;
  }
  std::string_view ext = semicolon > 4 ? line.substr(4, semicolon - 4) : std::string_view();
  while (!ext.empty() && ext.front() == ' ')
    ext.remove_prefix(1);
  while (!ext.empty() && ext.back() == ' ')
    ext.remove_suffix(1);
  extension->assign(ext);
  label->assign(line.substr(semicolon + 1));
}

bool ScanRecord(const std::string& cataloguePath, std::string_view key,
                const std::function<bool(std::string_view line)>& onLine) {
  std::FILE* file = std::fopen(cataloguePath.c_str(), "rb");
  if (file == nullptr) return false;
  bool found = false;
  std::string line;
  while (ReadLine(file, &line)) {
    if (LineTag(line) == kTagRecord) {
      if (found) break;
      found = LineValue(line) == key;
      continue;
    }
    if (found && !onLine(line)) break;
  }
  std::fclose(file);
  return true;
}

std::string LookupTypeValue(CLoaderState& w, std::string_view tag) {
  std::string path = CataloguePath(w);
  // The catalogue must be readable even when nothing is selected: a missing one is reported.
  std::FILE* probe = std::fopen(path.c_str(), "rb");
  if (probe == nullptr) {
    ShowMessageById(w.ui, kMsgCatalogueOpenError + LanguageOffset, kStyleStop);
    return std::string();
  }
  std::fclose(probe);
  if (!w.receiverTypes.HasSelection()) return std::string();
  std::string value;
  bool opened = ScanRecord(path, w.receiverTypes.SelectedText(), [&](std::string_view line) {
    if (LineTag(line) != tag) return true;
    value.assign(LineValue(line));
    return false;
  });
  if (!opened) {
    ShowMessageById(w.ui, kMsgCatalogueOpenError + LanguageOffset, kStyleStop);
    return std::string();
  }
  return value;
}

std::string GetFamilyTag(CLoaderState& w) {
  return LookupTypeValue(w, kTagFamily);
}
std::string GetWrongChecksumText(CLoaderState& w) {
  return LookupTypeValue(w, kTagWrongChecksum);
}
std::string GetModelName(CLoaderState& w) {
  return LookupTypeValue(w, kTagModelName);
}
