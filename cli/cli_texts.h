// kznload-cli's own texts (usage errors, prompts), apart from the message table: each in
// English and French, told in the language of the run.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "base/messages.h"

struct CliText {
  const char* english;
  const char* french;
};

// The text in `language`, each "{}" replaced by the next of `values`.
std::string Say(Language language, CliText text,
                std::initializer_list<std::string_view> values = {});

// What --help prints in `language`, for the system the program is built for (its stop
// keys and signals, its device names).
const char* CliUsageText(Language language);
