// Replacing a file the user keeps without ever leaving it truncated.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. False, with `path` untouched, when any step fails (a read-only folder, a full disk).
bool ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);
