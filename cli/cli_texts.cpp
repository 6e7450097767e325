#include "cli/cli_texts.h"

std::string Say(Language language, CliText text, std::initializer_list<std::string_view> values) {
  const std::string_view pattern = language == Language::kFrench ? text.french : text.english;
  std::string said;
  const std::string_view* value = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.compare(i, 2, "{}") == 0 && value != values.end()) {
      said += *value++;
      ++i;
    } else {
      said += pattern[i];
    }
  }
  return said;
}
